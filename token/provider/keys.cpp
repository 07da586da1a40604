// The container's key pair as CryptGetUserKey hands it out: its parameters, its certificate and
// its public half. Nothing here reads the private half.
#include <memory>

#include "token/provider/crypt_output.h"
#include "token/provider/key_blob.h"
#include "token/provider/operations.h"
#include "token/provider/token_access.h"

namespace vemo::csp {
namespace {

// KP_CERTIFICATE: the certificate stored with the key, read from the token now.
DWORD CopyCertificate(const Key& key, BYTE* data, DWORD* length) {
    token::TokenImage image;
    if (const DWORD status = ReadToken(token::FaultPoint::ProviderGetCertificate, image)) return status;
    const token::Container* container = nullptr;
    if (const DWORD status = OpenedContainer(image, key.container, container)) return status;
    const std::optional<token::KeyPair> pair = container->keyOf(key.keySpec);
    if (!pair) return NTE_NO_KEY;  // the key has gone since it was handed out
    if (pair->certificate.empty()) return SCARD_E_NO_SUCH_CERTIFICATE;
    return CopyOut(pair->certificate, data, length);
}

}  // namespace

DWORD GetUserKey(ProviderObjects& objects, HCRYPTPROV handle, DWORD keySpec, HCRYPTKEY* key) {
    const Context* context = objects.context(handle);
    if (context == nullptr) return NTE_BAD_UID;
    if (key == nullptr) return ERROR_INVALID_PARAMETER;
    token::TokenImage image;
    if (const DWORD status = ReadToken(token::FaultPoint::ProviderGetUserKey, image)) return status;
    const token::Container* container = nullptr;
    if (const DWORD status = OpenedContainer(image, context->container, container)) return status;
    const std::optional<token::KeyPair> pair = container->keyOf(keySpec);
    if (!pair) return NTE_NO_KEY;
    const auto info = ReadRsaBlob(pair->publicKey.data(), pair->publicKey.size(), PUBLICKEYBLOB);
    if (!info) return kTokenDamaged;

    auto object = std::make_unique<Key>();
    object->context = handle;
    object->container = container->name;
    object->keySpec = keySpec;
    object->publicKey = pair->publicKey;
    object->bits = info->bits;
    *key = objects.keys.add(std::move(object));
    return ERROR_SUCCESS;
}

DWORD GetKeyParameter(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTKEY keyHandle, DWORD parameter,
                      BYTE* data, DWORD* length, DWORD flags) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    const Key* key = objects.key(handle, keyHandle);
    if (key == nullptr) return NTE_BAD_KEY;
    if (length == nullptr) return ERROR_INVALID_PARAMETER;
    if (flags != 0) return NTE_BAD_FLAGS;

    switch (parameter) {
    case KP_CERTIFICATE:
        return CopyCertificate(*key, data, length);
    case KP_ALGID: {
        const DWORD algorithm = key->keySpec == AT_SIGNATURE ? CALG_RSA_SIGN : CALG_RSA_KEYX;
        return CopyOut(algorithm, data, length);
    }
    case KP_KEYLEN:
    case KP_BLOCKLEN:
        return CopyOut(key->bits, data, length);
    default:
        return NTE_BAD_TYPE;
    }
}

DWORD ExportKey(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTKEY keyHandle, HCRYPTKEY wrappingKey,
                DWORD blobType, DWORD flags, BYTE* data, DWORD* length) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    const Key* key = objects.key(handle, keyHandle);
    if (key == nullptr) return NTE_BAD_KEY;
    if (length == nullptr) return ERROR_INVALID_PARAMETER;

    switch (blobType) {
    case PUBLICKEYBLOB:
        if (wrappingKey != 0) return NTE_BAD_KEY;
        if (flags != 0) return NTE_BAD_FLAGS;
        return CopyOut(key->publicKey, data, length);
    case PRIVATEKEYBLOB:
    case PLAINTEXTKEYBLOB:
        return NTE_BAD_KEY_STATE;  // the private key never leaves the token
    default:
        return NTE_BAD_TYPE;
    }
}

DWORD DestroyKey(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTKEY keyHandle) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    if (objects.key(handle, keyHandle) == nullptr) return NTE_BAD_KEY;
    objects.keys.remove(keyHandle);
    return ERROR_SUCCESS;
}

}  // namespace vemo::csp
