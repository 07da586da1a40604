// What the library checks of each signer of a signed message, on its own reading of the message
// (signed_message_reader.h): that the signed attributes vouch for the content (its type and its
// digest), and the signature, with the public key of the signer's certificate. The platform's
// provider does the arithmetic (digests, RSA); the comparisons are the library's, so that a
// content changed under a valid signature of its attributes is refused on every platform.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "codec/byte_reader.h"
#include "codec/digest_algorithms.h"
#include "frame/win_handles.h"
#include "verify/signed_message_reader.h"

namespace vemo::verify {

enum class SignerVerdict {
    Valid,
    NotVouched,        // the signed attributes name another content type or another digest
    BadSignature,      // the signature does not verify
    UnknownAlgorithm,  // a digest or signature algorithm, or a key, of a kind not taken
    NoCertificate,     // the message does not carry the signer's certificate (or it does not decode)
    PlatformFailure,   // the provider failed
};

struct SignerOutcome {
    SignerVerdict verdict = SignerVerdict::Valid;
    const char* step = "";  // the check or platform call that decided: the log line's step
    uint32_t error = 0;     // the platform's error code, where it failed
    bool valid() const { return verdict == SignerVerdict::Valid; }
};

// The digests of one content in a provider context, each algorithm's made once for all the
// signers that use it.
class ContentDigests {
public:
    ContentDigests(HCRYPTPROV context, codec::ByteReader content) : context_(context), content_(content) {}
    // The content's digest under `algorithm`; null, with `failure` filled, when the provider fails.
    const std::vector<uint8_t>* of(const codec::DigestAlgorithm& algorithm, SignerOutcome& failure);

private:
    HCRYPTPROV context_;
    codec::ByteReader content_;
    std::map<uint32_t, std::vector<uint8_t>> digests_;
};

// Whether the signer's signed attributes vouch for the content: a content-type attribute that is
// the message's content type and a message-digest attribute that is the content's digest. A
// signer without signed attributes signs the content's digest itself: its signature vouches.
SignerOutcome CheckSignedContent(const SignedMessageView& message, const SignerInfoView& signer,
                                 ContentDigests& digests);

// The signer in full: its algorithms, its certificate among the message's, the signed attributes
// and the signature, checked in `context` (a verification context of a provider of every digest).
SignerOutcome CheckSigner(HCRYPTPROV context, const SignedMessageView& message, const SignerInfoView& signer,
                          ContentDigests& digests);

}  // namespace vemo::verify
