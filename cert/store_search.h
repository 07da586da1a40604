// The current user's certificate stores, listed and searched apart from any window: opened by
// name, walked in store order, matched by serial number text or by a part of the subject name.
// Used by the certificate retrieval, the picker edition's signing and its dialogs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "codec/serial_text.h"
#include "frame/win_handles.h"

namespace vemo::cert {

// X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, the encoding of every certificate call.
inline constexpr DWORD kCertEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// Room for a display name: 128 characters with the terminator, in ANSI and in UTF-16.
inline constexpr int kDisplayNameSize = 128;

// The system store `name` ("MY", "AddressBook", "ROOT") of the current user; empty on failure.
win::CertStore OpenSystemStore(const char* name);

// The first certificate of `store`, in store order, for which `matches` holds; empty if none.
win::CertificateContext FindFirst(HCERTSTORE store, const std::function<bool(PCCERT_CONTEXT)>& matches);

// Calls `visit` for every certificate of `store` in store order.
void ForEach(HCERTSTORE store, const std::function<void(PCCERT_CONTEXT)>& visit);

// Whether the certificate's serial number, rendered in `order` into a text buffer of
// `bufferSize` bytes, equals `hex` with letter case ignored.
bool SerialMatches(PCCERT_CONTEXT certificate, const char* hex, codec::SerialOrder order, size_t bufferSize);

// The first certificate whose subject name contains `name` (CERT_FIND_SUBJECT_STR_W); empty
// if none.
win::CertificateContext FindBySubject(HCERTSTORE store, const wchar_t* name);

// The simple display name (CERT_NAME_SIMPLE_DISPLAY_TYPE) in `name`; false when it cannot be
// read.
bool SimpleDisplayName(PCCERT_CONTEXT certificate, char (&name)[kDisplayNameSize]);

// ANSI text to UTF-16 as the lookups take it (CP_ACP, MB_PRECOMPOSED, at most
// kDisplayNameSize characters, terminated after the converted ones); the count converted.
int AnsiToWide(const char* text, wchar_t (&wide)[kDisplayNameSize + 1]);

}  // namespace vemo::cert
