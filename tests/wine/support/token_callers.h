// The library's calls into the token's provider, step by step and in the library's order: the
// raw signature (find the first real container, its key and certificate, hash with SHA-1,
// sign) and the PKCS#7 message (the same search, then CryptSignMessage through the key's
// location on the certificate). Tests drive the provider through these exactly as the library
// will, and see at which step and with which error a run stops.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame/win_handles.h"
#include "token/provider/provider_name.h"

namespace vemo::test {

enum class Step {
    Open,           // context without container
    Enumerate,      // PP_ENUMCONTAINERS failed with something other than ERROR_NO_MORE_ITEMS
    NoContainer,    // only pseudo-containers
    OpenContainer,  // "<name>#7391"
    UserKey,        // neither AT_KEYEXCHANGE nor AT_SIGNATURE
    Certificate,    // KP_CERTIFICATE
    CreateHash,
    HashData,
    SignLength,
    Sign,
    SignMessage,
    Done,
};
const char* StepName(Step step);

inline constexpr const auto& kTokenProvider = token::kTokenProviderName;

// The open container's key, as the search leaves it.
struct TokenKey {
    win::ProviderContext context;
    win::CryptKey key;
    std::string container;  // the name with the suffix
    DWORD keySpec = 0;
    std::vector<uint8_t> certificate;
};

struct Outcome {
    Step stoppedAt = Step::Done;
    DWORD error = 0;  // the last error of the failed call
    std::string container;
    DWORD keySpec = 0;
    std::vector<uint8_t> certificate;
    std::vector<uint8_t> output;  // the signature (least significant byte first) or the message
};

// Opens the provider without container with `openFlags`, enumerates with a 256-byte buffer,
// skips names beginning with "*default*" or "*defalut*", opens the first other with the
// suffix and `openFlags`, takes its key (exchange, else signature) and certificate.
Step FindTokenKey(DWORD openFlags, TokenKey& found, DWORD& error);

// The raw signature's calls (flags CRYPT_SILENT), over `data`, with SHA-1 or another digest.
Outcome RawSignThroughToken(const std::string& data, ALG_ID hashAlgorithm = CALG_SHA1);
// The PKCS#7 message's calls (flags 0x60, MD5 or the digest named, the text with its
// terminating zero as content).
Outcome SignMessageThroughToken(const std::string& text, const char* hashOid = szOID_RSA_MD5);

// Checks made with the system's own provider: a signature (least significant byte first) of
// SHA-1 over `data` by the certificate's key, which keeps evidence when it fails
// (KeepSignatureEvidence), or is expected to fail; a message's signature, and its content.
bool SignatureVerifies(const std::vector<uint8_t>& certificate, const std::string& data,
                       const std::vector<uint8_t>& signature, ALG_ID hashAlgorithm = CALG_SHA1);
bool SignatureRefused(const std::vector<uint8_t>& certificate, const std::string& data,
                      const std::vector<uint8_t>& signature, ALG_ID hashAlgorithm = CALG_SHA1);
bool MessageVerifies(const std::vector<uint8_t>& message, std::vector<uint8_t>& content);

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes);

// The error of one call: 0 when it succeeds, else its last error. A sentinel error is set
// first, so a call that fails without setting one shows as 0xDEADBEEF.
template <typename Call>
DWORD ErrorOf(Call&& call) {
    SetLastError(0xDEADBEEF);
    return call() ? ERROR_SUCCESS : GetLastError();
}

// CryptAcquireContextA on the token's provider.
DWORD OpenToken(win::ProviderContext& context, const char* container, DWORD flags);

}  // namespace vemo::test
