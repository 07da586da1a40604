// verifycert and verifycrl: C_VEMO_VerifyUserCert and C_VEMO_VerifyUserCRL; the outcome in
// words is the result's meaning for each export.
#include "commands.h"

namespace vemo::tool {
namespace {

// The certificate text from a file (PEM or bare Base64), as a buffer the library may normalise
// in place (the trace and picker editions do).
bool ReadCertificateText(const std::string& path, std::vector<char>& text) {
    std::string content;
    if (!ReadFile(path, content)) return false;
    text.assign(content.begin(), content.end());
    text.push_back('\0');
    return true;
}

int VerifyCert(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::vector<char> text;
    if (!ParseArguments(given, {}, {}, args) || args.positional.size() != 1) return Usage(kVerifyCertCommand);
    if (!ReadCertificateText(args.positional[0], text)) return 2;
    Call call{Export::VerifyUserCert, {{"certificate", args.positional[0]}}};
    call.result = library.verifyUserCert(text.data(), 0);
    return Print(library, call);
}

int VerifyCrl(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    std::vector<char> text;
    if (!ParseArguments(given, {}, {}, args) || args.positional.size() < 2 || args.positional.size() > 3) {
        return Usage(kVerifyCrlCommand);
    }
    if (!ReadCertificateText(args.positional[0], text)) return 2;
    const std::string mode = args.positional.size() == 3 ? args.positional[2] : "3";
    Call call{Export::VerifyUserCRL, {{"certificate", args.positional[0]}, {"list", args.positional[1]}, {"mode", mode}}};
    call.result = library.verifyUserCRL(text.data(), args.positional[1].c_str(), mode.c_str());
    return Print(library, call);
}

}  // namespace

const Command kVerifyCertCommand = {
    "verifycert", "<certificate file>", "validity period and trusted root of a certificate (C_VEMO_VerifyUserCert)",
    "The file holds the certificate as PEM or bare Base64. 0: within its validity period and\n"
    "issued by a root of the current user's \"ROOT\" store.",
    VerifyCert};
const Command kVerifyCrlCommand = {
    "verifycrl", "<certificate file> <CRL file> [<mode>]",
    "judges a revocation list file for a certificate (C_VEMO_VerifyUserCRL)",
    "The CRL file is DER, PEM or bare Base64. The mode is \"3\" (judge the list, the default); \"1\"\n"
    "and \"2\" answer 0 without reading the list. A list counts when a certificate of the current\n"
    "user's \"ROOT\" store signed it: then 0 means not revoked and -508 revoked; -509 and -510 say\n"
    "the list cannot vouch or is out of date (exit status 1 for any answer but 0).",
    VerifyCrl};

}  // namespace vemo::tool
