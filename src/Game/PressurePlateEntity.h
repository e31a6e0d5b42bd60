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

// Half the side of the square, in x and in z, around the plate's stored position that a body
// must stand over (strictly inside) to press it. Height is not compared.
constexpr f32 PLATE_HALF_WIDTH = 1.0f;

// Forces the plate's body to collide with nothing and to be static, then builds it; a
// time-dependent plate has `powered` recorded with the world.
void initPressurePlateEntity(PressurePlateEntity* plate);
// `powered` anew from where the player's and the cubes' bodies are now.
void updatePressurePlateEntity(PressurePlateEntity* plate);
// The plate mesh at its stored pose, glowing gold while powered.
void renderPressurePlateEntity(PressurePlateEntity* plate);

} // namespace game
