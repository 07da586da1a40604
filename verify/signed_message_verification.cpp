#include "verify/signed_message_verification.h"

#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "codec/base64.h"
#include "codec/message_text.h"
#include "codec/one_line_pem.h"
#include "frame/diagnostics.h"
#include "frame/sized_output.h"
#include "frame/verification_context.h"
#include "verify/signed_message_reader.h"
#include "verify/signer_check.h"

namespace vemo::verify {
namespace {

// One failure written down: a user log line in the token edition, a trace line in the trace
// edition (nothing in the picker edition). `code` is the platform's error or the result.
void Report(TraceBlock& trace, const char* step, uint32_t code, int line) {
    LogError("[ERROR]%s is error,Error Code: 0x%08x,Line %d\n", step, code, line);
    trace("***** %s fails. Error Code: 0x%08x, Line %d\n", step, code, line);
}

int32_t ResultOf(SignerVerdict verdict) {
    switch (verdict) {
        case SignerVerdict::Valid: return 0;
        case SignerVerdict::NotVouched:
        case SignerVerdict::BadSignature: return E_VERIFY_ERROR;
        case SignerVerdict::UnknownAlgorithm: return E_ALGORITHM;
        case SignerVerdict::NoCertificate:
        case SignerVerdict::PlatformFailure: return E_FAILED;
    }
    return E_FAILED;
}

// The certificate as one-line PEM text.
std::string OneLinePemOf(codec::ByteReader der) {
    std::string text(codec::Base64EncodedLength(der.remaining()) + codec::kOneLinePemArmourLength + 1, '\0');
    uint32_t length = 0;
    const auto size = static_cast<uint32_t>(der.remaining());
    if (!codec::FormatOneLinePem(der.data(), size, text.data(), text.size(), &length)) return {};
    text.resize(length);
    return text;
}

}  // namespace

int32_t VerifySignedMessage(const uint8_t* message, uint32_t messageLength, const uint8_t* detachedContent,
                            uint32_t detachedLength, uint8_t* content, uint32_t* contentLength,
                            char* signerCertificate, uint32_t* signerCertificateLength) {
    TraceBlock trace;  // every call of the trace edition
    const SizedOutput contentOut(content, contentLength);
    const SizedOutput certificateOut(signerCertificate, signerCertificateLength, OutputKind::Text);
    if (message == nullptr || (detachedContent == nullptr && detachedLength != 0) || contentOut.malformed() ||
        certificateOut.malformed()) {
        Report(trace, "C_VEMO_VerifyMessage input data", static_cast<uint32_t>(SPC_INPUTARG_ERROR_01), __LINE__);
        return SPC_INPUTARG_ERROR_01;
    }

    // DER or text, read by the library (a length of 0 reads as no message).
    std::vector<uint8_t> decoded;
    codec::ByteReader der;
    SignedMessageView read;
    if (!codec::MessageDer(message, messageLength, decoded, der) || !ReadSignedMessage(der, read) ||
        read.signers.empty()) {
        Report(trace, "ReadSignedMessage", static_cast<uint32_t>(E_FAILED), __LINE__);
        return E_FAILED;
    }
    // The content is inside the message, or given beside it: never both, never neither.
    if (read.attached == (detachedContent != nullptr)) {
        Report(trace, "C_VEMO_VerifyMessage detached content", static_cast<uint32_t>(SPC_INPUTARG_ERROR_01), __LINE__);
        return SPC_INPUTARG_ERROR_01;
    }
    const codec::ByteReader signedContent =
        read.attached ? read.content() : codec::ByteReader(detachedContent, detachedLength);

    DWORD error = 0;
    const HCRYPTPROV context = SharedVerificationContext(error);
    if (context == 0) {
        Report(trace, "CryptAcquireContext", error, __LINE__);
        return E_FAILED;
    }
    ContentDigests digests(context, signedContent);
    for (const SignerInfoView& signer : read.signers) {
        const SignerOutcome outcome = CheckSigner(context, read, signer, digests);
        if (!outcome.valid()) {
            const int32_t result = ResultOf(outcome.verdict);
            Report(trace, outcome.step, outcome.error != 0 ? outcome.error : static_cast<uint32_t>(result), __LINE__);
            return result;
        }
    }

    // Verified: the outputs asked for, each written only when both fit.
    codec::ByteReader certificate;
    FindSignerCertificate(read, read.signers.front(), certificate);
    const std::string pem = certificateOut.wanted() ? OneLinePemOf(certificate) : std::string();
    const size_t contentSize = read.attached ? signedContent.remaining() : 0;
    if (contentOut.check(contentSize) == E_BUFFER_TOO_SMALL || certificateOut.check(pem.size()) == E_BUFFER_TOO_SMALL) {
        contentOut.tell(contentSize);
        certificateOut.tell(pem.size());
        Report(trace, "C_VEMO_VerifyMessage output buffer", static_cast<uint32_t>(E_BUFFER_TOO_SMALL), __LINE__);
        return E_BUFFER_TOO_SMALL;
    }
    if (const int32_t put = contentOut.put(signedContent.data(), contentSize); put != 0) return put;
    if (const int32_t put = certificateOut.put(pem.data(), pem.size()); put != 0) return put;
    trace("***** C_VEMO_VerifyMessage OK. signers= %u,content= %u\n", static_cast<unsigned>(read.signers.size()),
          static_cast<unsigned>(contentSize));
    return 0;
}

}  // namespace vemo::verify
