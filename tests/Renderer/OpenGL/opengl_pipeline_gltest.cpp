// The frame pipeline drawn by Mesa under Xvfb, read back from the window and from its targets.
// Each test draws one or two frames at the window's full size.

#include "opengl_test_support.h"
#include "pipeline_scene.h"

#include "Core/engine_main.h"
#include "Memory/memory.h"
#include "Renderer/OpenGL/opengl_draw.h"
#include "Renderer/OpenGL/opengl_pipeline.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

using pipescene::vec2;
using pipescene::vec3;
using pipescene::vec4;
using pipescene::WIDTH;
using pipescene::HEIGHT;

struct Rgb {
    s32 r, g, b;
};

// The whole window as 8-bit RGBA, rows from the bottom.
struct WindowImage {
    std::vector<u8> bytes;

    Rgb at(s32 x, s32 y) const {
        const u8* p = &bytes[((size_t)y * WIDTH + (size_t)x) * 4];
        return {p[0], p[1], p[2]};
    }
    Rgb at(pipescene::ScreenPoint point) const { return at(point.x, point.y); }
};

WindowImage readWindow() {
    WindowImage image;
    image.bytes.resize((size_t)WIDTH * HEIGHT * 4);
    ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gltest::glReadBuffer(GL_BACK);
    gltest::glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, image.bytes.data());
    return image;
}

s32 channelDistance(Rgb a, Rgb b) {
    return std::max(abs(a.r - b.r), std::max(abs(a.g - b.g), abs(a.b - b.b)));
}

// The sky's +Z face, as the window shows it (the sRGB conversion undoes the shader's 2.2 power).
const Rgb skyAhead = {85, 105, 135};
const Rgb skyAbove = {140, 160, 190};

// The ink of the two halves of a strip of a float RGBA image: the summed difference from the
// background, left and right of the strip's middle column.
struct InkHalves {
    f64 left, right;
};

size_t countOccurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class PipelineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tmpMemory = new std::vector<u8>(64 << 20);
        tmp = ve::createHeapStore(buffer{tmpMemory->size(), tmpMemory->data()});
        ve::tmpStore = &tmp;
        assets = new pipescene::SceneAssets();
        pipescene::uploadSceneAssets(assets);
    }

    // A fresh frame looking at the origin from z = -3.
    ve::RenderFrame newFrame() {
        ve::RenderFrame frame = ve::rendererCreateFrame();
        frame.cam = pipescene::makeCamera(vec3(0, 0, -3), vec3(0, 0, 0));
        return frame;
    }

    WindowImage drawAndRead(ve::RenderFrame* frame, b8 sorting = 1, f32 gamma = 0.0f) {
        ve::drawRenderFrame(frame, sorting, gamma);
        return readWindow();
    }

    static inline std::vector<u8>* tmpMemory;
    static inline ve::MemoryStore tmp;
    static inline pipescene::SceneAssets* assets;
};

// =============================================================================================
// Sky, composite and the state left behind
// =============================================================================================

TEST_F(PipelineTest, AnEmptyFrameDrawsTheSkyThroughTheCompositeAndLeavesTheWindowBound) {
    ve::RenderFrame frame = newFrame();
    WindowImage ahead = drawAndRead(&frame);
    EXPECT_LE(channelDistance(ahead.at(WIDTH / 2, HEIGHT / 2), skyAhead), 2);
    EXPECT_LE(channelDistance(ahead.at(10, 10), skyAhead), 2);

    GLint framebuffer = -1;
    ve::glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_FALSE(ve::glIsEnabled(GL_BLEND));
    EXPECT_TRUE(ve::glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(ve::glIsEnabled(GL_STENCIL_TEST));

    // The sky turns with the camera and ignores where it stands.
    frame = newFrame();
    frame.cam = pipescene::makeCamera(vec3(300, -40, 7), vec3(300, 60, 7.5f));
    WindowImage above = drawAndRead(&frame);
    EXPECT_LE(channelDistance(above.at(WIDTH / 2, HEIGHT / 2), skyAbove), 2);
}

TEST_F(PipelineTest, GammaBrightensWithoutTurningTheScreenWhite) {
    ve::RenderFrame frame = newFrame();
    Rgb plain = drawAndRead(&frame, 1, 0.0f).at(WIDTH / 2, HEIGHT / 2);
    frame = newFrame();
    Rgb bright = drawAndRead(&frame, 1, 0.9f).at(WIDTH / 2, HEIGHT / 2);
    EXPECT_GT(bright.r, plain.r + 60);
    EXPECT_GT(bright.b, plain.b + 40);
    EXPECT_LT(bright.r, 245);
    EXPECT_LT(bright.g, 245);
    EXPECT_LT(bright.b, 250);
    // Below 0 the picture darkens.
    frame = newFrame();
    Rgb dark = drawAndRead(&frame, 1, -0.5f).at(WIDTH / 2, HEIGHT / 2);
    EXPECT_LT(dark.r, plain.r - 20);
    // One press of F5 or F6, as the engine takes it, is seen.
    ve::EngineState* state = (ve::EngineState*)calloc(1, sizeof(ve::EngineState));
    ve::GameInput keys;
    memset((void*)&keys, 0, sizeof(keys));
    for (ve::GameInput::Keyboard::Key* key : {&keys.keyboard.F5, &keys.keyboard.F6}) {
        state->gamma = 0.0f;
        key->wentDown = 1;
        ve::handleDisplayKeys(state, &keys);
        key->wentDown = 0;
        frame = newFrame();
        Rgb stepped = drawAndRead(&frame, 1, state->gamma).at(WIDTH / 2, HEIGHT / 2);
        EXPECT_GE(abs(stepped.r - plain.r) + abs(stepped.b - plain.b), 4) << state->gamma;
    }
    free(state);
}

// =============================================================================================
// Meshes and outlines
// =============================================================================================

// Along the middle row of the window: the pixels in the outline colour (bright green, little red).
std::vector<s32> outlineColumns(const WindowImage& image, s32 row) {
    std::vector<s32> columns;
    for (s32 x = 0; x < WIDTH; ++x) {
        Rgb c = image.at(x, row);
        if (c.g > 200 && c.r < 90) columns.push_back(x);
    }
    return columns;
}

TEST_F(PipelineTest, AnOutlineShowsOnlyInTheRingAroundItsMesh) {
    // A red-glowing cube square to the camera; its shell in pure green, 0.05 wide.
    ve::RenderFrame frame = newFrame();
    frame.mesh(vec3(0, 0, 0), ve::iMat3(), vec3(1, 1, 1), &assets->cube, &assets->white.texture, &assets->material,
               &assets->red.texture, vec2(1, 1), vec2(0, 0), vec4(0, 1, 0, 0.05f));
    WindowImage image = drawAndRead(&frame);

    // The mesh's silhouette is its front face; the shell's is its side faces pushed out and
    // scaled by 1.05 (Part of the vertex text's shell).
    s32 meshRight = pipescene::project(frame.cam, vec3(0.5f, 0, -0.5f)).x;
    s32 shellRight = pipescene::project(frame.cam, vec3(0.5775f, 0, -0.5775f)).x;
    s32 meshLeft = pipescene::project(frame.cam, vec3(-0.5f, 0, -0.5f)).x;
    s32 shellLeft = pipescene::project(frame.cam, vec3(-0.5775f, 0, -0.5775f)).x;
    ASSERT_GT(shellRight - meshRight, 15);

    std::vector<s32> columns = outlineColumns(image, HEIGHT / 2);
    ASSERT_FALSE(columns.empty());
    s32 rightCount = 0, leftCount = 0;
    for (s32 x : columns) {
        b8 inRightRing = x >= meshRight - 1 && x <= shellRight + 1;
        b8 inLeftRing = x >= shellLeft - 1 && x <= meshLeft + 1;
        EXPECT_TRUE(inRightRing || inLeftRing) << "outline colour at column " << x;
        rightCount += inRightRing;
        leftCount += inLeftRing;
    }
    EXPECT_GT(rightCount, 10);
    EXPECT_GT(leftCount, 10);
    Rgb centre = image.at(WIDTH / 2, HEIGHT / 2);
    EXPECT_GT(centre.r, 180);
    EXPECT_GT(centre.r, centre.g + 80);
}

TEST_F(PipelineTest, AnOutlineWidthOfExactlyOneHundredthDrawsNoShell) {
    for (f32 width : {0.01f, 0.011f}) {
        ve::RenderFrame frame = newFrame();
        frame.mesh(vec3(0, 0, 0), ve::iMat3(), vec3(1, 1, 1), &assets->cube, &assets->white.texture,
                   &assets->material, &assets->red.texture, vec2(1, 1), vec2(0, 0), vec4(0, 1, 0, width));
        WindowImage image = drawAndRead(&frame);
        EXPECT_EQ(outlineColumns(image, HEIGHT / 2).empty(), width == 0.01f) << "width " << width;
    }
}

// =============================================================================================
// Transparency
// =============================================================================================

TEST_F(PipelineTest, SortedHalfTransparentQuadsBlendAlikeInEitherPushOrder) {
    // Half-transparent textures with opaque emission of their own colour: bright red and blue.
    struct Layer {
        ve::Texture* texture;
        ve::Texture* emission;
        f32 z;
    };
    const Layer farRed = {&assets->halfRed.texture, &assets->red.texture, 0.5f};
    const Layer nearBlue = {&assets->halfBlue.texture, &assets->blue.texture, -0.5f};
    auto centreWith = [&](Layer first, Layer second, b8 sorting) {
        ve::RenderFrame frame = newFrame();
        for (Layer layer : {first, second}) {
            frame.transQuad(vec3(0, 0, layer.z), ve::iMat3(), vec3(1, 1, 1), layer.texture, layer.emission,
                            vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0), 0, 0);
        }
        return drawAndRead(&frame, sorting).at(WIDTH / 2, HEIGHT / 2);
    };
    Rgb sortedFarFirst = centreWith(farRed, nearBlue, 1);
    Rgb sortedNearFirst = centreWith(nearBlue, farRed, 1);
    Rgb unsortedNearFirst = centreWith(nearBlue, farRed, 0);
    EXPECT_LE(channelDistance(sortedFarFirst, sortedNearFirst), 1);
    // Near blue over far red: both show.
    EXPECT_GT(sortedFarFirst.r, 100);
    EXPECT_GT(sortedFarFirst.b, 100);
    // In push order the near quad's depth hides the far one, which is then never blended in.
    EXPECT_GT(channelDistance(unsortedNearFirst, sortedNearFirst), 40);
    EXPECT_LT(unsortedNearFirst.r, sortedNearFirst.r);
}

TEST_F(PipelineTest, ABillboardShowsItsColourBufferFacingTheCamera) {
    ve::v2 target = ve::createCustomColorBuffer();
    u32 fbo = (u32)target.x;
    u32 colorTexture = (u32)target.y;
    ve::clearCustomColorBuffer(fbo, vec4(0, 1, 0, 1));
    size_t printedBefore = gltest::printed.size();

    // Turned 80 degrees away, it would be a sliver; as a billboard it is a full square. Its own
    // emission (never uploaded) must not be read.
    ve::RenderFrame frame = newFrame();
    frame.transQuad(vec3(0, 0, 0), pipescene::yaw(80), vec3(1, 1, 1), &assets->white.texture,
                    &assets->missing.texture, vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0), 0, colorTexture);
    WindowImage image = drawAndRead(&frame);
    for (f32 x : {0.0f, 0.4f, -0.4f}) {
        Rgb c = image.at(pipescene::project(frame.cam, vec3(x, 0.3f, 0)));
        EXPECT_GT(c.g, 150) << "at x " << x;
        EXPECT_GT(c.g, c.r + 60) << "at x " << x;
        EXPECT_GT(c.g, c.b + 30) << "at x " << x;
    }
    EXPECT_LE(channelDistance(image.at(pipescene::project(frame.cam, vec3(0.7f, 0, 0))), skyAhead), 3);
    EXPECT_EQ(gltest::printed.size(), printedBefore);
}

// =============================================================================================
// HUD and render-to-texture text
// =============================================================================================

// Two identical glyphs 0.04 apart, each 0.07 wide, centred on the middle of the target.
void pushTwoGlyphs(ve::RenderFrame* frame, ve::Texture* glyph, u32 fbo) {
    for (f32 x : {-0.02f, 0.02f}) {
        if (fbo) {
            frame->transQuad(vec3(x, 0, 0), ve::iMat3(), vec3(0.07f, 0.1f, 1), glyph, nullptr, vec2(1, 1),
                             vec2(0, 0), vec4(0, 0, 0, 0), fbo, 0);
        } else {
            frame->hudElement(vec3(x, 0, 0), ve::iMat3(), vec3(0.07f, 0.1f, 1), glyph, nullptr, vec2(1, 1),
                              vec2(0, 0), vec4(0, 0, 0, 0));
        }
    }
}

// Ink left and right of the middle column over a strip around the two glyphs; `value` gives
// each pixel's ink.
template <typename Value>
InkHalves inkAroundCentre(Value value) {
    InkHalves ink = {0, 0};
    for (s32 y = HEIGHT / 2 - 30; y < HEIGHT / 2 + 30; ++y) {
        for (s32 x = WIDTH / 2 - 60; x < WIDTH / 2 + 60; ++x) {
            (x < WIDTH / 2 ? ink.left : ink.right) += value(x, y);
        }
    }
    return ink;
}

TEST_F(PipelineTest, TwoIdenticalHudGlyphsSideBySideHaveEqualInk) {
    ve::RenderFrame frame = newFrame();
    pushTwoGlyphs(&frame, &assets->glyph.texture, 0);
    WindowImage image = drawAndRead(&frame);
    InkHalves ink = inkAroundCentre([&](s32 x, s32 y) {
        Rgb c = image.at(x, y);
        return (f64)(c.r - skyAhead.r);
    });
    EXPECT_GT(ink.left, 1000.0);
    EXPECT_NEAR(ink.right / ink.left, 1.0, 0.04) << ink.left << " " << ink.right;
}

TEST_F(PipelineTest, RenderToTextureTextIsCompleteInEveryFrame) {
    ve::v2 target = ve::createCustomColorBuffer();
    u32 fbo = (u32)target.x;
    std::vector<f32> pixels((size_t)WIDTH * HEIGHT * 4);
    for (int frameIndex = 0; frameIndex < 2; ++frameIndex) {
        ve::clearCustomColorBuffer(fbo, vec4(0, 0, 0, 0));
        ve::RenderFrame frame = newFrame();
        pushTwoGlyphs(&frame, &assets->glyph.texture, fbo);
        ve::drawRenderFrame(&frame, 1, 0.0f);

        ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        gltest::glReadBuffer(GL_COLOR_ATTACHMENT0);
        gltest::glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_FLOAT, pixels.data());
        ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        InkHalves ink = inkAroundCentre([&](s32 x, s32 y) { return (f64)pixels[((size_t)y * WIDTH + x) * 4 + 3]; });
        EXPECT_GT(ink.left, 50.0) << "frame " << frameIndex;
        EXPECT_NEAR(ink.right / ink.left, 1.0, 0.04) << "frame " << frameIndex << ": " << ink.left << " " << ink.right;
    }
}

// =============================================================================================
// Lights, emission and what is missing
// =============================================================================================

TEST_F(PipelineTest, LightsBeyondTheFifthAreDroppedAndReportedOnce) {
    auto centreWith = [&](u32 darkLights, u32 brightLights) {
        ve::RenderFrame frame = newFrame();
        frame.quad(vec3(0, 0, 0), ve::iMat3(), vec3(2, 2, 1), &assets->white.texture, nullptr, vec2(1, 1),
                   vec2(0, 0), vec4(0, 0, 0, 0));
        for (u32 i = 0; i < darkLights; ++i) frame.pointLight(vec3(0, 0, -1), vec3(0, 0, 0), vec3(0, 0, 0));
        for (u32 i = 0; i < brightLights; ++i) frame.pointLight(vec3(0, 0, -1), vec3(3, 3, 3), vec3(0, 0, 0));
        return drawAndRead(&frame).at(WIDTH / 2, HEIGHT / 2);
    };
    const std::string report = "more than 5 point lights";
    Rgb unlit = centreWith(5, 0);
    Rgb lit = centreWith(4, 1);
    EXPECT_GT(lit.r, unlit.r + 40) << "the fifth light counts";
    EXPECT_EQ(countOccurrences(gltest::printed, report), 0u);
    Rgb overflow = centreWith(5, 2);
    EXPECT_LE(channelDistance(overflow, unlit), 1) << "the sixth and seventh lights are not drawn";
    centreWith(6, 1);
    EXPECT_EQ(countOccurrences(gltest::printed, report), 1u);
}

TEST_F(PipelineTest, AMissingEmissionDrawsAsOpaqueBlack) {
    auto centreWith = [&](ve::Texture* emission) {
        ve::RenderFrame frame = newFrame();
        frame.quad(vec3(0, 0, 0), ve::iMat3(), vec3(2, 2, 1), &assets->white.texture, emission, vec2(1, 1),
                   vec2(0, 0), vec4(0, 0, 0, 0));
        frame.pointLight(vec3(0, 0, -1), vec3(1, 1, 1), vec3(0, 0, 0));
        return drawAndRead(&frame).at(WIDTH / 2, HEIGHT / 2);
    };
    ve::Texture black = {};
    pipescene::OwnedTexture blackOwned;
    ve::Texture* uploadedBlack = pipescene::uploadSolid(&blackOwned, "pipeline_black", pipescene::rgba(0, 0, 0, 255));
    (void)black;
    Rgb withNull = centreWith(nullptr);
    Rgb withBlack = centreWith(uploadedBlack);
    Rgb withRed = centreWith(&assets->red.texture);
    EXPECT_LE(channelDistance(withNull, withBlack), 1);
    EXPECT_GT(withRed.r, withNull.r + 20) << "an emission texture is read when there is one";
}

// The pack builder's fold: a glow of one colour times a mask, whose mask the albedo's alpha holds.
// Drawn with its own albedo the glow is read from that alpha; every pairing looks as the
// two-sample program draws the images as they were before the fold (the albedo opaque).
TEST_F(PipelineTest, AFoldedGlowAndItsAlbedoDrawInEveryPairingLikeTheTwoSampleProgram) {
    const u32 side = 64;
    const u32 colour = pipescene::rgba(90, 230, 255, 255);
    std::vector<u32> albedo(side * side), glow(side * side), masked(side * side), other(side * side),
        otherGlow(side * side), seeThrough(side * side);
    for (u32 i = 0; i < side * side; ++i) {
        u32 x = i % side, y = i / side;
        u32 mask = (x / 8 + y / 8) % 2 ? 255 : (x * 4) % 256; // full squares and ramps
        albedo[i] = pipescene::rgba((u8)(200 - x), 190, (u8)(150 + y), 255);
        glow[i] = pipescene::rgba((u8)((90 * mask + 127) / 255), (u8)((230 * mask + 127) / 255), (u8)((255 * mask + 127) / 255), 255);
        masked[i] = (albedo[i] & 0x00FFFFFFu) | mask << 24;
        other[i] = pipescene::rgba((u8)(60 + 2 * y), (u8)(120 + x), 90, 255);
        otherGlow[i] = pipescene::rgba((u8)(y * 3), 40, (u8)(x * 2), 255);
        // Bars that let the sky through, edges that half cover: an energy wall's kind of alpha.
        seeThrough[i] = pipescene::rgba(120, 200, 255, (u8)((x % 16) < 6 ? 0 : (x % 16) * 16));
    }
    pipescene::OwnedTexture plainAlbedo, glowImage, foldedAlbedo, otherAlbedo, otherEmission, seeThroughImage;
    pipescene::uploadPixels(&plainAlbedo, "fold_plain_albedo", side, side, albedo);
    pipescene::uploadPixels(&glowImage, "fold_glow", side, side, glow);
    pipescene::uploadPixels(&foldedAlbedo, "fold_albedo", side, side, masked, "fold_glow", colour);
    pipescene::uploadPixels(&otherAlbedo, "fold_other_albedo", side, side, other);
    pipescene::uploadPixels(&otherEmission, "fold_other_emission", side, side, otherGlow);
    pipescene::uploadPixels(&seeThroughImage, "fold_see_through", side, side, seeThrough);

    auto draw = [&](ve::Texture* texture, ve::Texture* emission) {
        ve::RenderFrame frame = newFrame();
        frame.pointLight(vec3(0.5f, 0.5f, -1.5f), vec3(2, 2, 2), vec3(0, 0, 0));
        frame.quad(vec3(0, 0, 0), pipescene::yaw(20), vec3(3, 2, 1), texture, emission, vec2(1, 1), vec2(0, 0),
                   vec4(0, 0, 0, 0));
        return drawAndRead(&frame);
    };
    // The reference: every draw with the two-sample program.
    auto drawTwoSample = [&](ve::Texture* texture, ve::Texture* emission) {
        ve::RendererStateOpenGL* state = ve::rendererState;
        ve::ShaderProg builds[ve::ALPHA_TEST_VARIANTS][ve::EMISSION_SOURCE_COUNT];
        memcpy(builds, state->litShaders, sizeof(builds));
        for (auto& row : state->litShaders) {
            for (ve::ShaderProg& program : row) program = state->shader;
        }
        WindowImage picture = draw(texture, emission);
        memcpy(state->litShaders, builds, sizeof(builds));
        return picture;
    };
    struct Pairing {
        const char* what;
        pipescene::OwnedTexture *texture, *emission;         // as the pack holds them
        pipescene::OwnedTexture *beforeTexture, *beforeEmission; // as they were before the fold
    };
    const Pairing pairings[] = {
        {"folded pair", &foldedAlbedo, &glowImage, &plainAlbedo, &glowImage},
        {"folded albedo, another emission", &foldedAlbedo, &otherEmission, &plainAlbedo, &otherEmission},
        {"folded glow, another albedo", &otherAlbedo, &glowImage, &otherAlbedo, &glowImage},
        {"folded albedo, see-through emission", &foldedAlbedo, &seeThroughImage, &plainAlbedo, &seeThroughImage},
        {"folded albedo as a see-through albedo's emission", &seeThroughImage, &foldedAlbedo, &seeThroughImage,
         &plainAlbedo},
    };
    for (const Pairing& pairing : pairings) {
        SCOPED_TRACE(pairing.what);
        WindowImage drawn = draw(&pairing.texture->texture, &pairing.emission->texture);
        WindowImage before = drawTwoSample(&pairing.beforeTexture->texture, &pairing.beforeEmission->texture);
        size_t far = 0, covered = 0;
        s32 worst = 0;
        for (s32 y = 0; y < HEIGHT; y += 2) {
            for (s32 x = 0; x < WIDTH; x += 2) {
                s32 distance = channelDistance(before.at(x, y), drawn.at(x, y));
                far += distance > 2;
                worst = std::max(worst, distance);
                covered += channelDistance(before.at(x, y), skyAhead) > 3;
            }
        }
        EXPECT_GT(covered, (size_t)(WIDTH * HEIGHT / 4 / 8));
        EXPECT_EQ(far, 0u) << "worst pixel " << worst << " levels off";
    }
}

TEST_F(PipelineTest, ADrawWhoseTextureWasNeverUploadedIsSkippedWithOneMessage) {
    char missingId[40];
    snprintf(missingId, sizeof(missingId), "%016llx%016llx", (unsigned long long)assets->missing.texture.id.hi,
             (unsigned long long)assets->missing.texture.id.lo);
    const std::string report = std::string("texture ") + missingId + " was not uploaded";
    for (int i = 0; i < 2; ++i) {
        ve::RenderFrame frame = newFrame();
        frame.quad(vec3(0, 0, 0), ve::iMat3(), vec3(2, 2, 1), &assets->missing.texture, nullptr, vec2(1, 1),
                   vec2(0, 0), vec4(0, 0, 0, 0));
        frame.hudElement(vec3(0, 0, 0), ve::iMat3(), vec3(0.5f, 0.5f, 1), &assets->missing.texture, nullptr,
                         vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0));
        WindowImage image = drawAndRead(&frame);
        EXPECT_LE(channelDistance(image.at(WIDTH / 2, HEIGHT / 2), skyAhead), 2);
    }
    EXPECT_EQ(countOccurrences(gltest::printed, report), 1u);
}

// Every colour the scene target and the bloom result hold at their centres is a number, and the
// surface there shows at least its ambient light. (Mesa's min and max drop a NaN operand, so on
// this driver a NaN shows as a surface gone black rather than as NaN.)
void expectFiniteCentres(const char* what) {
    gltest::Pixel scene = gltest::readPixel(ve::rendererState->FBOs[0], 0, WIDTH / 2, HEIGHT / 2);
    gltest::Pixel bloom = gltest::readPixel(ve::rendererState->FBOs[2], 0, WIDTH / 4, HEIGHT / 4);
    for (f32 value : {scene.r, scene.g, scene.b, bloom.r, bloom.g, bloom.b}) EXPECT_TRUE(isfinite(value)) << what;
    EXPECT_GT(scene.r, 0.05f) << what << ": lit by the ambient term at least";
}

// A light exactly on the surface is 0 / 0 in the light's direction unless guarded. A billboard
// 1e-11 wide, magnified by the view, puts every fragment's world position exactly on its centre
// (the billboard builds its screen position from view times model, so it does not collapse).
TEST_F(PipelineTest, LightingStaysFiniteForALightOnTheSurface) {
    const ve::v3 centre = vec3(1, 2, 3);
    ve::RenderFrame frame = newFrame();
    frame.cam.view = ve::transMat(vec3(0, 0, 1)) * ve::scaleMat(vec3(1e11f, 1e11f, 1)) * ve::transMat(-centre);
    frame.cam.proj = ve::perspectiveMat(ve::toRad(90), 0.1f, 100, (f32)WIDTH / HEIGHT);
    frame.cam.pos = centre + vec3(0, 0, -3);
    // A black colour buffer as the emission, so the lighting alone decides the colour.
    u32 blackTexture = ve::rendererState->blackTexture.id;
    frame.transQuad(centre, ve::iMat3(), vec3(1e-11f, 1e-11f, 1), &assets->white.texture, nullptr, vec2(1, 1),
                    vec2(0, 0), vec4(0, 0, 0, 0), 0, blackTexture);
    frame.pointLight(centre, vec3(5, 5, 5), vec3(0, 0, 0));
    ve::drawRenderFrame(&frame, 1, 0.0f);
    expectFiniteCentres("light on the surface");
}

// Roughness 0 with light, eye and normal in one line is 0 / 0 in the distribution term unless
// guarded. Zoomed in far enough, the middle pixels see directions that round to exactly that line.
TEST_F(PipelineTest, LightingStaysFiniteForRoughnessZero) {
    ve::RenderFrame frame = newFrame();
    frame.cam.proj = ve::perspectiveMat(ve::toRad(0.1f), 0.1f, 100, (f32)WIDTH / HEIGHT);
    frame.mesh(vec3(0, 0, 0), ve::iMat3(), vec3(1, 1, 1), &ve::rendererState->quad, &assets->white.texture,
               &assets->mirror, nullptr, vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0));
    frame.pointLight(vec3(0, 0, -1), vec3(5, 5, 5), vec3(0, 0, 0));
    ve::drawRenderFrame(&frame, 1, 0.0f);
    expectFiniteCentres("roughness 0");
}

// =============================================================================================
// Golden image
// =============================================================================================

// The window reduced 4 by 4 to 360 by 225 RGB, top row first (as PNG stores it).
std::vector<u8> reducedImage(const WindowImage& image) {
    const s32 w = WIDTH / 4, h = HEIGHT / 4;
    std::vector<u8> reduced((size_t)w * h * 3);
    for (s32 y = 0; y < h; ++y) {
        for (s32 x = 0; x < w; ++x) {
            s32 sum[3] = {0, 0, 0};
            for (s32 dy = 0; dy < 4; ++dy) {
                for (s32 dx = 0; dx < 4; ++dx) {
                    Rgb c = image.at(x * 4 + dx, y * 4 + dy);
                    sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
                }
            }
            u8* out = &reduced[((size_t)(h - 1 - y) * w + x) * 3];
            for (int k = 0; k < 3; ++k) out[k] = (u8)((sum[k] + 8) / 16);
        }
    }
    return reduced;
}

// Regenerate with KESTROLAN_WRITE_GOLDEN=1 after a deliberate change to the picture, and look at
// the new file before committing it.
TEST_F(PipelineTest, TheFixedSceneMatchesItsGoldenImage) {
    const std::string path = std::string(VE_SOURCE_DIR) + "/tests/Renderer/golden/pipeline_fixed_scene.png";
    ve::RenderFrame frame = ve::rendererCreateFrame();
    pipescene::fillFixedScene(&frame, assets);
    std::vector<u8> actual = reducedImage(drawAndRead(&frame));
    const s32 w = WIDTH / 4, h = HEIGHT / 4;
    if (getenv("KESTROLAN_WRITE_GOLDEN")) {
        ASSERT_TRUE(stbi_write_png(path.c_str(), w, h, 3, actual.data(), w * 3));
        GTEST_SKIP() << "golden image written to " << path;
    }
    int goldenW = 0, goldenH = 0, channels = 0;
    u8* golden = stbi_load(path.c_str(), &goldenW, &goldenH, &channels, 3);
    ASSERT_NE(golden, nullptr) << "missing " << path << " (KESTROLAN_WRITE_GOLDEN=1 writes it)";
    ASSERT_EQ(goldenW, w);
    ASSERT_EQ(goldenH, h);
    // Per pixel and channel at most 6 levels apart; a handful of pixels on edges may differ more.
    size_t farPixels = 0;
    s32 worst = 0;
    for (size_t i = 0; i < actual.size(); i += 3) {
        s32 distance = 0;
        for (int k = 0; k < 3; ++k) distance = std::max(distance, abs((s32)actual[i + k] - (s32)golden[i + k]));
        worst = std::max(worst, distance);
        farPixels += distance > 6;
    }
    stbi_image_free(golden);
    EXPECT_LE(farPixels, 20u) << "worst channel difference " << worst;
}

} // namespace
