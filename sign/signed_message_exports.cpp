// Exports: the PKCS#7 signed message (token and trace editions).
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "sign/signed_message.h"

extern "C" int32_t CVEMO_CALL C_VEMO_Sign_P7(const char* data, uint8_t* message, int32_t* message_length) {
    return vemo::guard([&] { return vemo::sign::SignMessage(data, message, message_length); });
}
