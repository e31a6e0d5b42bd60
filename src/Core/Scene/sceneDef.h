#pragma once
// Scenes, their entities, and the reference by id through which entities point at each other.

#include "Platform/machineDef.h"
#include "Math/utilMath.h"
#include "Memory/memory.h"
#include "Util/Datastructures.h"

namespace ve {

struct EntityType;

// One element of a scene's entity array.
struct Entity {
    Hash id;           // lane hash of `name`; entities are found by it
    string name;       // in the scene's data heap
    buffer entityData; // the type's data struct (its record's sizeInBytes), in the scene's data heap
    EntityType* type;  // the entity's row of `entityTypes`
    b8 enabled;        // the update pass calls the entity only when set; render calls it regardless
};

// A level: a named list of entities in a heap of its own.
struct Scene {
    Hash id;           // lane hash of the name; all zero means that no scene is loaded
    string name;
    DynArray entities; // of Entity, in scene order: the order of every pass and of the scene file
    // Entity names and data live here; for a scene read from a file also its name and its entity
    // array. The heap is one block of the store the scene came from.
    MemoryStore sceneDataHeap;
    b8 enabled; // the update pass runs only when set
};

// A reference to another entity of the same scene by its id; scene files store the id unchanged.
// Renaming an entity gives it a new id, so references to the old one no longer resolve.
struct EntityRef {
    Hash id;

    // The data of the entity with this id in the engine's current scene, null when there is
    // none. Searched anew on every call: nothing is cached.
    void* get();
    Entity* getEntity();
    // The same in `scene`.
    void* get(Scene* scene);
    Entity* getEntity(Scene* scene);
};

} // namespace ve
