#pragma once
// The light entity: a lamp mesh with a point light at its body.

#include "Physics/physics.h"

namespace game {

struct LightEntity {
    ve::BodyOpts bodyOpts;
};

// Builds the lamp's body, whose pose places the mesh and the light.
void initLightEntity(LightEntity* light);
// The lamp mesh and one point light at the live body.
void renderLightEntity(LightEntity* light);

} // namespace game
