// The current user's "ROOT" and "CA" stores for the path check, kept open between calls and
// opened again once the registry's certificate stores (the current user's or the local
// machine's) have changed. Opening "ROOT" reads every root of the local machine from the
// registry, which under Wine costs a hundred times what the path check itself does; the
// platform's chain engine keeps its stores open the same way. Where the registry cannot tell of
// changes, every call opens the stores anew.
#pragma once

#include "frame/win_handles.h"

namespace vemo::validate {

// The system store `name` ("ROOT" or "CA") as of now: a handle of the caller's own, empty when
// the store cannot be opened. Safe to call from several threads at once.
win::CertStore CurrentUserStore(const char* name);

}  // namespace vemo::validate
