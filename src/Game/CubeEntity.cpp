#include "Game/CubeEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Game/PlayerEntity.h"

namespace game {

// How far along the line of sight a cube can be picked up.
constexpr f32 CUBE_REACH = 3.0f;
// A carried cube is pulled toward this many units ahead of the eye.
constexpr f32 CARRY_DISTANCE = 2.0f;
// Share of a carried cube's velocity taken away per physics tick's worth of frame time.
constexpr f32 CARRY_DAMPING_RATE = 0.2f;
// Acceleration toward the carry point per unit of distance and second of frame time.
constexpr f32 CARRY_SPRING_GAIN = 10000.0f;

namespace cube {

ve::v3 carryPoint(const PlayerEntity* player) { return player->cam.pos + CARRY_DISTANCE * player->cam.dir; }

// The share of its velocity that a carried cube keeps this frame. With frames longer than five
// physics ticks the plain rate would turn negative and reverse the velocity every frame, so that
// the cube swings ever wider around the carry point; it is held at 0 there (all motion damped).
f32 carryDampingFactor(f64 deltaTime, f32 physicsDelta) {
    f64 damped = 1.0 - (f64)CARRY_DAMPING_RATE * (deltaTime / (f64)physicsDelta);
    f32 factor = (f32)damped;
    if (!(factor > 0.0f)) return 0.0f;
    return factor < 1.0f ? factor : 1.0f;
}

// Damps the cube's velocity and pulls it toward the carry point with a spring.
void carry(CubeEntity* cube, const PlayerEntity* player) {
    u32 body = cube->bodyOpts.physicsBody;
    f32 factor = carryDampingFactor(ve::input->deltaTime, ve::input->physicsDelta);
    ve::setLinearVelocity(body, ve::getLinearVeloctiy(body) * factor);
    ve::v3 offset = carryPoint(player) - getLivePose(body).position;
    ve::applyForce(body, offset * (f32)ve::input->deltaTime * CARRY_SPRING_GAIN);
}

} // namespace cube

void initCubeEntity(CubeEntity* cube) {
    ve::createBody(&ve::engineState->scene, &cube->bodyOpts);
    if (cube->timeDependent) ve::addTimeVars(cube->bodyOpts.physicsBody);
}

void updateCubeEntity(CubeEntity* cube) {
    PlayerEntity* player = getPlayer(cube->player);
    ve::GameInput::Keyboard* keys = &ve::input->keyboard;
    // A rewind starts by dropping the cube, whether or not the player is found.
    if (keys->SPACE.wentDown) cube->attached = false;
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
    // No physics step runs while SPACE is held: a cube outside the rewind that a rewinding player
    // picked up is kept in front of the eye here instead.
    b8 rewinding = ve::input->keyboard.SPACE.isDown;
    if (player && player->timeDependent && !cube->timeDependent && rewinding && cube->attached)
        ve::setPosition(body, cube::carryPoint(player));

    ve::v4 outline = rewindOutline(!cube->timeDependent && !cube->attached);
    BodyPose pose = getLivePose(body);
    drawNamedMesh({pose.position, pose.rotation, cube->drawScale}, meshAssets(CUBE_ASSETS, CUBE_ASSETS.textures[1]), UV_SCALE_ONCE, UV_OFFSET_NONE, outline);
}

} // namespace game
