#pragma once
// The entity type table: each of the game's thirteen entity types bound to the introspection
// record of its data struct and to its init, update and render functions.
//
// A row's index is the type's identity inside the engine; the order is fixed. The engine reaches
// the game's entity functions only through this table.

#include "Meta/introspectionDef.h"

namespace ve {

// Every entity function takes the entity's data pointer.
typedef void (*EntityInitFunctionPtr)(void* data);
typedef void (*EntityUpdateFunctionPtr)(void* data);
typedef void (*EntityRenderFunctionPtr)(void* data);

struct EntityType {
    MetaData* metaData; // the record of the type's data struct, inside `metaDataTable`
    EntityInitFunctionPtr initFunc;
    EntityUpdateFunctionPtr updateFunc;
    EntityRenderFunctionPtr renderFunc;
};

constexpr u32 entityTypeCount = 13;
extern EntityType entityTypes[entityTypeCount];

// The first row, in table order, whose data struct has the type `type`; null when none.
EntityType* findEntityType(MetaType type);

// Functions that do nothing, for rows without a function of their own.
void defaultEntityInit(void* data);
void defaultEntityUpdate(void* data);
void defaultEntityRender(void* data);

} // namespace ve
