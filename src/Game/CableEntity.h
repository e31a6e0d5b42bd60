#pragma once
// The cable entity: carries a source's power flag to the consumers that name it.

#include "Core/Scene/sceneDef.h"
#include "Math/v3.h"
#include "Physics/physics.h"

namespace game {

struct CableEntity {
    ve::BodyOpts bodyOpts; // the cable's segments as colliders
    ve::EntityRef button;  // the signal source
    b8* on;                // the source's powered flag, bound by init
    ve::v3 connectTo;      // the far end
};

// The generated strip: segment centres STEP apart, the first FIRST_OFFSET from the start of its
// run; a run goes on while more than MIN_REMAINING is left; the strip lies HEIGHT_OFFSET above
// the source. A segment box is SEGMENT_SIZE before its transform (drawn as a quad twice that).
constexpr f32 CABLE_SEGMENT_STEP = 2.0f;
constexpr f32 CABLE_FIRST_OFFSET = 1.2f;
constexpr f64 CABLE_MIN_REMAINING = 1.6;
constexpr f32 CABLE_HEIGHT_OFFSET = 0.02f;
constexpr ve::v3 CABLE_SEGMENT_SIZE = {0.2f, 1.0f, 1.0f};
// At most this many segments are generated for one cable (a strip of about two kilometres); a
// damaged `connectTo` far away would otherwise ask for more than any scene heap holds.
constexpr u32 MAX_CABLE_SEGMENTS = 1024;
// The axis indices of the two runs: first along x, then along z.
constexpr u32 CABLE_X_RUN = 0;
constexpr u32 CABLE_Z_RUN = 2;

// Binds `on` to the source's `powered` flag (null when `button` names no source, and then no body
// is built), generates the segments when the level stores none, and builds a static body that
// collides with nothing.
void initCableEntity(CableEntity* cable);
// One flat quad per segment, glowing while the source is powered.
void renderCableEntity(CableEntity* cable);

// The segments from `source` towards `connectTo`: an x run, then a z run, into the current scene's
// data heap; sets the options' colliders and their count. None when the heap has no room.
void generateCableSegments(ve::BodyOpts* opts, ve::v3 source, ve::v3 connectTo);
// The same segments into `out`, at most `room` of them (cableSegmentRoom); returns their count.
u32 layGeneratedSegments(ve::v3 source, ve::v3 connectTo, ve::Primitive* out, u32 room);
// Room for the generated segments of a strip spanning `distance`, held to MAX_CABLE_SEGMENTS.
u32 cableSegmentRoom(ve::v3 distance);

// One segment: a flat box centred at `centre`, running along `axis` (CABLE_X_RUN or CABLE_Z_RUN)
// towards `sign` (+1 or -1), `halfLength` from its centre to either end.
ve::Primitive cableSegment(ve::v3 centre, u32 axis, f32 sign, f32 halfLength);
// Where a strip of `count` segments ends: the far end of its last one; `start` when it has none.
ve::v3 cableStripEnd(const ve::Primitive* segments, u32 count, ve::v3 start);

} // namespace game
