#pragma once
// The barrier entity: an energy wall that a powered cable switches off.

#include "Core/Scene/sceneDef.h"
#include "Physics/physics.h"

namespace game {

struct BarrierEntity {
    ve::BodyOpts bodyOpts;
    ve::EntityRef cableEntity;
    b8 power;
};

} // namespace game
