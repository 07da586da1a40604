#include "sign/signing_key.h"

#include <string>

#include "CVemoDll_C.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "frame/failure_code.h"

namespace vemo::sign {

uint32_t SigningKey::signatureLength() const {
    DWORD bits = 0;
    DWORD size = sizeof bits;
    if (!CryptGetKeyParam(userKey.get(), KP_KEYLEN, reinterpret_cast<BYTE*>(&bits), &size, 0)) return 0;
    return (bits + 7) / 8;
}

int32_t ChooseSizedSigningKey(int32_t selectionMode, const char* selector, SigningKey& key,
                              uint32_t& signatureLength) {
    const char* failedStep = "";
    if (const int32_t result = ChooseSigningKey(selectionMode, selector, key, failedStep); result != 0) {
        if constexpr (edition::kWritesTrace) ReportFailure(failedStep, static_cast<uint32_t>(result), __LINE__);
        return result;
    }
    signatureLength = key.signatureLength();
    if (signatureLength == 0) {
        ReportFailure("CryptGetKeyParam", LastFailureCode(), __LINE__);
        return E_SIGN_ERROR;
    }
    return 0;
}

HashSignStep SignWithKey(SigningKey& key, ALG_ID algorithm, const uint8_t* data, uint32_t length, size_t maximum,
                         std::vector<uint8_t>& value) {
    HashSignStep step = SignDigestOf(key.context, key.keySpec, algorithm, data, length, maximum, value);
    if (step == HashSignStep::CreateHash && GetLastError() == static_cast<DWORD>(NTE_BAD_ALGID) &&
        MoveToAesProvider(key)) {
        step = SignDigestOf(key.context, key.keySpec, algorithm, data, length, maximum, value);
    }
    return step;
}

bool MoveToAesProvider(SigningKey& key) {
    char container[1024] = {};
    DWORD size = sizeof container - 1;
    if (!CryptGetProvParam(key.context, PP_CONTAINER, reinterpret_cast<BYTE*>(container), &size, 0)) return false;
    // A key of the machine's key set is opened there again.
    DWORD keysetType = 0;
    size = sizeof keysetType;
    if (!CryptGetProvParam(key.context, PP_KEYSET_TYPE, reinterpret_cast<BYTE*>(&keysetType), &size, 0)) {
        keysetType = 0;
    }
    win::ProviderContext aes;
    win::CryptKey userKey;
    if (!CryptAcquireContextA(aes.put(), container, nullptr, PROV_RSA_AES,
                              CRYPT_SILENT | (keysetType & CRYPT_MACHINE_KEYSET)) ||
        !CryptGetUserKey(aes.get(), key.keySpec, userKey.put())) {
        return false;
    }
    key.userKey = std::move(userKey);
    key.ownedContext = std::move(aes);  // the earlier context goes now, if it was ours
    key.context = key.ownedContext.get();
    return true;
}

}  // namespace vemo::sign
