// The frame pipeline on the start view of each of the six levels at 1440 by 900, side by side with
// the pipeline as it drew before the early depth test and the single texture sample ("today's",
// todaysPipeline.h). It starts the real engine with the OpenGL renderer, reads the pack and the
// levels from the repository's assets/, loads each level and lets it settle; then every
// iteration draws that level's last frame once with each pipeline, alternately. Run it from the
// repository root, with a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/levelStartFrame_bench
//
// Figures are milliseconds per frame, wall and process CPU time (llvmpipe rasterises on its own
// threads), and today's over the new. After the frames, both pictures are read back: a run whose
// new picture is black or differs from today's (99.99% of the pixels within 2 levels) reports an
// error instead of figures; the worst pixel is reported either way.

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Util/string.h"

#include "glBenchWindow.h"
#include "todaysPipeline.h"

#include <benchmark/benchmark.h>

#include <string.h>

#include <string>

namespace {

constexpr s64 FRAMES = 10;
constexpr s32 WIDTH = 1440;
constexpr s32 HEIGHT = 900;
constexpr f32 TICK = 1.0f / 60.0f;
// Frames run after a level loads before its view is drawn: the cubes settle, the cables light.
constexpr int SETTLE_FRAMES = 30;

void keepCursor(b8) {}

struct LevelContext {
    bool ready = false;
    ve::PlatformAPI api = {};
    ve::GameMemory memory = {};
    ve::GameInput input = {};
    ve::GameInput debugInput = {};
    todays::Pipeline today;
};

void runFrame(LevelContext* context) {
    context->debugInput = context->input;
    EngineReload(&context->memory, &context->api);
    EngineUpdate(&context->input, &context->debugInput);
}

LevelContext* openContext(benchmark::State& state) {
    static LevelContext context;
    if (context.ready) return &context;
    if (!openGLBenchWindow(state, "Kestrolan level start", WIDTH, HEIGHT)) return nullptr;
    ve::initPlatformAPI(&context.api);
    context.api.allocateMemory = allocateBenchBlock;
    context.api.setCursorRelative = keepCursor;
    context.input.physicsDelta = TICK;
    context.input.deltaTime = TICK;
    EngineReload(&context.memory, &context.api);
    ve::initEngine(&context.memory, TICK, ve::createRendererOpenGL);
    todays::createPipeline(&context.today);
    context.ready = true;
    return &context;
}

bool loadLevel(benchmark::State& state, LevelContext* context, const std::string& name) {
    ve::engineState->loadScene = ve::wrapASCIIZ(name.c_str());
    runFrame(context);
    string current = ve::engineState->currentScene.name;
    if (std::string((const char*)current.data, current.length) != name ||
        ve::engineState->currentScene.entities.length == 0) {
        state.SkipWithError(("could not load " + name + ": run from the repository root").c_str());
        return false;
    }
    for (int i = 0; i < SETTLE_FRAMES; ++i) runFrame(context);
    return true;
}

enum Pipeline { TODAY, FAST, PIPELINE_COUNT };
const char* const pipelineNames[PIPELINE_COUNT] = {"today", "fast"};

// The floating texts clear their buffers before they draw into them, every frame.
void clearTextBuffers(ve::RenderFrame* frame) {
    for (msi i = 0; i < frame->renderToTexQuads.length; ++i) {
        ve::clearCustomColorBuffer(((ve::QuadInstance*)frame->renderToTexQuads[i])->fbo, ve::v4{});
    }
}

void drawWith(LevelContext* context, Pipeline pipeline, ve::RenderFrame* frame) {
    clearTextBuffers(frame);
    f32 gamma = ve::engineState->gamma;
    if (pipeline == FAST) {
        ve::drawRenderFrame(frame, 1, gamma);
        return;
    }
    todays::swapState(&context->today);
    todays::drawFrame(frame, gamma);
    todays::swapState(&context->today);
}

void timeFrame(LevelContext* context, Pipeline pipeline, ve::RenderFrame* frame, Time* total) {
    timeWork(total, [&] { drawWith(context, pipeline, frame); });
}

bool checkPictures(benchmark::State& state, LevelContext* context, ve::RenderFrame* frame) {
    windowpicture::Picture pictures[PIPELINE_COUNT];
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
        drawWith(context, (Pipeline)p, frame);
        pictures[p] = windowpicture::readWindow(WIDTH, HEIGHT);
    }
    return todays::reportSamePicture(state, pictures[TODAY], pictures[FAST]);
}

void BM_LevelStart(benchmark::State& state) {
    LevelContext* context = openContext(state);
    if (!context) return;
    std::string level = "Level " + std::to_string(state.range(0));
    if (!loadLevel(state, context, level)) return;
    ve::RenderFrame* frame = &ve::renderer->frame;
    Time frames[PIPELINE_COUNT];
    for (auto _ : state) {
        for (u32 p = 0; p < PIPELINE_COUNT; ++p) timeFrame(context, (Pipeline)p, frame, &frames[p]);
    }
    if (!checkPictures(state, context, frame)) return;
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
        std::string name = pipelineNames[p];
        state.counters[name + "_frame_ms"] = benchmark::Counter(frames[p].wall * 1000.0, benchmark::Counter::kAvgIterations);
        state.counters[name + "_frame_cpu_ms"] =
            benchmark::Counter(frames[p].cpu * 1000.0, benchmark::Counter::kAvgIterations);
    }
    state.counters["speedup_wall"] = frames[TODAY].wall / frames[FAST].wall;
    state.counters["speedup_cpu"] = frames[TODAY].cpu / frames[FAST].cpu;
    state.SetLabel(level);
}

} // namespace

BENCHMARK(BM_LevelStart)->DenseRange(1, 6)->Unit(benchmark::kMillisecond)->Iterations(FRAMES);
