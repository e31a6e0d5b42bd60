#pragma once
// The elevator entity: the exit of a level and the owner of the restart key.

#include "Core/Scene/sceneDef.h"
#include "Physics/physics.h"

namespace game {

struct ElevatorEntity {
    ve::BodyOpts bodyOpts;
    ve::EntityRef cableEntity;
    ve::EntityRef playerEntity;
    b8* power; // the cable's source flag, bound by init
};

} // namespace game
