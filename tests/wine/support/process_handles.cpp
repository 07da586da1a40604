#include "support/process_handles.h"

#include <gtest/gtest.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

namespace vemo::test {
namespace {

// NtQuerySystemInformation's SystemExtendedHandleInformation: every open handle of the system.
struct SystemHandle {
    void* object;
    ULONG_PTR process;
    ULONG_PTR value;
    ULONG access;
    USHORT creatorBackTrace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
};
struct SystemHandles {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandle handles[1];
};
constexpr SYSTEM_INFORMATION_CLASS kSystemExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

}  // namespace

DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
    std::vector<uint8_t> buffer(1 << 16);
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(kSystemExtendedHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    EXPECT_EQ(status, 0) << std::hex << status;
    const auto* list = reinterpret_cast<const SystemHandles*>(buffer.data());
    for (ULONG_PTR i = 0; status == 0 && i < list->count; ++i) {
        if (list->handles[i].process == GetCurrentProcessId()) ++count;
    }
    return count;
}

bool ProviderLoaded() { return GetModuleHandleW(L"SoftTokenCsp.dll") != nullptr; }

SIZE_T CommittedPrivateBytes() {
    SIZE_T committed = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const BYTE* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
        if (region.RegionSize == 0) break;
    }
    return committed;
}

SIZE_T HeapBusyBytes() {
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    SIZE_T busy = 0;
    for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return busy;
}

CyclesOutcome HandlesKeptByCycles(int count, const std::function<bool(int)>& cycle) {
    CyclesOutcome outcome{cycle(-1) ? 0 : 1, 0};
    const DWORD before = HandleCount();
    for (int i = 0; i < count; ++i) outcome.failures += cycle(i) ? 0 : 1;
    outcome.keptHandles = HandleCount() - before;
    return outcome;
}

}  // namespace vemo::test
