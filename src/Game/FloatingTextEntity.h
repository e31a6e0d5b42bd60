#pragma once
// The floating text entity: a text of the level drawn with the HUD's bitmap font into an
// off-screen colour buffer of its own, shown as a camera-facing billboard at its position.

#include "Core/Scene/sceneDef.h"
#include "Game/HUDEntity.h"
#include "Math/v2.h"
#include "Math/v3.h"

namespace game {

struct FloatingTextEntity {
    ve::v3 position;        // centre of the billboard in the world
    ve::EntityRef hudEntity; // the HUD whose glyph table is used
    string text;            // one glyph per byte; a line feed starts a new line
    u32 fbo;                // off-screen frame buffer, from init; 0: none could be had
    u32 colorBuf;           // its colour texture, from init
    f32 size;               // width of the billboard; its height keeps the window's aspect
};

void initFloatingTextEntity(FloatingTextEntity* text);
// Pushes the billboard every frame; the glyphs only in the frames in which the buffer does not
// show the text yet: after init, and when the text's bytes or the HUD's glyph table change.
void renderFloatingTextEntity(FloatingTextEntity* text);

// Clears the text's colour buffer and pushes its glyphs into it, with the glyph table of `hud`.
void drawTextIntoBuffer(FloatingTextEntity* text, HUDEntity* hud);

// One glyph quad per byte of `text` into the colour buffer of `floatingTextEntity`, starting at
// `startPosition` in the buffer's normalised device coordinates; each line feed starts a line
// twice the glyph height lower. `entity` is a copy of the HUD whose glyph table is used.
void writeTextToBuff(string text, ve::v2 startPosition, ve::v2 scale, FloatingTextEntity* floatingTextEntity,
                     HUDEntity entity);

} // namespace game
