// sign-p7 and verify-p7: C_VEMO_Sign_P7 and C_VEMO_VerifySign_P7, with the message in a file;
// sign-msg and verify-msg: C_VEMO_SignMessage and C_VEMO_VerifyMessage.
#include <cstdio>
#include <cstdlib>
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

int SignMsg(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string data;
    Field source;
    uint32_t algorithm = 0;
    if (!ParseArguments(given, {"--alg", "--mode", "--selector", "--file", "--out"}, {"--detached", "--chain", "--pem"},
                        args) ||
        !DataOf(args, data, source) || !args.positional.empty()) {
        return Usage(kSignMsgCommand);
    }
    if (!AlgorithmOf(args, "sha256", algorithm)) return 2;
    const uint32_t flags = (args.has("--detached") ? CVEMO_MSG_DETACHED : 0u) |
                           (args.has("--chain") ? CVEMO_MSG_CHAIN : 0u) | (args.has("--pem") ? CVEMO_MSG_PEM : 0u);
    const int32_t mode = std::atoi(args.option("--mode", "0").c_str());
    const auto selector = args.options.find("--selector");
    const char* selectorText = selector == args.options.end() ? nullptr : selector->second.c_str();
    Call call{Export::SignMessage,
              {AlgorithmField(algorithm), {"flags", static_cast<long long>(flags)},
               {"selection_mode", static_cast<long long>(mode)}}};
    if (selectorText) call.arguments.push_back({"selector", selectorText});
    call.arguments.push_back(source);
    call.arguments.push_back({"data_length", static_cast<long long>(data.size())});

    // The picker edition with nothing chosen yet in this process asks the user (once: the size
    // query remembers the choice).
    if (library.edition() == Edition::Picker && mode != 1 && mode != 2) AnnounceDialog("signing");
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    const auto size = static_cast<uint32_t>(data.size());
    uint32_t length = 0;
    call.result = library.signMessage(algorithm, flags, mode, selectorText, bytes, size, nullptr, &length);
    // Room for the bound and a text's zero.
    std::vector<uint8_t> message(call.result == 0 ? size_t{length} + 1 : 0);
    if (call.result == 0) {
        length = static_cast<uint32_t>(message.size());
        call.result = library.signMessage(algorithm, flags, mode, selectorText, bytes, size, message.data(), &length);
    }
    bool saved = true;
    if (call.result == 0) {
        if ((flags & CVEMO_MSG_PEM) != 0) {
            call.outputs.push_back({"message", std::string(reinterpret_cast<const char*>(message.data()), length)});
        } else {
            call.outputs.push_back({"message", Hex(message.data(), length)});
        }
        call.outputs.push_back({"message_length", static_cast<long long>(length)});
        saved = WriteOut(args, message.data(), length, call);
    }
    return Finished(Print(library, call), saved);
}

int VerifyMsg(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string message, detached;
    if (!ParseArguments(given, {"--detached", "--out"}, {}, args) || args.positional.size() != 1) {
        return Usage(kVerifyMsgCommand);
    }
    if (!ReadFile(args.positional[0], message)) return 2;
    const bool isDetached = !args.option("--detached").empty();
    if (isDetached && !ReadFile(args.option("--detached"), detached)) return 2;
    Call call{Export::VerifyMessage,
              {{"message_file", args.positional[0]}, {"message_length", static_cast<long long>(message.size())}}};
    if (isDetached) {
        call.arguments.push_back({"detached_file", args.option("--detached")});
        call.arguments.push_back({"detached_length", static_cast<long long>(detached.size())});
    }
    // Room enough for both outputs: the content is never longer than the message, the
    // certificate's text never longer than the Base64 of the message that carries it.
    std::vector<uint8_t> content(message.size());
    std::string certificate(message.size() * 4 / 3 + 64, '\0');
    auto contentLength = static_cast<uint32_t>(content.size());
    auto certificateLength = static_cast<uint32_t>(certificate.size());
    call.result = library.verifyMessage(reinterpret_cast<const uint8_t*>(message.data()),
                                        static_cast<uint32_t>(message.size()),
                                        isDetached ? reinterpret_cast<const uint8_t*>(detached.data()) : nullptr,
                                        static_cast<uint32_t>(detached.size()), content.data(), &contentLength,
                                        certificate.data(), &certificateLength);
    bool saved = true;
    if (call.result == 0) {
        call.outputs.push_back({"content", Hex(content.data(), contentLength)});
        call.outputs.push_back({"content_length", static_cast<long long>(contentLength)});
        call.outputs.push_back({"signer_certificate", certificate.substr(0, certificateLength)});
        call.outputs.push_back({"signer_certificate_length", static_cast<long long>(certificateLength)});
        saved = WriteOut(args, content.data(), contentLength, call);
    }
    return Finished(Print(library, call), saved);
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
const Command kSignMsgCommand = {
    "sign-msg",
    "(<text> | --file <path>) [--detached] [--chain] [--pem] [--alg sha1|sha256|sha384|sha512] "
    "[--out <message file>] [--mode <n>] [--selector <text>]",
    "CMS signed message of a text or a file (C_VEMO_SignMessage)",
    "SHA-256 unless --alg says otherwise, with the signed attributes content type, message digest\n"
    "and signing time and the signer's certificate. --detached leaves the content out, --chain adds\n"
    "the certificates of the signer's path found in \"CA\" and \"MY\" (not the root), --pem writes\n"
    "\"-----BEGIN PKCS7-----\" text instead of DER. The key is chosen as \"vemo sign-data\" chooses\n"
    "it. --out writes the message to a file for \"vemo verify-msg\" or\n"
    "  openssl cms -verify -inform DER|PEM -CAfile <root> -in <message file> [-binary -content <file>]",
    SignMsg};
const Command kVerifyMsgCommand = {
    "verify-msg", "<message file> [--detached <content file>] [--out <content file>]",
    "checks a signed message, hands out its content and signer (C_VEMO_VerifyMessage)",
    "The message is DER or text (PKCS7 or CMS armour, bare Base64), of any size; every signer must\n"
    "verify, and signed attributes must name the content's type and digest. --detached gives the\n"
    "content of a detached message. The content (as hex; --out writes it to a file) and the first\n"
    "signer's certificate come back; judge the certificate with verifycert and verifycrl. openssl\n"
    "makes such messages with\n"
    "  openssl cms -sign -binary -nodetach -md sha256 -outform DER -signer <cert> -inkey <key> ...",
    VerifyMsg};

}  // namespace vemo::tool
