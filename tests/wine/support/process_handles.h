// What a process holds open: its handles, and whether the token's provider is loaded (advapi32
// unloads a provider with its last context, so a context left open keeps it loaded).
#pragma once

#include <windows.h>

namespace vemo::test {

// The process's open handles. Wine answers GetProcessHandleCount with 0; there they are counted
// in the system's list instead.
DWORD HandleCount();

bool ProviderLoaded();

}  // namespace vemo::test
