#pragma once
// The barrier entity: an energy wall that stands while its cable carries power.

#include "Core/Scene/sceneDef.h"
#include "Math/v2.h"
#include "Physics/physics.h"

namespace game {

struct BarrierEntity {
    ve::BodyOpts bodyOpts;
    ve::EntityRef cableEntity;
    b8 power;
};

// Boxes a barrier draws at most; any beyond are left undrawn.
constexpr u32 BARRIER_MAX_BOXES = 10;
// The energy texture slides by one width per this many recorded snapshots.
constexpr f32 BARRIER_SCROLL_DIVISOR = 200.0f;

// Builds the body and starts the barrier up and solid.
void initBarrierEntity(BarrierEntity* barrier);
// `power` follows the cable's source; the body's collision follows `power`.
void updateBarrierEntity(BarrierEntity* barrier);
// While up, one scrolling energy quad per box of the live body.
void renderBarrierEntity(BarrierEntity* barrier);
// Switches the barrier: all collision layers when it had none, none otherwise; `power` flips.
void togglePowered(BarrierEntity* barrier);
// The energy texture's offset along u after `snapshots` recorded snapshots.
ve::v2 barrierScroll(u32 snapshots);

} // namespace game
