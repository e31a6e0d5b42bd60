#include "Game/CubeEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Game/PlayerEntity.h"

namespace game {

// How far along the line of sight a cube can be picked up.
constexpr f32 CUBE_REACH = 3.0f;
// A carried cube is pulled toward this many units ahead of the eye.
constexpr f32 CARRY_DISTANCE = 2.0f;
// A carried cube closes its distance to the carry point over this time, in seconds.
constexpr f32 CARRY_CATCH_UP_TIME = 0.1f;
// A carried cube moves at most at the speed that crosses this share of the contact solver's slop
// in one tick, so that a cube it meets stops it within the slop: the rest of the slop takes what
// the step adds (gravity, the turning of both cubes, a contact's bounce followed by the next push).
constexpr f32 CARRY_SLOP_SHARE = 0.85f;

namespace cube {

ve::v3 carryPoint(const PlayerEntity* player) { return player->cam.pos + CARRY_DISTANCE * player->cam.dir; }

// The cube's velocity becomes the one that closes its distance to the carry point over the
// catch-up time, no faster than the bound above. A pull that grew with the distance (a spring)
// flung the cube at ten metres a second when the view swung within one tick, as it does at a few
// frames a second, and pressed it twenty centimetres into a cube below the carry point. Set once
// per physics step, not per frame: the world moves at most one tick a frame.
void carry(CubeEntity* cube, const PlayerEntity* player) {
    if (!ve::engineState->thisFrame.stepsPhysics) return;
    u32 body = cube->bodyOpts.physicsBody;
    ve::v3 velocity = (carryPoint(player) - getLivePose(body).position) / CARRY_CATCH_UP_TIME;
    f32 fastest = CARRY_SLOP_SHARE * ve::slopCrossingSpeed(ve::input->physicsDelta);
    f32 speed = ve::len(velocity);
    if (speed > fastest) velocity = velocity * (fastest / speed);
    ve::setLinearVelocity(body, velocity);
}

} // namespace cube

void initCubeEntity(CubeEntity* cube) {
    ve::createBody(ve::engineState->scene, &cube->bodyOpts);
    if (cube->timeDependent) ve::addTimeVars(cube->bodyOpts.physicsBody);
}

void updateCubeEntity(CubeEntity* cube) {
    PlayerEntity* player = getPlayer(cube->player);
    ve::GameInput::Keyboard* keys = &ve::input->keyboard;
    // A rewind starts by dropping the cube, whether or not the player is found.
    if (ve::engineState->thisFrame.rewindStarts) cube->attached = false;
    if (!player) return;
    // After a SPACE drop in this frame, E can pick the cube up again at once.
    if (!cube->attached && keys->E.wentDown && isPlayerLookingAt(player, cube->bodyOpts.physicsBody, CUBE_REACH))
        cube->attached = true;
    else if (cube->attached && keys->E.wentDown)
        cube->attached = false;
    if (cube->attached) cube::carry(cube, player);
}

void renderCubeEntity(CubeEntity* cube) {
    u32 body = cube->bodyOpts.physicsBody;
    PlayerEntity* player = getPlayer(cube->player);
    // No physics step runs during a rewind: a cube outside the rewind that a rewinding player
    // picked up is kept in front of the eye here instead.
    b8 rewinding = ve::engineState->thisFrame.rewinding;
    if (player && player->timeDependent && !cube->timeDependent && rewinding && cube->attached)
        ve::setPosition(body, cube::carryPoint(player));

    ve::v4 outline = rewindOutline(!cube->timeDependent && !cube->attached);
    BodyPose pose = getLivePose(body);
    drawNamedMesh({pose.position, pose.rotation, cube->drawScale}, meshAssets(CUBE_ASSETS, CUBE_ASSETS.textures[1]), UV_SCALE_ONCE, UV_OFFSET_NONE, outline);
}

} // namespace game
