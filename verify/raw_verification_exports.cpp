// Exports: the raw verification of a signature record, and of a signature of any digest.
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "verify/data_verification.h"
#include "verify/raw_verification.h"

extern "C" int32_t CVEMO_CALL C_VEMO_VerifySign(int32_t /*reserved*/, uint8_t* key_data, int32_t key_data_length,
                                                int32_t hash_selector, const uint8_t* data, uint32_t data_length,
                                                const CVEMO_SIGNATURE_RECORD* record) {
    return vemo::guard([&] {
        return vemo::verify::VerifyRawSignature(key_data, key_data_length, hash_selector, data, data_length, record);
    });
}

extern "C" int32_t CVEMO_CALL C_VEMO_VerifyData(uint32_t algorithm, const uint8_t* key_data, uint32_t key_data_length,
                                                const uint8_t* data, uint32_t data_length, const uint8_t* signature,
                                                uint32_t signature_length) {
    return vemo::guard([&] {
        return vemo::verify::VerifyData(algorithm, key_data, key_data_length, data, data_length, signature,
                                        signature_length);
    });
}
