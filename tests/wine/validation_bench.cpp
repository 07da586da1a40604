// C_VEMO_VerifyUserCert beside the platform sequence that does the same work (Base64 decode,
// certificate context, time check, walk of "ROOT" with CertVerifySubjectCertificateContext),
// timed in the same run with the test root first in store order and after the host's roots.
// Prints "[report]" lines; the figures are reported, never asserted. Exit status 1 only when a
// call gives a wrong answer.
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "frame/win_handles.h"
#include "support/edition_under_test.h"
#include "support/store_fixture.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// The same checks with the platform's functions alone: 0 when a root of "ROOT" issued the
// certificate and it is within its validity period.
int32_t PlatformSequence(const std::string& pem) {
    BYTE der[4096];
    DWORD size = sizeof der;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der, &size, nullptr, nullptr)) return -513;
    const win::CertificateContext user(CertCreateCertificateContext(kEncoding, der, size));
    if (!user) return -501;
    if (CertVerifyTimeValidity(nullptr, user.get()->pCertInfo) != 0) return -505;
    const win::CertStore roots(CertOpenSystemStoreA(0, "ROOT"));
    if (!roots) return -1003;
    PCCERT_CONTEXT root = nullptr;
    while ((root = CertEnumCertificatesInStore(roots.get(), root)) != nullptr) {
        DWORD flags = CERT_STORE_SIGNATURE_FLAG | CERT_STORE_REVOCATION_FLAG;
        if (CertVerifySubjectCertificateContext(user.get(), root, &flags) && !(flags & CERT_STORE_SIGNATURE_FLAG)) {
            CertFreeCertificateContext(root);
            return 0;
        }
    }
    return -507;
}

int32_t Library(const std::string& pem) {
    std::vector<char> text(pem.begin(), pem.end());
    text.push_back('\0');
    return Edition().verifyUserCert(text.data(), 0);
}

// Microseconds per call of each, the best of five rounds of `count` calls each. The two take
// turns call by call, so neither profits from the other's warm caches or from a quieter machine.
// False on a wrong answer.
bool TimePerCall(const std::function<int32_t()> (&calls)[2], int count, double (&best)[2]) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    best[0] = best[1] = 1e30;
    for (int round = 0; round < 5; ++round) {
        double total[2] = {0, 0};
        for (int i = 0; i < count; ++i) {
            for (int which = 0; which < 2; ++which) {
                QueryPerformanceCounter(&start);
                if (calls[which]() != 0) return false;
                QueryPerformanceCounter(&end);
                total[which] += double(end.QuadPart - start.QuadPart);
            }
        }
        for (int which = 0; which < 2; ++which)
            best[which] = std::min(best[which], total[which] * 1e6 / double(frequency.QuadPart) / count);
    }
    return true;
}

bool Compare(const char* position, StoreLocation where, int count) {
    const ScopedStoreEntry root("ROOT", "root-a.crt.der", where);
    const std::vector<uint8_t> bytes = FixtureBytes("user1024.crt.pem");
    const std::string pem(bytes.begin(), bytes.end());
    const std::function<int32_t()> calls[2] = {[&] { return Library(pem); }, [&] { return PlatformSequence(pem); }};
    double best[2];
    if (!TimePerCall(calls, count, best)) {
        std::printf("[report] bench VerifyUserCert (%s): a call did not give 0\n", position);
        return false;
    }
    std::printf("[report] bench VerifyUserCert (%s, %s edition): library %.0f us, platform sequence %.0f us, "
                "library/platform %.2f (goal 1.2 at most)\n",
                position, Edition().name().c_str(), best[0], best[1], best[0] / best[1]);
    return true;
}

}  // namespace
}  // namespace vemo::test

int main(int argc, char** argv) {
    using namespace vemo::test;
    LoadEditionUnderTest(argc, argv);
    // About 15 s on a quiet machine: each call opens "ROOT", which dominates its cost.
    const bool first = Compare("root first in store order", StoreLocation::CurrentUser, 30);
    const bool late = Compare("root after the host's roots", StoreLocation::LocalMachine, 15);
    return first && late ? 0 : 1;
}
