// The personal-store source: the first certificate of "MY", found again by its display name,
// which is left in "certinfo.txt" (UTF-16LE, no byte-order mark, no terminator).
#include <cstring>
#include <fstream>

#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "cert/user_cert_sources.h"
#include "frame/diagnostics.h"

namespace vemo::cert {
namespace {

constexpr char kNameFile[] = "certinfo.txt";

// Best effort: a name file that cannot be written costs only the file.
void WriteNameFile(const wchar_t* name, int units) {
    std::ofstream file(kNameFile, std::ios::binary | std::ios::trunc);
    if (file) file.write(reinterpret_cast<const char*>(name), static_cast<std::streamsize>(units) * 2);
}

}  // namespace

int32_t GetUserCerFromIe(Base64Text& text, uint32_t& length) {
    TraceBlock trace;  // a block of its own inside the caller's
    const win::CertStore store(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, kCertEncoding, 0,
                                             CERT_SYSTEM_STORE_CURRENT_USER, L"MY"));
    if (!store) {
        LogError("[ERROR]CertOpenSystemStore is error, Line %d\n", __LINE__);
        trace("***** CertOpenSystemStore fails. Line %d\n", __LINE__);
        return E_FAILED;
    }
    trace("****** CertOpenSystemStore OK. \n******");

    const win::CertificateContext first(CertEnumCertificatesInStore(store.get(), nullptr));
    if (!first) {
        LogError("[ERROR]CertEnumCertificatesInStore is error, No Cert ,Line %d\n", __LINE__);
        trace("***** CertEnumCertificatesInStore fails. Line %d\n", __LINE__);
        return E_FAILED;
    }
    char name[kDisplayNameSize];
    if (!SimpleDisplayName(first.get(), name)) {
        LogError("[ERROR]CertGetNameStringA is error,Line %d\n", __LINE__);
        trace("***** CertGetNameStringA fails. Line %d\n", __LINE__);
        return E_FAILED;
    }
    trace("****** MultiByteToWideChar OK. pszNameString len is %d******\n", static_cast<int>(std::strlen(name)));
    wchar_t wideName[kDisplayNameSize + 1];
    const int units = AnsiToWide(name, wideName);
    trace("****** MultiByteToWideChar OK. utfname len is %d******\n", units);

    const win::CertificateContext found = FindBySubject(store.get(), wideName);
    if (!found) {
        LogError("[ERROR]CertFindCertificateInStore is error,Line %d\n", __LINE__);
        trace("***** CertFindCertificateInStore fails. Line %d\n", __LINE__);
        return E_FAILED;
    }
    WriteNameFile(wideName, units);
    if (!CertificateToBase64(found.get()->pbCertEncoded, found.get()->cbCertEncoded, text, length)) {
        return SPC_UNKNOWN_ERROR;  // the export writes it down
    }
    trace("****** CertGetNameStringA OK. NameString len is %d******\n", static_cast<int>(length));
    trace("****** CertGetNameStringA OK. ******\n");
    trace("****** CertEnumCertificatesInStore OK. ******\n");
    return 0;
}

}  // namespace vemo::cert
