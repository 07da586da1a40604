#include "cert/user_cert.h"

#include <cstring>
#include <fstream>

#include "CVemoDll_C.h"
#include "cert/http_client.h"
#include "cert/user_cert_sources.h"
#include "codec/one_line_pem.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "picker/selection_dialog.h"

namespace vemo::cert {
namespace {

// The caller's buffer holds the largest output and its terminator.
constexpr size_t kCertOutCapacity = CVEMO_CERT_TEXT_MAX + 1;
static_assert(CVEMO_CERT_TEXT_MAX == codec::kOneLinePemMax);

// The file source reads at most this much.
constexpr size_t kFileReadMax = 4096;

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// Base64 text from a source, handed out as one-line PEM.
int32_t AsOneLinePem(const Base64Text& text, uint32_t textLength, char* certOut, uint32_t& length) {
    return codec::WrapOneLinePem(text, textLength, certOut, kCertOutCapacity, &length) ? 0 : E_FAILED;
}

// Selector "1": the text of the downloaded page from its begin line on, without terminator.
int32_t FromWebAddress(const char* location, char* certOut, uint32_t& length) {
    if (location == nullptr) return SPC_INPUTARG_ERROR_01;
    char text[kResponseBufferSize];
    if (GetUserCerFromUrl(location, text) != 0) return E_CERT_DATA_ERROR;
    length = static_cast<uint32_t>(std::strlen(text));
    std::memcpy(certOut, text, length);
    return 0;
}

// Selector "3": the file's first bytes as they are, without terminator.
int32_t FromFile(const char* location, char* certOut, uint32_t& length) {
    if (location == nullptr) return SPC_INPUTARG_ERROR_01;
    std::ifstream file(location, std::ios::binary);
    if (!file) return E_FILE_OPEN_ERROR;
    file.read(certOut, kFileReadMax);
    const std::streamsize read = file.gcount();
    if (read <= 0) return E_FILE_READ_ERROR;
    length = static_cast<uint32_t>(read);
    return 0;
}

// Selector "2" in the token and trace editions: the armour lines alone.
int32_t EmptyArmour(char* certOut, uint32_t& length) {
    return codec::WrapOneLinePem("", 0, certOut, kCertOutCapacity, &length) ? 0 : E_FAILED;
}

// The picker edition's selection dialog in place of the token and the personal store: Cancel,
// or OK without a certificate, is "no certificate found". Built into that edition only.
int32_t FromSelectionDialog(char* certOut, uint32_t& length) {
    if constexpr (edition::kKind == edition::Kind::Picker) {
        picker::SelectionText chosen;
        if (!picker::SelectCertificateText(chosen) || chosen.length == 0) return E_ENCROLL_CERT_NO_FIND;
        return codec::WrapOneLinePem(chosen.text, chosen.length, certOut, kCertOutCapacity, &length) ? 0 : E_FAILED;
    } else {
        return E_ENCROLL_CERT_NO_FIND;
    }
}

int32_t FromToken(char* certOut, uint32_t& length, TraceBlock& trace) {
    Base64Text text{};
    uint32_t textLength = 0;
    const int32_t result = GetUserCerFromKey(text, textLength);
    if (result != 0) {
        LogError("[ERROR]GetUserCerFromKey is error,Error Code: 0x%08x,Line %d\n", unsigned(result), __LINE__);
        trace("***** GetUserCerFromKey fails. Error Code: 0x%08x, Line %d\n", unsigned(result), __LINE__);
        return result;
    }
    trace("***** GetUserCerFromKey OK. \n");
    return AsOneLinePem(text, textLength, certOut, length);
}

int32_t FromPersonalStore(char* certOut, uint32_t& length, TraceBlock& trace) {
    Base64Text text{};
    uint32_t textLength = 0;
    const int32_t result = GetUserCerFromIe(text, textLength);
    if (result != 0) {
        LogError("[ERROR]GetUserCerFromIe is error,Error Code: 0x%08x,Line %d\n", unsigned(result), __LINE__);
        trace("***** GetUserCerFromIe fails. Error Code: 0x%08x, Line %d\n", unsigned(result), __LINE__);
        return result;
    }
    return AsOneLinePem(text, textLength, certOut, length);
}

int32_t FromSource(char selector, const char* lookupText, const char* serialHex, const char* location,
                   char* certOut, uint32_t& length, TraceBlock& trace) {
    constexpr bool kPicker = edition::kKind == edition::Kind::Picker;
    switch (selector) {
        case '0': {
            if (lookupText == nullptr || serialHex == nullptr) return SPC_INPUTARG_ERROR_01;
            Base64Text text{};
            uint32_t textLength = 0;
            const int32_t result = GetUserCerBySerial(serialHex, text, textLength);
            return result != 0 ? result : AsOneLinePem(text, textLength, certOut, length);
        }
        case '1': return FromWebAddress(location, certOut, length);
        case '2':
            if (IsEmpty(lookupText) || IsEmpty(serialHex) || IsEmpty(location)) return SPC_INPUTARG_ERROR_01;
            return kPicker ? FromSelectionDialog(certOut, length) : EmptyArmour(certOut, length);
        case '3': return FromFile(location, certOut, length);
        case '4':
            return kPicker ? FromSelectionDialog(certOut, length) : FromToken(certOut, length, trace);
        default:
            return kPicker ? FromSelectionDialog(certOut, length) : FromPersonalStore(certOut, length, trace);
    }
}

}  // namespace

bool CertificateToBase64(const uint8_t* der, size_t size, Base64Text& text, uint32_t& length) {
    if (size > kCertificateDerMax) return false;
    if (codec::EncodeBase64Block(text, sizeof text - 1, &length, der, static_cast<uint32_t>(size)) != 0) return false;
    text[length] = '\0';
    return true;
}

int32_t GetUserCert(const char* lookupText, const char* serialHex, const char* location, const char* source,
                    char* certOut, int32_t* certOutLength) {
    // A failed call leaves an empty text behind.
    if (certOut != nullptr) std::memset(certOut, 0, 4);
    TraceBlock trace;  // every call of the trace edition, whatever the selector
    if (certOut == nullptr || certOutLength == nullptr || source == nullptr) return SPC_INPUTARG_ERROR_01;

    uint32_t length = 0;
    const int32_t result = FromSource(source[0], lookupText, serialHex, location, certOut, length, trace);
    if (result == 0) *certOutLength = static_cast<int32_t>(length);
    return result;
}

}  // namespace vemo::cert
