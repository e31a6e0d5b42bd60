#include "Game/FloatingTextEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Math/mat3.h"
#include "Meta/introspectionDef.h"
#include "Renderer/renderer.h"

namespace game {

namespace floating_text_detail {

constexpr u8 LINE_FEED = 10;

// The text's layout inside its buffer, which has the window's size and aspect.
constexpr ve::v2 TEXT_START = {-0.95f, 0.9f};
constexpr ve::v2 TEXT_GLYPH = {0.07f, 0.07f};
constexpr f32 BILLBOARD_HEIGHT_RATIO = 900.0f / 1440.0f;
constexpr ve::v4 TRANSPARENT_BLACK = {0.0f, 0.0f, 0.0f, 0.0f};

// A float from the renderer's colour-buffer pair back to a GL name: through s64, low 32 bits kept.
u32 glName(f32 value) { return (u32)(s64)value; }

// What each colour buffer shows, by its frame buffer: a hash of the text's bytes and of the glyph
// table they were drawn with. The glyphs stay in the buffer from frame to frame and are drawn
// again only when either changes, or when init is handed the buffer anew (a buffer released with
// its scene and reused). A buffer beyond the table's room is drawn every frame.
struct DrawnText {
    u32 fbo;
    b8 drawn;
    ve::Hash content;
};
constexpr u32 MAX_DRAWN_TEXTS = 64;
DrawnText drawnTexts[MAX_DRAWN_TEXTS];
u32 drawnTextCount;

DrawnText* findDrawnText(u32 fbo) {
    for (u32 i = 0; i < drawnTextCount; ++i) {
        if (drawnTexts[i].fbo == fbo) return &drawnTexts[i];
    }
    if (drawnTextCount == MAX_DRAWN_TEXTS) return nullptr;
    drawnTexts[drawnTextCount] = {fbo, 0, {}};
    return &drawnTexts[drawnTextCount++];
}

ve::Hash contentOf(string text, HUDEntity* hud) {
    ve::Hash bytes = ve::hashString(text);
    ve::Hash glyphs = ve::hashBuffer(buffer{sizeof(hud->characterPositions), (u8*)hud->characterPositions});
    ve::Hash content = {};
    content.lo = bytes.lo ^ glyphs.lo;
    content.hi = bytes.hi ^ glyphs.hi;
    return content;
}

// True when the buffer does not show `content` yet; it is then taken to show it from this frame on.
b8 needsDrawing(u32 fbo, ve::Hash content) {
    DrawnText* drawn = findDrawnText(fbo);
    if (!drawn) return 1;
    if (drawn->drawn && drawn->content == content) return 0;
    drawn->drawn = 1;
    drawn->content = content;
    return 1;
}

void forgetDrawnText(u32 fbo) {
    DrawnText* drawn = findDrawnText(fbo);
    if (drawn) drawn->drawn = 0;
}

} // namespace floating_text_detail

void writeTextToBuff(string text, ve::v2 startPosition, ve::v2 scale, FloatingTextEntity* floatingTextEntity,
                     HUDEntity entity) {
    ve::Texture* font = findTexture(FLOATING_TEXT_ASSETS.textures[0]);
    if (!font) return;
    ve::RenderFrame* frame = &ve::renderer->frame;
    s32 line = 0;
    msi lineStart = 0;
    for (msi i = 0; i < text.length; i++) {
        u8 code = text.data[i];
        f32 along = 0.0f;
        // The line feed itself is drawn as the first glyph of the new line, so the characters
        // after it begin one advance in.
        if (code == floating_text_detail::LINE_FEED) {
            lineStart = i;
            line--;
        } else {
            along = (f32)(i - lineStart) * glyphAdvance(scale);
        }
        ve::v3 position = {startPosition.x + along, startPosition.y + (f32)line * 2.0f * scale.y, 0.0f};
        ve::mat2 cell = glyphCell(&entity, code);
        frame->transQuad(position, ve::iMat3(), glyphDrawScale(scale), font, font, cell.col1, cell.col2, NO_OUTLINE,
                         floatingTextEntity->fbo, 0);
    }
}

// =============================================================================================
// Entity functions
// =============================================================================================

void initFloatingTextEntity(FloatingTextEntity* text) {
    ve::v2 target = ve::renderer->createColorBuffer();
    text->fbo = floating_text_detail::glName(target.x);
    text->colorBuf = floating_text_detail::glName(target.y);
    floating_text_detail::forgetDrawnText(text->fbo);
}

void drawTextIntoBuffer(FloatingTextEntity* text, HUDEntity* hud) {
    ve::renderer->clearColorBuffer(text->fbo, floating_text_detail::TRANSPARENT_BLACK);
    writeTextToBuff(text->text, floating_text_detail::TEXT_START, floating_text_detail::TEXT_GLYPH, text, *hud);
}

void renderFloatingTextEntity(FloatingTextEntity* text) {
    HUDEntity* hud = (HUDEntity*)getEntityData(text->hudEntity, ve::MetaType::game_HUDEntity);
    if (!hud) return;
    // Without a buffer of its own the glyphs would land among the world's transparent quads at
    // screen coordinates: nothing is drawn instead.
    if (!text->fbo) return;
    ve::Texture* black = findTexture(FLOATING_TEXT_ASSETS.textures[1]);
    if (!black) return;
    if (floating_text_detail::needsDrawing(text->fbo, floating_text_detail::contentOf(text->text, hud))) {
        drawTextIntoBuffer(text, hud);
    }
    ve::v3 billboardScale = {text->size, text->size * floating_text_detail::BILLBOARD_HEIGHT_RATIO, 1.0f};
    ve::renderer->frame.transQuad(text->position, ve::iMat3(), billboardScale, black, black, UV_SCALE_ONCE,
                                  UV_OFFSET_NONE, NO_OUTLINE, 0, text->colorBuf);
}

} // namespace game
