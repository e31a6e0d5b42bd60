#pragma once
// The pressure plate entity: a power source pressed by the player or a cube. `powered` must stay
// right after the body options: cables read it there.

#include "Core/Scene/sceneDef.h"
#include "Physics/physics.h"

namespace game {

struct PressurePlateEntity {
    ve::BodyOpts bodyOpts;
    b8 powered;
    ve::EntityRef player;
    ve::EntityRef cube1;
    ve::EntityRef cube2;
    ve::EntityRef cube3;
    ve::EntityRef cube4;
    b8 timeDependent;
};

} // namespace game
