// The signed-message verification (C_VEMO_VerifyMessage; every edition): a message as DER or
// text, attached or with its detached content, read by the library, every signer checked (the
// signed attributes against the content, the signature with the signer's certificate in the
// message), then the content and the first signer's certificate handed out in sized buffers.
#pragma once

#include <cstdint>

namespace vemo::verify {

int32_t VerifySignedMessage(const uint8_t* message, uint32_t messageLength, const uint8_t* detachedContent,
                            uint32_t detachedLength, uint8_t* content, uint32_t* contentLength,
                            char* signerCertificate, uint32_t* signerCertificateLength);

}  // namespace vemo::verify
