#include "sign/signed_message.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "CVemoDll_C.h"
#include "frame/diagnostics.h"
#include "frame/win_handles.h"
#include "sign/message_parameters.h"
#include "sign/token_container.h"
#include "token/provider/provider_name.h"

namespace vemo::sign {
namespace {

// CRYPT_SILENT | CRYPT_MACHINE_KEYSET (0x60): this signer's flags; the raw signature's are
// CRYPT_SILENT alone.
constexpr uint32_t kMessageProviderFlags = CRYPT_SILENT | CRYPT_MACHINE_KEYSET;
// The longest text whose message bound, and so the length written back, fits 32 bits.
constexpr size_t kTextMax = INT32_MAX - CVEMO_P7_MESSAGE_MAX(0);

// The search's failed step in the trace file.
void TraceTokenStep(TraceBlock& trace, TokenStep step) {
    switch (step) {
    case TokenStep::Ok:
        break;
    case TokenStep::OpenProvider:
    case TokenStep::OpenContainer:
        trace("***** CryptAcquireContext fails. Line %d\n", __LINE__);
        break;
    case TokenStep::NoContainer:
        trace("***** CryptGetProvParam fails.  Line %d\n", __LINE__);
        break;
    case TokenStep::NoUserKey:
        trace("***** CryptGetUserKey fails. Line %d\n", __LINE__);
        break;
    case TokenStep::NoCertificate:
    case TokenStep::NoSuchSerial:
        trace("***** CryptGetKeyParam fails.  Line %d\n", __LINE__);
        break;
    }
}

// Where the platform finds the key: the container's name with its suffix and the provider's,
// both from the ANSI code page, with their terminators.
struct KeyLocation {
    wchar_t container[kContainerNameCapacity + 1] = {};
    wchar_t provider[sizeof token::kTokenProviderName] = {};
    CRYPT_KEY_PROV_INFO info{};
};

bool MakeKeyLocation(const char* container, DWORD keySpec, KeyLocation& location) {
    if (MultiByteToWideChar(CP_ACP, 0, container, -1, location.container, int(std::size(location.container))) == 0 ||
        MultiByteToWideChar(CP_ACP, 0, token::kTokenProviderName, -1, location.provider,
                            int(std::size(location.provider))) == 0) {
        return false;
    }
    location.info.pwszContainerName = location.container;
    location.info.pwszProvName = location.provider;
    location.info.dwProvType = PROV_RSA_FULL;
    location.info.dwKeySpec = keySpec;
    return true;
}

// The message over `length` bytes of `text` by the certificate's key: MD5, the content carried
// inside, the certificate as the only one, no attributes. The size is asked first; a message
// longer than the header's bound for the text is refused before anything is copied out.
int32_t SignThroughKeyLocation(PCCERT_CONTEXT certificate, const char* text, DWORD length, uint8_t* message,
                               int32_t* messageLength, TraceBlock& trace) {
    PCCERT_CONTEXT included[] = {certificate};
    CRYPT_SIGN_MESSAGE_PARA parameters{};
    parameters.cbSize = kSignMessageParametersSize;
    parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    parameters.pSigningCert = certificate;
    parameters.HashAlgorithm.pszObjId = const_cast<char*>(szOID_RSA_MD5);
    parameters.cMsgCert = 1;
    parameters.rgpMsgCert = included;
    const BYTE* items[] = {reinterpret_cast<const BYTE*>(text)};
    DWORD itemLengths[] = {length};

    DWORD size = 0;
    if (!CryptSignMessage(&parameters, FALSE, 1, items, itemLengths, nullptr, &size)) {
        const DWORD error = GetLastError();
        LogError("[ERROR]CryptSignMessage is error,Error Code: -1,Line %d\n", __LINE__);
        trace("***** CryptSignMessage fails.  cbSignedMessageBlob= %d,errorcode =%d,Line %d\n", int(size), int(error),
              __LINE__);
        return E_FAILED;
    }
    trace("***** CryptSignMessage OK.  cbSignedMessageBlob= %d,Line %d\n", int(size), __LINE__);
    if (size > CVEMO_P7_MESSAGE_MAX(size_t{length} - 1)) {
        LogError("[ERROR]CryptSignMessage is error,Error Code: -1,Line %d\n", __LINE__);
        trace("***** CryptSignMessage fails.  cbSignedMessageBlob= %d,Line %d\n", int(size), __LINE__);
        return E_FAILED;
    }
    std::vector<uint8_t> made(size);
    if (!CryptSignMessage(&parameters, FALSE, 1, items, itemLengths, made.data(), &size) || size > made.size()) {
        LogError("[ERROR]CryptSignMessage is error,Error Code: -1,Line %d\n", __LINE__);
        trace("***** CryptSignMessage fails.  cbSignedMessageBlob= %d,Line %d\n", int(size), __LINE__);
        return E_FAILED;
    }
    trace("***** CryptSignMessage ok.  g_cbSignedMessageBlob= %d,Line %d\n", int(size), __LINE__);
    std::memcpy(message, made.data(), size);
    *messageLength = static_cast<int32_t>(size);
    return 0;
}

}  // namespace

int32_t SignMessage(const char* data, uint8_t* message, int32_t* messageLength) {
    const size_t textLength = data != nullptr ? strnlen(data, kTextMax + 1) : 0;
    if (data == nullptr || message == nullptr || messageLength == nullptr || textLength > kTextMax) {
        LogError("[ERROR]C_VEMO_Sign_P7 input data is error,Error Code: E_ERROR_DATA,Line %d\n", __LINE__);
        return E_ERROR_DATA;
    }
    TraceBlock trace;

    TokenKey found;
    if (const TokenStep step = OpenTokenKey(kMessageProviderFlags, found); step != TokenStep::Ok) {
        TraceTokenStep(trace, step);
        return TokenStepResult(step);
    }
    // The platform opens the key again through its location: nothing of the search stays open.
    found.key.reset();
    found.context.reset();

    const win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, found.certificate, found.certificateLength));
    if (!certificate) {
        LogError("[ERROR]CertCreateCertificateContext is error,Error Code: E_CERT_DATA_ERROR,Line %d\n", __LINE__);
        return E_CERT_DATA_ERROR;
    }
    KeyLocation location;
    if (!MakeKeyLocation(found.container, found.keySpec, location)) {
        LogError("[ERROR]MultiByteToWideChar is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    if (!CertSetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &location.info)) {
        LogError("[ERROR]CertSetCertificateContextProperty is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    const win::CachedKeyContext signersContext(certificate.get());  // what the platform opens for the key
    // The text and its terminating zero byte.
    return SignThroughKeyLocation(certificate.get(), data, static_cast<DWORD>(textLength + 1), message, messageLength,
                                  trace);
}

}  // namespace vemo::sign
