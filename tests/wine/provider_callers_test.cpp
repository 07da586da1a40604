// The library's calls into the token's provider, in the library's order, for each kind of token
// it meets: the raw signature and the PKCS#7 message, and a private key reached through a
// certificate's key location. What they sign is also left for openssl (provider_interop.h).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/provider_interop.h"
#include "support/scoped_environment.h"
#include "support/test_token.h"
#include "support/token_callers.h"

namespace vemo::test {
namespace {

using token::TokenImage;

// The pseudo-containers and names that merely begin with them, which every search must pass.
std::vector<token::Container> PseudoContainers() {
    return {ContainerWithoutKey("*default*"), ContainerWithoutKey("*defalut*"),
            ContainerFor("*default*-old", Identity(AT_SIGNATURE, 1024)), ContainerWithoutKey("*defalut*2")};
}

TokenImage TokenBefore(std::vector<token::Container> real) {
    std::vector<token::Container> containers = PseudoContainers();
    containers.insert(containers.end(), real.begin(), real.end());
    return TokenOf(containers);
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void ExpectStoppedAt(const Outcome& outcome, Step step, DWORD error) {
    EXPECT_EQ(StepName(outcome.stoppedAt), std::string(StepName(step)));
    EXPECT_EQ(outcome.error, error) << std::hex << outcome.error;
    EXPECT_TRUE(outcome.output.empty());
}

// A raw signature through the token whose first real container holds `identity`, checked here
// and left for openssl under `name`.
void ExpectRawSignature(const TestIdentity& identity, const std::string& name) {
    PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", identity),
                                    ContainerFor("LAB-USER-2", Identity(AT_SIGNATURE, 1024))}));
    const std::string data = "raw signature of " + name;
    const Outcome outcome = RawSignThroughToken(data);
    ASSERT_EQ(StepName(outcome.stoppedAt), std::string("Done")) << std::hex << outcome.error;
    EXPECT_EQ(outcome.container, "LAB-USER-1#7391");
    EXPECT_EQ(outcome.keySpec, identity.keySpec);
    EXPECT_EQ(outcome.certificate, identity.certificate);
    ASSERT_EQ(outcome.output.size(), identity.bits / 8);
    // CryptoAPI's byte order, least significant first: the system verifies it as it comes...
    EXPECT_TRUE(SignatureVerifies(identity.certificate, data, outcome.output));
    // ...and not turned round, which is PKCS#1's order (checked with openssl on the host).
    EXPECT_TRUE(SignatureRefused(identity.certificate, data, Reversed(outcome.output)));
    WriteInteropFile(name + ".data", Bytes(data));
    WriteInteropFile(name + ".sig", Reversed(outcome.output));
    WriteInteropFile(name + ".cer", identity.certificate);
}

TEST(RawSignature, ExchangeKeyOfTheFirstRealContainer) {
    ExpectRawSignature(Identity(AT_KEYEXCHANGE, 1024), "raw-1024-exchange");
}

TEST(RawSignature, SignatureKeyOfTheFirstRealContainer) {
    ExpectRawSignature(Identity(AT_SIGNATURE, 1024), "raw-1024-signature");
}

TEST(RawSignature, Keys2048) {
    ExpectRawSignature(Identity(AT_KEYEXCHANGE, 2048), "raw-2048-exchange");
    ExpectRawSignature(Identity(AT_SIGNATURE, 2048), "raw-2048-signature");
}

TEST(RawSignature, Sha2DigestsWithTheirOwnDigestInfo) {
    // Verified here by the system's AES-capable provider; openssl checks SHA-2 signatures of the
    // token through C_VEMO_SignData (tests/interop/raw-signature-openssl.sh).
    for (const ALG_ID algorithm : {ALG_ID{CALG_SHA_256}, ALG_ID{CALG_SHA_384}, ALG_ID{CALG_SHA_512}}) {
        const TestIdentity& identity = Identity(AT_KEYEXCHANGE, 1024);
        PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", identity)}));
        const Outcome outcome = RawSignThroughToken("SHA-2 data", algorithm);
        ASSERT_EQ(StepName(outcome.stoppedAt), std::string("Done")) << std::hex << outcome.error;
        EXPECT_TRUE(SignatureVerifies(identity.certificate, "SHA-2 data", outcome.output, algorithm)) << algorithm;
        EXPECT_TRUE(SignatureRefused(identity.certificate, "SHA-2 data", outcome.output, CALG_SHA1)) << algorithm;
    }
}

TEST(RawSignature, TokenWithoutRealContainer) {
    PluggedToken token(TokenOf(PseudoContainers()));
    ExpectStoppedAt(RawSignThroughToken("x"), Step::NoContainer, ERROR_NO_MORE_ITEMS);
}

TEST(RawSignature, EmptyToken) {
    PluggedToken token(TokenImage{});
    ExpectStoppedAt(RawSignThroughToken("x"), Step::NoContainer, ERROR_NO_MORE_ITEMS);
}

TEST(RawSignature, NoTokenPluggedIn) {
    ExpectStoppedAt(RawSignThroughToken("x"), Step::Open, static_cast<DWORD>(SCARD_E_NO_SMARTCARD));
}

TEST(RawSignature, ContainerWithoutKey) {
    PluggedToken token(TokenBefore({ContainerWithoutKey("LAB-EMPTY")}));
    const Outcome outcome = RawSignThroughToken("x");
    ExpectStoppedAt(outcome, Step::UserKey, static_cast<DWORD>(NTE_NO_KEY));
    EXPECT_EQ(outcome.container, "LAB-EMPTY#7391");
}

TEST(RawSignature, KeyWithoutCertificate) {
    PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", Identity(AT_KEYEXCHANGE, 1024), false)}));
    ExpectStoppedAt(RawSignThroughToken("x"), Step::Certificate, static_cast<DWORD>(SCARD_E_NO_SUCH_CERTIFICATE));
}

TEST(RawSignature, NeedsNoDefaultProvider) {
    const TestIdentity& identity = Identity(AT_KEYEXCHANGE, 1024);
    PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", identity)}));
    DefaultProviderUnavailable unavailable;
    const Outcome outcome = RawSignThroughToken("abc");
    ASSERT_EQ(StepName(outcome.stoppedAt), std::string("Done")) << std::hex << outcome.error;
    EXPECT_TRUE(SignatureVerifies(identity.certificate, "abc", outcome.output));
}

// The message's one signer: its digest algorithm and that no attributes are signed.
void ExpectSignerWithoutAttributes(const std::vector<uint8_t>& message, const char* hashOid) {
    const std::unique_ptr<void, BOOL(WINAPI*)(HCRYPTMSG)> decoder(
        CryptMsgOpenToDecode(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, 0, nullptr, nullptr), CryptMsgClose);
    ASSERT_NE(decoder, nullptr);
    ASSERT_TRUE(CryptMsgUpdate(decoder.get(), message.data(), static_cast<DWORD>(message.size()), TRUE));
    DWORD size = 0;
    ASSERT_TRUE(CryptMsgGetParam(decoder.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size));
    std::vector<uint8_t> buffer(size);
    ASSERT_TRUE(CryptMsgGetParam(decoder.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size));
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
    EXPECT_STREQ(signer->HashAlgorithm.pszObjId, hashOid);
    EXPECT_EQ(signer->AuthAttrs.cAttr, 0u);
}

void ExpectSignedMessage(const TestIdentity& identity, const std::string& text, const std::string& name,
                         const char* hashOid = szOID_RSA_MD5) {
    PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", identity)}));
    const Outcome outcome = SignMessageThroughToken(text, hashOid);
    ASSERT_EQ(StepName(outcome.stoppedAt), std::string("Done")) << std::hex << outcome.error;
    EXPECT_EQ(outcome.keySpec, identity.keySpec);
    std::vector<uint8_t> content;
    ASSERT_TRUE(MessageVerifies(outcome.output, content)) << std::hex << GetLastError();
    std::vector<uint8_t> expected = Bytes(text);
    expected.push_back(0);  // the text is signed with its terminating zero
    EXPECT_EQ(content, expected);
    ExpectSignerWithoutAttributes(outcome.output, hashOid);
    WriteInteropFile(name + ".p7", outcome.output);
    WriteInteropFile(name + ".content", expected);
    WriteInteropFile(name + ".cer", identity.certificate);
}

TEST(SignedMessage, ExchangeKey1024) {
    ExpectSignedMessage(Identity(AT_KEYEXCHANGE, 1024), "message through the token", "p7-1024-exchange");
}

TEST(SignedMessage, SignatureKey2048) {
    ExpectSignedMessage(Identity(AT_SIGNATURE, 2048), "message through the token", "p7-2048-signature");
}

TEST(SignedMessage, EmptyText) { ExpectSignedMessage(Identity(AT_SIGNATURE, 1024), "", "p7-1024-empty"); }

// The platform's message signer with a SHA-2 digest through the key's location: the token's
// hash objects and signatures of SHA-256 and SHA-512 (the DigestInfo of each, checked by openssl).
TEST(SignedMessage, Sha2Digests) {
    ExpectSignedMessage(Identity(AT_SIGNATURE, 2048), "SHA-256 through the token", "p7-2048-sha256", szOID_NIST_sha256);
    ExpectSignedMessage(Identity(AT_KEYEXCHANGE, 1024), "SHA-512 through the token", "p7-1024-sha512", szOID_NIST_sha512);
}

TEST(SignedMessage, TokenWithoutRealContainer) {
    PluggedToken token(TokenOf(PseudoContainers()));
    ExpectStoppedAt(SignMessageThroughToken("x"), Step::NoContainer, ERROR_NO_MORE_ITEMS);
}

TEST(SignedMessage, NeedsNoDefaultProvider) {
    PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", Identity(AT_KEYEXCHANGE, 1024))}));
    DefaultProviderUnavailable unavailable;
    const Outcome outcome = SignMessageThroughToken("abc");
    EXPECT_EQ(StepName(outcome.stoppedAt), std::string("Done")) << std::hex << outcome.error;
}

// The certificate with its key location, as the library attaches it for signing messages.
win::CertificateContext CertificateWithLocation(const TestIdentity& identity, const wchar_t* container) {
    win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING, identity.certificate.data(), static_cast<DWORD>(identity.certificate.size())));
    CRYPT_KEY_PROV_INFO location{};
    location.pwszContainerName = const_cast<wchar_t*>(container);
    location.pwszProvName = const_cast<wchar_t*>(token::kTokenProviderNameW);
    location.dwProvType = PROV_RSA_FULL;
    location.dwKeySpec = identity.keySpec;
    EXPECT_TRUE(CertSetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &location));
    return certificate;
}

TEST(CertificateKey, AcquiredThroughTheKeyLocationSigns) {
    for (DWORD keySpec : {AT_KEYEXCHANGE, AT_SIGNATURE}) {
        const TestIdentity& identity = Identity(keySpec, 1024);
        PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", identity)}));
        const win::CertificateContext certificate = CertificateWithLocation(identity, L"LAB-USER-1#7391");
        HCRYPTPROV provider = 0;
        DWORD acquiredSpec = 0;
        BOOL callerFrees = FALSE;
        ASSERT_TRUE(CryptAcquireCertificatePrivateKey(certificate.get(), 0, nullptr, &provider, &acquiredSpec,
                                                      &callerFrees))
            << std::hex << GetLastError();
        ASSERT_TRUE(callerFrees);
        const win::ProviderContext owned(provider);
        EXPECT_EQ(acquiredSpec, keySpec);

        win::CryptHash hash;
        ASSERT_TRUE(CryptCreateHash(provider, CALG_SHA1, 0, 0, hash.put()));
        ASSERT_TRUE(CryptHashData(hash.get(), reinterpret_cast<const BYTE*>("abc"), 3, 0));
        std::vector<uint8_t> signature(identity.bits / 8);
        DWORD size = static_cast<DWORD>(signature.size());
        ASSERT_TRUE(CryptSignHashA(hash.get(), acquiredSpec, nullptr, 0, signature.data(), &size));
        EXPECT_TRUE(SignatureVerifies(identity.certificate, "abc", signature));
    }
}

TEST(CertificateKey, LocationOfAMissingContainerFails) {
    const TestIdentity& identity = Identity(AT_KEYEXCHANGE, 1024);
    PluggedToken token(TokenBefore({ContainerFor("LAB-USER-1", identity)}));
    const win::CertificateContext certificate = CertificateWithLocation(identity, L"LAB-USER-9#7391");
    HCRYPTPROV provider = 0;
    DWORD keySpec = 0;
    BOOL callerFrees = FALSE;
    // crypt32 may report its own error in place of the provider's NTE_BAD_KEYSET.
    EXPECT_FALSE(CryptAcquireCertificatePrivateKey(certificate.get(), 0, nullptr, &provider, &keySpec, &callerFrees));
    EXPECT_EQ(provider, 0u);
}

}  // namespace
}  // namespace vemo::test
