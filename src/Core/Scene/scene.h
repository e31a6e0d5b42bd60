#pragma once
// Creating, finding, renaming and removing entities; the init, update and render passes over a
// scene; freeing a scene and switching to another one.

#include "Core/Scene/sceneDef.h"
#include "Meta/introspectionDef.h"
#include "Util/serialization.h"

namespace ve {

// The heap of a scene that exists only in memory ("New Scene"): 1 MiB.
constexpr msi newSceneHeapSize = 1048576;

// A new, empty, disabled scene: its entity array (room for 16) and its heap (`heapSize` bytes)
// come from `store`. `name` is not copied.
Scene createScene(string name, msi heapSize, MemoryStore* store);

// Enables the scene and runs every entity's init function in array order; a scene without id
// becomes the empty "New Scene" on the permanent store instead.
void initScene(Scene* scene);
// Every enabled entity's update, when the scene is loaded and enabled. The array's length is read
// anew after every call.
void updateScene(Scene* scene);
// Every entity's render, enabled or not, when the scene is loaded.
void renderScene(Scene* scene);

// The first entity, in array order, whose id equals `id`; null when none.
Entity* getEntity(Scene* scene, Hash id);

// A new enabled entity of `type` named `name` with zeroed data, appended to the scene; its init
// function is not called. Null, and nothing appended, when the type has no row, the scene
// already has an entity of that id, or the scene heap or the array has no room.
Entity* createEntity(Scene* scene, MetaType type, string name);
// Removes the first entity with `id`; the later ones move down one place. Its name and data stay
// in the scene heap until the scene is freed.
void destroyEntity(Scene* scene, Hash id);
// Copies `newName` into the scene heap and gives the entity the matching id; another entity may
// then share the id (look-ups find the earlier one). False, with the old name kept, when the heap
// has no room.
b8 renameEntity(Scene* scene, Entity* entity, string newName);

// Gives the scene heap back to the permanent store, with every name and data block in it, and
// leaves the scene empty. Entity functions are not called.
void freeScene(Scene* scene);

// Frees `scene`, drops every physics body and off-screen colour buffer, makes `loaded` the
// current scene and initialises its entities; a `loaded` that is all zero (its file could not be
// read whole) gives the empty "New Scene", never part of a level. The engine's `enterScene` is the
// one caller that switches the current scene.
void replaceScene(Scene* scene, Scene* loaded);

} // namespace ve
