// A certificate or revocation list of the test PKI put into a system store of the prefix for
// one test and taken out again, so that the prefix is left as the test found it. An entry the
// store already held stays where it was.
#pragma once

#include <string>

#include "token/provision/store_entries.h"

namespace vemo::test {

using token::provision::StoreLocation;

class ScopedStoreEntry {
public:
    // `fixture`: a file of the test PKI ("root-a.crt.der", "root-a.crl.der", ...).
    ScopedStoreEntry(const char* store, const std::string& fixture,
                     StoreLocation where = StoreLocation::CurrentUser);
    ~ScopedStoreEntry();
    ScopedStoreEntry(const ScopedStoreEntry&) = delete;
    ScopedStoreEntry& operator=(const ScopedStoreEntry&) = delete;

private:
    std::string store_;
    StoreLocation where_;
    token::provision::StoreEntry entry_;
    bool added_ = false;
};

}  // namespace vemo::test
