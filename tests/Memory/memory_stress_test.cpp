#include "Memory/memory.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <random>
#include <vector>

using ve::detail::HeapAllocatedBlockHeader;
using ve::detail::HeapFreeBlock;

namespace {

struct LiveAllocation {
    u8* data;
    msi size;
    u8 fill;
};

struct Span {
    uintptr_t start;
    u64 size;
};

HeapAllocatedBlockHeader headerOf(const LiveAllocation& live) {
    HeapAllocatedBlockHeader header;
    memcpy(&header, live.data - 16, sizeof(header));
    return header;
}

// Allocated blocks (by their headers) and free blocks must tile the store exactly: sorted by
// address, each starts where the previous ends, from the store's first byte to its last. That one
// check rules out overlaps, lost bytes and free blocks smaller than a node.
::testing::AssertionResult storeIsTiled(ve::MemoryStore* store, const std::vector<LiveAllocation>& live) {
    std::vector<Span> spans;
    for (const LiveAllocation& allocation : live) {
        HeapAllocatedBlockHeader header = headerOf(allocation);
        if ((uintptr_t)header.base + header.size < (uintptr_t)allocation.data + allocation.size)
            return ::testing::AssertionFailure() << "allocation ends beyond its block";
        spans.push_back({(uintptr_t)header.base, header.size});
    }
    for (HeapFreeBlock* node = store->firstFreeBlock; node; node = node->nextFreeBlock) {
        if (node->size < sizeof(HeapFreeBlock)) return ::testing::AssertionFailure() << "free block below node size";
        spans.push_back({(uintptr_t)node, node->size});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    uintptr_t expected = (uintptr_t)store->buf.data;
    for (const Span& span : spans) {
        if (span.start != expected)
            return ::testing::AssertionFailure() << (span.start < expected ? "overlap" : "gap") << " at offset "
                                                 << span.start - (uintptr_t)store->buf.data;
        expected += span.size;
    }
    if (expected != (uintptr_t)store->buf.data + store->buf.length) return ::testing::AssertionFailure() << "store not covered";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult patternIntact(const LiveAllocation& live, const std::vector<u8>& patterns) {
    if (live.size && memcmp(live.data, patterns.data() + live.fill * 4096, live.size) != 0)
        return ::testing::AssertionFailure() << "pattern of an allocation of " << live.size << " bytes overwritten";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(MemoryStoreStress, HundredThousandRandomPushesAndFreesKeepEveryInvariant) {
    // An unaligned store start, so the alignment path is exercised from the first block on.
    std::vector<u8> backing(48 * 1024 + 64);
    buffer region = {48 * 1024, backing.data() + 3};
    ve::MemoryStore store = ve::createHeapStore(region);

    // One 4 KiB run of each fill byte to compare allocations against.
    std::vector<u8> patterns(256 * 4096);
    for (int fill = 0; fill < 256; ++fill) memset(patterns.data() + fill * 4096, fill, 4096);

    std::mt19937 random(2024);
    std::vector<LiveAllocation> live;
    int failedPushes = 0;
    testing::internal::CaptureStderr(); // an exhausted store reports softly; that is expected here
    for (int step = 0; step < 100000; ++step) {
        b8 pushing = live.empty() || random() % 100 < 55;
        if (pushing) {
            msi size = random() % 8 == 0 ? random() % 4000 : random() % 200;
            u8* data = (u8*)ve::pushToHeap(&store, size);
            if (!data) {
                ++failedPushes;
                continue;
            }
            u8 fill = (u8)random();
            memset(data, fill, size);
            live.push_back({data, size, fill});
            ASSERT_EQ((uintptr_t)data % 16, 0u) << "step " << step;
            ASSERT_TRUE(ve::ptrInBuffer(region, data)) << "step " << step;
        } else {
            size_t index = random() % live.size();
            ASSERT_TRUE(patternIntact(live[index], patterns)) << "step " << step;
            ASSERT_TRUE(ve::freeFromHeap(&store, live[index].data)) << "step " << step;
            live[index] = live.back();
            live.pop_back();
        }
        ASSERT_TRUE(storeIsTiled(&store, live)) << "step " << step;
        for (const LiveAllocation& allocation : live) ASSERT_TRUE(patternIntact(allocation, patterns)) << "step " << step;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_GT(failedPushes, 0); // the store was driven into exhaustion at times

    for (const LiveAllocation& allocation : live) {
        ASSERT_TRUE(patternIntact(allocation, patterns));
        ASSERT_TRUE(ve::freeFromHeap(&store, allocation.data));
    }
    live.clear();
    ASSERT_TRUE(storeIsTiled(&store, live));
    u64 freeBytes = 0;
    for (HeapFreeBlock* node = store.firstFreeBlock; node; node = node->nextFreeBlock) freeBytes += node->size;
    EXPECT_EQ(freeBytes, region.length);
}
