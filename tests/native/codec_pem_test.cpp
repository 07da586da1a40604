#include <cstring>
#include <memory>

#include "codec/base64.h"
#include "codec/pem.h"
#include "codec_test_support.h"

namespace vemo::codec::test {
namespace {

struct Normalised {
    int result;
    std::string text;
};

// Normalises an exact-size heap copy of `text`, so that a read past its terminator is caught.
Normalised normalise(const std::string& text, size_t workBufferSize = 0) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    const int result = workBufferSize == 0 ? MoveRedunStrFormPemCert(copy.get())
                                           : MoveRedunStrFormPemCert(copy.get(), workBufferSize);
    return {result, copy.get()};
}

// The bytes of a normalised block, or an empty string when it does not decode.
std::string decodeBlock(const std::string& block) {
    std::vector<uint8_t> out(Base64DecodedCapacity(block.size()));
    uint32_t length = 0;
    if (R_DecodePEMBlock(out.data(), out.size(), &length, block.data(),
                         static_cast<uint32_t>(block.size())) != 0)
        return "";
    return {out.begin(), out.begin() + length};
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string base64Body(const std::string& pem) {
    std::string body;
    size_t lineStart = 0;
    for (size_t end = pem.find('\n'); end != std::string::npos; end = pem.find('\n', lineStart)) {
        const std::string line = pem.substr(lineStart, end - lineStart);
        if (line.rfind("-----", 0) != 0) body += line;
        lineStart = end + 1;
    }
    return body;
}

TEST(PemShapes, CrLfLfAndOneLineGiveTheSameBlockAndDer) {
    const std::string pem = readFixture("cert-2048.pem");
    const std::string body = base64Body(pem);
    const std::string der = opensslDer("cert-2048.pem");
    for (const std::string& shape :
         {pem, replaceAll(pem, "\n", "\r\n"), body,
          "-----BEGIN CERTIFICATE-----" + body + "-----END CERTIFICATE-----"}) {
        const Normalised normalised = normalise(shape);
        ASSERT_EQ(normalised.result, 0) << shape;
        EXPECT_EQ(normalised.text, body);
        EXPECT_EQ(decodeBlock(normalised.text), der);
    }
}

TEST(PemShapes, TheRevocationListArmourIsRecognised) {
    const Normalised normalised = normalise(readFixture("crl.pem"));
    ASSERT_EQ(normalised.result, 0);
    EXPECT_EQ(decodeBlock(normalised.text), opensslDer("crl.pem"));
}

TEST(PemShapes, BlanksTabsAndDashesAnywhereAreStripped) {
    const Normalised normalised = normalise(" \t-- MII B\tCg -\r\n== ");
    EXPECT_EQ(normalised.result, 0);
    EXPECT_EQ(normalised.text, "MIIBCg==");
}

TEST(PemLabels, ABeginLabelIsMatchedIgnoringCase) {
    EXPECT_EQ(normalise("-----begin Certificate-----\nMIIBCg==\n-----END CERTIFICATE-----\n").text,
              "MIIBCg==");
    EXPECT_EQ(normalise("-----Begin X509 Crl-----\nMIIBCg==\n-----END X509 CRL-----\n").text,
              "MIIBCg==");
    EXPECT_EQ(normalise("miibcg==").result, 0);
}

TEST(PemLabels, ALowerCaseEndLabelStaysAndTheBlockNoLongerDecodes) {
    const Normalised normalised =
        normalise("-----BEGIN CERTIFICATE-----\nMIIBCg==\n-----end certificate-----\n");
    ASSERT_EQ(normalised.result, 0);
    EXPECT_EQ(normalised.text, "MIIBCg==endcertificate");
    EXPECT_EQ(decodeBlock(normalised.text), "");
}

TEST(PemLabels, OnlyTheFirstOfSeveralCertificatesIsKept) {
    const std::string pem1024 = readFixture("cert-1024.pem");
    const Normalised normalised = normalise(pem1024 + readFixture("cert-2048.pem"));
    ASSERT_EQ(normalised.result, 0);
    EXPECT_EQ(normalised.text, base64Body(pem1024));
}

TEST(PemLabels, TheCertificateEndLabelIsSearchedBeforeTheListEndLabel) {
    EXPECT_EQ(normalise("MIIBENDX509CRLCgENDCERTIFICATE").text, "MIIBENDX509CRLCg");
    EXPECT_EQ(normalise("MIIBCg==ENDX509CRL").text, "MIIBCg==");
}

TEST(PemRefusals, UnrecognisedTextIsRefusedAndLeftUnchanged) {
    for (const std::string text :
         {"-----BEGIN PUBLIC KEY-----\nMIGfMA0G\n-----END PUBLIC KEY-----\n",
          "Subject: Test\n-----BEGIN CERTIFICATE-----\nMIIBCg==\n-----END CERTIFICATE-----\n",
          " \r\n\t \n", "-----", "M", "BEGINCERTIFICAT", "AAAA"}) {
        const Normalised normalised = normalise(text);
        EXPECT_EQ(normalised.result, -1) << text;
        EXPECT_EQ(normalised.text, text);
    }
    EXPECT_EQ(normalise("").result, -1);
    EXPECT_EQ(MoveRedunStrFormPemCert(nullptr), -1);
    EXPECT_EQ(MoveRedunStrFormPemCert(nullptr, kPickerPemWorkBufferSize), -1);
}

TEST(PemWorkBuffers, PickerBuffersHoldTextsOfAtMost2499Characters) {
    const std::string fits = "MI" + std::string(kPickerPemWorkBufferSize - 3, 'A');
    EXPECT_EQ(normalise(fits, kPickerPemWorkBufferSize).result, 0);

    const std::string tooLong = fits + "A";
    const Normalised refused = normalise(tooLong, kPickerPemWorkBufferSize);
    EXPECT_EQ(refused.result, -1);
    EXPECT_EQ(refused.text, tooLong);
    EXPECT_EQ(normalise(tooLong).result, 0);
}

TEST(PemWorkBuffers, TheLimitCountsTheTextBeforeStripping) {
    const std::string armoured = "MIIB" + std::string(kPickerPemWorkBufferSize, '\n');
    EXPECT_EQ(normalise(armoured, kPickerPemWorkBufferSize).result, -1);
    EXPECT_EQ(normalise("MIIBCg==", 9).result, 0);
    EXPECT_EQ(normalise("MIIBCg==", 8).result, -1);
}

}  // namespace
}  // namespace vemo::codec::test
