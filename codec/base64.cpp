#include "codec/base64.h"

#include <array>
#include <cstring>

namespace vemo::codec {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';

// Two characters per 12 bits: a group of three bytes is two lookups and two 16-bit stores.
struct CharPair {
    char first;
    char second;
};
constexpr std::array<CharPair, 4096> makePairTable() {
    std::array<CharPair, 4096> table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
    return table;
}
constexpr auto kPairs = makePairTable();

// One table per position in a group: the character's six bits already shifted into place, or a
// mark above bit 23 for anything outside the alphabet ("=" included). OR-ing the four lookups
// gives the group's 24 bits and, in the same word, whether any character was refused.
constexpr uint32_t kRefused = 0x01000000;
constexpr std::array<uint32_t, 256> makeDecodeTable(unsigned shift) {
    std::array<uint32_t, 256> table{};
    for (auto& entry : table) entry = kRefused;
    for (uint32_t value = 0; value < 64; ++value)
        table[static_cast<uint8_t>(kAlphabet[value])] = value << shift;
    return table;
}
constexpr auto kDecode0 = makeDecodeTable(18);
constexpr auto kDecode1 = makeDecodeTable(12);
constexpr auto kDecode2 = makeDecodeTable(6);
constexpr auto kDecode3 = makeDecodeTable(0);

uint32_t groupBits(const uint8_t* c) {
    return kDecode0[c[0]] | kDecode1[c[1]] | kDecode2[c[2]] | kDecode3[c[3]];
}

void putPair(char* out, uint32_t twelveBits) {
    const CharPair pair = kPairs[twelveBits];
    std::memcpy(out, &pair, sizeof pair);
}

// Bytes carried by the last group: "=" as its third character decides one byte.
uint32_t lastGroupByteCount(const char* group) {
    if (group[2] == kPad) return 1;
    if (group[3] == kPad) return 2;
    return 3;
}

}  // namespace

int EncodeBase64Block(char* out, size_t outCapacity, uint32_t* outLength, const uint8_t* in,
                      uint32_t inLength) {
    if (out == nullptr || outLength == nullptr || (in == nullptr && inLength != 0)) return 1;
    if (Base64EncodedLength(inLength) > outCapacity) return 1;
    if (inLength == 0) {
        *outLength = 0;
        return 0;
    }
    const uint32_t fullGroups = (inLength - 1) / 3;
    char* o = out;
    const uint8_t* i = in;
    for (uint32_t g = 0; g < fullGroups; ++g, i += 3, o += 4) {
        const uint32_t bits = uint32_t{i[0]} << 16 | uint32_t{i[1]} << 8 | i[2];
        putPair(o, bits >> 12);
        putPair(o + 2, bits & 0xFFF);
    }
    // The last group takes the one, two or three bytes left and pads to four characters.
    const uint32_t rest = inLength - 3 * fullGroups;
    const uint32_t bits =
        uint32_t{i[0]} << 16 | (rest > 1 ? uint32_t{i[1]} << 8 : 0) | (rest > 2 ? i[2] : 0);
    putPair(o, bits >> 12);
    putPair(o + 2, bits & 0xFFF);
    if (rest < 3) o[3] = kPad;
    if (rest < 2) o[2] = kPad;
    *outLength = 4 * fullGroups + 4;
    return 0;
}

int R_DecodePEMBlock(uint8_t* out, size_t outCapacity, uint32_t* outLength, const char* in,
                     uint32_t inLength) {
    if (out == nullptr || outLength == nullptr || (in == nullptr && inLength != 0)) return 1;
    if (inLength % 4 != 0) return 1;
    if (inLength == 0) {
        *outLength = 0;
        return 0;
    }
    const uint32_t fullGroups = (inLength - 1) / 4;
    const char* last = in + 4 * fullGroups;
    const uint32_t lastBytes = lastGroupByteCount(last);
    if (size_t{3} * fullGroups + lastBytes > outCapacity) return 1;

    const auto* c = reinterpret_cast<const uint8_t*>(in);
    uint8_t* o = out;
    for (uint32_t g = 0; g < fullGroups; ++g, c += 4, o += 3) {
        const uint32_t bits = groupBits(c);
        if (bits & kRefused) return 1;
        o[0] = static_cast<uint8_t>(bits >> 16);
        o[1] = static_cast<uint8_t>(bits >> 8);
        o[2] = static_cast<uint8_t>(bits);
    }
    // The last group: its first two characters from the alphabet, its third and fourth from the
    // alphabet or "="; the pad characters count as zero bits.
    uint8_t padded[4] = {c[0], c[1], c[2], c[3]};
    if (padded[2] == kPad) padded[2] = 'A';
    if (padded[3] == kPad) padded[3] = 'A';
    const uint32_t bits = groupBits(padded);
    if (bits & kRefused) return 1;
    for (uint32_t b = 0; b < lastBytes; ++b) o[b] = static_cast<uint8_t>(bits >> (16 - 8 * b));
    *outLength = 3 * fullGroups + lastBytes;
    return 0;
}

}  // namespace vemo::codec
