#pragma once
// The wall entity: the level geometry as the colliders of one static body.

#include "Physics/physics.h"

namespace game {

struct WallEntity {
    ve::BodyOpts bodyOpts;
};

// The most colliders of one wall that are drawn; the rest of a larger wall is not drawn.
constexpr u32 WALL_MAX_DRAWN_COLLIDERS = 100;

// Builds the wall's static body from its colliders.
void initWallEntity(WallEntity* wall);
// One ground-textured quad per collider of the live body, newest collider first: each box's local
// x-y section through its centre, the texture repeating once per 2 units.
void renderWallEntity(WallEntity* wall);

} // namespace game
