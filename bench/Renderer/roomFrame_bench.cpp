// The frame pipeline under Mesa's software rasteriser at 1440 by 900, on the furnished room and on
// the fixed scene of the golden image. It needs a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/roomFrame_bench
//
// Each scene is drawn for N frames; the figures are milliseconds per frame, wall time and the CPU
// time of the whole process (llvmpipe rasterises on its own threads), with glFinish between stages.
// Every run also reads the window back and compares it with the stored picture of the scene
// (counters match_permille and worst_level): a faster frame counts only with the same picture.
//
// KESTROLAN_WRITE_PICTURES=1 stores the pictures instead of comparing.

#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/OpenGL/opengl_renderer.h"

#include "../../tests/Renderer/OpenGL/furnished_room.h"
#include "../../tests/Renderer/OpenGL/pipeline_scene.h"
#include "../../tests/Renderer/OpenGL/windowPicture.h"
#include "glBenchWindow.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <string>
#include <vector>

namespace {

enum Scene { GOLDEN_SCENE, FURNISHED_ROOM };
const char* const sceneNames[] = {"golden", "room"};

struct BenchContext {
    bool ready = false;
    ve::PlatformAPI api = {};
    std::vector<u8> tmpMemory = std::vector<u8>(64ull << 20);
    ve::MemoryStore tmp = {};
    pipescene::SceneAssets goldenAssets;
    furnished::RoomAssets roomAssets;
    furnished::TextBuffer text = {};
    // Both scenes bring their own sky; the one drawn is chosen per frame.
    u32 skies[2] = {};
};

buffer allocateZeroed(msi size) { return buffer{size, (u8*)calloc(size, 1)}; }

BenchContext* openContext(benchmark::State& state) {
    static BenchContext context;
    if (context.ready) return &context;
    if (!openGLBenchWindow(state, "Kestrolan room frame", pipescene::WIDTH, pipescene::HEIGHT)) return nullptr;
    ve::initPlatformAPI(&context.api);
    context.api.allocateMemory = allocateZeroed;
    ve::platform = &context.api;
    context.tmp = ve::createHeapStore(buffer{context.tmpMemory.size(), context.tmpMemory.data()});
    ve::tmpStore = &context.tmp;
    static ve::Renderer renderer = ve::createRendererOpenGL();
    benchmark::DoNotOptimize(renderer);
    pipescene::uploadSceneAssets(&context.goldenAssets);
    context.skies[GOLDEN_SCENE] = ve::rendererState->skyBox.id;
    furnished::uploadRoomAssets(&context.roomAssets);
    context.skies[FURNISHED_ROOM] = ve::rendererState->skyBox.id;
    context.text = furnished::createTextBuffer();
    context.ready = true;
    return &context;
}

ve::RenderFrame fillScene(BenchContext* context, Scene scene) {
    ve::RenderFrame frame = ve::rendererCreateFrame();
    ve::rendererState->skyBox.id = context->skies[scene];
    if (scene == GOLDEN_SCENE) {
        pipescene::fillFixedScene(&frame, &context->goldenAssets);
    } else {
        furnished::fillRoom(&frame, &context->roomAssets, context->text);
    }
    return frame;
}

// =============================================================================================
// Time
// =============================================================================================

f64 secondsOf(clockid_t clock) {
    timespec now = {};
    clock_gettime(clock, &now);
    return (f64)now.tv_sec + (f64)now.tv_nsec * 1e-9;
}

struct StageTime {
    f64 wall = 0, cpu = 0;
};

// Runs `stage`, waits for the driver and adds its wall and process CPU time (seconds).
template <typename Stage>
void timeStage(StageTime* total, Stage stage) {
    f64 wall = secondsOf(CLOCK_MONOTONIC);
    f64 cpu = secondsOf(CLOCK_PROCESS_CPUTIME_ID);
    stage();
    finishGL();
    total->wall += secondsOf(CLOCK_MONOTONIC) - wall;
    total->cpu += secondsOf(CLOCK_PROCESS_CPUTIME_ID) - cpu;
}

void reportStage(benchmark::State& state, const std::string& name, StageTime time) {
    state.counters[name + "_ms"] = benchmark::Counter(time.wall * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters[name + "_cpu_ms"] = benchmark::Counter(time.cpu * 1000.0, benchmark::Counter::kAvgIterations);
}

// =============================================================================================
// The picture
// =============================================================================================

std::string picturePath(Scene scene) {
    return std::string(VE_SOURCE_DIR) + "/tests/Renderer/golden/" + sceneNames[scene] + "_full.png";
}

// Compares the window with the stored picture and reports it; a run whose picture differs is an
// error, not a figure.
void checkPicture(benchmark::State& state, Scene scene) {
    windowpicture::Picture actual = windowpicture::readWindow(pipescene::WIDTH, pipescene::HEIGHT);
    if (getenv("KESTROLAN_WRITE_PICTURES")) {
        windowpicture::writePicture(picturePath(scene), actual);
        return;
    }
    windowpicture::Picture stored = {};
    if (!windowpicture::readPicture(picturePath(scene), &stored)) {
        state.SkipWithError("stored picture missing");
        return;
    }
    windowpicture::Difference difference = windowpicture::compare(actual, stored, windowpicture::NEAR_LEVELS);
    if (getenv("EXPERIMENT")) {
        windowpicture::Picture diff = actual;
        s32 minX = 99999, minY = 99999, maxX = -1, maxY = -1;
        for (size_t i = 0; i < diff.rgb.size(); i += 3) {
            s32 d = 0;
            for (int k = 0; k < 3; ++k) d = std::max(d, abs((s32)actual.rgb[i + k] - (s32)stored.rgb[i + k]));
            diff.rgb[i] = diff.rgb[i + 1] = diff.rgb[i + 2] = d > 2 ? 255 : 0;
            if (d > 2) { s32 px = (s32)(i / 3) % diff.width, py = (s32)(i / 3) / diff.width; minX = std::min(minX, px); maxX = std::max(maxX, px); minY = std::min(minY, py); maxY = std::max(maxY, py); }
        }
        fprintf(stderr, "%s diff box %d %d - %d %d\n", sceneNames[scene], minX, minY, maxX, maxY);
        windowpicture::writePicture(std::string("/tmp/ab/diff_") + sceneNames[scene] + ".png", diff);
        windowpicture::writePicture(std::string("/tmp/ab/actual_") + sceneNames[scene] + ".png", actual);
    }
    state.counters["match_permille"] = 1000.0 * difference.nearFraction;
    state.counters["worst_level"] = difference.worst;
    if (!getenv("EXPERIMENT") && !windowpicture::isSamePicture(difference)) state.SkipWithError("the picture differs from the stored one");
}

// =============================================================================================
// Benchmarks
// =============================================================================================

void BM_Frame(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    Scene scene = (Scene)state.range(0);
    StageTime total;
    for (auto _ : state) {
        ve::RenderFrame frame = fillScene(context, scene);
        timeStage(&total, [&] { ve::drawRenderFrame(&frame, 1, 0.0f); });
    }
    reportStage(state, "frame", total);
    checkPicture(state, scene);
    state.SetLabel(sceneNames[scene]);
}

void BM_Stages(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    Scene scene = (Scene)state.range(0);
    enum { BEGIN, SKY, QUADS, MESHES, RENDER_TO_TEXTURE, TRANSPARENT, BLOOM, COMPOSITE, HUD, STAGE_COUNT };
    const char* const names[STAGE_COUNT] = {"clear",     "sky",   "lit_quads", "meshes", "render_to_texture",
                                            "transparent", "bloom", "composite", "hud"};
    StageTime stages[STAGE_COUNT];
    for (auto _ : state) {
        ve::RenderFrame frame = fillScene(context, scene);
        timeStage(&stages[BEGIN], [&] { ve::beginScenePass(&frame); });
        timeStage(&stages[QUADS], [&] {
            ve::writeLights(&frame);
            ve::drawOpaqueQuads(&frame);
        });
        timeStage(&stages[MESHES], [&] { ve::drawMeshes(&frame); });
        timeStage(&stages[SKY], [&] { ve::drawSky(&frame.cam); });
        timeStage(&stages[RENDER_TO_TEXTURE], [&] { ve::drawRenderToTextureQuads(&frame); });
        timeStage(&stages[TRANSPARENT], [&] { ve::drawTransparentQuads(&frame, 1); });
        timeStage(&stages[BLOOM], [&] { ve::blurHighlights(); });
        timeStage(&stages[COMPOSITE], [&] { ve::compositeToWindow(0.0f); });
        timeStage(&stages[HUD], [&] { ve::drawHUD(&frame); });
    }
    for (u32 i = 0; i < STAGE_COUNT; ++i) reportStage(state, names[i], stages[i]);
    checkPicture(state, scene);
    state.SetLabel(sceneNames[scene]);
}

} // namespace

BENCHMARK(BM_Frame)->Arg(FURNISHED_ROOM)->Arg(GOLDEN_SCENE)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Stages)->Arg(FURNISHED_ROOM)->Arg(GOLDEN_SCENE)->Unit(benchmark::kMillisecond)->Iterations(20);
