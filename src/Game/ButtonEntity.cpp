#include "Game/ButtonEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Game/time.h"

namespace game {

// The emission is the same whether powered or not: a button shows its state only through what
// it powers.

void initButtonEntity(ButtonEntity* button) {
    ve::createBody(ve::engineState->scene, &button->bodyOpts);
    if (button->timeDependent) ve::addTimeVar(&button->powered);
}

void updateButtonEntity(ButtonEntity* button) {
    PlayerEntity* player = getPlayer(button->player);
    if (!player) return;
    // The ray runs only in the frame of a press, so a held key toggles once.
    if (!ve::input->keyboard.E.wentDown) return;
    if (isPlayerLookingAt(player, button->bodyOpts.physicsBody, BUTTON_REACH)) button->powered = !button->powered;
}

void renderButtonEntity(ButtonEntity* button) {
    BodyPose pose = getLivePose(button->bodyOpts.physicsBody);
    drawNamedMesh({pose.position, pose.rotation, button->drawScale}, meshAssets(BUTTON_ASSETS, BUTTON_ASSETS.textures[1]), UV_SCALE_ONCE, UV_OFFSET_NONE,
                  rewindOutline(!button->timeDependent));
}

} // namespace game
