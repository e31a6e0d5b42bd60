#include "Game/PlayerEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Math/floatMath.h"

namespace game {

// The projection: 60 degrees vertically, 16:9 (not the window's 1.6), near 0.001, far 1000.
constexpr f32 CAMERA_FIELD_OF_VIEW = ve::PI / 3.0f;
constexpr f32 CAMERA_NEAR = 0.001f;
constexpr f32 CAMERA_FAR = 1000.0f;
constexpr f32 CAMERA_ASPECT = 1.7777778f;
constexpr ve::v3 WORLD_UP = {0.0f, 1.0f, 0.0f};
// Where a level that stores no look-at point looks.
constexpr ve::v3 DEFAULT_LOOK_TARGET = {0.0f, 0.0f, -1.0f};
// The pitch limits, as the angle between the view and straight up: 5 and 175 degrees.
constexpr f32 MIN_PITCH_FROM_UP = 0.08726647f;
constexpr f32 MAX_PITCH_FROM_UP = 3.0543263f;
// Mouse pixels per degree of turn.
constexpr f32 MOUSE_LOOK_SPEED = 5.0f;
// A sight line whose horizontal part is at most this share of its length counts as vertical.
constexpr f32 VERTICAL_SIGHT_SHARE = 1.0e-6f;

constexpr ve::v3 PLAYER_LIGHT_COLOR = {2.0f, 2.0f, 2.0f};

namespace player {

ve::v3 horizontalUnit(ve::v3 v) { return ve::normalized(ve::v3{v.x, 0.0f, v.z}); }

// The unit direction from `pos` to `lookTarget`. Walking, the side vector and the view matrix all
// need a direction with a horizontal part: a target on `pos` looks along -z, one straight above or
// below it looks there tilted to the pitch limit toward -z.
ve::v3 sightDirection(ve::v3 pos, ve::v3 lookTarget) {
    ve::v3 sight = lookTarget - pos;
    f32 length = ve::len(sight);
    f32 horizontal = ve::len(ve::v3{sight.x, 0.0f, sight.z});
    if (horizontal > VERTICAL_SIGHT_SHARE * length) return sight / length;
    if (!(length > 0.0f)) return DEFAULT_LOOK_TARGET;
    f32 vertical = sight.y > 0.0f ? ve::cos(MIN_PITCH_FROM_UP) : -ve::cos(MIN_PITCH_FROM_UP);
    return ve::v3{0.0f, vertical, -ve::sin(MIN_PITCH_FROM_UP)};
}

// The first three components of `rotation` applied to the direction `dir`, normalised.
ve::v3 rotatedDirection(ve::mat4 rotation, ve::v3 dir) {
    ve::v4 turned = rotation * ve::v4{dir.x, dir.y, dir.z, 0.0f};
    return ve::normalized(turned.xyz);
}

// The pitch change `yDelta` (radians), limited so the view stays 5 to 175 degrees from up.
f32 limitedPitchChange(ve::v3 dir, ve::v3 up, f32 yDelta) {
    f32 fromUp = ve::angle(dir, up);
    if (fromUp + yDelta < MIN_PITCH_FROM_UP) return MIN_PITCH_FROM_UP - fromUp;
    if (fromUp + yDelta > MAX_PITCH_FROM_UP) return MAX_PITCH_FROM_UP - fromUp;
    return yDelta;
}

// Every walking key that is held (or was tapped within this frame) pushes the body along its
// direction by `walkSpeed`, once in each frame whose physics steps. At most one tick runs per
// frame, so a frame longer than a tick (a slow machine) pushes for one tick: the game then runs
// slower than real time, and a push worth many ticks would fire the player through a wall.
void walk(PlayerEntity* player, ve::v3 walking) {
    if (!ve::engineState->thisFrame.stepsPhysics) return;
    if (ve::lensq(walking) == 0.0f) return;
    ve::applyForce(player->bodyOpts.physicsBody, walking * player->walkSpeed);
}

// Cuts the horizontal speed to `cap` in the same direction; the vertical speed is kept.
void capHorizontalSpeed(PlayerEntity* player) {
    u32 body = player->bodyOpts.physicsBody;
    ve::v3 velocity = ve::getLinearVeloctiy(body);
    f32 horizontal = ve::len(ve::v3{velocity.x, 0.0f, velocity.z});
    if (!(horizontal > player->cap)) return;
    f32 scale = player->cap / horizontal;
    ve::setLinearVelocity(body, ve::v3{velocity.x * scale, velocity.y, velocity.z * scale});
}

} // namespace player

ve::v3 walkDirection(const ve::Camera* cam) {
    ve::v3 forward = player::horizontalUnit(cam->dir);
    ve::v3 right = player::horizontalUnit(ve::normalized(ve::cross(cam->up, cam->dir)));
    ve::GameInput::Keyboard* keys = &ve::input->keyboard;
    struct WalkKey {
        b8 held;
        ve::v3 direction;
    } walkKeys[] = {{ve::isHeldThisFrame(keys->W), forward},
                    {ve::isHeldThisFrame(keys->S), -forward},
                    {ve::isHeldThisFrame(keys->D), right},
                    {ve::isHeldThisFrame(keys->A), -right}};
    ve::v3 walking = {};
    for (const WalkKey& key : walkKeys)
        if (key.held) walking = walking + key.direction;
    return walking;
}

void createFPSCam(ve::Camera* cam, ve::v3 pos, ve::v3 lookTarget) {
    if (ve::len(lookTarget) == 0.0f) lookTarget = DEFAULT_LOOK_TARGET;
    cam->up = WORLD_UP;
    cam->pos = pos;
    cam->dir = player::sightDirection(pos, lookTarget);
    cam->view = ve::lookAt(pos, pos + cam->dir, cam->up);
    cam->proj = ve::perspectiveMat(CAMERA_FIELD_OF_VIEW, CAMERA_NEAR, CAMERA_FAR, CAMERA_ASPECT);
}

void fpsCamUpdate(ve::Camera* cam, f32 speed) {
    ve::v2 mouse = ve::input->mouse.delta;
    ve::v3 camRight = ve::normalized(ve::cross(cam->up, cam->dir));
    f32 yDelta = player::limitedPitchChange(cam->dir, cam->up, ve::toRad(mouse.y / speed));
    cam->dir = player::rotatedDirection(ve::rotMat(camRight, yDelta), cam->dir);
    cam->dir = player::rotatedDirection(ve::rotMat(cam->up, ve::toRad(mouse.x / speed)), cam->dir);
    // The position is still last frame's: the view trails the body by one update.
    cam->view = ve::lookAt(cam->pos, cam->pos + cam->dir, cam->up);
}

void initPlayerEntity(PlayerEntity* player) {
    ve::createBody(ve::engineState->scene, &player->bodyOpts);
    // A stored level keeps the point to look at in `cam.dir`.
    createFPSCam(&player->cam, player->cam.pos, player->cam.dir);
    if (player->timeDependent) ve::addTimeVars(player->bodyOpts.physicsBody);
}

void updatePlayerEntity(PlayerEntity* player) {
    // Walking follows the direction of the previous frame, before this frame's mouse look.
    ve::v3 walking = walkDirection(&player->cam);
    fpsCamUpdate(&player->cam, MOUSE_LOOK_SPEED);
    player::walk(player, walking);
    player::capHorizontalSpeed(player);
    // The eye sits at the body's origin.
    player->cam.pos = ve::getTranslation(ve::getTransform(player->bodyOpts.physicsBody));
}

void renderPlayerEntity(PlayerEntity* player) {
    ve::renderer->frame.pointLight(player->cam.pos, PLAYER_LIGHT_COLOR, POINT_LIGHT_ATTENUATION);
    ve::renderer->frame.cam = player->cam;
}

} // namespace game
