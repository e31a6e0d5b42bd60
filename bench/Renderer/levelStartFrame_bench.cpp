// The frame pipeline on the start view of each of the six levels at 1440 by 900, three ways in one
// run: the pipeline as it drew before the early depth test and the single texture sample
// ("baseline", baselinePipeline.h) and the engine's own, both with every floating text cleared and
// drawn into its buffer again as each frame did before ("redrawn"), and the engine's own frame as
// the game now builds it, whose texts stay in their buffers ("kept"). It starts the real engine
// with the OpenGL renderer, reads the pack and the levels from the repository's assets/, loads
// each level and lets it settle; then every iteration draws that level's frame once each way,
// alternately. Run it from the repository root, with a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/levelStartFrame_bench
//
// Figures are milliseconds per frame, wall and process CPU time (llvmpipe rasterises on its own
// threads), and the redrawn frame's over the kept one's. Before the timing the pictures are read
// back: a run whose kept picture is black, differs from the redrawn one by more than one level
// anywhere, or whose redrawn picture differs from the baseline's (99.99% of the pixels
// within 2 levels) reports an error instead of figures; the worst pixels are reported either way.

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Game/FloatingTextEntity.h"
#include "Game/entityShared.h"
#include "Meta/entity_type_list.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Util/string.h"

#include "glBenchWindow.h"
#include "baselinePipeline.h"

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
    baseline::Pipeline baseline;
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
    baseline::createPipeline(&context.baseline);
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

enum Way { BASELINE, REDRAWN, KEPT, WAY_COUNT };
const char* const wayNames[WAY_COUNT] = {"baseline", "redrawn", "kept"};

// The frame as the game builds it now, and the same frame with every floating text's glyphs
// pushed again, as each frame did before.
struct LevelFrames {
    ve::RenderFrame kept;
    ve::RenderFrame* redrawn;
};

// Pushes every floating text's glyphs into the engine's current frame; each clears its buffer.
void pushFloatingTexts() {
    ve::EntityType* textType = ve::findEntityType(ve::MetaType::game_FloatingTextEntity);
    ve::DynArray* entities = &ve::engineState->currentScene.entities;
    for (msi i = 0; i < entities->length; ++i) {
        ve::Entity* entity = (ve::Entity*)(*entities)[i];
        if (entity->type != textType) continue;
        game::FloatingTextEntity* text = (game::FloatingTextEntity*)entity->entityData.data;
        game::HUDEntity* hud = (game::HUDEntity*)game::getEntityData(text->hudEntity, ve::MetaType::game_HUDEntity);
        if (hud && text->fbo) game::drawTextIntoBuffer(text, hud);
    }
}

// The clear that each floating text made before drawing its glyphs: once per buffer.
void clearTextBuffers(ve::RenderFrame* frame) {
    u32 cleared = 0;
    for (msi i = 0; i < frame->renderToTexQuads.length; ++i) {
        u32 fbo = ((ve::QuadInstance*)frame->renderToTexQuads[i])->fbo;
        if (fbo != cleared) ve::clearCustomColorBuffer(fbo, ve::v4{});
        cleared = fbo;
    }
}

void drawWay(LevelContext* context, Way way, LevelFrames* frames) {
    f32 gamma = ve::engineState->gamma;
    if (way == KEPT) {
        ve::drawRenderFrame(&frames->kept, 1, gamma);
        return;
    }
    clearTextBuffers(frames->redrawn);
    if (way == REDRAWN) {
        ve::drawRenderFrame(frames->redrawn, 1, gamma);
        return;
    }
    baseline::swapState(&context->baseline);
    baseline::drawFrame(frames->redrawn, gamma);
    baseline::swapState(&context->baseline);
}

windowpicture::Picture drawPicture(LevelContext* context, Way way, LevelFrames* frames) {
    drawWay(context, way, frames);
    return windowpicture::readWindow(WIDTH, HEIGHT);
}

// The kept picture is taken first, from the buffers as the game's own frames left them.
bool checkPictures(benchmark::State& state, LevelContext* context, LevelFrames* frames) {
    windowpicture::Picture kept = drawPicture(context, KEPT, frames);
    pushFloatingTexts();
    frames->redrawn = &ve::renderer->frame;
    windowpicture::Picture redrawn = drawPicture(context, REDRAWN, frames);
    windowpicture::Picture baselinePicture = drawPicture(context, BASELINE, frames);
    s32 textsWorst = windowpicture::compare(redrawn, kept, windowpicture::NEAR_LEVELS).worst;
    state.counters["kept_worst_level"] = textsWorst;
    if (textsWorst > 1 || windowpicture::meanLevel(kept) < 8.0) {
        state.SkipWithError("the kept texts' picture differs from the redrawn one, or is black");
        return false;
    }
    return baseline::reportSamePicture(state, baselinePicture, redrawn);
}

void BM_LevelStart(benchmark::State& state) {
    LevelContext* context = openContext(state);
    if (!context) return;
    std::string level = "Level " + std::to_string(state.range(0));
    if (!loadLevel(state, context, level)) return;
    LevelFrames frames = {ve::renderer->frame, nullptr};
    if (!checkPictures(state, context, &frames)) return;
    Time times[WAY_COUNT];
    for (auto _ : state) {
        for (u32 way = 0; way < WAY_COUNT; ++way) timeWork(&times[way], [&] { drawWay(context, (Way)way, &frames); });
    }
    for (u32 way = 0; way < WAY_COUNT; ++way) {
        std::string name = wayNames[way];
        state.counters[name + "_frame_ms"] = benchmark::Counter(times[way].wall * 1000.0, benchmark::Counter::kAvgIterations);
        state.counters[name + "_frame_cpu_ms"] =
            benchmark::Counter(times[way].cpu * 1000.0, benchmark::Counter::kAvgIterations);
    }
    state.counters["speedup_wall"] = times[REDRAWN].wall / times[KEPT].wall;
    state.counters["speedup_cpu"] = times[REDRAWN].cpu / times[KEPT].cpu;
    state.SetLabel(level);
}

} // namespace

BENCHMARK(BM_LevelStart)->DenseRange(1, 6)->Unit(benchmark::kMillisecond)->Iterations(FRAMES);
