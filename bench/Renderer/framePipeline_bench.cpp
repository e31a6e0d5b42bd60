// The frame pipeline under Mesa's software rasteriser at 1440 by 900: the whole frame of the fixed
// test scene, and the cost of each stage with glFinish between stages. It needs a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/framePipeline_bench
//
// Stage figures are milliseconds per frame (counters ending in _ms). "outlines" is the mesh pass
// with its outline shells minus the same pass with the shells switched off.

#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/OpenGL/opengl_renderer.h"

#include "pipeline_scene.h"
#include "glBenchWindow.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <chrono>
#include <vector>

namespace {

struct BenchContext {
    bool ready = false;
    BenchRenderer bench;
    pipescene::SceneAssets assets;
};

BenchContext* openContext(benchmark::State& state) {
    static BenchContext context;
    if (context.ready) return &context;
    if (!startBenchRenderer(state, "Kestrolan frame pipeline", pipescene::WIDTH, pipescene::HEIGHT, &context.bench)) {
        return nullptr;
    }
    pipescene::uploadSceneAssets(&context.assets);
    context.ready = true;
    return &context;
}

// Runs `stage`, waits for the driver and adds the wall time to `total` (seconds).
template <typename Stage>
void timeStage(f64* total, Stage stage) {
    auto start = std::chrono::steady_clock::now();
    stage();
    finishGL();
    *total += std::chrono::duration<f64>(std::chrono::steady_clock::now() - start).count();
}

void BM_FixedSceneFrame(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    for (auto _ : state) {
        ve::RenderFrame frame = ve::rendererCreateFrame();
        pipescene::fillFixedScene(&frame, &context->assets);
        ve::drawRenderFrame(&frame, 1, 0.0f);
        finishGL();
    }
}

void BM_FixedSceneStages(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    enum { SKY, LIT, OUTLINED_MESHES, PLAIN_MESHES, TRANSPARENCY, BLOOM, COMPOSITE, HUD, STAGE_COUNT };
    f64 seconds[STAGE_COUNT] = {};
    for (auto _ : state) {
        ve::RenderFrame frame = ve::rendererCreateFrame();
        pipescene::fillFixedScene(&frame, &context->assets);

        // The mesh pass once without shells, on a scene target of its own.
        ve::beginScenePass(&frame);
        ve::writeLights(&frame);
        std::vector<ve::v4> outlines;
        for (msi i = 0; i < frame.meshes.length; ++i) {
            ve::MeshInstance* mesh = (ve::MeshInstance*)frame.meshes[i];
            outlines.push_back(mesh->outline);
            mesh->outline.w = 0;
        }
        timeStage(&seconds[PLAIN_MESHES], [&] { ve::drawMeshes(&frame); });
        for (msi i = 0; i < frame.meshes.length; ++i) ((ve::MeshInstance*)frame.meshes[i])->outline = outlines[i];

        // Then the whole frame, stage by stage, in the order drawRenderFrame draws it.
        timeStage(&seconds[TRANSPARENCY], [&] { ve::drawRenderToTextureQuads(&frame); });
        ve::beginScenePass(&frame);
        timeStage(&seconds[LIT], [&] {
            ve::writeLights(&frame);
            ve::drawOpaqueQuads(&frame);
        });
        timeStage(&seconds[OUTLINED_MESHES], [&] { ve::drawMeshes(&frame); });
        timeStage(&seconds[SKY], [&] { ve::drawSky(&frame.cam); });
        timeStage(&seconds[TRANSPARENCY], [&] { ve::drawTransparentQuads(&frame, 1); });
        timeStage(&seconds[BLOOM], [&] { ve::blurHighlights(); });
        timeStage(&seconds[COMPOSITE], [&] { ve::compositeToWindow(0.0f); });
        timeStage(&seconds[HUD], [&] { ve::drawHUD(&frame); });
    }
    auto perFrameMs = [&](f64 total) {
        return benchmark::Counter(total * 1000.0, benchmark::Counter::kAvgIterations);
    };
    state.counters["sky_ms"] = perFrameMs(seconds[SKY]);
    state.counters["lit_quads_ms"] = perFrameMs(seconds[LIT]);
    state.counters["lit_meshes_ms"] = perFrameMs(seconds[PLAIN_MESHES]);
    state.counters["outlines_ms"] = perFrameMs(seconds[OUTLINED_MESHES] - seconds[PLAIN_MESHES]);
    state.counters["transparency_ms"] = perFrameMs(seconds[TRANSPARENCY]);
    state.counters["bloom_ms"] = perFrameMs(seconds[BLOOM]);
    state.counters["composite_ms"] = perFrameMs(seconds[COMPOSITE]);
    state.counters["hud_ms"] = perFrameMs(seconds[HUD]);
}

} // namespace

BENCHMARK(BM_FixedSceneFrame)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(BM_FixedSceneStages)->Unit(benchmark::kMillisecond)->Iterations(30);
