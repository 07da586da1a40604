#include "sign/digest.h"

#include "CVemoDll_C.h"
#include "codec/digest_algorithms.h"
#include "frame/diagnostics.h"
#include "frame/failure_code.h"
#include "frame/sized_output.h"
#include "frame/verification_context.h"
#include "sign/hash_signature.h"

namespace vemo::sign {

int32_t Digest(uint32_t algorithm, const uint8_t* data, uint32_t length, uint8_t* digest, uint32_t* digestLength) {
    const SizedOutput out(digest, digestLength);
    if (digestLength == nullptr || (data == nullptr && length != 0)) return SPC_INPUTARG_ERROR_01;
    const codec::DigestAlgorithm* chosen = codec::ExportedDigestAlgorithm(algorithm);
    if (chosen == nullptr) return E_ALGORITHM;
    // A size query and a short buffer are answered before anything is hashed.
    if (const int32_t answer = out.check(chosen->digestSize); answer != 1) return answer;

    DWORD error = 0;
    const HCRYPTPROV context = SharedVerificationContext(error);
    if (!context) {
        ReportFailure("CryptAcquireContext", error, __LINE__);
        return static_cast<int32_t>(error);
    }
    win::CryptHash hash;
    if (const HashSignStep step = HashData(context, algorithm, data, length, hash); step != HashSignStep::Ok) {
        error = LastFailureCode();
        ReportFailure(step == HashSignStep::CreateHash ? "CryptCreateHash" : "CryptHashData", error, __LINE__);
        return static_cast<int32_t>(error);
    }
    // Read into a bounded buffer; only a value of the algorithm's length reaches the caller.
    uint8_t value[CVEMO_DIGEST_SIZE_MAX];
    DWORD valueLength = sizeof value;
    const bool read = CryptGetHashParam(hash.get(), HP_HASHVAL, value, &valueLength, 0);
    if (!read || valueLength != chosen->digestSize) {
        error = read ? static_cast<DWORD>(NTE_BAD_LEN) : LastFailureCode();
        ReportFailure("CryptGetHashParam", error, __LINE__);
        return static_cast<int32_t>(error);
    }
    return out.put(value, valueLength);
}

}  // namespace vemo::sign
