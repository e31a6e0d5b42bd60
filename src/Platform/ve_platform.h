#pragma once
// The one seam between the engine (with the game) and the operating system.
//
// The engine reaches files, the console, the clipboard, the mouse capture, memory blocks and the
// OpenGL entry points only through the sixteen slots of `PlatformAPI` (held in `ve::platform`).
// Every frame the platform hands the engine a `GameInput` record; between frames it keeps the
// engine's two state pointers in `GameMemory`. The engine's three entry points at the bottom are
// what the platform calls.

#include "Platform/machineDef.h"
#include "Math/v2.h"

namespace ve {

struct EngineState;
struct DebugState;

// ---------------------------------------------------------------------------------------------
// File lists
// ---------------------------------------------------------------------------------------------

// A list of open files, passed by value to every file operation and addressed by index. Each
// file keeps its own current position, remembered by the platform between calls. Whoever opened
// the list hands it back with `closeFileList`; the names and the platform block die with it.
struct PlatformFileList {
    u32 count;
    // `count` names: the bare file name (no directories) for a listed file, the path handed to
    // `createFile` for a created one. Two listed files in different directories may share a name.
    string* names;
    // The platform's own block for the list; the engine never looks into it.
    void* _PlatformData;
};

// ---------------------------------------------------------------------------------------------
// The platform table
// ---------------------------------------------------------------------------------------------

// Every file of the asset directory tree whose extension is "." followed by `type` (no dot).
typedef PlatformFileList (*PLATFORM_OPEN_FILE_LIST)(string type);
typedef void (*PLATFORM_CLOSE_FILE_LIST)(PlatformFileList list);
// True when file `index` could not be opened or its last transfer moved fewer bytes than asked.
typedef b8 (*PLATFORM_FILE_HAS_ERROR)(PlatformFileList list, u32 index);
// Positioned transfers: a negative `offset` continues at the current position. Both return the
// position after the transfer, so an empty buffer at offset -1 asks for the current position.
typedef msi (*PLATFORM_READ_FILE)(PlatformFileList list, u32 index, s64 offset, buffer dst);
typedef msi (*PLATFORM_WRITE_FILE)(PlatformFileList list, u32 index, s64 offset, buffer src);
// Creates or empties `path` below the asset directory: a list with that one file.
typedef PlatformFileList (*PLATFORM_CREATE_FILE)(string path);
// A negative offset leaves the position where it is.
typedef void (*PLATFORM_SET_OFFSET_IN_FILE)(PlatformFileList list, u32 index, s64 offset);
// One line of console output (the line break is added).
typedef void (*PLATFORM_PRINT)(string text);
typedef s64 (*PLATFORM_READ_STD_IN)(c8* dst, u32 size);
// Captures the mouse (relative motion, hidden cursor) or frees it; remembered in the input
// record's `mouse.relative`.
typedef void (*PLATFORM_SET_CURSOR_RELATIVE)(b8 relative);
// A zero-filled block that lives until the program ends.
typedef buffer (*platformAllocMemory)(msi size);
// The address of the OpenGL function with the NUL-terminated name, null when there is none.
typedef void* (*getGLProcAddrFunc)(c8* name);
// Clipboard reads stay valid until the next read of either kind; getClipboardZ never gives null.
typedef string (*getClipboardFuncPtr)();
typedef c8* (*getClipboardZFuncPtr)();
typedef void (*setClipboardFuncPtr)(string text);
// Puts file `index` of a list made by `createFile` in place of `path` below the asset directory:
// the file is flushed to the disk and closed, then renamed over `path` in one atomic step, so that
// `path` holds either its old bytes or the new ones whole, whenever the program stops. A file in
// error (see `fileHasError`), a failed flush or a failed rename leaves `path` as it was and deletes
// the file. True when the file now lies at `path`. The list is still closed with `closeFileList`.
typedef b8 (*PLATFORM_RENAME_FILE)(PlatformFileList list, u32 index, string path);

// The slot order is part of the interface.
struct PlatformAPI {
    PLATFORM_OPEN_FILE_LIST openFileList;
    PLATFORM_CLOSE_FILE_LIST closeFileList;
    PLATFORM_FILE_HAS_ERROR fileHasError;
    PLATFORM_READ_FILE readFile;
    PLATFORM_WRITE_FILE writeFile;
    PLATFORM_CREATE_FILE createFile;
    PLATFORM_SET_OFFSET_IN_FILE setOffsetInFile;
    PLATFORM_PRINT print;
    PLATFORM_READ_STD_IN readSTDIn;
    PLATFORM_SET_CURSOR_RELATIVE setCursorRelative;
    platformAllocMemory allocateMemory;
    getGLProcAddrFunc getGLProcAddr;
    getClipboardFuncPtr getClipboard;
    getClipboardZFuncPtr getClipboardZ;
    setClipboardFuncPtr setClipboard;
    PLATFORM_RENAME_FILE renameFile;
};

// ---------------------------------------------------------------------------------------------
// Engine memory kept by the platform
// ---------------------------------------------------------------------------------------------

// Zeroed by the platform before the first `EngineReload`; the platform never looks behind the
// pointers.
struct GameMemory {
    EngineState* engineState;
    DebugState* debugState;
};

// ---------------------------------------------------------------------------------------------
// The input record
// ---------------------------------------------------------------------------------------------

// Keys 0 to 90 are real keys; the 92nd named key, INVALID, lies just past `keys`.
constexpr u32 keyCount = 91;
constexpr u32 mouseButtonCount = 3;
constexpr u32 controllerCount = 16;
constexpr u32 controllerButtonCount = 15;
// Key edges and mouse button edges that one frame's record lists in their order of arrival.
constexpr u32 inputEventCapacity = 64;
// Bytes of the text typed in one frame that the record holds, NUL included: room for a burst of
// many hundred characters typed between two slow frames.
constexpr u32 inputTextCapacity = 2048;

enum InputEventKind : u8 {
    InputEventNone,
    InputEventKeyDown,
    InputEventKeyUp,
    InputEventMouseDown,
    InputEventMouseUp,
};

// One key edge (a first press or a release) or one mouse button edge.
struct InputEvent {
    InputEventKind kind;
    // The key index of a key edge; the index in `Mouse::buttons` of a mouse button edge.
    u8 index;
    // Bytes of the frame's `text` typed before the edge: a Backspace acts on what was typed before
    // it, not on the character typed while it was held.
    u16 textOffset;
    // When the edge arrived, in milliseconds of the platform's clock (SDL's event time stamp).
    u32 time;
    // Where a mouse button edge happened, in window pixels.
    s32 x;
    s32 y;
};

// Plain data: copied as a whole (live, editor and recorded copies are byte copies).
struct GameInput {
    // The edge flags are cleared at the start of every frame; `isDown` carries over. A press and
    // a release within one frame leave isDown 0 with both edges set.
    struct Button {
        b8 isDown;
        b8 wentDown;
        b8 wentUp;
    };

    struct Controller {
        union {
            Button controllerButtons[controllerButtonCount];
            struct {
                Button A, B, X, Y;
                Button Back, Guide, Start;
                Button LeftStick, RightStick;
                Button LeftShoulder, RightShoulder;
                Button Up, Down, Left, Right;
            };
        };
    };

    struct Keyboard {
        // `wentDown` marks a first press only; automatic repeats set nothing.
        using Key = Button;
        // The key index of a key is its position here.
        union {
            Key keys[keyCount];
            struct {
                Key A, B, C, D, E, F, G, H, I, J, K, L, M, N, O, P, Q, R, S, T, U, V, W, X, Y, Z; // 0-25
                Key NR1, NR2, NR3, NR4, NR5, NR6, NR7, NR8, NR9, NR0;                             // 26-35
                Key F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12;                           // 36-47
                Key SHIFT_LEFT, SHIFT_RIGHT, CAPS_LOCK, CTRL_LEFT, CTRL_RIGHT, ALT_LEFT;          // 48-53
                Key SUPER_LEFT, SUPER_RIGHT, LAYER_3, MENU;                                       // 54-57
                Key NUMPAD_1, NUMPAD_2, NUMPAD_3, NUMPAD_4, NUMPAD_5;                             // 58-62
                Key NUMPAD_6, NUMPAD_7, NUMPAD_8, NUMPAD_9, NUMPAD_0;                             // 63-67
                Key NUMPAD_DIV, NUMPAD_MUL, NUMPAD_MINUS, NUMPAD_PLUS, NUMPAD_ENTER;              // 68-72
                Key ENTER, TAB, SPACE, BACKSPACE, ESC;                                            // 73-77
                Key ARROW_UP, ARROW_DOWN, ARROW_LEFT, ARROW_RIGHT;                                // 78-81
                Key SCROLL_LOCK, PAUSE, INSERT, DELETE_KEY, POS1, END, PAGE_UP, PAGE_DOWN;        // 82-89
                Key TILDE;                                                                        // 90
                // No physical key produces it; it is never set or cleared.
                Key INVALID;                                                                      // 91
            };
        };
    };

    struct Mouse {
        // Relative motion in pixels since the previous frame's reading, x right, y down.
        v2 delta;
        // Position of the last motion event, each axis mapped to -1 .. 1 over a 1440 by 900
        // window (y down: -1 at the top).
        v2 abs;
        s32 absInPixelsX;
        s32 absInPixelsY;
        // Relative mode (captured mouse) is on; written only by `setCursorRelative`.
        b8 relative;
        union {
            struct {
                Button left, middle, right;
            };
            Button buttons[mouseButtonCount];
        };
    };

    u8 activeControllers;
    Controller controllers[controllerCount];
    Keyboard keyboard;
    Mouse mouse;
    // Every key edge and mouse button edge of this frame, in order of arrival: the editor replays
    // them, so that nothing clicked between two slow frames is lost or overtaken. Emptied every
    // frame. A frame never holds a second press or a second release of one key or button; the
    // platform leaves such an edge, and all input after it, for the next frame, so the edge flags
    // above agree with the list.
    u32 eventCount;
    InputEvent events[inputEventCapacity];
    // The text typed in this frame, UTF-8 in the order typed, NUL-terminated; whole characters
    // only. Each edge's `textOffset` gives its place in it.
    u32 textLength;
    c8 text[inputTextCapacity];
    // The record holds all input that arrived before this moment, in the milliseconds of the edges'
    // times: when the platform took the frame's events, or when the first event that waits for the
    // next frame arrived.
    u32 inputTime;
    // Seconds of the previous frame; 0 in the first frame.
    f64 deltaTime;
    // Seconds of one physics tick: 1 / the display's refresh rate.
    f32 physicsDelta;

    GameInput() : activeControllers(0) {}
};

// A key tapped within one frame (pressed and released between two frames) counts as held in that
// frame, so that a short tap on a slow machine still walks or rewinds for one frame.
inline b8 isHeldThisFrame(const GameInput::Keyboard::Key& key) { return key.isDown || key.wentDown; }
// The edge moves a mouse button, not a key.
inline b8 isMouseEdge(InputEventKind kind) { return kind == InputEventMouseDown || kind == InputEventMouseUp; }

static_assert(offsetof(GameInput::Keyboard, TILDE) == 90 * sizeof(GameInput::Keyboard::Key));
static_assert(offsetof(GameInput::Keyboard, INVALID) == sizeof(GameInput::Keyboard::Key) * keyCount);

// ---------------------------------------------------------------------------------------------
// The engine's entry points
// ---------------------------------------------------------------------------------------------

// Re-points the engine's globals at the platform table and at the state `gameMemory` holds.
// Called once before `EngineInit` and again before every `EngineUpdate`.
typedef void (*ENGINE_RELOAD)(GameMemory* gameMemory, PlatformAPI* platform);
// Builds the engine state into `gameMemory`; `physicsDelta` is the tick length in seconds.
typedef void (*ENGINE_INIT)(GameMemory* gameMemory, f64 physicsDelta);
// One frame. `input` may be a replayed recording; `debugInput` is always the live input. True
// when the program should end: ESC went down in the live input and no text field of the map
// editor took it.
typedef b8 (*ENGINE_UPDATE)(GameInput* input, GameInput* debugInput);

// An engine module as the platform sees it. The engine is linked into the program, so the three
// slots hold the entry points below and `object` and `timeStamp` stay zero.
struct SDLGameEngine {
    void* object;
    ENGINE_RELOAD engineReload;
    ENGINE_INIT engineInit;
    ENGINE_UPDATE engineUpdate;
    u64 timeStamp;
};

} // namespace ve

extern "C" {
void EngineReload(ve::GameMemory* gameMemory, ve::PlatformAPI* platform);
void EngineInit(ve::GameMemory* gameMemory, f64 physicsDelta);
b8 EngineUpdate(ve::GameInput* input, ve::GameInput* debugInput);
}
