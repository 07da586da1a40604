// verifycert and verifycrl: C_VEMO_VerifyUserCert and C_VEMO_VerifyUserCRL, with the outcome in
// words beside the code.
#include <cstdio>
#include <cstdlib>

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

const char* CertOutcome(int32_t result) {
    switch (result) {
        case 0: return "valid: within its validity period and issued by a trusted root";
        case E_CERT_NOT_YET_VALID: return "not yet valid";
        case E_CERT_EXPIRED: return "expired (the trace and picker editions say so of a not yet valid one too)";
        case E_ISSUECERT_INVALID: return "not trusted: no root of the ROOT store issued it, or its list revokes it";
        default: return "not checked: the certificate or the store could not be read";
    }
}

const char* CrlOutcome(int32_t result, bool lookedUp) {
    if (result == CVEMO_CRL_REVOKED) return "revoked: the list holds the certificate";
    if (result == CVEMO_CRL_NOT_REVOKED) {
        return lookedUp ? "not revoked: the list does not hold the certificate"
                        : "accepted without a list (mode 1 or 2)";
    }
    return "no answer: the certificate, the mode or the list could not be used";
}

int VerifyCert(const LibraryBinding& library, const Arguments& args) {
    std::vector<char> text;
    if (args.size() != 1) return Usage(kVerifyCertCommand);
    if (!ReadCertificateText(args[0], text)) return 2;
    const int32_t result = library.verifyUserCert(text.data(), 0);
    std::printf("certificate: %s\n", CertOutcome(result));
    return Report(result);
}

int VerifyCrl(const LibraryBinding& library, const Arguments& args) {
    std::vector<char> text;
    if (args.size() != 2 && args.size() != 3) return Usage(kVerifyCrlCommand);
    if (!ReadCertificateText(args[0], text)) return 2;
    const std::string mode = args.size() == 3 ? args[2] : "3";
    const int32_t result = library.verifyUserCRL(text.data(), args[1].c_str(), mode.c_str());
    // The library reads the mode as a decimal number; only 3 reads the list.
    std::printf("certificate: %s\n", CrlOutcome(result, std::atoi(mode.c_str()) == 3));
    return Report(result);
}

}  // namespace

const Command kVerifyCertCommand = {
    "verifycert", "<certificate file>",
    "validity period and trusted root of a certificate (C_VEMO_VerifyUserCert)",
    "The file holds the certificate as PEM or as bare Base64 text.", VerifyCert};
const Command kVerifyCrlCommand = {
    "verifycrl", "<certificate file> <CRL file> [<mode>]",
    "looks a certificate up in a revocation list file (C_VEMO_VerifyUserCRL)",
    "The CRL file is DER, PEM or bare Base64. The mode is \"3\" (look up, the default); \"1\" and\n"
    "\"2\" answer 0 without reading the list. After a lookup, 0 means not revoked, 1 revoked.",
    VerifyCrl};

}  // namespace vemo::tool
