// Pack records per edition: the token edition's C_VEMO_NewPack and C_VEMO_FreePack, the other
// editions' caller-built packs whose process-heap buffers C_VEMO_FreePack releases, the picker
// edition's fresh buffers, and no heap block left behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/edition_under_test.h"
#include "support/run_program.h"
#include "support/scoped_environment.h"
#include "support/token_fixture.h"

namespace vemo::test {
namespace {

bool IsToken() { return Edition().kind() == EditionKind::Token; }

// The size of a process-heap block; 0 for memory the process heap does not own.
size_t HeapBlockSize(const void* block) {
    const SIZE_T size = HeapSize(GetProcessHeap(), 0, block);
    return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

// Busy blocks of the process heap; -1 when the heap cannot be walked.
long BusyHeapBlocks() {
    PROCESS_HEAP_ENTRY entry{};
    long busy = 0;
    if (!HeapLock(GetProcessHeap())) return -1;
    while (HeapWalk(GetProcessHeap(), &entry)) busy += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    HeapUnlock(GetProcessHeap());
    return busy;
}

// What a caller of the trace and picker editions builds: buffers from the process heap.
void CallerBuffers(PackItem* pack) {
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        pack[slot] = {slot + 1, static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, PACK_ITEM_SIZE))};
    }
}

TEST(Pack, TokenEditionMakesAndReleasesPacks) {
    if (!IsToken()) {
        EXPECT_FALSE(Edition().has(tool::Export::NewPack)) << "only the token edition allocates packs";
        return;
    }
    PackItem* pack = nullptr;
    ASSERT_EQ(Edition().newPack(&pack), 0);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(HeapBlockSize(pack), sizeof(Pack));
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        EXPECT_EQ(pack[slot].length, 0);
        ASSERT_EQ(HeapBlockSize(pack[slot].data), size_t{PACK_ITEM_SIZE}) << "from the process heap";
        EXPECT_EQ(std::string(pack[slot].data, PACK_ITEM_SIZE), std::string(PACK_ITEM_SIZE, '\0'));
    }
    EXPECT_EQ(Edition().freePack(pack), 0);
    EXPECT_EQ(Edition().freePack(nullptr), 0);
    EXPECT_EQ(Edition().newPack(nullptr), SPC_INPUTARG_ERROR_01);
}

TEST(Pack, CallersPackBuffersAreReleasedOnce) {
    if (IsToken()) GTEST_SKIP() << "the token edition's C_VEMO_FreePack releases only its own packs";
    Pack pack;
    CallerBuffers(pack);
    EXPECT_EQ(Edition().freePack(pack), 0);
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        EXPECT_EQ(pack[slot].data, nullptr);
        EXPECT_EQ(pack[slot].length, slot + 1) << "the lengths are left as they were";
    }
    EXPECT_EQ(Edition().freePack(pack), 0) << "a second release finds null pointers";
    EXPECT_EQ(Edition().freePack(nullptr), 0);
}

TEST(Pack, PickerEditionGivesEachCallFreshBuffers) {
    if (Edition().kind() != EditionKind::Picker) GTEST_SKIP() << "the caller's buffers are filled";
    Pack pack;
    std::memset(pack, 0xAB, sizeof pack);  // uninitialised pointers are never read
    std::vector<uint8_t> der = FixtureBytes("user1024.crt.b64");
    der.push_back(0);
    char info[1024];
    ASSERT_EQ(Edition().getCertInfo(reinterpret_cast<char*>(der.data()), "36", info, pack), 0);
    for (int slot = 0; slot < PACK_ITEM_COUNT; ++slot) {
        EXPECT_EQ(HeapBlockSize(pack[slot].data), slot < 7 ? 100u : 128u) << slot;
    }
    EXPECT_EQ(Edition().freePack(pack), 0);
}

TEST(Pack, RepeatedUseLeavesNoHeapBlockBehind) {
    const std::string text = [] {
        const std::vector<uint8_t> bytes = FixtureBytes("user1024.crt.b64");
        return std::string(bytes.begin(), bytes.end());
    }();
    const auto cycle = [&] {
        Pack own;
        PackItem* pack = own;
        if (IsToken()) {
            ASSERT_EQ(Edition().newPack(&pack), 0);
        } else if (Edition().kind() == EditionKind::Trace) {
            CallerBuffers(own);
        }
        std::string caller = text;
        char info[1024];
        ASSERT_EQ(Edition().getCertInfo(caller.data(), "2", info, pack), 0);
        ASSERT_EQ(Edition().freePack(pack), 0);
    };
    cycle();
    const long before = BusyHeapBlocks();
    if (before < 0) GTEST_SKIP() << "the process heap cannot be walked";
    for (int i = 0; i < 200; ++i) cycle();
    const long after = BusyHeapBlocks();
    EXPECT_EQ(after, before);
    std::printf("[report] pack memory, %s edition: %ld busy process-heap blocks before and %ld after 200 "
                "fill-and-release cycles\n", Edition().name().c_str(), before, after);
}

TEST(Pack, VemoNamesTheExportAnEditionLacks) {
    // vemo binds every export by name; one the edition lacks is reported by name, never called.
    ScopedWorkingDirectory directory;
    const std::wstring vemo = ProgramDirectory() + L"\\..\\..\\tools\\vemo.exe";
    const struct {
        const wchar_t* command;
        const char* exportName;
        bool present;
    } cases[] = {
        {L"pack", "C_VEMO_NewPack", IsToken()},
        {L"verify-p7 garbage.p7", "C_VEMO_VerifySign_P7", Edition().kind() != EditionKind::Picker},
    };
    std::FILE* garbage = std::fopen("garbage.p7", "wb");
    ASSERT_NE(garbage, nullptr);
    std::fputs("not a message", garbage);
    std::fclose(garbage);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exportName);
        const ProgramRun run = RunProgram(vemo, L"--dll \"" + Edition().dllPath() + L"\" " + c.command);
        const bool named =
            run.output.find(std::string("vemo: the library has no export ") + c.exportName) != std::string::npos;
        if (c.present) {
            EXPECT_NE(run.exitCode, 2) << run.output;
            EXPECT_FALSE(named) << run.output;
        } else {
            EXPECT_EQ(run.exitCode, 2) << run.output;
            EXPECT_TRUE(named) << run.output;
        }
    }
}

}  // namespace
}  // namespace vemo::test
