// The frame pipeline under Mesa's software rasteriser at 1440 by 900, on the furnished room and on
// the fixed scene of the golden image, side by side with the pipeline as it was before it was made
// faster ("today's": its shader texts, its pass order, its ten bloom passes and its texture
// uploads). It needs a display:
//
//   xvfb-run -a -s "-screen 0 1440x900x24" ./build/bench/roomFrame_bench
//
// Every iteration draws one frame with each pipeline, alternately, so that both meet the same load
// on a shared machine. Figures are milliseconds per frame: wall time and the CPU time of the whole
// process (llvmpipe rasterises on its own threads). BM_Frames waits for the driver once per frame;
// BM_Stages waits after every stage. After the frames, each pipeline's picture is read back and
// compared with the stored one (tests/Renderer/golden/*_full.png, drawn by today's pipeline): a run
// whose picture differs reports an error instead of figures.

#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_pipeline.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Renderer/OpenGL/opengl_shaders.h"
#include "Renderer/bloomKernel.h"

#include "../../tests/Renderer/OpenGL/pictureScenes.h"
#include "../../tests/Renderer/OpenGL/windowPicture.h"
#include "glBenchWindow.h"
#include "todaysShaders.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using picturescenes::Scene;

constexpr s64 FRAMES = 20;

// =============================================================================================
// Today's pipeline
// =============================================================================================
// Its programs and its copies of the single-colour textures (uploaded as full mipmapped images,
// as they used to be) are swapped into the renderer's state for its frames; the passes that did
// not change are the engine's own.

struct TextureTwin {
    u32* uploadedId; // in the upload table
    u32 todaysId;
};

struct TodaysPipeline {
    ve::ShaderProg lit, billboard, sky, blur;
    std::vector<TextureTwin> twins;
};

// Today's upload of a texture: every texel, mipmaps, anisotropy 8.
u32 uploadTodaysTexture(ve::Texture* texture) {
    u32 id = 0;
    ve::glGenTextures(1, &id);
    ve::glBindTexture(GL_TEXTURE_2D, id);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    ve::glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    ve::glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY, 8.0f);
    ve::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, (GLsizei)texture->width, (GLsizei)texture->height, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, texture->pixels);
    ve::glGenerateMipmap(GL_TEXTURE_2D);
    return id;
}

bool isSingleColour(ve::Texture* texture) {
    for (u32 i = 1; i < texture->width * texture->height; ++i) {
        if (texture->pixels[i] != texture->pixels[0]) return false;
    }
    return true;
}

// Today's lit fragment text: the engine's declarations with today's main function.
std::string todaysLitText() {
    std::string current = ve::physical_frag;
    return current.substr(0, current.find("void main() {")) + todays::physical_frag_main;
}

void createTodaysPipeline(TodaysPipeline* today, picturescenes::Scenes* scenes) {
    std::string lit = todaysLitText();
    today->lit.glID = ve::createShaderProg(ve::vertex_shader, lit.c_str(), nullptr);
    today->billboard.glID = ve::createShaderProg(ve::billboard_vert, lit.c_str(), nullptr);
    today->sky.glID = ve::createShaderProg(todays::skybox_vert, ve::skybox_frag, nullptr);
    today->blur.glID = ve::createShaderProg(ve::gaussian_blur_vert, todays::gaussian_blur_frag, nullptr);
    for (ve::Texture* texture : picturescenes::uploadedTextures(scenes)) {
        if (!isSingleColour(texture)) continue;
        ve::GLTexture* uploaded = ve::findUploadedTexture(texture);
        today->twins.push_back({&uploaded->id, uploadTodaysTexture(texture)});
    }
}

// Swapping twice restores the renderer's own state.
void swapInTodaysState(TodaysPipeline* today) {
    ve::RendererStateOpenGL* state = ve::rendererState;
    std::swap(state->shader, today->lit);
    std::swap(state->billBoardShader, today->billboard);
    std::swap(state->skyBoxShader, today->sky);
    std::swap(state->bloomShader, today->blur);
    for (TextureTwin& twin : today->twins) std::swap(*twin.uploadedId, twin.todaysId);
}

// Today's bloom: five rounds of a cleared horizontal and a cleared vertical five-tap pass. The
// roles of the two targets are exchanged so that the result lands where the composite now reads.
void todaysBlurPass(u32 targetFbo, u32 sourceTexture, s32 horizontal) {
    u32 program = ve::rendererState->bloomShader.glID;
    ve::glBindFramebuffer(GL_FRAMEBUFFER, targetFbo);
    ve::glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    ve::glUseProgram(program);
    ve::glUniform1i(ve::glGetUniformLocation(program, "horizontal"), horizontal);
    ve::glUniform1i(ve::glGetUniformLocation(program, "image"), 0);
    ve::drawFullScreenImage(sourceTexture);
}

void todaysBlurHighlights() {
    ve::RendererStateOpenGL* state = ve::rendererState;
    static_assert(ve::BLOOM_RESULT == 2, "today's bloom ends in the second bloom target");
    ve::glViewport(0, 0, (GLsizei)(state->windowSize.x * 0.5f), (GLsizei)(state->windowSize.y * 0.5f));
    for (u32 i = 0; i < ve::BLOOM_ITERATIONS; ++i) {
        todaysBlurPass(state->FBOs[2], i == 0 ? state->colorBuffers[1] : state->colorBuffers[2], 1);
        todaysBlurPass(state->FBOs[1], state->colorBuffers[3], 0);
    }
}

// =============================================================================================
// The two pipelines as lists of stages
// =============================================================================================

struct Stage {
    const char* name;
    std::function<void(ve::RenderFrame*)> draw;
};

enum Pipeline { TODAY, FAST, PIPELINE_COUNT };
const char* const pipelineNames[PIPELINE_COUNT] = {"today", "fast"};

const Stage clearStage = {"clear", [](ve::RenderFrame* f) { ve::beginScenePass(f); }};
const Stage skyStage = {"sky", [](ve::RenderFrame* f) { ve::drawSky(&f->cam); }};
const Stage quadStage = {"lit_quads", [](ve::RenderFrame* f) {
                             ve::writeLights(f);
                             ve::drawOpaqueQuads(f);
                         }};
const Stage meshStage = {"meshes", [](ve::RenderFrame* f) { ve::drawMeshes(f); }};
const Stage renderToTextureStage = {"render_to_texture", [](ve::RenderFrame* f) { ve::drawRenderToTextureQuads(f); }};
const Stage transparentStage = {"transparent", [](ve::RenderFrame* f) { ve::drawTransparentQuads(f, 1); }};
const Stage compositeStage = {"composite", [](ve::RenderFrame*) { ve::compositeToWindow(0.0f); }};
const Stage hudStage = {"hud", [](ve::RenderFrame* f) { ve::drawHUD(f); }};

// Today's order: the sky first, under everything.
const std::vector<Stage> todaysStages = {
    clearStage,       skyStage,
    quadStage,        meshStage,
    renderToTextureStage, transparentStage,
    {"bloom", [](ve::RenderFrame*) { todaysBlurHighlights(); }}, compositeStage,
    hudStage};

// The engine's own order (drawRenderFrame): the off-screen buffers first, the sky after the
// opaque passes.
const std::vector<Stage> fastStages = {
    renderToTextureStage, clearStage,
    quadStage,        meshStage,
    skyStage,         transparentStage,
    {"bloom", [](ve::RenderFrame*) { ve::blurHighlights(); }}, compositeStage,
    hudStage};

// =============================================================================================
// Context, time, pictures
// =============================================================================================

struct BenchContext {
    bool ready = false;
    BenchRenderer bench;
    picturescenes::Scenes scenes;
    TodaysPipeline today;
};

BenchContext* openContext(benchmark::State& state) {
    static BenchContext context;
    if (context.ready) return &context;
    if (!startBenchRenderer(state, "Kestrolan room frame", pipescene::WIDTH, pipescene::HEIGHT, &context.bench)) {
        return nullptr;
    }
    picturescenes::uploadScenes(&context.scenes);
    createTodaysPipeline(&context.today, &context.scenes);
    context.ready = true;
    return &context;
}

f64 secondsOf(clockid_t clock) {
    timespec now = {};
    clock_gettime(clock, &now);
    return (f64)now.tv_sec + (f64)now.tv_nsec * 1e-9;
}

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

void reportTime(benchmark::State& state, const std::string& name, Time time) {
    state.counters[name + "_ms"] = benchmark::Counter(time.wall * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters[name + "_cpu_ms"] = benchmark::Counter(time.cpu * 1000.0, benchmark::Counter::kAvgIterations);
}

void drawStages(BenchContext* context, Pipeline pipeline, ve::RenderFrame* frame, Time* stageTimes) {
    const std::vector<Stage>& stages = pipeline == TODAY ? todaysStages : fastStages;
    if (pipeline == TODAY) swapInTodaysState(&context->today);
    for (size_t i = 0; i < stages.size(); ++i) {
        if (stageTimes) {
            timeWork(&stageTimes[i], [&] { stages[i].draw(frame); });
        } else {
            stages[i].draw(frame);
        }
    }
    if (pipeline == TODAY) swapInTodaysState(&context->today);
}

// Draws one more frame with each pipeline and compares it with the stored picture. False, with the
// benchmark marked as failed, when either differs.
bool checkPictures(benchmark::State& state, BenchContext* context, Scene scene) {
    windowpicture::Picture stored;
    if (!windowpicture::readPicture(picturescenes::storedPicturePath(scene), &stored)) {
        state.SkipWithError("stored picture missing");
        return false;
    }
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
        ve::RenderFrame frame = picturescenes::fillScene(&context->scenes, scene);
        drawStages(context, (Pipeline)p, &frame, nullptr);
        windowpicture::Picture actual = windowpicture::readWindow(pipescene::WIDTH, pipescene::HEIGHT);
        windowpicture::Difference difference = windowpicture::compare(actual, stored, windowpicture::NEAR_LEVELS);
        std::string name = pipelineNames[p];
        state.counters[name + "_near_permille"] = 1000.0 * difference.nearFraction;
        state.counters[name + "_worst_level"] = difference.worst;
        if (!windowpicture::isSamePicture(difference)) {
            state.SkipWithError((name + " pipeline: the picture differs from the stored one").c_str());
            return false;
        }
    }
    return true;
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
    state.counters["speedup_wall"] = frames[TODAY].wall / frames[FAST].wall;
    state.counters["speedup_cpu"] = frames[TODAY].cpu / frames[FAST].cpu;
    state.SetLabel(picturescenes::sceneNames[scene]);
}

void BM_Stages(benchmark::State& state) {
    BenchContext* context = openContext(state);
    if (!context) return;
    Scene scene = (Scene)state.range(0);
    std::vector<Time> stageTimes[PIPELINE_COUNT] = {std::vector<Time>(todaysStages.size()),
                                                    std::vector<Time>(fastStages.size())};
    for (auto _ : state) {
        for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
            ve::RenderFrame frame = picturescenes::fillScene(&context->scenes, scene);
            drawStages(context, (Pipeline)p, &frame, stageTimes[p].data());
        }
    }
    if (!checkPictures(state, context, scene)) return;
    for (u32 p = 0; p < PIPELINE_COUNT; ++p) {
        const std::vector<Stage>& stages = p == TODAY ? todaysStages : fastStages;
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
