#pragma once
// The HUD entity: the clock and the Timeshield line on screen.

#include "Math/mat2.h"

namespace game {

struct HUDEntity {
    f32 time;                           // the clock in seconds
    ve::mat2 characterPositions[200];   // glyph table by character code, built by init
    b8 timeShield;                      // the player is outside the rewind
};

} // namespace game
