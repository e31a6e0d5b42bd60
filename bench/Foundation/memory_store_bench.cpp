// pushToHeap / freeFromHeap pairs on a store whose free list is fragmented, as the scene heap and
// the physics store become after a while.

#include "Memory/memory.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

void BM_PushFreePairOnFragmentedStore(benchmark::State& state) {
    const msi freeBlocks = (msi)state.range(0);
    std::vector<u8> backing(16 << 20);
    ve::MemoryStore store = ve::createHeapStore({backing.size(), backing.data()});

    // Allocate blocks of mixed sizes and free every other one: `freeBlocks` holes that cannot
    // merge, in front of the large rest of the store.
    std::mt19937 random(1);
    std::vector<void*> blocks;
    for (msi i = 0; i < 2 * freeBlocks; ++i) blocks.push_back(ve::pushToHeap(&store, 16 + random() % 256));
    for (msi i = 0; i < blocks.size(); i += 2) ve::freeFromHeap(&store, blocks[i]);

    std::vector<msi> sizes(1024);
    for (msi& size : sizes) size = 16 + random() % 256;
    msi next = 0;
    for (auto _ : state) {
        void* p = ve::pushToHeap(&store, sizes[next]);
        benchmark::DoNotOptimize(p);
        ve::freeFromHeap(&store, p);
        next = (next + 1) & 1023;
    }
}
BENCHMARK(BM_PushFreePairOnFragmentedStore)->Arg(16)->Arg(256)->Arg(4096);

} // namespace
