// Software tokens for tests: keys and self-signed certificates made on the spot, containers
// built from them, and a token file that a test plugs in and pulls out.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "token/store/token_image.h"

namespace vemo::test {

// An exportable RSA key pair made in the system's RSA provider and a self-signed certificate
// for it, with the key protected as the token stores it. Made once per key spec and size
// and kept for the run, since 2048-bit keys take a while to make.
struct TestIdentity {
    DWORD keySpec = 0;
    DWORD bits = 0;
    std::vector<uint8_t> certificate;  // DER; its serial number is 01 02 03 ... (bits / 128 bytes)
    token::Container container;        // the key and certificate, not yet named
};
const TestIdentity& Identity(DWORD keySpec, DWORD bits);
// The clear PRIVATEKEYBLOB of the identity whose certificate is `certificate` (for evidence of a
// failure); empty when no identity made so far has it.
std::vector<uint8_t> TestIdentityPrivateKey(const std::vector<uint8_t>& certificate);

// A container named `name` with the identity's key, and its certificate unless told otherwise.
token::Container ContainerFor(const std::string& name, const TestIdentity& identity, bool withCertificate = true);
// A container without key, as the pseudo-containers are.
token::Container ContainerWithoutKey(const std::string& name);

// A token holding `containers` in this order.
token::TokenImage TokenOf(std::vector<token::Container> containers);

// Plugs a token in for the object's lifetime: writes it to the file the provider reads, and
// removes the file again at the end.
class PluggedToken {
public:
    explicit PluggedToken(const token::TokenImage& image);
    ~PluggedToken();
    PluggedToken(const PluggedToken&) = delete;
    PluggedToken& operator=(const PluggedToken&) = delete;

    void unplug();                             // removes the file now
    void replace(const token::TokenImage& image);  // writes another token in its place
};

// Gives this run a token file of its own (VEMO_TOKEN_STORE) and registers the provider DLL of
// this build under the token's provider name.
void PrepareProviderTests();
// Registers the provider DLL of this build under the token's provider name (throws on failure).
void RegisterProviderOfThisBuild();
// The provider DLL of this build: <build>/token/provider/SoftTokenCsp.dll.
std::wstring ProviderDllPath();

}  // namespace vemo::test
