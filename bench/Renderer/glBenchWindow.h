#pragma once
// The hidden window and OpenGL 4.5 core context that the renderer benchmarks draw into. They need
// a display: run them under xvfb-run.

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <vector>

#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_renderer.h"

// Opens the window and makes its context current; reports why to the benchmark when it cannot.
inline bool openGLBenchWindow(benchmark::State& state, const char* title, int width, int height) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError("no display: run under xvfb-run");
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_Window* window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !SDL_GL_CreateContext(window)) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return false;
    }
    return true;
}

// Waits until the driver has done the work, so a measured time covers it.
inline void finishGL() {
    typedef void (*FinishProc)(void);
    static FinishProc glFinish = (FinishProc)SDL_GL_GetProcAddress("glFinish");
    glFinish();
}

inline f64 secondsOf(clockid_t clock) {
    timespec now = {};
    clock_gettime(clock, &now);
    return (f64)now.tv_sec + (f64)now.tv_nsec * 1e-9;
}

// Wall time and the CPU time of the whole process (llvmpipe rasterises on its own threads).
struct Time {
    f64 wall = 0, cpu = 0;
};

// Runs `work`, waits for the driver and adds its wall and process CPU time (seconds).
template <typename Work>
void timeWork(Time* total, Work work) {
    f64 wall = secondsOf(CLOCK_MONOTONIC);
    f64 cpu = secondsOf(CLOCK_PROCESS_CPUTIME_ID);
    work();
    finishGL();
    total->wall += secondsOf(CLOCK_MONOTONIC) - wall;
    total->cpu += secondsOf(CLOCK_PROCESS_CPUTIME_ID) - cpu;
}

// The platform table, temporary store and renderer that a drawing benchmark needs, made once per
// program.
struct BenchRenderer {
    ve::PlatformAPI api = {};
    std::vector<u8> tmpMemory = std::vector<u8>(64ull << 20);
    ve::MemoryStore tmp = {};
    ve::Renderer renderer = {};
};

// The renderer's block straight from the C runtime: the platform's own bookkeeping of its blocks
// is not set up in a benchmark.
inline buffer allocateBenchBlock(msi size) { return buffer{size, (u8*)calloc(size, 1)}; }

// Opens the window and builds the renderer on `bench`; false (reported) when there is no context.
inline bool startBenchRenderer(benchmark::State& state, const char* title, int width, int height,
                               BenchRenderer* bench) {
    if (!openGLBenchWindow(state, title, width, height)) return false;
    ve::initPlatformAPI(&bench->api);
    bench->api.allocateMemory = allocateBenchBlock;
    ve::platform = &bench->api;
    bench->tmp = ve::createHeapStore(buffer{bench->tmpMemory.size(), bench->tmpMemory.data()});
    ve::tmpStore = &bench->tmp;
    bench->renderer = ve::createRendererOpenGL();
    return true;
}
