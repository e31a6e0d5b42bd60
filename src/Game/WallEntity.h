#pragma once
// The wall entity: the level geometry as the colliders of one static body.

#include "Physics/physics.h"

namespace game {

struct WallEntity {
    ve::BodyOpts bodyOpts;
};

} // namespace game
