#include "Game/CubeEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Game/PlayerEntity.h"

namespace game {

// How far along the line of sight a cube can be picked up.
constexpr f32 CUBE_REACH = 3.0f;
// A carried cube is pulled toward this many units ahead of the eye.
constexpr f32 CARRY_DISTANCE = 2.0f;
// Share of a carried cube's velocity taken away in each physics step.
constexpr f32 CARRY_DAMPING_RATE = 0.2f;
// Acceleration toward the carry point per unit of distance and second of physics step.
constexpr f32 CARRY_SPRING_GAIN = 10000.0f;

namespace cube {

ve::v3 carryPoint(const PlayerEntity* player) { return player->cam.pos + CARRY_DISTANCE * player->cam.dir; }

// Damps the cube's velocity and pulls it toward the carry point with a spring. Both act over the
// one tick the physics steps in this frame, not over the frame's length: a pull scaled by a long
// frame would fling the cube (put down with the carry point under the floor, it left sideways at
// metres a second at five frames a second).
void carry(CubeEntity* cube, const PlayerEntity* player) {
    if (!ve::engineState->thisFrame.stepsPhysics) return;
    u32 body = cube->bodyOpts.physicsBody;
    ve::setLinearVelocity(body, ve::getLinearVeloctiy(body) * (1.0f - CARRY_DAMPING_RATE));
    ve::v3 offset = carryPoint(player) - getLivePose(body).position;
    ve::applyForce(body, offset * ve::input->physicsDelta * CARRY_SPRING_GAIN);
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
