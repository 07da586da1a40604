// The token's key container, as the signers find it: the token's provider opened with the
// caller's flags, its containers listed up to the first real one, that container opened by its
// listed name followed by "#7391", its key (exchange first, else signature) and the
// certificate stored with that key. Or, given a serial number, the key of any container and
// either key spec whose certificate has it. Shared by the signing key choice (flags
// CRYPT_SILENT) and the PKCS#7 signer (0x60): both log a failed step alike, the PKCS#7 signer
// also traces it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frame/win_handles.h"

namespace vemo::sign {

// The step at which the search stopped.
enum class TokenStep {
    Ok,
    OpenProvider,   // no context without container: no provider, no token
    NoContainer,    // the listing ended, or kept failing, before a real container
    OpenContainer,  // the chosen container does not open
    NoUserKey,      // the container holds neither an exchange nor a signature key
    NoCertificate,  // no certificate is stored with the key
    NoSuchSerial,   // no certificate of the token's keys has the serial number asked for
};

// The listing's buffer: 256 bytes offered (a name and its terminator) and one more.
inline constexpr size_t kContainerNameCapacity = 256;
// The suffix the token's provider expects after a listed name.
inline constexpr char kContainerSuffix[] = "#7391";
// The longest listed name that takes the suffix in the buffer: 251 characters.
inline constexpr size_t kContainerNameMax = kContainerNameCapacity - (sizeof kContainerSuffix - 1);
// More names than any token lists: a listing that goes on past them is not ending.
inline constexpr int kContainerListingMax = 1024;
// The certificate buffer: 4096 bytes offered, and a terminating zero.
inline constexpr size_t kTokenCertificateCapacity = 4096;

struct TokenKey {
    win::ProviderContext context;  // on the container; declared first, so released last
    win::CryptKey key;
    uint32_t keySpec = 0;  // AT_KEYEXCHANGE or AT_SIGNATURE
    char container[kContainerNameCapacity + 1] = {};  // the listed name and the suffix
    uint8_t certificate[kTokenCertificateCapacity + 1] = {};
    uint32_t certificateLength = 0;
    uint32_t error = 0;  // the last error of the call that failed
};

// Runs the search with the provider flags `flags`; on Ok, `found` holds the open container, its
// key and certificate. Every handle opened on the way to a failure is released.
TokenStep OpenTokenKey(uint32_t flags, TokenKey& found);

// The key whose certificate's serial number, upper-case hex most significant byte first, is
// `serial` (compared in any letter case): every real container is opened in listing order and
// its exchange key, then its signature key, looked at. A container or key that does not open,
// or has no certificate that decodes, is passed over; none that matches is NoSuchSerial.
TokenStep OpenTokenKeyBySerial(uint32_t flags, const char* serial, TokenKey& found);

// The signers' result code for the step that stopped the search (0 for Ok), its failure
// written to the user log in the words both signers use.
int32_t TokenStepResult(TokenStep step);

}  // namespace vemo::sign
