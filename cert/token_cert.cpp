// The token source: the certificate of the first user container of the USB key token.
#include <cstring>
#include <mutex>

#include "CVemoDll_C.h"
#include "cert/user_cert_sources.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "frame/token_library.h"

namespace vemo::cert {
namespace {

constexpr size_t kPseudoNameLength = 9;

// Whether the container is one of the token's default containers, which hold no user
// certificate. The trace edition knows only the misspelt one and takes "*default*" for a user's.
bool IsPseudoContainer(const char (&name)[UT_NAME_READ_SIZE]) {
    if (std::memcmp(name, "*defalut*", kPseudoNameLength) == 0) return true;
    return edition::kKind != edition::Kind::Trace && std::memcmp(name, "*default*", kPseudoNameLength) == 0;
}

// The token library keeps one current container per process: the calls that make a container
// current and read its name and certificate form one sequence that another thread's must not
// interleave with.
std::mutex& CurrentContainerLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

int32_t GetUserCerFromKey(Base64Text& text, uint32_t& length) {
    if constexpr (!edition::kUsesToken) {
        (void)text, (void)length;
        return E_FAILED;  // no token in this edition
    } else {
        const std::lock_guard<std::mutex> hold(CurrentContainerLock());
        for (int32_t index = 1; index <= 2; ++index) {
            uint32_t ignored1 = 0, ignored2 = 0;
            const int32_t enumerated = UTEnumCtn(index, 0, &ignored1, &ignored2);
            if (enumerated != UT_OK && enumerated != UT_ENUM_OK_ALSO) {
                LogError("[ERROR]UTEnumCtn is error, Error Code: 0x%08x,Line %d\n", unsigned(enumerated), __LINE__);
                return E_TOKEN_ENUM_BASE + index;
            }
            char name[UT_NAME_READ_SIZE] = {};
            if (const char* current = UTGetCurCtnName()) std::memcpy(name, current, sizeof name);
            if (IsPseudoContainer(name)) continue;

            UT_CERT_RECORD record{};
            const int32_t read = UTGetCurCert(&record);
            if (read != UT_OK) {
                LogError("[ERROR]UTGetCurCert is error, Error Code: 0x%08x,Line %d\n", unsigned(read), __LINE__);
                return E_TOKEN_CERT_BASE + index;
            }
            // A read that succeeds with no bytes has read nothing: the two armour lines alone
            // would pass for a certificate.
            if (record.length == 0) {
                LogError("[ERROR]UTGetCurCert is error, Error Code: %d (no certificate bytes),Line %d\n",
                         E_TOKEN_CERT_BASE + index, __LINE__);
                return E_TOKEN_CERT_BASE + index;
            }
            return CertificateToBase64(record.der, record.length, text, length) ? 0 : SPC_UNKNOWN_ERROR;
        }
        LogError("[ERROR]GetUserCerFromKey is error, Error Code: -7777,Line %d\n", __LINE__);
        return E_TOKEN_NO_USER_CONTAINER;
    }
}

}  // namespace vemo::cert
