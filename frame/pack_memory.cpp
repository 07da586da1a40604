#include "frame/pack_memory.h"

#include <windows.h>

namespace vemo {
namespace {

void* AllocateZeroed(size_t size) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size); }

void Release(void* memory) { HeapFree(GetProcessHeap(), 0, memory); }

}  // namespace

const PackAllocator& ProcessHeapPackAllocator() {
    static const PackAllocator allocator{AllocateZeroed, Release};
    return allocator;
}

}  // namespace vemo
