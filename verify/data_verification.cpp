#include "verify/data_verification.h"

#include <algorithm>
#include <vector>

#include "CVemoDll_C.h"
#include "codec/certificate_text.h"
#include "codec/digest_algorithms.h"
#include "frame/diagnostics.h"
#include "frame/failure_code.h"
#include "frame/verification_context.h"
#include "sign/hash_signature.h"
#include "verify/public_key_blob.h"
#include "verify/public_key_data.h"

namespace vemo::verify {
namespace {

// Work buffers on the stack: calls on several threads meet at no heap for DER key data.
struct KeyBlob {
    uint8_t bytes[kLargestPublicKeyBlob];
    size_t length = 0;
};

// The public-key blob of the key in the key data: DER as given when it starts with the SEQUENCE
// tag '0', else decoded from its text; a bare RSAPublicKey, or the one a certificate holds.
int32_t KeyBlobOf(const uint8_t* keyData, uint32_t length, KeyBlob& blob) {
    std::vector<uint8_t> decoded;
    codec::ByteReader der(keyData, length);
    if (keyData[0] != '0') {
        switch (codec::TextToDer(keyData, length, decoded)) {
        case codec::TextStep::Ok:
            der = codec::ByteReader(decoded.data(), decoded.size());
            break;
        case codec::TextStep::NotRecognised:
            ReportFailure("MoveRedunStrFormPemCert", unsigned(E_FAILED), __LINE__);
            return E_FAILED;
        case codec::TextStep::TooLong:
        case codec::TextStep::NotDecodable:
            ReportFailure("R_DecodePEMBlock", unsigned(E_RSA_KEY_DATA_ERROR), __LINE__);
            return E_RSA_KEY_DATA_ERROR;
        }
    }
    codec::ByteReader publicKey;
    if (FindPublicKey(der.data(), der.remaining(), publicKey) != 0) {
        ReportFailure("GetUsrDERPubKey", unsigned(E_CERT_DATA_ERROR), __LINE__);
        return E_CERT_DATA_ERROR;
    }
    RsaPublicKeyNumbers numbers;
    if (ReadRsaPublicKey(publicKey.data(), publicKey.remaining(), numbers)) {
        blob.length = MakePubKeyBlob(numbers, blob.bytes);
    }
    if (blob.length == 0) {
        ReportFailure("RSAPublicKey", unsigned(E_RSA_KEY_DATA_ERROR), __LINE__);
        return E_RSA_KEY_DATA_ERROR;
    }
    return 0;
}

}  // namespace

int32_t VerifyData(uint32_t algorithm, const uint8_t* keyData, uint32_t keyDataLength, const uint8_t* data,
                   uint32_t dataLength, const uint8_t* signature, uint32_t signatureLength) {
    if (keyData == nullptr || keyDataLength == 0 || signature == nullptr || (data == nullptr && dataLength != 0)) {
        return SPC_INPUTARG_ERROR_01;
    }
    if (codec::ExportedDigestAlgorithm(algorithm) == nullptr) return E_ALGORITHM;
    KeyBlob blob;
    if (const int32_t result = KeyBlobOf(keyData, keyDataLength, blob); result != 0) return result;

    DWORD error = 0;
    const HCRYPTPROV context = SharedVerificationContext(error);
    if (!context) {
        ReportFailure("CryptAcquireContext", error, __LINE__);
        return static_cast<int32_t>(error);
    }
    win::CryptKey key;
    if (!CryptImportKey(context, blob.bytes, static_cast<DWORD>(blob.length), 0, 0, key.put())) {
        ReportFailure("CryptImportKey", LastFailureCode(), __LINE__);
        return E_RSA_KEY_DATA_ERROR;
    }
    win::CryptHash hash;
    if (const sign::HashSignStep step = sign::HashData(context, algorithm, data, dataLength, hash);
        step != sign::HashSignStep::Ok) {
        ReportFailure(step == sign::HashSignStep::CreateHash ? "CryptCreateHash" : "CryptHashData", LastFailureCode(),
                      __LINE__);
        return E_VERIFY_ERROR;
    }
    // The provider takes the value least significant byte first. No signature is longer than the
    // largest key: a longer one does not verify.
    uint8_t value[kModulusBytesMax];
    if (signatureLength > sizeof value) {
        ReportFailure("CryptVerifySignature", unsigned(NTE_BAD_SIGNATURE), __LINE__);
        return E_VERIFY_ERROR;
    }
    std::reverse_copy(signature, signature + signatureLength, value);
    if (!CryptVerifySignatureA(hash.get(), value, signatureLength, key.get(), nullptr, 0)) {
        ReportFailure("CryptVerifySignature", LastFailureCode(), __LINE__);
        return E_VERIFY_ERROR;
    }
    return 0;
}

}  // namespace vemo::verify
