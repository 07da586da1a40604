// The lookup by serial number in the current user's stores "MY" and "AddressBook".
#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "cert/user_cert_sources.h"
#include "frame/diagnostics.h"

namespace vemo::cert {
namespace {

// The serial text is compared as rendered in a 257-byte buffer: at most 128 serial bytes.
constexpr size_t kSerialTextSize = 257;

bool SerialNamed(PCCERT_CONTEXT certificate, const char* serialHex) {
    // As the platform stores it (least significant byte first), then as viewers print it.
    return SerialMatches(certificate, serialHex, codec::SerialOrder::AsStored, kSerialTextSize) ||
           SerialMatches(certificate, serialHex, codec::SerialOrder::MostSignificantFirst, kSerialTextSize);
}

}  // namespace

int32_t GetUserCerBySerial(const char* serialHex, Base64Text& text, uint32_t& length) {
    for (const char* storeName : {"MY", "AddressBook"}) {
        const win::CertStore store = OpenSystemStore(storeName);
        if (!store) continue;
        const win::CertificateContext found =
            FindFirst(store.get(), [&](PCCERT_CONTEXT certificate) { return SerialNamed(certificate, serialHex); });
        if (!found) continue;
        if (!CertificateToBase64(found.get()->pbCertEncoded, found.get()->cbCertEncoded, text, length)) {
            const DWORD error = GetLastError();
            LogError("[ERROR]GetUserCer is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
            return SPC_UNKNOWN_ERROR;
        }
        return 0;
    }
    LogError("[ERROR]GetUserCer is error,Error Code: E_ENCROLL_CERT_NO_FIND,Line %d\n", __LINE__);
    return E_ENCROLL_CERT_NO_FIND;
}

}  // namespace vemo::cert
