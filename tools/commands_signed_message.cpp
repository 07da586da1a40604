// sign-p7 and verify-p7: C_VEMO_Sign_P7 and C_VEMO_VerifySign_P7, with the message in a file.
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"

namespace vemo::tool {
namespace {

int SignP7(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string text;
    Field source;
    if (!ParseArguments(given, {"--file", "--out"}, {}, args) || !DataOf(args, text, source) ||
        !args.positional.empty()) {
        return Usage(kSignP7Command);
    }
    // The export signs the text up to its zero byte: what a file holds past one is not signed.
    const size_t length = std::strlen(text.c_str());
    if (length != text.size()) std::fprintf(stderr, "vemo: the text ends at its zero byte, after %zu bytes\n", length);

    Call call{Export::Sign_P7, {source, {"text_length", static_cast<long long>(length)}}};
    std::vector<uint8_t> message(CVEMO_P7_MESSAGE_MAX(length));  // the most the export writes
    int32_t written = 0;
    call.result = library.signP7(text.c_str(), message.data(), &written);
    bool saved = true;
    if (call.result == 0) {
        call.outputs.push_back({"message", Hex(message.data(), static_cast<size_t>(written))});
        call.outputs.push_back({"message_length", static_cast<long long>(written)});
        saved = WriteOut(args, message.data(), static_cast<size_t>(written), call);
    }
    return Finished(Print(library, call), saved);
}

int VerifyP7(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string message;
    if (!ParseArguments(given, {}, {}, args) || args.positional.size() != 1) return Usage(kVerifyP7Command);
    if (!ReadFile(args.positional[0], message)) return 2;
    const auto length = static_cast<uint32_t>(message.size());
    Call call{Export::VerifySign_P7, {{"message_file", args.positional[0]}, {"message_length", static_cast<long long>(length)}}};
    if (library.edition() == Edition::Trace) {
        Announce("The trace edition shows the signed text in a message box once the signature verifies; the call "
                 "returns when you close it.");
    }
    call.result = library.verifySignP7(reinterpret_cast<const uint8_t*>(message.data()), &length);
    return Print(library, call);
}

}  // namespace

const Command kSignP7Command = {
    "sign-p7", "(<text> | --file <path>) [--out <message file>]",
    "PKCS#7 signed message of a text (C_VEMO_Sign_P7; token and trace editions)",
    "Signed with the token's key. The message is DER: MD5, the text and its terminating zero byte\n"
    "carried inside, the token's certificate as its only certificate. --out writes it to a file;\n"
    "openssl reads it with\n"
    "  openssl cms -verify -inform DER -binary -noverify -in <message file>",
    SignP7};
const Command kVerifyP7Command = {
    "verify-p7", "<message file>", "checks a PKCS#7 signed message file (C_VEMO_VerifySign_P7; token and trace editions)",
    "Messages of up to 8192 bytes are taken. The trace edition shows the signed content in a\n"
    "message box and returns when it is closed.",
    VerifyP7};

}  // namespace vemo::tool
