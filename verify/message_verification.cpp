#include "verify/message_verification.h"

#include <cstring>
#include <string>

#include "CVemoDll_C.h"
#include "frame/diagnostics.h"
#include "frame/edition.h"
#include "frame/win_handles.h"
#include "frame/message_box.h"
#include "frame/verification_context.h"
#include "sign/message_parameters.h"
#include "verify/signed_message_reader.h"
#include "verify/signer_check.h"

namespace vemo::verify {
namespace {

constexpr size_t kMessageMax = CVEMO_P7_VERIFY_MAX;

// "被签名数据原文：" in GBK: the original text of the signed data.
constexpr char kSignedContentCaption[] = "\xb1\xbb\xc7\xa9\xc3\xfb\xca\xfd\xbe\xdd\xd4\xad\xce\xc4\xa3\xba";

// Shows the content up to its first zero byte: the caller's buffer ends in one even when the
// content fills everything before it.
void ShowSignedContent(const uint8_t* content) {
    const std::string text = kSignedContentCaption + std::string(reinterpret_cast<const char*>(content));
    ShowMessage(text.c_str());
}

// The platform checked the first signer's signature, but not (under Wine) that the content is
// what its signed attributes vouch for: the library reads the message itself and compares.
bool FirstSignerVouchesForContent(const uint8_t* message, DWORD length) {
    SignedMessageView read;
    if (!ReadSignedMessage(codec::ByteReader(message, length), read) || read.signers.empty() || !read.attached) {
        return false;
    }
    DWORD error = 0;
    const HCRYPTPROV context = SharedVerificationContext(error);
    if (context == 0) return false;
    ContentDigests digests(context, read.content());
    return CheckSignedContent(read, read.signers.front(), digests).valid();
}

}  // namespace

int32_t VerifyMessage(const uint8_t* message, const uint32_t* messageLength) {
    if (message == nullptr || messageLength == nullptr || *messageLength == 0 || *messageLength > kMessageMax) {
        LogError("[ERROR]C_VEMO_VerifySign_P7 input data is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    const DWORD length = *messageLength;
    uint8_t copy[kMessageMax] = {};
    std::memcpy(copy, message, length);

    CRYPT_VERIFY_MESSAGE_PARA parameters{};
    parameters.cbSize = sign::kVerifyMessageParametersSize;
    parameters.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    // The size query verifies already; the second call verifies again and decodes the content,
    // which lies inside the message and so fits a buffer of the message's size.
    DWORD contentLength = 0;
    if (!CryptVerifyMessageSignature(&parameters, 0, copy, length, nullptr, &contentLength, nullptr) ||
        contentLength > kMessageMax) {
        LogError("[ERROR]CryptVerifyMessageSignature is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    uint8_t content[kMessageMax + 1] = {};  // and a terminator after the largest content
    if (!CryptVerifyMessageSignature(&parameters, 0, copy, length, content, &contentLength, nullptr)) {
        LogError("[ERROR]CryptVerifyMessageSignature is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    if (!FirstSignerVouchesForContent(copy, length)) {
        LogError("[ERROR]CheckSignedContent is error,Error Code: -1,Line %d\n", __LINE__);
        return E_FAILED;
    }
    if constexpr (edition::kKind == edition::Kind::Trace) ShowSignedContent(content);
    return 0;
}

}  // namespace vemo::verify
