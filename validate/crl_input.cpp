#include "validate/crl_input.h"

#include <climits>
#include <new>

#include "frame/c_file.h"

namespace vemo::validate {
namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The most a list may hold: its length and a terminator fit the platform's 32-bit lengths.
constexpr size_t kCrlFileMax = UINT32_MAX - 1;

}  // namespace

int ReadDecimal(const char* text) {
    while (IsBlank(*text)) ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    // Accumulated as a negative number, whose range reaches INT_MIN.
    int value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const int digit = *text - '0';
        value = value < (INT_MIN + digit) / 10 ? INT_MIN : value * 10 - digit;
    }
    if (negative) return value;
    return value == INT_MIN ? INT_MAX : -value;
}

FileRead ReadCrlFile(const char* path, std::string& contents) {
    contents.clear();
    if (path == nullptr || path[0] == '\0') return FileRead::NotOpened;
    const CFile file(std::fopen(path, "rb"));
    if (!file) return FileRead::NotOpened;
    try {
        char block[kCrlFileBlock];
        size_t count = 0;
        do {
            count = std::fread(block, 1, sizeof block, file.get());
            if (count > kCrlFileMax - contents.size()) return FileRead::NotRead;
            contents.append(block, count);
        } while (count == sizeof block);
    } catch (const std::bad_alloc&) {
        contents = std::string();
        return FileRead::NotRead;
    }
    if (std::ferror(file.get())) return FileRead::NotRead;
    return contents.empty() ? FileRead::Empty : FileRead::Ok;
}

codec::TextStep CrlFileToDer(std::string& contents, codec::DerBlock& scratch, CrlDer& der) {
    der = {};
    if (!contents.empty() && contents[0] == '0') {
        der = {reinterpret_cast<const uint8_t*>(contents.data()), contents.size()};
        return codec::TextStep::Ok;
    }
    // The file's own block is the normaliser's text: no copy, and no size limit but the file's.
    const codec::TextStep step = codec::NormaliseAndDecode(contents.data(), 0, scratch);
    if (step == codec::TextStep::Ok) der = {scratch.bytes, scratch.length};
    return step;
}

}  // namespace vemo::validate
