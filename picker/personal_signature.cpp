// The raw signature with the key of a personal-store certificate (picker edition): the
// certificate chosen by serial number, subject, earlier choice or dialog, its serial number
// most significant byte first, the private key the platform finds for it, the SHA-1
// signature. Nothing is written down.
#include "CVemoDll_C.h"
#include "cert/store_search.h"
#include "codec/serial_text.h"
#include "frame/message_box.h"
#include "picker/messages.h"
#include "picker/remembered_certificate.h"
#include "picker/signing_certificate.h"
#include "sign/hash_signature.h"
#include "sign/raw_signature.h"
#include "sign/signature_record.h"

namespace vemo::sign {
namespace {

// No matching private key (the platform's own error stays inside).
constexpr int32_t kNoPrivateKey = -2;

// The key to sign with: the key spec the platform reports, or, when that names neither
// (Wine reports 3 for a key imported from a PFX file), the context's exchange key if it has
// one, else its signature key.
DWORD SigningKeySpec(HCRYPTPROV context, DWORD reported) {
    if (reported == AT_KEYEXCHANGE || reported == AT_SIGNATURE) return reported;
    win::CryptKey key;
    return CryptGetUserKey(context, AT_KEYEXCHANGE, key.put()) ? AT_KEYEXCHANGE : AT_SIGNATURE;
}

}  // namespace

int32_t SignWithEditionKey(int32_t selectionMode, const char* selector, const uint8_t* data, uint32_t length,
                           uint8_t* record) {
    win::CertificateContext chosen;
    if (const int32_t result = picker::ChooseSigningCertificate(selectionMode, selector, chosen); result != 0) {
        return result;
    }
    // A serial number whose text would not fit the record's field is refused rather than cut, and
    // so is a key whose signature would not fit its value field; such a certificate is forgotten,
    // so that the next dialog-mode call asks the user again.
    const CRYPT_INTEGER_BLOB& serial = chosen.get()->pCertInfo->SerialNumber;
    char serialText[SignatureRecordLayout::kSerialSize] = {};
    const DWORD keyBits = CertGetPublicKeyLength(cert::kCertEncoding, &chosen.get()->pCertInfo->SubjectPublicKeyInfo);
    if (!codec::SerialToHex(serial.pbData, serial.cbData, codec::SerialOrder::MostSignificantFirst, serialText,
                            sizeof serialText) ||
        (keyBits + 7) / 8 > SignatureRecordLayout::kValueSize) {
        picker::ForgetCertificate(chosen.get());
        return E_SIGN_ERROR;
    }

    HCRYPTPROV context = 0;
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    if (!CryptAcquireCertificatePrivateKey(chosen.get(), CRYPT_ACQUIRE_USE_PROV_INFO_FLAG, nullptr, &context,
                                           &keySpec, &callerFrees)) {
        ShowMessage(picker::message::kNoPrivateKey);
        picker::ForgetCertificate(chosen.get());  // the next dialog-mode call asks the user again
        return kNoPrivateKey;
    }
    const win::ProviderContext owned(callerFrees ? context : 0);

    SignatureValue value;
    if (SignSha1(context, SigningKeySpec(context, keySpec), data, length, value) != HashSignStep::Ok) {
        return E_SIGN_ERROR;
    }
    return FillSignatureRecord(record, serialText, value.bytes, value.length) ? 0 : E_SIGN_ERROR;
}

}  // namespace vemo::sign
