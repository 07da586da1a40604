// sign-p7 and verify-p7: C_VEMO_Sign_P7 and C_VEMO_VerifySign_P7, with the message in a file.
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"

namespace vemo::tool {
namespace {

int SignP7(const LibraryBinding& library, const Arguments& given) {
    Arguments args = given;
    std::string text;
    if (!DataOf(args, text) || args.size() != 1) return Usage(kSignP7Command);
    // The export signs the text up to its zero byte: what a file holds past one is not signed.
    const size_t length = std::strlen(text.c_str());
    if (length != text.size()) std::fprintf(stderr, "vemo: the text ends at its zero byte, after %zu bytes\n", length);

    std::vector<uint8_t> message(CVEMO_P7_MESSAGE_MAX(length));  // the most the export writes
    int32_t written = 0;
    const int32_t result = library.signP7(text.c_str(), message.data(), &written);
    if (result == 0) {
        if (!WriteFile(args[0], message.data(), static_cast<size_t>(written))) return 2;
        std::printf("message: %s (%ld bytes: PKCS#7 SignedData, DER, over %zu bytes of text and its zero byte)\n",
                    args[0].c_str(), static_cast<long>(written), length);
    }
    return Report(result);
}

int VerifyP7(const LibraryBinding& library, const Arguments& args) {
    std::string message;
    if (args.size() != 1 || !ReadFile(args[0], message)) return Usage(kVerifyP7Command);
    const auto length = static_cast<uint32_t>(message.size());
    std::printf("message: %s (%lu bytes)\n", args[0].c_str(), static_cast<unsigned long>(length));
    return Report(library.verifySignP7(reinterpret_cast<const uint8_t*>(message.data()), &length));
}

}  // namespace

const Command kSignP7Command = {
    "sign-p7", "(<text> | --file <path>) <message file>",
    "PKCS#7 signed message of a text into a file (C_VEMO_Sign_P7)",
    "Token and trace editions: signed with the token's key. The message is DER: MD5, the text and its terminating zero byte carried inside, the token's\n"
    "certificate as its only certificate. openssl reads it with\n"
    "  openssl cms -verify -inform DER -binary -noverify -in <message file>",
    SignP7};
const Command kVerifyP7Command = {
    "verify-p7", "<message file>",
    "checks a PKCS#7 signed message file (C_VEMO_VerifySign_P7)",
    "Token and trace editions; messages of up to 8192 bytes are taken. The trace edition shows the signed content in a\n"
    "message box and returns when it is closed.",
    VerifyP7};

}  // namespace vemo::tool
