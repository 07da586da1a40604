// The provider's entry points called directly, as advapi32 calls them: every one is exported,
// handles that are not the provider's own are refused with the error of their kind (never a
// crash), missing arguments are refused, and the services the token does not offer say so.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/test_token.h"
#include "support/token_callers.h"
#include "token/provider/csp_interface.h"

namespace vemo::test {
namespace {

constexpr DWORD kBadUid = static_cast<DWORD>(NTE_BAD_UID);
constexpr DWORD kBadKey = static_cast<DWORD>(NTE_BAD_KEY);
constexpr DWORD kBadHash = static_cast<DWORD>(NTE_BAD_HASH);

// The provider DLL loaded by this test, its entry points resolved by name.
class Provider {
public:
    Provider() : module_(LoadLibraryW(ProviderDllPath().c_str())) {}
    HMODULE module() const { return module_.get(); }
    template <typename Function>
    Function* get(const char* name) const {
        return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

private:
    win::Library module_;
};

#define ENTRY(name) provider.get<decltype(name)>(#name)

class EntryPoints : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(provider.module(), nullptr);
        ASSERT_EQ(Call([&] { return ENTRY(CPAcquireContext)(&context, "LAB-USER-1#7391", 0, &vtable); }), 0u);
        ASSERT_EQ(Call([&] { return ENTRY(CPGetUserKey)(context, AT_KEYEXCHANGE, &key); }), 0u);
        ASSERT_EQ(Call([&] { return ENTRY(CPCreateHash)(context, CALG_SHA1, 0, 0, &hash); }), 0u);
    }
    void TearDown() override {
        if (context != 0) ENTRY(CPReleaseContext)(context, 0);
    }

    template <typename Body>
    DWORD Call(Body&& body) {
        return ErrorOf(body);
    }

    PluggedToken token{TokenOf({ContainerFor("LAB-USER-1", Identity(AT_KEYEXCHANGE, 1024)),
                                ContainerFor("LAB-USER-2", Identity(AT_SIGNATURE, 1024))})};
    Provider provider;
    ProviderVTable vtable{3, nullptr, nullptr, PROV_RSA_FULL, nullptr, 0, nullptr};
    HCRYPTPROV context = 0;
    HCRYPTKEY key = 0;
    HCRYPTHASH hash = 0;
};

TEST_F(EntryPoints, AllExportedByName) {
    for (const char* name :
         {"CPAcquireContext", "CPReleaseContext", "CPGetProvParam", "CPSetProvParam", "CPGenKey", "CPDeriveKey",
          "CPDestroyKey", "CPSetKeyParam", "CPGetKeyParam", "CPExportKey", "CPImportKey", "CPEncrypt", "CPDecrypt",
          "CPCreateHash", "CPHashData", "CPHashSessionKey", "CPGetHashParam", "CPSetHashParam", "CPSignHash",
          "CPVerifySignature", "CPDestroyHash", "CPGenRandom", "CPGetUserKey"}) {
        EXPECT_NE(GetProcAddress(provider.module(), name), nullptr) << name;
    }
}

TEST_F(EntryPoints, HandlesThatAreNotTheProvidersAreRefused) {
    HCRYPTPROV otherContext = 0;
    HCRYPTKEY otherKey = 0;
    HCRYPTHASH otherHash = 0;
    ASSERT_EQ(Call([&] { return ENTRY(CPAcquireContext)(&otherContext, "LAB-USER-2", 0, &vtable); }), 0u);
    ASSERT_EQ(Call([&] { return ENTRY(CPGetUserKey)(otherContext, AT_SIGNATURE, &otherKey); }), 0u);
    ASSERT_EQ(Call([&] { return ENTRY(CPCreateHash)(otherContext, CALG_MD5, 0, 0, &otherHash); }), 0u);

    BYTE data[512];
    DWORD length = sizeof data;
    HCRYPTKEY newKey = 0;
    HCRYPTHASH newHash = 0;
    // Made-up numbers, and handles of another kind, taken for a context.
    for (HCRYPTPROV bogus : {HCRYPTPROV{0}, HCRYPTPROV{1}, HCRYPTPROV{0xDEADBEEF}, HCRYPTPROV(key), HCRYPTPROV(hash)}) {
        SCOPED_TRACE(bogus);
        EXPECT_EQ(Call([&] { return ENTRY(CPGetProvParam)(bogus, PP_NAME, data, &length, 0); }), kBadUid);
        EXPECT_EQ(Call([&] { return ENTRY(CPGetUserKey)(bogus, AT_KEYEXCHANGE, &newKey); }), kBadUid);
        EXPECT_EQ(Call([&] { return ENTRY(CPCreateHash)(bogus, CALG_SHA1, 0, 0, &newHash); }), kBadUid);
        EXPECT_EQ(Call([&] { return ENTRY(CPGetKeyParam)(bogus, key, KP_KEYLEN, data, &length, 0); }), kBadUid);
        EXPECT_EQ(Call([&] { return ENTRY(CPSignHash)(bogus, hash, AT_KEYEXCHANGE, nullptr, 0, nullptr, &length); }),
                  kBadUid);
        EXPECT_EQ(Call([&] { return ENTRY(CPReleaseContext)(bogus, 0); }), kBadUid);
    }
    // Keys: made up, a hash object, and the key of another context.
    for (HCRYPTKEY bogus : {HCRYPTKEY{0}, HCRYPTKEY{0xDEADBEEF}, HCRYPTKEY(hash), HCRYPTKEY(context), otherKey}) {
        SCOPED_TRACE(bogus);
        length = sizeof data;
        EXPECT_EQ(Call([&] { return ENTRY(CPGetKeyParam)(context, bogus, KP_CERTIFICATE, data, &length, 0); }), kBadKey);
        EXPECT_EQ(Call([&] { return ENTRY(CPExportKey)(context, bogus, 0, PUBLICKEYBLOB, 0, data, &length); }), kBadKey);
        EXPECT_EQ(Call([&] { return ENTRY(CPDestroyKey)(context, bogus); }), kBadKey);
    }
    for (HCRYPTHASH bogus : {HCRYPTHASH{0}, HCRYPTHASH{0xDEADBEEF}, HCRYPTHASH(key), otherHash}) {
        SCOPED_TRACE(bogus);
        length = sizeof data;
        EXPECT_EQ(Call([&] { return ENTRY(CPHashData)(context, bogus, data, 1, 0); }), kBadHash);
        EXPECT_EQ(Call([&] { return ENTRY(CPGetHashParam)(context, bogus, HP_HASHVAL, data, &length, 0); }), kBadHash);
        EXPECT_EQ(Call([&] { return ENTRY(CPSetHashParam)(context, bogus, HP_HASHVAL, data, 0); }), kBadHash);
        EXPECT_EQ(Call([&] { return ENTRY(CPSignHash)(context, bogus, AT_KEYEXCHANGE, nullptr, 0, nullptr, &length); }),
                  kBadHash);
        EXPECT_EQ(Call([&] { return ENTRY(CPDestroyHash)(context, bogus); }), kBadHash);
    }
    // The other context still works: nothing of it was touched.
    EXPECT_EQ(Call([&] { return ENTRY(CPHashData)(otherContext, otherHash, data, 1, 0); }), 0u);
    EXPECT_EQ(Call([&] { return ENTRY(CPReleaseContext)(otherContext, 0); }), 0u);
}

TEST_F(EntryPoints, ReleasedHandlesAreGone) {
    EXPECT_EQ(Call([&] { return ENTRY(CPDestroyKey)(context, key); }), 0u);
    EXPECT_EQ(Call([&] { return ENTRY(CPDestroyKey)(context, key); }), kBadKey);
    EXPECT_EQ(Call([&] { return ENTRY(CPDestroyHash)(context, hash); }), 0u);
    EXPECT_EQ(Call([&] { return ENTRY(CPDestroyHash)(context, hash); }), kBadHash);

    // Releasing a context takes its keys and hash objects with it, even with bad flags.
    ASSERT_EQ(Call([&] { return ENTRY(CPGetUserKey)(context, AT_KEYEXCHANGE, &key); }), 0u);
    ASSERT_EQ(Call([&] { return ENTRY(CPCreateHash)(context, CALG_SHA1, 0, 0, &hash); }), 0u);
    EXPECT_EQ(Call([&] { return ENTRY(CPReleaseContext)(context, 1); }), static_cast<DWORD>(NTE_BAD_FLAGS));
    EXPECT_EQ(Call([&] { return ENTRY(CPReleaseContext)(context, 0); }), kBadUid);
    HCRYPTPROV fresh = 0;
    ASSERT_EQ(Call([&] { return ENTRY(CPAcquireContext)(&fresh, "LAB-USER-1", 0, &vtable); }), 0u);
    EXPECT_NE(fresh, context) << "handles are not reused";
    EXPECT_EQ(Call([&] { return ENTRY(CPDestroyKey)(fresh, key); }), kBadKey);
    EXPECT_EQ(Call([&] { return ENTRY(CPDestroyHash)(fresh, hash); }), kBadHash);
    context = fresh;
}

TEST_F(EntryPoints, MissingArgumentsAreRefused) {
    const DWORD invalid = ERROR_INVALID_PARAMETER;
    BYTE data[16] = {};
    EXPECT_EQ(Call([&] { return ENTRY(CPAcquireContext)(nullptr, nullptr, 0, &vtable); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPGetProvParam)(context, PP_NAME, data, nullptr, 0); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPGetUserKey)(context, AT_KEYEXCHANGE, nullptr); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPGetKeyParam)(context, key, KP_KEYLEN, data, nullptr, 0); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPExportKey)(context, key, 0, PUBLICKEYBLOB, 0, data, nullptr); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPCreateHash)(context, CALG_SHA1, 0, 0, nullptr); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPHashData)(context, hash, nullptr, 5, 0); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPGetHashParam)(context, hash, HP_HASHVAL, data, nullptr, 0); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPSetHashParam)(context, hash, HP_HASHVAL, nullptr, 0); }), invalid);
    EXPECT_EQ(Call([&] { return ENTRY(CPSignHash)(context, hash, AT_KEYEXCHANGE, nullptr, 0, data, nullptr); }),
              invalid);
    // No bytes at all is a valid piece of data.
    EXPECT_EQ(Call([&] { return ENTRY(CPHashData)(context, hash, nullptr, 0, 0); }), 0u);
    EXPECT_EQ(Call([&] { return ENTRY(CPHashData)(context, hash, data, 0, CRYPT_USERDATA); }),
              static_cast<DWORD>(NTE_BAD_FLAGS));
}

TEST_F(EntryPoints, ServicesTheTokenDoesNotOffer) {
    BYTE data[256] = {};
    DWORD length = sizeof data;
    HCRYPTKEY newKey = 0;
    const struct {
        const char* name;
        std::function<BOOL(HCRYPTPROV)> call;
        DWORD error;
    } cases[] = {
        {"CPSetProvParam", [&](HCRYPTPROV p) { return ENTRY(CPSetProvParam)(p, PP_KEYEXCHANGE_PIN, data, 0); },
         static_cast<DWORD>(NTE_BAD_TYPE)},
        {"CPGenKey pair", [&](HCRYPTPROV p) { return ENTRY(CPGenKey)(p, AT_SIGNATURE, 0, &newKey); },
         static_cast<DWORD>(NTE_PERM)},
        {"CPGenKey session", [&](HCRYPTPROV p) { return ENTRY(CPGenKey)(p, CALG_AES_128, 0, &newKey); },
         static_cast<DWORD>(NTE_BAD_ALGID)},
        {"CPDeriveKey", [&](HCRYPTPROV p) { return ENTRY(CPDeriveKey)(p, CALG_RC4, hash, 0, &newKey); },
         static_cast<DWORD>(NTE_BAD_ALGID)},
        {"CPSetKeyParam", [&](HCRYPTPROV p) { return ENTRY(CPSetKeyParam)(p, key, KP_CERTIFICATE, data, 0); },
         static_cast<DWORD>(NTE_PERM)},
        {"CPImportKey", [&](HCRYPTPROV p) { return ENTRY(CPImportKey)(p, data, sizeof data, 0, 0, &newKey); },
         static_cast<DWORD>(NTE_PERM)},
        {"CPEncrypt", [&](HCRYPTPROV p) { return ENTRY(CPEncrypt)(p, key, 0, TRUE, 0, data, &length, sizeof data); },
         static_cast<DWORD>(E_NOTIMPL)},
        {"CPDecrypt", [&](HCRYPTPROV p) { return ENTRY(CPDecrypt)(p, key, 0, TRUE, 0, data, &length); },
         static_cast<DWORD>(E_NOTIMPL)},
        {"CPGenRandom", [&](HCRYPTPROV p) { return ENTRY(CPGenRandom)(p, 16, data); }, static_cast<DWORD>(E_NOTIMPL)},
        {"CPHashSessionKey", [&](HCRYPTPROV p) { return ENTRY(CPHashSessionKey)(p, hash, key, 0); },
         static_cast<DWORD>(E_NOTIMPL)},
        {"CPVerifySignature",
         [&](HCRYPTPROV p) { return ENTRY(CPVerifySignature)(p, hash, data, 128, key, nullptr, 0); },
         static_cast<DWORD>(E_NOTIMPL)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Call([&] { return c.call(context); }), c.error) << c.name;
        EXPECT_EQ(Call([&] { return c.call(0xDEADBEEF); }), kBadUid) << c.name;
    }
    EXPECT_EQ(newKey, 0u);
    for (BYTE b : data) ASSERT_EQ(b, 0) << "nothing written";
}

}  // namespace
}  // namespace vemo::test
