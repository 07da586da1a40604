// Hash objects: SHA-1, SHA-256, SHA-384, SHA-512 and MD5, computed by the system's RSA
// provider, each in a context of its own so that its lifetime is the hash object's.
#include <memory>

#include "token/provider/crypt_output.h"
#include "token/provider/operations.h"
#include "token/provider/system_rsa.h"
#include "token/provider/token_access.h"

namespace vemo::csp {

DWORD HashSize(ALG_ID algorithm) {
    for (const HashAlgorithm& known : kHashAlgorithms) {
        if (known.id == algorithm) return known.size;
    }
    return 0;
}

DWORD HashValue(const Hash& hash, std::vector<uint8_t>& value) {
    value.resize(HashSize(hash.algorithm));
    DWORD size = static_cast<DWORD>(value.size());
    if (!CryptGetHashParam(hash.hash.get(), HP_HASHVAL, value.data(), &size, 0)) return LastSystemError();
    value.resize(size);
    return ERROR_SUCCESS;
}

DWORD CreateHash(ProviderObjects& objects, HCRYPTPROV handle, ALG_ID algorithm, HCRYPTKEY key, DWORD flags,
                 HCRYPTHASH* hash) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    if (hash == nullptr) return ERROR_INVALID_PARAMETER;
    if (key != 0) return NTE_BAD_KEY;  // no keyed hashes: the token holds no session keys
    if (flags != 0) return NTE_BAD_FLAGS;
    if (HashSize(algorithm) == 0) return NTE_BAD_ALGID;
    token::TokenImage image;
    if (const DWORD status = ReadToken(token::FaultPoint::ProviderCreateHash, image)) return status;

    auto object = std::make_unique<Hash>();
    object->context = handle;
    object->algorithm = algorithm;
    if (const DWORD status = OpenSystemRsa(object->system)) return status;
    if (!CryptCreateHash(object->system.get(), algorithm, 0, 0, object->hash.put())) return LastSystemError();
    *hash = objects.hashes.add(std::move(object));
    return ERROR_SUCCESS;
}

DWORD HashData(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTHASH hashHandle, const BYTE* data, DWORD size,
               DWORD flags) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    const Hash* hash = objects.hash(handle, hashHandle);
    if (hash == nullptr) return NTE_BAD_HASH;
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    if (flags != 0) return NTE_BAD_FLAGS;
    token::TokenImage image;
    if (const DWORD status = ReadToken(token::FaultPoint::ProviderHashData, image)) return status;
    static const BYTE kNothing = 0;  // some providers refuse a null pointer even for no bytes
    if (!CryptHashData(hash->hash.get(), data != nullptr ? data : &kNothing, size, 0)) return LastSystemError();
    return ERROR_SUCCESS;
}

DWORD GetHashParameter(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTHASH hashHandle, DWORD parameter,
                       BYTE* data, DWORD* length, DWORD flags) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    const Hash* hash = objects.hash(handle, hashHandle);
    if (hash == nullptr) return NTE_BAD_HASH;
    if (length == nullptr) return ERROR_INVALID_PARAMETER;
    if (flags != 0) return NTE_BAD_FLAGS;

    switch (parameter) {
    case HP_ALGID:
        return CopyOut(DWORD{hash->algorithm}, data, length);
    case HP_HASHSIZE:
        return CopyOut(HashSize(hash->algorithm), data, length);
    case HP_HASHVAL: {
        // Reading the value finishes the hash; a size query must not.
        const DWORD size = HashSize(hash->algorithm);
        if (!Fits(size, data, length)) return SizeAnswer(size, data, length);
        std::vector<uint8_t> value;
        if (const DWORD status = HashValue(*hash, value)) return status;
        return CopyOut(value, data, length);
    }
    default:
        return NTE_BAD_TYPE;
    }
}

DWORD SetHashParameter(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTHASH hashHandle, DWORD parameter,
                       const BYTE* data, DWORD flags) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    const Hash* hash = objects.hash(handle, hashHandle);
    if (hash == nullptr) return NTE_BAD_HASH;
    if (flags != 0) return NTE_BAD_FLAGS;
    if (parameter != HP_HASHVAL) return NTE_BAD_TYPE;
    if (data == nullptr) return ERROR_INVALID_PARAMETER;
    if (!CryptSetHashParam(hash->hash.get(), HP_HASHVAL, data, 0)) return LastSystemError();
    return ERROR_SUCCESS;
}

DWORD DestroyHash(ProviderObjects& objects, HCRYPTPROV handle, HCRYPTHASH hashHandle) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    if (objects.hash(handle, hashHandle) == nullptr) return NTE_BAD_HASH;
    objects.hashes.remove(hashHandle);
    return ERROR_SUCCESS;
}

}  // namespace vemo::csp
