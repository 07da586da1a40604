// Test tokens: a token file for one test alone, and containers made from the test PKI in
// tests/fixtures/pki.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/scoped_environment.h"
#include "token/store/token_image.h"

namespace vemo::test {

// The path of a file of the test PKI.
std::string FixturePath(const std::string& name);
// Its bytes; the test fails when the file cannot be read.
std::vector<uint8_t> FixtureBytes(const std::string& name);

// A container holding the key and certificate of the fixture user `user` (user1024, signer, ...).
token::Container FixtureContainer(const std::string& user, const std::string& name,
                                  uint32_t keySpec = token::kKeyExchange);

// Whether the container's key, taken out of its protection, signs what its certificate's public
// key verifies, under the container's key spec.
bool SignsForItsCertificate(const token::Container& container);

// Points VEMO_TOKEN_STORE at a token file of its own for the object's lifetime and removes that
// file at the end. The token starts unplugged.
class ScopedTokenStore {
public:
    ScopedTokenStore();
    ~ScopedTokenStore();
    ScopedTokenStore(const ScopedTokenStore&) = delete;
    ScopedTokenStore& operator=(const ScopedTokenStore&) = delete;

    const std::string& path() const { return path_; }
    // Writes `image` as the token (plugs it in).
    void plugIn(const token::TokenImage& image = {});

private:
    std::string path_;
    ScopedEnvironmentVariable variable_;
};

}  // namespace vemo::test
