// The token as the provider's calls see it: read afresh for every call that needs it, so that
// a token pulled out (its file removed) fails the next call, and so that a fault set by the
// provisioning tool makes the call it names fail.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "token/store/token_image.h"

namespace vemo::csp {

// Errors of the token itself.
inline constexpr DWORD kTokenAbsent = static_cast<DWORD>(SCARD_E_NO_SMARTCARD);
inline constexpr DWORD kTokenDamaged = static_cast<DWORD>(NTE_KEYSET_ENTRY_BAD);

// The suffix the library appends to a listed container name when it opens the container.
inline constexpr std::string_view kContainerSuffix = "#7391";

// Reads the token for a call at `point`: ERROR_SUCCESS, kTokenAbsent, kTokenDamaged, or the
// code of the fault set for `point`.
DWORD ReadToken(token::FaultPoint point, token::TokenImage& image);

// The container that `requested` opens: the one listed under exactly that name, else the one
// listed under that name without the suffix. Null when there is none.
const token::Container* FindContainer(const token::TokenImage& image, std::string_view requested);
// The container listed under exactly `name`.
const token::Container* ListedContainer(const token::TokenImage& image, std::string_view name);

// The container a context opened (`listedName`, empty for a context without container), as the
// token holds it now: NTE_NO_KEY without container, NTE_BAD_KEYSET when it has gone since.
DWORD OpenedContainer(const token::TokenImage& image, const std::string& listedName,
                      const token::Container*& container);

}  // namespace vemo::csp
