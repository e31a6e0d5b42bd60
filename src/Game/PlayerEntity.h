#pragma once
// The player entity: the first-person body and its camera.

#include "Physics/physics.h"
#include "Renderer/renderInstances.h"

namespace game {

struct PlayerEntity {
    ve::BodyOpts bodyOpts;
    ve::Camera cam;
    f32 walkSpeed;
    f32 cap;
    b8 timeDependent; // false: the Timeshield keeps the player out of the rewind
};

} // namespace game
