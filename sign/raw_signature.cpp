#include "sign/raw_signature.h"

#include <cstring>

#include "sign/signature_record.h"

namespace vemo::sign {

int32_t SignRaw(int32_t selectionMode, const char* selector, const char* data, int32_t dataLength,
                CVEMO_SIGNATURE_RECORD* record) {
    if (record == nullptr) return SPC_INPUTARG_ERROR_01;
    auto* bytes = reinterpret_cast<uint8_t*>(record);
    ClearSignatureRecord(bytes);
    // The length must be the text's: read no further than one byte past it.
    if (data == nullptr || dataLength < 0 ||
        strnlen(data, static_cast<size_t>(dataLength) + 1) != static_cast<size_t>(dataLength)) {
        return SPC_INPUTARG_ERROR_01;
    }
    return SignWithEditionKey(selectionMode, selector, reinterpret_cast<const uint8_t*>(data),
                              static_cast<uint32_t>(dataLength), bytes);
}

}  // namespace vemo::sign
