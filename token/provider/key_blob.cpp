#include "token/provider/key_blob.h"

#include <cstring>

namespace vemo::csp {
namespace {

constexpr DWORD kPublicMagic = 0x31415352;   // "RSA1"
constexpr DWORD kPrivateMagic = 0x32415352;  // "RSA2"

// The bytes after the headers: the modulus for a public key; for a private one also the two
// primes, their exponents and coefficient (each half the modulus) and the private exponent.
size_t NumbersSize(DWORD bits, BYTE type) {
    const size_t modulus = bits / 8;
    const size_t half = bits / 16;
    return type == PUBLICKEYBLOB ? modulus : 2 * modulus + 5 * half;
}

}  // namespace

std::optional<RsaBlobInfo> ReadRsaBlob(const uint8_t* data, size_t size, BYTE type) {
    BLOBHEADER header;
    RSAPUBKEY key;
    if (data == nullptr || size < sizeof header + sizeof key) return std::nullopt;
    std::memcpy(&header, data, sizeof header);
    std::memcpy(&key, data + sizeof header, sizeof key);
    if (header.bType != type || (header.aiKeyAlg != CALG_RSA_KEYX && header.aiKeyAlg != CALG_RSA_SIGN)) {
        return std::nullopt;
    }
    if (key.magic != (type == PUBLICKEYBLOB ? kPublicMagic : kPrivateMagic)) return std::nullopt;
    if (key.bitlen == 0 || key.bitlen % 8 != 0 || key.bitlen > 16384) return std::nullopt;
    if (size - sizeof header - sizeof key < NumbersSize(key.bitlen, type)) return std::nullopt;
    return RsaBlobInfo{header.aiKeyAlg, key.bitlen};
}

DWORD KeySpecOf(ALG_ID algorithm) { return algorithm == CALG_RSA_SIGN ? AT_SIGNATURE : AT_KEYEXCHANGE; }

}  // namespace vemo::csp
