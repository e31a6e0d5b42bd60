#include "Game/HUDEntity.h"

#include <math.h>
#include <stdio.h>

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Game/PlayerEntity.h"
#include "Game/entityShared.h"
#include "Game/time.h"
#include "Math/mat3.h"
#include "Renderer/renderer.h"
#include "Util/string.h"

namespace game {

namespace hud_detail {

// The font atlas: a grid of 16 columns and 6 rows, filled in reading order from the top row. A
// cell is shorter than the row pitch; the rest of each row is empty.
constexpr u32 ATLAS_COLUMNS = 16;
constexpr u32 ATLAS_ROWS = 6;
constexpr u32 ATLAS_CELLS = 96;
constexpr f32 CELL_WIDTH = 0.0625f;
constexpr f32 CELL_HEIGHT = 0.0924956f;
constexpr f32 ROW_PITCH = 0.18150087f;
constexpr u8 SPACE_CODE = 32; // drawn as nothing: its cell is all zero
constexpr u8 FIRST_PRINTABLE = 33;
constexpr u32 PRINTABLE_CELLS = 94; // codes 33 to 126

// A glyph advances by its width over this and is drawn this much taller than its size.
constexpr f32 GLYPH_ADVANCE_DIVISOR = 1.75f;
constexpr f32 GLYPH_HEIGHT_RATIO = 53.0f / 39.0f;

// Screen layout, in normalised device coordinates.
constexpr ve::v2 CLOCK_POSITION = {-0.95f, 0.9f};
constexpr ve::v2 CLOCK_GLYPH = {0.07f, 0.07f};
constexpr ve::v2 CROSSHAIR_POSITION = {0.0f, 0.0f};
constexpr ve::v2 STATUS_POSITION = {-0.95f, -0.9f};
constexpr ve::v2 SCENE_NAME_POSITION = {0.7f, -0.9f};
constexpr ve::v2 SMALL_GLYPH = {0.04f, 0.04f};

constexpr const c8* PLAYER_ENTITY_NAME = "Player";
// How much larger than the line's glyphs its backing plate is, as a share of a glyph.
constexpr f32 BACKING_MARGIN = 0.2f;
constexpr const c8* TIMESHIELD_ACTIVE = "Timeshield Active";
constexpr const c8* TIMESHIELD_INACTIVE = "Timeshield Inactive";

u8 cellCode(u32 cell) {
    if (cell < PRINTABLE_CELLS) return (u8)(FIRST_PRINTABLE + cell);
    return (u8)(REWIND_MARKER_CODE + (cell - PRINTABLE_CELLS));
}

void fillGlyphTable(HUDEntity* hud) {
    for (u32 cell = 0; cell < ATLAS_CELLS; cell++) {
        u32 column = cell % ATLAS_COLUMNS;
        u32 row = (ATLAS_ROWS - 1) - cell / ATLAS_COLUMNS;
        ve::mat2* entry = &hud->characterPositions[cellCode(cell)];
        entry->col1 = {CELL_WIDTH, CELL_HEIGHT};
        entry->col2 = {CELL_WIDTH * (f32)column, ROW_PITCH * (f32)row};
    }
}

// Whole seconds of a time, held inside the range of s32 so that the conversion is defined for
// every float (a NaN counts as 0).
s32 wholeSeconds(f32 seconds) {
    constexpr f32 LIMIT = 2147483520.0f; // the largest f32 below 2^31
    if (isnan(seconds)) return 0;
    if (seconds > LIMIT) return (s32)LIMIT;
    if (seconds < -LIMIT) return -(s32)LIMIT;
    return (s32)seconds;
}

c8 clockMarker(f32 time, b8 rewinding) {
    s32 t = wholeSeconds(time);
    if (rewinding) return (t % 2 != 0) ? (c8)REWIND_MARKER_CODE : ' ';
    return (wholeSeconds(2.0f * time) % 3 == 0) ? ' ' : '>';
}

void writeASCIIZ(const c8* text, ve::v2 position, ve::v2 scale, HUDEntity* hud) {
    writeBackedText((c8*)text, (u32)ve::countASCIIZWithoutNull(text), position, scale, hud);
}

} // namespace hud_detail

ve::mat2 glyphCell(HUDEntity* entity, u8 code) {
    if (code >= GLYPH_TABLE_SIZE) return {};
    return entity->characterPositions[code];
}

f32 glyphAdvance(ve::v2 scale) { return scale.x / hud_detail::GLYPH_ADVANCE_DIVISOR; }

ve::v3 glyphDrawScale(ve::v2 scale) { return {scale.x, scale.y * hud_detail::GLYPH_HEIGHT_RATIO, 0.0f}; }

u32 formatClock(f32 time, b8 rewinding, c8* out) {
    s32 t = hud_detail::wholeSeconds(time);
    s32 written = snprintf(out, CLOCK_BUFFER_SIZE, "%02d:%02d:%02d %c", t / 3600, (t / 60) % 60, t % 60,
                           hud_detail::clockMarker(time, rewinding));
    if (written < 0) return 0;
    return (u32)written < CLOCK_DRAWN_LENGTH ? (u32)written : CLOCK_DRAWN_LENGTH;
}

void writeText(c8* text, u32 textLen, ve::v2 startPosition, ve::v2 scale, HUDEntity* entity) {
    ve::Texture* font = findTexture(HUD_ASSETS.textures[0]);
    if (!font) return;
    // HUD elements never read their emission: a missing one is passed on as null.
    ve::Texture* black = ve::getTexture(ve::assets, ve::hashASCIIZ(HUD_ASSETS.textures[1]));
    ve::RenderFrame* frame = &ve::renderer->frame;
    for (u32 i = 0; i < textLen; i++) {
        ve::mat2 cell = glyphCell(entity, (u8)text[i]);
        ve::v3 position = {startPosition.x + (f32)i * glyphAdvance(scale), startPosition.y, 0.0f};
        frame->hudElement(position, ve::iMat3(), glyphDrawScale(scale), font, black, cell.col1, cell.col2,
                          NO_OUTLINE);
    }
}

void writeBackedText(c8* text, u32 textLen, ve::v2 startPosition, ve::v2 scale, HUDEntity* entity) {
    // Without the font there is no text to back (writeText reports it); a pack without the plate
    // leaves the text bare, silently.
    ve::Texture* backing = ve::getTexture(ve::assets, ve::hashASCIIZ(HUD_ASSETS.textures[2]));
    if (backing && textLen && ve::getTexture(ve::assets, ve::hashASCIIZ(HUD_ASSETS.textures[0]))) {
        // The glyph quads are centred on their positions; the plate reaches half a glyph past
        // the first and the last, and a little above and below.
        ve::v3 glyph = glyphDrawScale(scale);
        f32 width = (f32)(textLen - 1) * glyphAdvance(scale) + glyph.x * (1.0f + hud_detail::BACKING_MARGIN);
        ve::v3 centre = {startPosition.x + (f32)(textLen - 1) * glyphAdvance(scale) * 0.5f, startPosition.y, 0.0f};
        ve::v3 size = {width, glyph.y * (1.0f + hud_detail::BACKING_MARGIN), 0.0f};
        ve::renderer->frame.hudElement(centre, ve::iMat3(), size, backing, nullptr, UV_SCALE_ONCE, UV_OFFSET_NONE,
                                       NO_OUTLINE);
    }
    writeText(text, textLen, startPosition, scale, entity);
}

// =============================================================================================
// Entity functions
// =============================================================================================

void initHUDEntity(HUDEntity* hud) {
    hud_detail::fillGlyphTable(hud);
    hud->time = 0.0f;
    hud->characterPositions[hud_detail::SPACE_CODE] = {};
    ve::addTimeVar(&hud->time);
    // Without a player there is nobody to shield: the line then reads "Timeshield Inactive".
    PlayerEntity* player =
        (PlayerEntity*)getNamedEntityData(hud_detail::PLAYER_ENTITY_NAME, ve::MetaType::game_PlayerEntity);
    hud->timeShield = player ? !player->timeDependent : 0;
}

void updateHUDEntity(HUDEntity* hud) {
    // During a rewind the history runs the clock back with everything else.
    if (ve::engineState->thisFrame.rewinding) return;
    hud->time = (f32)((f64)hud->time + ve::input->deltaTime);
}

void renderHUDEntity(HUDEntity* hud) {
    c8 clock[CLOCK_BUFFER_SIZE];
    u32 clockLength = formatClock(hud->time, ve::engineState->thisFrame.rewinding, clock);
    writeBackedText(clock, clockLength, hud_detail::CLOCK_POSITION, hud_detail::CLOCK_GLYPH, hud);
    c8 crosshair = '+';
    writeText(&crosshair, 1, hud_detail::CROSSHAIR_POSITION, hud_detail::CLOCK_GLYPH, hud);
    hud_detail::writeASCIIZ(hud->timeShield ? hud_detail::TIMESHIELD_ACTIVE : hud_detail::TIMESHIELD_INACTIVE,
                            hud_detail::STATUS_POSITION, hud_detail::SMALL_GLYPH, hud);
    string sceneName = ve::engineState->currentScene.name;
    writeBackedText((c8*)sceneName.data, (u32)sceneName.length, hud_detail::SCENE_NAME_POSITION,
                    hud_detail::SMALL_GLYPH, hud);
}

} // namespace game
