// The engine's start-up and frame.
//
//   BM_StartUpToFirstPresentedFrame: the real program's start-up under Mesa: window and context,
//     the engine's start-up with the shipped pack and the OpenGL renderer, one frame, the buffer
//     swap and a glFinish. Needs a display:
//       xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/engine_bench
//   BM_EngineUpdateEmptyScene: CPU time of one engine frame for an empty, running scene (a
//     physics tick due in every frame), with a renderer whose submit does nothing, so the
//     renderer's drawing is left out. Headless.
// Run from the repository root (the start-up reads assets/).

#include "../harness/headlessEngine.h"

#include "Core/engine_main.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------------------------

typedef void (*GLFinishFunc)();

void BM_StartUpToFirstPresentedFrame(benchmark::State& state) {
    if (chdir(VE_SOURCE_DIR) != 0 || access("assets/kestrolan.pak", R_OK) != 0) {
        state.SkipWithError("assets/kestrolan.pak is missing: build the project first");
        return;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    // The platform's own store for its list of blocks, as the program makes it at start-up.
    buffer platformBlock = {ve::platformStoreSize, (u8*)malloc(ve::platformStoreSize)};
    ve::MemoryStore platformStore = ve::createHeapStore(platformBlock);
    ve::allocatedBuffers = ve::createDynArray(sizeof(buffer), 16, &platformStore);
    ve::PlatformAPI api;
    ve::initPlatformAPI(&api);

    // One iteration: the engine's start-up runs once per process, and its blocks are never freed.
    for (auto _ : state) {
        ve::SDLWindow window = {};
        if (!ve::setupWindow(&window)) {
            state.SkipWithError("cannot create the window and its OpenGL context");
            break;
        }
        ve::GameMemory gameMemory = {};
        ve::GameInput input;
        memset((void*)&input, 0, sizeof(input));
        input.physicsDelta = 1.0f / 60.0f;
        ve::GameInput debugInput = input;

        EngineReload(&gameMemory, &api);
        EngineInit(&gameMemory, (f64)input.physicsDelta);
        EngineReload(&gameMemory, benchharness::headlessPlatform());
        EngineUpdate(&input, &debugInput);
        SDL_GL_SwapWindow(window.window);
        GLFinishFunc finish = (GLFinishFunc)api.getGLProcAddr((c8*)"glFinish");
        if (finish) finish();
    }
}
BENCHMARK(BM_StartUpToFirstPresentedFrame)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------------------------
// One frame, headless
// ---------------------------------------------------------------------------------------------

void BM_EngineUpdateEmptyScene(benchmark::State& state) {
    ve::GameMemory gameMemory = {};
    benchharness::startHeadlessEngine(&gameMemory, benchharness::createSilentRenderer);
    gameMemory.engineState->currentScene.enabled = true;

    ve::GameInput input;
    memset((void*)&input, 0, sizeof(input));
    input.physicsDelta = 1.0f / 60.0f;
    input.deltaTime = 1.0 / 60.0;
    ve::GameInput debugInput = input;
    for (auto _ : state) {
        EngineReload(&gameMemory, benchharness::headlessPlatform());
        EngineUpdate(&input, &debugInput);
    }
    benchmark::DoNotOptimize(gameMemory.engineState->time);
}
BENCHMARK(BM_EngineUpdateEmptyScene)->Unit(benchmark::kMicrosecond);

} // namespace
