#include "Debug/mapeditor.h"

#include "Core/engine_globals.h"
#include "Debug/editorWindows.h"
#include "Math/integerMath.h"
#include "Util/string.h"

#include <imgui.h>
#include <backends/imgui_impl_opengl3.h>

#include <stdio.h>

namespace ve {

DebugState* debugState;

namespace editor {

// Seconds handed to Dear ImGui for a frame that the platform timed as lasting no time at all.
constexpr f32 MIN_GUI_FRAME_TIME = 1.0e-6f;

using Keyboard = GameInput::Keyboard;

// The engine's key index of the key at byte `offset` of the keyboard record: its place among the
// keys.
constexpr u32 keyIndex(msi offset) { return (u32)(offset / sizeof(Keyboard::Key)); }

// Dear ImGui's navigation and editing keys and the engine's key index of each.
struct KeyMapping {
    ImGuiKey guiKey;
    u32 engineKey;
};
constexpr KeyMapping KEY_MAP[] = {
    {ImGuiKey_Tab, keyIndex(offsetof(Keyboard, TAB))},
    {ImGuiKey_LeftArrow, keyIndex(offsetof(Keyboard, ARROW_LEFT))},
    {ImGuiKey_RightArrow, keyIndex(offsetof(Keyboard, ARROW_RIGHT))},
    {ImGuiKey_UpArrow, keyIndex(offsetof(Keyboard, ARROW_UP))},
    {ImGuiKey_DownArrow, keyIndex(offsetof(Keyboard, ARROW_DOWN))},
    {ImGuiKey_PageUp, keyIndex(offsetof(Keyboard, PAGE_UP))},
    {ImGuiKey_PageDown, keyIndex(offsetof(Keyboard, PAGE_DOWN))},
    {ImGuiKey_Home, keyIndex(offsetof(Keyboard, POS1))},
    {ImGuiKey_End, keyIndex(offsetof(Keyboard, END))},
    {ImGuiKey_Insert, keyIndex(offsetof(Keyboard, INSERT))},
    {ImGuiKey_Delete, keyIndex(offsetof(Keyboard, DELETE_KEY))},
    {ImGuiKey_Backspace, keyIndex(offsetof(Keyboard, BACKSPACE))},
    {ImGuiKey_Space, keyIndex(offsetof(Keyboard, SPACE))},
    {ImGuiKey_Enter, keyIndex(offsetof(Keyboard, ENTER))},
    {ImGuiKey_Escape, keyIndex(offsetof(Keyboard, ESC))},
    {ImGuiKey_A, keyIndex(offsetof(Keyboard, A))},
    {ImGuiKey_C, keyIndex(offsetof(Keyboard, C))},
    {ImGuiKey_V, keyIndex(offsetof(Keyboard, V))},
    {ImGuiKey_X, keyIndex(offsetof(Keyboard, X))},
    {ImGuiKey_Y, keyIndex(offsetof(Keyboard, Y))},
    {ImGuiKey_Z, keyIndex(offsetof(Keyboard, Z))},
};

// The Dear ImGui context with the default font, the dark style, the key map and the clipboard.
// The font atlas is built here, so that frames can be built also without the back end (which
// otherwise builds it when it makes its font texture).
void createGuiContext() {
    // CreateContext keeps an earlier context current: the new one is made current explicitly.
    ImGui::SetCurrentContext(ImGui::CreateContext());
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(EDITOR_DISPLAY_WIDTH, EDITOR_DISPLAY_HEIGHT);
    ImGui::StyleColorsDark();
    for (const KeyMapping& mapping : KEY_MAP) io.KeyMap[mapping.guiKey] = (int)mapping.engineKey;
    io.GetClipboardTextFn = ImGui_GetClipboard;
    io.SetClipboardTextFn = ImGui_SetClipboard;
    io.Fonts->Build();
}

// The back end finds OpenGL by itself; it is asked only when the platform has an OpenGL context
// to offer (a headless engine has none), and its answer is checked.
b8 initGuiBackend() {
    if (!platform->getGLProcAddr) return false;
    if (ImGui_ImplOpenGL3_Init(EDITOR_GLSL_VERSION)) return true;
    platform->print(wrapASCIIZ("Map editor: the OpenGL back end could not be set up; the editor draws nothing."));
    return false;
}

// F11 opens and closes the editor; the scene runs exactly while the editor is closed.
void toggleEditor(DebugState* state) {
    if (state->enabled) {
        platform->setCursorRelative(state->mousePrevRelative);
    } else {
        state->mousePrevRelative = debugInput->mouse.relative;
        platform->setCursorRelative(false);
    }
    state->enabled = !state->enabled;
    engineState->currentScene.enabled = !state->enabled;
}

// A button counts as down also in the frame in which it went down and up again, so that a click
// or a key stroke shorter than a frame still reaches Dear ImGui.
bool isHeld(b8 isDown, b8 wentDown) { return isDown || wentDown; }

// The live input record into Dear ImGui's input block. Dear ImGui derives the mouse delta from
// the positions itself.
void feedInput(GameInput* live) {
    ImGuiIO& io = ImGui::GetIO();
    // Dear ImGui stops the program on a frame time that is not positive; the platform reports 0
    // for its first frame.
    io.DeltaTime = live->deltaTime > 0.0 ? (f32)live->deltaTime : MIN_GUI_FRAME_TIME;
    io.MousePos = ImVec2((f32)live->mouse.absInPixelsX, (f32)live->mouse.absInPixelsY);
    io.MouseDown[0] = isHeld(live->mouse.left.isDown, live->mouse.left.wentDown);
    io.MouseDown[1] = isHeld(live->mouse.right.isDown, live->mouse.right.wentDown);
    GameInput::Keyboard* keys = &live->keyboard;
    for (u32 i = 0; i < keyCount; i++) io.KeysDown[i] = isHeld(keys->keys[i].isDown, keys->keys[i].wentDown);
    // Only the left-hand modifiers count.
    io.KeyCtrl = keys->CTRL_LEFT.isDown;
    io.KeyShift = keys->SHIFT_LEFT.isDown;
    io.KeyAlt = keys->ALT_LEFT.isDown;
    io.KeySuper = keys->SUPER_LEFT.isDown;
    if (keys->newUTF8Input) io.AddInputCharactersUTF8(keys->utf8Input);
}

void drawEditorFrame(DebugState* state) {
    feedInput(debugInput);
    if (state->guiBackendReady) ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    if (state->enabled) drawEditorWindows();
    drawSceneNotice(state->sceneNotice);
    ImGui::Render();
    // Over the picture that the renderer has drawn this frame.
    if (state->guiBackendReady) ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

} // namespace editor

void debugInit(GameMemory* gameMemory) {
    // The record's own store is not kept: the record is its only allocation.
    MemoryStore stateStore = createHeapStore(platform->allocateMemory(DEBUG_STATE_BLOCK_SIZE));
    DebugState* state = (DebugState*)pushToHeap(&stateStore, sizeof(DebugState));
    VE_ASSERT_NOT_NULL(state);
    zeroSize(sizeof(DebugState), state);
    state->enabled = false;
    debugState = state;
    gameMemory->debugState = state;

    state->tmpStore = createHeapStore(platform->allocateMemory(DEBUG_TMP_STORE_SIZE));
    state->debugStore = createHeapStore(platform->allocateMemory(DEBUG_STORE_SIZE));

    editor::createGuiContext();
    state->guiBackendReady = editor::initGuiBackend();
}

void debugReload(GameMemory* gameMemory) { debugState = gameMemory->debugState; }

void debugUpdate() {
    DebugState* state = debugState;
    resetHeapStore(&state->tmpStore);
    if (debugInput->keyboard.F11.wentDown) editor::toggleEditor(state);
    if (state->enabled || state->sceneNotice[0]) editor::drawEditorFrame(state);
}

void showSceneNotice(string sceneName, const c8* reason) {
    snprintf(debugState->sceneNotice, SCENE_NOTICE_SIZE, "Failed to load Scene \"%.*s\": %s",
             (int)min(sceneName.length, NOTICE_NAME_BYTES), (const c8*)sceneName.data, reason);
}

void clearSceneNotice() { debugState->sceneNotice[0] = 0; }

b8 debugCapturesKeyboard() { return debugState && debugState->enabled && ImGui::GetIO().WantTextInput; }

const c8* ImGui_GetClipboard(void*) { return platform->getClipboardZ(); }

void ImGui_SetClipboard(void*, const c8* text) { platform->setClipboard(wrapASCIIZ(text)); }

} // namespace ve
