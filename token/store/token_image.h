// What a software token holds, and its file form. Portable: the provisioning tool, UTSecDll
// and the token's provider all read and write tokens through this one model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vemo::token {

// CryptoAPI key specs.
inline constexpr uint32_t kKeyExchange = 1;   // AT_KEYEXCHANGE
inline constexpr uint32_t kKeySignature = 2;  // AT_SIGNATURE

// The pseudo-containers a token lists beside its real ones; they hold no user certificate.
inline constexpr std::string_view kDefaultContainer = "*default*";
inline constexpr std::string_view kDefalutContainer = "*defalut*";

// A key pair of a container and the certificate issued for it.
struct KeyPair {
    uint32_t keySpec = 0;                   // kKeyExchange or kKeySignature
    std::vector<uint8_t> protectedKey;      // the PRIVATEKEYBLOB, protected for the current user
    std::vector<uint8_t> publicKey;         // the PUBLICKEYBLOB of the same key (not secret)
    std::vector<uint8_t> certificate;       // DER; may be empty
};

struct Container {
    std::string name;
    // The container's first key and the certificate UTGetCurCert hands out.
    uint32_t keySpec = 0;                   // kKeyExchange, kKeySignature, or 0: no key
    std::vector<uint8_t> protectedKey;      // the PRIVATEKEYBLOB, protected for the current user
    std::vector<uint8_t> publicKey;         // the PUBLICKEYBLOB of the same key (not secret)
    std::vector<uint8_t> certificate;       // DER; empty when the container holds none
    // A second key, of the other key spec, with its own certificate (token files of
    // version 2), so that one container can hold an exchange key and a signature key.
    std::optional<KeyPair> secondKey;

    bool hasKey() const { return keySpec != 0 && !protectedKey.empty(); }
    // The key the container holds under `spec` (its first or its second), if any.
    std::optional<KeyPair> keyOf(uint32_t spec) const;
};

// Token calls that can be made to fail with a chosen code, so tests reach every failure path
// of their callers. The numbers are stored in token files: never renumber.
enum class FaultPoint : uint32_t {
    EnumContainer = 1,           // UTEnumCtn
    GetCurrentCertificate = 2,   // UTGetCurCert
    GenerateRandom = 3,          // UTGenRandomNumber
    ProviderOpen = 10,           // provider context without a container
    ProviderEnumContainers = 11, // PP_ENUMCONTAINERS
    ProviderOpenContainer = 12,  // provider context on a named container
    ProviderGetUserKey = 13,     // CryptGetUserKey
    ProviderGetCertificate = 14, // CryptGetKeyParam KP_CERTIFICATE
    ProviderCreateHash = 15,     // CryptCreateHash
    ProviderHashData = 16,       // CryptHashData
    ProviderSignHash = 17,       // CryptSignHash making the signature
    ProviderSignHashLength = 18, // CryptSignHash asked for the signature's length only
};

struct Fault {
    FaultPoint point;
    uint32_t code;  // the call's result (UTSecDll) or its last error (provider)
};

struct TokenImage {
    std::vector<Container> containers;  // in listing order; UTEnumCtn's index 1 is the first
    std::vector<Fault> faults;

    // The code a call must fail with, if a fault is set for it.
    std::optional<uint32_t> faultCode(FaultPoint point) const;
    void setFault(FaultPoint point, uint32_t code);
    void clearFault(FaultPoint point);
};

// The fault point's name as the provisioning tool spells it ("UTEnumCtn", "CPSignHash", ...).
const char* FaultPointName(FaultPoint point);
std::optional<FaultPoint> FaultPointFromName(std::string_view name);
// Every fault point, in a stable order.
const std::vector<FaultPoint>& AllFaultPoints();

// Limits of the file form; larger values are refused when reading and writing.
inline constexpr size_t kMaxContainers = 64;
inline constexpr size_t kMaxNameLength = 1024;
inline constexpr size_t kMaxBlobSize = 64 * 1024;
inline constexpr size_t kMaxFaults = 64;

// The file form: "VEMOTOK1", then little-endian counts and length-prefixed fields. "VEMOTOK2"
// adds each container's second key after its certificate (a key spec, 0 for none,
// then the key's fields). Tokens are written in version 1 unless a container holds a second key,
// so that readers of version 1 keep reading them; both versions are read.
// SerialiseToken answers an empty vector for an image beyond the limits.
std::vector<uint8_t> SerialiseToken(const TokenImage& image);
std::optional<TokenImage> ParseToken(const uint8_t* data, size_t size);

}  // namespace vemo::token
