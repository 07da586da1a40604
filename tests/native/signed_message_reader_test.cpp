// The signed-message reader on messages openssl makes from the test PKI as the test runs: every
// form the library takes (DER, streamed BER, PEM armour, bare Base64; attached and detached; with
// and without signed attributes; signers named by issuer and serial or by key identifier; one or
// two signers; each digest), checked against openssl's own view: the content, the digest of it
// that each signer signed, and the signer's certificate. And what is no signed message is
// refused, a message cut short at any length included.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "codec/digest_algorithms.h"
#include "codec/message_text.h"
#include "codec/signed_data_content.h"
#include "codec_test_support.h"
#include "verify/signed_message_reader.h"

namespace vemo::verify {
namespace {

using Bytes = std::vector<uint8_t>;
using codec::test::bytesOf;
using codec::test::commandOutput;
using codec::test::fixturePath;

const std::string kContent = "signed by openssl for the reader";

// The fixtures of this test are the test PKI's.
Bytes Pki(const std::string& name) { return bytesOf(codec::test::readFixture(name)); }
Bytes Of(codec::ByteReader view) { return Bytes(view.data(), view.data() + view.remaining()); }

// openssl's message over kContent; `users` sign it.
Bytes Signed(const std::vector<std::string>& users, const std::string& options) {
    std::string command = "printf '" + kContent + "' | openssl cms -sign -binary " + options;
    for (const std::string& user : users) {
        command += " -signer " + fixturePath(user + ".crt.pem") + " -inkey " + fixturePath(user + ".key.pem");
    }
    return bytesOf(commandOutput(command));
}

// The reader over an exact-size heap copy of the bytes, so a read past them is caught.
struct Read {
    explicit Read(const Bytes& bytes) : copy(std::make_unique<uint8_t[]>(bytes.size() + 1)) {
        std::copy(bytes.begin(), bytes.end(), copy.get());
        codec::ByteReader der;
        ok = codec::MessageDer(copy.get(), bytes.size(), decoded, der) && ReadSignedMessage(der, message);
    }
    std::unique_ptr<uint8_t[]> copy;
    Bytes decoded;
    SignedMessageView message;
    bool ok = false;
};

TEST(SignedMessageReader, ReadsWhatOpensslWritesInEveryForm) {
    const struct {
        const char* name;
        std::vector<std::string> signers;
        const char* digest;  // openssl's name, and the reader's
        const char* digestName;
        const char* options;
        bool detached, attributes, bare;  // bare: the PEM's Base64 alone
    } cases[] = {
        {"MD5, no attributes", {"user1024"}, "md5", "MD5", "-nodetach -noattr -outform DER", false, false, false},
        {"SHA-1, attributes, PEM", {"user2048"}, "sha1", "SHA-1", "-nodetach -outform PEM", false, true, false},
        {"SHA-256, detached", {"user1024"}, "sha256", "SHA-256", "-outform DER", true, true, false},
        {"SHA-384, key identifier, bare Base64", {"signer"}, "sha384", "SHA-384", "-nodetach -keyid -outform PEM",
         false, true, true},
        {"SHA-512, two signers", {"user1024", "user2048"}, "sha512", "SHA-512", "-nodetach -outform DER", false, true,
         false},
        {"SHA-256, streamed (open lengths)", {"user2048"}, "sha256", "SHA-256", "-nodetach -stream -outform DER", false,
         true, false},
    };
    const Bytes content = bytesOf(kContent);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes message = Signed(c.signers, std::string("-md ") + c.digest + " " + c.options);
        if (c.bare) {
            const std::string text(message.begin(), message.end());
            const size_t body = text.find('\n') + 1;
            message = bytesOf(text.substr(body, text.find("-----END") - body));
        }
        const Read read(message);
        ASSERT_TRUE(read.ok);
        const SignedMessageView& m = read.message;
        EXPECT_EQ(m.attached, !c.detached);
        EXPECT_EQ(Of(m.content()), c.detached ? Bytes() : content);
        EXPECT_EQ(Of(m.contentType), (Bytes{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01}));  // id-data
        const Bytes digest = bytesOf(commandOutput("printf '" + kContent + "' | openssl dgst -binary -" + c.digest));
        ASSERT_EQ(m.signers.size(), c.signers.size());
        std::vector<std::string> found;
        for (const SignerInfoView& signer : m.signers) {
            const codec::DigestAlgorithm* algorithm = codec::DigestAlgorithmOfOid(signer.digestAlgorithm);
            ASSERT_NE(algorithm, nullptr);
            EXPECT_STREQ(algorithm->name, c.digestName);
            EXPECT_TRUE(codec::IsRsaSignatureOver(*algorithm, signer.signatureAlgorithm));
            EXPECT_EQ(signer.hasSignedAttributes && signer.hasMessageDigest && signer.hasContentType, c.attributes);
            if (c.attributes) {
                EXPECT_EQ(Of(signer.messageDigest), digest);
                EXPECT_TRUE(codec::SameBytes(signer.contentType, m.contentType));
                EXPECT_EQ(signer.signedAttributes.data()[0], 0xA0);
            }
            codec::ByteReader certificate;
            ASSERT_TRUE(FindSignerCertificate(m, signer, certificate));
            for (const std::string& user : c.signers) {
                if (Of(certificate) != Pki(user + ".crt.der")) continue;
                found.push_back(user);
                EXPECT_EQ(signer.signature.remaining(), user == "user1024" ? 128u : 256u);  // the key's size
            }
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.signers);
    }
}

// The library's own writing: a message as PEM text (64 columns, read back to the same DER, its
// length told beforehand), and a detached message completed with an empty content (reads as
// attached and empty, everything else as before; one that carries its content stays as it is).
TEST(SignedMessageReader, ReadsWhatTheLibraryWrites) {
    const Bytes detached = Signed({"user1024"}, "-md sha256 -outform DER");
    std::string text;
    ASSERT_TRUE(codec::WriteMessageText(detached.data(), detached.size(), text));
    EXPECT_EQ(text.size(), codec::MessageTextLength(detached.size()));
    EXPECT_EQ(text.rfind("-----BEGIN PKCS7-----\n", 0), 0u);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) EXPECT_LE(end - at, 64u);
    const Read fromText(bytesOf(text));
    ASSERT_TRUE(fromText.ok);
    EXPECT_EQ(fromText.decoded, detached);

    Bytes completed;
    ASSERT_TRUE(codec::PutEmptyContent(codec::ByteReader(detached.data(), detached.size()), completed));
    const Read read(completed);
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.message.attached);
    EXPECT_TRUE(read.message.content().empty());
    ASSERT_EQ(read.message.signers.size(), 1u);
    EXPECT_EQ(Of(read.message.signers[0].signature), Of(Read(detached).message.signers[0].signature));
    EXPECT_EQ(completed.size(), detached.size() + 4);
    const Bytes attached = Signed({"user1024"}, "-nodetach -outform DER");
    EXPECT_FALSE(codec::PutEmptyContent(codec::ByteReader(attached.data(), attached.size()), completed));
}

TEST(SignedMessageReader, RefusesWhatIsNoSignedMessage) {
    for (const char* options : {"-outform DER", "-outform DER -stream"}) {
        const Bytes message = Signed({"user1024"}, std::string("-nodetach ") + options);
        ASSERT_TRUE(Read(message).ok) << options;
        for (size_t length = 0; length < message.size(); ++length) {
            EXPECT_FALSE(Read(Bytes(message.begin(), message.begin() + length)).ok) << options << " cut to " << length;
        }
        Bytes longer = message;
        longer.push_back(0);
        EXPECT_FALSE(Read(longer).ok) << options << ": a byte after the message";
    }
    for (const char* name : {"user1024.crt.der", "user1024.crt.pem", "root-a.crl.der"}) {
        EXPECT_FALSE(Read(Pki(name)).ok) << name;
    }
    EXPECT_FALSE(Read(bytesOf("MI!")).ok);
    EXPECT_FALSE(Read(Bytes{0x30, 0x80, 0, 0}).ok);
}

}  // namespace
}  // namespace vemo::verify
