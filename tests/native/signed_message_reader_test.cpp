// The signed-message reader on messages openssl makes from the test PKI as the test runs: every
// form the library takes (DER, streamed BER, PEM armour, bare Base64; attached and detached; with
// and without signed attributes; signers named by issuer and serial or by key identifier; one or
// two signers; each digest), checked against openssl's own view: the content, the digest of it
// that each signer signed, and the signer's certificate. And what is no signed message is
// refused, a message cut short at any length included.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codec/digest_algorithms.h"
#include "codec/message_text.h"
#include "verify/signed_message_reader.h"

namespace vemo::verify {
namespace {

using Bytes = std::vector<uint8_t>;

const std::string kPki = VEMO_PKI_DIR;

Bytes ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs a shell command (openssl); its standard output.
Bytes Shell(const std::string& command) {
    Bytes output;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << command;
    if (pipe == nullptr) return output;
    char chunk[4096];
    for (size_t count; (count = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.insert(output.end(), chunk, chunk + count);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return output;
}

class Scratch {
public:
    Scratch() {
        char path[] = "/tmp/vemo-message-XXXXXX";
        folder_ = mkdtemp(path) ? path : "";
    }
    ~Scratch() { Shell("rm -rf " + folder_); }
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

// The reader over an exact-size heap copy of the message's DER, so a read past it is caught.
struct Read {
    bool ok = false;
    std::unique_ptr<uint8_t[]> copy;
    Bytes decoded;
    SignedMessageView message;
};

void ReadMessage(const Bytes& bytes, Read& read) {
    read.copy = std::make_unique<uint8_t[]>(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), read.copy.get());
    codec::ByteReader der;
    read.ok = codec::MessageDer(read.copy.get(), bytes.size(), read.decoded, der) && ReadSignedMessage(der, read.message);
}

Bytes Of(codec::ByteReader view) { return Bytes(view.data(), view.data() + view.remaining()); }

TEST(SignedMessageReader, ReadsWhatOpensslWritesInEveryForm) {
    const Scratch scratch;
    const std::string content = scratch.path("content");
    std::ofstream(content, std::ios::binary) << "signed by openssl for the reader";
    const struct Case {
        const char* name;
        std::vector<std::string> signers;
        const char* digest;  // openssl's name, and the reader's below
        const char* digestName;
        const char* options;
        bool detached, attributes;
        const char* text;  // "": DER; "pem"; "bare": the PEM's Base64 alone
    } cases[] = {
        {"MD5, no attributes", {"user1024"}, "md5", "MD5", "-nodetach -noattr", false, false, ""},
        {"SHA-1, attributes, PEM", {"user2048"}, "sha1", "SHA-1", "-nodetach", false, true, "pem"},
        {"SHA-256, detached", {"user1024"}, "sha256", "SHA-256", "", true, true, ""},
        {"SHA-384, key identifier, bare Base64", {"signer"}, "sha384", "SHA-384", "-nodetach -keyid", false, true, "bare"},
        {"SHA-512, two signers", {"user1024", "user2048"}, "sha512", "SHA-512", "-nodetach", false, true, ""},
        {"SHA-256, streamed (open lengths)", {"user2048"}, "sha256", "SHA-256", "-nodetach -stream", false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string command = "openssl cms -sign -binary -md " + std::string(c.digest) + " " + c.options +
                              " -in " + content + " -outform " + (*c.text ? "PEM" : "DER");
        for (const std::string& user : c.signers) {
            command += " -signer " + kPki + "/" + user + ".crt.pem -inkey " + kPki + "/" + user + ".key.pem";
        }
        Bytes message = Shell(command);
        if (std::string(c.text) == "bare") {
            std::string text(message.begin(), message.end());
            text = text.substr(text.find('\n') + 1);
            text = text.substr(0, text.find("-----END"));
            message.assign(text.begin(), text.end());
        }
        Read read;
        ReadMessage(message, read);
        ASSERT_TRUE(read.ok);
        const SignedMessageView& m = read.message;
        EXPECT_EQ(m.attached, !c.detached);
        EXPECT_EQ(Of(m.content()), c.detached ? Bytes() : ReadAll(content));
        // id-data
        EXPECT_EQ(Of(m.contentType), (Bytes{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01}));
        const Bytes digest = Shell("openssl dgst -" + std::string(c.digest) + " -binary " + content);
        ASSERT_EQ(m.signers.size(), c.signers.size());
        std::vector<std::string> found;
        for (const SignerInfoView& signer : m.signers) {
            const codec::DigestAlgorithm* algorithm = codec::DigestAlgorithmOfOid(signer.digestAlgorithm);
            ASSERT_NE(algorithm, nullptr);
            EXPECT_STREQ(algorithm->name, c.digestName);
            EXPECT_TRUE(codec::IsRsaSignatureOver(*algorithm, signer.signatureAlgorithm));
            EXPECT_EQ(signer.hasSignedAttributes, c.attributes);
            EXPECT_EQ(signer.hasMessageDigest, c.attributes);
            if (c.attributes) {
                EXPECT_EQ(Of(signer.messageDigest), digest);
                EXPECT_TRUE(signer.hasContentType && codec::SameBytes(signer.contentType, m.contentType));
                EXPECT_EQ(signer.signedAttributes.data()[0], 0xA0);
            }
            codec::ByteReader certificate;
            ASSERT_TRUE(FindSignerCertificate(m, signer, certificate));
            for (const std::string& user : c.signers) {
                const Bytes der = ReadAll(kPki + "/" + user + ".crt.der");
                if (Of(certificate) != der) continue;
                found.push_back(user);
                EXPECT_EQ(signer.signature.remaining(), user == "user1024" ? 128u : 256u);  // the key's size
            }
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.signers);
    }
}

TEST(SignedMessageReader, RefusesWhatIsNoSignedMessage) {
    const Scratch scratch;
    const std::string content = scratch.path("content");
    std::ofstream(content, std::ios::binary) << "cut at every length";
    const std::string sign = "openssl cms -sign -binary -nodetach -in " + content + " -signer " + kPki +
                             "/user1024.crt.pem -inkey " + kPki + "/user1024.key.pem -outform DER";
    for (const char* options : {"", " -stream"}) {
        const Bytes message = Shell(sign + options);
        Read read;
        ReadMessage(message, read);
        ASSERT_TRUE(read.ok) << options;
        for (size_t length = 0; length < message.size(); ++length) {
            ReadMessage(Bytes(message.begin(), message.begin() + length), read);
            EXPECT_FALSE(read.ok) << options << " cut to " << length;
        }
        Bytes longer = message;
        longer.push_back(0);
        ReadMessage(longer, read);
        EXPECT_FALSE(read.ok) << options << ": a byte after the message";
    }
    const std::string certificatePem = [] {
        const Bytes pem = ReadAll(kPki + "/user1024.crt.pem");
        return std::string(pem.begin(), pem.end());
    }();
    for (const Bytes& bytes : {ReadAll(kPki + "/user1024.crt.der"), Bytes(certificatePem.begin(), certificatePem.end()),
                               ReadAll(kPki + "/root-a.crl.der"), Bytes{'M', 'I', '!'}, Bytes{0x30, 0x80, 0, 0}}) {
        Read read;
        ReadMessage(bytes, read);
        EXPECT_FALSE(read.ok) << bytes.size() << " bytes";
    }
}

}  // namespace
}  // namespace vemo::verify
