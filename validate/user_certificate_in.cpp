#include "validate/user_certificate_in.h"

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "frame/certificate_text_in.h"

namespace vemo::validate {
namespace {

int32_t CertificateIn(char* text, const codec::TextPolicy& policy, TraceBlock* trace,
                      win::CertificateContext& certificate) {
    if (text == nullptr || text[0] == '\0') return SPC_INPUTARG_ERROR_01;

    codec::DerBlock der;
    const codec::TextStep step = codec::CertificateTextToDer(text, policy, der);
    // An overlong text is refused like a missing one: before any step that writes a message.
    if (step == codec::TextStep::TooLong) return SPC_INPUTARG_ERROR_01;
    if (step == codec::TextStep::NotRecognised) {
        const unsigned code = unsigned(E_FAILED);  // the normaliser's own result
        LogError("[ERROR]MoveRedunStrFormPemCert is error,Error Code: 0x%08x,Line %d\n", code, __LINE__);
        if (trace) (*trace)("***** MoveRedunStrFormPemCert fails. Error Code: 0x%08x, Line %d\n", code, __LINE__);
        return E_FAILED;
    }
    if (trace) (*trace)("MoveRedunStrFormPemCert succeeds.\n");
    if (step == codec::TextStep::NotDecodable) {
        LogError("[ERROR]R_DecodePEMBlock is error,Line %d\n", __LINE__);
        // The decoder's own result: 1 for every block it refuses.
        if (trace) (*trace)("***** R_DecodePEMBlock fails. Error Code: 0x%08x, Line %d\n", 1u, __LINE__);
        return E_PEM_DECODE_ERROR;
    }
    if (trace) (*trace)("R_DecodePEMBlock succeeds.\n");

    certificate.reset(CertCreateCertificateContext(cert::kCertEncoding, der.bytes, der.length));
    if (!certificate) {
        LogError("[ERROR]CertCreateCertificateContext is error,Line %d\n", __LINE__);
        if (trace) (*trace)("***** CertCreateCertificateContext fails. \n");
        return E_CERT_DATA_ERROR;
    }
    if (trace) (*trace)("CertCreateCertificateContext succeeds.\n");
    return 0;
}

}  // namespace

int32_t UserCertificateIn(char* text, TraceBlock* trace, win::CertificateContext& certificate) {
    return CertificateIn(text, kCertificateTextPolicy, trace, certificate);
}

int32_t UserCertificateInCopy(const char* text, TraceBlock* trace, win::CertificateContext& certificate) {
    constexpr codec::TextPolicy kPrivateCopy = {false, 0};
    // Never written through: the policy copies before normalising.
    return CertificateIn(const_cast<char*>(text), kPrivateCopy, trace, certificate);
}

}  // namespace vemo::validate
