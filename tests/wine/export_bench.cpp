// What each export costs beside the raw platform sequence that does the same work, timed in the
// same run (token edition): the export and the sequence take turns round by round, in turned
// order every other round, and each keeps its fastest round, so that neither profits from a
// quieter moment of the machine. Some
// exports are also set beside other ways of doing the work, for reference. Prints "[report]"
// lines and the table of ratios the README carries; no time is asserted. Exit status 1 only when
// a call gives a wrong answer.
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame/token_library.h"
#include "frame/win_handles.h"
#include "support/edition_under_test.h"
#include "support/http_server.h"
#include "support/scoped_environment.h"
#include "support/signing_fixture.h"
#include "support/store_fixture.h"
#include "support/test_token.h"
#include "support/token_callers.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
// Rounds per comparison: eleven, or --rounds=<n> (the test command takes five, to keep CI short).
int g_rounds = 11;

struct Way {
    std::string name;  // "the platform's open, delete, create, import and verify"
    std::function<bool()> call;
};

struct Comparison {
    std::string exportName;
    std::string work;
    std::vector<Way> ways;  // the export, the raw platform sequence, then others for reference
    double goal;            // the ratio to stay within, or 0
    int callsPerRound;
    // What the machine holds while this comparison runs (a store entry), if anything.
    std::function<std::shared_ptr<void>()> prepare = {};
};

// Microseconds per call of each way, the fastest of g_rounds rounds; empty on a wrong answer.
std::vector<double> MicrosecondsPerCall(const Comparison& comparison) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> best(comparison.ways.size(), 1e30);
    for (int round = 0; round < g_rounds; ++round) {
        // Every other round the other way round, so that neither always follows the other.
        for (size_t turn = 0; turn < comparison.ways.size(); ++turn) {
            const size_t w = round % 2 == 0 ? turn : comparison.ways.size() - 1 - turn;
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            for (int i = 0; i < comparison.callsPerRound; ++i) {
                if (!comparison.ways[w].call()) {
                    std::printf("[report] bench %s: %s gave a wrong answer\n", comparison.exportName.c_str(),
                                comparison.ways[w].name.c_str());
                    return {};
                }
            }
            QueryPerformanceCounter(&end);
            const double perCall =
                1e6 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) / comparison.callsPerRound;
            best[w] = std::min(best[w], perCall);
        }
    }
    return best;
}

std::string Text(const std::string& fixture) {
    const std::vector<uint8_t> bytes = FixtureBytes(fixture);
    return std::string(bytes.begin(), bytes.end());
}

// ---- The raw platform sequences.

// Deletes the working container "temporary" and creates it again: the library's floor for the
// digest and the raw verification.
bool WorkingContainer(win::ProviderContext& context) {
    HCRYPTPROV deleted = 0;
    CryptAcquireContextA(&deleted, "temporary", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    return CryptAcquireContextA(context.put(), "temporary", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET);
}

bool PlatformDigest(HCRYPTPROV context, const std::string& data, BYTE (&digest)[20]) {
    win::CryptHash hash;
    DWORD size = sizeof digest;
    return CryptCreateHash(context, CALG_SHA1, 0, 0, hash.put()) &&
           CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
           CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0);
}

// A verification context of the AES-capable provider: where the SHA-2 exports work.
bool AesContext(win::ProviderContext& context) {
    return CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT);
}

bool PlatformSha256(HCRYPTPROV context, const std::string& data) {
    win::CryptHash hash;
    BYTE digest[32];
    DWORD size = sizeof digest;
    return CryptCreateHash(context, CALG_SHA_256, 0, 0, hash.put()) &&
           CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
           CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &size, 0);
}

bool PlatformVerifies(HCRYPTPROV context, PCCERT_CONTEXT certificate, const std::string& data, const Bytes& value,
                      ALG_ID algorithm = CALG_SHA1) {
    win::CryptKey key;
    win::CryptHash hash;
    return CryptImportPublicKeyInfo(context, X509_ASN_ENCODING, &certificate->pCertInfo->SubjectPublicKeyInfo,
                                    key.put()) &&
           CryptCreateHash(context, algorithm, 0, 0, hash.put()) &&
           CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
           CryptVerifySignatureA(hash.get(), value.data(), static_cast<DWORD>(value.size()), key.get(), nullptr, 0);
}

// Certificate text to a context, as the certificate exports begin.
win::CertificateContext ContextOfText(const std::string& pem) {
    BYTE der[4096];
    DWORD size = sizeof der;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64_ANY, der, &size, nullptr, nullptr)) return {};
    return win::CertificateContext(CertCreateCertificateContext(kEncoding, der, size));
}

// One-line PEM of a DER certificate, as the certificate sources hand it out.
std::string OneLinePemOf(const BYTE* der, DWORD size) {
    char text[6000];
    DWORD length = sizeof text;
    if (!CryptBinaryToStringA(der, size, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, text, &length)) return {};
    return "-----BEGIN CERTIFICATE-----" + std::string(text, length) + "-----END CERTIFICATE-----";
}

// The certificate information's work: the subject as text and every field of the pack.
bool PlatformCertInfo(const std::string& pem) {
    const win::CertificateContext certificate = ContextOfText(pem);
    if (!certificate) return false;
    char text[1024];
    if (CertNameToStrA(X509_ASN_ENCODING, &certificate.get()->pCertInfo->Subject, CERT_X500_NAME_STR, text,
                       sizeof text) == 0) {
        return false;
    }
    for (const char* oid : {szOID_COUNTRY_NAME, szOID_STATE_OR_PROVINCE_NAME, szOID_LOCALITY_NAME,
                            szOID_ORGANIZATION_NAME, szOID_ORGANIZATIONAL_UNIT_NAME, szOID_COMMON_NAME,
                            szOID_RSA_emailAddr}) {
        char value[200];
        CertGetNameStringA(certificate.get(), CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), value, sizeof value);
    }
    char serial[200];
    const CRYPT_INTEGER_BLOB& number = certificate.get()->pCertInfo->SerialNumber;
    for (DWORD i = 0; i < number.cbData && i < 99; ++i) std::snprintf(serial + 2 * i, 3, "%02X", number.pbData[i]);
    return CertFindExtension(szOID_SUBJECT_ALT_NAME2, certificate.get()->pCertInfo->cExtension,
                             certificate.get()->pCertInfo->rgExtension) != nullptr;
}

// The revocation list check's work: the list file read, both contexts, the list's signer found
// in "ROOT" by its subject and its signature checked, the lookup and the list's dates.
bool PlatformCrlLookup(const std::string& pem, const std::string& listPath) {
    const std::vector<uint8_t> list = [&] {
        std::vector<uint8_t> bytes;
        const win::FileHandle file(CreateFileA(listPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                               0, nullptr));
        DWORD size = file ? GetFileSize(file.get(), nullptr) : 0, read = 0;
        bytes.resize(size);
        if (!file || !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) bytes.clear();
        return bytes;
    }();
    const win::CertificateContext user = ContextOfText(pem);
    const win::CrlContext crl(CertCreateCRLContext(kEncoding, list.data(), static_cast<DWORD>(list.size())));
    if (!user || !crl) return false;
    const win::CertStore roots(CertOpenSystemStoreA(0, "ROOT"));
    const win::CertificateContext signer(CertFindCertificateInStore(
        roots.get(), kEncoding, 0, CERT_FIND_SUBJECT_NAME, &crl.get()->pCrlInfo->Issuer, nullptr));
    PCRL_ENTRY entry = nullptr;
    return signer &&
           CertCompareCertificateName(kEncoding, &user.get()->pCertInfo->Issuer, &crl.get()->pCrlInfo->Issuer) &&
           CryptVerifyCertificateSignatureEx(0, kEncoding, CRYPT_VERIFY_CERT_SIGN_SUBJECT_CRL,
                                             const_cast<CRL_CONTEXT*>(crl.get()), CRYPT_VERIFY_CERT_SIGN_ISSUER_CERT,
                                             const_cast<CERT_CONTEXT*>(signer.get()), 0, nullptr) &&
           CertFindCertificateInCRL(user.get(), crl.get(), 0, nullptr, &entry) && entry == nullptr &&
           CertVerifyCRLTimeValidity(nullptr, crl.get()->pCrlInfo) == 0;
}

// The file's bytes, or none.
std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    const win::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD size = file ? GetFileSize(file.get(), nullptr) : 0, read = 0;
    bytes.resize(size);
    if (!file || !ReadFile(file.get(), bytes.data(), size, &read, nullptr)) bytes.clear();
    return bytes;
}

// The path check's work through the platform's chain engine: the certificate and the
// intermediate decoded, the list files read and decoded, the chain built with the lists beside
// it and revocation checked below the root, its subjects as text. Under Wine the engine takes no
// list from the store it is given (the status says "offline"), so only those bits may be set.
bool PlatformPath(const std::string& pem, const std::string& intermediate, const std::vector<std::string>& lists) {
    const win::CertificateContext user = ContextOfText(pem), ca = ContextOfText(intermediate);
    const win::CertStore beside(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!user || !ca || !beside || !CertAddCertificateContextToStore(beside.get(), ca.get(), CERT_STORE_ADD_ALWAYS, nullptr)) {
        return false;
    }
    for (const std::string& path : lists) {
        const std::vector<uint8_t> text = FileBytes(path);
        BYTE der[4096];
        DWORD size = sizeof der;
        if (!CryptStringToBinaryA(reinterpret_cast<const char*>(text.data()), static_cast<DWORD>(text.size()),
                                  CRYPT_STRING_BASE64_ANY, der, &size, nullptr, nullptr) ||
            !CertAddEncodedCRLToStore(beside.get(), kEncoding, der, size, CERT_STORE_ADD_ALWAYS, nullptr)) {
            return false;
        }
    }
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!CertGetCertificateChain(nullptr, user.get(), nullptr, beside.get(), &parameters,
                                 CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT, nullptr, &chain)) {
        return false;
    }
    const std::unique_ptr<const CERT_CHAIN_CONTEXT, decltype(&CertFreeCertificateChain)> owned(chain,
                                                                                               CertFreeCertificateChain);
    const DWORD revocationUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
    if ((chain->TrustStatus.dwErrorStatus & ~revocationUnknown) != 0 || chain->cChain != 1) return false;
    for (DWORD i = 0; i < chain->rgpChain[0]->cElement; ++i) {
        char text[1024];
        CertNameToStrA(X509_ASN_ENCODING, &chain->rgpChain[0]->rgpElement[i]->pCertContext->pCertInfo->Subject,
                       CERT_X500_NAME_STR, text, sizeof text);
    }
    return chain->rgpChain[0]->cElement == 3;
}

// The certificate check's work: decode, time check, a walk of "ROOT" for the issuer.
int32_t PlatformCertCheck(const std::string& pem) {
    const win::CertificateContext user = ContextOfText(pem);
    if (!user) return -501;
    if (CertVerifyTimeValidity(nullptr, user.get()->pCertInfo) != 0) return -505;
    const win::CertStore roots(CertOpenSystemStoreA(0, "ROOT"));
    if (!roots) return -1003;
    PCCERT_CONTEXT root = nullptr;
    while ((root = CertEnumCertificatesInStore(roots.get(), root)) != nullptr) {
        DWORD flags = CERT_STORE_SIGNATURE_FLAG | CERT_STORE_REVOCATION_FLAG;
        if (CertVerifySubjectCertificateContext(user.get(), root, &flags) && !(flags & CERT_STORE_SIGNATURE_FLAG)) {
            CertFreeCertificateContext(root);
            return 0;
        }
    }
    return -507;
}

// The serial lookup's work: "MY", then "AddressBook", compared by serial number.
bool PlatformSerialLookup(const Bytes& serialLeastFirst, const std::string& expected) {
    for (const char* name : {"MY", "AddressBook"}) {
        const win::CertStore store(CertOpenSystemStoreA(0, name));
        PCCERT_CONTEXT found = nullptr;
        while ((found = CertEnumCertificatesInStore(store.get(), found)) != nullptr) {
            const CRYPT_INTEGER_BLOB& number = found->pCertInfo->SerialNumber;
            if (number.cbData == serialLeastFirst.size() &&
                std::memcmp(number.pbData, serialLeastFirst.data(), number.cbData) == 0) {
                const bool same = OneLinePemOf(found->pbCertEncoded, found->cbCertEncoded) == expected;
                CertFreeCertificateContext(found);
                return same;
            }
        }
    }
    return false;
}

// The personal store source's work: the first certificate of "MY", found again by its display
// name, the name written to "certinfo.txt".
bool PlatformPersonalStore(const std::string& expected) {
    const win::CertStore store(CertOpenSystemStoreA(0, "MY"));
    const win::CertificateContext first(CertEnumCertificatesInStore(store.get(), nullptr));
    if (!first) return false;
    char name[256];
    CertGetNameStringA(first.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof name);
    wchar_t wide[256];
    const int units = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 256) - 1;
    const win::CertificateContext found(
        CertFindCertificateInStore(store.get(), kEncoding, 0, CERT_FIND_SUBJECT_STR_W, wide, nullptr));
    const win::FileHandle file(CreateFileA("certinfo.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), wide, static_cast<DWORD>(units * 2), &written, nullptr);
    return found && OneLinePemOf(found.get()->pbCertEncoded, found.get()->cbCertEncoded) == expected;
}

// The token source's work: the token library's three calls, the certificate as one-line PEM.
bool PlatformTokenCertificate(const std::string& expected) {
    uint32_t ignored1 = 0, ignored2 = 0;
    if (UTEnumCtn(1, 0, &ignored1, &ignored2) != UT_OK || UTGetCurCtnName() == nullptr) return false;
    static UT_CERT_RECORD record;
    return UTGetCurCert(&record) == UT_OK && OneLinePemOf(record.der, record.length) == expected;
}

// Waits up to 30 s for the socket to be readable (or writable).
bool Ready(SOCKET socket, bool write) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{30, 0};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait) == 1;
}

// The download's work with the same bounded waits: a connection that gives up, the request, and
// the response read to its end with a wait before each receive.
bool PlatformDownload(uint16_t port, const std::string& path, size_t expectedSize) {
    win::WinsockSession winsock(MAKEWORD(1, 1));
    win::Socket socket(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    u_long nonBlocking = 1;
    ioctlsocket(socket.get(), FIONBIO, &nonBlocking);
    connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    int error = 0;
    int size = sizeof error;
    if (!Ready(socket.get(), true) ||
        getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) {
        return false;
    }
    nonBlocking = 0;
    ioctlsocket(socket.get(), FIONBIO, &nonBlocking);
    const std::string request = "GET http://127.0.0.1:" + std::to_string(port) + path +
                                " HTTP/1.0\r\nAccept: www/source; text/html; image/gif; */*\r\n\r\n";
    send(socket.get(), request.data(), static_cast<int>(request.size()), 0);
    char buffer[4097];
    size_t total = 0;
    for (int received; Ready(socket.get(), false) && (received = recv(socket.get(), buffer, sizeof buffer, 0)) > 0;) {
        total += received;
    }
    return total == expectedSize;
}

// ---- The comparisons.

std::vector<Comparison> Comparisons(const TestHttpServer& server) {
    const std::string pem = Text("user1024.crt.pem"), crl = FixturePath("root-a.crl.der");
    const Bytes der = FixtureBytes("user1024.crt.der");
    const std::string oneLine = OneLinePem(der);
    const std::string data = "benchmark data";
    const CVEMO_SIGNATURE_RECORD record = RecordOf(FixtureSignature("user1024", data));
    Bytes value = ValueOf(record);
    std::reverse(value.begin(), value.end());
    auto certificate = std::make_shared<win::CertificateContext>(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    // A 2048-bit key's certificate with a SHA-256 and a SHA-1 signature of the data (most
    // significant byte first), the SHA-1 one also in a record.
    const Bytes der2048 = FixtureBytes("user2048.crt.der");
    auto certificate2048 = std::make_shared<win::CertificateContext>(
        CertCreateCertificateContext(X509_ASN_ENCODING, der2048.data(), static_cast<DWORD>(der2048.size())));
    const Bytes sha256Signature = FixtureSignature("user2048", data, CALG_SHA_256);
    const Bytes sha1Signature = FixtureSignature("user2048", data);
    const CVEMO_SIGNATURE_RECORD record2048 = RecordOf(sha1Signature);
    const Bytes sha256Value(sha256Signature.rbegin(), sha256Signature.rend());  // as the platform takes it
    const Bytes serial = {0xF9, 0xE8, 0xD7, 0xC6, 0xB5, 0xA4, 0x93, 0x82, 0x71, 0x60, 0x5F, 0x4E, 0x3D, 0x2C, 0x1B, 0x3A};
    const std::string kilobyte(1024, 'k');
    const std::string page = server.address("/user.pem");
    const uint16_t port = server.port();
    const size_t pageSize = std::string("HTTP/1.0 200 OK\r\n\r\n").size() + pem.size();

    // A message the token edition signed.
    const auto message = std::make_shared<std::vector<uint8_t>>(CVEMO_P7_MESSAGE_MAX(14));
    int32_t messageLength = 0;
    Edition().signP7(data.c_str(), message->data(), &messageLength);
    message->resize(static_cast<size_t>(std::max(messageLength, 0)));
    // A message of the platform's own signer: what C_VEMO_VerifyMessage is set beside.
    const auto cms = std::make_shared<std::vector<uint8_t>>(PlatformSignedMessage("user1024", data, szOID_NIST_sha256));
    // A pack of the token edition, filled again by every call.
    const std::shared_ptr<PackItem> pack(
        [] {
            PackItem* made = nullptr;
            Edition().newPack(&made);
            return made;
        }(),
        [](PackItem* made) { Edition().freePack(made); });
    // The test root in the current user's "ROOT" (first in store order), or in the local
    // machine's (after the roots the host brings).
    const auto rootIn = [](StoreLocation where) {
        return [where] { return std::shared_ptr<void>(std::make_shared<ScopedStoreEntry>("ROOT", "root-a.crt.der", where)); };
    };
    const auto library = [](std::function<bool()> call) { return Way{"the export", std::move(call)}; };
    // The path check's inputs: a user, its CA as the intermediate, the lists of both.
    const std::string pathUser = Text("path-cases/user-1.crt.pem"), pathCa = Text("path-cases/ca-1.crt.pem");
    const std::vector<std::string> pathLists = {FixturePath("path-cases/ca-1.crl.pem"),
                                                FixturePath("path-cases/root.crl.pem")};
    const std::string pathListNames = pathLists[0] + ";" + pathLists[1];
    const auto userCert = [](const char* source, const char* serial, const std::string& location,
                             const std::string& want) {
        return [=] {
            char out[CVEMO_CERT_TEXT_MAX + 1];
            int32_t length = 0;
            return Edition().getUserCert("", serial, location.c_str(), source, out, &length) == 0 &&
                   std::string(out, static_cast<size_t>(length)) == want;
        };
    };
    return {
        {"C_VEMO_Hash", "SHA-1 of 1 KB in the working container",
         {library([=] {
              uint8_t digest[20];
              uint32_t length = 0;
              return Edition().hash(0, reinterpret_cast<const uint8_t*>(kilobyte.data()), 1024, digest, &length) == 0;
          }),
          {"the platform's delete, create and digest", [=] {
               win::ProviderContext context;
               BYTE digest[20];
               return WorkingContainer(context) && PlatformDigest(context.get(), kilobyte, digest);
           }},
          {"a digest in a verification context", [=] {
               win::ProviderContext context;
               BYTE digest[20];
               return CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                      PlatformDigest(context.get(), kilobyte, digest);
           }}},
         1.1, 40},
        {"C_VEMO_VerifySign", "a 1024-bit certificate (DER) and its signature record",
         {library([=] { return VerifyWith(der, data, record) == 0; }),
          {"the platform's delete, create, import and verify", [=] {
               win::ProviderContext context;
               return WorkingContainer(context) && PlatformVerifies(context.get(), certificate->get(), data, value);
           }},
          {"the platform's open, delete, create, import and verify", [=] {
               win::ProviderContext context;
               if (CryptAcquireContextA(context.put(), "temporary", nullptr, PROV_RSA_FULL, 0)) context.reset();
               return WorkingContainer(context) && PlatformVerifies(context.get(), certificate->get(), data, value);
           }},
          {"import and verify in a verification context", [=] {
               win::ProviderContext context;
               return CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                      PlatformVerifies(context.get(), certificate->get(), data, value);
           }}},
         1.1, 40},
        {"C_VEMO_HashEx", "SHA-256 of 1 KB in a verification context",
         {library([=] {
              uint8_t digest[32];
              uint32_t length = sizeof digest;
              return Edition().hashEx(CVEMO_SHA256, reinterpret_cast<const uint8_t*>(kilobyte.data()), 1024, digest,
                                      &length) == 0;
          }),
          {"the platform's verification context of the AES-capable provider and digest", [=] {
               win::ProviderContext context;
               return AesContext(context) && PlatformSha256(context.get(), kilobyte);
           }}},
         1.1, 200},
        {"C_VEMO_VerifyData", "a 2048-bit certificate (DER) and its SHA-256 signature",
         {library([=] { return VerifyDataWith(der2048, data, sha256Signature, CVEMO_SHA256) == 0; }),
          {"the platform's verification context, import and verify", [=] {
               win::ProviderContext context;
               return AesContext(context) &&
                      PlatformVerifies(context.get(), certificate2048->get(), data, sha256Value, CALG_SHA_256);
           }},
          {"C_VEMO_VerifySign: the same key and data, a SHA-1 record", [=] {
               return VerifyWith(der2048, data, record2048) == 0;
           }},
          {"C_VEMO_VerifyData: the same SHA-1 signature", [=] {
               return VerifyDataWith(der2048, data, sha1Signature) == 0;
           }}},
         1.1, 100},
        {"C_VEMO_GenerateRandom", "32 random bytes from the default provider",
         {library([] {
              uint8_t bytes[32];
              return Edition().generateRandom(bytes, sizeof bytes) == 0;
          }),
          {"the platform's verification context and generator", [] {
               win::ProviderContext context;
               BYTE bytes[32];
               return CryptAcquireContextA(context.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
                      CryptGenRandom(context.get(), sizeof bytes, bytes);
           }}},
         0, 200},
        {"C_VEMO_GetCertInfo", "the subject and the pack of a PEM certificate",
         {library([=] {
              std::string text = pem;
              char info[1024];
              return Edition().getCertInfo(text.data(), "3", info, pack.get()) == 0;
          }),
          {"the platform's decoding, context, names, serial and extension", [=] { return PlatformCertInfo(pem); }}},
         1.2, 200},
        {"C_VEMO_VerifyUserCRL", "a revocation list file (DER) and a PEM certificate",
         {library([=] {
              std::string text = pem;
              return Edition().verifyUserCRL(text.data(), crl.c_str(), "3") == 0;
          }),
          {"the platform's file reading, contexts, signer in \"ROOT\", signature, lookup and dates",
           [=] { return PlatformCrlLookup(pem, crl); }}},
         1.2, 15, rootIn(StoreLocation::CurrentUser)},
        {"C_VEMO_VerifyCertPath", "a three-certificate path (user, CA in the text, root in \"ROOT\"), two list files",
         {library([=] {
              char path[CVEMO_PATH_TEXT_MAX];
              uint32_t length = sizeof path;
              return Edition().verifyCertPath(pathUser.c_str(), pathCa.c_str(), pathListNames.c_str(),
                                              CVEMO_PATH_REVOCATION, path, &length) == 0;
          }),
          {"the platform's decoding, file reading and chain engine with the lists beside it",
           [=] { return PlatformPath(pathUser, pathCa, pathLists); }}},
         1.2, 10, [] { return std::shared_ptr<void>(std::make_shared<ScopedStoreEntry>("ROOT", "path-cases/root.crt.pem")); }},
        {"C_VEMO_VerifyUserCert", "a PEM certificate, its root first in \"ROOT\"",
         {library([=] {
              std::string text = pem;
              return Edition().verifyUserCert(text.data(), 0) == 0;
          }),
          {"the platform's decoding, time check and walk of \"ROOT\"", [=] { return PlatformCertCheck(pem) == 0; }}},
         1.2, 15, rootIn(StoreLocation::CurrentUser)},
        {"C_VEMO_VerifyUserCert", "a PEM certificate, its root after the host's in \"ROOT\"",
         {library([=] {
              std::string text = pem;
              return Edition().verifyUserCert(text.data(), 0) == 0;
          }),
          {"the platform's decoding, time check and walk of \"ROOT\"", [=] { return PlatformCertCheck(pem) == 0; }}},
         1.2, 10, rootIn(StoreLocation::LocalMachine)},
        {"C_VEMO_GetUserCert \"0\"", "a certificate of \"MY\" by its serial number",
         {library(userCert("0", "3A1B2C3D4E5F60718293A4B5C6D7E8F9", "", oneLine)),
          {"the platform's store walks and Base64", [=] { return PlatformSerialLookup(serial, oneLine); }}},
         1.2, 40},
        {"C_VEMO_GetUserCert \"1\"", "a PEM page from a server on 127.0.0.1",
         {library(userCert("1", "", page, pem)),
          {"the platform's bounded connection, request and receives",
           [=] { return PlatformDownload(port, "/user.pem", pageSize); }}},
         1.2, 40},
        {"C_VEMO_GetUserCert \"3\"", "a PEM file",
         {library(userCert("3", "", "user.pem", pem)),
          {"the platform's file reading", [=] {
               const win::FileHandle file(
                   CreateFileA("user.pem", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
               char bytes[4096];
               DWORD read = 0;
               return file && ReadFile(file.get(), bytes, sizeof bytes, &read, nullptr) && read == pem.size();
           }}},
         1.2, 200},
        {"C_VEMO_GetUserCert \"4\"", "the token's certificate",
         {library(userCert("4", "", "", oneLine)),
          {"the token library's calls and Base64", [=] { return PlatformTokenCertificate(oneLine); }}},
         1.2, 200},
        {"C_VEMO_GetUserCert, the personal store", "the first certificate of \"MY\", its name to a file",
         {library(userCert("5", "", "", oneLine)),
          {"the platform's store, names, search, file and Base64", [=] { return PlatformPersonalStore(oneLine); }}},
         1.2, 40},
        {"C_VEMO_SignEx", "a raw signature with the software token's 1024-bit key",
         {library([=] {
              CVEMO_SIGNATURE_RECORD made;
              return Edition().signEx(0, nullptr, data.c_str(), static_cast<int32_t>(data.size()), &made) == 0;
          }),
          {"the same calls made directly through the token's provider",
           [=] { return RawSignThroughToken(data).stoppedAt == Step::Done; }}},
         0, 30},
        {"C_VEMO_SignData", "a SHA-256 signature with the software token's 1024-bit key",
         {library([=] {
              uint8_t made[128];
              uint32_t length = sizeof made;
              return Edition().signData(CVEMO_SHA256, 0, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                        static_cast<uint32_t>(data.size()), made, &length) == 0;
          }),
          {"the same calls made directly through the token's provider",
           [=] { return RawSignThroughToken(data, CALG_SHA_256).stoppedAt == Step::Done; }}},
         1.1, 30},
        {"C_VEMO_Sign_P7", "a signed message with the software token's 1024-bit key",
         {library([=] {
              std::vector<uint8_t> made(CVEMO_P7_MESSAGE_MAX(14));
              int32_t length = 0;
              return Edition().signP7(data.c_str(), made.data(), &length) == 0;
          }),
          {"the same calls made directly through the token's provider and the platform's signer",
           [=] { return SignMessageThroughToken(data).stoppedAt == Step::Done; }}},
         0, 30},
        {"C_VEMO_SignMessage", "a SHA-256 message with signed attributes, the software token's 1024-bit key",
         {library([=] {
              std::vector<uint8_t> made(4096);
              uint32_t length = static_cast<uint32_t>(made.size());
              return Edition().signMessage(CVEMO_SHA256, 0, 0, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                                           static_cast<uint32_t>(data.size()), made.data(), &length) == 0;
          }),
          {"the token search and the platform's signer, its size asked first",
           [=] { return SignMessageThroughToken(data, szOID_NIST_sha256).stoppedAt == Step::Done; }}},
         0, 30},
        {"C_VEMO_VerifySign_P7", "the signed message of a 14-byte text",
         {library([=] {
              const uint32_t length = static_cast<uint32_t>(message->size());
              return Edition().verifySignP7(message->data(), &length) == 0;
          }),
          {"the platform's message verification", [=] {
               CRYPT_VERIFY_MESSAGE_PARA parameters{};
               parameters.cbSize = sizeof parameters;
               parameters.dwMsgAndCertEncodingType = kEncoding;
               BYTE content[64];
               DWORD size = sizeof content;
               return CryptVerifyMessageSignature(&parameters, 0, message->data(), static_cast<DWORD>(message->size()),
                                                  content, &size, nullptr) != FALSE;
           }}},
         0, 100},
        {"C_VEMO_VerifyMessage", "a one-signer message of a 14-byte text (SHA-256, signed attributes, 1024 bits)",
         {library([=] {
              uint8_t content[64];
              char certificate[2048];
              uint32_t contentLength = sizeof content, certificateLength = sizeof certificate;
              return Edition().verifyMessage(cms->data(), static_cast<uint32_t>(cms->size()), nullptr, 0, content,
                                             &contentLength, certificate, &certificateLength) == 0;
          }),
          {"the platform's message verification, the content and the signer's certificate out", [=] {
               CRYPT_VERIFY_MESSAGE_PARA parameters{};
               parameters.cbSize = sizeof parameters;
               parameters.dwMsgAndCertEncodingType = kEncoding;
               BYTE content[64];
               DWORD size = sizeof content;
               PCCERT_CONTEXT signer = nullptr;
               const bool verified = CryptVerifyMessageSignature(&parameters, 0, cms->data(), static_cast<DWORD>(cms->size()),
                                                                 content, &size, &signer) != FALSE;
               const win::CertificateContext owned(signer);
               return verified;
           }}},
         1.2, 100},
        {"C_VEMO_NewPack and C_VEMO_FreePack", "a pack of nine buffers made and released",
         {library([] {
              PackItem* pack = nullptr;
              return Edition().newPack(&pack) == 0 && Edition().freePack(pack) == 0;
          }),
          {"the platform's ten allocations and releases", [] {
               void* blocks[10];
               for (void*& block : blocks) block = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, PACK_ITEM_SIZE);
               for (void* block : blocks) HeapFree(GetProcessHeap(), 0, block);
               return true;
           }}},
         0, 2000},
    };
}

// Calls per second of `call` on two threads at once beside one thread alone, the best of three
// rounds of `calls` calls per thread; 0 on a wrong answer.
double TwoThreadsOverOne(const std::function<bool()>& call, int calls) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const auto seconds = [&](int threads) {
        std::atomic<bool> right{true};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        std::vector<std::thread> running;
        for (int t = 0; t < threads; ++t) {
            running.emplace_back([&] {
                for (int i = 0; i < calls; ++i) right = right && call();
            });
        }
        for (std::thread& thread : running) thread.join();
        QueryPerformanceCounter(&end);
        return right ? double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart) : 0.0;
    };
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        const double one = seconds(1), two = seconds(2);
        if (one == 0 || two == 0) return 0;
        best = std::max(best, (2 * calls / two) / (calls / one));
    }
    return best;
}

// Neither C_VEMO_VerifyData nor C_VEMO_HashEx takes a lock or a key container: two threads make
// nearly twice the calls of one, as the platform's own sequence does. False on a wrong answer.
bool ReportTwoThreads() {
    bool right = true;
    const Bytes der2048 = FixtureBytes("user2048.crt.der");
    const std::string data = "benchmark data";
    const Bytes signature = FixtureSignature("user2048", data, CALG_SHA_256);
    const std::string kilobyte(1024, 'k');
    const win::CertificateContext certificate(
        CertCreateCertificateContext(X509_ASN_ENCODING, der2048.data(), static_cast<DWORD>(der2048.size())));
    const Bytes value(signature.rbegin(), signature.rend());
    const struct {
        const char* name;
        std::function<bool()> call;
    } parallel[] = {
        {"C_VEMO_VerifyData (2048 bits, SHA-256)",
         [&] { return VerifyDataWith(der2048, data, signature, CVEMO_SHA256) == 0; }},
        {"the platform's verification context, import and verify (the same)", [&] {
             win::ProviderContext context;
             return AesContext(context) && PlatformVerifies(context.get(), certificate.get(), data, value, CALG_SHA_256);
         }},
        {"C_VEMO_HashEx (SHA-256 of 1 KB)", [&] {
             uint8_t digest[32];
             uint32_t length = sizeof digest;
             return Edition().hashEx(CVEMO_SHA256, reinterpret_cast<const uint8_t*>(kilobyte.data()), 1024, digest,
                                     &length) == 0;
         }},
    };
    for (const auto& p : parallel) {
        const double ratio = TwoThreadsOverOne(p.call, 200);
        right = right && ratio > 0;
        std::printf("[report] bench threads %s: two threads make %.2f times the calls per second of one%s\n", p.name,
                    ratio, std::strncmp(p.name, "C_VEMO", 6) == 0 ? "; goal 1.7 at least" : "");
    }
    return right;
}

// The README's table: one row per comparison.
void PrintTable(const std::vector<Comparison>& comparisons, const std::vector<std::vector<double>>& figures) {
    std::printf("[report] bench table (token edition, microseconds per call, fastest of %d rounds):\n", g_rounds);
    std::printf("[report]   | export | work | export (us) | platform sequence (us) | ratio | goal |\n");
    std::printf("[report]   |---|---|---:|---:|---:|---:|\n");
    for (size_t i = 0; i < comparisons.size(); ++i) {
        if (figures[i].size() < 2) continue;
        const Comparison& c = comparisons[i];
        char goal[16] = "";
        if (c.goal > 0) std::snprintf(goal, sizeof goal, "%.1f", c.goal);
        std::printf("[report]   | `%s` | %s | %.0f | %.0f | %.2f | %s |\n", c.exportName.c_str(), c.work.c_str(),
                    figures[i][0], figures[i][1], figures[i][0] / figures[i][1], goal);
    }
}

}  // namespace
}  // namespace vemo::test

int main(int argc, char** argv) {
    using namespace vemo::test;
    LoadEditionUnderTest(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) g_rounds = std::max(1, std::atoi(argv[i] + 9));
    }
    RegisterProviderOfThisBuild();
    ScopedWorkingDirectory directory;
    const ScopedStoreContents my("MY", {FixtureBytes("user1024.crt.der")});
    const ScopedStoreContents addressBook("AddressBook", {});
    ScopedTokenStore token;
    token.plugIn(TokenOf({FixtureContainer("user1024", "user1024")}));
    const std::string pem = Text("user1024.crt.pem");
    {
        std::FILE* file = std::fopen("user.pem", "wb");
        std::fwrite(pem.data(), 1, pem.size(), file);
        std::fclose(file);
    }
    const TestHttpServer server({"HTTP/1.0 200 OK\r\n\r\n" + pem});

    const std::vector<Comparison> comparisons = Comparisons(server);
    std::vector<std::vector<double>> figures;
    bool right = true;
    for (const Comparison& comparison : comparisons) {
        const std::shared_ptr<void> held = comparison.prepare ? comparison.prepare() : nullptr;
        figures.push_back(MicrosecondsPerCall(comparison));
        const std::vector<double>& us = figures.back();
        if (us.empty()) {
            right = false;
            continue;
        }
        std::string line = "[report] bench " + comparison.exportName + " (" + comparison.work + "): " +
                           std::to_string(static_cast<long>(us[0] + 0.5)) + " us";
        for (size_t w = 1; w < us.size(); ++w) {
            char figure[160];
            std::snprintf(figure, sizeof figure, "; %s %.0f us (ratio %.2f)", comparison.ways[w].name.c_str(), us[w],
                          us[0] / us[w]);
            line += figure;
        }
        if (comparison.goal > 0) {
            char goal[64];
            std::snprintf(goal, sizeof goal, "; goal %.1f at most", comparison.goal);
            line += goal;
        }
        std::printf("%s\n", line.c_str());
    }
    PrintTable(comparisons, figures);

    right = ReportTwoThreads() && right;
    return right ? 0 : 1;
}
