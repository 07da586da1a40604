// Where the software token lives and how it is plugged in and out: a token file in the
// current user's profile (or the file named by the environment variable VEMO_TOKEN_STORE).
// The token is present while the file exists. Every reader loads it afresh, so removing the
// file between two calls is pulling the token out.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>
#include <vector>

#include "token/store/token_image.h"

namespace vemo::token {

// The environment variable that names another token file (tests give each run its own).
inline constexpr wchar_t kTokenStoreVariable[] = L"VEMO_TOKEN_STORE";

// %VEMO_TOKEN_STORE%, else %LOCALAPPDATA%\VemoSoftToken\token.vtk.
std::wstring TokenStorePath();

enum class TokenState {
    Present,  // the image was read
    Absent,   // no token plugged in
    Damaged,  // a file is there but it is not a token
};

TokenState LoadToken(TokenImage& image);
// Writes the token (replacing the file whole, so readers never see half a token).
bool SaveToken(const TokenImage& image);
// Unplugs the token: removes its file. True also when there was none.
bool RemoveToken();

// Private key bytes in memory: wiped when released.
class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    ~SecretBytes() { wipe(); }
    SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)) {}
    SecretBytes& operator=(SecretBytes&& other) noexcept {
        wipe();
        bytes_ = std::move(other.bytes_);
        return *this;
    }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    const uint8_t* data() const { return bytes_.data(); }
    size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }

private:
    void wipe() {
        if (!bytes_.empty()) SecureZeroMemory(bytes_.data(), bytes_.size());
        bytes_.clear();
    }
    std::vector<uint8_t> bytes_;
};

// Wipes a buffer that held clear secrets (a key file read whole, a typed password) when the
// guard goes, before the buffer's own memory is released.
template <typename Buffer>
class WipedOnExit {
public:
    explicit WipedOnExit(Buffer& buffer) : buffer_(buffer) {}
    ~WipedOnExit() {
        if (!buffer_.empty()) SecureZeroMemory(buffer_.data(), buffer_.size() * sizeof buffer_[0]);
    }
    WipedOnExit(const WipedOnExit&) = delete;
    WipedOnExit& operator=(const WipedOnExit&) = delete;

private:
    Buffer& buffer_;
};

// Why MakeContainer made no container.
enum class ContainerProblem {
    None,
    KeyNotTaken,     // the key could not be exported or protected
    KeyDoesNotSign,  // its signatures do not verify with the certificate's key (key_proof.h)
};

// A container holding `key` (which must be exportable: its PRIVATEKEYBLOB is taken and
// protected at once) under `keySpec`, and `certificate` (DER, may be empty). The key is proved
// first: a key that does not sign what the certificate's key (without certificate: its own
// public half) verifies is refused. Empty on failure, with the reason in `problem` if given.
std::optional<Container> MakeContainer(const std::string& name, uint32_t keySpec, HCRYPTKEY key,
                                       std::vector<uint8_t> certificate, ContainerProblem* problem = nullptr);

// Protects a private key blob for the current user (CryptProtectData); empty on failure.
std::vector<uint8_t> ProtectPrivateKey(const uint8_t* blob, size_t size);
// The private key blob again; empty on failure (another user, damaged data).
SecretBytes UnprotectPrivateKey(const std::vector<uint8_t>& protectedKey);

}  // namespace vemo::token
