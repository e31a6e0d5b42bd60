#pragma once
// The logic gate entity: combines the power of one or two cables. `powered` must stay right
// after the body options: cables read it there.

#include "Core/Scene/sceneDef.h"
#include "Physics/physics.h"

namespace game {

enum class LogicGateType : u32 {
    AND = 0,
    NOT = 1,
    OR = 2,
};

struct LogicGateEntity {
    ve::BodyOpts bodyOpts;
    b8 powered;
    // `power1` and `power2` keep the levels' record layout only: no gate function reads or writes
    // them, the update reads each cable's source anew.
    ve::EntityRef cable1;
    b8* power1;
    ve::EntityRef cable2;
    b8* power2;
    LogicGateType type;
};

// A static body that collides with nothing.
void initLogicGateEntity(LogicGateEntity* gate);
// `powered` from the sources of the cables: NOT of the first, AND or OR of both. A missing cable
// that the operation needs keeps the last output.
void updateLogicGateEntity(LogicGateEntity* gate);
// The gate's icon at its stored pose, glowing while powered (OR has none: it is drawn black).
void renderLogicGateEntity(LogicGateEntity* gate);

} // namespace game
