#include "token/store/private_key_rebuild.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace vemo::token {
namespace {

// Memory that held a private number is wiped before it is given back.
template <typename T>
struct WipingAllocator {
    using value_type = T;
    WipingAllocator() = default;
    template <typename U>
    WipingAllocator(const WipingAllocator<U>&) {}
    T* allocate(size_t count) { return static_cast<T*>(::operator new(count * sizeof(T))); }
    void deallocate(T* memory, size_t count) {
        volatile T* wiped = memory;
        for (size_t i = 0; i < count; ++i) wiped[i] = 0;
        ::operator delete(memory);
    }
    template <typename U>
    bool operator==(const WipingAllocator<U>&) const { return true; }
    template <typename U>
    bool operator!=(const WipingAllocator<U>&) const { return false; }
};

// A non-negative number in 32-bit limbs, least significant first, without leading zero limbs.
// Only what the rebuild needs: the numbers are a few thousand bits, the exponent one word.
using Number = std::vector<uint32_t, WipingAllocator<uint32_t>>;

void Trim(Number& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

Number FromLittleEndian(const uint8_t* bytes, size_t size) {
    Number a((size + 3) / 4, 0);
    for (size_t i = 0; i < size; ++i) a[i / 4] |= uint32_t{bytes[i]} << (8 * (i % 4));
    Trim(a);
    return a;
}

// False when `a` does not fit `size` bytes.
bool ToLittleEndian(const Number& a, uint8_t* bytes, size_t size) {
    if (a.size() * 4 > size + 3) return false;
    for (size_t i = 0; i < size; ++i) {
        const uint32_t limb = i / 4 < a.size() ? a[i / 4] : 0;
        bytes[i] = static_cast<uint8_t>(limb >> (8 * (i % 4)));
    }
    for (size_t i = size; i < a.size() * 4; ++i) {
        if (static_cast<uint8_t>(a[i / 4] >> (8 * (i % 4))) != 0) return false;
    }
    return true;
}

int Compare(const Number& a, const Number& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

bool IsZero(const Number& a) { return a.empty(); }
bool IsOne(const Number& a) { return a.size() == 1 && a[0] == 1; }
bool IsEven(const Number& a) { return a.empty() || (a[0] & 1) == 0; }

Number Add(const Number& a, const Number& b) {
    Number sum(std::max(a.size(), b.size()) + 1, 0);
    uint64_t carry = 0;
    for (size_t i = 0; i < sum.size(); ++i) {
        carry += uint64_t{i < a.size() ? a[i] : 0} + (i < b.size() ? b[i] : 0);
        sum[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    Trim(sum);
    return sum;
}

// a - b, for a >= b.
Number Subtract(const Number& a, const Number& b) {
    Number difference(a.size(), 0);
    int64_t borrow = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int64_t value = int64_t{a[i]} - (i < b.size() ? b[i] : 0) - borrow;
        borrow = value < 0 ? 1 : 0;
        difference[i] = static_cast<uint32_t>(value + (borrow << 32));
    }
    Trim(difference);
    return difference;
}

Number Multiply(const Number& a, const Number& b) {
    Number product(a.size() + b.size(), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < b.size(); ++j) {
            carry += uint64_t{a[i]} * b[j] + product[i + j];
            product[i + j] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        product[i + b.size()] = static_cast<uint32_t>(carry);
    }
    Trim(product);
    return product;
}

Number MultiplyAdd(const Number& a, uint32_t factor, uint32_t addend) {
    Number result(a.size() + 1, 0);
    uint64_t carry = addend;
    for (size_t i = 0; i < a.size(); ++i) {
        carry += uint64_t{a[i]} * factor;
        result[i] = static_cast<uint32_t>(carry);
        carry >>= 32;
    }
    result[a.size()] = static_cast<uint32_t>(carry);
    Trim(result);
    return result;
}

// a / divisor, with the remainder in `remainder`.
Number Divide(const Number& a, uint32_t divisor, uint32_t& remainder) {
    Number quotient(a.size(), 0);
    uint64_t rest = 0;
    for (size_t i = a.size(); i-- > 0;) {
        rest = (rest << 32) | a[i];
        quotient[i] = static_cast<uint32_t>(rest / divisor);
        rest %= divisor;
    }
    remainder = static_cast<uint32_t>(rest);
    Trim(quotient);
    return quotient;
}

Number Half(const Number& a) {
    Number half(a.size(), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        half[i] = (a[i] >> 1) | (i + 1 < a.size() ? a[i + 1] << 31 : 0);
    }
    Trim(half);
    return half;
}

// x / 2 modulo the odd `m`, for x < m.
Number HalfModulo(const Number& x, const Number& m) { return Half(IsEven(x) ? x : Add(x, m)); }

// (a - b) modulo m, for a, b < m.
Number SubtractModulo(const Number& a, const Number& b, const Number& m) {
    return Compare(a, b) >= 0 ? Subtract(a, b) : Subtract(Add(a, m), b);
}

// The inverse of `a` modulo the odd `m` (0 < a < m), by the binary method; false when there is
// none.
bool InverseModOdd(const Number& a, const Number& m, Number& inverse) {
    Number u = a, v = m, x1{1}, x2;
    while (!IsOne(u) && !IsOne(v)) {
        if (IsZero(u) || IsZero(v)) return false;  // a common factor
        while (IsEven(u)) {
            u = Half(u);
            x1 = HalfModulo(x1, m);
        }
        while (IsEven(v)) {
            v = Half(v);
            x2 = HalfModulo(x2, m);
        }
        if (Compare(u, v) >= 0) {
            u = Subtract(u, v);
            x1 = SubtractModulo(x1, x2, m);
        } else {
            v = Subtract(v, u);
            x2 = SubtractModulo(x2, x1, m);
        }
    }
    inverse = IsOne(u) ? x1 : x2;
    return true;
}

// The inverse of the one-word `e` modulo `m`: d = (1 + k m) / e with k = -m^-1 modulo e, which
// needs only one-word arithmetic beside one multiplication and one division by e.
bool InverseOfWord(uint32_t e, const Number& m, Number& inverse) {
    uint32_t mModE = 0;
    Divide(m, e, mModE);
    // m^-1 modulo e by the extended Euclidean algorithm on words.
    int64_t r0 = e, r1 = mModE, s0 = 0, s1 = 1;
    while (r1 != 0) {
        const int64_t quotient = r0 / r1;
        r0 -= quotient * r1;
        std::swap(r0, r1);
        s0 -= quotient * s1;
        std::swap(s0, s1);
    }
    if (r0 != 1) return false;
    const int64_t mInverse = ((s0 % e) + e) % e;
    const uint32_t k = static_cast<uint32_t>((e - mInverse) % e);
    uint32_t remainder = 0;
    inverse = Divide(MultiplyAdd(m, k, 1), e, remainder);
    return remainder == 0 && !IsZero(inverse);
}

constexpr size_t kHeaderSize = 8;    // BLOBHEADER
constexpr size_t kRsaPubKeySize = 12;  // RSAPUBKEY
constexpr uint32_t kPrivateMagic = 0x32415352;  // "RSA2"

uint32_t ReadWord(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

}  // namespace

bool RebuildPrivateKeyNumbers(uint8_t* blob, size_t size) {
    if (blob == nullptr || size < kHeaderSize + kRsaPubKeySize) return false;
    const uint8_t* key = blob + kHeaderSize;
    const uint32_t bits = ReadWord(key + 4), e = ReadWord(key + 8);
    if (ReadWord(key) != kPrivateMagic || bits == 0 || bits % 16 != 0 || e < 3) return false;
    const size_t full = bits / 8, half = bits / 16;
    if (size != kHeaderSize + kRsaPubKeySize + 2 * full + 5 * half) return false;

    uint8_t* const nAt = blob + kHeaderSize + kRsaPubKeySize;
    uint8_t* const pAt = nAt + full;
    uint8_t* const qAt = pAt + half;
    uint8_t* const dpAt = qAt + half;  // then dq, q^-1 mod p and d, to the blob's end
    const Number n = FromLittleEndian(nAt, full), p = FromLittleEndian(pAt, half), q = FromLittleEndian(qAt, half);
    if (IsEven(p) || IsEven(q) || Compare(Multiply(p, q), n) != 0 || IsOne(p) || IsOne(q)) return false;

    const Number pLess = Subtract(p, Number{1}), qLess = Subtract(q, Number{1});
    Number dp, dq, d, qInverse;
    // q modulo p: q < 2p, since both fill half the modulus's bits.
    const Number qModP = Compare(q, p) >= 0 ? Subtract(q, p) : q;
    if (!InverseOfWord(e, pLess, dp) || !InverseOfWord(e, qLess, dq) || !InverseOfWord(e, Multiply(pLess, qLess), d) ||
        Compare(qModP, p) >= 0 || IsZero(qModP) || !InverseModOdd(qModP, p, qInverse)) {
        return false;
    }
    // dp, dq and q^-1 mod p in half the modulus's bytes each, then d: the rest of the blob.
    std::vector<uint8_t, WipingAllocator<uint8_t>> numbers(size - static_cast<size_t>(dpAt - blob));
    if (!ToLittleEndian(dp, numbers.data(), half) || !ToLittleEndian(dq, numbers.data() + half, half) ||
        !ToLittleEndian(qInverse, numbers.data() + 2 * half, half) ||
        !ToLittleEndian(d, numbers.data() + 3 * half, full)) {
        return false;
    }
    std::memcpy(dpAt, numbers.data(), numbers.size());
    return true;
}

}  // namespace vemo::token
