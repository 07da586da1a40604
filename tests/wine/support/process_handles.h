// What a process holds: its handles, its memory, and whether the token's provider is loaded
// (advapi32 unloads a provider with its last context, so a context left open keeps it loaded).
#pragma once

#include <windows.h>

#include <functional>

namespace vemo::test {

// The process's open handles. Wine answers GetProcessHandleCount with 0; there they are counted
// in the system's list instead.
DWORD HandleCount();

bool ProviderLoaded();

// `cycle` run once (what stays loaded after a first call is not counted), then `count` times
// with 0 to count - 1: the cycles that failed and the handles the `count` cycles kept.
struct CyclesOutcome {
    int failures;
    DWORD keptHandles;
};
CyclesOutcome HandlesKeptByCycles(int count, const std::function<bool(int)>& cycle);

// The process's committed private memory: the sum of its committed private regions, found by
// walking the address space with VirtualQuery (Wine answers GetProcessMemoryInfo's PrivateUsage
// with 0).
SIZE_T CommittedPrivateBytes();
// The bytes of the busy blocks of every heap of the process (HeapWalk): what is allocated right
// now, to the byte, whichever heap the C runtimes and the platform's libraries use.
SIZE_T HeapBusyBytes();

}  // namespace vemo::test
