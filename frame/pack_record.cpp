#include "frame/pack_record.h"

#include <algorithm>
#include <cstring>

namespace vemo {

int32_t NewPackWith(const PackAllocator& allocator, PackItem** pack) {
    *pack = nullptr;
    auto* record = static_cast<PackItem*>(allocator.allocate(sizeof(Pack)));
    if (record == nullptr) return E_FAILED;
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) record[slot] = PackItem{0, nullptr};
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        record[slot].data = static_cast<char*>(allocator.allocate(PACK_ITEM_SIZE));
        if (record[slot].data == nullptr) {
            ReleasePackItems(allocator, record, true);
            allocator.release(record);
            return slot == kSlotSerial ? -2 : slot == kSlotAltNameTail ? -3 : E_FAILED;
        }
    }
    *pack = record;
    return 0;
}

void ReleasePackItems(const PackAllocator& allocator, PackItem* pack, bool clearLengths) {
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        if (pack[slot].data != nullptr) allocator.release(pack[slot].data);
        pack[slot].data = nullptr;
        if (clearLengths) pack[slot].length = 0;
    }
}

bool GiveFreshBuffers(const PackAllocator& allocator, PackItem* pack, size_t attributeSize, size_t identifierSize) {
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) pack[slot].data = nullptr;
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        pack[slot].data = static_cast<char*>(allocator.allocate(slot < kSlotSerial ? attributeSize : identifierSize));
        if (pack[slot].data == nullptr) {
            ReleasePackItems(allocator, pack, false);
            return false;
        }
    }
    return true;
}

void WritePackItem(PackItem& item, size_t capacity, const char* bytes, size_t count) {
    if (item.data == nullptr) return;
    const size_t written = std::min(count, capacity);
    if (written != 0) std::memcpy(item.data, bytes, written);
    item.length = static_cast<int32_t>(written);
}

void WritePackText(PackItem& item, size_t capacity, const char* text, size_t textLength) {
    if (item.data == nullptr || capacity == 0) return;
    const size_t kept = std::min(textLength, capacity - 1);
    if (kept != 0) std::memcpy(item.data, text, kept);
    item.data[kept] = '\0';
    item.length = static_cast<int32_t>(kept + 1);
}

}  // namespace vemo
