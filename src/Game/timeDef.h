#pragma once
// The records of the time history: one snapshot of every registered variable, and the table of
// registered variables. The history itself (300,000 snapshots) lives inside the engine state.

#include "Platform/machineDef.h"

namespace ve {

// Slots per snapshot. Registering stops one short of each (see time.h), so the last float and
// the last boolean slot are never written.
constexpr u32 TIME_FLOAT_SLOTS = 130;
constexpr u32 TIME_INT_SLOTS = 10;
constexpr u32 TIME_BOOL_SLOTS = 5;
// Snapshots in the history. With a tick of 1/60 s and one snapshot every second tick this is
// 10,000 seconds of play.
constexpr u32 TIME_HISTORY_LENGTH = 300000;
// Bodies whose pose and velocities are recorded, per scene.
constexpr u32 TIMED_BODY_SLOTS = 7;

// One snapshot: the values of the registered variables, in registration order.
struct pastTimeStamp {
    f32 floats[TIME_FLOAT_SLOTS];
    u32 ints[TIME_INT_SLOTS];
    b8 bools[TIME_BOOL_SLOTS];
};

// The registered variables: where each snapshot slot is read from and written back to.
struct saveThis {
    f32* floats[TIME_FLOAT_SLOTS];
    u32 floatCount;
    u32* ints[TIME_INT_SLOTS];
    u32 intCount;
    b8* bools[TIME_BOOL_SLOTS];
    u32 boolCount;
};

} // namespace ve
