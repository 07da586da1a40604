// What the provider's handles stand for. Every object lives in one of the tables of
// ProviderObjects; entry points reach them only through the lock in entry_points.cpp, since
// advapi32 takes no lock around a provider.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/win_handles.h"
#include "token/provider/handle_table.h"

namespace vemo::csp {

// A CryptAcquireContext of this provider: with or without one of the token's containers.
struct Context {
    std::string container;  // its name as the token lists it; empty: a context without container
    std::string openedAs;   // the name the caller gave (PP_CONTAINER answers it)
    // PP_ENUMCONTAINERS: the names listed when CRYPT_FIRST was asked, and the next one's index.
    std::vector<std::string> listing;
    size_t listed = 0;
    bool listingStarted = false;
    // PP_ENUMALGS and PP_ENUMALGS_EX: the index of the next algorithm to hand out.
    size_t algorithmsListed = 0;

    bool hasContainer() const { return !container.empty(); }
};

// The key pair of a container, as CryptGetUserKey hands it out. Only its public half is held
// here; the private half stays protected in the token until a signature needs it.
struct Key {
    HCRYPTPROV context = 0;
    std::string container;
    DWORD keySpec = 0;
    std::vector<uint8_t> publicKey;  // PUBLICKEYBLOB
    DWORD bits = 0;
};

// A hash object, computed by the system's RSA provider in a context of its own.
struct Hash {
    HCRYPTPROV context = 0;
    ALG_ID algorithm = 0;
    win::ProviderContext system;  // declared before `hash`, so it is released after it
    win::CryptHash hash;
};

struct ProviderObjects {
    HandleTable<Context> contexts;
    HandleTable<Key> keys;
    HandleTable<Hash> hashes;

    // The object behind a handle, or null; keys and hashes only within their own context.
    Context* context(HCRYPTPROV handle) const { return contexts.find(handle); }
    Key* key(HCRYPTPROV owner, HCRYPTKEY handle) const {
        Key* found = keys.find(handle);
        return found != nullptr && found->context == owner ? found : nullptr;
    }
    Hash* hash(HCRYPTPROV owner, HCRYPTHASH handle) const {
        Hash* found = hashes.find(handle);
        return found != nullptr && found->context == owner ? found : nullptr;
    }
};

}  // namespace vemo::csp
