// Benchmark of the raw signature (token edition, its own ctest entry with the label "bench"):
// C_VEMO_VerifySign beside the platform's own sequence for the same work (the working
// container opened, deleted and created, the key imported, the signature verified), beside the
// same without the opening (the library's own sequence), and beside an import and verification
// in a verification context; C_VEMO_SignEx beside the same calls
// made directly through the token's provider. Figures go out as "[report]" lines; no time is
// asserted.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "support/edition_under_test.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/token_callers.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

constexpr int kRounds = 7;
constexpr int kCallsPerRound = 40;

// Microseconds per call of the fastest round, rounds of the variants interleaved so that the
// machine's changes of pace touch them alike.
std::vector<double> MicrosecondsPerCall(const std::vector<std::function<bool()>>& variants) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> best(variants.size(), 1e30);
    for (int round = 0; round < kRounds; ++round) {
        for (size_t v = 0; v < variants.size(); ++v) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            for (int i = 0; i < kCallsPerRound; ++i) EXPECT_TRUE(variants[v]()) << "variant " << v;
            QueryPerformanceCounter(&end);
            const double perCall = 1e6 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) / kCallsPerRound;
            best[v] = std::min(best[v], perCall);
        }
    }
    return best;
}

// The platform's calls for one verification of `value` (least significant byte first) over
// `data` with the certificate's key, in a context from `open`.
bool PlatformVerifies(HCRYPTPROV context, PCCERT_CONTEXT certificate, const std::string& data, const Bytes& value) {
    win::CryptKey key;
    win::CryptHash hash;
    return CryptImportPublicKeyInfo(context, X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo,
                                    key.put()) &&
           CryptCreateHash(context, CALG_SHA1, 0, 0, hash.put()) &&
           CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
           CryptVerifySignatureA(hash.get(), value.data(), static_cast<DWORD>(value.size()), key.get(), nullptr, 0);
}

TEST(RawSignatureBenchmark, VerifySign) {
    const std::string data = "benchmark data";
    const Bytes der = FixtureBytes("user1024.crt.der");
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", data));
    const Bytes value = [&] {
        Bytes reversed = ValueOf(record);
        std::reverse(reversed.begin(), reversed.end());
        return reversed;
    }();
    const win::CertificateContext certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));

    const auto library = [&] { return VerifyWith(der, data, record) == 0; };
    const auto containerSequence = [&] {
        win::ProviderContext context;
        if (CryptAcquireContextA(context.put(), "temporary", nullptr, PROV_RSA_FULL, 0)) {
            context.reset();
            HCRYPTPROV deleted = 0;
            CryptAcquireContextA(&deleted, "temporary", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
        }
        return CryptAcquireContextA(context.put(), "temporary", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET) &&
               PlatformVerifies(context.get(), certificate.get(), data, value);
    };
    // The same without the opening, as the library does it.
    const auto deleteAndCreate = [&] {
        win::ProviderContext context;
        HCRYPTPROV deleted = 0;
        CryptAcquireContextA(&deleted, "temporary", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
        return CryptAcquireContextA(context.put(), "temporary", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET) &&
               PlatformVerifies(context.get(), certificate.get(), data, value);
    };
    const auto verificationContext = [&] {
        win::ProviderContext context;
        return CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
               PlatformVerifies(context.get(), certificate.get(), data, value);
    };
    const std::vector<double> us =
        MicrosecondsPerCall({library, containerSequence, deleteAndCreate, verificationContext});
    std::printf("[report] bench C_VEMO_VerifySign (1024-bit certificate, DER): %.0f us; the platform's open, delete, "
                "create, import and verify %.0f us (ratio %.2f); its delete, create, import and verify %.0f us "
                "(ratio %.2f); import and verify in a verification context %.0f us (ratio %.2f)\n",
                us[0], us[1], us[0] / us[1], us[2], us[0] / us[2], us[3], us[0] / us[3]);
}

TEST(RawSignatureBenchmark, SignEx) {
    if (!Edition().usesToken()) GTEST_SKIP() << "the token editions sign with the software token";
    ScopedTokenStore token;
    token::TokenImage image;
    image.containers.push_back(FixtureContainer("user1024", "user1024"));
    token.plugIn(image);
    const std::string data = "benchmark data";
    const auto library = [&] {
        CVEMO_SIGNATURE_RECORD record;
        return Edition().signEx(0, nullptr, data.c_str(), static_cast<int32_t>(data.size()), &record) == 0;
    };
    const auto direct = [&] { return RawSignThroughToken(data).stoppedAt == Step::Done; };
    const std::vector<double> us = MicrosecondsPerCall({library, direct});
    std::printf("[report] bench C_VEMO_SignEx (software token, 1024-bit key): %.0f us; the same calls made directly "
                "through the token's provider %.0f us (ratio %.2f)\n",
                us[0], us[1], us[0] / us[1]);
}

}  // namespace
}  // namespace vemo::test
