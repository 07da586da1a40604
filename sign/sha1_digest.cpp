#include "sign/sha1_digest.h"

#include <cstring>

#include "CVemoDll_C.h"
#include "frame/diagnostics.h"
#include "frame/failure_code.h"
#include "frame/win_handles.h"
#include "frame/working_container.h"

namespace vemo::sign {

int32_t Sha1Digest(const uint8_t* data, uint32_t length, uint8_t* digest, uint32_t* digestLength) {
    if (digest == nullptr || digestLength == nullptr || (data == nullptr && length != 0)) {
        return SPC_INPUTARG_ERROR_01;
    }
    uint8_t value[32] = {};
    DWORD valueLength = sizeof value;

    WorkingContainer container;
    if (!container.ok()) {
        const DWORD error = container.lastError();
        // "CryptAcquireContext" for the container itself; the lock's own failures by their names.
        LogError("[ERROR]%s is error,Error Code: 0x%08x,Line %d\n", container.failedFunction(), unsigned(error),
                 __LINE__);
        return static_cast<int32_t>(error);
    }

    win::CryptHash hash;
    if (!CryptCreateHash(container.context(), CALG_SHA1, 0, 0, hash.put())) {
        const DWORD error = LastFailureCode();
        LogError("[ERROR]CryptCreateHash is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
        return static_cast<int32_t>(error);
    }
    if (!CryptHashData(hash.get(), data, length, 0)) {
        const DWORD error = LastFailureCode();
        hash.reset();
        LogError("[ERROR]CryptHashData is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
        return static_cast<int32_t>(error);
    }
    // The value is read into a bounded work buffer, and only a SHA-1 sized value is handed
    // out: an unread or odd-sized value must not reach the caller's 20-byte buffer.
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, value, &valueLength, 0)) {
        const DWORD error = LastFailureCode();
        LogError("[ERROR]CryptGetHashParam is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
        return static_cast<int32_t>(error);
    }
    if (valueLength != CVEMO_SHA1_DIGEST_SIZE) {
        LogError("[ERROR]CryptGetHashParam is error,Error Code: 0x%08x,Line %d\n", unsigned(NTE_BAD_LEN), __LINE__);
        return static_cast<int32_t>(NTE_BAD_LEN);
    }
    hash.reset();

    *digestLength = valueLength;
    std::memcpy(digest, value, valueLength);
    return 0;
}

}  // namespace vemo::sign
