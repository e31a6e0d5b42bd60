#pragma once
// The time history's operations on the engine state: emptying it when a scene is initialised,
// the recording step of a physics tick and the rewind step that replaces the physics step while
// SPACE is held. Registering variables comes with the physics glue and the game's entities.

#include "Game/timeDef.h"

namespace ve {

// Empties the history and forgets every registered variable, so that registering is open again.
// `timeSaveDelay` is kept.
void reloadTimeTracking();

// The recording step: counts ticks and, on every `timeSaveDelayConst`-th one, copies every
// registered variable into the next snapshot. A full history takes nothing more.
void saveTimeVars();

// The rewind step: pops the newest snapshot and writes it back through the registered pointers.
// With an empty history nothing changes.
void stepBack();

} // namespace ve
