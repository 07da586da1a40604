#include "token/provider/token_access.h"

#include "token/store/token_store.h"

namespace vemo::csp {

DWORD ReadToken(token::FaultPoint point, token::TokenImage& image) {
    switch (token::LoadToken(image)) {
    case token::TokenState::Absent:
        return kTokenAbsent;
    case token::TokenState::Damaged:
        return kTokenDamaged;
    case token::TokenState::Present:
        break;
    }
    if (const auto code = image.faultCode(point)) {
        // A fault must fail its call; 0 would read as success.
        return *code != ERROR_SUCCESS ? *code : static_cast<DWORD>(NTE_FAIL);
    }
    return ERROR_SUCCESS;
}

const token::Container* ListedContainer(const token::TokenImage& image, std::string_view name) {
    if (name.empty()) return nullptr;
    for (const token::Container& container : image.containers) {
        if (container.name == name) return &container;
    }
    return nullptr;
}

const token::Container* FindContainer(const token::TokenImage& image, std::string_view requested) {
    if (const token::Container* exact = ListedContainer(image, requested)) return exact;
    if (requested.size() <= kContainerSuffix.size() ||
        requested.substr(requested.size() - kContainerSuffix.size()) != kContainerSuffix) {
        return nullptr;
    }
    return ListedContainer(image, requested.substr(0, requested.size() - kContainerSuffix.size()));
}

DWORD OpenedContainer(const token::TokenImage& image, const std::string& listedName,
                      const token::Container*& container) {
    if (listedName.empty()) return NTE_NO_KEY;
    container = ListedContainer(image, listedName);
    return container != nullptr ? ERROR_SUCCESS : NTE_BAD_KEYSET;
}

}  // namespace vemo::csp
