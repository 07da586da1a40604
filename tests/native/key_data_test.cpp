// The raw verification's key data: the certificate walk to the subject's RSA public key, the
// classification of key data by structure, and the key blob, on the test PKI and on made-up
// DER.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codec/rsa_public_key.h"
#include "verify/public_key_blob.h"
#include "verify/public_key_data.h"

namespace vemo::verify {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pki(const std::string& name) {
    std::ifstream file(std::string(VEMO_PKI_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file) << "missing fixture " << name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The walk over an exact-size heap copy, so that a read past the bytes is caught.
int Walk(const Bytes& der, Bytes& key) {
    auto copy = std::make_unique<uint8_t[]>(der.size());
    std::copy(der.begin(), der.end(), copy.get());
    codec::ByteReader found;
    const int result = GetUsrDERPubKey(copy.get(), der.size(), found);
    key.assign(found.data(), found.data() + found.remaining());
    return result;
}

TEST(CertificateWalk, FindsTheSubjectsKeyInEveryShapeOfCertificate) {
    // Version 3 with extensions, 1024 and 2048 bits, two-byte and 17-byte serial numbers, a
    // version 1 certificate (no version field), and one of 5063 bytes.
    for (const char* user : {"user1024", "user2048", "signer", "plain", "oversized", "inter-user"}) {
        Bytes key;
        EXPECT_EQ(Walk(Pki(std::string(user) + ".crt.der"), key), 0) << user;
        EXPECT_EQ(key, Pki(std::string(user) + ".pub.der")) << user;
    }
}

TEST(CertificateWalk, NeverLeavesTheBytesGiven) {
    const Bytes certificate = Pki("user2048.crt.der");
    Bytes key;
    for (size_t size = 0; size < certificate.size(); ++size) {
        const Bytes cut(certificate.begin(), certificate.begin() + size);
        // The key ends well before the signature: a copy that still holds it finds it.
        const int result = Walk(cut, key);
        if (result == 0) EXPECT_EQ(key, Pki("user2048.pub.der")) << size;
    }
    // Every byte of the TBS header changed in turn: no walk reads past the end.
    for (size_t at = 0; at < 64; ++at) {
        for (uint8_t value : {0x00, 0x30, 0x7F, 0x81, 0x82, 0x84, 0xFF}) {
            Bytes changed = certificate;
            changed[at] = value;
            Walk(changed, key);
        }
    }
}

TEST(CertificateWalk, RefusesWhatIsNotACertificate) {
    const Bytes certificate = Pki("user1024.crt.der");
    struct Case {
        const char* what;
        Bytes der;
    } cases[] = {
        {"nothing", {}},
        {"an RSAPublicKey", Pki("user1024.pub.der")},
        {"a revocation list", Pki("root-a.crl.der")},
        {"a SET first", [&] { Bytes b = certificate; b[0] = 0x31; return b; }()},
        {"no serial number", {0x30, 0x06, 0x30, 0x04, 0x05, 0x00, 0x05, 0x00}},
        {"a long-form length past the end", {0x30, 0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x30, 0x82}},
        {"a BIT STRING without key", {0x30, 0x18, 0x30, 0x16, 0x02, 0x01, 0x01, 0x30, 0x00, 0x30, 0x00, 0x30,
                                      0x00, 0x30, 0x00, 0x30, 0x07, 0x30, 0x00, 0x03, 0x03, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        Bytes key;
        EXPECT_EQ(Walk(c.der, key), -2) << c.what;
    }
}

TEST(KeyData, TellsKeysFromCertificatesByStructure) {
    const Bytes bareKey1024 = Pki("user1024.pub.der");
    const Bytes bareKey2048 = Pki("user2048.pub.der");  // 270 bytes: a key, not a certificate
    struct Case {
        const char* what;
        Bytes der;
        KeyDataKind kind;
    } cases[] = {
        {"a 1024-bit RSAPublicKey", bareKey1024, KeyDataKind::RsaPublicKey},
        {"a 2048-bit RSAPublicKey", bareKey2048, KeyDataKind::RsaPublicKey},
        {"a certificate", Pki("plain.crt.der"), KeyDataKind::Certificate},
        {"a key with a trailing byte: by size", [&] { Bytes b = bareKey2048; b.push_back(0); return b; }(),
         KeyDataKind::Certificate},
        {"a key with three INTEGERs, short: by size", {0x30, 0x09, 0x02, 0x01, 0x05, 0x02, 0x01, 0x03, 0x02, 0x01, 0x01},
         KeyDataKind::RsaPublicKey},
        {"140 bytes of nothing: by size", Bytes(140, 0x41), KeyDataKind::RsaPublicKey},
        {"141 bytes of nothing: by size", Bytes(141, 0x41), KeyDataKind::Certificate},
        {"a SEQUENCE in a SEQUENCE, short", {0x30, 0x02, 0x30, 0x00}, KeyDataKind::Certificate},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyKeyData(c.der.data(), c.der.size()), c.kind) << c.what;
}

// An RSAPublicKey record with a modulus of `modulusLength` bytes 0x80, 0x01, 0x02, ... and the
// exponent bytes given.
codec::RSA_PUBLIC_KEY Key(size_t modulusLength, const Bytes& exponent) {
    codec::RSA_PUBLIC_KEY key{};
    uint8_t* modulus = key.modulus + sizeof key.modulus - modulusLength;
    for (size_t i = 0; i < modulusLength; ++i) modulus[i] = static_cast<uint8_t>(i == 0 ? 0x80 : i);
    std::copy(exponent.begin(), exponent.end(), key.exponent + sizeof key.exponent - exponent.size());
    return key;
}

uint32_t LittleEndian32(const uint8_t* at) { return at[0] | at[1] << 8 | at[2] << 16 | uint32_t(at[3]) << 24; }

TEST(PublicKeyBlob, DeclaresTheKeysRealSizeAndExponent) {
    struct Case {
        size_t modulusLength;
        Bytes exponent;
        uint32_t bits;
        uint32_t exponentValue;
    } cases[] = {
        {128, {0x01, 0x00, 0x01}, 1024, 65537},  // as the blob always was for these keys
        {64, {0x03}, 512, 3},
        {256, {0x01, 0x00, 0x01}, 2048, 65537},
        {384, {0x11}, 3072, 17},
        {512, {0xFF, 0xFF, 0xFF, 0xFF}, 4096, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        uint8_t blob[kPublicKeyBlobMax];
        ASSERT_EQ(MakePubKeyBlob(Key(c.modulusLength, c.exponent), blob), 20 + c.modulusLength);
        EXPECT_EQ(Bytes(blob, blob + 8), (Bytes{0x06, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00}));
        EXPECT_EQ(Bytes(blob + 8, blob + 12), (Bytes{'R', 'S', 'A', '1'}));
        EXPECT_EQ(LittleEndian32(blob + 12), c.bits);
        EXPECT_EQ(LittleEndian32(blob + 16), c.exponentValue);
        // The modulus least significant byte first: its last byte first, its top byte last.
        EXPECT_EQ(blob[20], static_cast<uint8_t>(c.modulusLength - 1));
        EXPECT_EQ(blob[20 + c.modulusLength - 1], 0x80);
    }
}

TEST(PublicKeyBlob, RefusesKeysItCannotDeclare) {
    uint8_t blob[kPublicKeyBlobMax];
    EXPECT_EQ(MakePubKeyBlob(Key(0, {0x01, 0x00, 0x01}), blob), 0u);
    EXPECT_EQ(MakePubKeyBlob(Key(128, {0x01, 0x00, 0x00, 0x00, 0x01}), blob), 0u);
}

// DER of one element: the tag, the shortest length field, the contents.
Bytes Der(uint8_t tag, const Bytes& contents) {
    Bytes der = {tag};
    const size_t length = contents.size();
    if (length < 0x80) {
        der.push_back(static_cast<uint8_t>(length));
    } else {
        Bytes digits;
        for (size_t rest = length; rest != 0; rest >>= 8) digits.insert(digits.begin(), static_cast<uint8_t>(rest));
        der.push_back(static_cast<uint8_t>(0x80 | digits.size()));
        der.insert(der.end(), digits.begin(), digits.end());
    }
    der.insert(der.end(), contents.begin(), contents.end());
    return der;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An RSAPublicKey of the given INTEGER contents (sign bytes as given).
Bytes RsaKey(const Bytes& modulus, const Bytes& exponent) {
    return Der(0x30, Concat({Der(0x02, modulus), Der(0x02, exponent)}));
}

// A modulus of `bytes` significant bytes, top bit set, behind its sign byte.
Bytes Modulus(size_t bytes) {
    Bytes modulus(bytes + 1, 0x5A);
    modulus[0] = 0x00;
    modulus[1] = 0xC3;
    return modulus;
}

TEST(RsaPublicKeyNumbers, KeysOf1024To16384BitsWithExponentsOf32Bits) {
    const Bytes e65537 = {0x01, 0x00, 0x01};
    struct Case {
        const char* what;
        Bytes der;
        uint32_t bits;  // of the blob; 0: refused
        uint32_t exponent;
    } cases[] = {
        {"the test PKI's 1024-bit key", Pki("user1024.pub.der"), 1024, 65537},
        {"the test PKI's 2048-bit key", Pki("user2048.pub.der"), 2048, 65537},
        {"16384 bits", RsaKey(Modulus(2048), e65537), 16384, 65537},
        {"1024 bits, exponent 2^32 - 1", RsaKey(Modulus(128), {0x00, 0xFF, 0xFF, 0xFF, 0xFF}), 1024, 0xFFFFFFFF},
        {"16392 bits", RsaKey(Modulus(2049), e65537), 0, 0},
        {"1016 bits", RsaKey(Modulus(127), e65537), 0, 0},
        {"an exponent of 33 bits", RsaKey(Modulus(128), {0x01, 0x00, 0x00, 0x00, 0x01}), 0, 0},
        {"an exponent of 0", RsaKey(Modulus(128), {0x00}), 0, 0},
        {"a negative modulus", [&] { Bytes m = Modulus(128); m.erase(m.begin()); return RsaKey(m, e65537); }(), 0, 0},
        {"a third INTEGER", Der(0x30, Concat({Der(0x02, Modulus(128)), Der(0x02, e65537), Der(0x02, {1})})), 0, 0},
        {"a byte after the SEQUENCE", Concat({RsaKey(Modulus(128), e65537), {0x00}}), 0, 0},
        {"cut short", [&] { Bytes b = RsaKey(Modulus(128), e65537); b.pop_back(); return b; }(), 0, 0},
    };
    for (const Case& c : cases) {
        // An exact-size heap copy, so that a read past the bytes is caught.
        auto copy = std::make_unique<uint8_t[]>(c.der.size());
        std::copy(c.der.begin(), c.der.end(), copy.get());
        RsaPublicKeyNumbers key;
        const bool read = ReadRsaPublicKey(copy.get(), c.der.size(), key);
        ASSERT_EQ(read, c.bits != 0) << c.what;
        if (!read) continue;
        uint8_t made[kLargestPublicKeyBlob];
        const Bytes blob(made, made + MakePubKeyBlob(key, made));
        ASSERT_EQ(blob.size(), 20 + c.bits / 8) << c.what;
        EXPECT_EQ(LittleEndian32(blob.data() + 12), c.bits) << c.what;
        EXPECT_EQ(LittleEndian32(blob.data() + 16), c.exponent) << c.what;
        // The modulus least significant byte first: its top byte last.
        EXPECT_EQ(blob.back(), key.modulus.data()[0]) << c.what;
        EXPECT_EQ(blob[20], key.modulus.data()[key.modulus.remaining() - 1]) << c.what;
    }
}

}  // namespace
}  // namespace vemo::verify
