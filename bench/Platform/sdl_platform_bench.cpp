// The platform's per-frame and per-load costs: translating a frame's worth of SDL events into
// the input record, one input recording step, listing an asset tree, and sequential reads.
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include "Memory/memory.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ve;

// A busy frame: 20 key presses and releases, 40 mouse motions and a text input.
void BM_TranslateBusyFrame(benchmark::State& state) {
    SDL_Event events[81] = {};
    for (int i = 0; i < 20; ++i) {
        events[2 * i].type = SDL_KEYDOWN;
        events[2 * i].key.keysym.scancode = (SDL_Scancode)(SDL_SCANCODE_A + i);
        events[2 * i + 1].type = SDL_KEYUP;
        events[2 * i + 1].key.keysym.scancode = (SDL_Scancode)(SDL_SCANCODE_A + i);
    }
    for (int i = 40; i < 80; ++i) {
        events[i].type = SDL_MOUSEMOTION;
        events[i].motion.x = i * 13;
        events[i].motion.y = i * 7;
    }
    events[80].type = SDL_TEXTINPUT;
    strcpy(events[80].text.text, "abcdefghij");
    GameInput input;
    memset((void*)&input, 0, sizeof(input));
    for (auto _ : state) {
        clearInputEdges(&input);
        for (const SDL_Event& event : events) handleEvent(&input, &event);
        benchmark::DoNotOptimize(input);
    }
    state.SetItemsProcessed(state.iterations() * 81);
}
BENCHMARK(BM_TranslateBusyFrame);

// One recording step copies the whole input record; one replay step copies it back.
void BM_RecordAndReplayStep(benchmark::State& state) {
    buffer storeBlock = {1 << 16, (u8*)malloc(1 << 16)};
    MemoryStore store = createHeapStore(storeBlock);
    InputRecorder recorder;
    memset((void*)&recorder, 0, sizeof(recorder));
    recorder.bufferSnapshots = createDynArray(sizeof(buffer), 16, &store);
    recorder.inputRecording = (GameInput*)malloc(sizeof(GameInput) * inputRecordingCapacity);
    DynArray blocks = createDynArray(sizeof(buffer), 16, &store);
    GameInput live;
    memset((void*)&live, 0, sizeof(live));
    live.keyboard.F1.wentDown = true;
    stepInputRecording(&recorder, &live, &blocks);
    live.keyboard.F1.wentDown = false;
    for (auto _ : state) {
        stepInputRecording(&recorder, &live, &blocks);
        if (recorder.playback) recorder.recordingIndex = inputRecordingCapacity;
        benchmark::DoNotOptimize(live);
    }
    free(recorder.inputRecording);
    free(storeBlock.data);
}
BENCHMARK(BM_RecordAndReplayStep);

// A temporary working directory with an asset tree of `fileCount` files of 64 KiB, half of them
// matching, spread over four subdirectories.
struct BenchAssetTree {
    char previous[4096];
    char directory[64];

    explicit BenchAssetTree(int fileCount) {
        if (!getcwd(previous, sizeof(previous))) abort();
        snprintf(directory, sizeof(directory), "/tmp/kestrolan_bench_XXXXXX");
        if (!mkdtemp(directory) || chdir(directory) != 0) abort();
        mkdir("assets", 0755);
        static u8 bytes[65536];
        for (int d = 0; d < 4; ++d) {
            char path[64];
            snprintf(path, sizeof(path), "assets/dir%d", d);
            mkdir(path, 0755);
        }
        for (int i = 0; i < fileCount; ++i) {
            char path[96];
            snprintf(path, sizeof(path), "assets/dir%d/file%04d.%s", i % 4, i, i % 2 ? "pak" : "png");
            FILE* file = fopen(path, "wb");
            fwrite(bytes, 1, sizeof(bytes), file);
            fclose(file);
        }
    }
    ~BenchAssetTree() {
        if (chdir(previous) != 0) abort();
        char removal[128];
        snprintf(removal, sizeof(removal), "rm -rf %s", directory);
        if (system(removal) != 0) abort();
    }
};

void BM_ListAssetTree(benchmark::State& state) {
    BenchAssetTree tree((int)state.range(0));
    string type = {3, (u8*)"pak"};
    for (auto _ : state) {
        PlatformFileList list = sdl_platform_openFileList(type);
        benchmark::DoNotOptimize(list.count);
        sdl_platform_closeFileList(list);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListAssetTree)->Arg(16)->Arg(256);

// Reading a 64 KiB file in 64-byte records at offset -1, as the loaders read headers and tables.
void BM_SequentialSmallReads(benchmark::State& state) {
    BenchAssetTree tree(2);
    PlatformFileList list = sdl_platform_openFileList({3, (u8*)"pak"});
    u8 record[64];
    for (auto _ : state) {
        sdl_platform_set_offset_in_file(list, 0, 0);
        for (int i = 0; i < 1024; ++i) sdl_platform_readFile(list, 0, -1, {sizeof(record), record});
        benchmark::DoNotOptimize(record);
    }
    state.SetBytesProcessed(state.iterations() * 65536);
    sdl_platform_closeFileList(list);
}
BENCHMARK(BM_SequentialSmallReads);

} // namespace
