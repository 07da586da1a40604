// Exports: the user's certificate as text, and the fields of a certificate.
#include "CVemoDll_C.h"
#include "cert/cert_info.h"
#include "cert/user_cert.h"
#include "frame/export_guard.h"

extern "C" int32_t CVEMO_CALL C_VEMO_GetUserCert(const char* lookup_text, const char* serial_hex,
                                                 const char* location, const char* source, char* cert_out,
                                                 int32_t* cert_out_length) {
    return vemo::guard([&] {
        return vemo::cert::GetUserCert(lookup_text, serial_hex, location, source, cert_out, cert_out_length);
    });
}

extern "C" int32_t CVEMO_CALL C_VEMO_GetCertInfo(char* cert_text, const char* item, char* info_out, PackItem* pack) {
    return vemo::guard([&] { return vemo::cert::GetCertInfo(cert_text, item, info_out, pack); });
}
