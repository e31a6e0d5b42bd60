#include "Core/Scene/scene.h"

#include "Core/engine_globals.h"
#include "Game/time.h"
#include "Meta/entity_type_list.h"
#include "Physics/physics.h"
#include "Util/serialization.h"
#include "Util/string.h"

namespace ve {

namespace scenes {

b8 sceneIsLoaded(Scene* scene) { return scene->id != Hash{}; }

Entity* entityAt(Scene* scene, msi index) { return (Entity*)scene->entities[index]; }

void printSceneMessage(const c8* text) { platform->print(wrapASCIIZ(text)); }

} // namespace scenes

Scene createScene(string name, msi heapSize, MemoryStore* store) {
    Scene scene = {};
    scene.id = hashString(name);
    scene.name = name;
    scene.entities = createDynArray(sizeof(Entity), 16, store);
    scene.sceneDataHeap = createHeapStore(createBuffer(heapSize, store));
    return scene;
}

void initScene(Scene* scene) {
    VE_ASSERT_NOT_NULL(scene);
    // The history and the timed bodies belong to the scene being initialised: its entities'
    // init functions register theirs anew.
    reloadTimeTracking();
    engineState->timedPhysicBodyCount = 0;
    if (!scenes::sceneIsLoaded(scene)) {
        *scene = createScene(wrapASCIIZ("New Scene"), newSceneHeapSize, permanentStore);
        return;
    }
    scene->enabled = true;
    for (msi i = 0; i < scene->entities.length; i++) {
        Entity* entity = scenes::entityAt(scene, i);
        VE_ASSERT_NOT_NULL(entity->type);
        VE_ASSERT_NOT_NULL(entity->type->initFunc);
        entity->type->initFunc(entity->entityData.data);
    }
}

void updateScene(Scene* scene) {
    if (!scenes::sceneIsLoaded(scene) || !scene->enabled) return;
    // An update may create or destroy entities: the length is read anew every time.
    for (msi i = 0; i < scene->entities.length; i++) {
        Entity* entity = scenes::entityAt(scene, i);
        if (entity->enabled) entity->type->updateFunc(entity->entityData.data);
    }
}

void renderScene(Scene* scene) {
    if (!scenes::sceneIsLoaded(scene)) return;
    for (msi i = 0; i < scene->entities.length; i++) {
        Entity* entity = scenes::entityAt(scene, i);
        entity->type->renderFunc(entity->entityData.data);
    }
}

Entity* getEntity(Scene* scene, Hash id) {
    for (msi i = 0; i < scene->entities.length; i++) {
        Entity* entity = scenes::entityAt(scene, i);
        if (entity->id == id) return entity;
    }
    return 0;
}

Entity* EntityRef::getEntity(Scene* scene) { return ve::getEntity(scene, id); }

void* EntityRef::get(Scene* scene) {
    Entity* entity = getEntity(scene);
    return entity ? entity->entityData.data : 0;
}

Entity* EntityRef::getEntity() { return getEntity(&engineState->currentScene); }
void* EntityRef::get() { return get(&engineState->currentScene); }

Entity* createEntity(Scene* scene, MetaType type, string name) {
    EntityType* entityType = findEntityType(type);
    if (!entityType) {
        scenes::printSceneMessage("EntityType not found:");
        return 0;
    }
    MemoryStore* heap = &scene->sceneDataHeap;
    Entity entity = {};
    entity.type = entityType;
    entity.name = allocAndCopyString(name, heap);
    if (name.length && !entity.name.data) {
        scenes::printSceneMessage("Not enough memory in scene heap!");
        return 0;
    }
    entity.id = hashString(entity.name);
    entity.enabled = true;
    if (getEntity(scene, entity.id)) {
        freeString(&entity.name, heap);
        return 0;
    }
    entity.entityData = createBuffer(entityType->metaData->sizeInBytes, heap);
    if (!entity.entityData.data) {
        scenes::printSceneMessage("Not enough memory in scene heap!");
        freeString(&entity.name, heap);
        return 0;
    }
    zeroBuffer(entity.entityData);
    Entity* appended = (Entity*)push(&scene->entities, &entity);
    if (!appended) {
        freeBuffer(&entity.entityData, heap);
        freeString(&entity.name, heap);
    }
    return appended;
}

void destroyEntity(Scene* scene, Hash id) {
    for (msi i = 0; i < scene->entities.length; i++) {
        if (scenes::entityAt(scene, i)->id != id) continue;
        removeEntry(&scene->entities, i);
        return;
    }
}

b8 renameEntity(Scene* scene, Entity* entity, string newName) {
    string copy = allocAndCopyString(newName, &scene->sceneDataHeap);
    if (newName.length && !copy.data) return false;
    freeString(&entity->name, &scene->sceneDataHeap);
    entity->name = copy;
    entity->id = hashString(copy);
    return true;
}

void freeScene(Scene* scene) {
    MemoryStore* heap = &scene->sceneDataHeap;
    // A loaded scene's entity array lives in its heap and goes with it; a new scene's does not.
    b8 arrayInHeap = ptrInBuffer(heap->buf, scene->entities.buf.data);
    if (heap->buf.data) freeFromHeap(permanentStore, heap->buf.data);
    *heap = {};
    if (!arrayInHeap && scene->entities.capacity) freeArray(&scene->entities);
    scene->entities.buf = {};
    scene->entities.capacity = 0;
    scene->entities.length = 0;
    scene->id = {};
    scene->name = {};
}

void replaceScene(Scene* scene, Scene* loaded) {
    freeScene(scene);
    removeAllBodies(engineState->scene);
    // Only the entities of the current scene hold off-screen colour buffers, and they have no
    // unload step: the switch gives all of them back, so reloading a level does not pile up new ones.
    renderer->releaseColorBuffers();
    *scene = *loaded;
    // The loaded entity array's store is the scene's own heap, which has just moved.
    if (scenes::sceneIsLoaded(scene)) scene->entities.store = &scene->sceneDataHeap;
    initScene(scene);
}

} // namespace ve
