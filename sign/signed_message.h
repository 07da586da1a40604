// The PKCS#7 signed message (C_VEMO_Sign_P7; token and trace editions): the token's key found
// as the raw signature finds it, then the platform signs the text through the key's location,
// attached to the certificate stored with the key.
#pragma once

#include <cstdint>

namespace vemo::sign {

int32_t SignMessage(const char* data, uint8_t* message, int32_t* messageLength);

}  // namespace vemo::sign
