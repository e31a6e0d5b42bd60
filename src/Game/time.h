#pragma once
// The time history: variables that time governs are registered while a scene initialises, the
// recording step of a physics tick copies them into the next snapshot, and while SPACE is held the
// rewind step writes the newest snapshot back instead of stepping the physics. The records live
// in timeDef.h and the history inside the engine state; the hand-back of rewound bodies to the
// physics library is `updateObject` in the physics glue.

#include "Game/timeDef.h"

namespace ve {

// Registering stops one short of the slots a snapshot has: at most 129 floats and 4 booleans.
constexpr u32 TIME_FLOAT_LIMIT = TIME_FLOAT_SLOTS - 1;
constexpr u32 TIME_BOOL_LIMIT = TIME_BOOL_SLOTS - 1;

// Empties the history and forgets every registered variable, so that registering is open again.
// `timeSaveDelay` is kept. Every scene initialisation calls it before the entities' init.
void reloadTimeTracking();

// Registers a variable for the rewind. Accepted only while the history is empty and a slot is
// free; otherwise nothing happens and nothing is reported (an entity created once the recording
// has begun takes no part in the rewind).
void addTimeVar(f32* f);
void addTimeVar(b8* b);

// The recording step: counts ticks and, on every `timeSaveDelayConst`-th one, copies every
// registered variable into the next snapshot. A full history takes nothing more and keeps its
// tick count, so every later tick lands there too; the physics runs on.
void saveTimeVars();

// The rewind step: pops the newest snapshot and writes it back through the registered pointers;
// with an empty history the world stands still. Either way the force and torque that this tick's
// entity updates applied to the bodies are dropped: no step runs to consume them, and piled up
// over a long rewind they would all act in the first step after it.
void stepBack();

} // namespace ve
