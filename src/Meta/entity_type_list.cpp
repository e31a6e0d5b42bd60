#include "Meta/entity_type_list.h"

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
// yet point at the defaults.
EntityType entityTypes[entityTypeCount] = {
    {detail::entityTypeMetaData("::game::ParticleEmitter"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::LightEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::CubeEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::HUDEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::CableEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::ButtonEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::PlayerEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::PressurePlateEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::BarrierEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::WallEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::FloatingTextEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::ElevatorEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
    {detail::entityTypeMetaData("::game::LogicGateEntity"), defaultEntityInit, defaultEntityUpdate, defaultEntityRender},
};

EntityType* findEntityType(MetaType type) {
    for (u32 i = 0; i < entityTypeCount; i++) {
        if (entityTypes[i].metaData && entityTypes[i].metaData->type == type) return &entityTypes[i];
    }
    return 0;
}

} // namespace ve
