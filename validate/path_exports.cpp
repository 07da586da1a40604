// Export: the certification path check through intermediates, with revocation lists.
#include "CVemoDll_C.h"
#include "frame/export_guard.h"
#include "validate/cert_path_check.h"

extern "C" int32_t CVEMO_CALL C_VEMO_VerifyCertPath(const char* cert_text, const char* intermediates,
                                                     const char* crl_files, uint32_t flags, char* path_out,
                                                     uint32_t* path_out_length) {
    return vemo::guard([&] {
        return vemo::validate::VerifyCertPath(cert_text, intermediates, crl_files, flags, path_out, path_out_length);
    });
}
