// Export: the CMS signed message (every edition).
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "sign/message_signer.h"

extern "C" int32_t CVEMO_CALL C_VEMO_SignMessage(uint32_t algorithm, uint32_t flags, int32_t selection_mode,
                                                 const char* selector, const uint8_t* data, uint32_t data_length,
                                                 uint8_t* message, uint32_t* message_length) {
    return vemo::guard([&] {
        return vemo::sign::SignCmsMessage(algorithm, flags, selection_mode, selector, data, data_length, message,
                                          message_length);
    });
}
