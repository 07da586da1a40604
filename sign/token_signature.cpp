// The raw signature with the key in the token (token and trace editions): the token's first
// real key container, the serial number of the certificate stored with its key, the SHA-1
// signature. The token edition writes each failure to the user log; the trace edition writes
// nothing for this export.
#include "CVemoDll_C.h"
#include "codec/serial_text.h"
#include "frame/diagnostics.h"
#include "sign/hash_signature.h"
#include "sign/raw_signature.h"
#include "sign/signature_record.h"
#include "sign/token_container.h"

namespace vemo::sign {
namespace {

// The hash and signature steps' messages.
int32_t SignatureFailure(HashSignStep step) {
    switch (step) {
    case HashSignStep::Ok:
        return 0;
    case HashSignStep::CreateHash:
        LogError("[ERROR]CryptHashData get sign len is error,Error Code: E_SIGN_ERROR,Line %d\n", __LINE__);
        break;
    case HashSignStep::HashData:
        LogError("[ERROR]CryptHashData is error,Error Code: E_SIGN_ERROR,Line %d\n", __LINE__);
        break;
    case HashSignStep::Length:
        LogError("[ERROR]CryptSignHash get sign len is error,Error Code: E_SIGN_ERROR,Line %d\n", __LINE__);
        break;
    case HashSignStep::Sign:
        LogError("[ERROR]CryptSignHash is error,Error Code: E_SIGN_ERROR,Line %d\n", __LINE__);
        break;
    }
    return E_SIGN_ERROR;
}

}  // namespace

int32_t SignWithEditionKey(int32_t /*selectionMode*/, const char* /*selector*/, const uint8_t* data,
                           uint32_t length, uint8_t* record) {
    TokenKey found;
    if (const int32_t result = TokenStepResult(OpenTokenKey(CRYPT_SILENT, found)); result != 0) return result;

    const win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, found.certificate, found.certificateLength));
    if (!certificate) {
        LogError("[ERROR]CertCreateCertificateContext is error,Error Code: E_CERT_DATA_ERROR,Line %d\n", __LINE__);
        return E_CERT_DATA_ERROR;
    }
    // The serial text by the token editions' rule; a serial number whose text would not fit the
    // record's field is refused rather than cut.
    const CRYPT_INTEGER_BLOB& serial = certificate.get()->pCertInfo->SerialNumber;
    char serialText[SignatureRecordLayout::kSerialSize] = {};
    if (!codec::SerialToHex(serial.pbData, serial.cbData, codec::SerialOrder::EvenLengthsReversed, serialText,
                            sizeof serialText)) {
        LogError("[ERROR]Serial Number is error,Error Code: E_SIGN_ERROR,Line %d\n", __LINE__);
        return E_SIGN_ERROR;
    }

    SignatureValue value;
    if (const HashSignStep step = SignSha1(found.context.get(), found.keySpec, data, length, value);
        step != HashSignStep::Ok) {
        return SignatureFailure(step);
    }
    return FillSignatureRecord(record, serialText, value.bytes, value.length) ? 0 : E_SIGN_ERROR;
}

}  // namespace vemo::sign
