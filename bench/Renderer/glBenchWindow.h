#pragma once
// The hidden window and OpenGL 4.5 core context that the renderer benchmarks draw into. They need
// a display: run them under xvfb-run.

#include <SDL.h>
#include <benchmark/benchmark.h>

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
