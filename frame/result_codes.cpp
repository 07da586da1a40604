#include "result_codes.h"

#include "CVemoDll_C.h"

namespace vemo {
namespace {

struct ResultCodeEntry {
    int32_t value;
    const char* name;
    const char* meaning;
};

constexpr ResultCodeEntry kResultCodes[] = {
    {CVEMO_OK, "CVEMO_OK", "success"},
#define VEMO_RESULT_ENTRY(name, value, meaning) {value, #name, meaning},
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
