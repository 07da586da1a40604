#include "sign/token_container.h"

#include <cstring>
#include <string>
#include <vector>

#include "CVemoDll_C.h"
#include "codec/serial_text.h"
#include "frame/diagnostics.h"
#include "frame/failure_code.h"
#include "token/provider/provider_name.h"

namespace vemo::sign {
namespace {

// "*default*" and "*defalut*" (the token's provider lists both) name containers without a user
// key; a name that begins with either is one of them.
bool IsPseudoContainer(const char* name) {
    return std::memcmp(name, "*default*", 9) == 0 || std::memcmp(name, "*defalut*", 9) == 0;
}

// Lists the containers of `listing` into `name`, handing each one that could hold a user key
// to `take` until it answers true (found). A failure other than the list's end leaves the buffer
// as it was and the listing goes on, but the same failure twice in a row, or more names than a
// token holds, ends it. Names that are empty or too long to take the suffix are passed over
// like the pseudo-containers. False, with `error` set, when the listing ended first.
template <typename Take>
bool ListContainerNames(HCRYPTPROV listing, char (&name)[kContainerNameCapacity + 1], uint32_t& error, Take&& take) {
    DWORD previousError = ERROR_SUCCESS;
    for (int listed = 0; listed < kContainerListingMax; ++listed) {
        DWORD capacity = kContainerNameCapacity;
        if (!CryptGetProvParam(listing, PP_ENUMCONTAINERS, reinterpret_cast<BYTE*>(name), &capacity,
                               listed == 0 ? CRYPT_FIRST : 0)) {
            error = GetLastError();
            if (error == ERROR_NO_MORE_ITEMS || error == previousError) return false;
            previousError = error;
        } else {
            previousError = ERROR_SUCCESS;
        }
        const size_t length = strnlen(name, kContainerNameCapacity);
        if (length != 0 && length <= kContainerNameMax && !IsPseudoContainer(name) && take()) return true;
    }
    error = ERROR_NO_MORE_ITEMS;
    return false;
}

// The first container to open.
bool FindContainerName(HCRYPTPROV listing, char (&name)[kContainerNameCapacity + 1], uint32_t& error) {
    return ListContainerNames(listing, name, error, [] { return true; });
}

// Opens the container listed as `name` (the suffix appended here).
bool OpenContainer(uint32_t flags, const char* name, TokenKey& found) {
    found.key.reset();  // a key of the context about to go goes first
    std::memset(found.container, 0, sizeof found.container);
    std::memcpy(found.container, name, strnlen(name, kContainerNameMax));
    std::strcat(found.container, kContainerSuffix);  // fits: the name has at most kContainerNameMax characters
    return CryptAcquireContextA(found.context.put(), found.container, token::kTokenProviderName, PROV_RSA_FULL,
                                flags) != FALSE;
}

// The key of `keySpec` and its certificate, if the open container has them.
bool ReadKeyAndCertificate(DWORD keySpec, TokenKey& found) {
    if (!CryptGetUserKey(found.context.get(), keySpec, found.key.put())) return false;
    found.keySpec = keySpec;
    DWORD length = kTokenCertificateCapacity;
    if (!CryptGetKeyParam(found.key.get(), KP_CERTIFICATE, found.certificate, &length, 0)) return false;
    found.certificateLength = length;
    return true;
}

bool HasSerial(const TokenKey& found, const char* serial) {
    const win::CertificateContext certificate(CertCreateCertificateContext(
        X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, found.certificate, found.certificateLength));
    if (!certificate) return false;
    const CRYPT_INTEGER_BLOB& number = certificate.get()->pCertInfo->SerialNumber;
    return codec::SerialTextMatches(number.pbData, number.cbData, codec::SerialOrder::MostSignificantFirst,
                                    2 * size_t{number.cbData} + 1, serial);
}

TokenStep Failed(TokenStep step, TokenKey& found) {
    found.error = LastFailureCode();
    return step;
}

}  // namespace

TokenStep OpenTokenKey(uint32_t flags, TokenKey& found) {
    char name[kContainerNameCapacity + 1] = {};
    {
        win::ProviderContext listing;
        if (!CryptAcquireContextA(listing.put(), nullptr, token::kTokenProviderName, PROV_RSA_FULL, flags)) {
            return Failed(TokenStep::OpenProvider, found);
        }
        if (!FindContainerName(listing.get(), name, found.error)) return TokenStep::NoContainer;
    }  // the listing's context is released before the container is opened

    if (!OpenContainer(flags, name, found)) return Failed(TokenStep::OpenContainer, found);
    found.keySpec = AT_KEYEXCHANGE;
    if (!CryptGetUserKey(found.context.get(), AT_KEYEXCHANGE, found.key.put())) {
        found.keySpec = AT_SIGNATURE;
        if (!CryptGetUserKey(found.context.get(), AT_SIGNATURE, found.key.put())) {
            return Failed(TokenStep::NoUserKey, found);
        }
    }
    DWORD length = kTokenCertificateCapacity;
    if (!CryptGetKeyParam(found.key.get(), KP_CERTIFICATE, found.certificate, &length, 0)) {
        return Failed(TokenStep::NoCertificate, found);
    }
    found.certificateLength = length;
    return TokenStep::Ok;
}

TokenStep OpenTokenKeyBySerial(uint32_t flags, const char* serial, TokenKey& found) {
    std::vector<std::string> names;
    {
        win::ProviderContext listing;
        if (!CryptAcquireContextA(listing.put(), nullptr, token::kTokenProviderName, PROV_RSA_FULL, flags)) {
            return Failed(TokenStep::OpenProvider, found);
        }
        char name[kContainerNameCapacity + 1] = {};
        ListContainerNames(listing.get(), name, found.error, [&] {
            names.emplace_back(name);
            return false;  // every name: the listing runs to its end
        });
        if (names.empty()) return TokenStep::NoContainer;
    }  // the listing's context is released before the containers are opened

    for (const std::string& name : names) {
        if (!OpenContainer(flags, name.c_str(), found)) continue;
        for (const DWORD keySpec : {DWORD{AT_KEYEXCHANGE}, DWORD{AT_SIGNATURE}}) {
            if (ReadKeyAndCertificate(keySpec, found) && HasSerial(found, serial)) return TokenStep::Ok;
        }
    }
    found.key.reset();
    found.context.reset();
    found.error = static_cast<uint32_t>(CRYPT_E_NOT_FOUND);
    return TokenStep::NoSuchSerial;
}

int32_t TokenStepResult(TokenStep step) {
    switch (step) {
    case TokenStep::Ok:
        return 0;
    case TokenStep::OpenProvider:
        LogError("[ERROR]CryptAcquireContext is error,Error Code: E_CTN_NO_EXIST,Line %d\n", __LINE__);
        return E_CTN_NO_EXIST;
    case TokenStep::NoContainer:
        LogError("[ERROR]CryptGetProvParam is error,Error Code: E_CTN_NO_EXIST,Line %d\n", __LINE__);
        return E_CTN_NO_EXIST;
    case TokenStep::OpenContainer:
        LogError("[ERROR]CryptAcquireContext is error,Error Code: E_CTN_NO_EXIST,Line %d\n", __LINE__);
        return E_CTN_NO_EXIST;
    case TokenStep::NoUserKey:
        LogError("[ERROR]CryptGetUserKey is error,Error Code: E_NO_SPEC_KEYS,Line %d\n", __LINE__);
        return E_NO_SPEC_KEYS;
    case TokenStep::NoCertificate:
        LogError("[ERROR]CryptGetKeyParam is error,Error Code: E_ENCROLL_CERT_NO_FIND,Line %d\n", __LINE__);
        return E_ENCROLL_CERT_NO_FIND;
    case TokenStep::NoSuchSerial:
        LogError("[ERROR]Serial Number is error,Error Code: E_ENCROLL_CERT_NO_FIND,Line %d\n", __LINE__);
        return E_ENCROLL_CERT_NO_FIND;
    }
    return E_FAILED;
}

}  // namespace vemo::sign
