// Exports: the PKCS#7 verification (token and trace editions).
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "verify/message_verification.h"

extern "C" int32_t CVEMO_CALL C_VEMO_VerifySign_P7(const uint8_t* message, const uint32_t* message_length) {
    return vemo::guard([&] { return vemo::verify::VerifyMessage(message, message_length); });
}
