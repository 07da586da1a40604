// sign-data and verify-data: C_VEMO_SignData and C_VEMO_VerifyData, the signature a file of
// its bytes, most significant byte first, as openssl writes and reads it.
#include <cstdio>
#include <cstdlib>

#include "commands.h"

namespace vemo::tool {
namespace {

// The longest signature: a key of 16384 bits.
constexpr uint32_t kSignatureMax = 2048;

int SignData(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string data;
    Field source;
    uint32_t algorithm = 0;
    if (!ParseArguments(given, {"--alg", "--mode", "--selector", "--file", "--out"}, {}, args) ||
        !DataOf(args, data, source) || !args.positional.empty()) {
        return Usage(kSignDataCommand);
    }
    if (!AlgorithmOf(args, "sha256", algorithm)) return 2;
    const int32_t mode = std::atoi(args.option("--mode", "0").c_str());
    const auto selector = args.options.find("--selector");
    const char* selectorText = selector == args.options.end() ? nullptr : selector->second.c_str();
    Call call{Export::SignData, {AlgorithmField(algorithm), {"selection_mode", static_cast<long long>(mode)}}};
    if (selectorText) call.arguments.push_back({"selector", selectorText});
    call.arguments.push_back(source);
    call.arguments.push_back({"data_length", static_cast<long long>(data.size())});

    // The picker edition with nothing chosen yet in this process asks the user.
    if (library.edition() == Edition::Picker && mode != 1 && mode != 2) AnnounceDialog("signing");
    std::vector<uint8_t> signature(kSignatureMax);
    uint32_t length = kSignatureMax;
    call.result = library.signData(algorithm, mode, selectorText, reinterpret_cast<const uint8_t*>(data.data()),
                                   static_cast<uint32_t>(data.size()), signature.data(), &length);
    bool written = true;
    if (call.result == 0) {
        call.outputs.push_back({"signature", Hex(signature.data(), length)});
        call.outputs.push_back({"signature_length", static_cast<long long>(length)});
        written = WriteOut(args, signature.data(), length, call);
    }
    return Finished(Print(library, call), written);
}

int VerifyData(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::string keyData, data, signature;
    Field source;
    uint32_t algorithm = 0;
    if (!ParseArguments(given, {"--alg", "--file"}, {}, args) || args.positional.empty()) {
        return Usage(kVerifyDataCommand);
    }
    const std::string keyFile = args.positional.front();
    args.positional.erase(args.positional.begin());
    if (!DataOf(args, data, source) || args.positional.size() != 1) return Usage(kVerifyDataCommand);
    if (!AlgorithmOf(args, "sha256", algorithm)) return 2;
    const std::string signatureFile = args.positional.front();
    if (!ReadFile(keyFile, keyData) || !ReadFile(signatureFile, signature)) return 2;
    Call call{Export::VerifyData,
              {AlgorithmField(algorithm), {"key_data", keyFile},
               {"key_data_length", static_cast<long long>(keyData.size())}, source,
               {"data_length", static_cast<long long>(data.size())}, {"signature_file", signatureFile},
               {"signature_length", static_cast<long long>(signature.size())}}};
    call.result = library.verifyData(algorithm, reinterpret_cast<const uint8_t*>(keyData.data()),
                                     static_cast<uint32_t>(keyData.size()),
                                     reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()),
                                     reinterpret_cast<const uint8_t*>(signature.data()),
                                     static_cast<uint32_t>(signature.size()));
    return Print(library, call);
}

}  // namespace

const Command kSignDataCommand = {
    "sign-data",
    "(<text> | --file <path>) [--alg sha1|sha256|sha384|sha512] [--out <signature file>] [--mode <n>] "
    "[--selector <text>]",
    "RSA signature of a digest of a text or a file (C_VEMO_SignData)",
    "SHA-256 unless --alg says otherwise. The signature is shown as hex; --out writes its bytes\n"
    "(most significant first, as `openssl dgst -sha256 -sign` writes them) for \"vemo verify-data\"\n"
    "or `openssl dgst -verify`. The token and trace editions sign with the token's first key, or\n"
    "with --selector the key whose certificate has that serial number (hex); --mode is not\n"
    "examined. The picker edition chooses as \"vemo sign\" does: --mode 1 (--selector: a serial\n"
    "number), --mode 2 (--selector: a part of the subject), else its signing dialog.",
    SignData};
const Command kVerifyDataCommand = {
    "verify-data",
    "<key data file> (<text> | --file <path>) <signature file> [--alg sha1|sha256|sha384|sha512]",
    "checks an RSA signature of a text or a file against a certificate or RSA public key (C_VEMO_VerifyData)",
    "The key data file holds the signer's certificate or RSA public key as PEM, Base64 or DER, the\n"
    "signature file the signature's bytes, most significant first (as openssl writes them).\n"
    "SHA-256 unless --alg says otherwise.",
    VerifyData};

}  // namespace vemo::tool
