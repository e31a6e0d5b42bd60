// The frame pipeline under Mesa's software rasteriser at 1440 by 900, on the furnished room and on
// the fixed scene of the golden image, side by side with the pipeline as it drew before the early
// depth test and the single texture sample ("baseline", baselinePipeline.h). It needs a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/roomFrame_bench
//
// Every iteration draws one frame with each pipeline, alternately, so that both meet the same load
// on a shared machine. Figures are milliseconds per frame: wall time and the CPU time of the whole
// process (llvmpipe rasterises on its own threads). BM_Frames waits for the driver once per frame;
// BM_Stages waits after every stage. After the frames, each pipeline's picture is read back and
// compared with the stored one (tests/Renderer/golden/*_full.png), and the new picture with the
// baseline's (99.99% of the pixels within 2 levels, the worst pixel reported): a run whose
// pictures differ, or whose picture is black, reports an error instead of figures.

#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/OpenGL/opengl_renderer.h"

#include "pictureScenes.h"
#include "glBenchWindow.h"
#include "baselinePipeline.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using picturescenes::Scene;

constexpr s64 FRAMES = 20;

// =============================================================================================
// The two pipelines as lists of stages
// =============================================================================================

struct Stage {
    const char* name;
    std::function<void(ve::RenderFrame*)> draw;
};

enum Pipeline { BASELINE, FAST, PIPELINE_COUNT };
const char* const pipelineNames[PIPELINE_COUNT] = {"baseline", "fast"};

const Stage clearStage = {"clear", [](ve::RenderFrame* f) { ve::beginScenePass(f); }};
const Stage skyStage = {"sky", [](ve::RenderFrame* f) { ve::drawSky(&f->cam); }};
const Stage renderToTextureStage = {"render_to_texture", [](ve::RenderFrame* f) { ve::drawRenderToTextureQuads(f); }};
const Stage bloomStage = {"bloom", [](ve::RenderFrame*) { ve::blurHighlights(); }};
const Stage compositeStage = {"composite", [](ve::RenderFrame*) { ve::compositeToWindow(0.0f); }};
const Stage hudStage = {"hud", [](ve::RenderFrame* f) { ve::drawHUD(f); }};

// The baseline's stages: its own opaque quads, meshes, transparent quads, composite and HUD
// (baseline::drawFrame).
const std::vector<Stage> baselineStages = {
    renderToTextureStage, clearStage,
    {"lit_quads", [](ve::RenderFrame* f) {
         ve::writeLights(f);
         baseline::drawOpaqueQuads(f);
     }},
    {"meshes", [](ve::RenderFrame* f) { baseline::drawMeshes(f); }},
    skyStage,
    {"transparent", [](ve::RenderFrame* f) { baseline::drawTransparentQuads(f); }},
    bloomStage,
    {"composite", [](ve::RenderFrame*) { baseline::compositeToWindow(0.0f); }},
    {"hud", [](ve::RenderFrame* f) { baseline::drawHUD(f); }}};

// The engine's own (drawRenderFrame).
const std::vector<Stage> fastStages = {
    renderToTextureStage, clearStage,
    {"lit_quads", [](ve::RenderFrame* f) {
         ve::writeLights(f);
         ve::drawOpaqueQuads(f);
     }},
    {"meshes", [](ve::RenderFrame* f) { ve::drawMeshes(f); }},
    skyStage,
    {"transparent", [](ve::RenderFrame* f) { ve::drawTransparentQuads(f, 1); }},
    bloomStage, compositeStage, hudStage};

// =============================================================================================
// Context, time, pictures
// =============================================================================================

struct BenchContext {
    bool ready = false;
    BenchRenderer bench;
    picturescenes::Scenes scenes;
    baseline::Pipeline baseline;
};

BenchContext* openContext(benchmark::State& state) {
    static BenchContext context;
    if (context.ready) return &context;
    if (!startBenchRenderer(state, "Kestrolan room frame", pipescene::WIDTH, pipescene::HEIGHT, &context.bench)) {
        return nullptr;
    }
    picturescenes::uploadScenes(&context.scenes);
    // The scenes' textures are made by the tests, none folded by the pack builder.
    baseline::createPipeline(&context.baseline);
    context.ready = true;
    return &context;
}

void reportTime(benchmark::State& state, const std::string& name, Time time) {
    state.counters[name + "_ms"] = benchmark::Counter(time.wall * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters[name + "_cpu_ms"] = benchmark::Counter(time.cpu * 1000.0, benchmark::Counter::kAvgIterations);
}

void drawStages(BenchContext* context, Pipeline pipeline, ve::RenderFrame* frame, Time* stageTimes) {
    const std::vector<Stage>& stages = pipeline == BASELINE ? baselineStages : fastStages;
    if (pipeline == BASELINE) baseline::swapState(&context->baseline);
    for (size_t i = 0; i < stages.size(); ++i) {
        if (stageTimes) {
            timeWork(&stageTimes[i], [&] { stages[i].draw(frame); });
        } else {
            stages[i].draw(frame);
        }
    }
    if (pipeline == BASELINE) baseline::swapState(&context->baseline);
}

// Draws one more frame with each pipeline and compares it with the stored picture, and the new
// one with the baseline's. False, with the benchmark marked as failed, when any differs.
bool checkPictures(benchmark::State& state, BenchContext* context, Scene scene) {
    windowpicture::Picture stored;
    if (!windowpicture::readPicture(picturescenes::storedPicturePath(scene), &stored)) {
        state.SkipWithError("stored picture missing");
        return false;
    }
    windowpicture::Picture pictures[PIPELINE_COUNT];
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
        ve::RenderFrame frame = picturescenes::fillScene(&context->scenes, scene);
        drawStages(context, (Pipeline)p, &frame, nullptr);
        pictures[p] = windowpicture::readWindow(pipescene::WIDTH, pipescene::HEIGHT);
        windowpicture::Difference difference = windowpicture::compare(pictures[p], stored, windowpicture::NEAR_LEVELS);
        std::string name = pipelineNames[p];
        state.counters[name + "_near_permille"] = 1000.0 * difference.nearFraction;
        state.counters[name + "_worst_level"] = difference.worst;
        if (!windowpicture::isSamePicture(difference)) {
            state.SkipWithError((name + " pipeline: the picture differs from the stored one").c_str());
            return false;
        }
    }
    return baseline::reportSamePicture(state, pictures[BASELINE], pictures[FAST]);
}

// =============================================================================================
// Benchmarks
// =============================================================================================

void BM_Frames(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    Scene scene = (Scene)state.range(0);
    Time frames[PIPELINE_COUNT];
    for (auto _ : state) {
        for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
            ve::RenderFrame frame = picturescenes::fillScene(&context->scenes, scene);
            timeWork(&frames[p], [&] { drawStages(context, (Pipeline)p, &frame, nullptr); });
        }
    }
    if (!checkPictures(state, context, scene)) return;
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) reportTime(state, std::string(pipelineNames[p]) + "_frame", frames[p]);
    state.counters["speedup_wall"] = frames[BASELINE].wall / frames[FAST].wall;
    state.counters["speedup_cpu"] = frames[BASELINE].cpu / frames[FAST].cpu;
    state.SetLabel(picturescenes::sceneNames[scene]);
}

void BM_Stages(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    Scene scene = (Scene)state.range(0);
    std::vector<Time> stageTimes[PIPELINE_COUNT] = {std::vector<Time>(baselineStages.size()),
                                                    std::vector<Time>(fastStages.size())};
    for (auto _ : state) {
        for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
            ve::RenderFrame frame = picturescenes::fillScene(&context->scenes, scene);
            drawStages(context, (Pipeline)p, &frame, stageTimes[p].data());
        }
    }
    if (!checkPictures(state, context, scene)) return;
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
        const std::vector<Stage>& stages = p == BASELINE ? baselineStages : fastStages;
        for (size_t i = 0; i < stages.size(); ++i) {
            reportTime(state, std::string(pipelineNames[p]) + "_" + stages[i].name, stageTimes[p][i]);
        }
    }
    state.SetLabel(picturescenes::sceneNames[scene]);
}

} // namespace

BENCHMARK(BM_Frames)
    ->Arg(picturescenes::FURNISHED_ROOM)
    ->Arg(picturescenes::GOLDEN_SCENE)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FRAMES);
BENCHMARK(BM_Stages)
    ->Arg(picturescenes::FURNISHED_ROOM)
    ->Arg(picturescenes::GOLDEN_SCENE)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(FRAMES);
