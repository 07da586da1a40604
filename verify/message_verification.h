// The PKCS#7 verification (C_VEMO_VerifySign_P7; token and trace editions): the first signer's
// signature checked by the platform with the certificate the message carries, and its signed
// attributes (where it has them) checked against the content by the library; the trace edition
// then shows the signed content in a message box.
#pragma once

#include <cstdint>

namespace vemo::verify {

int32_t VerifyMessage(const uint8_t* message, const uint32_t* messageLength);

}  // namespace vemo::verify
