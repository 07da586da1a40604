// The CMS signed message (C_VEMO_SignMessage, every edition): the key chosen as C_VEMO_SignData
// chooses it (sign/signing_key.h), then the platform's message signer writes a SignedData over
// the data with the signed attributes content type, message digest and signing time, the
// signer's certificate and, on request, the certificates of its path; DER or PEM text, into a
// sized buffer whose size query is answered from a bound, unsigned.
#pragma once

#include <cstdint>

namespace vemo::sign {

int32_t SignCmsMessage(uint32_t algorithm, uint32_t flags, int32_t selectionMode, const char* selector,
                       const uint8_t* data, uint32_t dataLength, uint8_t* message, uint32_t* messageLength);

}  // namespace vemo::sign
