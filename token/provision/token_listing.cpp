#include "token/provision/token_listing.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstring>
#include <string>

#include "frame/win_handles.h"

namespace vemo::token::provision {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

std::string KeyText(uint32_t keySpec, const std::vector<uint8_t>& publicKey) {
    std::string text = keySpec == kKeySignature ? "signature" : "exchange";
    // PUBLICKEYBLOB: BLOBHEADER, then RSAPUBKEY { magic, bitlen, pubexp }.
    RSAPUBKEY header;
    if (publicKey.size() >= sizeof(BLOBHEADER) + sizeof header) {
        std::memcpy(&header, publicKey.data() + sizeof(BLOBHEADER), sizeof header);
        text += ", RSA " + std::to_string(header.bitlen) + " bits";
    }
    return text;
}

// Most significant byte first, as certificate viewers print it.
std::string SerialText(const CRYPT_INTEGER_BLOB& serial) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (DWORD i = serial.cbData; i > 0; --i) {
        text += digits[serial.pbData[i - 1] >> 4];
        text += digits[serial.pbData[i - 1] & 15];
    }
    return text;
}

void PrintCertificate(const std::vector<uint8_t>& der, std::FILE* out) {
    if (der.empty()) {
        std::fprintf(out, "  certificate: none\n");
        return;
    }
    const win::CertificateContext certificate(
        CertCreateCertificateContext(kEncoding, der.data(), static_cast<DWORD>(der.size())));
    if (!certificate) {
        std::fprintf(out, "  certificate: %u bytes, not readable\n", static_cast<unsigned>(der.size()));
        return;
    }
    char subject[1024] = {};
    CertNameToStrA(kEncoding, &certificate.get()->pCertInfo->Subject, CERT_X500_NAME_STR, subject, sizeof subject);
    std::fprintf(out, "  certificate: %s\n  serial: %s\n  size: %u bytes\n", subject,
                 SerialText(certificate.get()->pCertInfo->SerialNumber).c_str(), static_cast<unsigned>(der.size()));
}

}  // namespace

void PrintToken(const TokenImage& image, std::FILE* out) {
    if (image.containers.empty()) std::fprintf(out, "no containers\n");
    for (size_t i = 0; i < image.containers.size(); ++i) {
        const Container& container = image.containers[i];
        std::fprintf(out, "container %u: %s\n  key: %s\n", static_cast<unsigned>(i + 1), container.name.c_str(),
                     container.hasKey() ? KeyText(container.keySpec, container.publicKey).c_str() : "none");
        PrintCertificate(container.certificate, out);
        if (const auto& second = container.secondKey) {
            std::fprintf(out, "  second key: %s\n", KeyText(second->keySpec, second->publicKey).c_str());
            PrintCertificate(second->certificate, out);
        }
    }
    for (const Fault& fault : image.faults) {
        std::fprintf(out, "fault: %s returns 0x%08x\n", FaultPointName(fault.point), static_cast<unsigned>(fault.code));
    }
}

}  // namespace vemo::token::provision
