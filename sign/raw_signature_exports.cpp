// Exports: the raw signature into its record, and the signature of any digest (C_VEMO_SignData).
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "sign/raw_signature.h"

extern "C" int32_t CVEMO_CALL C_VEMO_SignEx(int32_t /*reserved1*/, int32_t /*reserved2*/, int32_t /*reserved3*/,
                                            int32_t /*reserved4*/, int32_t selection_mode, const char* selector,
                                            const char* data, int32_t data_length, CVEMO_SIGNATURE_RECORD* record) {
    return vemo::guard(
        [&] { return vemo::sign::SignRaw(selection_mode, selector, data, data_length, record); });
}

// The short form: C_VEMO_SignEx with selection mode 0.
extern "C" int32_t CVEMO_CALL C_VEMO_Sign(int32_t reserved1, int32_t reserved2, int32_t reserved3, int32_t reserved4,
                                          const char* selector, const char* data, int32_t data_length,
                                          CVEMO_SIGNATURE_RECORD* record) {
    return C_VEMO_SignEx(reserved1, reserved2, reserved3, reserved4, 0, selector, data, data_length, record);
}

extern "C" int32_t CVEMO_CALL C_VEMO_SignData(uint32_t algorithm, int32_t selection_mode, const char* selector,
                                              const uint8_t* data, uint32_t data_length, uint8_t* signature,
                                              uint32_t* signature_length) {
    return vemo::guard([&] {
        return vemo::sign::SignData(algorithm, selection_mode, selector, data, data_length, signature,
                                    signature_length);
    });
}
