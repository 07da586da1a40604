#include "support/token_callers.h"

#include <cstring>

#include "support/provider_interop.h"

namespace vemo::test {
namespace {

constexpr char kSuffix[] = "#7391";
constexpr DWORD kNameCapacity = 256;
constexpr DWORD kCertificateCapacity = 4096;
constexpr DWORD kMessageFlags = CRYPT_SILENT | CRYPT_MACHINE_KEYSET;

bool IsPseudoContainer(const char* name) {
    return std::memcmp(name, "*default*", 9) == 0 || std::memcmp(name, "*defalut*", 9) == 0;
}

Step Stop(Step step, DWORD& error) {
    error = GetLastError();
    return step;
}

}  // namespace

const char* StepName(Step step) {
    static const char* const names[] = {"Open",     "Enumerate",  "NoContainer", "OpenContainer",
                                        "UserKey",  "Certificate", "CreateHash", "HashData",
                                        "SignLength", "Sign",     "SignMessage", "Done"};
    return names[static_cast<int>(step)];
}

Step FindTokenKey(DWORD openFlags, TokenKey& found, DWORD& error) {
    error = 0;
    char name[kNameCapacity + 1 + sizeof kSuffix] = {};
    {
        win::ProviderContext listing;
        if (!CryptAcquireContextA(listing.put(), nullptr, kTokenProvider, PROV_RSA_FULL, openFlags)) {
            return Stop(Step::Open, error);
        }
        for (DWORD flags = CRYPT_FIRST;; flags = 0) {
            std::memset(name, 0, sizeof name);
            DWORD capacity = kNameCapacity;
            if (!CryptGetProvParam(listing.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &capacity, flags)) {
                return Stop(GetLastError() == ERROR_NO_MORE_ITEMS ? Step::NoContainer : Step::Enumerate, error);
            }
            if (!IsPseudoContainer(name)) break;
        }
    }
    std::strcat(name, kSuffix);
    found.container = name;
    if (!CryptAcquireContextA(found.context.put(), name, kTokenProvider, PROV_RSA_FULL, openFlags)) {
        return Stop(Step::OpenContainer, error);
    }
    found.keySpec = AT_KEYEXCHANGE;
    if (!CryptGetUserKey(found.context.get(), AT_KEYEXCHANGE, found.key.put())) {
        found.keySpec = AT_SIGNATURE;
        if (!CryptGetUserKey(found.context.get(), AT_SIGNATURE, found.key.put())) return Stop(Step::UserKey, error);
    }
    found.certificate.assign(kCertificateCapacity, 0);
    DWORD size = kCertificateCapacity;
    if (!CryptGetKeyParam(found.key.get(), KP_CERTIFICATE, found.certificate.data(), &size, 0)) {
        return Stop(Step::Certificate, error);
    }
    found.certificate.resize(size);
    return Step::Done;
}

namespace {

// The token steps both callers begin with; what they found is recorded in `outcome`.
bool FindTokenKeyFor(DWORD openFlags, TokenKey& found, Outcome& outcome) {
    outcome.stoppedAt = FindTokenKey(openFlags, found, outcome.error);
    outcome.container = found.container;
    outcome.keySpec = found.keySpec;
    outcome.certificate = found.certificate;
    return outcome.stoppedAt == Step::Done;
}

}  // namespace

Outcome RawSignThroughToken(const std::string& data, ALG_ID hashAlgorithm) {
    Outcome outcome;
    TokenKey found;
    if (!FindTokenKeyFor(CRYPT_SILENT, found, outcome)) return outcome;

    auto stop = [&outcome](Step step) {
        outcome.error = GetLastError();
        outcome.stoppedAt = step;
        return outcome;
    };
    win::CryptHash hash;
    if (!CryptCreateHash(found.context.get(), hashAlgorithm, 0, 0, hash.put())) return stop(Step::CreateHash);
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0)) {
        return stop(Step::HashData);
    }
    DWORD length = 0;
    if (!CryptSignHashA(hash.get(), found.keySpec, nullptr, 0, nullptr, &length)) return stop(Step::SignLength);
    outcome.output.assign(512, 0);
    if (length > outcome.output.size()) return stop(Step::SignLength);
    if (!CryptSignHashA(hash.get(), found.keySpec, nullptr, 0, outcome.output.data(), &length)) {
        return stop(Step::Sign);
    }
    outcome.output.resize(length);
    return outcome;
}

Outcome SignMessageThroughToken(const std::string& text, const char* hashOid) {
    Outcome outcome;
    {
        TokenKey found;
        if (!FindTokenKeyFor(kMessageFlags, found, outcome)) return outcome;
    }  // key and context released: the message is signed through the key's location

    win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, outcome.certificate.data(),
        static_cast<DWORD>(outcome.certificate.size())));
    std::wstring container(outcome.container.begin(), outcome.container.end());
    std::wstring provider(kTokenProvider, kTokenProvider + std::strlen(kTokenProvider));
    CRYPT_KEY_PROV_INFO location{};
    location.pwszContainerName = container.data();
    location.pwszProvName = provider.data();
    location.dwProvType = PROV_RSA_FULL;
    location.dwKeySpec = outcome.keySpec;
    auto stop = [&outcome]() {
        outcome.error = GetLastError();
        outcome.stoppedAt = Step::SignMessage;
        return outcome;
    };
    if (!certificate || !CertSetCertificateContextProperty(certificate.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &location)) {
        return stop();
    }

    CRYPT_SIGN_MESSAGE_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.dwMsgEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    parameters.pSigningCert = certificate.get();
    parameters.HashAlgorithm.pszObjId = const_cast<char*>(hashOid);
    PCCERT_CONTEXT included[] = {certificate.get()};
    parameters.cMsgCert = 1;
    parameters.rgpMsgCert = included;
    const BYTE* items[] = {reinterpret_cast<const BYTE*>(text.c_str())};
    DWORD sizes[] = {static_cast<DWORD>(text.size() + 1)};
    DWORD size = 0;
    if (!CryptSignMessage(&parameters, FALSE, 1, items, sizes, nullptr, &size)) return stop();
    outcome.output.assign(size, 0);
    if (!CryptSignMessage(&parameters, FALSE, 1, items, sizes, outcome.output.data(), &size)) return stop();
    outcome.output.resize(size);
    return outcome;
}

bool SignatureRefused(const std::vector<uint8_t>& certificate, const std::string& data,
                      const std::vector<uint8_t>& signature, ALG_ID hashAlgorithm) {
    win::CertificateContext decoded(CertCreateCertificateContext(
        X509_ASN_ENCODING, certificate.data(), static_cast<DWORD>(certificate.size())));
    win::ProviderContext system;
    win::CryptKey key;
    win::CryptHash hash;
    return !(decoded &&
             CryptAcquireContextA(system.put(), nullptr, MS_ENH_RSA_AES_PROV_A, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
             CryptImportPublicKeyInfo(system.get(), X509_ASN_ENCODING, &decoded.get()->pCertInfo->SubjectPublicKeyInfo,
                                      key.put()) &&
             CryptCreateHash(system.get(), hashAlgorithm, 0, 0, hash.put()) &&
             CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()), 0) &&
             CryptVerifySignatureA(hash.get(), signature.data(), static_cast<DWORD>(signature.size()), key.get(),
                                   nullptr, 0));
}

bool SignatureVerifies(const std::vector<uint8_t>& certificate, const std::string& data,
                       const std::vector<uint8_t>& signature, ALG_ID hashAlgorithm) {
    if (!SignatureRefused(certificate, data, signature, hashAlgorithm)) return true;
    KeepSignatureEvidence(certificate, data, signature);
    return false;
}

bool MessageVerifies(const std::vector<uint8_t>& message, std::vector<uint8_t>& content) {
    CRYPT_VERIFY_MESSAGE_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.dwMsgAndCertEncodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    DWORD size = 0;
    if (!CryptVerifyMessageSignature(&parameters, 0, message.data(), static_cast<DWORD>(message.size()), nullptr,
                                     &size, nullptr)) {
        return false;
    }
    content.assign(size, 0);
    if (!CryptVerifyMessageSignature(&parameters, 0, message.data(), static_cast<DWORD>(message.size()),
                                     content.data(), &size, nullptr)) {
        return false;
    }
    content.resize(size);
    return true;
}

DWORD OpenToken(win::ProviderContext& context, const char* container, DWORD flags) {
    return ErrorOf([&] { return CryptAcquireContextA(context.put(), container, kTokenProvider, PROV_RSA_FULL, flags); });
}

std::vector<uint8_t> Reversed(std::vector<uint8_t> bytes) { return {bytes.rbegin(), bytes.rend()}; }

}  // namespace vemo::test
