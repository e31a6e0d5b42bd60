#pragma once
// The light entity: a lamp mesh with a point light at its body.

#include "Physics/physics.h"

namespace game {

struct LightEntity {
    ve::BodyOpts bodyOpts;
};

} // namespace game
