#include "Game/LogicGateEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"

namespace game {

namespace gate {

constexpr const c8* DARK_TEXTURE = LOGIC_GATE_ASSETS.textures[2];

// The icon of each operation; OR has none of its own.
const c8* iconTexture(LogicGateType type) {
    switch (type) {
    case LogicGateType::AND: return LOGIC_GATE_ASSETS.textures[0];
    case LogicGateType::NOT: return LOGIC_GATE_ASSETS.textures[1];
    default: return DARK_TEXTURE;
    }
}

} // namespace gate

void initLogicGateEntity(LogicGateEntity* gate) {
    gate->bodyOpts.collisionMask = 0;
    gate->bodyOpts.flags.value = (u32)ve::BodyType::Static;
    ve::createBody(ve::engineState->scene, &gate->bodyOpts);
}

void updateLogicGateEntity(LogicGateEntity* gate) {
    CableEntity* first = getCable(gate->cable1);
    if (!first) return;
    b8 in1 = isPowered(first->on);
    if (gate->type == LogicGateType::NOT) {
        gate->powered = !in1;
        return;
    }
    CableEntity* second = getCable(gate->cable2);
    if (!second) return;
    b8 in2 = isPowered(second->on);
    // An operation value that a damaged level holds leaves the output as it was.
    if (gate->type == LogicGateType::AND) gate->powered = in1 && in2;
    if (gate->type == LogicGateType::OR) gate->powered = in1 || in2;
}

void renderLogicGateEntity(LogicGateEntity* gate) {
    const c8* icon = gate::iconTexture(gate->type);
    const c8* emission = gate->powered ? icon : gate::DARK_TEXTURE;
    DrawPlacement placement = {gate->bodyOpts.position, gate->bodyOpts.rotation, SCALE_NONE};
    drawNamedQuad(placement, icon, emission, UV_SCALE_ONCE, UV_OFFSET_NONE, NO_OUTLINE);
}

} // namespace game
