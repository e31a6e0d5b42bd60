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

// Builds the body, turns the stored camera (`cam.dir` holds a point to look at) into a live one and,
// when time-dependent, registers the body with the time history.
void initPlayerEntity(PlayerEntity* player);
// Mouse look, walking with W, A, S, D, the horizontal speed cap, and the camera moved to the body.
void updatePlayerEntity(PlayerEntity* player);
// The player's light and the frame's camera.
void renderPlayerEntity(PlayerEntity* player);

// The sum of the horizontal unit directions, on the view of `cam`, of the walking keys held (or
// tapped) in this frame: W ahead, S back, D right, A left. Zero when none is held or they cancel.
ve::v3 walkDirection(const ve::Camera* cam);
// The camera at `pos` looking at the point `lookTarget`, with the game's projection.
void createFPSCam(ve::Camera* cam, ve::v3 pos, ve::v3 lookTarget);
// Turns the camera by this frame's mouse motion; `speed` divides the motion (pixels per degree).
void fpsCamUpdate(ve::Camera* cam, f32 speed);

} // namespace game
