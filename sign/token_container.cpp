#include "sign/token_container.h"

#include <cstring>

#include "CVemoDll_C.h"
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

// Lists the containers of `listing` into `name` up to the first one to open. A failure other
// than the list's end leaves the buffer as it was and the listing goes on, but the same failure
// twice in a row, or more names than a token holds, ends it. Names that are empty or too long
// to take the suffix are passed over like the pseudo-containers.
bool FindContainerName(HCRYPTPROV listing, char (&name)[kContainerNameCapacity + 1], uint32_t& error) {
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
        if (length != 0 && length <= kContainerNameMax && !IsPseudoContainer(name)) return true;
    }
    error = ERROR_NO_MORE_ITEMS;
    return false;
}

TokenStep Failed(TokenStep step, TokenKey& found) {
    found.error = LastFailureCode();
    return step;
}

}  // namespace

TokenStep OpenTokenKey(uint32_t flags, TokenKey& found) {
    std::memset(found.container, 0, sizeof found.container);
    {
        win::ProviderContext listing;
        if (!CryptAcquireContextA(listing.put(), nullptr, token::kTokenProviderName, PROV_RSA_FULL, flags)) {
            return Failed(TokenStep::OpenProvider, found);
        }
        if (!FindContainerName(listing.get(), found.container, found.error)) return TokenStep::NoContainer;
    }  // the listing's context is released before the container is opened
    std::strcat(found.container, kContainerSuffix);  // fits: the name has at most kContainerNameMax characters

    if (!CryptAcquireContextA(found.context.put(), found.container, token::kTokenProviderName, PROV_RSA_FULL,
                              flags)) {
        return Failed(TokenStep::OpenContainer, found);
    }
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
    }
    return E_FAILED;
}

}  // namespace vemo::sign
