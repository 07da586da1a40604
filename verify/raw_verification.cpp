#include "verify/raw_verification.h"

#include <cstring>

#include "codec/byte_order.h"
#include "frame/certificate_text_in.h"
#include "frame/diagnostics.h"
#include "frame/failure_code.h"
#include "frame/win_handles.h"
#include "frame/working_container.h"
#include "sign/signature_record.h"
#include "verify/public_key_blob.h"
#include "verify/public_key_data.h"

namespace vemo::verify {
namespace {

struct PublicKeyBlob {
    uint8_t bytes[kPublicKeyBlobMax];
    size_t length = 0;
};

// The key data's bytes as DER: as given when they start with the SEQUENCE tag '0', else decoded
// from their text by the edition's policy (in the trace and picker editions the caller's bytes
// are left normalised, with the DER over their start).
int32_t KeyDataDer(uint8_t* keyData, size_t length, codec::DerBlock& text, codec::ByteReader& der) {
    if (keyData[0] == '0') {
        der = codec::ByteReader(keyData, length);
        return 0;
    }
    switch (KeyDataTextIn(keyData, length, text)) {
    case codec::TextStep::Ok:
        der = codec::ByteReader(text.bytes, text.length);
        return 0;
    case codec::TextStep::TooLong:
        return SPC_INPUTARG_ERROR_01;  // the caller's length was checked: not reached
    case codec::TextStep::NotRecognised:
        LogError("[ERROR]MoveRedunStrFormPemCert is error,Error Code: 0x%08x,Line %d\n", unsigned(E_FAILED),
                 __LINE__);
        return E_FAILED;
    case codec::TextStep::NotDecodable:
        break;
    }
    LogError("[ERROR]R_DecodePEMBlock is error,Error Code: E_RSA_KEY_DATA_ERROR,Line %d\n", __LINE__);
    return E_RSA_KEY_DATA_ERROR;
}

// The public-key blob of the key in the key data: a bare RSAPublicKey, or the one a
// certificate holds.
int32_t PublicKeyBlobOf(uint8_t* keyData, size_t length, PublicKeyBlob& blob) {
    codec::DerBlock text;
    codec::ByteReader der;
    if (const int32_t result = KeyDataDer(keyData, length, text, der); result != 0) return result;

    codec::ByteReader publicKey;
    if (FindPublicKey(der.data(), der.remaining(), publicKey) != 0) {
        LogError("[ERROR]GetUsrDERPubKey is error,Error Code: E_CERT_DATA_ERROR,Line %d\n", __LINE__);
        return E_CERT_DATA_ERROR;
    }
    // A key that the blob cannot declare (an exponent above 32 bits) is as undecodable as
    // one the DER reader refuses.
    codec::RSA_PUBLIC_KEY key;
    const bool decoded =
        codec::d2c_RSA_PUBLIC_KEY(publicKey.data(), static_cast<int32_t>(publicKey.remaining()), &key) == 0;
    blob.length = decoded ? MakePubKeyBlob(key, blob.bytes) : 0;
    if (blob.length == 0) {
        LogError("[ERROR]d2c_RSA_PUBLIC_KEY is error,Error Code: E_RSA_KEY_DATA_ERROR,Line %d\n", __LINE__);
        return E_RSA_KEY_DATA_ERROR;
    }
    return 0;
}

// PutPubKeyToCSP: the blob imported into the working container's context.
bool PutPubKeyToCSP(const PublicKeyBlob& blob, HCRYPTPROV context, win::CryptKey& key) {
    if (CryptImportKey(context, blob.bytes, static_cast<DWORD>(blob.length), 0, 0, key.put())) return true;
    const DWORD error = LastFailureCode();
    LogError("[ERROR]CryptImportKey is error, Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
    return false;
}

// Imports the key into "temporary" and lets the provider check the record's signature over the
// data.
int32_t VerifyInWorkingContainer(const PublicKeyBlob& blob, ALG_ID hashAlgorithm, const uint8_t* data,
                                 uint32_t dataLength, const uint8_t* record) {
    WorkingContainer container;
    if (!container.ok()) {
        const DWORD error = container.lastError();
        // "CryptAcquireContext" for the container itself; the lock's own failures by their names.
        LogError("[ERROR]%s is error,Error Code: 0x%08x,Line %d\n", container.failedFunction(), unsigned(error),
                 __LINE__);
        return static_cast<int32_t>(error);
    }
    win::CryptKey key;
    if (!PutPubKeyToCSP(blob, container.context(), key)) {
        constexpr int32_t kImportFailed = 1;
        LogError("[ERROR]PutPubKeyToCSP is error,Error Code: 0x%08x,Line %d\n", unsigned(kImportFailed), __LINE__);
        return kImportFailed;
    }
    win::CryptHash hash;
    if (!CryptCreateHash(container.context(), hashAlgorithm, 0, 0, hash.put())) {
        const DWORD error = LastFailureCode();
        LogError("[ERROR]CryptCreateHash is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
        return E_VERIFY_ERROR;
    }
    static const BYTE kNothing = 0;  // some providers refuse a null pointer even for no bytes
    if (!CryptHashData(hash.get(), data != nullptr ? data : &kNothing, dataLength, 0)) {
        const DWORD error = LastFailureCode();
        LogError("[ERROR]CryptHashData is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
        return E_VERIFY_ERROR;
    }
    // The record's value, turned least significant byte first for the provider. A length
    // field outside the value field is refused before any byte past the record is read.
    const uint8_t* value = nullptr;
    const size_t length = sign::RecordedSignature(record, value);
    uint8_t signature[sign::SignatureRecordLayout::kValueSize] = {};
    std::memcpy(signature, value, length);
    codec::ReverseBuffer(signature, static_cast<int32_t>(length));
    if (length == 0 || !CryptVerifySignatureA(hash.get(), signature, static_cast<DWORD>(length), key.get(), nullptr, 0)) {
        const DWORD error = length == 0 ? static_cast<DWORD>(NTE_BAD_SIGNATURE) : LastFailureCode();
        LogError("[ERROR]CryptVerifySignature is error,Error Code: 0x%08x,Line %d\n", unsigned(error), __LINE__);
        return E_VERIFY_ERROR;
    }
    return 0;
}

}  // namespace

int32_t VerifyRawSignature(uint8_t* keyData, int32_t keyDataLength, int32_t hashSelector, const uint8_t* data,
                           uint32_t dataLength, const CVEMO_SIGNATURE_RECORD* record) {
    if (record == nullptr || (data == nullptr && dataLength != 0)) return SPC_INPUTARG_ERROR_01;
    const auto* bytes = reinterpret_cast<const uint8_t*>(record);
    if (!sign::HasSignatureMarker(bytes)) {
        LogError("[ERROR]Sign Data is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    const ALG_ID hashAlgorithm = hashSelector == kHashSelectorMd5 ? CALG_MD5 : CALG_SHA1;
    if (keyData == nullptr || keyDataLength <= 0 || keyDataLength > kKeyDataMax) {
        LogError("[ERROR]PubKey Or Cert Data is error,Error Code: SPC_INPUTARG_ERROR_01,Line %d\n", __LINE__);
        return SPC_INPUTARG_ERROR_01;
    }
    PublicKeyBlob blob;
    if (const int32_t result = PublicKeyBlobOf(keyData, static_cast<size_t>(keyDataLength), blob); result != 0) {
        return result;
    }
    return VerifyInWorkingContainer(blob, hashAlgorithm, data, dataLength, bytes);
}

}  // namespace vemo::verify
