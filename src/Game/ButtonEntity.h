#pragma once
// The button entity: a power source switched with E. `powered` must stay right after the body
// options: cables read it there.

#include "Core/Scene/sceneDef.h"
#include "Math/v3.h"
#include "Physics/physics.h"

namespace game {

struct ButtonEntity {
    ve::BodyOpts bodyOpts;
    b8 powered;
    ve::EntityRef player;
    ve::v3 drawScale;
    b8 timeDependent;
};

// The reach of E along the player's line of sight.
constexpr f32 BUTTON_REACH = 2.5f;

// Builds the body; a time-dependent button has `powered` recorded with the world.
void initButtonEntity(ButtonEntity* button);
// E while the player looks at the button within reach flips `powered`, once per press.
void updateButtonEntity(ButtonEntity* button);
// The button mesh at the live body's pose; alike whether powered or not.
void renderButtonEntity(ButtonEntity* button);

} // namespace game
