#include "result_codes.h"

#include "CVemoDll_C.h"

namespace vemo {
namespace {

struct ResultCodeEntry {
    int32_t value;
    const char* name;
    const char* meaning;
};

// The answers first, so that 0 is named CVEMO_OK (CVEMO_CRL_NOT_REVOKED shares its value).
constexpr ResultCodeEntry kResultCodes[] = {
#define VEMO_RESULT_ENTRY(name, value, meaning) {value, #name, meaning},
    CVEMO_OUTCOME_CODES(VEMO_RESULT_ENTRY)
    CVEMO_RESULT_CODES(VEMO_RESULT_ENTRY)
#undef VEMO_RESULT_ENTRY
};

const ResultCodeEntry* find(int32_t code) {
    for (const auto& entry : kResultCodes) {
        if (entry.value == code) return &entry;
    }
    return nullptr;
}

}  // namespace

const char* resultCodeName(int32_t code) {
    const ResultCodeEntry* entry = find(code);
    return entry ? entry->name : nullptr;
}

const char* resultCodeMeaning(int32_t code) {
    const ResultCodeEntry* entry = find(code);
    return entry ? entry->meaning : nullptr;
}

}  // namespace vemo
