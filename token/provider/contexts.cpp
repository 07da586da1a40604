// Contexts: opening one with or without a container, listing the token's containers and
// algorithms, and the provider's parameters.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "token/provider/crypt_output.h"
#include "token/provider/operations.h"
#include "token/provider/provider_name.h"
#include "token/provider/token_access.h"

namespace vemo::csp {
namespace {

constexpr DWORD kDefaultContainerOptional = 0x80;  // CRYPT_DEFAULT_CONTAINER_OPTIONAL
constexpr DWORD kKnownOpenFlags = CRYPT_VERIFYCONTEXT | CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET |
                                  CRYPT_MACHINE_KEYSET | CRYPT_SILENT | kDefaultContainerOptional;

// A software token, but one that can be pulled out like a hardware one.
constexpr DWORD kImplementation = CRYPT_IMPL_SOFTWARE | CRYPT_IMPL_REMOVABLE;
constexpr DWORD kVersion = 0x0200;  // 2.0, as major and minor byte
constexpr DWORD kKeySpecs = AT_KEYEXCHANGE | AT_SIGNATURE;

// PP_ENUMCONTAINERS: CRYPT_FIRST takes the token's list afresh; each later call hands out the
// next name. A size query or a buffer too small keeps the name for the next call.
DWORD ListContainers(Context& context, DWORD flags, BYTE* data, DWORD* length) {
    if ((flags & ~(CRYPT_FIRST | CRYPT_MACHINE_KEYSET)) != 0) return NTE_BAD_FLAGS;
    token::TokenImage image;
    if (const DWORD status = ReadToken(token::FaultPoint::ProviderEnumContainers, image)) return status;
    if ((flags & CRYPT_FIRST) != 0 || !context.listingStarted) {
        context.listing.clear();
        for (const token::Container& container : image.containers) context.listing.push_back(container.name);
        context.listed = 0;
        context.listingStarted = true;
    }
    if (context.listed >= context.listing.size()) return ERROR_NO_MORE_ITEMS;
    const DWORD status = CopyOut(context.listing[context.listed], data, length);
    if (status == ERROR_SUCCESS && data != nullptr) ++context.listed;
    return status;
}

// What PP_ENUMALGS and PP_ENUMALGS_EX list: the token's two kinds of RSA key, then its digests.
struct ListedAlgorithm {
    ALG_ID id;
    DWORD defaultBits, minimumBits, maximumBits;
    const char* name;
    const char* longName;
};

std::vector<ListedAlgorithm> ListedAlgorithms() {
    // The key sizes the token holds (tokenctl imports keys of up to 16384 bits).
    std::vector<ListedAlgorithm> listed = {
        {CALG_RSA_SIGN, 1024, 512, 16384, "RSA_SIGN", "RSA Signature"},
        {CALG_RSA_KEYX, 1024, 512, 16384, "RSA_KEYX", "RSA Key Exchange"},
    };
    for (const HashAlgorithm& hash : kHashAlgorithms) {
        const DWORD bits = 8 * hash.size;
        listed.push_back({hash.id, bits, bits, bits, hash.name, hash.longName});
    }
    return listed;
}

template <size_t N>
DWORD CopyName(const char* name, CHAR (&field)[N]) {
    const size_t length = std::strlen(name);  // every name fits its field with its terminator
    std::memcpy(field, name, length + 1);
    return static_cast<DWORD>(length + 1);
}

// PP_ENUMALGS and PP_ENUMALGS_EX: one algorithm per call, CRYPT_FIRST from the first again; ends
// with ERROR_NO_MORE_ITEMS. A size query or a buffer too small keeps the entry for the next call.
DWORD ListAlgorithms(Context& context, DWORD parameter, DWORD flags, BYTE* data, DWORD* length) {
    if ((flags & ~CRYPT_FIRST) != 0) return NTE_BAD_FLAGS;
    if ((flags & CRYPT_FIRST) != 0) context.algorithmsListed = 0;
    const std::vector<ListedAlgorithm> listed = ListedAlgorithms();
    if (context.algorithmsListed >= listed.size()) return ERROR_NO_MORE_ITEMS;
    const ListedAlgorithm& entry = listed[context.algorithmsListed];
    DWORD status;
    if (parameter == PP_ENUMALGS) {
        PROV_ENUMALGS algorithm{};
        algorithm.aiAlgid = entry.id;
        algorithm.dwBitLen = entry.defaultBits;
        algorithm.dwNameLen = CopyName(entry.name, algorithm.szName);
        status = CopyOut(&algorithm, sizeof algorithm, data, length);
    } else {
        PROV_ENUMALGS_EX algorithm{};
        algorithm.aiAlgid = entry.id;
        algorithm.dwDefaultLen = entry.defaultBits;
        algorithm.dwMinLen = entry.minimumBits;
        algorithm.dwMaxLen = entry.maximumBits;
        algorithm.dwNameLen = CopyName(entry.name, algorithm.szName);
        algorithm.dwLongNameLen = CopyName(entry.longName, algorithm.szLongName);
        status = CopyOut(&algorithm, sizeof algorithm, data, length);
    }
    if (status == ERROR_SUCCESS && data != nullptr) ++context.algorithmsListed;
    return status;
}

}  // namespace

DWORD AcquireContext(ProviderObjects& objects, HCRYPTPROV* handle, const char* name, DWORD flags) {
    if (handle == nullptr) return ERROR_INVALID_PARAMETER;
    if ((flags & ~kKnownOpenFlags) != 0) return NTE_BAD_FLAGS;
    // Containers are made and removed with the provisioning tool, not through CryptoAPI.
    if ((flags & (CRYPT_NEWKEYSET | CRYPT_DELETEKEYSET)) != 0) return NTE_PERM;
    const std::string requested = name != nullptr ? name : "";
    if ((flags & CRYPT_VERIFYCONTEXT) != 0 && !requested.empty()) return NTE_BAD_FLAGS;

    auto context = std::make_unique<Context>();
    token::TokenImage image;
    if (requested.empty()) {
        if (const DWORD status = ReadToken(token::FaultPoint::ProviderOpen, image)) return status;
    } else {
        if (const DWORD status = ReadToken(token::FaultPoint::ProviderOpenContainer, image)) return status;
        const token::Container* container = FindContainer(image, requested);
        if (container == nullptr) return NTE_BAD_KEYSET;
        context->container = container->name;
        context->openedAs = requested;
    }
    *handle = objects.contexts.add(std::move(context));
    return ERROR_SUCCESS;
}

DWORD ReleaseContext(ProviderObjects& objects, HCRYPTPROV handle, DWORD flags) {
    if (objects.context(handle) == nullptr) return NTE_BAD_UID;
    // advapi32 forgets the handle whatever the answer, so the context goes even with bad flags.
    objects.hashes.removeIf([handle](const Hash& hash) { return hash.context == handle; });
    objects.keys.removeIf([handle](const Key& key) { return key.context == handle; });
    objects.contexts.remove(handle);
    return flags == 0 ? ERROR_SUCCESS : NTE_BAD_FLAGS;
}

DWORD GetProviderParameter(ProviderObjects& objects, HCRYPTPROV handle, DWORD parameter, BYTE* data,
                           DWORD* length, DWORD flags) {
    Context* context = objects.context(handle);
    if (context == nullptr) return NTE_BAD_UID;
    if (length == nullptr) return ERROR_INVALID_PARAMETER;
    if (parameter == PP_ENUMCONTAINERS) return ListContainers(*context, flags, data, length);
    if (parameter == PP_ENUMALGS || parameter == PP_ENUMALGS_EX) {
        return ListAlgorithms(*context, parameter, flags, data, length);
    }
    // The other parameters take no flags.
    const auto answer = [&](const auto& value) -> DWORD {
        return flags == 0 ? CopyOut(value, data, length) : NTE_BAD_FLAGS;
    };
    switch (parameter) {
    case PP_NAME:
        return answer(std::string(token::kTokenProviderName));
    case PP_CONTAINER:
    case PP_UNIQUE_CONTAINER:
        if (!context->hasContainer()) return NTE_BAD_KEYSET;
        // Both names open the container again: the one the caller gave, and the listed one.
        return answer(parameter == PP_CONTAINER ? context->openedAs : context->container);
    case PP_PROVTYPE:
        return answer(DWORD{PROV_RSA_FULL});
    case PP_IMPTYPE:
        return answer(kImplementation);
    case PP_VERSION:
        return answer(kVersion);
    case PP_KEYSPEC:
        return answer(kKeySpecs);
    default:
        return NTE_BAD_TYPE;
    }
}

}  // namespace vemo::csp
