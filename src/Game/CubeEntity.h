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

// Builds the body and, when time-dependent, registers it with the time history.
void initCubeEntity(CubeEntity* cube);
// Picking up and dropping with E, dropping when a rewind starts, and carrying in front of the eye.
void updateCubeEntity(CubeEntity* cube);
// The snap to the carry point during a rewind, then the cube's mesh with its rewind outline.
void renderCubeEntity(CubeEntity* cube);

} // namespace game
