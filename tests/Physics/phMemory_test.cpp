#include "Physics/common/phHeap.h"
#include "Physics/common/phPagedAllocator.h"
#include "Physics/common/phStack.h"
#include "phTestStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

// ---------------------------------------------------------------------------------------------
// phAlloc / phFree
// ---------------------------------------------------------------------------------------------

using PhMemory = PhysicsStoreTest;

TEST_F(PhMemory, AllocationsComeFromThePhysicsStoreAndGoBack) {
    u8* start = store->buf.data;
    u8* end = start + store->buf.length;
    void* a = phAlloc(1000);
    void* b = phAlloc(24);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE((u8*)a >= start && (u8*)a < end);
    EXPECT_TRUE((u8*)b >= start && (u8*)b < end);
    phFree(a);
    // The freed room is found again by the next allocation of the same size.
    EXPECT_EQ(phAlloc(1000), a);
}

TEST_F(PhMemory, FreeingAForeignPointerIsIgnored) {
    phAlloc(64);
    ve::detail::HeapFreeBlock* head = store->firstFreeBlock;
    u64 headSize = head->size;
    u64 local[4] = {};
    phFree(&local[2]);
    EXPECT_EQ(store->firstFreeBlock, head);
    EXPECT_EQ(u64(store->firstFreeBlock->size), headSize); // by value: the packed node may sit unaligned
    EXPECT_EQ((ve::detail::HeapFreeBlock*)store->firstFreeBlock->nextFreeBlock, nullptr);
}

// A stack whose arena a first step of `bytes` has grown to that size.
void growArena(phStack* stack, i32 bytes) {
    stack->Free(stack->Allocate(bytes));
    stack->Grow();
}

// A full store answers null, and each allocator on top of it refuses without changing. The
// refusals print nothing: the library copes with null, and a scene asking on every body would
// otherwise fill the console.
TEST_F(PhMemory, AnExhaustedStoreRefusesWithoutStopping) {
    phStack stack;
    growArena(&stack, 64);
    phPagedAllocator pages(64, 4);
    void* fill = phAlloc(i32(ve::largestFreeBlock(store) - 256));
    ASSERT_NE(fill, nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(phAlloc(i32(phTestStoreSize)), nullptr);
    EXPECT_EQ(pages.Allocate(), nullptr);
    EXPECT_EQ(pages.m_pageCount, 0);
    EXPECT_EQ(stack.Allocate(1 << 20), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(stack.m_stackSize, 64u) << "the stack keeps the arena it had";
    EXPECT_EQ(stack.m_entryCount, 0);
    void* fromArena = stack.Allocate(64);
    EXPECT_EQ(fromArena, stack.m_memory);
    stack.Free(fromArena);
}

// The scene's idle arena gives way to memory that outlives a step, down to what the last step
// held at once; a stack in use gives nothing.
TEST_F(PhMemory, AFullStoreTrimsTheIdleArenaToWhatTheLastStepHeld) {
    phStack stack;
    setPhysicsSpareArena(&stack);
    // A step of 1 MiB grows the arena; the next holds only 64 KiB.
    growArena(&stack, 1 << 20);
    growArena(&stack, 64 << 10);
    ASSERT_EQ(stack.m_stackSize, u32(1 << 20));
    phAlloc(i32(ve::largestFreeBlock(store) - 64));
    EXPECT_NE(phAlloc(512 << 10), nullptr);
    EXPECT_EQ(stack.m_stackSize, u32(64 << 10));
    while (ve::largestFreeBlock(store) > 64) phAlloc(i32(ve::largestFreeBlock(store) - 64));
    void* held = stack.Allocate(8);
    EXPECT_EQ(phAlloc(32 << 10), nullptr) << "the arena in use gave way";
    EXPECT_EQ(stack.m_stackSize, u32(64 << 10));
    stack.Free(held);
    EXPECT_EQ(phAlloc(32 << 10), nullptr) << "the arena gave way below the last step's need";
    setPhysicsSpareArena(nullptr);
}

// ---------------------------------------------------------------------------------------------
// phStack
// ---------------------------------------------------------------------------------------------

using PhStack = PhysicsStoreTest;

TEST_F(PhStack, AllocationsFollowEachOtherWithoutRounding) {
    phStack stack;
    growArena(&stack, 1000);
    u8* a = (u8*)stack.Allocate(3);
    u8* b = (u8*)stack.Allocate(10);
    u8* c = (u8*)stack.Allocate(7);
    EXPECT_EQ(a, stack.m_memory);
    EXPECT_EQ(b, a + 3);
    EXPECT_EQ(c, b + 10);
    EXPECT_EQ(stack.m_index, 20u);
    EXPECT_EQ(stack.m_allocation, 20);
    EXPECT_EQ(stack.m_entryCount, 3);

    stack.Free(c);
    stack.Free(b);
    EXPECT_EQ(stack.m_index, 3u);
    // Freed room is handed out again from the same place.
    EXPECT_EQ(stack.Allocate(5), b);
    stack.Free(b);
    stack.Free(a);
    EXPECT_EQ(stack.m_index, 0u);
    EXPECT_EQ(stack.m_entryCount, 0);
}

// What the arena does not hold comes from the store, and Grow then takes an arena for the most
// that was asked at once; when the store cannot hold that, the most that was held, else the old
// arena again.
TEST_F(PhStack, TheArenaGrowsBetweenStepsToWhatAStepAskedFor) {
    struct Case {
        const char* name;
        i32 arena, first, second;
        // Room left in the store before the step: the second request fits only when large.
        msi room;
        bool secondServed;
        u32 grownTo;
    };
    const msi plenty = msi(32) << 20;
    for (const Case& c : {Case{"no arena yet", 0, 300, 500, plenty, true, 800},
                          Case{"both beyond the arena", 100, 300, 500, plenty, true, 800},
                          Case{"the first in the arena", 1000, 300, 500, plenty, true, 1000},
                          Case{"asked for more than the store holds", 100, 300, 40 << 10, 1 << 10, false, 300},
                          Case{"held no more than the arena", 1000, 800, 40 << 10, 1 << 10, false, 1000}}) {
        SCOPED_TRACE(c.name);
        store = createPhysicsTestStore();
        phStack stack;
        if (c.arena) growArena(&stack, c.arena);
        u8* arena = stack.m_memory;
        phAlloc(i32(ve::largestFreeBlock(store) - c.room));

        u8* first = (u8*)stack.Allocate(c.first);
        u8* second = (u8*)stack.Allocate(c.second);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first == arena, c.first <= c.arena);
        EXPECT_EQ(second != nullptr, c.secondServed);
        if (second) stack.Free(second);
        stack.Free(first);
        stack.Grow();
        EXPECT_EQ(stack.m_stackSize, c.grownTo);
        EXPECT_NE(stack.m_memory, nullptr);
        void* whole = stack.Allocate(i32(c.grownTo));
        EXPECT_EQ(whole, stack.m_memory) << "the next step of the same need is served by the arena";
        stack.Free(whole);
    }
}

TEST_F(PhStack, TheSixtyFifthEntryDoublesTheTableAndKeepsTheOlderEntries) {
    phStack stack;
    growArena(&stack, 1024);
    std::vector<void*> pointers;
    for (int i = 0; i < 64; ++i) pointers.push_back(stack.Allocate(i % 5 + 1));
    EXPECT_EQ(stack.m_entryCapacity, 64);
    pointers.push_back(stack.Allocate(2));
    EXPECT_EQ(stack.m_entryCapacity, 128);
    EXPECT_EQ(stack.m_entryCount, 65);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(stack.m_entries[i].data, pointers[i]);
        EXPECT_EQ(stack.m_entries[i].size, i % 5 + 1);
    }
    for (int i = 64; i >= 0; --i) stack.Free(pointers[i]);
    EXPECT_EQ(stack.m_index, 0u);
}

using PhStackDeathTest = PhysicsStoreTest;

TEST_F(PhStackDeathTest, BreakingTheLastInFirstOutRulesStops) {
    EXPECT_DEATH(
        {
            phStack stack;
            void* a = stack.Allocate(8);
            stack.Allocate(8);
            stack.Free(a);
        },
        PH_ASSERTION_TEXT("data == entry->data"));
    EXPECT_DEATH(
        {
            phStack stack;
            stack.Free(nullptr);
        },
        PH_ASSERTION_TEXT("m_entryCount > 0"));
    EXPECT_DEATH(
        {
            phStack stack;
            stack.Allocate(8);
            stack.Grow();
        },
        PH_ASSERTION_TEXT("!m_entryCount"));
    EXPECT_DEATH(
        {
            phStack stack;
            growArena(&stack, 64);
            stack.Allocate(8);
        },
        PH_ASSERTION_TEXT("m_index == 0"));
}

// ---------------------------------------------------------------------------------------------
// phHeap
// ---------------------------------------------------------------------------------------------

namespace {

const i32 kHeaderSize = i32(sizeof(phHeap::phHeader));

phHeap::phHeader* headerOf(void* memory) { return (phHeap::phHeader*)memory - 1; }

// Walks the address-ordered header list and checks that it tiles the block exactly.
void expectHeadersTileTheBlock(const phHeap& heap) {
    i32 total = 0;
    const phHeap::phHeader* prev = nullptr;
    for (const phHeap::phHeader* h = heap.m_memory; h; h = h->next) {
        ASSERT_EQ(h->prev, prev);
        ASSERT_GT(h->size, 0);
        if (h->next) {
            ASSERT_EQ((const u8*)h + h->size, (const u8*)h->next);
        }
        total += h->size;
        prev = h;
    }
    EXPECT_EQ(total, phk_heapSize);
}

} // namespace

using PhHeap = PhysicsStoreTest;

TEST_F(PhHeap, StartsAsOneFreeRegionOfTheWholeBlock) {
    phHeap heap;
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(heap.m_freeBlockCapacity, 1024);
    EXPECT_EQ(heap.m_freeBlocks[0].header, heap.m_memory);
    EXPECT_EQ(heap.m_freeBlocks[0].size, 20971520);
    EXPECT_EQ(heap.m_memory->next, nullptr);
    EXPECT_EQ(heap.m_memory->prev, nullptr);
}

TEST_F(PhHeap, AnAllocationTakesItsSizePlusOneHeader) {
    phHeap heap;
    void* a = heap.Allocate(104);
    EXPECT_EQ(a, (void*)(heap.m_memory + 1));
    EXPECT_EQ(headerOf(a)->size, 104 + kHeaderSize);
    EXPECT_EQ(heap.m_freeBlocks[0].size, phk_heapSize - 104 - kHeaderSize);
    EXPECT_EQ((u8*)heap.m_freeBlocks[0].header, (u8*)heap.m_memory + 104 + kHeaderSize);

    // Odd sizes are rounded to the header's alignment so the next header stays aligned.
    void* b = heap.Allocate(100);
    EXPECT_EQ(headerOf(b)->size, 104 + kHeaderSize);
    EXPECT_EQ(uintptr_t(heap.m_freeBlocks[0].header) % alignof(phHeap::phHeader), 0u);
    expectHeadersTileTheBlock(heap);
}

TEST_F(PhHeap, FreeingNextToAFreeRegionMergesIntoOne) {
    phHeap heap;
    void* a = heap.Allocate(64);
    void* b = heap.Allocate(64);
    void* c = heap.Allocate(64);
    heap.Free(a);
    heap.Free(c);
    // a stands alone; c merged with the rest of the block.
    EXPECT_EQ(heap.m_freeBlockCount, 2);
    // Freeing b between two free regions leaves one entry fewer.
    heap.Free(b);
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(heap.m_freeBlocks[0].header, heap.m_memory);
    EXPECT_EQ(heap.m_freeBlocks[0].size, phk_heapSize);
    expectHeadersTileTheBlock(heap);
}

TEST_F(PhHeap, RandomAllocateAndFreeReturnsToOneRegionOfTheWholeSize) {
    phHeap heap;
    std::mt19937 rng(21);
    std::uniform_int_distribution<int> sizes(1, 600);
    std::vector<void*> live;
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 200; ++i) {
            void* p = heap.Allocate(sizes(rng));
            ASSERT_NE(p, nullptr);
            live.push_back(p);
        }
        std::shuffle(live.begin(), live.end(), rng);
        // Free about half in random order, keep the rest for the next round.
        for (size_t i = 0; i < live.size() / 2; ++i) heap.Free(live[i]);
        live.erase(live.begin(), live.begin() + live.size() / 2);
        expectHeadersTileTheBlock(heap);
    }
    std::shuffle(live.begin(), live.end(), rng);
    for (void* p : live) heap.Free(p);
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(heap.m_freeBlocks[0].size, phk_heapSize);
    EXPECT_EQ(heap.m_freeBlocks[0].header->size, phk_heapSize);
    EXPECT_EQ(heap.m_memory->next, nullptr);
}

TEST_F(PhHeap, TheFreeBlockArrayDoublesWhenFull) {
    phHeap heap;
    // Every second region freed: 1500 isolated free regions plus the tail.
    std::vector<void*> blocks;
    for (int i = 0; i < 3000; ++i) blocks.push_back(heap.Allocate(16));
    for (int i = 0; i < 3000; i += 2) heap.Free(blocks[i]);
    EXPECT_EQ(heap.m_freeBlockCount, 1501);
    EXPECT_EQ(heap.m_freeBlockCapacity, 2048);
    for (int i = 1; i < 3000; i += 2) heap.Free(blocks[i]);
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(heap.m_freeBlocks[0].size, phk_heapSize);
}

// First fit walks the array in its own order; a test that wants a particular region taken first
// moves its entry to the front (the array's order carries no meaning).
static void moveEntryToFront(phHeap& heap, void* region) {
    for (i32 i = 0; i < heap.m_freeBlockCount; ++i) {
        if (heap.m_freeBlocks[i].header == headerOf(region)) std::swap(heap.m_freeBlocks[0], heap.m_freeBlocks[i]);
    }
    ASSERT_EQ(heap.m_freeBlocks[0].header, headerOf(region));
}

TEST_F(PhHeap, AnExactFitHandsOutTheWholeRegionAndDropsItsEntry) {
    phHeap heap;
    void* a = heap.Allocate(64);
    void* b = heap.Allocate(256);
    void* c = heap.Allocate(64);
    heap.Free(b);
    ASSERT_EQ(heap.m_freeBlockCount, 2);
    i32 hole = 256 + kHeaderSize;

    // Exactly the hole: no remainder, and no entry of size 0 is left behind.
    moveEntryToFront(heap, b);
    void* d = heap.Allocate(256);
    EXPECT_EQ(d, b);
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(headerOf(d)->size, hole);
    expectHeadersTileTheBlock(heap);
    heap.Free(d);

    // Smaller than the hole by less than a header: the whole hole is handed out rather than a
    // header written over the start of c's region.
    phHeap::phHeader* cHeader = headerOf(c);
    phHeap::phHeader* cNext = cHeader->next;
    moveEntryToFront(heap, b);
    void* e = heap.Allocate(256 - 16);
    EXPECT_EQ(e, b);
    EXPECT_EQ(headerOf(e)->size, hole);
    EXPECT_EQ(cHeader->next, cNext);
    EXPECT_EQ(cHeader->prev, headerOf(e));
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    expectHeadersTileTheBlock(heap);

    heap.Free(a);
    heap.Free(e);
    heap.Free(c);
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(heap.m_freeBlocks[0].size, phk_heapSize);
}

TEST_F(PhHeap, TheLastBytesOfTheBlockAreHandedOutWithoutAHeaderPastTheEnd) {
    phHeap heap;
    // Leave 8 bytes fewer than a header's worth beyond the final allocation's need.
    void* a = heap.Allocate(phk_heapSize - 2 * kHeaderSize - 8);
    ASSERT_NE(a, nullptr);
    i32 rest = heap.m_freeBlocks[0].size;
    EXPECT_EQ(rest, kHeaderSize + 8);
    void* b = heap.Allocate(rest - kHeaderSize);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(headerOf(b)->size, rest);
    EXPECT_EQ(headerOf(b)->next, nullptr);
    EXPECT_EQ(heap.m_freeBlockCount, 0);
    EXPECT_EQ(heap.Allocate(1), nullptr);
    expectHeadersTileTheBlock(heap);
    heap.Free(a);
    heap.Free(b);
    EXPECT_EQ(heap.m_freeBlockCount, 1);
    EXPECT_EQ(heap.m_freeBlocks[0].size, phk_heapSize);
}

TEST_F(PhHeap, NoRegionLargeEnoughGivesNull) {
    phHeap heap;
    EXPECT_EQ(heap.Allocate(phk_heapSize), nullptr);
    EXPECT_NE(heap.Allocate(phk_heapSize - kHeaderSize), nullptr);
}

using PhHeapDeathTest = PhysicsStoreTest;

TEST_F(PhHeapDeathTest, FreeingNullStops) {
    EXPECT_DEATH(
        {
            phHeap heap;
            heap.Free(nullptr);
        },
        PH_ASSERTION_TEXT("memory"));
}

// ---------------------------------------------------------------------------------------------
// phPagedAllocator
// ---------------------------------------------------------------------------------------------

using PhPagedAllocator = PhysicsStoreTest;

TEST_F(PhPagedAllocator, AFreshPageIsHandedOutInAddressOrder) {
    phPagedAllocator allocator(48, 4);
    EXPECT_EQ(allocator.m_pageCount, 0);
    u8* first = (u8*)allocator.Allocate();
    EXPECT_EQ(allocator.m_pageCount, 1);
    EXPECT_EQ((void*)first, (void*)allocator.m_pages->data);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(allocator.Allocate(), first + 48 * i);
    EXPECT_EQ(allocator.m_freeList, nullptr);

    // The fifth block opens a second page at the head of the page list.
    void* fifth = allocator.Allocate();
    EXPECT_EQ(allocator.m_pageCount, 2);
    EXPECT_EQ((void*)allocator.m_pages->data, fifth);
    EXPECT_EQ(allocator.m_pages->next->data, (void*)first);
}

TEST_F(PhPagedAllocator, TheLastFreedBlockIsTheNextHandedOut) {
    phPagedAllocator allocator(32, 256);
    void* blocks[5];
    for (void*& b : blocks) b = allocator.Allocate();
    allocator.Free(blocks[1]);
    allocator.Free(blocks[3]);
    EXPECT_EQ(allocator.Allocate(), blocks[3]);
    EXPECT_EQ(allocator.Allocate(), blocks[1]);
    EXPECT_EQ(allocator.Allocate(), (u8*)blocks[4] + 32);
}

TEST_F(PhPagedAllocator, ClearGivesEveryPageBack) {
    ve::MemoryStore before = *store;
    {
        phPagedAllocator allocator(624, 256);
        for (int i = 0; i < 600; ++i) allocator.Allocate();
        EXPECT_EQ(allocator.m_pageCount, 3);
        allocator.Clear();
        EXPECT_EQ(allocator.m_pageCount, 0);
        EXPECT_EQ(allocator.m_pages, nullptr);
        EXPECT_EQ(allocator.m_freeList, nullptr);
        // Empty again: the next allocation opens a new page.
        allocator.Allocate();
        EXPECT_EQ(allocator.m_pageCount, 1);
    }
    // Everything went back: the store's one free block is whole again.
    ASSERT_NE(store->firstFreeBlock, nullptr);
    EXPECT_EQ(u64(store->firstFreeBlock->size), u64(before.firstFreeBlock->size));
    EXPECT_EQ((ve::detail::HeapFreeBlock*)store->firstFreeBlock->nextFreeBlock, nullptr);
}
