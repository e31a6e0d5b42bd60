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
    ImGui::Begin("Select Entity", 0, 0);
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

// "Save As" and "Load": the "Name" field, the action's button and "Cancel", and the error line
// while the last action failed. A successful action closes the window.
void drawSceneNameWindow(const c8* title, const c8* actionLabel, b8 (*act)(string name), b8* active, b8* failed,
                         const c8* errorText) {
    if (!*active) return;
    ImGui::Begin(title, 0, 0);
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
    ImGui::Begin("Scene", 0, 0);
    windows::drawText(scene->name);
    ImGui::Separator();
    if (ImGui::Button("Save")) saveCurrentScene();
    ImGui::SameLine();
    if (ImGui::Button("Save Ass"))
        windows::openSceneNameWindow(&debugState->saveAsWindowActive, &debugState->failedToSave, &debugState->loadWindowActive);
    ImGui::SameLine();
    if (ImGui::Button("Load"))
        windows::openSceneNameWindow(&debugState->loadWindowActive, &debugState->failedToLoad, &debugState->saveAsWindowActive);
    ImGui::SameLine();
    if (ImGui::Button("Reload")) reloadCurrentScene();
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
    ImGui::Begin("Selected Entity", 0, 0);
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
    windows::drawSceneNameWindow("Save As", "Save", saveCurrentSceneAs, &debugState->saveAsWindowActive,
                                 &debugState->failedToSave, "Error saving Scene");
}

void drawLoad() {
    windows::drawSceneNameWindow("Load", "Load", windows::load, &debugState->loadWindowActive, &debugState->failedToLoad,
                                 "Error loading Scene");
}

void drawNewEntity() {
    if (!debugState->drawNewEntityWindow) return;
    ImGui::Begin("New Entity", 0, 0);
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
    ImGui::Begin("Rename Entity", 0, 0);
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
    ImGui::Begin("Edit String", 0, 0);
    ImGui::InputTextMultiline("New String", text, RENAME_BUFFER_SIZE);
    if (ImGui::Button("Apply") && applyEditString(wrapASCIIZ(text))) {
        zeroSize(RENAME_BUFFER_SIZE, text);
        debugState->drawEditStringWindow = false;
    }
    ImGui::SameLine();
    if (ImGui::Button("Cancel")) debugState->drawEditStringWindow = false;
    ImGui::End();
}

void drawSceneNotice(const c8* notice) {
    if (!notice[0]) return;
    constexpr f32 NOTICE_TOP = 40.0f;
    const ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                                   ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoInputs |
                                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    ImGui::SetNextWindowPos(ImVec2(ImGui::GetIO().DisplaySize.x * 0.5f, NOTICE_TOP), ImGuiCond_Always,
                            ImVec2(0.5f, 0.0f));
    ImGui::Begin("Scene Notice", 0, flags);
    ImGui::Text("%s", notice);
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
