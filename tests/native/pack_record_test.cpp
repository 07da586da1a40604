// Pack records: allocation with every allocation failing in turn, release, and the writers'
// bounds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "frame/pack_record.h"

namespace vemo {
namespace {

// An allocator that fails its n-th allocation (0: never) and tracks what is outstanding.
struct CountingHeap {
    static inline int failAt = 0;
    static inline int calls = 0;
    static inline std::set<void*> live;

    static void* Allocate(size_t size) {
        if (++calls == failAt) return nullptr;
        void* memory = std::calloc(1, size);
        live.insert(memory);
        return memory;
    }
    static void Release(void* memory) {
        EXPECT_EQ(live.erase(memory), 1u) << "released memory it did not hand out";
        std::free(memory);
    }
    static void Reset(int failingCall) {
        failAt = failingCall;
        calls = 0;
        live.clear();
    }
};
constexpr PackAllocator kHeap{CountingHeap::Allocate, CountingHeap::Release};

TEST(PackRecord, NewPackHasNineZeroedBuffersAndFreesCompletely) {
    CountingHeap::Reset(0);
    PackItem* pack = nullptr;
    ASSERT_EQ(NewPackWith(kHeap, &pack), 0);
    EXPECT_EQ(CountingHeap::live.size(), 10u);
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        EXPECT_EQ(pack[slot].length, 0);
        ASSERT_NE(pack[slot].data, nullptr);
        EXPECT_EQ(std::string(pack[slot].data, PACK_ITEM_SIZE), std::string(PACK_ITEM_SIZE, '\0'));
    }
    pack[3].length = 7;
    ReleasePackItems(kHeap, pack, true);
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) EXPECT_EQ(pack[slot].data, nullptr);
    EXPECT_EQ(pack[3].length, 0);
    ReleasePackItems(kHeap, pack, true);  // a second release finds null pointers
    kHeap.release(pack);
    EXPECT_TRUE(CountingHeap::live.empty());
}

TEST(PackRecord, NewPackFailingPartWayReleasesEverythingAndStoresNull) {
    // Call 1 is the record, calls 2 to 10 the buffers of slots 0 to 8.
    const struct {
        int failingCall;
        int32_t result;
    } cases[] = {{1, E_FAILED}, {2, E_FAILED}, {5, E_FAILED}, {8, E_FAILED}, {9, -2}, {10, -3}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.failingCall);
        CountingHeap::Reset(row.failingCall);
        PackItem* pack = reinterpret_cast<PackItem*>(0x1);
        EXPECT_EQ(NewPackWith(kHeap, &pack), row.result);
        EXPECT_EQ(pack, nullptr);
        EXPECT_TRUE(CountingHeap::live.empty());
    }
}

TEST(PackRecord, FreshBuffersReplacePointersAndFailCleanly) {
    CountingHeap::Reset(0);
    Pack pack;
    std::memset(pack, 0xAB, sizeof pack);  // uninitialised pointers are never read
    ASSERT_TRUE(GiveFreshBuffers(kHeap, pack, 100, 128));
    EXPECT_EQ(CountingHeap::live.size(), 9u);
    ReleasePackItems(kHeap, pack, false);
    EXPECT_TRUE(CountingHeap::live.empty());

    CountingHeap::Reset(4);
    std::memset(pack, 0xAB, sizeof pack);
    EXPECT_FALSE(GiveFreshBuffers(kHeap, pack, 100, 128));
    EXPECT_TRUE(CountingHeap::live.empty());
    for (const PackItem& item : pack) EXPECT_EQ(item.data, nullptr);
}

TEST(PackRecord, WritersStayWithinTheBuffer) {
    char buffer[12];
    PackItem item{0, buffer + 1};
    const auto write = [&](bool text, const std::string& value, size_t capacity) {
        std::memset(buffer, '#', sizeof buffer);
        if (text) WritePackText(item, capacity, value.data(), value.size());
        else WritePackItem(item, capacity, value.data(), value.size());
        EXPECT_EQ(buffer[0], '#');
        EXPECT_EQ(buffer[1 + capacity], '#');
        return std::string(item.data, item.length);
    };
    EXPECT_EQ(write(true, "CN", 10), std::string("CN\0", 3));
    EXPECT_EQ(write(true, "", 10), std::string("\0", 1));
    EXPECT_EQ(write(true, "0123456789AB", 10), std::string("012345678\0", 10));
    EXPECT_EQ(write(false, "0A1B", 10), "0A1B");
    EXPECT_EQ(write(false, "0123456789AB", 10), "0123456789");

    PackItem released{5, nullptr};
    WritePackText(released, 10, "CN", 2);
    WritePackItem(released, 10, "CN", 2);
    EXPECT_EQ(released.length, 5) << "an item without buffer is left alone";
}

}  // namespace
}  // namespace vemo
