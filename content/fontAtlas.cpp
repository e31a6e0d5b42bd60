// The HUD's bitmap font "font_img", rasterised at build time from a monospaced TrueType font.
//
// Layout, fixed by the HUD's glyph table: 624 x 573 pixels, 16 columns of 39-pixel cells. Cell k
// holds character 33 + k (k = 0 .. 93), then the rewind marker (code 174, k = 94) and its
// fast-forward twin (code 175, k = 95); it sits in column k mod 16 and glyph row 5 - k div 16,
// counted from the bottom. Glyph row r covers pixel rows 104 r to 104 r + 52 (rows are stored
// bottom first, so a glyph's top is at the higher row). Text advances 0.57 of a cell, so the ink
// stays inside the middle 57% of the cell's width; the space character samples texel (0, 0), so the
// corners of the atlas stay transparent. White ink, coverage in alpha.

#include "kestrolanArt.h"

#include <math.h>
#include <stdio.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace art {

namespace {

const u32 ATLAS_WIDTH = 624;
const u32 ATLAS_HEIGHT = 573;
const u32 CELL_WIDTH = 39;
const u32 CELL_HEIGHT = 53;
const u32 ROW_PITCH = 104;
const u32 CELL_COLUMNS = 16;
// Columns of a cell that lie wholly inside its middle 57%: 0.2143 * 39 = 8.36 to 0.7857 * 39 = 30.64.
const s32 INK_FIRST_COLUMN = 9;
const s32 INK_LAST_COLUMN = 29;

struct Atlas {
    std::vector<u8> coverage; // ATLAS_WIDTH x ATLAS_HEIGHT, row 0 at the bottom
};

// Blends coverage into the cell of glyph `k` at (x, yFromTop) in cell pixels, keeping the ink in
// its allowed columns and rows.
void plotInCell(Atlas* atlas, u32 k, s32 x, s32 yFromTop, f32 coverage) {
    if (x < INK_FIRST_COLUMN || x > INK_LAST_COLUMN || yFromTop < 0 || yFromTop >= (s32)CELL_HEIGHT) return;
    u32 column = k % CELL_COLUMNS;
    u32 glyphRow = 5 - k / CELL_COLUMNS;
    u32 px = column * CELL_WIDTH + (u32)x;
    u32 py = glyphRow * ROW_PITCH + (CELL_HEIGHT - 1) - (u32)yFromTop;
    u8& texel = atlas->coverage[(size_t)py * ATLAS_WIDTH + px];
    u32 value = (u32)lroundf(clamp01(coverage) * 255.0f);
    if (value > texel) texel = (u8)value;
}

struct FontMetrics {
    f32 scale;
    s32 baselineFromTop;
};

FontMetrics measureFont(const stbtt_fontinfo* font) {
    s32 advance, leftBearing;
    stbtt_GetCodepointHMetrics(font, 'M', &advance, &leftBearing);
    FontMetrics metrics;
    // One advance fills the allowed ink columns exactly.
    metrics.scale = (f32)(INK_LAST_COLUMN - INK_FIRST_COLUMN + 1) / (f32)advance;
    s32 ascent, descent, lineGap;
    stbtt_GetFontVMetrics(font, &ascent, &descent, &lineGap);
    f32 height = (f32)(ascent - descent) * metrics.scale;
    metrics.baselineFromTop = (s32)lroundf(((f32)CELL_HEIGHT - height) * 0.5f + (f32)ascent * metrics.scale);
    return metrics;
}

void rasteriseGlyph(Atlas* atlas, const stbtt_fontinfo* font, FontMetrics metrics, u32 k, s32 codepoint) {
    s32 x0, y0, x1, y1;
    stbtt_GetCodepointBitmapBox(font, codepoint, metrics.scale, metrics.scale, &x0, &y0, &x1, &y1);
    s32 width = x1 - x0, height = y1 - y0;
    if (width <= 0 || height <= 0) return;
    std::vector<u8> bitmap((size_t)width * height);
    stbtt_MakeCodepointBitmap(font, bitmap.data(), width, height, width, metrics.scale, metrics.scale, codepoint);
    for (s32 y = 0; y < height; ++y) {
        for (s32 x = 0; x < width; ++x) {
            plotInCell(atlas, k, INK_FIRST_COLUMN + x0 + x, metrics.baselineFromTop + y0 + y,
                       bitmap[(size_t)y * width + x] / 255.0f);
        }
    }
}

// Whether (x, y) lies in the triangle with a tip at `tipX` pointing along `direction` (-1 left,
// +1 right) and a vertical base `length` away, centred on `centreY` with half height `halfHeight`.
bool insideArrowhead(f32 x, f32 y, f32 tipX, f32 direction, f32 length, f32 centreY, f32 halfHeight) {
    f32 along = (x - tipX) * -direction; // 0 at the tip, `length` at the base
    if (along < 0 || along > length) return false;
    return fabsf(y - centreY) <= halfHeight * along / length;
}

// Two arrowheads side by side: the rewind marker points left, its twin right.
void drawDoubleArrow(Atlas* atlas, u32 k, f32 direction, FontMetrics metrics) {
    const f32 left = (f32)INK_FIRST_COLUMN + 0.5f, right = (f32)INK_LAST_COLUMN + 0.5f;
    const f32 length = (right - left) * 0.5f;
    const f32 centreY = (f32)metrics.baselineFromTop - 11.0f;
    const f32 halfHeight = 9.0f;
    const u32 samples = 4;
    for (s32 y = 0; y < (s32)CELL_HEIGHT; ++y) {
        for (s32 x = INK_FIRST_COLUMN; x <= INK_LAST_COLUMN; ++x) {
            u32 hits = 0;
            for (u32 s = 0; s < samples * samples; ++s) {
                f32 sx = (f32)x + ((f32)(s % samples) + 0.5f) / samples;
                f32 sy = (f32)y + ((f32)(s / samples) + 0.5f) / samples;
                // Left-pointing tips sit at the left edge and the middle; right-pointing ones at
                // the middle and the right edge.
                f32 firstTip = direction < 0 ? left : left + length;
                f32 secondTip = firstTip + length;
                hits += insideArrowhead(sx, sy, firstTip, direction, length, centreY, halfHeight) ||
                        insideArrowhead(sx, sy, secondTip, direction, length, centreY, halfHeight);
            }
            plotInCell(atlas, k, x, y, (f32)hits / (samples * samples));
        }
    }
}

std::vector<u8> readWholeFile(const char* path) {
    std::vector<u8> bytes;
    FILE* file = fopen(path, "rb");
    if (!file) return bytes;
    u8 chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(file);
    return bytes;
}

} // namespace

bool addFontAtlas(pakbuild::PakContents* contents, const char* fontPath) {
    std::vector<u8> fontFile = readWholeFile(fontPath);
    stbtt_fontinfo font;
    if (fontFile.empty() || !stbtt_InitFont(&font, fontFile.data(), stbtt_GetFontOffsetForIndex(fontFile.data(), 0))) {
        fprintf(stderr, "pakbuild: cannot read the font %s\n", fontPath);
        return false;
    }
    FontMetrics metrics = measureFont(&font);
    Atlas atlas;
    atlas.coverage.assign((size_t)ATLAS_WIDTH * ATLAS_HEIGHT, 0);
    for (u32 k = 0; k < 94; ++k) rasteriseGlyph(&atlas, &font, metrics, k, (s32)(33 + k));
    drawDoubleArrow(&atlas, 94, -1, metrics);
    drawDoubleArrow(&atlas, 95, 1, metrics);

    pakbuild::PakImage image;
    image.name = "font_img";
    image.width = ATLAS_WIDTH;
    image.height = ATLAS_HEIGHT;
    image.pixels.resize(atlas.coverage.size());
    for (size_t i = 0; i < atlas.coverage.size(); ++i) image.pixels[i] = 0x00FFFFFFu | (u32)atlas.coverage[i] << 24;
    contents->textures.push_back(image);
    return true;
}

} // namespace art
