// The one allocator of pack memory in every edition: the process heap. A caller can allocate
// and release there too, whatever C runtime library it was built with.
#pragma once

#include "frame/pack_record.h"

namespace vemo {

const PackAllocator& ProcessHeapPackAllocator();

}  // namespace vemo
