// The provider's operations behind its entry points. Each answers ERROR_SUCCESS or the error
// its entry point reports; the caller holds the provider lock. Handles are checked first
// (NTE_BAD_UID for a context, NTE_BAD_KEY for a key, NTE_BAD_HASH for a hash object), then
// the arguments, then the token is read.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <vector>

#include "token/provider/provider_objects.h"

namespace vemo::csp {

// Contexts and their parameters (contexts.cpp).
DWORD AcquireContext(ProviderObjects& objects, HCRYPTPROV* context, const char* container, DWORD flags);
DWORD ReleaseContext(ProviderObjects& objects, HCRYPTPROV context, DWORD flags);
DWORD GetProviderParameter(ProviderObjects& objects, HCRYPTPROV context, DWORD parameter, BYTE* data,
                           DWORD* length, DWORD flags);

// The container's key pair (keys.cpp).
DWORD GetUserKey(ProviderObjects& objects, HCRYPTPROV context, DWORD keySpec, HCRYPTKEY* key);
DWORD GetKeyParameter(ProviderObjects& objects, HCRYPTPROV context, HCRYPTKEY key, DWORD parameter, BYTE* data,
                      DWORD* length, DWORD flags);
DWORD ExportKey(ProviderObjects& objects, HCRYPTPROV context, HCRYPTKEY key, HCRYPTKEY wrappingKey,
                DWORD blobType, DWORD flags, BYTE* data, DWORD* length);
DWORD DestroyKey(ProviderObjects& objects, HCRYPTPROV context, HCRYPTKEY key);

// The digests the token makes (and signs): what PP_ENUMALGS lists beside its RSA keys.
struct HashAlgorithm {
    ALG_ID id;
    DWORD size;             // bytes
    const char* name;       // as the platform's providers list it
    const char* longName;
};
inline constexpr HashAlgorithm kHashAlgorithms[] = {
    {CALG_SHA1, 20, "SHA-1", "Secure Hash Algorithm (SHA-1)"},
    {CALG_SHA_256, 32, "SHA-256", "Secure Hash Algorithm (SHA-256)"},
    {CALG_SHA_384, 48, "SHA-384", "Secure Hash Algorithm (SHA-384)"},
    {CALG_SHA_512, 64, "SHA-512", "Secure Hash Algorithm (SHA-512)"},
    {CALG_MD5, 16, "MD5", "Message Digest 5 (MD5)"},
};

// Hash objects (hashes.cpp).
// The digest's length of one of kHashAlgorithms; 0 for any other algorithm.
DWORD HashSize(ALG_ID algorithm);
DWORD CreateHash(ProviderObjects& objects, HCRYPTPROV context, ALG_ID algorithm, HCRYPTKEY key, DWORD flags,
                 HCRYPTHASH* hash);
DWORD HashData(ProviderObjects& objects, HCRYPTPROV context, HCRYPTHASH hash, const BYTE* data, DWORD size,
               DWORD flags);
DWORD GetHashParameter(ProviderObjects& objects, HCRYPTPROV context, HCRYPTHASH hash, DWORD parameter,
                       BYTE* data, DWORD* length, DWORD flags);
DWORD SetHashParameter(ProviderObjects& objects, HCRYPTPROV context, HCRYPTHASH hash, DWORD parameter,
                       const BYTE* data, DWORD flags);
DWORD DestroyHash(ProviderObjects& objects, HCRYPTPROV context, HCRYPTHASH hash);
// The hash's value; reading it finishes the hash.
DWORD HashValue(const Hash& hash, std::vector<uint8_t>& value);

// Signatures with the container's key (signing.cpp).
DWORD SignHash(ProviderObjects& objects, HCRYPTPROV context, HCRYPTHASH hash, DWORD keySpec, DWORD flags,
               BYTE* signature, DWORD* length);

}  // namespace vemo::csp
