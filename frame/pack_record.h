// Pack records: nine items (length and buffer) that the certificate information fills. The
// building, releasing and writing of packs, apart from the allocator the editions use, so that
// every path is checked natively (a failing allocator included).
#pragma once

#include <cstddef>
#include <cstdint>

#include "CVemoDll_C.h"

namespace vemo {

// Where pack memory comes from and goes back to. allocate answers zeroed memory or nullptr.
struct PackAllocator {
    void* (*allocate)(size_t size);
    void (*release)(void* memory);
};

// The slots the certificate information fills.
enum PackSlot : int { kSlotCountry, kSlotState, kSlotLocality, kSlotOrganisation, kSlotUnit, kSlotCommonName,
                      kSlotEmail, kSlotSerial, kSlotAltNameTail };

// A pack of nine zeroed PACK_ITEM_SIZE-byte buffers with lengths 0, stored in `*pack`. 0, or
// E_FAILED (the record or a buffer of slots 0 to 6), -2 (slot 7), -3 (slot 8): then everything
// allocated is released again and `*pack` is null.
int32_t NewPackWith(const PackAllocator& allocator, PackItem** pack);

// Releases every non-null buffer and sets its pointer to null; with `clearLengths` also sets
// every length to 0. The record itself is not released.
void ReleasePackItems(const PackAllocator& allocator, PackItem* pack, bool clearLengths);

// Gives slots 0 to 6 fresh zeroed buffers of `attributeSize` bytes and slots 7 and 8 of
// `identifierSize` bytes, whatever the pointers held. False when one cannot be allocated: the
// buffers of this call are released again and every pointer is null.
bool GiveFreshBuffers(const PackAllocator& allocator, PackItem* pack, size_t attributeSize, size_t identifierSize);

// Writes `count` bytes of `bytes` into the item's buffer of `capacity` bytes, cut to the
// capacity, and sets the length to the bytes written. An item without buffer is left alone.
void WritePackItem(PackItem& item, size_t capacity, const char* bytes, size_t count);

// Writes a text and its terminator, cut to the capacity with the terminator kept; the length
// counts the terminator.
void WritePackText(PackItem& item, size_t capacity, const char* text, size_t textLength);

}  // namespace vemo
