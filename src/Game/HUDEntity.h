#pragma once
// The HUD entity: the clock, the crosshair, the Timeshield line and the scene's name on screen,
// placed directly in normalised device coordinates. It owns the glyph table of the bitmap font
// "font_img", which the floating text borrows.

#include "Math/mat2.h"
#include "Math/v2.h"
#include "Math/v3.h"

namespace game {

// The glyph table covers codes 0 to 199. Texts may hold other bytes (UTF-8 in a scene name or a
// text typed in the editor): those are drawn blank, never read past the table.
constexpr u32 GLYPH_TABLE_SIZE = 200;

struct HUDEntity {
    f32 time;                                        // the clock in seconds; rewound with the world
    ve::mat2 characterPositions[GLYPH_TABLE_SIZE];   // col1: the cell's uv size, col2: its uv corner
    b8 timeShield;                                   // the player is outside the rewind
};

// The rewind marker's glyph, the first of the font's two cells beyond ASCII.
constexpr u8 REWIND_MARKER_CODE = 174;
// The clock text is drawn up to this many bytes: "hh:mm:ss m".
constexpr u32 CLOCK_DRAWN_LENGTH = 10;
// Room for the clock of any time, the longest signed 32-bit fields included.
constexpr u32 CLOCK_BUFFER_SIZE = 48;

void initHUDEntity(HUDEntity* hud);
void updateHUDEntity(HUDEntity* hud);
void renderHUDEntity(HUDEntity* hud);

// One screen-space glyph quad per byte of `text`, left to right from `startPosition`, each of
// glyph size `scale`, with the glyph table of `entity`. No line breaks: a line feed is a glyph too.
void writeText(c8* text, u32 textLen, ve::v2 startPosition, ve::v2 scale, HUDEntity* entity);

// writeText over a dark, mostly opaque plate that spans the line: drawn on top of the world,
// the HUD would otherwise let whatever the world shows there (a floating hint, whose text is laid
// out like the clock) read through the gaps between its strokes.
void writeBackedText(c8* text, u32 textLen, ve::v2 startPosition, ve::v2 scale, HUDEntity* entity);

// The table entry of `code`: blank (all zero) for codes outside the table.
ve::mat2 glyphCell(HUDEntity* entity, u8 code);
// A glyph of size `scale` moves the next one this far to the right...
f32 glyphAdvance(ve::v2 scale);
// ... and is drawn this large: the font's cells are taller than wide.
ve::v3 glyphDrawScale(ve::v2 scale);

// The clock text "hh:mm:ss m" of `time` seconds, with the marker m that blinks every second while
// `rewinding`, else shows ' ' for half a second and '>' for a second in turn. Written with a bound
// into `out` (CLOCK_BUFFER_SIZE bytes), also for huge, negative or non-finite times; returns the
// number of bytes to draw, at most CLOCK_DRAWN_LENGTH.
u32 formatClock(f32 time, b8 rewinding, c8* out);

} // namespace game
