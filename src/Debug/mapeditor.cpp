#include "Debug/mapeditor.h"

#include "Core/engine_globals.h"
#include "Debug/editorActions.h"
#include "Debug/editorWindows.h"
#include "Util/string.h"

#include <imgui.h>
#include <imgui_internal.h>
#include <backends/imgui_impl_opengl3.h>

namespace ve {

DebugState* debugState;

namespace editor {

// Seconds handed to Dear ImGui for a GUI frame to which the input's clock gives no time: Dear
// ImGui stops the program on a frame time that is not positive.
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

// The input of one Dear ImGui frame. A frame's edges and text are replayed in order over as many
// GUI frames as it takes: Dear ImGui 1.86 reads only a key's or a button's state per frame, and a
// text field reads a frame's characters before its keys and before a click takes the keyboard
// from it. So each GUI frame holds the text typed before at most one key or mouse button edge, and
// that edge; a mouse button edge with the place where it happened.
struct GuiStep {
    b8 keysDown[keyCount];
    b8 mouseDown[mouseButtonCount];
    c8 text[inputTextCapacity];
    u32 textLength;
    b8 hasEdge;
    // The edge was a mouse button's: the mouse stands where it happened.
    b8 hasMouseEdge;
    s32 mouseX, mouseY;
    // The key edge was a press of ESC.
    b8 escapePressed;
    // When the edge arrived, in the platform's milliseconds.
    u32 edgeTime;
};

// ESC presses of this frame, and how many of them a text field took.
struct EscapeCount {
    u32 pressed;
    u32 taken;
};

// The states before this frame's first event: a key or button listed in the frame was up before
// it when its first edge is a press; one without edges is as the record has it.
void statesBeforeEvents(const GameInput* live, GuiStep* step) {
    b8 seenKeys[keyCount] = {};
    b8 seenButtons[mouseButtonCount] = {};
    for (u32 i = 0; i < keyCount; i++) step->keysDown[i] = live->keyboard.keys[i].isDown;
    for (u32 i = 0; i < mouseButtonCount; i++) step->mouseDown[i] = live->mouse.buttons[i].isDown;
    for (u32 i = 0; i < live->eventCount; i++) {
        const InputEvent* event = &live->events[i];
        b8 mouse = isMouseEdge(event->kind);
        b8* seen = mouse ? seenButtons : seenKeys;
        b8* down = mouse ? step->mouseDown : step->keysDown;
        if (seen[event->index]) continue;
        seen[event->index] = true;
        down[event->index] = event->kind == InputEventKeyUp || event->kind == InputEventMouseUp;
    }
}

void feedGuiStep(const GuiStep* step, const GameInput* live, f32 deltaTime) {
    ImGuiIO& io = ImGui::GetIO();
    io.DeltaTime = deltaTime;
    io.MousePos = step->hasMouseEdge ? ImVec2((f32)step->mouseX, (f32)step->mouseY)
                                     : ImVec2((f32)live->mouse.absInPixelsX, (f32)live->mouse.absInPixelsY);
    // Dear ImGui's buttons 0 and 1 are the left and the right one.
    io.MouseDown[0] = step->mouseDown[0];
    io.MouseDown[1] = step->mouseDown[2];
    for (u32 i = 0; i < keyCount; i++) io.KeysDown[i] = step->keysDown[i];
    // Only the left-hand modifiers count.
    io.KeyCtrl = step->keysDown[keyIndex(offsetof(Keyboard, CTRL_LEFT))];
    io.KeyShift = step->keysDown[keyIndex(offsetof(Keyboard, SHIFT_LEFT))];
    io.KeyAlt = step->keysDown[keyIndex(offsetof(Keyboard, ALT_LEFT))];
    io.KeySuper = step->keysDown[keyIndex(offsetof(Keyboard, SUPER_LEFT))];
    if (step->textLength) io.AddInputCharactersUTF8(step->text);
}

void buildGuiFrame(DebugState* state, const GuiStep* step, const GameInput* live, f32 deltaTime, EscapeCount* escapes,
                   b8 draw) {
    if (step->escapePressed) {
        escapes->pressed++;
        if (debugCapturesKeyboard()) escapes->taken++;
    }
    feedGuiStep(step, live, deltaTime);
    if (state->guiBackendReady) ImGui_ImplOpenGL3_NewFrame();
    ImGui::NewFrame();
    if (state->enabled) drawEditorWindows();
    drawSceneNotice();
    ImGui::Render();
    // Over the picture that the renderer has drawn this frame.
    if (draw && state->guiBackendReady) ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

// The frame's time handed out to its GUI frames, on the clock of the input's own times: the
// frame's input covers the span from the previous frame's `inputTime` to its own, and a GUI frame
// that replays an edge runs at the edge's place in that span. A frame's input ends where input
// that waits for the next frame begins, so two clicks close together count as a double click also
// when the second waited, however long the frames. The last GUI frame runs to the end of the span.
struct GuiClock {
    u32 spanStart;
    // Seconds.
    f32 span;
    f32 spent;
};

// Seconds from `from` to `to`, both in the platform's milliseconds; 0 when `to` is not later.
f32 secondsBetween(u32 from, u32 to) {
    s32 milliseconds = (s32)(to - from);
    return milliseconds > 0 ? (f32)milliseconds / 1000.0f : 0.0f;
}

f32 timeOfStep(const GuiStep* step, GuiClock* clock) {
    f32 at = clock->span;
    if (step->hasEdge) at = min(at, secondsBetween(clock->spanStart, step->edgeTime));
    f32 taken = at - clock->spent;
    if (taken < MIN_GUI_FRAME_TIME) taken = MIN_GUI_FRAME_TIME;
    clock->spent += taken;
    return taken;
}

// Ends the GUI frame being gathered, unless it is still empty, and starts the next one with the
// same keys and buttons.
void closeGuiStep(DebugState* state, GuiStep* step, const GameInput* live, GuiClock* clock, EscapeCount* escapes) {
    if (!step->hasEdge && !step->textLength) return;
    buildGuiFrame(state, step, live, timeOfStep(step, clock), escapes, false);
    step->textLength = 0;
    step->text[0] = 0;
    step->hasEdge = false;
    step->hasMouseEdge = false;
    step->escapePressed = false;
}

// The record's text from `*textAt` up to `upTo` joins the GUI frame, after its edge if it has one.
void addText(DebugState* state, GuiStep* step, const GameInput* live, u32* textAt, u32 upTo, GuiClock* clock,
             EscapeCount* escapes) {
    if (upTo <= *textAt) return;
    if (step->hasEdge) closeGuiStep(state, step, live, clock, escapes);
    memcpy(step->text + step->textLength, live->text + *textAt, upTo - *textAt);
    step->textLength += upTo - *textAt;
    step->text[step->textLength] = 0;
    *textAt = upTo;
}

void addEdge(GuiStep* step, const InputEvent* event) {
    step->hasEdge = true;
    step->edgeTime = event->time;
    if (isMouseEdge(event->kind)) {
        step->mouseDown[event->index] = event->kind == InputEventMouseDown;
        step->hasMouseEdge = true;
        step->mouseX = event->x;
        step->mouseY = event->y;
        return;
    }
    b8 pressed = event->kind == InputEventKeyDown;
    step->keysDown[event->index] = pressed;
    step->escapePressed = pressed && event->index == keyIndex(offsetof(Keyboard, ESC));
}

// The live input record into Dear ImGui, one GUI frame per edge, and the editor's windows built
// in each; only the last is drawn, and only when `draw`. Returns what became of this frame's ESC
// presses.
EscapeCount drawEditorFrame(DebugState* state, b8 draw) {
    const GameInput* live = debugInput;
    GuiClock clock = {state->guiInputTime, secondsBetween(state->guiInputTime, live->inputTime), 0.0f};
    EscapeCount escapes = {};
    GuiStep step = {};
    statesBeforeEvents(live, &step);
    u32 textAt = 0;
    for (u32 i = 0; i < live->eventCount; i++) {
        const InputEvent* event = &live->events[i];
        addText(state, &step, live, &textAt, event->textOffset, &clock, &escapes);
        // Nothing follows an edge in its GUI frame.
        if (step.hasEdge) closeGuiStep(state, &step, live, &clock, &escapes);
        addEdge(&step, event);
    }
    addText(state, &step, live, &textAt, live->textLength, &clock, &escapes);
    if (step.hasEdge) closeGuiStep(state, &step, live, &clock, &escapes);
    buildGuiFrame(state, &step, live, timeOfStep(&step, &clock), &escapes, draw);
    return escapes;
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

b8 debugUpdate() {
    DebugState* state = debugState;
    resetHeapStore(&state->tmpStore);
    // The editor opens before this frame's input reaches it, so its windows show at once, and
    // closes after, so that what was typed before F11 lands in its field; that last frame of the
    // windows is built but not drawn.
    b8 toggles = debugInput->keyboard.F11.wentDown;
    b8 closes = toggles && state->enabled;
    if (toggles && !closes) editor::toggleEditor(state);
    editor::EscapeCount escapes = {};
    if (state->enabled || engineState->sceneFailure) escapes = editor::drawEditorFrame(state, !closes);
    if (closes) editor::toggleEditor(state);
    state->guiInputTime = debugInput->inputTime;
    return escapes.pressed > 0 && escapes.taken == escapes.pressed;
}

// The field active now: Dear ImGui's WantTextInput changes only when the next GUI frame starts, so
// an ESC replayed right after a click into a field would not count as the field's.
b8 debugCapturesKeyboard() {
    ImGuiContext* gui = ImGui::GetCurrentContext();
    return debugState && debugState->enabled && gui->ActiveId != 0 && gui->ActiveId == gui->InputTextState.ID;
}

namespace editor {

// The bytes of `text` that fit `room`, cut back to the start of a character.
msi wholeCharactersWithin(const c8* text, msi room) {
    msi length = strlen(text);
    if (length <= room) return length;
    while (room > 0 && ((u8)text[room] & 0xC0) == 0x80) --room;
    return room;
}

// Bytes the active text field can take in a paste: a paste replaces the selection.
msi pasteRoom(const ImGuiInputTextState* field) {
    s32 selectionStart = ImMin(field->Stb.select_start, field->Stb.select_end);
    s32 selectionEnd = ImMax(field->Stb.select_start, field->Stb.select_end);
    s32 selectedBytes = ImTextCountUtf8BytesFromStr(field->TextW.Data + selectionStart, field->TextW.Data + selectionEnd);
    // The buffer's capacity holds the NUL.
    return (msi)(field->BufCapacityA - 1 - field->CurLenA + selectedBytes);
}

} // namespace editor

// Dear ImGui reads the clipboard only to paste into the active text field, which takes a paste
// whole or not at all, after deleting the selection: a text longer than the room left would empty
// a field whose text was selected. The field gets the text cut to its room, a copy in the editor's
// per-frame store.
const c8* ImGui_GetClipboard(void*) {
    const c8* text = platform->getClipboardZ();
    const ImGuiInputTextState* field = ImGui::GetInputTextState(GImGui->ActiveId);
    if (!field) return text;
    msi length = editor::wholeCharactersWithin(text, editor::pasteRoom(field));
    if (text[length] == 0) return text;
    c8* cut = (c8*)pushToHeap(&debugState->tmpStore, length + 1);
    // Without room for the copy nothing is pasted, and the field keeps its text.
    if (!cut) return "";
    memcpy(cut, text, length);
    cut[length] = 0;
    return cut;
}

void ImGui_SetClipboard(void*, const c8* text) { platform->setClipboard(wrapASCIIZ(text)); }

} // namespace ve
