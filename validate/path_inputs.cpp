#include "validate/path_inputs.h"

#include <cstring>

namespace vemo::validate {
namespace {

constexpr char kBegin[] = "-----BEGIN CERTIFICATE-----";
constexpr char kEnd[] = "-----END CERTIFICATE-----";

codec::TextStep Decode(std::string text, std::vector<Der>& certificates) {
    codec::DerBlock der;
    const codec::TextStep step = codec::NormaliseAndDecode(text.data(), 0, der);
    if (step == codec::TextStep::Ok) certificates.emplace_back(der.bytes, der.bytes + der.length);
    return step;
}

}  // namespace

codec::TextStep ReadCertificateBlocks(const char* text, std::vector<Der>& certificates) {
    certificates.clear();
    if (text == nullptr || text[0] == '\0') return codec::TextStep::Ok;
    const char* begin = std::strstr(text, kBegin);
    if (begin == nullptr) return Decode(text, certificates);
    for (; begin != nullptr; begin = std::strstr(begin, kBegin)) {
        if (certificates.size() == kMaxIntermediates) return codec::TextStep::TooLong;
        const char* end = std::strstr(begin + sizeof kBegin - 1, kEnd);
        if (end == nullptr) return codec::TextStep::NotRecognised;
        end += sizeof kEnd - 1;
        const codec::TextStep step = Decode(std::string(begin, end), certificates);
        if (step != codec::TextStep::Ok) return step;
        begin = end;
    }
    return codec::TextStep::Ok;
}

bool ReadListFileNames(const char* text, std::vector<std::string>& names) {
    names.clear();
    if (text == nullptr) return true;
    for (const char* start = text;; ++start) {
        const char* end = std::strchr(start, ';');
        const size_t length = end == nullptr ? std::strlen(start) : static_cast<size_t>(end - start);
        if (length != 0) {
            if (names.size() == kMaxListFiles) return false;
            names.emplace_back(start, length);
        }
        if (end == nullptr) return true;
        start = end;
    }
}

}  // namespace vemo::validate
