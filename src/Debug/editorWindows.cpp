#include "Debug/editorWindows.h"

#include "Core/engine_globals.h"
#include "Debug/editorActions.h"
#include "Debug/editorText.h"
#include "Debug/fieldEditor.h"
#include "Debug/mapeditor.h"
#include "Util/string.h"

#include <imgui.h>

namespace ve {

namespace windows {

// Where each window opens the first time (Dear ImGui keeps later moves in "imgui.ini"): the
// entity list and the selected entity on the left, the picker and "New Entity" on the right, the
// small dialogs below, each at its own place, so that none opens over another's buttons and the
// dialogs are large enough to show their error line. A zero size leaves the window to fit itself.
struct FirstPlace {
    f32 x, y;
    f32 width, height;
};
constexpr FirstPlace SCENE_PLACE = {10.0f, 10.0f, 300.0f, 600.0f};
constexpr FirstPlace SELECTED_ENTITY_PLACE = {330.0f, 10.0f, 600.0f, 600.0f};
constexpr FirstPlace SELECT_ENTITY_PLACE = {1000.0f, 10.0f, 0.0f, 0.0f};
constexpr FirstPlace NEW_ENTITY_PLACE = {1250.0f, 10.0f, 0.0f, 0.0f};
constexpr FirstPlace SAVE_AS_PLACE = {10.0f, 630.0f, 400.0f, 110.0f};
constexpr FirstPlace LOAD_PLACE = {10.0f, 760.0f, 400.0f, 110.0f};
constexpr FirstPlace RENAME_ENTITY_PLACE = {430.0f, 630.0f, 400.0f, 110.0f};
constexpr FirstPlace EDIT_STRING_PLACE = {850.0f, 630.0f, 500.0f, 240.0f};

void beginWindow(const c8* title, FirstPlace place) {
    ImGui::SetNextWindowPos(ImVec2(place.x, place.y), ImGuiCond_FirstUseEver);
    if (place.width > 0.0f) ImGui::SetNextWindowSize(ImVec2(place.width, place.height), ImGuiCond_FirstUseEver);
    ImGui::Begin(title, 0, 0);
}

Entity* entityAt(Scene* scene, msi index) { return (Entity*)scene->entities[index]; }

void drawText(string text) { ImGui::Text("%.*s", (int)text.length, (const c8*)text.data); }

// A button per entity in array order, each in its own id scope, so that entities of equal names
// stay apart. The clicked one, or null.
Entity* drawEntityButtons(Scene* scene) {
    Entity* clicked = 0;
    for (msi i = 0; i < scene->entities.length; i++) {
        Entity* entity = entityAt(scene, i);
        ImGui::PushID((int)i);
        if (ImGui::Button(frameText(entity->name))) clicked = entity;
        ImGui::PopID();
    }
    return clicked;
}

// Opens "Save As" or "Load" (closing the other one) with the scene's name in the "Name" field
// when it fits with its NUL, and without an error line.
void openSceneNameWindow(b8* active, b8* failed, b8* other) {
    copyStringToASCIIZ(editorScene()->name, debugState->saveOrLoadName, SCENE_NAME_FIELD_SIZE);
    *active = true;
    *failed = false;
    *other = false;
}

void drawSelectEntity(Scene* scene) {
    beginWindow("Select Entity", SELECT_ENTITY_PLACE);
    EntityRef* reference = debugState->selectedEntityRef;
    if (ImGui::Button("null")) {
        reference->id = {};
        debugState->selectedEntityRef = 0;
    }
    Entity* picked = drawEntityButtons(scene);
    if (picked && debugState->selectedEntityRef) {
        reference->id = picked->id;
        debugState->selectedEntityRef = 0;
    }
    ImGui::End();
}

void drawEntityFields(Entity* entity) {
    MetaData* metaData = entity->type->metaData;
    if (metaData->dataType != MetaDataType::Struct) return;
    for (msi i = 0; i < metaData->memberCount; i++)
        drawEntityFieldEditor(&metaData->data.structData.structMembers[i], entity->entityData.data);
}

b8 load(string name) { return loadSceneDebug(editorScene(), name, permanentStore); }

// "Save As" reports a failed save in "Scene" too, which is in view whatever the dialog's size.
b8 saveAs(string name) {
    b8 saved = saveCurrentSceneAs(name);
    debugState->sceneWindowError = saved ? 0 : SAVE_ERROR_TEXT;
    return saved;
}

// "Save As" and "Load": the "Name" field, the action's button and "Cancel", and the error line
// while the last action failed. A successful action closes the window.
void drawSceneNameWindow(const c8* title, FirstPlace place, const c8* actionLabel, b8 (*act)(string name), b8* active,
                         b8* failed, const c8* errorText) {
    if (!*active) return;
    beginWindow(title, place);
    ImGui::InputText("Name", debugState->saveOrLoadName, SCENE_NAME_FIELD_SIZE);
    if (ImGui::Button(actionLabel)) {
        *failed = !act(wrapASCIIZ(debugState->saveOrLoadName));
        if (!*failed) *active = false;
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel")) *active = false;
    if (*failed) ImGui::Text("%s", errorText);
    ImGui::End();
}

} // namespace windows

void drawSceneWindow() {
    Scene* scene = editorScene();
    windows::beginWindow("Scene", windows::SCENE_PLACE);
    windows::drawText(scene->name);
    ImGui::Separator();
    if (ImGui::Button("Save")) debugState->sceneWindowError = saveCurrentScene() ? 0 : SAVE_ERROR_TEXT;
    ImGui::SameLine();
    if (ImGui::Button("Save Ass"))
        windows::openSceneNameWindow(&debugState->saveAsWindowActive, &debugState->failedToSave, &debugState->loadWindowActive);
    ImGui::SameLine();
    if (ImGui::Button("Load"))
        windows::openSceneNameWindow(&debugState->loadWindowActive, &debugState->failedToLoad, &debugState->saveAsWindowActive);
    ImGui::SameLine();
    if (ImGui::Button("Reload")) reloadCurrentScene();
    // Right under the buttons, where it is seen without scrolling.
    if (debugState->sceneWindowError) ImGui::Text("%s", debugState->sceneWindowError);
    ImGui::Separator();
    if (ImGui::Button("New Entity")) debugState->drawNewEntityWindow = true;
    ImGui::Separator();
    Entity* clicked = windows::drawEntityButtons(scene);
    if (clicked) toggleSelection(clicked);
    ImGui::End();
}

void drawEntityEditor() {
    Entity* entity = selectedEntity();
    if (!entity) return;
    windows::beginWindow("Selected Entity", windows::SELECTED_ENTITY_PLACE);
    windows::drawText(entity->name);
    if (ImGui::Button("Rename")) toggleRenameWindow();
    ImGui::SameLine();
    if (ImGui::Button("Destroy")) {
        // The entity array has moved under `entity`: nothing more of it is drawn.
        destroySelectedEntity();
        ImGui::End();
        return;
    }
    ImGui::Separator();
    drawFlagCheckbox("Enabled", &entity->enabled);
    ImGui::Separator();
    windows::drawEntityFields(entity);
    if (debugState->selectedEntityRef) windows::drawSelectEntity(editorScene());
    ImGui::End();
}

void drawSaveAs() {
    windows::drawSceneNameWindow("Save As", windows::SAVE_AS_PLACE, "Save", windows::saveAs,
                                 &debugState->saveAsWindowActive, &debugState->failedToSave, SAVE_ERROR_TEXT);
}

void drawLoad() {
    windows::drawSceneNameWindow("Load", windows::LOAD_PLACE, "Load", windows::load, &debugState->loadWindowActive,
                                 &debugState->failedToLoad, LOAD_ERROR_TEXT);
}

void drawNewEntity() {
    if (!debugState->drawNewEntityWindow) return;
    windows::beginWindow("New Entity", windows::NEW_ENTITY_PLACE);
    if (ImGui::Button("Cancel")) debugState->drawNewEntityWindow = false;
    ImGui::Separator();
    for (u32 i = 0; i < entityTypeCount; i++) {
        EntityType* type = &entityTypes[i];
        if (!ImGui::Button(frameText(afterLastColon(type->metaData->name)))) continue;
        if (createNewEntity(type)) debugState->drawNewEntityWindow = false;
    }
    ImGui::End();
}

void drawRenameEntity() {
    c8* text = debugState->renameBuffer;
    if (!debugState->drawRenameEntityWindow || !selectedEntity() || !text) return;
    windows::beginWindow("Rename Entity", windows::RENAME_ENTITY_PLACE);
    ImGui::InputText("New Name", text, RENAME_BUFFER_SIZE);
    if (ImGui::Button("Apply")) {
        debugState->failedToRename = !renameSelectedEntity(wrapASCIIZ(text));
        if (!debugState->failedToRename) {
            zeroSize(RENAME_BUFFER_SIZE, text);
            debugState->drawRenameEntityWindow = false;
        }
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel")) debugState->drawRenameEntityWindow = false;
    if (debugState->failedToRename) ImGui::Text("Error renaming Entity");
    ImGui::End();
}

void drawEditString() {
    c8* text = debugState->renameBuffer;
    if (!debugState->drawEditStringWindow || !debugState->selectedString || !text) return;
    windows::beginWindow("Edit String", windows::EDIT_STRING_PLACE);
    ImGui::InputTextMultiline("New String", text, RENAME_BUFFER_SIZE);
    if (ImGui::Button("Apply") && applyEditString(wrapASCIIZ(text))) {
        zeroSize(RENAME_BUFFER_SIZE, text);
        debugState->drawEditStringWindow = false;
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel")) debugState->drawEditStringWindow = false;
    ImGui::End();
}

void drawSceneNotice() {
    const c8* failure = engineState->sceneFailure;
    if (!failure) return;
    constexpr f32 NOTICE_TOP = 40.0f;
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoInputs |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    ImGui::SetNextWindowPos(ImVec2(ImGui::GetIO().DisplaySize.x * 0.5f, NOTICE_TOP), ImGuiCond_Always,
                            ImVec2(0.5f, 0.0f));
    ImGui::Begin("Scene Notice", 0, flags);
    ImGui::Text("Failed to load Scene \"%s\": %s", engineState->failedSceneName, failure);
    ImGui::End();
}

void drawEditorWindows() {
    drawSceneWindow();
    drawEntityEditor();
    drawSaveAs();
    drawLoad();
    drawNewEntity();
    drawRenameEntity();
    drawEditString();
}

} // namespace ve
