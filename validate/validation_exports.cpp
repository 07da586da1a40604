// Exports: the certificate check (validity period and trusted root) and the revocation list
// check.
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "validate/crl_check.h"
#include "validate/user_cert_check.h"

extern "C" int32_t CVEMO_CALL C_VEMO_VerifyUserCRL(char* cert_text, const char* crl_file, const char* mode) {
    return vemo::guard([&] { return vemo::validate::VerifyUserCRL(cert_text, crl_file, mode); });
}

extern "C" int32_t CVEMO_CALL C_VEMO_VerifyUserCert(char* cert_text, int32_t /*reserved*/) {
    return vemo::guard([&] { return vemo::validate::VerifyUserCert(cert_text); });
}
