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

// The record of what the buffer `fbo` shows, taken for it the first time; null when all are taken.
ve::DrawnText* findDrawnText(u32 fbo) {
    ve::FloatingTextState* state = &ve::engineState->floatingTexts;
    for (u32 i = 0; i < state->drawnTextCount; ++i) {
        if (state->drawnTexts[i].fbo == fbo) return &state->drawnTexts[i];
    }
    if (state->drawnTextCount == ve::MAX_DRAWN_TEXTS) return nullptr;
    state->drawnTexts[state->drawnTextCount] = {fbo, 0, {}};
    return &state->drawnTexts[state->drawnTextCount++];
}

// Whether the buffer shows the text whose bytes hash to `text`, drawn with the glyph table as it is.
b8 showsCurrentText(const ve::DrawnText* drawn, ve::Hash text) {
    return drawn && drawn->glyphTableGeneration != 0 &&
           drawn->glyphTableGeneration == ve::engineState->floatingTexts.glyphTableGeneration && drawn->text == text;
}

void forgetDrawnText(u32 fbo) {
    ve::DrawnText* drawn = findDrawnText(fbo);
    if (drawn) drawn->glyphTableGeneration = 0;
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
    ve::DrawnText* drawn = floating_text_detail::findDrawnText(text->fbo);
    ve::Hash textBytes = ve::hashString(text->text);
    if (!floating_text_detail::showsCurrentText(drawn, textBytes)) {
        drawTextIntoBuffer(text, hud);
        if (drawn) *drawn = {text->fbo, ve::engineState->floatingTexts.glyphTableGeneration, textBytes};
    }
    ve::v3 billboardScale = {text->size, text->size * floating_text_detail::BILLBOARD_HEIGHT_RATIO, 1.0f};
    ve::renderer->frame.transQuad(text->position, ve::iMat3(), billboardScale, black, black, UV_SCALE_ONCE,
                                  UV_OFFSET_NONE, NO_OUTLINE, 0, text->colorBuf);
}

} // namespace game
