#pragma once
// The map editor's state and its hooks into the engine: set-up at start-up, re-binding on every
// engine reload, the question whether a text field has the keyboard, and its step at the end of
// every frame.
//
// F11 (in the live input) opens the editor: the scene pauses, the mouse is freed and Dear ImGui
// windows are drawn over the game's picture (editorWindows.h, fieldEditor.h). F11 again resumes.

#include "Platform/ve_platform.h"
#include "Memory/memory.h"
#include "Core/Scene/sceneDef.h"

namespace ve {

// Sizes of the editor's platform blocks, in the order set-up takes them.
constexpr msi DEBUG_STATE_BLOCK_SIZE = 536870912; // 512 MiB: the block that holds the record
constexpr msi DEBUG_TMP_STORE_SIZE = 33554432;    // 32 MiB, emptied every frame
constexpr msi DEBUG_STORE_SIZE = 67108864;        // 64 MiB, the editor's long-lived allocations

// Dear ImGui's display, in pixels: the window's fixed size.
constexpr f32 EDITOR_DISPLAY_WIDTH = 1440.0f;
constexpr f32 EDITOR_DISPLAY_HEIGHT = 900.0f;
// The shader version line handed to Dear ImGui's OpenGL 3 back end.
constexpr const c8* EDITOR_GLSL_VERSION = "#version 130";
// Text arrays of the editor's windows, NUL included.
constexpr msi SCENE_NAME_FIELD_SIZE = 64;
constexpr msi RENAME_BUFFER_SIZE = 512;

// One record for the whole run; the platform keeps its address in `GameMemory::debugState`.
struct DebugState {
    MemoryStore debugStore;
    buffer tmpStoreBuffer; // nothing writes it; it stays empty
    // Emptied at the start of every editor frame: the labels and texts of one frame.
    MemoryStore tmpStore;
    b8 enabled; // the editor is open
    // The mouse was captured when the editor opened; closing it captures the mouse again.
    b8 mousePrevRelative;
    // The entity shown in "Selected Entity", by id (all zero: none). It is found anew every frame,
    // so it survives the entity array growing or shrinking under it.
    EntityRef selectedEntity;
    // The reference field whose target "Select Entity" picks, or null.
    EntityRef* selectedEntityRef;
    b8 saveAsWindowActive;
    b8 loadWindowActive;
    b8 failedToLoad;
    // The last "Save As" was refused or failed.
    b8 failedToSave;
    // The line "Scene" shows under its buttons since its last Save, Save As or Reload failed
    // (SAVE_ERROR_TEXT or LOAD_ERROR_TEXT), or null.
    const c8* sceneWindowError;
    // The last "Apply" of "Rename Entity" was refused or failed.
    b8 failedToRename;
    c8 saveOrLoadName[SCENE_NAME_FIELD_SIZE];
    b8 drawNewEntityWindow;
    b8 drawRenameEntityWindow;
    b8 drawEditStringWindow;
    // RENAME_BUFFER_SIZE bytes from `debugStore`, taken on first use: the text of "Rename Entity"
    // and "Edit String".
    c8* renameBuffer;
    // The string field that "Edit String" edits, or null.
    string* selectedString;
    // Dear ImGui's OpenGL 3 back end is set up: the windows are drawn, not only built.
    b8 guiBackendReady;
    // The live input's `inputTime` of the previous frame: where Dear ImGui's clock stands on the
    // clock of the input's times.
    u32 guiInputTime;
};

extern DebugState* debugState;

// Takes the editor's three blocks, creates its record (into `gameMemory`) and the Dear ImGui
// context. The OpenGL back end is set up only when the platform offers OpenGL; without it the
// editor builds its windows every frame but draws nothing.
void debugInit(GameMemory* gameMemory);
// Re-binds `ve::debugState` to the record the platform keeps.
void debugReload(GameMemory* gameMemory);
// Called by the engine's scene switch (every one: the first level, R, an elevator, Load, Reload)
// right after the old scene is freed: the editor forgets it, so nothing of the editor points into
// it any more (selection, reference picker, edited string; "Rename Entity" and "Edit String"
// close), and the error lines about earlier actions go.
void noticeSceneSwitch();
// The editor's frame: F11, then, while open or while the current scene
// stands in for one that failed to load, the live input to Dear ImGui and every window that
// shows. True when ESC went down in this frame and every press of it went to a text field, which
// cancelled its edit.
b8 debugUpdate();
// A text field of the open editor has the keyboard (after the last GUI frame built): the game's
// hotkeys must not act on what is typed, and ESC cancels the field's edit instead of quitting.
b8 debugCapturesKeyboard();

// Dear ImGui's clipboard hooks, over the platform's clipboard.
const c8* ImGui_GetClipboard(void* userData);
void ImGui_SetClipboard(void* userData, const c8* text);

} // namespace ve
