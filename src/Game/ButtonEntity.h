#pragma once
// The button entity: a power source switched with E. `powered` must stay right after the body
// options: cables read it there.

#include "Core/Scene/sceneDef.h"
#include "Math/v3.h"
#include "Physics/physics.h"

namespace game {

struct ButtonEntity {
    ve::BodyOpts bodyOpts;
    b8 powered;
    ve::EntityRef player;
    ve::v3 drawScale;
    b8 timeDependent;
};

} // namespace game
