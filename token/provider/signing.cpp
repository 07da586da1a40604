// Signatures with the container's key. The private key is unprotected for the signature only:
// imported into a context of the system's RSA provider of its own, used once, and gone with
// that context; its clear bytes are wiped when the call returns.
#include "token/provider/crypt_output.h"
#include "token/provider/key_blob.h"
#include "token/provider/operations.h"
#include "token/provider/system_rsa.h"
#include "token/provider/token_access.h"
#include "token/store/token_store.h"

namespace vemo::csp {
namespace {

// Signs `digest`, a value of `algorithm`, into `signature` (capacity *length). The signature
// comes back least significant byte first, as CryptoAPI's always do.
DWORD SignDigest(const token::KeyPair& pair, ALG_ID algorithm, const std::vector<uint8_t>& digest,
                 DWORD flags, BYTE* signature, DWORD* length) {
    const token::SecretBytes privateKey = token::UnprotectPrivateKey(pair.protectedKey);
    const auto info = ReadRsaBlob(privateKey.data(), privateKey.size(), PRIVATEKEYBLOB);
    if (!info) return kTokenDamaged;

    win::ProviderContext system;
    if (const DWORD status = OpenSystemRsa(system)) return status;
    win::CryptKey key;
    win::CryptHash hash;
    if (!CryptImportKey(system.get(), privateKey.data(), static_cast<DWORD>(privateKey.size()), 0, 0, key.put()) ||
        !CryptCreateHash(system.get(), algorithm, 0, 0, hash.put()) ||
        !CryptSetHashParam(hash.get(), HP_HASHVAL, digest.data(), 0)) {
        return LastSystemError();
    }
    // The imported key takes the place its algorithm names, whatever the container calls it.
    DWORD written = *length;
    if (!CryptSignHashA(hash.get(), KeySpecOf(info->algorithm), nullptr, flags, signature, &written)) {
        return LastSystemError();
    }
    *length = written;
    return ERROR_SUCCESS;
}

}  // namespace

DWORD SignHash(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTHASH hashHandle, DWORD keySpec, DWORD flags,
               BYTE* signature, DWORD* length) {
    const Context* context = objects.context(handle);
    if (context == nullptr) return NTE_BAD_UID;
    const Hash* hash = objects.hash(handle, hashHandle);
    if (hash == nullptr) return NTE_BAD_HASH;
    if (length == nullptr) return ERROR_INVALID_PARAMETER;
    if ((flags & ~CRYPT_NOHASHOID) != 0) return NTE_BAD_FLAGS;
    // A call without buffer asks for the length only, and fails at a point of its own.
    const auto point =
        signature == nullptr ? token::FaultPoint::ProviderSignHashLength : token::FaultPoint::ProviderSignHash;
    token::TokenImage image;
    if (const DWORD status = ReadToken(point, image)) return status;
    const token::Container* container = nullptr;
    if (const DWORD status = OpenedContainer(image, context->container, container)) return status;
    const std::optional<token::KeyPair> pair = container->keyOf(keySpec);
    if (!pair) return NTE_NO_KEY;
    const auto publicInfo = ReadRsaBlob(pair->publicKey.data(), pair->publicKey.size(), PUBLICKEYBLOB);
    if (!publicInfo) return kTokenDamaged;

    const DWORD size = publicInfo->bits / 8;
    if (!Fits(size, signature, length)) return SizeAnswer(size, signature, length);
    std::vector<uint8_t> digest;
    if (const DWORD status = HashValue(*hash, digest)) return status;
    return SignDigest(*pair, hash->algorithm, digest, flags, signature, length);
}

}  // namespace vemo::csp
