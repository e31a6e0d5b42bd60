// Text and scrolling textures as Mesa draws them under Xvfb, read back from the window: the HUD's
// glyphs show the atlas cell their uvScale and uvOffset select, two equal glyphs side by side
// carry equal ink, and a lit quad's emission moves with its uvOffset (the barrier's scroll). If
// the HUD or the lit shaders ignored the cell parameters, every glyph would show the whole atlas
// and the energy wall would stand still.

#include "../Renderer/OpenGL/opengl_test_support.h"
#include "pipeline_scene.h"

#include "../harness/testStores.h"

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Game/HUDEntity.h"
#include "Game/entityAssets.h"
#include "Memory/memory.h"
#include "Renderer/OpenGL/opengl_pipeline.h"

#include <math.h>

#include <vector>

namespace {

using pipescene::HEIGHT;
using pipescene::WIDTH;
using pipescene::rgba;
using pipescene::vec2;
using pipescene::vec3;
using pipescene::vec4;

// The synthetic font: an atlas of 16 by 6 cells laid out as the HUD's glyph table expects. Inside
// each cell only a bar in the middle third is opaque, in a colour that names the cell (red: its
// column, green: its row); the rest is transparent, as a real glyph's margins are.
constexpr u32 ATLAS_SIDE = 512;

u8 columnRed(u32 column) { return (u8)(15 + 16 * column); }
u8 rowGreen(u32 row) { return (u8)(5 + 50 * row); }

std::vector<u32> atlasPixels() {
    std::vector<u32> pixels(ATLAS_SIDE * ATLAS_SIDE, rgba(0, 0, 0, 0));
    for (u32 row = 0; row < 6; row++) {
        for (u32 column = 0; column < 16; column++) {
            u32 left = (u32)(0.0625f * (f32)column * ATLAS_SIDE);
            u32 bottom = (u32)(0.18150087f * (f32)row * ATLAS_SIDE);
            u32 width = (u32)(0.0625f * ATLAS_SIDE);
            u32 height = (u32)(0.0924956f * ATLAS_SIDE);
            for (u32 y = bottom + 2; y < bottom + height - 2; y++)
                for (u32 x = left + width / 3; x < left + 2 * width / 3; x++)
                    pixels[y * ATLAS_SIDE + x] = rgba(columnRed(column), rowGreen(row), 255, 255);
        }
    }
    return pixels;
}

// What the window shows for a texel value drawn unlit: the sRGB encoding of value / 255.
s32 windowValue(u8 texel) {
    f64 linear = texel / 255.0;
    f64 encoded = linear <= 0.0031308 ? 12.92 * linear : 1.055 * pow(linear, 1.0 / 2.4) - 0.055;
    return (s32)lround(encoded * 255.0);
}

struct Rgb {
    s32 r, g, b;
};

std::vector<u8> readWindow() {
    std::vector<u8> bytes((size_t)WIDTH * HEIGHT * 4);
    ve::glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gltest::glReadBuffer(GL_BACK);
    gltest::glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

Rgb pixelAt(const std::vector<u8>& bytes, s32 x, s32 y) {
    const u8* p = &bytes[((size_t)y * WIDTH + (size_t)x) * 4];
    return {p[0], p[1], p[2]};
}

// The window pixel of a point in normalised device coordinates.
s32 pixelX(f32 ndcX) { return (s32)((ndcX + 1.0f) * 0.5f * WIDTH); }
s32 pixelY(f32 ndcY) { return (s32)((ndcY + 1.0f) * 0.5f * HEIGHT); }

class TextDrawing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stores = new vetest::TestStores();
        engine = new vetest::TestEngineState();
        ve::renderer = &gltest::renderer;
        static ve::AssetRegister registerRecord = {};
        ve::assets = &registerRecord;
        ve::createAssetRegister(ve::assets, 4, 4, 4);
        font = new pipescene::OwnedTexture();
        black = new pipescene::OwnedTexture();
        ve::registerTexture(ve::assets, *pipescene::uploadPixels(font, "font_img", ATLAS_SIDE, ATLAS_SIDE, atlasPixels()));
        ve::registerTexture(ve::assets, *pipescene::uploadSolid(black, "black_img", rgba(0, 0, 0, 255)));
        backing = new pipescene::OwnedTexture();
        ve::registerTexture(ve::assets, *pipescene::uploadSolid(backing, game::HUD_ASSETS.textures[2], rgba(0, 0, 0, 217)));
    }

    void SetUp() override {
        ve::renderer->frame = ve::rendererCreateFrame();
        ve::renderer->frame.cam = pipescene::makeCamera(vec3(0, 0, -3), vec3(0, 0, 0));
        game::initHUDEntity(&hud);
    }

    std::vector<u8> drawAndRead() {
        ve::drawRenderFrame(&ve::renderer->frame, 1, 0.0f);
        return readWindow();
    }

    static inline vetest::TestStores* stores;
    static inline vetest::TestEngineState* engine;
    static inline pipescene::OwnedTexture* font;
    static inline pipescene::OwnedTexture* black;
    static inline pipescene::OwnedTexture* backing;
    game::HUDEntity hud = {};
};

TEST_F(TextDrawing, AGlyphShowsTheAtlasCellItsCodeSelects) {
    // 'A' is cell 32 (column 0, row 3 from the bottom), 'r' cell 81 (column 1, row 0).
    struct Case {
        c8 code;
        u32 column, row;
    } cases[] = {{'A', 0, 3}, {'r', 1, 0}, {'0', 15, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        SetUp();
        c8 text[1] = {c.code};
        game::writeText(text, 1, vec2(0, 0), vec2(1.2f, 1.2f), &hud);
        std::vector<u8> image = drawAndRead();
        Rgb centre = pixelAt(image, WIDTH / 2, HEIGHT / 2);
        EXPECT_NEAR(centre.r, windowValue(columnRed(c.column)), 2);
        EXPECT_NEAR(centre.g, windowValue(rowGreen(c.row)), 2);
        EXPECT_EQ(centre.b, 255);
    }
}

TEST_F(TextDrawing, TwoEqualGlyphsSideBySideCarryEqualInk) {
    // "00" as the clock draws it, large enough to count pixels: each glyph's transparent margin
    // overlaps its neighbour's quad and must hide nothing.
    c8 text[2] = {'0', '0'};
    f32 size = 0.6f;
    game::writeText(text, 2, vec2(-0.2f, 0.0f), vec2(size, size), &hud);
    std::vector<u8> image = drawAndRead();
    f32 advance = game::glyphAdvance(vec2(size, size));
    auto inkAround = [&](f32 centreX) {
        s64 ink = 0;
        s32 halfWidth = pixelX(centreX + advance / 2.0f) - pixelX(centreX);
        for (s32 y = pixelY(-0.5f); y < pixelY(0.5f); y++)
            for (s32 x = pixelX(centreX) - halfWidth; x < pixelX(centreX) + halfWidth; x++) {
                Rgb p = pixelAt(image, x, y);
                if (p.b == 255 && p.r == windowValue(columnRed(15))) ink++;
            }
        return ink;
    };
    s64 left = inkAround(-0.2f);
    s64 right = inkAround(-0.2f + advance);
    EXPECT_GT(left, 1000);
    EXPECT_NEAR((f64)left, (f64)right, 0.02 * (f64)left) << left << " against " << right;
}

TEST_F(TextDrawing, ALitQuadsEmissionFollowsItsUvOffset) {
    // The emission's left half is red, its right half blue; each draw shows one half.
    pipescene::OwnedTexture white, halves;
    ve::Texture* base = pipescene::uploadSolid(&white, "uv_white", rgba(255, 255, 255, 255));
    std::vector<u32> pixels(16 * 16);
    for (u32 i = 0; i < pixels.size(); i++) pixels[i] = (i % 16) < 8 ? rgba(255, 0, 0, 255) : rgba(0, 0, 255, 255);
    ve::Texture* emission = pipescene::uploadPixels(&halves, "uv_halves", 16, 16, pixels);
    Rgb shown[2];
    f32 offsets[2] = {0.0f, 0.5f};
    for (int i = 0; i < 2; i++) {
        SetUp();
        ve::renderer->frame.quad(vec3(0, 0, 0), ve::iMat3(), vec3(2, 2, 1), base, emission, vec2(0.25f, 1.0f),
                                 vec2(offsets[i] + 0.125f, 0.0f), vec4(0, 0, 0, 0));
        shown[i] = pixelAt(drawAndRead(), WIDTH / 2, HEIGHT / 2);
    }
    EXPECT_GT(shown[0].r, shown[0].b + 60) << "offset 0 shows the red half";
    EXPECT_GT(shown[1].b, shown[1].r + 60) << "offset 0.5 shows the blue half";
}

// A floating hint's text is laid out like the clock and may stand right behind it: the world
// (here a bright quad filling the view) must not read through the gaps of the clock's glyphs.
TEST_F(TextDrawing, TheHudClockStaysOnTopOfTheWorldBehindIt) {
    pipescene::OwnedTexture white;
    ve::Texture* bright = pipescene::uploadSolid(&white, "hud_world_white", rgba(255, 255, 255, 255));
    static ve::GameInput idle = {};
    ve::input = &idle;
    ve::renderer->frame.quad(vec3(0, 0, 0), ve::iMat3(), vec3(20, 20, 1), bright, bright, vec2(1, 1), vec2(0, 0),
                             vec4(0, 0, 0, 0));
    game::renderHUDEntity(&hud);
    std::vector<u8> image = drawAndRead();
    // The clock's first glyph is centred at (-0.95, 0.9), 0.07 wide; its left third is margin.
    Rgb gap = pixelAt(image, pixelX(-0.95f - 0.025f), pixelY(0.9f));
    Rgb world = pixelAt(image, pixelX(-0.95f), pixelY(0.5f));
    EXPECT_GT(world.r, 150);
    EXPECT_LT(gap.r, world.r / 2) << "the world shows through the clock: " << gap.r << " against " << world.r;
}

} // namespace
