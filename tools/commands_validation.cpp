// verifycert, verifycrl and verifypath: C_VEMO_VerifyUserCert, C_VEMO_VerifyUserCRL and
// C_VEMO_VerifyCertPath; the outcome in words is the result's meaning for each export.
#include <algorithm>

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

int VerifyPath(const LibraryBinding& library, const Arguments& given) {
    ParsedArguments args;
    if (!ParseArguments(given, {"--intermediates", "--crl"}, {"--require-revocation"}, args) ||
        args.positional.size() != 1) {
        return Usage(kVerifyPathCommand);
    }
    std::string certificate, intermediates, lists;
    const std::string intermediatesFile = args.option("--intermediates");
    if (!ReadFile(args.positional[0], certificate) ||
        (!intermediatesFile.empty() && !ReadFile(intermediatesFile, intermediates))) {
        return 2;
    }
    Call call{Export::VerifyCertPath, {{"certificate", args.positional[0]}}};
    if (!intermediatesFile.empty()) call.arguments.push_back({"intermediates", intermediatesFile});
    for (const std::string& list : args.values("--crl")) {
        lists += (lists.empty() ? "" : ";") + list;
        call.arguments.push_back({"list", list});
    }
    const uint32_t flags = args.has("--require-revocation") ? CVEMO_PATH_REVOCATION : 0;
    call.arguments.push_back({"flags", static_cast<long long>(flags)});

    std::vector<char> path(CVEMO_PATH_TEXT_MAX);
    uint32_t length = static_cast<uint32_t>(path.size());
    call.result = library.verifyCertPath(certificate.c_str(), intermediatesFile.empty() ? nullptr : intermediates.c_str(),
                                         lists.empty() ? nullptr : lists.c_str(), flags, path.data(), &length);
    // One row per certificate, the certificate first, the anchor last (on a failure: as far as
    // it was judged, the failing certificate last).
    Table table{"path", {"position", "subject"}, {}};
    const std::string text(path.data(), length < path.size() ? length : 0);
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        table.rows.push_back({static_cast<long long>(table.rows.size()), text.substr(start, end - start)});
        start = end + 1;
    }
    if (!table.rows.empty()) call.tables.push_back(table);
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
const Command kVerifyPathCommand = {
    "verifypath", "<certificate file> [--intermediates <file>] [--crl <file>]... [--require-revocation]",
    "a certification path to a root, with revocation lists (C_VEMO_VerifyCertPath)",
    "The certificate and the intermediates file hold PEM text (the intermediates one or more\n"
    "certificate blocks); each --crl file is a revocation list, DER, PEM or bare Base64. The path\n"
    "leads through the intermediates and the current user's \"CA\" store to a certificate of\n"
    "\"ROOT\"; lists come from the files and both stores. --require-revocation: every certificate\n"
    "below the root must be covered by a list that counts. Shows the path, the certificate first\n"
    "(on a failure as far as it was judged, the failing certificate last).",
    VerifyPath};

}  // namespace vemo::tool
