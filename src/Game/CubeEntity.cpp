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

// The part of the player's velocity along the way its walking keys drive it, up to its `cap`;
// zero with no key held. The rest of its velocity is not passed on: with the view low, the carry
// point lies in the player's body and the cube pushes the player, and a cube that followed that
// push would push again, driving the player on with no key held or sideways off its way.
ve::v3 walkingVelocity(const PlayerEntity* player) {
    ve::v3 walking = walkDirection(&player->cam);
    f32 length = ve::len(walking);
    if (length == 0.0f) return {};
    ve::v3 way = walking / length;
    f32 along = ve::inner(ve::getLinearVeloctiy(player->bodyOpts.physicsBody), way);
    return way * fminf(fmaxf(along, 0.0f), player->cap);
}

// The carry point travels with the player: the cube moves at the speed the player walks, plus
// the velocity that closes its distance to the carry point over the catch-up time, no faster than
// the bound above. Only the catch-up is bounded (the view swings within one tick at a few frames a
// second, and a pull that grew with the distance pressed the cube twenty centimetres into a cube
// below the carry point); the walking part is what lets the cube keep up with a player who walks
// faster than that bound. Set once per physics step, not per frame: the world moves at most one
// tick a frame.
void carry(CubeEntity* cube, const PlayerEntity* player) {
    if (!ve::engineState->thisFrame.stepsPhysics) return;
    u32 body = cube->bodyOpts.physicsBody;
    ve::v3 velocity = (carryPoint(player) - getLivePose(body).position) / CARRY_CATCH_UP_TIME;
    f32 fastest = CARRY_SLOP_SHARE * ve::slopCrossingSpeed(ve::input->physicsDelta);
    f32 speed = ve::len(velocity);
    if (speed > fastest) velocity = velocity * (fastest / speed);
    ve::setLinearVelocity(body, velocity + walkingVelocity(player));
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
