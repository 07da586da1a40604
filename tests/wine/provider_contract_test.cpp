// What the token's provider answers through CryptoAPI: contexts and their parameters, the
// container listing and its buffers, the containers' keys and certificates, hash objects and
// signatures. Buffers carry canary bytes past the capacity the caller states.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/hex_text.h"
#include "support/test_token.h"
#include "support/token_callers.h"

namespace vemo::test {
namespace {

constexpr BYTE kCanary = 0xCC;
constexpr DWORD kNoToken = static_cast<DWORD>(SCARD_E_NO_SMARTCARD);

// A buffer of `capacity` bytes followed by canaries.
struct GuardedBuffer {
    explicit GuardedBuffer(DWORD capacity) : capacity(capacity), bytes(capacity + 16, kCanary) {}
    BYTE* data() { return bytes.data(); }
    bool canariesIntact() const {
        for (size_t i = capacity; i < bytes.size(); ++i) {
            if (bytes[i] != kCanary) return false;
        }
        return true;
    }
    bool untouched() const {
        for (BYTE b : bytes) {
            if (b != kCanary) return false;
        }
        return true;
    }
    DWORD capacity;
    std::vector<BYTE> bytes;
};

token::TokenImage TwoKeyToken() {
    return TokenOf({ContainerWithoutKey("*default*"), ContainerFor("LAB-USER-1", Identity(AT_KEYEXCHANGE, 1024)),
                    ContainerFor("LAB-USER-2", Identity(AT_SIGNATURE, 2048))});
}

DWORD ProviderParameter(HCRYPTPROV context, DWORD parameter, BYTE* data, DWORD* length, DWORD flags = 0) {
    return ErrorOf([&] { return CryptGetProvParam(context, parameter, data, length, flags); });
}

DWORD DwordParameter(HCRYPTPROV context, DWORD parameter) {
    DWORD value = 0;
    DWORD length = sizeof value;
    EXPECT_EQ(ProviderParameter(context, parameter, reinterpret_cast<BYTE*>(&value), &length), 0u) << parameter;
    EXPECT_EQ(length, sizeof value);
    return value;
}

std::string TextParameter(HCRYPTPROV context, DWORD parameter) {
    char text[512] = {};
    DWORD length = sizeof text;
    EXPECT_EQ(ProviderParameter(context, parameter, reinterpret_cast<BYTE*>(text), &length), 0u) << parameter;
    EXPECT_EQ(length, std::strlen(text) + 1);
    return text;
}

// Every name PP_ENUMCONTAINERS lists from CRYPT_FIRST on, and the error that ends the list.
std::vector<std::string> ListAll(HCRYPTPROV context, DWORD& end) {
    std::vector<std::string> names;
    for (DWORD flags = CRYPT_FIRST;; flags = 0) {
        char name[1200] = {};
        DWORD length = sizeof name;
        end = ProviderParameter(context, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, flags);
        if (end != 0) return names;
        EXPECT_EQ(length, std::strlen(name) + 1);
        names.push_back(name);
    }
}

TEST(Contexts, WithoutContainerOpenWhileATokenIsPresent) {
    for (DWORD flags : {DWORD{CRYPT_SILENT}, DWORD{CRYPT_SILENT | CRYPT_MACHINE_KEYSET}, DWORD{CRYPT_VERIFYCONTEXT},
                        DWORD{0}}) {
        win::ProviderContext context;
        {
            PluggedToken token(TokenOf({}));
            EXPECT_EQ(OpenToken(context, nullptr, flags), 0u) << flags;
        }
        EXPECT_EQ(OpenToken(context, nullptr, flags), kNoToken) << flags;
        EXPECT_EQ(OpenToken(context, "", flags), kNoToken) << flags;
    }
}

TEST(Contexts, ContainerOpensByItsListedNameWithOrWithoutTheSuffix) {
    PluggedToken token(TwoKeyToken());
    for (const char* name : {"LAB-USER-1#7391", "LAB-USER-1"}) {
        for (DWORD flags : {DWORD{0}, DWORD{CRYPT_SILENT}, DWORD{CRYPT_SILENT | CRYPT_MACHINE_KEYSET}}) {
            win::ProviderContext context;
            ASSERT_EQ(OpenToken(context, name, flags), 0u) << name << " " << flags;
            EXPECT_EQ(TextParameter(context.get(), PP_CONTAINER), name);
            EXPECT_EQ(TextParameter(context.get(), PP_UNIQUE_CONTAINER), "LAB-USER-1");
        }
    }
}

TEST(Contexts, NamesOfNoContainerAreRefused) {
    PluggedToken token(TwoKeyToken());
    for (const char* name : {"LAB-USER-9#7391", "LAB-USER#7391", "LAB-USER-1#7391#7391", "lab-user-1#7391",
                             "LAB-USER-1#739", "#7391", "LAB-USER-1 #7391"}) {
        win::ProviderContext context;
        EXPECT_EQ(OpenToken(context, name, 0), static_cast<DWORD>(NTE_BAD_KEYSET)) << name;
    }
}

TEST(Contexts, ANameThatEndsInTheSuffixItselfIsOpenedAsListed) {
    const TestIdentity& exchange = Identity(AT_KEYEXCHANGE, 1024);
    PluggedToken token(TokenOf({ContainerFor("A", Identity(AT_SIGNATURE, 1024)), ContainerFor("A#7391", exchange)}));
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, "A#7391", 0), 0u);
    EXPECT_EQ(TextParameter(context.get(), PP_UNIQUE_CONTAINER), "A#7391");
}

TEST(Contexts, KeysetsAreNeitherMadeNorRemovedThroughCryptoApi) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    EXPECT_EQ(OpenToken(context, "NEW", CRYPT_NEWKEYSET), static_cast<DWORD>(NTE_PERM));
    EXPECT_EQ(OpenToken(context, "LAB-USER-1#7391", CRYPT_DELETEKEYSET), static_cast<DWORD>(NTE_PERM));
    EXPECT_EQ(OpenToken(context, "LAB-USER-1#7391", 0), 0u) << "the container is still there";
    EXPECT_EQ(OpenToken(context, "LAB-USER-1#7391", CRYPT_VERIFYCONTEXT), static_cast<DWORD>(NTE_BAD_FLAGS));
    EXPECT_EQ(OpenToken(context, nullptr, 0x1000), static_cast<DWORD>(NTE_BAD_FLAGS));
}

TEST(Contexts, ProviderParameters) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    EXPECT_EQ(TextParameter(context.get(), PP_NAME), kTokenProvider);
    EXPECT_EQ(DwordParameter(context.get(), PP_PROVTYPE), DWORD{PROV_RSA_FULL});
    EXPECT_EQ(DwordParameter(context.get(), PP_IMPTYPE), DWORD{CRYPT_IMPL_SOFTWARE | CRYPT_IMPL_REMOVABLE});
    EXPECT_EQ(DwordParameter(context.get(), PP_VERSION), 0x200u);
    EXPECT_EQ(DwordParameter(context.get(), PP_KEYSPEC), DWORD{AT_KEYEXCHANGE | AT_SIGNATURE});

    DWORD length = 0;
    EXPECT_EQ(ProviderParameter(context.get(), PP_CONTAINER, nullptr, &length), static_cast<DWORD>(NTE_BAD_KEYSET));
    EXPECT_EQ(ProviderParameter(context.get(), PP_SIG_KEYSIZE_INC, nullptr, &length), static_cast<DWORD>(NTE_BAD_TYPE));
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMALGS, nullptr, &length, CRYPT_FIRST), 0u);
    EXPECT_EQ(length, sizeof(PROV_ENUMALGS));
    EXPECT_EQ(ProviderParameter(context.get(), PP_NAME, nullptr, &length, CRYPT_FIRST), static_cast<DWORD>(NTE_BAD_FLAGS));

    // The name: asked for its size, then offered one byte too few.
    length = 0;
    ASSERT_EQ(ProviderParameter(context.get(), PP_NAME, nullptr, &length), 0u);
    EXPECT_EQ(length, sizeof kTokenProvider);
    GuardedBuffer buffer(sizeof kTokenProvider - 1);
    length = buffer.capacity;
    EXPECT_EQ(ProviderParameter(context.get(), PP_NAME, buffer.data(), &length), DWORD{ERROR_MORE_DATA});
    EXPECT_EQ(length, sizeof kTokenProvider);
    EXPECT_TRUE(buffer.untouched());
}

TEST(ContainerListing, StoreOrderWithThePseudoNamesThenNoMoreItems) {
    PluggedToken token(TokenOf({ContainerWithoutKey("*default*"), ContainerFor("B", Identity(AT_SIGNATURE, 1024)),
                                ContainerWithoutKey("*defalut*"), ContainerFor("A", Identity(AT_KEYEXCHANGE, 1024))}));
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    const std::vector<std::string> expected{"*default*", "B", "*defalut*", "A"};
    DWORD end = 0;
    EXPECT_EQ(ListAll(context.get(), end), expected);
    EXPECT_EQ(end, DWORD{ERROR_NO_MORE_ITEMS});
    char name[256];
    DWORD length = sizeof name;
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, 0),
              DWORD{ERROR_NO_MORE_ITEMS})
        << "the end stays the end";
    EXPECT_EQ(ListAll(context.get(), end), expected) << "CRYPT_FIRST starts again";
}

TEST(ContainerListing, EmptyTokenEndsAtOnce) {
    PluggedToken token(TokenOf({}));
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    DWORD end = 0;
    EXPECT_TRUE(ListAll(context.get(), end).empty());
    EXPECT_EQ(end, DWORD{ERROR_NO_MORE_ITEMS});
}

TEST(ContainerListing, WithoutCryptFirstStartsAtTheBeginning) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    char name[256] = {};
    DWORD length = sizeof name;
    ASSERT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, 0), 0u);
    EXPECT_STREQ(name, "*default*");
}

TEST(ContainerListing, SizeQueriesAndShortBuffersKeepTheName) {
    const std::string longName(300, 'L');
    PluggedToken token(TokenOf({ContainerWithoutKey("first"), ContainerFor(longName, Identity(AT_SIGNATURE, 1024)),
                                ContainerWithoutKey("last")}));
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);

    DWORD length = 0;
    ASSERT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, nullptr, &length, CRYPT_FIRST), 0u);
    EXPECT_EQ(length, 6u) << "the first name's size, terminator included";
    GuardedBuffer first(256);
    length = first.capacity;
    ASSERT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, first.data(), &length, 0), 0u);
    EXPECT_STREQ(reinterpret_cast<char*>(first.data()), "first") << "the size query did not move on";

    // The library's 256-byte buffer and the 300-character name.
    GuardedBuffer buffer(256);
    length = buffer.capacity;
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, buffer.data(), &length, 0), DWORD{ERROR_MORE_DATA});
    EXPECT_EQ(length, 301u);
    EXPECT_TRUE(buffer.untouched()) << "nothing written, not even within the capacity";
    length = 0;
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, nullptr, &length, 0), 0u);
    EXPECT_EQ(length, 301u);

    GuardedBuffer exact(301);
    length = exact.capacity;
    ASSERT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, exact.data(), &length, 0), 0u);
    EXPECT_EQ(reinterpret_cast<char*>(exact.data()), longName);
    EXPECT_TRUE(exact.canariesIntact());
    char last[256] = {};
    length = sizeof last;
    ASSERT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(last), &length, 0), 0u);
    EXPECT_STREQ(last, "last");
}

TEST(ContainerListing, NamesAtTheEdgeOfTheLibrarysBuffer) {
    const std::string fits(255, 'F');
    const std::string tooLong(256, 'T');
    PluggedToken token(TokenOf({ContainerWithoutKey(fits), ContainerWithoutKey(tooLong)}));
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    GuardedBuffer buffer(256);
    DWORD length = buffer.capacity;
    ASSERT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, buffer.data(), &length, CRYPT_FIRST), 0u);
    EXPECT_EQ(length, 256u);
    EXPECT_EQ(reinterpret_cast<char*>(buffer.data()), fits);
    EXPECT_TRUE(buffer.canariesIntact());
    GuardedBuffer second(256);
    length = second.capacity;
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, second.data(), &length, 0), DWORD{ERROR_MORE_DATA});
    EXPECT_EQ(length, 257u);
    EXPECT_TRUE(second.untouched());
}

TEST(ContainerListing, CryptFirstReadsTheTokenAfresh) {
    PluggedToken token(TokenOf({ContainerWithoutKey("old")}));
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    DWORD end = 0;
    EXPECT_EQ(ListAll(context.get(), end), std::vector<std::string>{"old"});
    token.replace(TokenOf({ContainerWithoutKey("new"), ContainerWithoutKey("newer")}));
    EXPECT_EQ(ListAll(context.get(), end), (std::vector<std::string>{"new", "newer"}));
}

TEST(ContainerListing, UnknownFlagsAndMissingLengthAreRefused) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    DWORD length = 256;
    char name[256];
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &length, 0x4),
              static_cast<DWORD>(NTE_BAD_FLAGS));
    EXPECT_EQ(ProviderParameter(context.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), nullptr, CRYPT_FIRST),
              DWORD{ERROR_INVALID_PARAMETER});
}

// The key of `spec` in the container `name` of the plugged token.
DWORD GetKey(win::ProviderContext& context, win::CryptKey& key, const char* name, DWORD spec) {
    const DWORD opened = OpenToken(context, name, 0);
    if (opened != 0) return opened;
    return ErrorOf([&] { return CryptGetUserKey(context.get(), spec, key.put()); });
}

DWORD KeyParameter(HCRYPTKEY key, DWORD parameter, BYTE* data, DWORD* length) {
    return ErrorOf([&] { return CryptGetKeyParam(key, parameter, data, length, 0); });
}

DWORD DwordKeyParameter(HCRYPTKEY key, DWORD parameter) {
    DWORD value = 0;
    DWORD length = sizeof value;
    EXPECT_EQ(KeyParameter(key, parameter, reinterpret_cast<BYTE*>(&value), &length), 0u) << parameter;
    return value;
}

TEST(UserKeys, OnlyTheProvisionedKeySpec) {
    PluggedToken token(TwoKeyToken());
    const struct {
        const char* container;
        DWORD has;
        DWORD lacks;
    } cases[] = {{"LAB-USER-1#7391", AT_KEYEXCHANGE, AT_SIGNATURE}, {"LAB-USER-2#7391", AT_SIGNATURE, AT_KEYEXCHANGE}};
    for (const auto& c : cases) {
        win::ProviderContext context;
        win::CryptKey key;
        EXPECT_EQ(GetKey(context, key, c.container, c.has), 0u) << c.container;
        EXPECT_EQ(GetKey(context, key, c.container, c.lacks), static_cast<DWORD>(NTE_NO_KEY)) << c.container;
        for (DWORD other : {DWORD{0}, DWORD{3}, DWORD{CALG_RSA_SIGN}}) {
            EXPECT_EQ(GetKey(context, key, c.container, other), static_cast<DWORD>(NTE_NO_KEY)) << other;
        }
    }
    win::ProviderContext context;
    win::CryptKey key;
    EXPECT_EQ(GetKey(context, key, "*default*#7391", AT_KEYEXCHANGE), static_cast<DWORD>(NTE_NO_KEY));
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_VERIFYCONTEXT), 0u);
    EXPECT_EQ(ErrorOf([&] { return CryptGetUserKey(context.get(), AT_SIGNATURE, key.put()); }),
              static_cast<DWORD>(NTE_NO_KEY))
        << "a context without container holds no key";
}

TEST(UserKeys, AContainerWithBothKeySpecs) {
    // The exchange key first, a signature key of its own with its own certificate second.
    token::Container both = ContainerFor("LAB-BOTH", Identity(AT_KEYEXCHANGE, 1024));
    const token::Container& signing = Identity(AT_SIGNATURE, 2048).container;
    both.secondKey = token::KeyPair{token::kKeySignature, signing.protectedKey, signing.publicKey, signing.certificate};
    PluggedToken token(TokenOf({both}));
    for (DWORD spec : {DWORD{AT_KEYEXCHANGE}, DWORD{AT_SIGNATURE}}) {
        SCOPED_TRACE(spec);
        const TestIdentity& identity = Identity(spec, spec == AT_KEYEXCHANGE ? 1024 : 2048);
        win::ProviderContext context;
        win::CryptKey key;
        ASSERT_EQ(GetKey(context, key, "LAB-BOTH#7391", spec), 0u);
        EXPECT_EQ(DwordKeyParameter(key.get(), KP_KEYLEN), identity.bits);
        std::vector<uint8_t> certificate(4096);
        DWORD length = 4096;
        ASSERT_EQ(KeyParameter(key.get(), KP_CERTIFICATE, certificate.data(), &length), 0u);
        certificate.resize(length);
        EXPECT_EQ(certificate, identity.certificate);

        win::CryptHash hash;
        ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, hash.put()));
        ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("both"), 4, 0));
        std::vector<uint8_t> signature(256);
        length = 256;
        ASSERT_TRUE(CryptSignHashA(hash.get(), spec, nullptr, 0, signature.data(), &length));
        signature.resize(length);
        EXPECT_TRUE(SignatureVerifies(identity.certificate, "both", signature));
    }
}

TEST(UserKeys, Parameters) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext exchangeContext, signatureContext;
    win::CryptKey exchange, signature;
    ASSERT_EQ(GetKey(exchangeContext, exchange, "LAB-USER-1#7391", AT_KEYEXCHANGE), 0u);
    ASSERT_EQ(GetKey(signatureContext, signature, "LAB-USER-2#7391", AT_SIGNATURE), 0u);
    EXPECT_EQ(DwordKeyParameter(exchange.get(), KP_ALGID), DWORD{CALG_RSA_KEYX});
    EXPECT_EQ(DwordKeyParameter(signature.get(), KP_ALGID), DWORD{CALG_RSA_SIGN});
    EXPECT_EQ(DwordKeyParameter(exchange.get(), KP_KEYLEN), 1024u);
    EXPECT_EQ(DwordKeyParameter(signature.get(), KP_KEYLEN), 2048u);
    EXPECT_EQ(DwordKeyParameter(signature.get(), KP_BLOCKLEN), 2048u);
    DWORD length = 16;
    BYTE data[16];
    EXPECT_EQ(KeyParameter(exchange.get(), KP_IV, data, &length), static_cast<DWORD>(NTE_BAD_TYPE));
    EXPECT_EQ(ErrorOf([&] { return CryptSetKeyParam(exchange.get(), KP_CERTIFICATE, data, 0); }),
              static_cast<DWORD>(NTE_PERM));
}

TEST(UserKeys, CertificateBuffers) {
    PluggedToken token(TwoKeyToken());
    const std::vector<uint8_t>& expected = Identity(AT_SIGNATURE, 2048).certificate;
    const DWORD size = static_cast<DWORD>(expected.size());
    win::ProviderContext context;
    win::CryptKey key;
    ASSERT_EQ(GetKey(context, key, "LAB-USER-2#7391", AT_SIGNATURE), 0u);

    DWORD length = 0;
    ASSERT_EQ(KeyParameter(key.get(), KP_CERTIFICATE, nullptr, &length), 0u);
    EXPECT_EQ(length, size);
    GuardedBuffer small(size - 1);
    length = small.capacity;
    EXPECT_EQ(KeyParameter(key.get(), KP_CERTIFICATE, small.data(), &length), DWORD{ERROR_MORE_DATA});
    EXPECT_EQ(length, size);
    EXPECT_TRUE(small.untouched());
    for (DWORD capacity : {size, DWORD{4096}}) {
        GuardedBuffer buffer(capacity);
        length = buffer.capacity;
        ASSERT_EQ(KeyParameter(key.get(), KP_CERTIFICATE, buffer.data(), &length), 0u);
        EXPECT_EQ(std::vector<uint8_t>(buffer.data(), buffer.data() + length), expected);
        EXPECT_TRUE(buffer.canariesIntact());
    }
}

TEST(UserKeys, OnlyThePublicHalfIsExported) {
    PluggedToken token(TwoKeyToken());
    const TestIdentity& identity = Identity(AT_KEYEXCHANGE, 1024);
    win::ProviderContext context;
    win::CryptKey key;
    ASSERT_EQ(GetKey(context, key, "LAB-USER-1#7391", AT_KEYEXCHANGE), 0u);

    DWORD length = 0;
    ASSERT_EQ(ErrorOf([&] { return CryptExportKey(key.get(), 0, PUBLICKEYBLOB, 0, nullptr, &length); }), 0u);
    std::vector<uint8_t> exported(length);
    ASSERT_EQ(ErrorOf([&] { return CryptExportKey(key.get(), 0, PUBLICKEYBLOB, 0, exported.data(), &length); }), 0u);
    EXPECT_EQ(exported, identity.container.publicKey);

    // The same key as the certificate's, as the system reads it from there.
    win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING, identity.certificate.data(), static_cast<DWORD>(identity.certificate.size())));
    win::ProviderContext system;
    win::CryptKey fromCertificate;
    ASSERT_TRUE(CryptAcquireContextA(system.put(), nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
    ASSERT_TRUE(CryptImportPublicKeyInfo(system.get(), X509_ASN_ENCODING,
                                         &certificate.get()->pCertInfo->SubjectPublicKeyInfo, fromCertificate.put()));
    std::vector<uint8_t> expected(length);
    ASSERT_TRUE(CryptExportKey(fromCertificate.get(), 0, PUBLICKEYBLOB, 0, expected.data(), &length));
    const size_t headers = sizeof(BLOBHEADER);
    EXPECT_EQ(std::vector<uint8_t>(exported.begin() + headers, exported.end()),
              std::vector<uint8_t>(expected.begin() + headers, expected.begin() + length));

    BYTE blob[4096];
    for (DWORD type : {DWORD{PRIVATEKEYBLOB}, DWORD{PLAINTEXTKEYBLOB}}) {
        length = sizeof blob;
        EXPECT_EQ(ErrorOf([&] { return CryptExportKey(key.get(), 0, type, 0, blob, &length); }),
                  static_cast<DWORD>(NTE_BAD_KEY_STATE))
            << type;
        length = 0;
        EXPECT_EQ(ErrorOf([&] { return CryptExportKey(key.get(), 0, type, 0, nullptr, &length); }),
                  static_cast<DWORD>(NTE_BAD_KEY_STATE))
            << "not even its size, " << type;
    }
    length = sizeof blob;
    EXPECT_EQ(ErrorOf([&] { return CryptExportKey(key.get(), 0, SIMPLEBLOB, 0, blob, &length); }),
              static_cast<DWORD>(NTE_BAD_TYPE));
}

// A hash object of the token's provider over `parts`.
void HashParts(HCRYPTPROV context, ALG_ID algorithm, const std::vector<const char*>& parts, win::CryptHash& hash) {
    ASSERT_TRUE(CryptCreateHash(context, algorithm, 0, 0, hash.put())) << std::hex << GetLastError();
    for (const char* part : parts) {
        ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(part), static_cast<DWORD>(std::strlen(part)), 0));
    }
}

std::string HashValue(HCRYPTHASH hash) {
    BYTE value[64];
    DWORD length = sizeof value;
    EXPECT_TRUE(CryptGetHashParam(hash, HP_HASHVAL, value, &length, 0));
    return Hex(value, length);
}

TEST(HashObjects, Sha1Sha2AndMd5) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_VERIFYCONTEXT), 0u);
    const struct {
        ALG_ID algorithm;
        std::vector<const char*> parts;
        const char* digest;
    } cases[] = {
        {CALG_SHA1, {"a", "", "bc"}, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {CALG_MD5, {"ab", "c"}, "900150983cd24fb0d6963f7d28e17f72"},
        {CALG_SHA1, {}, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {CALG_SHA_256, {"a", "bc"}, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {CALG_SHA_384, {"abc"}, "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca1"
                                "34c825a7"},
        {CALG_SHA_512, {"ab", "c"}, "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c"
                                    "23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    for (const auto& c : cases) {
        win::CryptHash hash;
        HashParts(context.get(), c.algorithm, c.parts, hash);
        EXPECT_EQ(HashValue(hash.get()), c.digest) << c.algorithm;
    }
}

TEST(Contexts, AlgorithmsListed) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_VERIFYCONTEXT), 0u);
    for (const DWORD parameter : {DWORD{PP_ENUMALGS}, DWORD{PP_ENUMALGS_EX}}) {
        std::vector<ALG_ID> listed;
        std::vector<std::string> names;
        for (DWORD flags = CRYPT_FIRST;; flags = 0) {
            PROV_ENUMALGS_EX entry{};  // the larger of the two records
            DWORD length = parameter == PP_ENUMALGS ? sizeof(PROV_ENUMALGS) : sizeof entry;
            const DWORD error = ErrorOf([&] {
                return CryptGetProvParam(context.get(), parameter, reinterpret_cast<BYTE*>(&entry), &length, flags);
            });
            if (error == ERROR_NO_MORE_ITEMS) break;
            ASSERT_EQ(error, 0u);
            listed.push_back(entry.aiAlgid);
            names.push_back(parameter == PP_ENUMALGS ? reinterpret_cast<PROV_ENUMALGS&>(entry).szName : entry.szName);
        }
        EXPECT_EQ(listed, (std::vector<ALG_ID>{CALG_RSA_SIGN, CALG_RSA_KEYX, CALG_SHA1, CALG_SHA_256, CALG_SHA_384,
                                               CALG_SHA_512, CALG_MD5}));
        EXPECT_EQ(names[3], "SHA-256");
    }
}

TEST(HashObjects, Parameters) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, nullptr, CRYPT_SILENT), 0u);
    for (ALG_ID algorithm : {ALG_ID{CALG_SHA1}, ALG_ID{CALG_MD5}}) {
        const DWORD size = algorithm == CALG_SHA1 ? 20 : 16;
        win::CryptHash hash;
        HashParts(context.get(), algorithm, {"ab"}, hash);
        DWORD value = 0, length = sizeof value;
        ASSERT_TRUE(CryptGetHashParam(hash.get(), HP_ALGID, reinterpret_cast<BYTE*>(&value), &length, 0));
        EXPECT_EQ(value, algorithm);
        length = sizeof value;
        ASSERT_TRUE(CryptGetHashParam(hash.get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&value), &length, 0));
        EXPECT_EQ(value, size);

        // Neither a size query nor a short buffer finishes the hash.
        length = 0;
        ASSERT_EQ(ErrorOf([&] { return CryptGetHashParam(hash.get(), HP_HASHVAL, nullptr, &length, 0); }), 0u);
        EXPECT_EQ(length, size);
        GuardedBuffer small(size - 1);
        length = small.capacity;
        EXPECT_EQ(ErrorOf([&] { return CryptGetHashParam(hash.get(), HP_HASHVAL, small.data(), &length, 0); }),
                  DWORD{ERROR_MORE_DATA});
        EXPECT_EQ(length, size);
        EXPECT_TRUE(small.untouched());
        ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("c"), 1, 0));
        EXPECT_EQ(HashValue(hash.get()), algorithm == CALG_SHA1 ? "a9993e364706816aba3e25717850c26c9cd0d89d"
                                                                : "900150983cd24fb0d6963f7d28e17f72");
        length = sizeof value;
        EXPECT_EQ(ErrorOf([&] { return CryptGetHashParam(hash.get(), HP_HMAC_INFO, reinterpret_cast<BYTE*>(&value), &length, 0); }),
                  static_cast<DWORD>(NTE_BAD_TYPE));
    }
}

TEST(HashObjects, OnlyItsDigestsWithoutKey) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    win::CryptKey key;
    ASSERT_EQ(GetKey(context, key, "LAB-USER-1#7391", AT_KEYEXCHANGE), 0u);
    win::CryptHash hash;
    for (ALG_ID algorithm : {ALG_ID{CALG_MD2}, ALG_ID{CALG_HMAC}, ALG_ID{CALG_SSL3_SHAMD5}, ALG_ID{0}}) {
        EXPECT_EQ(ErrorOf([&] { return CryptCreateHash(context.get(), algorithm, 0, 0, hash.put()); }),
                  static_cast<DWORD>(NTE_BAD_ALGID))
            << algorithm;
    }
    EXPECT_EQ(ErrorOf([&] { return CryptCreateHash(context.get(), CALG_SHA1, key.get(), 0, hash.put()); }),
              static_cast<DWORD>(NTE_BAD_KEY));
}

// Signs `hash` with the container's key of `spec` and answers the signature.
std::vector<uint8_t> Sign(HCRYPTHASH hash, DWORD spec, DWORD flags = 0) {
    DWORD length = 0;
    EXPECT_TRUE(CryptSignHashA(hash, spec, nullptr, flags, nullptr, &length)) << std::hex << GetLastError();
    std::vector<uint8_t> signature(length);
    EXPECT_TRUE(CryptSignHashA(hash, spec, nullptr, flags, signature.data(), &length)) << std::hex << GetLastError();
    signature.resize(length);
    return signature;
}

TEST(Signing, LengthQueryAndBuffers) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, "LAB-USER-2#7391", 0), 0u);
    win::CryptHash hash;
    HashParts(context.get(), CALG_SHA1, {"data"}, hash);
    DWORD length = 0;
    ASSERT_EQ(ErrorOf([&] { return CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, nullptr, &length); }), 0u);
    EXPECT_EQ(length, 256u);
    GuardedBuffer small(255);
    length = small.capacity;
    EXPECT_EQ(ErrorOf([&] { return CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, small.data(), &length); }),
              DWORD{ERROR_MORE_DATA});
    EXPECT_EQ(length, 256u);
    EXPECT_TRUE(small.untouched());
    GuardedBuffer exact(256);
    length = exact.capacity;
    ASSERT_EQ(ErrorOf([&] { return CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, exact.data(), &length); }), 0u);
    EXPECT_EQ(length, 256u);
    EXPECT_TRUE(exact.canariesIntact());
    EXPECT_TRUE(SignatureVerifies(Identity(AT_SIGNATURE, 2048).certificate, "data",
                                  std::vector<uint8_t>(exact.data(), exact.data() + length)));
}

TEST(Signing, Md5AndHashValuesSetFromOutside) {
    PluggedToken token(TwoKeyToken());
    const TestIdentity& identity = Identity(AT_KEYEXCHANGE, 1024);
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, "LAB-USER-1#7391", CRYPT_SILENT), 0u);
    win::CryptHash md5;
    HashParts(context.get(), CALG_MD5, {"message"}, md5);
    EXPECT_TRUE(SignatureVerifies(identity.certificate, "message", Sign(md5.get(), AT_KEYEXCHANGE), CALG_MD5));

    // SHA-1 of "message", computed elsewhere and set as the value.
    const BYTE digest[20] = {0x6f, 0x9b, 0x9a, 0xf3, 0xcd, 0x6e, 0x8b, 0x8a, 0x73, 0xc2,
                             0xcd, 0xce, 0xd3, 0x7f, 0xe9, 0xf5, 0x92, 0x26, 0xe2, 0x7d};
    win::CryptHash set;
    ASSERT_TRUE(CryptCreateHash(context.get(), CALG_SHA1, 0, 0, set.put()));
    ASSERT_TRUE(CryptSetHashParam(set.get(), HP_HASHVAL, digest, 0));
    EXPECT_EQ(HashValue(set.get()), "6f9b9af3cd6e8b8a73c2cdced37fe9f59226e27d");
    EXPECT_TRUE(SignatureVerifies(identity.certificate, "message", Sign(set.get(), AT_KEYEXCHANGE)));
    EXPECT_EQ(ErrorOf([&] { return CryptSetHashParam(set.get(), HP_HMAC_INFO, digest, 0); }),
              static_cast<DWORD>(NTE_BAD_TYPE));
}

TEST(Signing, WithoutTheHashOid) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context;
    ASSERT_EQ(OpenToken(context, "LAB-USER-1#7391", 0), 0u);
    win::CryptHash withOid, withoutOid;
    HashParts(context.get(), CALG_SHA1, {"abc"}, withOid);
    HashParts(context.get(), CALG_SHA1, {"abc"}, withoutOid);
    EXPECT_NE(Sign(withOid.get(), AT_KEYEXCHANGE), Sign(withoutOid.get(), AT_KEYEXCHANGE, CRYPT_NOHASHOID));
    DWORD length = 128;
    BYTE signature[128];
    EXPECT_EQ(ErrorOf([&] { return CryptSignHashA(withOid.get(), AT_KEYEXCHANGE, nullptr, CRYPT_X931_FORMAT, signature, &length); }),
              static_cast<DWORD>(NTE_BAD_FLAGS));
}

TEST(Signing, OnlyWithTheContainersOwnKey) {
    PluggedToken token(TwoKeyToken());
    win::ProviderContext context, verify;
    ASSERT_EQ(OpenToken(context, "LAB-USER-1#7391", 0), 0u);
    ASSERT_EQ(OpenToken(verify, nullptr, CRYPT_VERIFYCONTEXT), 0u);
    win::CryptHash hash, verifyHash;
    HashParts(context.get(), CALG_SHA1, {"abc"}, hash);
    HashParts(verify.get(), CALG_SHA1, {"abc"}, verifyHash);
    DWORD length = 0;
    EXPECT_EQ(ErrorOf([&] { return CryptSignHashA(hash.get(), AT_SIGNATURE, nullptr, 0, nullptr, &length); }),
              static_cast<DWORD>(NTE_NO_KEY));
    EXPECT_EQ(ErrorOf([&] { return CryptSignHashA(verifyHash.get(), AT_KEYEXCHANGE, nullptr, 0, nullptr, &length); }),
              static_cast<DWORD>(NTE_NO_KEY));
}

}  // namespace
}  // namespace vemo::test
