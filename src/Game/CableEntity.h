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

} // namespace game
