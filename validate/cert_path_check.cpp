#include "validate/cert_path_check.h"

#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "cert/name_text.h"
#include "cert/store_search.h"
#include "frame/sized_output.h"
#include "validate/list_file.h"
#include "validate/path_inputs.h"
#include "validate/path_validation.h"
#include "validate/revocation_list.h"
#include "validate/step_report.h"
#include "validate/store_cache.h"
#include "validate/user_certificate_in.h"

namespace vemo::validate {
namespace {

// The path text: one subject a line, the certificate first, the anchor last, lines ended by a
// line feed except the last. A line feed or carriage return inside a subject becomes a space,
// so that every line is one certificate.
std::string PathText(PathPool& pool, const std::vector<size_t>& path) {
    std::string text;
    for (const size_t index : path) {
        if (!text.empty()) text += '\n';
        for (const char c : cert::NameText(pool.context(index)->pCertInfo->Subject)) {
            text += c == '\n' || c == '\r' ? ' ' : c;
        }
    }
    return text;
}

// The intermediates' text into the pool: 0, or the failure's code (written down).
int32_t AddIntermediates(const char* text, PathPool& pool, TraceBlock& trace) {
    std::vector<Der> certificates;
    switch (ReadCertificateBlocks(text, certificates)) {
        case codec::TextStep::Ok: break;
        case codec::TextStep::TooLong: return SPC_INPUTARG_ERROR_01;
        case codec::TextStep::NotRecognised:
            ReportFailure(&trace, "MoveRedunStrFormPemCert", unsigned(E_FAILED), __LINE__);
            return E_FAILED;
        case codec::TextStep::NotDecodable:
            ReportFailure(&trace, "R_DecodePEMBlock", __LINE__);
            return E_PEM_DECODE_ERROR;
    }
    for (const Der& der : certificates) {
        win::CertificateContext certificate(
            CertCreateCertificateContext(cert::kCertEncoding, der.data(), static_cast<DWORD>(der.size())));
        if (!certificate) {
            ReportFailure(&trace, "CertCreateCertificateContext", __LINE__);
            return E_CERT_DATA_ERROR;
        }
        pool.addIntermediate(std::move(certificate));
    }
    trace("ReadCertificateBlocks succeeds.\n");
    return 0;
}

// The lists of the files named in `names` into the pool: 0, or the failure's code.
int32_t AddListFiles(const char* names, PathPool& pool, TraceBlock& trace) {
    std::vector<std::string> files;
    if (!ReadListFileNames(names, files)) return SPC_INPUTARG_ERROR_01;
    for (const std::string& file : files) {
        std::vector<uint8_t> der;
        if (const int32_t code = ReadListFile(file.c_str(), der, &trace); code != 0) return code;
        RevocationList list;
        if (!ReadRevocationList(codec::ByteReader(der.data(), der.size()), list)) {
            ReportFailure(&trace, "ReadRevocationList", __LINE__);
            return SPC_INPUTARG_ERROR_01;
        }
        pool.addList(std::move(der));
    }
    trace("ReadCRLFile succeeds.\n");
    return 0;
}

// Writes down why no path validated.
void ReportPathFailure(const PathValidation& validation, int32_t code, TraceBlock& trace) {
    switch (validation.failedStep()) {
        case PathStep::Validity:
            ReportFailure(&trace, "CertVerifyTimeValidity", unsigned(validation.failedValidity()), __LINE__);
            break;
        case PathStep::Rules: ReportFailure(&trace, "CheckPathConstraint", unsigned(code), __LINE__); break;
        case PathStep::Revocation: ReportFailure(&trace, "CheckRevocation", unsigned(code), __LINE__); break;
        case PathStep::None: ReportFailure(&trace, "BuildCertPath", unsigned(code), __LINE__); break;
    }
    trace("VerifyCertPath fail.\n");
}

// The check up to its result; `path` receives the path as far as it was judged.
int32_t CheckPath(const char* certText, const char* intermediates, const char* crlFiles, uint32_t flags,
                  TraceBlock& trace, std::string& path) {
    win::CertificateContext certificate;
    if (const int32_t code = UserCertificateInCopy(certText, &trace, certificate); code != 0) return code;
    PathPool pool(std::move(certificate));
    if (pool.decoded(0) == nullptr) {
        ReportFailure(&trace, "ReadPathCertificate", __LINE__);
        return E_CERT_DATA_ERROR;
    }

    if (const int32_t code = AddIntermediates(intermediates, pool, trace); code != 0) return code;
    if (const int32_t code = AddListFiles(crlFiles, pool, trace); code != 0) return code;
    const win::CertStore roots = CurrentUserStore("ROOT");
    if (!roots) {
        ReportFailure(&trace, "CertOpenSystemStore", __LINE__);
        return E_ROOT_STORE_ERROR;
    }
    trace("CertOpenSystemStore succeeds.\n");
    pool.addAnchors(roots.get());
    // Without the "CA" store a path may still be found through the caller's intermediates.
    if (const win::CertStore authorities = CurrentUserStore("CA")) pool.addIntermediates(authorities.get());

    PathValidation validation(pool, (flags & CVEMO_PATH_REVOCATION) != 0);
    const PathSearchResult result = validation.validate();
    path = PathText(pool, result.path);
    if (result.code != 0) {
        ReportPathFailure(validation, result.code, trace);
        return result.code;
    }
    trace("VerifyCertPath succeeds.\n");
    return 0;
}

}  // namespace

int32_t VerifyCertPath(const char* certText, const char* intermediates, const char* crlFiles, uint32_t flags,
                       char* pathOut, uint32_t* pathOutLength) {
    TraceBlock trace;
    const SizedOutput out(pathOut, pathOutLength, OutputKind::Text);
    if (certText == nullptr || certText[0] == '\0' || (flags & ~uint32_t{CVEMO_PATH_REVOCATION}) != 0 ||
        out.malformed()) {
        return SPC_INPUTARG_ERROR_01;
    }
    std::string path;
    const int32_t code = CheckPath(certText, intermediates, crlFiles, flags, trace, path);
    if (code == 0) return out.put(path.data(), path.size());
    // A failure's path is written when it fits, and otherwise only its length: the failure is
    // the answer either way.
    if (out.fits(path.size())) {
        out.put(path.data(), path.size());
    } else {
        out.tell(path.size());
    }
    return code;
}

}  // namespace vemo::validate
