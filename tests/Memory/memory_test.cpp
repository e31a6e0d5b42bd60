#include "Memory/memory.h"

#include "../harness/testStores.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <string>

using ve::detail::HeapAllocatedBlockHeader;
using ve::detail::HeapFreeBlock;

namespace {

// A store over a 16-aligned region of a local array, so that addresses in the worked examples are
// exact offsets from the store's start.
struct TestStore {
    alignas(16) u8 bytes[4096];
    ve::MemoryStore store;

    explicit TestStore(msi length) { store = ve::createHeapStore({length, bytes}); }
    u8* start() { return bytes; }
    msi freeBlockCount() { return vetest::freeBlockCount(&store); }
    msi freeBytes() { return vetest::freeBytes(&store); }
};

HeapAllocatedBlockHeader headerOf(void* allocation) {
    HeapAllocatedBlockHeader header;
    memcpy(&header, (u8*)allocation - 16, sizeof(header));
    return header;
}

} // namespace

TEST(MemoryStore, CreatedStoreIsOneFreeBlockOverTheWholeBuffer) {
    TestStore t(1000);
    EXPECT_TRUE(t.store.initialized);
    ASSERT_EQ((u8*)t.store.firstFreeBlock, t.start());
    EXPECT_EQ(u64(t.store.firstFreeBlock->size), 1000u);
    EXPECT_EQ(t.store.firstFreeBlock->nextFreeBlock, nullptr);
}

TEST(MemoryStore, HundredBytesTakeOneHundredThirtyOneAndReturnStartPlusSixteen) {
    TestStore t(1000);
    void* p = ve::pushToHeap(&t.store, 100);
    EXPECT_EQ((u8*)p, t.start() + 16);
    ASSERT_EQ(t.freeBlockCount(), 1u);
    EXPECT_EQ((u8*)t.store.firstFreeBlock, t.start() + 131);
    EXPECT_EQ(u64(t.store.firstFreeBlock->size), 869u);
    HeapAllocatedBlockHeader header = headerOf(p);
    EXPECT_EQ(header.base, t.start());
    EXPECT_EQ(header.size, 131u);
}

TEST(MemoryStore, ZeroByteRequestTakesThirtyOneBytesAndIsAligned) {
    TestStore t(1000);
    void* p = ve::pushToHeap(&t.store, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ((uintptr_t)p % 16, 0u);
    EXPECT_EQ(headerOf(p).size, 31u);
    EXPECT_EQ(u64(t.store.firstFreeBlock->size), 1000u - 31u);
}

// The pack and scene loaders budget their blocks with heapBlockOverhead: wherever a block
// starts, a split allocation takes no more from the free memory than its size and that overhead.
TEST(MemoryStore, NoAllocationCostsMoreThanItsSizeAndTheBlockOverhead) {
    const msi sizes[] = {0, 1, 15, 16, 100};
    for (msi skew = 0; skew < 16; ++skew) {
        for (msi size : sizes) {
            TestStore t(1000);
            ve::pushToHeap(&t.store, skew); // the free block now starts skew bytes past a boundary
            msi before = t.freeBytes();
            ASSERT_NE(ve::pushToHeap(&t.store, size), nullptr);
            EXPECT_LE(before - t.freeBytes(), size + ve::heapBlockOverhead) << "skew " << skew << ", size " << size;
        }
    }
}

TEST(MemoryStore, UnalignedBlockStartPutsTheHeaderOnTheNextSixteenByteBoundary) {
    TestStore t(1000);
    ve::pushToHeap(&t.store, 100); // the free block now starts at offset 131
    void* p = ve::pushToHeap(&t.store, 10);
    EXPECT_EQ((u8*)p, t.start() + 144 + 16);
    EXPECT_EQ(headerOf(p).base, t.start() + 131);
    EXPECT_EQ(headerOf(p).size, 41u);
}

TEST(MemoryStore, BlockOfNeedPlusSixteenIsTakenWholeAndNeedPlusSeventeenIsSplit) {
    // A 100-byte request needs 131 bytes.
    TestStore whole(131 + 16);
    void* p = ve::pushToHeap(&whole.store, 100);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(headerOf(p).size, 147u);
    EXPECT_EQ(whole.store.firstFreeBlock, nullptr);

    TestStore split(131 + 17);
    void* q = ve::pushToHeap(&split.store, 100);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(headerOf(q).size, 131u);
    ASSERT_EQ(split.freeBlockCount(), 1u);
    EXPECT_EQ(u64(split.store.firstFreeBlock->size), 17u);
}

TEST(MemoryStore, RequestOfBlockSizeMinusThirtyOneFitsAndOneMoreFailsSoftly) {
    TestStore fits(512);
    EXPECT_NE(ve::pushToHeap(&fits.store, 512 - 31), nullptr);

    TestStore tooBig(512);
    testing::internal::CaptureStderr();
    void* p = ve::pushToHeap(&tooBig.store, 512 - 30);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(err.rfind("SOFT ASSERTION FAILED:<src/Memory/memory.cpp><", 0), 0u) << err;
    EXPECT_NE(err.find(">: false && \"No Memory Available!\"\n"), std::string::npos) << err;
    EXPECT_EQ(tooBig.freeBytes(), 512u); // the store is unchanged
}

TEST(MemoryStore, RequestWhoseOverheadWrapsAroundFailsSoftly) {
    TestStore t(512);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ve::pushToHeap(&t.store, ~(msi)0 - 10), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("No Memory Available!"), std::string::npos);
    EXPECT_EQ(t.freeBytes(), 512u);
}

TEST(MemoryStore, ZeroByteAllocationAtTheEndOfAnUnalignedBlockCanBeFreed) {
    // With the block one byte past a 16-byte boundary, the pointer of a 0-byte request is the
    // block's very end.
    alignas(16) u8 bytes[256];
    ve::MemoryStore store = ve::createHeapStore({255, bytes + 1});
    void* p = ve::pushToHeap(&store, 0);
    ASSERT_EQ((u8*)p, bytes + 32);
    EXPECT_EQ(headerOf(p).base + headerOf(p).size, (u8*)p);
    EXPECT_TRUE(ve::freeFromHeap(&store, p));
    EXPECT_EQ(u64(store.firstFreeBlock->size), 255u);
}

TEST(MemoryStore, PushWithSourceCopiesTheBytes) {
    TestStore t(512);
    const char text[] = "kestrel";
    char* p = (char*)ve::pushToHeap(&t.store, sizeof(text), (void*)text);
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p, text);
}

TEST(MemoryStore, FreeingTwoAdjacentAllocationsInEitherOrderMergesThem) {
    for (int order = 0; order < 2; ++order) {
        TestStore t(1024);
        void* a = ve::pushToHeap(&t.store, 64);
        void* b = ve::pushToHeap(&t.store, 64);
        void* fence = ve::pushToHeap(&t.store, 64); // keeps b's block apart from the rest
        (void)fence;
        ASSERT_TRUE(ve::freeFromHeap(&t.store, order ? b : a));
        ASSERT_TRUE(ve::freeFromHeap(&t.store, order ? a : b));
        // The big rest of the store plus one block of a and b together.
        EXPECT_EQ(t.freeBlockCount(), 2u) << order;
        b8 foundMerged = false;
        for (HeapFreeBlock* node = t.store.firstFreeBlock; node; node = node->nextFreeBlock)
            if ((u8*)node == t.start() && node->size == 2 * 95u) foundMerged = true;
        EXPECT_TRUE(foundMerged) << order;
    }
}

TEST(MemoryStore, FreeingTheMiddleOfThreeAfterTheOuterTwoLeavesTwoFreeBlocks) {
    TestStore t(3 * 95 + 16); // three 64-byte allocations take 95 bytes each; 16 spare go with the third
    void* a = ve::pushToHeap(&t.store, 64);
    void* b = ve::pushToHeap(&t.store, 64);
    void* c = ve::pushToHeap(&t.store, 64);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(t.store.firstFreeBlock, nullptr);
    ASSERT_TRUE(ve::freeFromHeap(&t.store, a));
    ASSERT_TRUE(ve::freeFromHeap(&t.store, c));
    ASSERT_TRUE(ve::freeFromHeap(&t.store, b));
    EXPECT_EQ(t.freeBlockCount(), 2u);
    EXPECT_EQ(t.freeBytes(), 3u * 95 + 16);
}

TEST(MemoryStore, FreeListStaysOrderedBySizeWhenBlocksCannotMerge) {
    TestStore t(2048);
    void* big = ve::pushToHeap(&t.store, 200);
    ve::pushToHeap(&t.store, 16);
    void* small = ve::pushToHeap(&t.store, 40);
    ve::pushToHeap(&t.store, 16);
    ASSERT_TRUE(ve::freeFromHeap(&t.store, big));
    ASSERT_TRUE(ve::freeFromHeap(&t.store, small));
    u64 previous = 0;
    for (HeapFreeBlock* node = t.store.firstFreeBlock; node; node = node->nextFreeBlock) {
        EXPECT_GE(u64(node->size), previous);
        previous = node->size;
    }
    EXPECT_EQ(t.freeBlockCount(), 3u);
}

TEST(MemoryStore, FreeRefusesAddressesTheStoreCannotHaveHandedOut) {
    TestStore t(1024);
    void* p = ve::pushToHeap(&t.store, 64);
    alignas(16) u8 elsewhere[64];
    EXPECT_FALSE(ve::freeFromHeap(nullptr, p));
    EXPECT_FALSE(ve::freeFromHeap(&t.store, elsewhere + 16));
    EXPECT_FALSE(ve::freeFromHeap(&t.store, t.start()));      // below data + 16: no room for a header
    EXPECT_FALSE(ve::freeFromHeap(&t.store, t.start() + 1024)); // one past the end
    EXPECT_FALSE(ve::freeFromHeap(&t.store, t.start() + 2000));
    EXPECT_FALSE(ve::freeFromHeap(&t.store, (u8*)p + 1)); // not 16-aligned
    EXPECT_EQ(t.freeBlockCount(), 1u);
    EXPECT_TRUE(ve::freeFromHeap(&t.store, p));
    EXPECT_EQ(t.freeBytes(), 1024u);
}

TEST(MemoryStore, ResetMakesTheWholeStoreAvailableAgain) {
    TestStore t(1024);
    for (int i = 0; i < 10; ++i) ve::pushToHeap(&t.store, 50);
    ve::resetHeapStore(&t.store);
    EXPECT_EQ(t.freeBlockCount(), 1u);
    EXPECT_NE(ve::pushToHeap(&t.store, 1024 - 31), nullptr);
    ve::resetHeapStore(nullptr); // nothing happens
}

// Allocations and frees after a mark, in any order, even ones that leave holes, are undone whole:
// the free memory is the one block it was, and what was allocated before stays.
TEST(MemoryStore, RollingBackToAMarkUndoesEverythingAllocatedSinceWithoutAHole) {
    struct Case {
        const char* what;
        msi before; // bytes allocated before the mark
        bool fillAll; // allocate until the store is full after the mark
    };
    const Case cases[] = {{"fresh store", 0, false}, {"after an allocation", 100, false}, {"store filled", 40, true}};
    for (const Case& c : cases) {
        TestStore t(2048);
        void* kept = c.before ? ve::pushToHeap(&t.store, c.before) : nullptr;
        u8* freeStart = (u8*)t.store.firstFreeBlock;
        u64 freeSize = t.freeBytes();
        ve::HeapMark mark = ve::markHeap(&t.store);
        void* a = ve::pushToHeap(&t.store, 64);
        ve::pushToHeap(&t.store, 200);
        ve::freeFromHeap(&t.store, a); // a hole in front of a live block
        testing::internal::CaptureStderr();
        while (c.fillAll && ve::pushToHeap(&t.store, 16)) {}
        testing::internal::GetCapturedStderr();
        ASSERT_TRUE(ve::rollBackHeap(&t.store, mark)) << c.what;
        EXPECT_EQ(t.freeBlockCount(), 1u) << c.what;
        EXPECT_EQ((u8*)t.store.firstFreeBlock, freeStart) << c.what;
        EXPECT_EQ(t.freeBytes(), freeSize) << c.what;
        if (kept) {
            EXPECT_TRUE(ve::freeFromHeap(&t.store, kept)) << c.what;
        }
    }
}

TEST(MemoryStore, AMarkTakenOverSeveralFreeBlocksCannotBeRolledBack) {
    TestStore t(1024);
    void* a = ve::pushToHeap(&t.store, 64);
    ve::pushToHeap(&t.store, 64);
    ve::freeFromHeap(&t.store, a);
    ASSERT_EQ(t.freeBlockCount(), 2u);
    ve::HeapMark mark = ve::markHeap(&t.store);
    ve::pushToHeap(&t.store, 300);
    u64 freeBefore = t.freeBytes();
    EXPECT_FALSE(ve::rollBackHeap(&t.store, mark));
    EXPECT_EQ(t.freeBytes(), freeBefore);
}

TEST(MemoryStore, LargestFreeBlockIsTheBiggestBlockOfTheList) {
    TestStore t(2048);
    EXPECT_EQ(ve::largestFreeBlock(&t.store), 2048u);
    void* a = ve::pushToHeap(&t.store, 300);
    ve::pushToHeap(&t.store, 16);
    ve::freeFromHeap(&t.store, a);
    ASSERT_EQ(t.freeBlockCount(), 2u);
    EXPECT_EQ(ve::largestFreeBlock(&t.store), 2048u - 331u - 47u); // the tail, not the 331-byte hole
    TestStore full(8);
    EXPECT_EQ(ve::largestFreeBlock(&full.store), 0u);
}

TEST(MemoryStore, BufferTooSmallForANodeHasNothingToGive) {
    TestStore t(8);
    EXPECT_EQ(t.store.firstFreeBlock, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ve::pushToHeap(&t.store, 0), nullptr);
    testing::internal::GetCapturedStderr();
}

TEST(MemoryStoreDeathTest, HardAssertionsOnMissingOrUnsetStores) {
    ve::MemoryStore* noStore = nullptr;
    ve::MemoryStore unset = {};
    buffer noData = {16, nullptr};
    EXPECT_DEATH(ve::pushToHeap(noStore, 16), "^ASSERTION FAILED:<src/Memory/memory.cpp><[0-9]+>: NOT NULL: store\n");
    EXPECT_DEATH(ve::pushToHeap(&unset, 16), ">: store->initialized == true\n");
    EXPECT_DEATH(ve::createHeapStore(noData), ">: NOT NULL: buf.data\n");
    EXPECT_DEATH(ve::addFreeBlockToHeap(noStore, nullptr, 0), ">: NOT NULL: store\n");
    EXPECT_DEATH(ve::createBuffer(16, noStore), ">: NOT NULL: store\n");
    EXPECT_DEATH(ve::freeBuffer(nullptr, noStore), ">: NOT NULL: store\n");
    EXPECT_DEATH(ve::resizeBuffer(noStore, nullptr, 4), ">: NOT NULL: store\n");
}
