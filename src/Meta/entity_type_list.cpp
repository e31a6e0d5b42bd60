#include "Meta/entity_type_list.h"

#include "Game/BarrierEntity.h"
#include "Game/ButtonEntity.h"
#include "Game/CableEntity.h"
#include "Game/CubeEntity.h"
#include "Game/ElevatorEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/HUDEntity.h"
#include "Game/LightEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/ParticleEmitter.h"
#include "Game/PlayerEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Game/WallEntity.h"
#include "Meta/introspection.h"
#include "Util/string.h"

namespace ve {

void defaultEntityInit(void*) {}
void defaultEntityUpdate(void*) {}
void defaultEntityRender(void*) {}

namespace detail {
// Runs during static initialisation, before the platform's entry: the generated table is
// constant data by then, so the look-up needs nothing else to be set up.
static MetaData* entityTypeMetaData(const c8* typeName) {
    return findMetaData(wrapASCIIZ((c8*)typeName));
}
} // namespace detail

// The rows' order is the entity types' identity. Types whose functions the game does not supply
// yet point at the defaults. The game's functions take their own record (the particle emitter's
// its `ve::ParticleSystem`, the record's only member) and are stored as functions of the data
// pointer that the engine hands them.
#define VE_ENTITY_INIT(function) (EntityInitFunctionPtr)(function)
#define VE_ENTITY_UPDATE(function) (EntityUpdateFunctionPtr)(function)
#define VE_ENTITY_RENDER(function) (EntityRenderFunctionPtr)(function)
EntityType entityTypes[entityTypeCount] = {
    {detail::entityTypeMetaData("::game::ParticleEmitter"), VE_ENTITY_INIT(game::initParticleEmitter), VE_ENTITY_UPDATE(game::updateParticleEmitter), VE_ENTITY_RENDER(game::renderParticleEmitter)},
    {detail::entityTypeMetaData("::game::LightEntity"), VE_ENTITY_INIT(game::initLightEntity), defaultEntityUpdate, VE_ENTITY_RENDER(game::renderLightEntity)},
    {detail::entityTypeMetaData("::game::CubeEntity"), VE_ENTITY_INIT(game::initCubeEntity), VE_ENTITY_UPDATE(game::updateCubeEntity), VE_ENTITY_RENDER(game::renderCubeEntity)},
    {detail::entityTypeMetaData("::game::HUDEntity"), VE_ENTITY_INIT(game::initHUDEntity), VE_ENTITY_UPDATE(game::updateHUDEntity), VE_ENTITY_RENDER(game::renderHUDEntity)},
    {detail::entityTypeMetaData("::game::CableEntity"), VE_ENTITY_INIT(game::initCableEntity), defaultEntityUpdate, VE_ENTITY_RENDER(game::renderCableEntity)},
    {detail::entityTypeMetaData("::game::ButtonEntity"), VE_ENTITY_INIT(game::initButtonEntity), VE_ENTITY_UPDATE(game::updateButtonEntity), VE_ENTITY_RENDER(game::renderButtonEntity)},
    {detail::entityTypeMetaData("::game::PlayerEntity"), VE_ENTITY_INIT(game::initPlayerEntity), VE_ENTITY_UPDATE(game::updatePlayerEntity), VE_ENTITY_RENDER(game::renderPlayerEntity)},
    {detail::entityTypeMetaData("::game::PressurePlateEntity"), VE_ENTITY_INIT(game::initPressurePlateEntity), VE_ENTITY_UPDATE(game::updatePressurePlateEntity), VE_ENTITY_RENDER(game::renderPressurePlateEntity)},
    {detail::entityTypeMetaData("::game::BarrierEntity"), VE_ENTITY_INIT(game::initBarrierEntity), VE_ENTITY_UPDATE(game::updateBarrierEntity), VE_ENTITY_RENDER(game::renderBarrierEntity)},
    {detail::entityTypeMetaData("::game::WallEntity"), VE_ENTITY_INIT(game::initWallEntity), defaultEntityUpdate, VE_ENTITY_RENDER(game::renderWallEntity)},
    {detail::entityTypeMetaData("::game::FloatingTextEntity"), VE_ENTITY_INIT(game::initFloatingTextEntity), defaultEntityUpdate, VE_ENTITY_RENDER(game::renderFloatingTextEntity)},
    {detail::entityTypeMetaData("::game::ElevatorEntity"), VE_ENTITY_INIT(game::initElevatorEntity), VE_ENTITY_UPDATE(game::updateElevatorEntity), VE_ENTITY_RENDER(game::renderElevatorEntity)},
    {detail::entityTypeMetaData("::game::LogicGateEntity"), VE_ENTITY_INIT(game::initLogicGateEntity), VE_ENTITY_UPDATE(game::updateLogicGateEntity), VE_ENTITY_RENDER(game::renderLogicGateEntity)},
};

#undef VE_ENTITY_INIT
#undef VE_ENTITY_UPDATE
#undef VE_ENTITY_RENDER

EntityType* findEntityType(MetaType type) {
    for (u32 i = 0; i < entityTypeCount; i++) {
        if (entityTypes[i].metaData && entityTypes[i].metaData->type == type) return &entityTypes[i];
    }
    return 0;
}

} // namespace ve
