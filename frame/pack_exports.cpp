// Exports: the pack records' allocation (token edition) and release.
#include "CVemoDll_C.h"
#include "frame/edition.h"
#include "frame/export_guard.h"
#include "frame/pack_memory.h"

extern "C" int32_t CVEMO_CALL C_VEMO_NewPack(PackItem** pack) {
    return vemo::guard([&] {
        if (pack == nullptr) return int32_t{SPC_INPUTARG_ERROR_01};
        return vemo::NewPackWith(vemo::ProcessHeapPackAllocator(), pack);
    });
}

extern "C" int32_t CVEMO_CALL C_VEMO_FreePack(PackItem* pack) {
    return vemo::guard([&] {
        if (pack == nullptr) return int32_t{0};
        const vemo::PackAllocator& heap = vemo::ProcessHeapPackAllocator();
        // The token edition's packs are its own; the other editions' are the caller's.
        constexpr bool kPackIsTheLibrarys = vemo::edition::kKind == vemo::edition::Kind::Token;
        vemo::ReleasePackItems(heap, pack, kPackIsTheLibrarys);
        if (kPackIsTheLibrarys) heap.release(pack);
        return int32_t{0};
    });
}
