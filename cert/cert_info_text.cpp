#include "cert/cert_info_text.h"

#include <cstdio>
#include <cstring>

#include "codec/hex.h"

namespace vemo::cert {

int32_t ItemCode(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 99999) return 0;  // no item has more than two digits
    }
    return negative ? -value : value;
}

void VersionText(uint32_t versionField, char (&text)[kInfoTextSize]) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(versionField + 1));
    std::snprintf(text, sizeof text, "V%c", digits[0]);
}

void AppendDate(const DateTime& date, char (&text)[kInfoTextSize]) {
    const size_t used = strnlen(text, sizeof text - 1);
    std::snprintf(text + used, sizeof text - used, "%d-%d-%d-%d-%d-%d", date.year, date.month, date.day,
                  date.hour, date.minute, date.second);
}

void HexText(const uint8_t* bytes, size_t count, char (&text)[kInfoTextSize]) {
    const size_t shown = count < kInfoTextSize / 2 ? count : kInfoTextSize / 2 - 1;
    codec::BytesToHexStr(bytes, static_cast<int32_t>(shown), text, sizeof text);
}

size_t AltNameTail(codec::ByteReader content, char (&tail)[kAltNameTailDigits + 1]) {
    const size_t bytes = kAltNameTailDigits / 2;
    if (content.remaining() > bytes) content.skip(content.remaining() - bytes);
    codec::BytesToHexStr(content.data(), static_cast<int32_t>(content.remaining()), tail, sizeof tail);
    return 2 * content.remaining();
}

}  // namespace vemo::cert
