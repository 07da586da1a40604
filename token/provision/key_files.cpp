#include "token/provision/key_files.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "codec/byte_reader.h"
#include "frame/win_handles.h"
#include "token/provision/error_text.h"

namespace vemo::token::provision {
namespace {

constexpr uint8_t kDerSequence = 0x30;
constexpr uint8_t kDerInteger = 0x02;
constexpr uint8_t kDerOctetString = 0x04;
// DER of the object identifier 1.2.840.113549.1.1.1 (rsaEncryption).
constexpr uint8_t kRsaEncryptionOid[] = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x01, 0x01};

bool Contains(const std::vector<uint8_t>& bytes, std::string_view text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// One DER element of the expected tag: its contents as a reader of their own.
bool ReadElement(codec::ByteReader& in, uint8_t tag, codec::ByteReader& contents) {
    uint8_t actual = 0;
    uint8_t first = 0;
    if (!in.readU8(actual) || actual != tag || !in.readU8(first)) return false;
    uint32_t length = first;
    if (first & 0x80) {
        const size_t width = first & 0x7F;
        if (!in.readBigEndian(width, length)) return false;  // also refuses widths 0 and > 4
    }
    return in.readBytes(length, contents);
}

// The first PEM block of `text`: its label and decoded body. False when there is none or its
// body is not Base64. Read in place: a key file's text is never copied.
bool DecodePem(const std::vector<uint8_t>& file, std::string& label, std::vector<uint8_t>& der) {
    const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
    const std::string_view begin = "-----BEGIN ";
    const size_t start = text.find(begin);
    if (start == std::string::npos) return false;
    const size_t labelEnd = text.find("-----", start + begin.size());
    if (labelEnd == std::string::npos) return false;
    label = std::string(text.substr(start + begin.size(), labelEnd - start - begin.size()));
    const size_t body = labelEnd + 5;
    const size_t end = text.find("-----END " + label + "-----", body);
    if (end == std::string::npos) return false;

    const DWORD bodyLength = static_cast<DWORD>(end - body);
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.data() + body, bodyLength, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr)) {
        return false;
    }
    der.resize(size);
    if (!CryptStringToBinaryA(text.data() + body, bodyLength, CRYPT_STRING_BASE64, der.data(), &size, nullptr,
                              nullptr)) {
        return false;
    }
    der.resize(size);
    return true;
}

// The RSAPrivateKey inside a PKCS#8 PrivateKeyInfo; false when `der` is not one of an RSA key.
bool RsaKeyOfPkcs8(const SecretBytes& der, SecretBytes& rsaKey) {
    codec::ByteReader in(der.data(), der.size());
    codec::ByteReader info, version, algorithm, key;
    // PrivateKeyInfo ::= SEQUENCE {
    if (!ReadElement(in, kDerSequence, info) || !in.empty()) return false;
    //   version INTEGER,
    if (!ReadElement(info, kDerInteger, version)) return false;
    //   privateKeyAlgorithm AlgorithmIdentifier { rsaEncryption, NULL },
    if (!ReadElement(info, kDerSequence, algorithm) || algorithm.remaining() < sizeof kRsaEncryptionOid ||
        std::memcmp(algorithm.data(), kRsaEncryptionOid, sizeof kRsaEncryptionOid) != 0) {
        return false;
    }
    //   privateKey OCTET STRING (the RSAPrivateKey), attributes [0] OPTIONAL }
    if (!ReadElement(info, kDerOctetString, key)) return false;
    rsaKey = SecretBytes(std::vector<uint8_t>(key.data(), key.data() + key.remaining()));
    return true;
}

// A PKCS#1 RSAPrivateKey as a PRIVATEKEYBLOB; empty when it is not one.
SecretBytes BlobOfPkcs1(const SecretBytes& der) {
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, der.data(), static_cast<DWORD>(der.size()), 0,
                             nullptr, nullptr, &size)) {
        return {};
    }
    std::vector<uint8_t> blob(size);
    const bool decoded = CryptDecodeObjectEx(X509_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY, der.data(),
                                             static_cast<DWORD>(der.size()), 0, nullptr, blob.data(), &size);
    if (decoded) blob.resize(size);  // shrinking keeps the one buffer
    SecretBytes secret(std::move(blob));  // wiped however this ends
    if (!decoded) return {};
    return secret;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    // Straight into a buffer of the file's size: no stream buffer and no growing vector leaves
    // a copy of a key file behind in released memory.
    const win::FileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        error = "cannot open " + path;
        return false;
    }
    if (size.QuadPart == 0 || size.QuadPart > kFileSizeMax) {
        error = "cannot read " + path + (size.QuadPart == 0 ? " (empty)" : " (too large)");
        return false;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), 0);
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size()) {
        SecureZeroMemory(bytes.data(), bytes.size());
        bytes.clear();
        error = "cannot read " + path;
        return false;
    }
    return true;
}

std::vector<uint8_t> CertificateDer(const std::vector<uint8_t>& file, std::string& error) {
    std::vector<uint8_t> der;
    std::string label;
    if (!file.empty() && file[0] == kDerSequence) {
        der = file;
    } else if (!DecodePem(file, label, der) || label != "CERTIFICATE") {
        error = "not a certificate in PEM (\"CERTIFICATE\") or DER";
        return {};
    }
    const PCCERT_CONTEXT certificate =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (certificate == nullptr) {
        error = "not a valid X.509 certificate (" + ErrorCodeText(GetLastError()) + ")";
        return {};
    }
    CertFreeCertificateContext(certificate);
    return der;
}

SecretBytes PrivateKeyBlob(const std::vector<uint8_t>& file, std::string& error) {
    SecretBytes der;
    bool pkcs8 = false;
    bool pkcs1 = false;
    if (!file.empty() && file[0] == kDerSequence) {
        der = SecretBytes(std::vector<uint8_t>(file));
        pkcs8 = pkcs1 = true;  // DER does not say which; try both
    } else {
        // Both PKCS#8 "ENCRYPTED PRIVATE KEY" and PKCS#1 with "Proc-Type: 4,ENCRYPTED".
        if (Contains(file, "ENCRYPTED")) {
            error = "the private key is encrypted; decrypt it first (openssl pkey -in <file> -out <clear file>)";
            return {};
        }
        std::string label;
        std::vector<uint8_t> decoded;
        const bool found = DecodePem(file, label, decoded);
        der = SecretBytes(std::move(decoded));
        if (!found) {
            error = "not a private key in PEM or DER";
            return {};
        }
        pkcs8 = label == "PRIVATE KEY";
        pkcs1 = label == "RSA PRIVATE KEY";
        if (!pkcs8 && !pkcs1) {
            error = "\"" + label +
                    "\" is not an RSA private key (PKCS#1 \"RSA PRIVATE KEY\" or PKCS#8 \"PRIVATE KEY\")";
            return {};
        }
    }

    SecretBytes rsaKey;
    if (pkcs8 && RsaKeyOfPkcs8(der, rsaKey)) {
        SecretBytes blob = BlobOfPkcs1(rsaKey);
        if (!blob.empty()) return blob;
    }
    if (pkcs1) {
        SecretBytes blob = BlobOfPkcs1(der);
        if (!blob.empty()) return blob;
    }
    error = "not an RSA private key (PKCS#1 RSAPrivateKey or unencrypted PKCS#8 PrivateKeyInfo)";
    return {};
}

}  // namespace vemo::token::provision
