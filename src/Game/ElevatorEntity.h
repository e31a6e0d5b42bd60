#pragma once
// The elevator entity: the exit of a level and the owner of the restart key.

#include "Core/Scene/sceneDef.h"
#include "Physics/physics.h"

namespace game {

struct ElevatorEntity {
    ve::BodyOpts bodyOpts;
    ve::EntityRef cableEntity;
    ve::EntityRef playerEntity;
    b8* power; // the cable's source flag, bound by init
};

// The reach of E along the player's line of sight.
constexpr f32 ELEVATOR_REACH = 3.0f;

// Builds the body and binds `power` to the `powered` flag of its cable's source (null when the
// cable or its source is missing).
void initElevatorEntity(ElevatorEntity* elevator);
// E while the player looks at the powered elevator within reach asks for the next level, or
// thanks the player in the last one; R asks for the current level again.
void updateElevatorEntity(ElevatorEntity* elevator);
// The elevator mesh at the live body's pose, with its light while lit.
void renderElevatorEntity(ElevatorEntity* elevator);

// Raises the last digit of `name` in place when it is one of '1' to '5' and returns true; any
// other name (the last level, an empty one) is left alone and the result is false.
b8 raiseLevelDigit(string name);

} // namespace game
