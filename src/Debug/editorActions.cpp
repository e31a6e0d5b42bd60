#include "Debug/editorActions.h"

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Debug/editorText.h"
#include "Debug/mapeditor.h"
#include "Game/PlayerEntity.h"
#include "Meta/introspection.h"
#include "Physics/physics.h"
#include "Util/serialization.h"
#include "Util/string.h"

namespace ve {

namespace actions {

void printEditorMessage(const c8* text) { platform->print(wrapASCIIZ(text)); }

// Everything that points into the current scene's entities: gone with a load or a destroy. The
// windows that act on the selection close with it, so none offers to act on a gone entity.
void clearSceneReferences() {
    debugState->selectedEntity = {};
    debugState->selectedEntityRef = 0;
    debugState->selectedString = 0;
    debugState->drawEditStringWindow = false;
    debugState->drawRenameEntityWindow = false;
}

b8 containsText(string text, const c8* part) {
    string needle = wrapASCIIZ(part);
    for (msi i = 0; i + needle.length <= text.length; i++)
        if (cmpString(substring(text, i, needle.length), needle)) return true;
    return false;
}

// The 512-byte text array of "Rename Entity" and "Edit String", taken on first use.
c8* renameBuffer() {
    if (!debugState->renameBuffer) {
        debugState->renameBuffer = (c8*)pushToHeap(&debugState->debugStore, RENAME_BUFFER_SIZE);
        if (debugState->renameBuffer) zeroSize(RENAME_BUFFER_SIZE, debugState->renameBuffer);
    }
    return debugState->renameBuffer;
}

// Copies `text` into the text array when it fits with its NUL; a longer text leaves the array as
// it was.
void prefillRenameBuffer(string text) {
    c8* target = renameBuffer();
    if (target) copyStringToASCIIZ(text, target, RENAME_BUFFER_SIZE);
}

// Every body options record at the top level of an entity's data gets the identity rotation: a
// zeroed matrix is no rotation.
void setIdentityRotations(Entity* entity) {
    MetaData* metaData = entity->type->metaData;
    for (msi i = 0; i < metaData->memberCount; i++) {
        StructMemberMetaData* member = &metaData->data.structData.structMembers[i];
        if (member->type != MetaType::ve_BodyOpts || member->numIndirections != 0) continue;
        ((BodyOpts*)(entity->entityData.data + member->offsetInStruct))->rotation = iMat3();
    }
}

b8 isPlayer(Entity* entity) { return entity->type->metaData->type == MetaType::game_PlayerEntity; }

game::PlayerEntity* playerAt(Scene* scene, msi index) {
    Entity* entity = (Entity*)scene->entities[index];
    return isPlayer(entity) ? (game::PlayerEntity*)entity->entityData.data : 0;
}

// The player's init reads `cam.dir` as the point the eye looks at first, and leaves a unit
// direction in it. For the file the direction becomes that point again, seen from where the
// camera is now; `directions` keeps the live values (one per entity) to put back afterwards.
void storeLookTargets(Scene* scene, v3* directions) {
    for (msi i = 0; i < scene->entities.length; i++) {
        game::PlayerEntity* player = playerAt(scene, i);
        if (!player) continue;
        directions[i] = player->cam.dir;
        player->cam.dir = player->cam.pos + player->cam.dir;
    }
}

void restoreDirections(Scene* scene, v3* directions) {
    for (msi i = 0; i < scene->entities.length; i++) {
        game::PlayerEntity* player = playerAt(scene, i);
        if (player) player->cam.dir = directions[i];
    }
}

} // namespace actions

Scene* editorScene() { return &engineState->currentScene; }

Entity* selectedEntity() {
    if (debugState->selectedEntity.id == Hash{}) return 0;
    return getEntity(editorScene(), debugState->selectedEntity.id);
}

void toggleSelection(Entity* entity) {
    b8 alreadySelected = selectedEntity() == entity;
    debugState->selectedEntity.id = alreadySelected ? Hash{} : entity->id;
}

b8 isValidSceneName(string name) {
    return name.length && !actions::containsText(name, "/") && !actions::containsText(name, "\\") &&
           !actions::containsText(name, "..");
}

b8 saveCurrentScene() {
    Scene* scene = editorScene();
    v3* directions = (v3*)pushToHeap(tmpStore, (scene->entities.length + 1) * sizeof(v3));
    if (!directions) {
        actions::printEditorMessage("Failed to save Scene: not enough memory!");
        return false;
    }
    actions::storeLookTargets(scene, directions);
    b8 saved = saveScene(scene);
    actions::restoreDirections(scene, directions);
    freeFromHeap(tmpStore, directions);
    return saved;
}

b8 saveCurrentSceneAs(string name) {
    if (!isValidSceneName(name)) {
        actions::printEditorMessage("Scene names may not be empty or contain \"/\", \"\\\" or \"..\"!");
        return false;
    }
    Scene* scene = editorScene();
    MemoryStore* heap = &scene->sceneDataHeap;
    string copy = allocAndCopyString(name, heap);
    if (!copy.data) {
        actions::printEditorMessage("Failed to save Scene: not enough memory in scene heap!");
        return false;
    }
    // The scene is written under the new name, and keeps it only once the file is written: after
    // a failed save the scene is still the one its old file holds, for Reload and R to read.
    string oldName = scene->name;
    Hash oldId = scene->id;
    scene->name = copy;
    scene->id = hashString(copy);
    if (!saveCurrentScene()) {
        scene->name = oldName;
        scene->id = oldId;
        freeString(&copy, heap);
        return false;
    }
    // A loaded scene's name lies in its heap; the name of the empty "New Scene" is a constant
    // text that belongs to no store, and freeBuffer leaves such a text alone.
    freeString(&oldName, heap);
    return true;
}

b8 loadSceneDebug(Scene* scene, string name, MemoryStore* store) {
    if (!isValidSceneName(name)) return false;
    Scene loaded;
    if (loadScene(&loaded, name, store).failure) return false;
    enterScene(engineState, &loaded, 0, name);
    debugState->loadWindowActive = false;
    scene->enabled = false;
    return true;
}

void noticeSceneSwitch() {
    DebugState* state = debugState;
    actions::clearSceneReferences();
    state->failedToRename = false;
    state->failedToSave = false;
    state->failedToLoad = false;
    state->sceneWindowError = 0;
}

b8 reloadCurrentScene() {
    debugState->sceneWindowError = SAVE_ERROR_TEXT;
    if (!saveCurrentScene()) return false;
    Scene* scene = editorScene();
    debugState->sceneWindowError = LOAD_ERROR_TEXT;
    return loadSceneDebug(scene, scene->name, permanentStore);
}

string newEntityName(EntityType* type) {
    string label = afterLastColon(type->metaData->name);
    string name = concatString(wrapASCIIZ("New "), label, &debugState->tmpStore);
    while (name.data && getEntity(editorScene(), hashString(name)))
        name = concatString(name, wrapASCIIZ("1"), &debugState->tmpStore);
    return name;
}

Entity* createNewEntity(EntityType* type) {
    string name = newEntityName(type);
    if (!name.data) return 0;
    Entity* entity = createEntity(editorScene(), type->metaData->type, name);
    if (!entity) {
        actions::printEditorMessage("Failed to create Entity!");
        return 0;
    }
    actions::setIdentityRotations(entity);
    Hash id = entity->id;
    type->initFunc(entity->entityData.data);
    // An init function may add entities, which can move the array.
    return getEntity(editorScene(), id);
}

void destroySelectedEntity() {
    Entity* entity = selectedEntity();
    if (entity) destroyEntity(editorScene(), entity->id);
    actions::clearSceneReferences();
}

void toggleRenameWindow() {
    Entity* entity = selectedEntity();
    if (entity) actions::prefillRenameBuffer(entity->name);
    debugState->drawRenameEntityWindow = !debugState->drawRenameEntityWindow;
    debugState->drawEditStringWindow = false;
    debugState->failedToRename = false;
}

b8 renameSelectedEntity(string newName) {
    Entity* entity = selectedEntity();
    if (!entity || !newName.length) {
        actions::printEditorMessage("Entity names may not be empty!");
        return false;
    }
    // Two entities of one name share an id: look-ups would only ever find the first.
    Entity* holder = getEntity(editorScene(), hashString(newName));
    if (holder && holder != entity) {
        actions::printEditorMessage("Failed to rename Entity: another entity has that name!");
        return false;
    }
    if (!renameEntity(editorScene(), entity, newName)) {
        actions::printEditorMessage("Failed to rename Entity: not enough memory in scene heap!");
        return false;
    }
    debugState->selectedEntity.id = entity->id;
    return true;
}

void toggleEditString(string* field) {
    actions::prefillRenameBuffer(*field);
    debugState->selectedString = field;
    debugState->drawEditStringWindow = !debugState->drawEditStringWindow;
    debugState->drawRenameEntityWindow = false;
}

b8 applyEditString(string text) {
    string* field = debugState->selectedString;
    if (!field) return false;
    MemoryStore* heap = &editorScene()->sceneDataHeap;
    string copy = allocAndCopyString(text, heap);
    if (text.length && !copy.data) {
        actions::printEditorMessage("Failed to edit String: not enough memory in scene heap!");
        return false;
    }
    freeString(field, heap);
    *field = copy;
    return true;
}

u32 mergeFlagBits(u32 flags, u32 checkboxBits) {
    u32 listedBits = 0;
    for (const FlagCheckbox& checkbox : FLAG_CHECKBOXES) listedBits |= checkbox.bit;
    // A body has one type: a type bit ticked now replaces the ones that were set.
    u32 tickedTypes = checkboxBits & ~flags & BODY_TYPE_BITS;
    if (tickedTypes) checkboxBits = (checkboxBits & ~BODY_TYPE_BITS) | tickedTypes;
    return (flags & ~listedBits) | (checkboxBits & listedBits);
}

} // namespace ve
