#pragma once
// The cube entity: a box the player can carry onto plates.

#include "Core/Scene/sceneDef.h"
#include "Math/v3.h"
#include "Physics/physics.h"

namespace game {

struct CubeEntity {
    ve::BodyOpts bodyOpts;
    ve::v3 drawScale;     // scale of the drawn mesh
    b8 timeDependent;     // rewound with time; otherwise drawn with the teal outline
    ve::EntityRef player; // the player that carries it
    b8 attached;          // being carried: live state that init does not reset
};

} // namespace game
