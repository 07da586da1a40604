// Exports: the signed-message verification (every edition).
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "verify/signed_message_verification.h"

extern "C" int32_t CVEMO_CALL C_VEMO_VerifyMessage(const uint8_t* message, uint32_t message_length,
                                                   const uint8_t* detached_content, uint32_t detached_length,
                                                   uint8_t* content, uint32_t* content_length, char* signer_certificate,
                                                   uint32_t* signer_certificate_length) {
    return vemo::guard([&] {
        return vemo::verify::VerifySignedMessage(message, message_length, detached_content, detached_length, content,
                                                 content_length, signer_certificate, signer_certificate_length);
    });
}
