#include "Meta/entity_type_list.h"

#include "Meta/introspection.h"
#include "Util/string.h"

#include "Game/CubeEntity.h"
#include "Game/LightEntity.h"
#include "Game/ParticleEmitter.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"

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
    {detail::entityTypeMetaData("::game::HUDEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::CableEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::ButtonEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::PlayerEntity"), VE_ENTITY_INIT(game::initPlayerEntity), VE_ENTITY_UPDATE(game::updatePlayerEntity), VE_ENTITY_RENDER(game::renderPlayerEntity)},
    {detail::entityTypeMetaData("::game::PressurePlateEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::BarrierEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::WallEntity"), VE_ENTITY_INIT(game::initWallEntity), defaultEntityUpdate, VE_ENTITY_RENDER(game::renderWallEntity)},
    {detail::entityTypeMetaData("::game::FloatingTextEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::ElevatorEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::LogicGateEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
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
