#include "codec/base64.h"

#include <array>
#include <cstring>

namespace vemo::codec {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPad = '=';

// Where a value of `width` bytes lies within a word in memory, `index` bytes from its start.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
template <typename Word>
constexpr Word placeAt(Word value, unsigned index, unsigned width) {
    return value << 8 * (kLittleEndian ? index : sizeof(Word) - width - index);
}
template <typename Word = uint32_t>
constexpr Word atByte(uint32_t value, unsigned index) {
    return placeAt<Word>(static_cast<Word>(value), index, 1);
}

// Two characters per 12 bits, in memory order.
constexpr std::array<uint16_t, 4096> makePairTable() {
    std::array<uint16_t, 4096> table{};
    for (uint32_t i = 0; i < table.size(); ++i)
        table[i] = atByte<uint16_t>(static_cast<uint8_t>(kAlphabet[i >> 6]), 0) |
                   atByte<uint16_t>(static_cast<uint8_t>(kAlphabet[i & 63]), 1);
    return table;
}
constexpr auto kPairs = makePairTable();

// The characters of the low 12 bits of `twelveBits` as the index-th pair of a word.
uint64_t pairAt(uint64_t twelveBits, unsigned index) {
    return placeAt<uint64_t>(kPairs[twelveBits & 0xFFF], 2 * index, 2);
}

// The four characters of the 24 bits `bits`.
void putGroup(char* out, uint32_t bits) {
    const uint32_t chars = static_cast<uint32_t>(pairAt(bits >> 12, 0) | pairAt(bits, 1));
    std::memcpy(out, &chars, sizeof chars);
}

// The eight characters of the six bytes at `in`, read as one eight-byte word (all eight must be
// readable): one load, four lookups and one store.
void putTwoGroups(char* out, const uint8_t* in) {
    uint64_t word = 0;
    std::memcpy(&word, in, sizeof word);
    if (kLittleEndian) word = __builtin_bswap64(word);  // the six bytes as bits 63 to 16
    const uint64_t chars = pairAt(word >> 52, 0) | pairAt(word >> 40, 1) | pairAt(word >> 28, 2) |
                           pairAt(word >> 16, 3);
    std::memcpy(out, &chars, sizeof chars);
}

// One table per position in a group. Each entry holds the character's six bits already at
// their place in the group's three bytes, laid out as those bytes lie in memory, or a mark in
// the fourth byte for anything outside the alphabet ("=" included). OR-ing the four lookups
// gives the group's bytes, ready for one store, and in the same word whether any character
// was refused.
constexpr uint32_t kRefused = atByte(1, 3);

template <typename Place>
constexpr std::array<uint32_t, 256> makeDecodeTable(Place place) {
    std::array<uint32_t, 256> table{};
    for (auto& entry : table) entry = kRefused;
    for (uint32_t value = 0; value < 64; ++value)
        table[static_cast<uint8_t>(kAlphabet[value])] = place(value);
    return table;
}
constexpr auto kDecode0 = makeDecodeTable([](uint32_t v) { return atByte(v << 2, 0); });
constexpr auto kDecode1 =
    makeDecodeTable([](uint32_t v) { return atByte(v >> 4, 0) | atByte((v & 0x0F) << 4, 1); });
constexpr auto kDecode2 =
    makeDecodeTable([](uint32_t v) { return atByte(v >> 2, 1) | atByte((v & 0x03) << 6, 2); });
constexpr auto kDecode3 = makeDecodeTable([](uint32_t v) { return atByte(v, 2); });

uint32_t groupBytes(const uint8_t* c) {
    return kDecode0[c[0]] | kDecode1[c[1]] | kDecode2[c[2]] | kDecode3[c[3]];
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
    uint32_t groupsLeft = fullGroups;
    for (; groupsLeft >= 2 && in + inLength - i >= 8; groupsLeft -= 2, i += 6, o += 8)
        putTwoGroups(o, i);
    for (; groupsLeft > 0; --groupsLeft, i += 3, o += 4)
        putGroup(o, uint32_t{i[0]} << 16 | uint32_t{i[1]} << 8 | i[2]);
    // The last group takes the one, two or three bytes left and pads to four characters.
    const uint32_t rest = inLength - 3 * fullGroups;
    const uint32_t bits =
        uint32_t{i[0]} << 16 | (rest > 1 ? uint32_t{i[1]} << 8 : 0) | (rest > 2 ? i[2] : 0);
    putGroup(o, bits);
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
        const uint32_t bytes = groupBytes(c);
        if (bytes & kRefused) return 1;
        // Four bytes stored, three kept: the fourth (zero) is the first byte of the next
        // group, which always follows, since the last group carries at least one byte.
        std::memcpy(o, &bytes, 4);
    }
    // The last group: its first two characters from the alphabet, its third and fourth from the
    // alphabet or "="; the pad characters count as zero bits.
    uint8_t padded[4] = {c[0], c[1], c[2], c[3]};
    if (padded[2] == kPad) padded[2] = 'A';
    if (padded[3] == kPad) padded[3] = 'A';
    const uint32_t bytes = groupBytes(padded);
    if (bytes & kRefused) return 1;
    std::memcpy(o, &bytes, lastBytes);
    *outLength = 3 * fullGroups + lastBytes;
    return 0;
}

}  // namespace vemo::codec
