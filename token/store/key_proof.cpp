#include "token/store/key_proof.h"

#include <windows.h>
#include <wincrypt.h>

#include "frame/win_handles.h"

namespace vemo::token {
namespace {

// Any fixed value of a SHA-1 digest's size: what is signed does not matter, only that the
// signature verifies.
constexpr BYTE kDigest[20] = {0x56, 0x45, 0x4d, 0x4f, 0x20, 0x6b, 0x65, 0x79, 0x20, 0x70,
                              0x72, 0x6f, 0x6f, 0x66, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

bool DigestHash(HCRYPTPROV context, win::CryptHash& hash) {
    return CryptCreateHash(context, CALG_SHA1, 0, 0, hash.put()) &&
           CryptSetHashParam(hash.get(), HP_HASHVAL, kDigest, 0);
}

// The public key to verify with, in `context`.
bool ImportPublicKey(HCRYPTPROV context, const std::vector<uint8_t>& certificate,
                     const std::vector<uint8_t>& publicBlob, win::CryptKey& key) {
    if (certificate.empty()) {
        return CryptImportKey(context, publicBlob.data(), static_cast<DWORD>(publicBlob.size()), 0, 0, key.put());
    }
    const win::CertificateContext decoded(
        CertCreateCertificateContext(X509_ASN_ENCODING, certificate.data(), static_cast<DWORD>(certificate.size())));
    return decoded && CryptImportPublicKeyInfo(context, X509_ASN_ENCODING,
                                               &decoded.get()->pCertInfo->SubjectPublicKeyInfo, key.put());
}

}  // namespace

bool KeySigns(const uint8_t* privateBlob, size_t size, const std::vector<uint8_t>& certificate,
              const std::vector<uint8_t>& publicBlob) {
    if (privateBlob == nullptr || size < sizeof(BLOBHEADER)) return false;
    const DWORD keySpec =
        reinterpret_cast<const BLOBHEADER*>(privateBlob)->aiKeyAlg == CALG_RSA_SIGN ? AT_SIGNATURE : AT_KEYEXCHANGE;

    // Signed in a context of its own, which holds the private key only while it lives.
    win::ProviderContext signer;
    win::CryptKey privateKey;
    win::CryptHash signed_;
    BYTE signature[2048];
    DWORD length = sizeof signature;
    if (!CryptAcquireContextA(signer.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_SILENT) ||
        !CryptImportKey(signer.get(), privateBlob, static_cast<DWORD>(size), 0, 0, privateKey.put()) ||
        !DigestHash(signer.get(), signed_) || !CryptSignHashA(signed_.get(), keySpec, nullptr, 0, signature, &length)) {
        return false;
    }
    // Verified in another, with the public key alone.
    win::ProviderContext verifier;
    win::CryptKey publicKey;
    win::CryptHash verified;
    return CryptAcquireContextA(verifier.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL,
                                CRYPT_VERIFYCONTEXT | CRYPT_SILENT) &&
           ImportPublicKey(verifier.get(), certificate, publicBlob, publicKey) && DigestHash(verifier.get(), verified) &&
           CryptVerifySignatureA(verified.get(), signature, length, publicKey.get(), nullptr, 0);
}

}  // namespace vemo::token
