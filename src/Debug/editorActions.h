#pragma once
// What the editor's buttons do to the current scene and to the editor's state, apart from the
// windows that offer them, so that each action is one call.
//
// All act on the engine's current scene (`engineState->currentScene`) and on `debugState`.

#include "Core/Scene/sceneDef.h"
#include "Meta/entity_type_list.h"
#include "Physics/physics.h"

namespace ve {

// The scene the editor works on: the engine's current scene.
Scene* editorScene();
// The selected entity of the current scene, null when none is selected or it is gone.
Entity* selectedEntity();
// Selects `entity`, or clears the selection when it is the selected one already.
void toggleSelection(Entity* entity);

// A scene name that may become a file name: not empty, no "/", "\" or "..".
b8 isValidSceneName(string name);

// Writes the current scene to its file. The player's camera is stored as its init reads it: the
// point that the eye looks at, not the direction that init and play leave in it.
b8 saveCurrentScene();
// Saves the current scene under the name `name` and then gives the scene that name (copied into
// its own heap; the id follows). Refused, with a message, for a name `isValidSceneName` refuses;
// on any failure the scene keeps its old name.
b8 saveCurrentSceneAs(string name);
// Loads the scene `name` from `store` in place of `scene` (the current scene), through the engine's
// one scene switch, and initialises it, paused. On failure (also for an empty or unusable name, and for a file that cannot be read
// whole) the current scene stays as it was.
b8 loadSceneDebug(Scene* scene, string name, MemoryStore* store);
// Saves the current scene and, only when that succeeded, loads it again from its file. A failure
// leaves the line to show in "Scene" in `debugState->sceneWindowError`; success clears it.
b8 reloadCurrentScene();

// The name a new entity of `type` gets in the current scene: "New " and the type's name, with
// "1" appended while an entity of that name exists. In the editor's per-frame store.
string newEntityName(EntityType* type);
// A new entity of `type` in the current scene, under `newEntityName`, with identity rotations
// in its body options, initialised by its type. Null when the scene cannot take it.
Entity* createNewEntity(EntityType* type);
// Destroys the selected entity and clears the selection, the picker and the edited string, and
// closes "Rename Entity" and "Edit String".
void destroySelectedEntity();

// Opens or closes "Rename Entity" with the selected entity's name in the text buffer.
void toggleRenameWindow();
// Renames the selected entity to `newName`; the selection follows it. Refused for an empty name
// and for the name of another entity of the scene.
b8 renameSelectedEntity(string newName);
// Opens or closes "Edit String" for the string `field`, with its text in the text buffer.
void toggleEditString(string* field);
// Replaces the edited string's text by `text`, in the scene's heap.
b8 applyEditString(string text);

// The lines "Scene" shows under its buttons after a failed Save, Save As or Reload.
constexpr const c8* SAVE_ERROR_TEXT = "Error saving Scene";
constexpr const c8* LOAD_ERROR_TEXT = "Error loading Scene";

// The checkboxes of the "phFlags" editor, each over one bit of the body's flag word.
struct FlagCheckbox {
    const c8* label;
    u32 bit;
};
constexpr u32 FLAG_CHECKBOX_COUNT = 10;
constexpr FlagCheckbox FLAG_CHECKBOXES[FLAG_CHECKBOX_COUNT] = {
    {"Awake", 0x1},
    {"Active", 0x2},
    {"AllowSleep", 0x4},
    {"Island", 0x10},
    {"Static", (u32)BodyType::Static},
    {"Dynamic", (u32)BodyType::Dynamic},
    {"Kinematic", (u32)BodyType::Kinematic},
    {"LockAxisX", (u32)AxisLock::X},
    {"LockAxisY", (u32)AxisLock::Y},
    {"LockAxisZ", (u32)AxisLock::Z},
};
constexpr u32 BODY_TYPE_BITS = (u32)BodyType::Static | (u32)BodyType::Dynamic | (u32)BodyType::Kinematic;

// The flag word after the "phFlags" editor: `checkboxBits` decide the bits of FLAG_CHECKBOXES,
// the rest keeps what `flags` has. The body type bits are one choice: a type bit that is ticked
// (set in `checkboxBits`, clear in `flags`) clears the other two.
u32 mergeFlagBits(u32 flags, u32 checkboxBits);

} // namespace ve
