// UTSecDll of the software token: the token library's four calls over the token store.
// The token is read afresh at each call; the only state kept between calls is which container
// is current, and that is guarded by one lock.
#define UTSECDLL_BUILDING
#include "token/utsecdll/UTSecDll.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <mutex>
#include <string>

#include "frame/module_unload.h"
#include "token/store/token_store.h"

namespace {

using vemo::token::Container;
using vemo::token::FaultPoint;
using vemo::token::TokenImage;
using vemo::token::TokenState;

static_assert(UT_NAME_BUFFER_SIZE >= UT_NAME_READ_SIZE, "the library reads 100 bytes of the name");

// The container UTEnumCtn made current: its index, and its name to notice a token that was
// re-provisioned since.
struct CurrentContainer {
    int32_t index = 0;  // 0: none
    std::string name;
};

std::mutex g_lock;
CurrentContainer g_current;

// Each thread's copy of the name UTGetCurCtnName hands out, so another thread's UTEnumCtn
// cannot change it while the caller reads it.
thread_local char t_name[UT_NAME_BUFFER_SIZE];

// Reads the token; 0, or the code for an absent or unreadable token.
int32_t LoadImage(TokenImage& image) {
    switch (vemo::token::LoadToken(image)) {
        case TokenState::Present: return UT_OK;
        case TokenState::Absent: return UT_ERR_TOKEN_ABSENT;
        case TokenState::Damaged: break;
    }
    return UT_ERR_TOKEN_DAMAGED;
}

// The result a fault set on the token gives the call at `point` (UT_OK when none is set).
int32_t InjectedCode(const TokenImage& image, FaultPoint point) {
    const auto code = image.faultCode(point);
    return code ? static_cast<int32_t>(*code) : UT_OK;
}

// Runs a call's body; nothing escapes the boundary.
template <typename Body>
int32_t Guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return UT_ERR_INTERNAL;
    }
}

}  // namespace

extern "C" int32_t __cdecl UTEnumCtn(int32_t index, int32_t reserved, uint32_t* count, uint32_t* keySpec) {
    (void)reserved;
    return Guarded([&] {
        std::lock_guard<std::mutex> hold(g_lock);
        g_current = CurrentContainer{};
        if (count == nullptr || keySpec == nullptr || index < 1) return UT_ERR_BAD_ARGUMENT;

        TokenImage image;
        if (const int32_t status = LoadImage(image); status != UT_OK) return status;
        // An injected code the caller counts as success still makes the container current.
        const int32_t injected = InjectedCode(image, FaultPoint::EnumContainer);
        if (injected != UT_OK && injected != UT_ENUM_OK_ALSO) return injected;
        if (static_cast<size_t>(index) > image.containers.size()) return UT_ERR_NO_CONTAINER;

        const Container& container = image.containers[static_cast<size_t>(index) - 1];
        g_current = CurrentContainer{index, container.name};
        *count = static_cast<uint32_t>(image.containers.size());
        *keySpec = container.keySpec;
        return injected;
    });
}

extern "C" const char* __cdecl UTGetCurCtnName(void) {
    std::memset(t_name, 0, sizeof t_name);
    try {
        std::lock_guard<std::mutex> hold(g_lock);
        // Cut to the buffer, keeping its terminator.
        g_current.name.copy(t_name, sizeof t_name - 1);
    } catch (...) {
        // The lock could not be taken: no name.
    }
    return t_name;
}

extern "C" int32_t __cdecl UTGetCurCert(UT_CERT_RECORD* record) {
    return Guarded([&] {
        if (record == nullptr) return UT_ERR_BAD_ARGUMENT;
        std::lock_guard<std::mutex> hold(g_lock);

        TokenImage image;
        if (const int32_t status = LoadImage(image); status != UT_OK) return status;
        if (const auto injected = image.faultCode(FaultPoint::GetCurrentCertificate)) {
            if (*injected != UT_OK) return static_cast<int32_t>(*injected);
            // A fault of code 0: the read succeeds and hands out nothing, as a faulty token may.
            record->reserved = 0;
            record->length = 0;
            return UT_OK;
        }
        const size_t index = static_cast<size_t>(g_current.index);
        // No current container, or the token was provisioned anew since it was chosen.
        if (index == 0 || index > image.containers.size() || image.containers[index - 1].name != g_current.name) {
            return UT_ERR_NO_CONTAINER;
        }
        const Container& container = image.containers[index - 1];
        if (container.certificate.empty()) return UT_ERR_NO_CERTIFICATE;
        if (container.certificate.size() > UT_CERT_MAX_SIZE) return UT_ERR_CERT_TOO_LARGE;

        record->reserved = container.keySpec;
        record->length = static_cast<uint32_t>(container.certificate.size());
        std::memcpy(record->der, container.certificate.data(), container.certificate.size());
        return UT_OK;
    });
}

extern "C" int32_t __cdecl UTGenRandomNumber(uint32_t count, uint8_t* buffer) {
    return Guarded([&] {
        if (buffer == nullptr && count != 0) return UT_ERR_BAD_ARGUMENT;
        TokenImage image;
        if (const int32_t status = LoadImage(image); status != UT_OK) return status;
        if (const int32_t injected = InjectedCode(image, FaultPoint::GenerateRandom); injected != UT_OK) {
            return injected;
        }
        if (count == 0) return UT_OK;
        // The system's generator directly: the token must keep working when no CryptoAPI
        // provider can be opened, which is exactly when the library falls back to it.
        const NTSTATUS status = BCryptGenRandom(nullptr, buffer, count, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
        return BCRYPT_SUCCESS(status) ? UT_OK : UT_ERR_RANDOM_FAILED;
    });
}

// UTSecDll comes and goes with the library that imports it.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) vemo::ReleaseRuntimeReserve();
    return TRUE;
}
