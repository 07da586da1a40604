#include "sign/raw_signature.h"

#include <cstring>
#include <vector>

#include "codec/digest_algorithms.h"
#include "codec/serial_text.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "frame/failure_code.h"
#include "frame/sized_output.h"
#include "sign/signature_record.h"
#include "sign/signing_key.h"

namespace vemo::sign {
namespace {

// The record's serial text: the token editions reverse only even lengths, the picker edition
// always writes the most significant byte first.
constexpr codec::SerialOrder kRecordSerialOrder =
    edition::kUsesToken ? codec::SerialOrder::EvenLengthsReversed : codec::SerialOrder::MostSignificantFirst;

// The raw signature's messages for the hash and signature steps (token edition; the others
// write nothing for C_VEMO_SignEx).
int32_t RecordSignatureFailure(HashSignStep step) {
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

// The platform call of each step, for C_VEMO_SignData's reports.
const char* StepCall(HashSignStep step) {
    switch (step) {
    case HashSignStep::CreateHash:
        return "CryptCreateHash";
    case HashSignStep::HashData:
        return "CryptHashData";
    case HashSignStep::Length:
    case HashSignStep::Sign:
    case HashSignStep::Ok:
        break;
    }
    return "CryptSignHash";
}

}  // namespace

int32_t SignRaw(int32_t selectionMode, const char* selector, const char* data, int32_t dataLength,
                CVEMO_SIGNATURE_RECORD* record) {
    if (record == nullptr) return SPC_INPUTARG_ERROR_01;
    auto* bytes = reinterpret_cast<uint8_t*>(record);
    ClearSignatureRecord(bytes);
    // The length must be the text's: read no further than one byte past it.
    if (data == nullptr || dataLength < 0 ||
        strnlen(data, static_cast<size_t>(dataLength) + 1) != static_cast<size_t>(dataLength)) {
        return SPC_INPUTARG_ERROR_01;
    }
    // A serial number whose text would not fit the record's field is refused rather than cut,
    // before the key is reached; so is, in the picker edition, a key whose signature would not
    // fit the value field (its refusal makes the chosen certificate forgotten).
    char serialText[SignatureRecordLayout::kSerialSize] = {};
    const CertificateCheck serialFits = [&serialText](PCCERT_CONTEXT certificate) -> int32_t {
        const CRYPT_INTEGER_BLOB& serial = certificate->pCertInfo->SerialNumber;
        if (!codec::SerialToHex(serial.pbData, serial.cbData, kRecordSerialOrder, serialText, sizeof serialText)) {
            LogError("[ERROR]Serial Number is error,Error Code: E_SIGN_ERROR,Line %d\n", __LINE__);
            return E_SIGN_ERROR;
        }
        if constexpr (!edition::kUsesToken) {
            const DWORD keyBits =
                CertGetPublicKeyLength(X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo);
            if ((keyBits + 7) / 8 > SignatureRecordLayout::kValueSize) return E_SIGN_ERROR;
        }
        return 0;
    };
    // The token editions do not examine the selector here: their first real container signs.
    SigningKey key;
    const char* failedStep = "";
    if (const int32_t result = ChooseSigningKey(selectionMode, edition::kUsesToken ? nullptr : selector, key,
                                                failedStep, serialFits);
        result != 0) {
        return result;
    }
    std::vector<uint8_t> value;
    const HashSignStep step = SignWithKey(key, CALG_SHA1, reinterpret_cast<const uint8_t*>(data),
                                          static_cast<uint32_t>(dataLength), SignatureRecordLayout::kValueSize, value);
    if (step != HashSignStep::Ok) return RecordSignatureFailure(step);
    return FillSignatureRecord(bytes, serialText, value.data(), value.size()) ? 0 : E_SIGN_ERROR;
}

int32_t SignData(uint32_t algorithm, int32_t selectionMode, const char* selector, const uint8_t* data,
                 uint32_t dataLength, uint8_t* signature, uint32_t* signatureLength) {
    const SizedOutput out(signature, signatureLength);
    if (signatureLength == nullptr || (data == nullptr && dataLength != 0)) return SPC_INPUTARG_ERROR_01;
    if (codec::ExportedDigestAlgorithm(algorithm) == nullptr) return E_ALGORITHM;

    SigningKey key;
    uint32_t length = 0;
    if (const int32_t result = ChooseSizedSigningKey(selectionMode, selector, key, length); result != 0) return result;
    // The size comes from the key: a size query or a short buffer is answered unsigned.
    if (const int32_t answer = out.check(length); answer != 1) return answer;

    std::vector<uint8_t> value;
    if (const HashSignStep step = SignWithKey(key, algorithm, data, dataLength, length, value);
        step != HashSignStep::Ok) {
        ReportFailure(StepCall(step), LastFailureCode(), __LINE__);
        return E_SIGN_ERROR;
    }
    return out.put(value.data(), value.size());
}

}  // namespace vemo::sign
