#include "Game/ElevatorEntity.h"

#include <stdio.h>

#include "Core/engine_globals.h"
#include "Game/entityShared.h"

namespace game {

namespace elevator {

constexpr const c8* LIT_EMISSION = ELEVATOR_ASSETS.textures[1];
constexpr const c8* DARK_EMISSION = ELEVATOR_ASSETS.textures[2];
constexpr ve::v3 LIGHT_OFFSET = {0.0f, 3.0f, 0.0f};
constexpr ve::v3 LIGHT_COLOR = {2.0f, 1.5f, 1.0f};
constexpr c8 FIRST_RAISED_DIGIT = '1';
constexpr c8 LAST_RAISED_DIGIT = '5';

// The use of a powered elevator: the next level, or the end of the game.
void useElevator() {
    string name = ve::engineState->currentScene.name;
    if (raiseLevelDigit(name)) {
        // The request shares the name's bytes: the switch reads them after this frame.
        ve::engineState->loadScene = name;
        return;
    }
    // Seen at once, whatever the console buffers.
    printf("Thanks for playing!\n");
    fflush(stdout);
}

} // namespace elevator

b8 raiseLevelDigit(string name) {
    if (name.length == 0) return false;
    u8* last = &name.data[name.length - 1];
    if (*last < elevator::FIRST_RAISED_DIGIT || *last > elevator::LAST_RAISED_DIGIT) return false;
    (*last)++;
    return true;
}

void initElevatorEntity(ElevatorEntity* elevator) {
    ve::createBody(ve::engineState->scene, &elevator->bodyOpts);
    // The source is taken through the cable's reference, not its `on`, so the order of the
    // inits does not matter.
    CableEntity* cable = getCable(elevator->cableEntity);
    elevator->power = cable ? getPowerFlag(cable->button) : 0;
}

void updateElevatorEntity(ElevatorEntity* elevator) {
    ve::GameInput::Keyboard* keys = &ve::input->keyboard;
    PlayerEntity* player = getPlayer(elevator->playerEntity);
    // Without a bound source the elevator cannot be used.
    if (player && keys->E.wentDown && isPowered(elevator->power) &&
        isPlayerLookingAt(player, elevator->bodyOpts.physicsBody, ELEVATOR_REACH))
        elevator::useElevator();
    // The restart key works with or without a player, powered or not.
    if (keys->R.wentDown) ve::engineState->loadScene = ve::engineState->currentScene.name;
}

void renderElevatorEntity(ElevatorEntity* elevator) {
    // An elevator without a bound source is drawn lit, as one whose source is powered.
    b8 lit = !elevator->power || *elevator->power;
    BodyPose pose = getLivePose(elevator->bodyOpts.physicsBody);
    MeshAssetNames assets = meshAssets(ELEVATOR_ASSETS, lit ? elevator::LIT_EMISSION : elevator::DARK_EMISSION);
    drawNamedMesh({pose.position, pose.rotation, SCALE_NONE}, assets, UV_SCALE_ONCE, UV_OFFSET_NONE,
                  NO_OUTLINE);
    if (lit)
        ve::renderer->frame.pointLight(pose.position + elevator::LIGHT_OFFSET, elevator::LIGHT_COLOR,
                                       POINT_LIGHT_ATTENUATION);
}

} // namespace game
