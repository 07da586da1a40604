#include "codec/pem.h"

#include <cstring>
#include <initializer_list>

namespace vemo::codec {
namespace {

constexpr char kBeginCertificate[] = "BEGINCERTIFICATE";
constexpr char kBeginCrl[] = "BEGINX509CRL";
constexpr char kLongSequence[] = "MI";
constexpr char kEndCertificate[] = "ENDCERTIFICATE";
constexpr char kEndCrl[] = "ENDX509CRL";
constexpr size_t kLongestBeginLabel = sizeof kBeginCertificate - 1;

bool isStripped(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '-'; }

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether `head` (its first `length` characters) starts with `label`, letter case ignored.
bool startsWithIgnoringCase(const char* head, size_t length, const char* label) {
    const size_t labelLength = std::strlen(label);
    if (length < labelLength) return false;
    for (size_t i = 0; i < labelLength; ++i)
        if (asciiUpper(head[i]) != label[i]) return false;
    return true;
}

// How many leading characters of the stripped text are a begin label, or -1 when the stripped
// text starts neither with a begin label nor with "MI". Reads the text without changing it.
int labelSkip(const char* text) {
    char head[kLongestBeginLabel];
    size_t length = 0;
    for (const char* c = text; *c != '\0' && length < sizeof head; ++c)
        if (!isStripped(*c)) head[length++] = *c;
    for (const char* label : {kBeginCertificate, kBeginCrl})
        if (startsWithIgnoringCase(head, length, label))
            return static_cast<int>(std::strlen(label));
    if (startsWithIgnoringCase(head, length, kLongSequence)) return 0;
    return -1;
}

// Strips the separators and the first `skip` kept characters in place.
void stripInPlace(char* text, size_t skip) {
    char* out = text;
    for (const char* c = text; *c != '\0'; ++c) {
        if (isStripped(*c)) continue;
        if (skip > 0) {
            --skip;
            continue;
        }
        *out++ = *c;
    }
    *out = '\0';
}

void cutAtEndLabel(char* text) {
    char* end = std::strstr(text, kEndCertificate);
    if (end == nullptr) end = std::strstr(text, kEndCrl);
    if (end != nullptr) *end = '\0';
}

// Whether the text holds fewer than `limit` characters; reads no further than its terminator.
bool shorterThan(const char* text, size_t limit) {
    for (size_t i = 0; i < limit; ++i)
        if (text[i] == '\0') return true;
    return false;
}

}  // namespace

int MoveRedunStrFormPemCert(char* text) {
    if (text == nullptr || text[0] == '\0') return -1;
    const int skip = labelSkip(text);
    if (skip < 0) return -1;
    stripInPlace(text, static_cast<size_t>(skip));
    cutAtEndLabel(text);
    return 0;
}

int MoveRedunStrFormPemCert(char* text, size_t workBufferSize) {
    if (text == nullptr || !shorterThan(text, workBufferSize)) return -1;
    return MoveRedunStrFormPemCert(text);
}

}  // namespace vemo::codec
