// Start-up of the OpenGL renderer under the real driver: building the back end (entry points, the
// shader programs, uniform buffers and frame buffers) and uploading every texture and mesh
// of the shipped pack, as the engine's start-up does. It needs a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/rendererStartup_bench
//
// Every iteration makes a new set of GL objects in the same context and never deletes them, as
// the game never does; the iteration counts stay small.

#include "Core/Assets/assets.h"
#include "Core/engine_main.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Renderer/OpenGL/opengl_shaders.h"

#include <benchmark/benchmark.h>

#include "glBenchWindow.h"

#include <string.h>
#include <unistd.h>

#include <vector>

namespace {

// The renderer's 64 MiB block, handed out again (zeroed) on every iteration instead of leaking a
// new one each time.
std::vector<u8> rendererBlock(64ull << 20);

buffer reuseRendererBlock(msi size) {
    if (size > rendererBlock.size()) return buffer{0, nullptr};
    memset(rendererBlock.data(), 0, size);
    return buffer{size, rendererBlock.data()};
}

struct BenchContext {
    bool ready = false;
    ve::PlatformAPI api = {};
    std::vector<u8> permanentMemory = std::vector<u8>(64ull << 20);
    ve::MemoryStore permanent = {};
    ve::AssetRegister assets = {};
};

// One window, one context and the loaded pack for the whole program.
BenchContext* openContext(benchmark::State& state) {
    static BenchContext context;
    if (context.ready) return &context;
    if (chdir(VE_SOURCE_DIR) != 0) {
        state.SkipWithError("cannot enter the source directory");
        return nullptr;
    }
    if (!openGLBenchWindow(state, "Kestrolan renderer start-up", 1440, 900)) return nullptr;
    ve::initPlatformAPI(&context.api);
    context.api.allocateMemory = reuseRendererBlock;
    ve::platform = &context.api;

    context.permanent = ve::createHeapStore(
        buffer{context.permanentMemory.size(), context.permanentMemory.data()});
    ve::permanentStore = &context.permanent;
    ve::createAssetRegister(&context.assets, 100, 100, 100);
    ve::loadAllPakFiles(&context.assets, 0);
    if (context.assets.textureCount + context.assets.meshCount == 0) {
        state.SkipWithError("assets/kestrolan.pak is missing or empty: build the project first");
        return nullptr;
    }
    context.ready = true;
    return &context;
}

void BM_RendererStartup(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    for (auto _ : state) {
        ve::Renderer renderer = ve::createRendererOpenGL();
        ve::uploadAssets(&renderer, &context->assets);
        finishGL();
    }
    state.counters["textures"] = (double)context->assets.textureCount;
    state.counters["meshes"] = (double)context->assets.meshCount;
}

// Whether every program of a set-up linked: a program that failed is reported, not timed.
bool everyProgramLinked(const ve::RendererStateOpenGL& programs) {
    std::vector<u32> ids = {programs.debugNormalShader.glID, programs.bloomShader.glID,
                            programs.bloomVerticalShader.glID, programs.bloomHorizontalShader.glID,
                            programs.additiveTextureShader.glID, programs.gammaCompositeShader.glID,
                            programs.skyBoxShader.glID, programs.hudShader.glID, programs.billBoardShader.glID};
    // Builds that no draw can choose are not made: their ids stay 0.
    for (const auto& variants : programs.litShaders)
        for (const ve::ShaderProg& lit : variants)
            if (lit.glID) ids.push_back(lit.glID);
    for (u32 id : ids) {
        GLint linked = GL_FALSE;
        ve::glGetProgramiv(id, GL_LINK_STATUS, &linked);
        if (linked != GL_TRUE) return false;
    }
    return true;
}

void BM_ShaderPrograms(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    ve::Renderer renderer = ve::createRendererOpenGL();
    benchmark::DoNotOptimize(renderer);
    ve::RendererStateOpenGL programs = {};
    for (auto _ : state) {
        ve::createShaderPrograms(&programs);
        finishGL();
    }
    if (!everyProgramLinked(programs)) state.SkipWithError("a shader program did not link");
}

void BM_UploadShippedPack(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    ve::Renderer renderer = ve::createRendererOpenGL();
    for (auto _ : state) {
        ve::uploadAssets(&renderer, &context->assets);
        finishGL();
    }
}

} // namespace

BENCHMARK(BM_RendererStartup)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ShaderPrograms)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UploadShippedPack)->Unit(benchmark::kMillisecond)->Iterations(5);
