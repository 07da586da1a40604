#include "sign/random_bytes.h"

#include "CVemoDll_C.h"
#include "frame/diagnostics.h"
#include "frame/failure_code.h"
#include "frame/token_library.h"
#include "frame/win_handles.h"

namespace vemo::sign {
namespace {

// The token's generator: its result is the export's result.
int32_t GenerateRandomWithToken(uint8_t* buffer, uint32_t length, TraceBlock& trace) {
    if constexpr (edition::kUsesToken) {
        const int32_t code = UTGenRandomNumber(length, buffer);
        if (code != 0) {
            LogError("[ERROR]UTGenRandomNumber is error,Error Code: 0x%08x, Line %d\n", code, __LINE__);
            trace("***** UTGenRandomNumber fails. Error Code: 0x%08x, Line %d\n", code, __LINE__);
            return code;
        }
        trace("***** UTGenRandomNumber OK. \n");
        return 0;
    } else {
        (void)buffer, (void)length, (void)trace;
        return E_FAILED;  // the picker edition has no token to fall back on
    }
}

}  // namespace

int32_t GenerateRandom(uint8_t* buffer, uint32_t length) {
    TraceBlock trace;  // every call of a traced export opens its block, refused ones too
    if (buffer == nullptr && length != 0) return SPC_INPUTARG_ERROR_01;

    // A verification context: random bytes need no key container, and asking for the user's
    // default container instead fails on every machine where it was never created.
    win::ProviderContext context;
    if (!CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return GenerateRandomWithToken(buffer, length, trace);
    }
    trace("***** CryptAcquireContext OK. \n");

    if (!CryptGenRandom(context.get(), length, buffer)) {
        const DWORD error = LastFailureCode();
        LogError("[ERROR]CryptGenRandom is error,Error Code: 0x%08x, Line %d\n", unsigned(error), __LINE__);
        trace("***** CryptGenRandom fails. Error Code: 0x%08x, Line %d\n", unsigned(error), __LINE__);
        trace.close();
        context.reset();
        return edition::kUsesToken ? static_cast<int32_t>(error) : -2;
    }
    context.reset();
    trace("***** CryptGenRandom OK. \n");
    return 0;
}

}  // namespace vemo::sign
