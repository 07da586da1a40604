// Any bytes as a signed message given to the message verification: DER or text brought to DER,
// read, each signer's certificate looked up and its algorithms named. Every view the reader hands
// out must lie within the message's DER (the content of a streamed message within its joined
// pieces). A message without content that the signer completes with an empty one reads as before,
// now attached and empty.
#include <cstring>
#include <memory>
#include <vector>

#include "codec/digest_algorithms.h"
#include "codec/message_text.h"
#include "codec/signed_data_content.h"
#include "fuzz_check.h"
#include "verify/signed_message_reader.h"

using namespace vemo;

namespace {

struct Bounds {
    const uint8_t* begin;
    const uint8_t* end;
    bool holds(const codec::ByteReader& view) const {
        return view.remaining() == 0 || (view.data() >= begin && view.data() + view.remaining() <= end);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size heap copy, so AddressSanitizer sees any read past the input.
    auto bytes = std::make_unique<uint8_t[]>(size);
    if (size != 0) std::memcpy(bytes.get(), data, size);

    std::vector<uint8_t> decoded;
    codec::ByteReader der;
    if (!codec::MessageDer(bytes.get(), size, decoded, der)) return 0;
    const Bounds inDer{der.data(), der.data() + der.remaining()};
    std::vector<uint8_t> filled;
    const bool contentPut = codec::PutEmptyContent(der, filled);
    verify::SignedMessageView message;
    if (!verify::ReadSignedMessage(der, message)) return 0;
    if (contentPut) {
        verify::SignedMessageView completed;
        FUZZ_CHECK(verify::ReadSignedMessage(codec::ByteReader(filled.data(), filled.size()), completed));
        FUZZ_CHECK(completed.attached && completed.content().empty() && completed.signers.size() == message.signers.size());
    }

    FUZZ_CHECK(inDer.holds(message.contentType));
    const codec::ByteReader content = message.content();
    FUZZ_CHECK(message.contentJoined ? content.remaining() == message.joinedContent.size() : inDer.holds(content));
    for (const codec::ByteReader& certificate : message.certificates) FUZZ_CHECK(inDer.holds(certificate));
    for (const verify::SignerInfoView& signer : message.signers) {
        for (const codec::ByteReader* view : {&signer.issuer, &signer.serialNumber, &signer.keyIdentifier,
                                              &signer.digestAlgorithm, &signer.signedAttributes, &signer.contentType,
                                              &signer.messageDigest, &signer.signatureAlgorithm, &signer.signature}) {
            FUZZ_CHECK(inDer.holds(*view));
        }
        FUZZ_CHECK(!signer.hasSignedAttributes || signer.signedAttributes.remaining() >= 2);
        codec::ByteReader certificate;
        if (verify::FindSignerCertificate(message, signer, certificate)) FUZZ_CHECK(inDer.holds(certificate));
        if (const codec::DigestAlgorithm* algorithm = codec::DigestAlgorithmOfOid(signer.digestAlgorithm)) {
            (void)codec::IsRsaSignatureOver(*algorithm, signer.signatureAlgorithm);
        }
    }
    return 0;
}
