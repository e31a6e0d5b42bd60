// Time to load the shipped pack (assets/kestrolan.pak, written by the build) through the real
// platform layer into a fresh register, as start-up does. Reports the pack's size alongside.
//
//   ./build/bench/pakLoad_bench      (run from the repository root)

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <unistd.h>

#include <vector>

namespace {

long fileSize(const char* path) {
    FILE* file = fopen(path, "rb");
    if (!file) return -1;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fclose(file);
    return size;
}

void BM_LoadShippedPack(benchmark::State& state) {
    if (chdir(VE_SOURCE_DIR) != 0) {
        state.SkipWithError("cannot enter the source directory");
        return;
    }
    long packSize = fileSize("assets/kestrolan.pak");
    if (packSize < 0) {
        state.SkipWithError("assets/kestrolan.pak is missing: build the project first");
        return;
    }
    std::vector<u8> memory(64 << 20);
    ve::PlatformAPI api = {};
    ve::initPlatformAPI(&api);
    ve::platform = &api;
    u64 assetCount = 0;
    for (auto _ : state) {
        ve::MemoryStore store = ve::createHeapStore(buffer{memory.size(), memory.data()});
        ve::permanentStore = &store;
        ve::AssetRegister assets = {};
        ve::createAssetRegister(&assets, 100, 100, 100);
        ve::loadAllPakFiles(&assets, 0);
        assetCount = assets.meshCount + assets.textureCount + assets.materialCount;
        benchmark::DoNotOptimize(assets.textures);
    }
    state.counters["pack_MiB"] = (double)packSize / (1 << 20);
    state.counters["assets"] = (double)assetCount;
    state.SetBytesProcessed((int64_t)state.iterations() * packSize);
    ve::permanentStore = nullptr;
}

} // namespace

BENCHMARK(BM_LoadShippedPack)->Unit(benchmark::kMillisecond);
