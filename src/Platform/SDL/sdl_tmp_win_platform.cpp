#include "Platform/SDL/sdl_tmp_win_platform.h"

#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace ve {

GameInput sdl_gameInput;
GameInput sdl_debugInput;

// Rows of SDL's scancode numbering; every key index 0 to 90 appears exactly once.
const u8 KeyCodeMappings[keyCodeMappingCount] = {
    255, 255, 255, 255, 0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  //   0- 15: A-L
    12,  13,  14,  15,  16,  17,  18,  19,  20,  21,  22,  23,  24,  25,  26,  27,  //  16- 31: M-Z, 1, 2
    28,  29,  30,  31,  32,  33,  34,  35,  73,  77,  76,  74,  75,  255, 255, 255, //  32- 47: 3-0, RETURN..SPACE
    255, 255, 255, 255, 255, 90,  255, 255, 255, 50,  36,  37,  38,  39,  40,  41,  //  48- 63: GRAVE, CAPSLOCK, F1-F6
    42,  43,  44,  45,  46,  47,  255, 82,  83,  84,  86,  88,  85,  87,  89,  81,  //  64- 79: F7-F12, SCROLLLOCK..RIGHT
    80,  79,  78,  255, 68,  69,  70,  71,  72,  58,  59,  60,  61,  62,  63,  64,  //  80- 95: LEFT, DOWN, UP, keypad
    65,  66,  67,  255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, //  96-111: KP_8, KP_9, KP_0
    255, 255, 255, 255, 255, 255, 57,  255, 255, 255, 255, 255, 255, 255, 255, 255, // 112-127: MENU
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, // 128-143
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, // 144-159
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, // 160-175
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, // 176-191
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, // 192-207
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, // 208-223
    51,  48,  53,  54,  52,  49,  56,  55,  255, 255, 255, 255, 255, 255, 255, 255, // 224-239: modifiers
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,      // 240-254
};

// =============================================================================================
// Window and timing
// =============================================================================================

namespace detail {

struct GLContextVersion {
    int major;
    int minor;
};

// 4.6 is what the renderer is written against; drivers without it (Mesa's software rasteriser
// offers 4.5) still run it, and 4.3 is the least its debug output and GLSL 4.20 need.
constexpr GLContextVersion wantedGLVersions[] = {{4, 6}, {4, 5}, {4, 3}};

SDL_GLContext createGLContext(SDL_Window* window) {
    for (GLContextVersion version : wantedGLVersions) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, version.major);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, version.minor);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GLContext context = SDL_GL_CreateContext(window);
        if (context) return context;
    }
    return nullptr;
}

typedef const u8* (*StartupGetStringFunc)(u32 name);
typedef void (*StartupGetIntegervFunc)(u32 name, s32* data);
constexpr u32 startupGLVersion = 0x1F02;      // GL_VERSION
constexpr u32 startupGLMajorVersion = 0x821B; // GL_MAJOR_VERSION
constexpr u32 startupGLMinorVersion = 0x821C; // GL_MINOR_VERSION

// The version the driver gave may be above the one asked for; say once which one runs.
void printGLContextVersion() {
    StartupGetStringFunc getString = (StartupGetStringFunc)SDL_GL_GetProcAddress("glGetString");
    StartupGetIntegervFunc getIntegerv = (StartupGetIntegervFunc)SDL_GL_GetProcAddress("glGetIntegerv");
    if (!getString || !getIntegerv) return;
    s32 major = 0;
    s32 minor = 0;
    getIntegerv(startupGLMajorVersion, &major);
    getIntegerv(startupGLMinorVersion, &minor);
    const u8* versionText = getString(startupGLVersion);
    printf("OpenGL context %d.%d (%s)\n", major, minor, versionText ? (const c8*)versionText : "unknown");
    fflush(stdout);
}

} // namespace detail

b8 setupWindow(SDLWindow* window) {
    window->width = windowWidth;
    window->height = windowHeight;
    window->window = SDL_CreateWindow("Kestrolan", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      (int)windowWidth, (int)windowHeight, SDL_WINDOW_OPENGL);
    if (!window->window) {
        fprintf(stderr, "Kestrolan: cannot create the 1440x900 OpenGL window: %s\n", SDL_GetError());
        return false;
    }
    window->glContext = detail::createGLContext(window->window);
    if (!window->glContext) {
        fprintf(stderr, "Kestrolan: no OpenGL context (tried 4.6, 4.5 and 4.3 core): %s\n", SDL_GetError());
        return false;
    }
    detail::printGLContextVersion();
    return true;
}

f32 physicsTickLength(s32 refreshRate) {
    s32 rate = refreshRate > 0 ? refreshRate : fallbackRefreshRate;
    return 1.0f / (f32)rate;
}

u64 getNanoTime() { return SDL_GetPerformanceCounter() * (nanosecondsPerSecond / SDL_GetPerformanceFrequency()); }

u64 advanceFrameClock(FrameClock* clock, u64 currentTime, GameInput* input) {
    u64 elapsed = currentTime - clock->prevTime;
    input->deltaTime = (f64)elapsed / 1e9;
    clock->prevTime = currentTime;
    clock->acc += elapsed;
    clock->counter += 1;
    if (clock->acc <= nanosecondsPerSecond - 1) return 0;
    u64 framesPerSecond = clock->counter;
    // A stall of many seconds is reported once: its whole seconds go with this line, so the lines
    // after it count the frames of their own second instead of one frame each.
    clock->acc %= nanosecondsPerSecond;
    clock->counter = 0;
    return framesPerSecond;
}

// =============================================================================================
// Events
// =============================================================================================

namespace detail {

u8 keyIndexForScancode(SDL_Scancode scancode) {
    if ((u32)scancode >= keyCodeMappingCount) return unmappedKeyIndex;
    return KeyCodeMappings[scancode];
}

b8 isPress(InputEventKind kind) { return kind == InputEventKeyDown || kind == InputEventMouseDown; }

// The key or button edge that `event` makes, with its index; `InputEventNone` for every other
// event and for repeats, unmapped keys and mouse buttons above the third, which change nothing.
struct EdgeOfEvent {
    InputEventKind kind;
    u8 index;
};

EdgeOfEvent edgeOfEvent(const SDL_Event* event) {
    switch (event->type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        u8 keyIndex = keyIndexForScancode(event->key.keysym.scancode);
        b8 repeat = event->type == SDL_KEYDOWN && event->key.repeat;
        if (keyIndex == unmappedKeyIndex || repeat) return {InputEventNone, 0};
        return {event->type == SDL_KEYDOWN ? InputEventKeyDown : InputEventKeyUp, keyIndex};
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        // SDL numbers the buttons from 1 (left, middle, right).
        u8 button = event->button.button;
        if (button < 1 || button > mouseButtonCount) return {InputEventNone, 0};
        return {event->type == SDL_MOUSEBUTTONDOWN ? InputEventMouseDown : InputEventMouseUp, (u8)(button - 1)};
    }
    default: return {InputEventNone, 0};
    }
}

// SDL's text holds whole characters with their NUL.
u32 typedLength(const SDL_TextInputEvent* event) { return (u32)strnlen(event->text, sizeof(event->text) - 1); }

void applyEdge(GameInput* input, EdgeOfEvent edge, const SDL_Event* event) {
    GameInput::Button* button = buttonOfEdge(input, edge.kind, edge.index);
    b8 pressed = isPress(edge.kind);
    button->isDown = pressed;
    if (pressed) button->wentDown = true;
    else button->wentUp = true;
    b8 mouse = isMouseEdge(edge.kind);
    input->events[input->eventCount++] = {edge.kind, edge.index, (u16)input->textLength, event->common.timestamp,
                                          mouse ? event->button.x : 0, mouse ? event->button.y : 0};
}

void appendText(GameInput* input, const SDL_TextInputEvent* event) {
    u32 length = typedLength(event);
    memcpy(input->text + input->textLength, event->text, length);
    input->textLength += length;
    input->text[input->textLength] = 0;
}

void handleMouseMotion(GameInput* input, const SDL_MouseMotionEvent* event) {
    input->mouse.absInPixelsX = event->x;
    input->mouse.absInPixelsY = event->y;
    input->mouse.abs.x = ((f32)event->x / (f32)windowWidth - 0.5f) * 2.0f;
    input->mouse.abs.y = ((f32)event->y / (f32)windowHeight - 0.5f) * 2.0f;
}

} // namespace detail

GameInput::Button* buttonOfEdge(GameInput* input, InputEventKind kind, u8 index) {
    if (isMouseEdge(kind)) return &input->mouse.buttons[index];
    return &input->keyboard.keys[index];
}

b8 joinsThisFrame(const GameInput* input, const SDL_Event* event) {
    using namespace detail;
    if (event->type == SDL_TEXTINPUT) return input->textLength + typedLength(&event->text) < inputTextCapacity;
    EdgeOfEvent edge = edgeOfEvent(event);
    if (edge.kind == InputEventNone) return true;
    const GameInput::Button* button = buttonOfEdge((GameInput*)input, edge.kind, edge.index);
    if (isPress(edge.kind) ? button->wentDown : button->wentUp) return false;
    return input->eventCount < inputEventCapacity;
}

void clearInputEdges(GameInput* input) {
    for (GameInput::Keyboard::Key& key : input->keyboard.keys) {
        key.wentDown = false;
        key.wentUp = false;
    }
    for (GameInput::Button& button : input->mouse.buttons) {
        button.wentDown = false;
        button.wentUp = false;
    }
    input->eventCount = 0;
    input->textLength = 0;
    input->text[0] = 0;
}

void applyMouseModeChange(MouseModeChange change, const GameInput* input) {
    if (change == MouseModeFree) SDL_SetRelativeMouseMode(SDL_FALSE);
    if (change == MouseModeRestore) SDL_SetRelativeMouseMode(input->mouse.relative ? SDL_TRUE : SDL_FALSE);
}

void handleWindowEvent(GameInput* input, const SDL_WindowEvent* event) {
    if (event->event == SDL_WINDOWEVENT_FOCUS_GAINED) applyMouseModeChange(MouseModeRestore, input);
    if (event->event == SDL_WINDOWEVENT_FOCUS_LOST) applyMouseModeChange(MouseModeFree, input);
}

b8 handleEvent(GameInput* input, const SDL_Event* event) {
    using namespace detail;
    EdgeOfEvent edge = edgeOfEvent(event);
    if (edge.kind != InputEventNone) applyEdge(input, edge, event);
    switch (event->type) {
    case SDL_QUIT: return true;
    case SDL_WINDOWEVENT: handleWindowEvent(input, &event->window); break;
    case SDL_TEXTINPUT: appendText(input, &event->text); break;
    case SDL_MOUSEMOTION: handleMouseMotion(input, &event->motion); break;
    default: break;
    }
    return false;
}

b8 handleEvents(GameInput* input) {
    // Asked before this frame's events are polled: it covers the motion SDL had gathered by the
    // end of the previous frame's polling.
    int deltaX = 0;
    int deltaY = 0;
    SDL_GetRelativeMouseState(&deltaX, &deltaY);
    input->mouse.delta.x = (f32)deltaX;
    input->mouse.delta.y = (f32)deltaY;
    clearInputEdges(input);
    // Once, so that everything queued now carries an earlier time stamp than `inputTime`.
    SDL_PumpEvents();
    input->inputTime = SDL_GetTicks();
    b8 quit = false;
    SDL_Event event;
    // The one rule of the queue: events join the frame in their order until one cannot; that one
    // and all after it stay in SDL's queue for the next frame.
    while (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        if (!joinsThisFrame(input, &event)) {
            input->inputTime = event.common.timestamp;
            break;
        }
        SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        if (handleEvent(input, &event)) quit = true;
    }
    return quit;
}

// =============================================================================================
// Input recording
// =============================================================================================

void copyBuffers(DynArray* from, DynArray* to) {
    for (msi i = 0; i < from->length; ++i) {
        if (i == to->length) {
            msi length = ((buffer*)(*from)[i])->length;
            buffer snapshot = {length, (u8*)malloc(length)};
            VE_ASSERT_NOT_NULL(snapshot.data);
            VE_ASSERT_NOT_NULL(push(to, &snapshot));
        }
        VE_ASSERT(((buffer*)(*to)[i])->length == ((buffer*)(*from)[i])->length);
        buffer* source = (buffer*)(*from)[i];
        buffer* target = (buffer*)(*to)[i];
        memcpy(target->data, source->data, source->length);
    }
}

namespace detail {

MouseModeChange handleRecordingKeys(InputRecorder* recorder, const GameInput::Keyboard* keyboard, DynArray* platformBlocks) {
    if (keyboard->F1.wentDown && !recorder->recording && !recorder->playback) {
        copyBuffers(platformBlocks, &recorder->bufferSnapshots);
        recorder->recording = true;
    }
    MouseModeChange change = MouseModeKeep;
    if (keyboard->F2.wentDown && recorder->recording && !recorder->playback) {
        recorder->recording = false;
        // F1 and F2 in one frame leave nothing to replay: F2 then only stops the recording.
        if (recorder->recordingIndex > 0) {
            recorder->playback = true;
            change = MouseModeFree;
        }
    }
    if (keyboard->F3.wentDown && (recorder->recording || recorder->playback)) {
        recorder->recording = false;
        recorder->playback = false;
        recorder->recordingIndex = 0;
        recorder->playbackIndex = 0;
        change = MouseModeRestore;
    }
    return change;
}

void recordInputFrame(InputRecorder* recorder, const GameInput* liveInput) {
    if (recorder->recordingIndex < inputRecordingCapacity) {
        recorder->inputRecording[recorder->recordingIndex++] = *liveInput;
        return;
    }
    recorder->recording = false;
    recorder->playback = true;
}

// Every pass starts from the memory of the frame in which F1 was pressed. The replayed frame is
// kept apart from the live record: written over it, the keys of the last replayed frame stayed
// held after F3 until they were pressed again (a replay stopped while it held SPACE left the world
// rewinding, and standing still, until SPACE was tapped).
void replayInputFrame(InputRecorder* recorder, DynArray* platformBlocks) {
    if (recorder->playbackIndex == 0) copyBuffers(&recorder->bufferSnapshots, platformBlocks);
    recorder->replayedInput = recorder->inputRecording[recorder->playbackIndex];
    recorder->playbackIndex = (recorder->playbackIndex + 1) % recorder->recordingIndex;
}

} // namespace detail

MouseModeChange stepInputRecording(InputRecorder* recorder, GameInput* liveInput, DynArray* platformBlocks) {
    MouseModeChange change = detail::handleRecordingKeys(recorder, &liveInput->keyboard, platformBlocks);
    if (recorder->recording) detail::recordInputFrame(recorder, liveInput);
    if (recorder->playback) detail::replayInputFrame(recorder, platformBlocks);
    return change;
}

GameInput* gameInputOfFrame(InputRecorder* recorder, GameInput* liveInput) {
    return recorder->playback ? &recorder->replayedInput : liveInput;
}

// =============================================================================================
// Start-up and the frame loop
// =============================================================================================

namespace detail {

// Re-points the engine at the platform and its state before every update.
void checkAndLoadGameEngine(SDLMainState* state) { state->engine.engineReload(&state->gameMemory, &state->platformAPI); }

// The frame in which ESC is pressed or the window is closed is still updated, drawn and timed.
// Whether ESC ends the program is the engine's answer: a text field of the editor takes it.
b8 runFrame(SDLMainState* state) {
    b8 quit = handleEvents(&sdl_gameInput);
    sdl_gameInput.physicsDelta = state->physicsDelta;
    sdl_debugInput = sdl_gameInput;
    applyMouseModeChange(stepInputRecording(&state->recorder, &sdl_gameInput, &allocatedBuffers), &sdl_gameInput);
    checkAndLoadGameEngine(state);
    b8 quitRequested = state->engine.engineUpdate(gameInputOfFrame(&state->recorder, &sdl_gameInput), &sdl_debugInput);
    b8 running = !quit && !quitRequested;
    SDL_GL_SwapWindow(state->window.window);
    u64 framesPerSecond = advanceFrameClock(&state->clock, getNanoTime(), &sdl_gameInput);
    if (framesPerSecond) {
        printf("FPS: %llu \n", (unsigned long long)framesPerSecond);
        fflush(stdout);
    }
    return running;
}

f32 queryPhysicsTickLength(SDLMainState* state) {
    int displayIndex = SDL_GetWindowDisplayIndex(state->window.window);
    if (displayIndex < 0 || SDL_GetCurrentDisplayMode(displayIndex, &state->displayMode) != 0) return physicsTickLength(0);
    return physicsTickLength(state->displayMode.refresh_rate);
}

void setupPlatformMemory(SDLMainState* state) {
    buffer platformBlock = {platformStoreSize, (u8*)malloc(platformStoreSize)};
    state->memStore = createHeapStore(platformBlock);
    state->recorder.bufferSnapshots = createDynArray(sizeof(buffer), 16, &state->memStore);
    allocatedBuffers = createDynArray(sizeof(buffer), 16, &state->memStore);
}

} // namespace detail

} // namespace ve

namespace ve::detail {

b8 startProgram(SDLMainState* state) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        fprintf(stderr, "Kestrolan: SDL_Init(SDL_INIT_VIDEO) failed: %s\n", SDL_GetError());
        return false;
    }
    if (!setupWindow(&state->window)) return false;
    state->physicsDelta = queryPhysicsTickLength(state);
    initPlatformAPI(&state->platformAPI);
    zeroSize(sizeof(sdl_gameInput), &sdl_gameInput);
    setupPlatformMemory(state);
    state->engine = {nullptr, EngineReload, EngineInit, EngineUpdate, 0};
    state->engine.engineReload(&state->gameMemory, &state->platformAPI);
    state->engine.engineInit(&state->gameMemory, (f64)state->physicsDelta);

    state->clock = {getNanoTime(), 0, 0};
    state->recorder.inputRecording = (GameInput*)malloc(sizeof(GameInput) * inputRecordingCapacity);
    VE_ASSERT_NOT_NULL(state->recorder.inputRecording);
    return true;
}

void endProgram(SDLMainState* state) {
    free(state->recorder.inputRecording);
    state->recorder.inputRecording = nullptr;
}

} // namespace ve::detail

extern "C" int SDL_main(int, char*[]) {
    ve::detail::SDLMainState state = {};
    if (!ve::detail::startProgram(&state)) return 1;
    while (ve::detail::runFrame(&state)) {
    }
    ve::detail::endProgram(&state);
    return 0;
}
