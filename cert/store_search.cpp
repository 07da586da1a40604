#include "cert/store_search.h"

#include <cstring>

namespace vemo::cert {

win::CertStore OpenSystemStore(const char* name) {
    return win::CertStore(CertOpenSystemStoreA(0, name));
}

win::CertificateContext FindFirst(HCERTSTORE store, const std::function<bool(PCCERT_CONTEXT)>& matches) {
    PCCERT_CONTEXT certificate = nullptr;
    // Each call releases the certificate it is given; the one we stop at is ours to release.
    while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
        if (matches(certificate)) return win::CertificateContext(certificate);
    }
    return {};
}

void ForEach(HCERTSTORE store, const std::function<void(PCCERT_CONTEXT)>& visit) {
    PCCERT_CONTEXT certificate = nullptr;
    while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) visit(certificate);
}

bool SerialMatches(PCCERT_CONTEXT certificate, const char* hex, codec::SerialOrder order, size_t bufferSize) {
    const CRYPT_INTEGER_BLOB& serial = certificate->pCertInfo->SerialNumber;
    return codec::SerialTextMatches(serial.pbData, serial.cbData, order, bufferSize, hex);
}

win::CertificateContext FindBySubject(HCERTSTORE store, const wchar_t* name) {
    return win::CertificateContext(
        CertFindCertificateInStore(store, kCertEncoding, 0, CERT_FIND_SUBJECT_STR_W, name, nullptr));
}

bool SimpleDisplayName(PCCERT_CONTEXT certificate, char (&name)[kDisplayNameSize]) {
    std::memset(name, 0, sizeof name);
    return CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, kDisplayNameSize) != 0;
}

int AnsiToWide(const char* text, wchar_t (&wide)[kDisplayNameSize + 1]) {
    const int length = static_cast<int>(strnlen(text, kDisplayNameSize));
    const int converted = length == 0 ? 0
        : MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text, length, wide, kDisplayNameSize);
    wide[converted] = L'\0';
    return converted;
}

}  // namespace vemo::cert
