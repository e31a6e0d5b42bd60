#pragma once
// Start-up, the frame loop and input recording over SDL.
//
// `SDL_main` opens the window with its OpenGL context, fills the platform table, makes the
// platform's own memory store, starts the engine and runs the one frame loop until ESC or the
// window is closed. Each frame SDL's events become `sdl_gameInput`; a live copy goes to the
// editor as `sdl_debugInput`; a developer facility records up to 4320 frames of input (F1),
// replays them in a loop with the engine's memory restored before every pass (F2) and stops
// (F3).
//
// The pieces that need no window (event translation, the recording state machine, the frame
// clock) are separate functions so they can be run on their own.

#include "Platform/ve_platform.h"
#include "Util/Datastructures.h"

#include <SDL.h>

namespace ve {

constexpr u32 windowWidth = 1440;
constexpr u32 windowHeight = 900;
// Bytes of the platform's own store (the block lists of the input recording live in it).
constexpr msi platformStoreSize = 67108864;
// Frames the input recording holds; a full recording switches to playback by itself.
constexpr u32 inputRecordingCapacity = 4320;
// Used when the display reports no refresh rate (Xvfb reports 0).
constexpr s32 fallbackRefreshRate = 60;
constexpr u64 nanosecondsPerSecond = 1000000000;
// `KeyCodeMappings` entry of a scancode no key answers to.
constexpr u8 unmappedKeyIndex = 255;
constexpr u32 keyCodeMappingCount = 255;

// The live input record, filled from SDL's events every frame. It is the engine's `input`
// except during playback, when the engine plays the replayed frame instead.
extern GameInput sdl_gameInput;
// A copy of `sdl_gameInput` taken right after the events: the editor always sees the live
// keyboard and mouse.
extern GameInput sdl_debugInput;
// SDL scancode (0 to 254) to key index, `unmappedKeyIndex` where no key answers.
extern const u8 KeyCodeMappings[keyCodeMappingCount];

struct SDLWindow {
    SDL_Window* window;
    SDL_GLContext glContext;
    u32 width;
    u32 height;
};

// ---------------------------------------------------------------------------------------------
// Window and timing
// ---------------------------------------------------------------------------------------------

// Creates the 1440 by 900 window "Kestrolan" and an OpenGL core context, asking for 4.6, then
// 4.5, then 4.3. On failure prints what was tried with SDL's error and returns false.
b8 setupWindow(SDLWindow* window);
// Seconds of one physics tick: 1 / refresh rate, or 1 / 60 when the display reports none.
f32 physicsTickLength(s32 refreshRate);
// Performance counter in nanoseconds. The factor is an integer division, truncated before the
// multiplication.
u64 getNanoTime();

// Frame time book-keeping of the loop, all in integer nanoseconds.
struct FrameClock {
    u64 prevTime;
    // Nanoseconds accumulated towards the next frame rate line.
    u64 acc;
    // Frames since the last frame rate line.
    u64 counter;
};

// Ends the frame that ran up to `currentTime`: writes its length into `input->deltaTime` (what
// the next frame sees) and returns the frame count to report when a second has gathered, or 0.
// A report keeps only the part of a second that has gathered beyond the whole seconds.
u64 advanceFrameClock(FrameClock* clock, u64 currentTime, GameInput* input);

// ---------------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------------

// Clears the per-frame parts of the record: the edges of the mouse buttons and of keys 0 to 90,
// and the list of the frame's events.
void clearInputEdges(GameInput* input);
// Whether `event` may join this frame's record: a key or mouse button edge when its key or button
// has no edge of the same kind in this frame yet and the frame's list has room, typed text when the
// frame's text holds it whole, every other event always. So every press is seen in exactly one
// frame, and the edge flags say what the list says.
b8 joinsThisFrame(const GameInput* input, const SDL_Event* event);
// Applies one SDL event that joins this frame (`joinsThisFrame`) to the record; returns true for a
// quit request.
b8 handleEvent(GameInput* input, const SDL_Event* event);
// The key or the mouse button that an edge of `kind` moves.
GameInput::Button* buttonOfEdge(GameInput* input, InputEventKind kind, u8 index);
// Focus lost frees the cursor; focus gained restores the mode last chosen with
// `setCursorRelative`.
void handleWindowEvent(GameInput* input, const SDL_WindowEvent* event);
// One frame's input: the relative motion SDL gathered, the edges cleared, and SDL's queued events
// handled in their order up to the first that does not join this frame, which stays queued with
// every event after it. Returns true when a quit request arrived.
b8 handleEvents(GameInput* input);

// ---------------------------------------------------------------------------------------------
// Input recording
// ---------------------------------------------------------------------------------------------

struct InputRecorder {
    b8 recording;
    b8 playback;
    // Room for `inputRecordingCapacity` records, taken once at start-up.
    GameInput* inputRecording;
    // Number of recorded frames.
    u32 recordingIndex;
    // Index of the next frame to replay.
    u32 playbackIndex;
    // Copies of every platform block, taken at the first F1 and reused by every later one.
    DynArray bufferSnapshots;
    // The recorded frame that the engine plays in this frame of a replay, in place of the live
    // record, which goes on taking the real keys.
    GameInput replayedInput;
};

// What to do with SDL's relative mouse mode: after a recording step, on a change of window focus
// and when the engine chooses the mode.
enum MouseModeChange : u8 {
    MouseModeKeep,
    // Playback started from F2, or the window lost focus: free the cursor.
    MouseModeFree,
    // Recording or playback stopped with F3, the window gained focus, or the engine chose a mode:
    // back to the record's `mouse.relative`.
    MouseModeRestore,
};

// Sets SDL's relative mouse mode as `change` says, restoring it from `input`'s `mouse.relative`.
void applyMouseModeChange(MouseModeChange change, const GameInput* input);

// One frame of the facility, reading F1, F2 and F3 from `liveInput`: records `liveInput`, or
// takes the next recorded frame into `replayedInput`, restoring `platformBlocks` from the
// snapshots before every pass. `liveInput` itself is never written.
MouseModeChange stepInputRecording(InputRecorder* recorder, GameInput* liveInput, DynArray* platformBlocks);
// The record the engine plays in this frame: the replayed frame while a recording plays back,
// otherwise `liveInput`.
GameInput* gameInputOfFrame(InputRecorder* recorder, GameInput* liveInput);
// Copies every block of `from` into the block of the same index in `to`, giving `to` a fresh
// block from the C runtime where it has none yet.
void copyBuffers(DynArray* from, DynArray* to);

// ---------------------------------------------------------------------------------------------
// The frame loop
// ---------------------------------------------------------------------------------------------

namespace detail {

// Everything `SDL_main` keeps for the whole run.
struct SDLMainState {
    SDLWindow window;
    SDL_DisplayMode displayMode;
    f32 physicsDelta;
    GameMemory gameMemory;
    PlatformAPI platformAPI;
    SDLGameEngine engine;
    MemoryStore memStore;
    InputRecorder recorder;
    FrameClock clock;
};

// Start-up up to the first frame: SDL's video, the window, the tick length, the platform table
// and memory, the engine, the clock and the recording buffer. False, with a message on the error
// stream, when SDL or the window cannot be had.
b8 startProgram(SDLMainState* state);
// One frame: events into the live record, the editor's copy of it, the recording step, the
// engine's reload and its update with the live or the replayed record, the buffer swap and the
// clock. False once the program should end.
b8 runFrame(SDLMainState* state);
// After the last frame: the input recording's buffer goes back to the C runtime, so that a leak
// check at exit finds nothing of the platform's own. The engine's blocks live as long as the
// program and are reachable to its end.
void endProgram(SDLMainState* state);
// The tick length for the display that shows the window, read into `displayMode`: 1 / its
// refresh rate, or 1/60 when the display cannot say.
f32 queryPhysicsTickLength(SDLMainState* state);

} // namespace detail

} // namespace ve

extern "C" int SDL_main(int argc, char* argv[]);
