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

// The engine calls every entity function with the entity's data pointer, while the game's
// functions take their own record (the particle emitter's its `ve::ParticleSystem`, the record's
// only member, at the same address). `entityFunction<f>` is `f` called with the pointer converted
// to f's record type: calling `f` itself through a pointer to a function of `void*` would be
// undefined behaviour.
template <typename Record> Record* recordTypeOf(void (*)(Record*));
template <auto function> void entityFunction(void* data) { function((decltype(recordTypeOf(function)))data); }

// The rows' order is the entity types' identity. Rows without an update of their own (the light,
// the cable, the wall, the floating text) use the default one.
EntityType entityTypes[entityTypeCount] = {
    {detail::entityTypeMetaData("::game::ParticleEmitter"), entityFunction<game::initParticleEmitter>, entityFunction<game::updateParticleEmitter>, entityFunction<game::renderParticleEmitter>},
    {detail::entityTypeMetaData("::game::LightEntity"), entityFunction<game::initLightEntity>, defaultEntityUpdate, entityFunction<game::renderLightEntity>},
    {detail::entityTypeMetaData("::game::CubeEntity"), entityFunction<game::initCubeEntity>, entityFunction<game::updateCubeEntity>, entityFunction<game::renderCubeEntity>},
    {detail::entityTypeMetaData("::game::HUDEntity"), entityFunction<game::initHUDEntity>, entityFunction<game::updateHUDEntity>, entityFunction<game::renderHUDEntity>},
    {detail::entityTypeMetaData("::game::CableEntity"), entityFunction<game::initCableEntity>, defaultEntityUpdate, entityFunction<game::renderCableEntity>},
    {detail::entityTypeMetaData("::game::ButtonEntity"), entityFunction<game::initButtonEntity>, entityFunction<game::updateButtonEntity>, entityFunction<game::renderButtonEntity>},
    {detail::entityTypeMetaData("::game::PlayerEntity"), entityFunction<game::initPlayerEntity>, entityFunction<game::updatePlayerEntity>, entityFunction<game::renderPlayerEntity>},
    {detail::entityTypeMetaData("::game::PressurePlateEntity"), entityFunction<game::initPressurePlateEntity>, entityFunction<game::updatePressurePlateEntity>, entityFunction<game::renderPressurePlateEntity>},
    {detail::entityTypeMetaData("::game::BarrierEntity"), entityFunction<game::initBarrierEntity>, entityFunction<game::updateBarrierEntity>, entityFunction<game::renderBarrierEntity>},
    {detail::entityTypeMetaData("::game::WallEntity"), entityFunction<game::initWallEntity>, defaultEntityUpdate, entityFunction<game::renderWallEntity>},
    {detail::entityTypeMetaData("::game::FloatingTextEntity"), entityFunction<game::initFloatingTextEntity>, defaultEntityUpdate, entityFunction<game::renderFloatingTextEntity>},
    {detail::entityTypeMetaData("::game::ElevatorEntity"), entityFunction<game::initElevatorEntity>, entityFunction<game::updateElevatorEntity>, entityFunction<game::renderElevatorEntity>},
    {detail::entityTypeMetaData("::game::LogicGateEntity"), entityFunction<game::initLogicGateEntity>, entityFunction<game::updateLogicGateEntity>, entityFunction<game::renderLogicGateEntity>},
};

EntityType* findEntityType(MetaType type) {
    for (u32 i = 0; i < entityTypeCount; i++) {
        if (entityTypes[i].metaData && entityTypes[i].metaData->type == type) return &entityTypes[i];
    }
    return 0;
}

} // namespace ve
