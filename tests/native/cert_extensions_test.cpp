// The certificate walk behind the certificate information: extensions found in the test PKI's
// certificates as openssl shows them, and hostile encodings answered without a read past the
// input (every input is an exact-size heap copy, so AddressSanitizer sees any such read).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "cert/cert_info_text.h"
#include "cert/certificate_extensions.h"

namespace vemo::cert {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Fixture(const std::string& name) {
    std::ifstream file(std::string(VEMO_PKI_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A DER element with a definite length in the shortest form.
Bytes Tlv(uint8_t tag, const Bytes& contents) {
    Bytes element{tag};
    const size_t size = contents.size();
    if (size < 0x80) {
        element.push_back(static_cast<uint8_t>(size));
    } else if (size < 0x100) {
        element.insert(element.end(), {0x81, static_cast<uint8_t>(size)});
    } else {
        element.insert(element.end(), {0x82, static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size)});
    }
    element.insert(element.end(), contents.begin(), contents.end());
    return element;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// A certificate of empty fields around the given [3] element (or none).
Bytes Certificate(const Bytes& extensionsElement) {
    const Bytes empty = Tlv(0x30, {});
    const Bytes tbs = Tlv(0x30, Join({Tlv(0xA0, Tlv(0x02, {2})), Tlv(0x02, {1}), empty, empty, empty, empty, empty,
                                      extensionsElement}));
    return Tlv(0x30, Join({tbs, empty, Tlv(0x03, {0})}));
}

Bytes Extension(const Bytes& oid, const Bytes& value, bool critical = false) {
    return Tlv(0x30, Join({Tlv(0x06, oid), critical ? Tlv(0x01, {0xFF}) : Bytes{}, Tlv(0x04, value)}));
}

const Bytes kSan = {0x55, 0x1D, 0x11};
const Bytes kSki = {0x55, 0x1D, 0x0E};

struct Search {
    ExtensionSearch result;
    std::string hex;  // the contents, as the information items show them
};

Search Find(const Bytes& certificate, ObjectId id) {
    auto exact = std::make_unique<uint8_t[]>(certificate.size());
    std::copy(certificate.begin(), certificate.end(), exact.get());
    codec::ByteReader content;
    Search search{FindExtensionContent(exact.get(), certificate.size(), id, content), ""};
    char hex[kInfoTextSize] = {};
    HexText(content.data(), content.remaining(), hex);
    search.hex = hex;
    return search;
}

TEST(CertificateExtensions, FindsTheTestPkiExtensions) {
    const struct {
        const char* certificate;
        ObjectId id;
        ExtensionSearch result;
        const char* hex;
    } cases[] = {
        {"user1024.crt.der", kSubjectKeyId, ExtensionSearch::Found, "0CF1C03372A5F6511964F4CE46DA027DF125B946"},
        {"user1024.crt.der", kAuthorityKeyId, ExtensionSearch::Found, "80140CCA487FAB9D4C03A56EF4FA459594F8BA06C109"},
        {"user1024.crt.der", kSubjectAltName, ExtensionSearch::Found, "811275736572313032344076656D6F2E74657374"},
        {"signer.crt.der", kSubjectAltName, ExtensionSearch::Found, "81107369676E65724076656D6F2E74657374"},
        {"root-a.crt.der", kSubjectAltName, ExtensionSearch::Absent, ""},
        {"plain.crt.der", kSubjectKeyId, ExtensionSearch::Absent, ""},  // version 1, no extensions
        {"oversized.crt.der", kAuthorityKeyId, ExtensionSearch::Found, "80140CCA487FAB9D4C03A56EF4FA459594F8BA06C109"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.certificate);
        const Search search = Find(Fixture(row.certificate), row.id);
        EXPECT_EQ(search.result, row.result);
        EXPECT_EQ(search.hex, row.hex);
    }
}

TEST(CertificateExtensions, HostileEncodingsGiveAResultNeverARead) {
    const Bytes ski = Extension(kSki, Tlv(0x04, {0xAB, 0xCD}));
    const struct {
        const char* name;
        Bytes certificate;
        ExtensionSearch result;
        const char* hex;
    } cases[] = {
        {"critical flag before the value", Certificate(Tlv(0xA3, Tlv(0x30, Extension(kSki, Tlv(0x04, {1}), true)))),
         ExtensionSearch::Found, "01"},
        {"the first of two", Certificate(Tlv(0xA3, Tlv(0x30, Join({Extension(kSki, Tlv(0x04, {1})), ski})))),
         ExtensionSearch::Found, "01"},
        {"value's length past its end", Certificate(Tlv(0xA3, Tlv(0x30, Extension(kSki, {0x04, 0x05, 0xAB})))),
         ExtensionSearch::Malformed, ""},
        {"value's four-byte length past the end",
         Certificate(Tlv(0xA3, Tlv(0x30, Extension(kSki, {0x04, 0x84, 0xFF, 0xFF, 0xFF, 0xFF})))),
         ExtensionSearch::Malformed, ""},
        {"empty value", Certificate(Tlv(0xA3, Tlv(0x30, Extension(kSki, {})))), ExtensionSearch::Malformed, ""},
        {"no extensions", Certificate({}), ExtensionSearch::Absent, ""},
        {"extensions not a SEQUENCE", Certificate(Tlv(0xA3, Tlv(0x31, ski))), ExtensionSearch::Malformed, ""},
        {"identifier not an OBJECT IDENTIFIER", Certificate(Tlv(0xA3, Tlv(0x30, Tlv(0x30, Tlv(0x04, kSki))))),
         ExtensionSearch::Malformed, ""},
        {"indefinite length", {0x30, 0x80, 0x30, 0x80, 0x00, 0x00, 0x00, 0x00}, ExtensionSearch::Malformed, ""},
        {"five length bytes", {0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x02}, ExtensionSearch::Malformed, ""},
        {"high tag number", {0x1F, 0x01, 0x00}, ExtensionSearch::Malformed, ""},
        {"nested SEQUENCEs only", Bytes(64, 0x30), ExtensionSearch::Malformed, ""},
        {"nothing", {}, ExtensionSearch::Malformed, ""},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const Search search = Find(row.certificate, kSubjectKeyId);
        EXPECT_EQ(search.result, row.result);
        EXPECT_EQ(search.hex, row.hex);
    }
}

TEST(CertificateExtensions, EveryCutOfACertificateIsMalformed) {
    const Bytes certificate = Fixture("user1024.crt.der");
    for (size_t size = 0; size < certificate.size(); ++size) {
        const Bytes cut(certificate.begin(), certificate.begin() + size);
        ASSERT_EQ(Find(cut, kSubjectAltName).result, ExtensionSearch::Malformed) << size;
    }
}

}  // namespace
}  // namespace vemo::cert
