// The rebuild of a private key's numbers from n, e, p and q, checked against the numbers openssl
// wrote into the test PKI's keys: the keys whose numbers a PFX import garbles under Wine, and
// two ordinary users.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/byte_reader.h"
#include "token/store/private_key_rebuild.h"

namespace vemo::token {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FileBytes(const std::string& name) {
    std::ifstream in(std::string(VEMO_PKI_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The nine INTEGERs of a PKCS#1 RSAPrivateKey (version, n, e, d, p, q, dp, dq, qinv), big-endian
// without sign bytes.
std::vector<Bytes> KeyNumbers(const Bytes& der) {
    std::vector<Bytes> numbers;
    codec::ByteReader in(der.data(), der.size()), sequence;
    const auto element = [](codec::ByteReader& from, uint8_t tag, codec::ByteReader& contents) {
        uint8_t actual = 0, first = 0;
        uint32_t length = 0;
        if (!from.readU8(actual) || actual != tag || !from.readU8(first)) return false;
        length = first;
        if ((first & 0x80) != 0 && !from.readBigEndian(first & 0x7F, length)) return false;
        return from.readBytes(length, contents);
    };
    if (!element(in, 0x30, sequence)) return numbers;
    codec::ByteReader integer;
    while (element(sequence, 0x02, integer)) {
        Bytes value(integer.data(), integer.data() + integer.remaining());
        while (value.size() > 1 && value[0] == 0) value.erase(value.begin());
        numbers.push_back(value);
    }
    return numbers;
}

// `number` least significant byte first in `size` bytes, appended to `blob`.
void Append(Bytes& blob, const Bytes& number, size_t size) {
    Bytes field(size, 0);
    std::reverse_copy(number.begin(), number.end(), field.begin());
    blob.insert(blob.end(), field.begin(), field.end());
}

// The PRIVATEKEYBLOB of the key (numbers of KeyNumbers) for a modulus of `bits`.
Bytes PrivateKeyBlob(const std::vector<Bytes>& k, uint32_t bits) {
    Bytes blob = {0x07, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00, 'R', 'S', 'A', '2'};
    uint32_t e = 0;
    for (uint8_t byte : k[2]) e = e << 8 | byte;
    for (uint32_t word : {bits, e}) {
        for (int i = 0; i < 4; ++i) blob.push_back(static_cast<uint8_t>(word >> (8 * i)));
    }
    const size_t full = bits / 8, half = bits / 16;
    Append(blob, k[1], full);
    for (int number : {4, 5, 6, 7, 8}) Append(blob, k[number], half);
    Append(blob, k[3], full);
    return blob;
}

TEST(PrivateKeyRebuild, GivesTheNumbersOpensslWroteFromTheModulusExponentAndPrimes) {
    const size_t kAfterPrimes = 20 + 256 + 2 * 128;  // header, n, p, q of a 2048-bit key blob
    const struct {
        const char* key;
        bool sameD;  // the key's d is the inverse modulo (p-1)(q-1), as the rebuild makes it
    } rows[] = {
        {"pfx-import/short-exponent1.key.der", true},
        {"pfx-import/short-exponent2.key.der", true},
        {"pfx-import/short-coefficient.key.der", true},
        {"pfx-import/exponent-3.key.der", true},
        {"user2048.key.der", false},  // openssl's own d, modulo lcm(p-1, q-1)
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const std::vector<Bytes> numbers = KeyNumbers(FileBytes(row.key));
        ASSERT_EQ(numbers.size(), 9u);
        const Bytes expected = PrivateKeyBlob(numbers, 2048);
        // What a damaged import leaves: the numbers after the primes garbled.
        Bytes blob = expected;
        std::fill(blob.begin() + kAfterPrimes, blob.end(), uint8_t{0xA5});
        ASSERT_TRUE(RebuildPrivateKeyNumbers(blob.data(), blob.size()));
        const size_t compared = row.sameD ? blob.size() : blob.size() - 256;
        EXPECT_TRUE(std::equal(blob.begin(), blob.begin() + compared, expected.begin()));
    }
}

TEST(PrivateKeyRebuild, RefusesWhatItCannotTrust) {
    const Bytes good = PrivateKeyBlob(KeyNumbers(FileBytes("pfx-import/short-coefficient.key.der")), 2048);
    // A byte changed at: a prime (p q no longer n), the magic, the exponent (65537 made even); and
    // a blob a byte short.
    for (const size_t at : {size_t{20 + 256 + 5}, size_t{8}, size_t{16}, good.size()}) {
        SCOPED_TRACE(at);
        Bytes blob = good;
        if (at < blob.size()) {
            blob[at] ^= 0x01;
        } else {
            blob.pop_back();
        }
        const Bytes before = blob;
        EXPECT_FALSE(RebuildPrivateKeyNumbers(blob.data(), blob.size()));
        EXPECT_EQ(blob, before) << "left as it was";
    }
}

}  // namespace
}  // namespace vemo::token
