// The verification of C_VEMO_VerifyData: an RSA signature (PKCS#1 v1.5, most significant byte
// first) of any of the four digests, against key data as C_VEMO_VerifySign takes it but of any
// length and with keys of up to 16384 bits, in a verification context of the AES-capable
// provider: no key container, no lock.
#pragma once

#include <cstdint>

namespace vemo::verify {

int32_t VerifyData(uint32_t algorithm, const uint8_t* keyData, uint32_t keyDataLength, const uint8_t* data,
                   uint32_t dataLength, const uint8_t* signature, uint32_t signatureLength);

}  // namespace vemo::verify
