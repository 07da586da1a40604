// Contexts: opening one with or without a container, listing the token's containers, and the
// provider's parameters.
#include <memory>
#include <string>

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
