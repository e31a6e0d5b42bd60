#pragma once
// The engine state record and the engine's globals.
//
// All long-lived state of the engine sits in one record, `EngineState`, the first allocation of
// the permanent store. The globals below point at it and at its parts; `EngineReload` re-points
// them on every frame from the platform's `GameMemory`, so they survive a reload of the engine.

#include "Platform/ve_platform.h"
#include "Memory/memory.h"
#include "Util/Datastructures.h"
#include "Renderer/renderer.h"
#include "Core/Scene/sceneDef.h"
#include "Game/timeDef.h"

class phScene;

namespace ve {

struct AssetRegister;

// Bytes of the name of a scene that failed to load kept for the player's notice, NUL included.
constexpr msi FAILED_SCENE_NAME_SIZE = 64;

// What this frame does with time, decided once as the frame starts, before the entities update;
// nothing else reads SPACE. While SPACE is held (or was tapped within the frame) the world runs
// back: a tick that falls due steps back through the history instead of stepping the physics.
// Forces meant to act for the frame are applied only in a frame that steps the physics, and act
// over one tick however long the frame was (a force in a frame without a step would wait).
struct TimeDecision {
    b8 stepsPhysics; // the tick records the history, then steps the physics by one tick length
    b8 stepsBack;    // the tick steps back one snapshot of the history
    b8 rewinding;    // SPACE held or tapped in this frame, whether or not a tick falls due
    b8 rewindStarts; // SPACE went down in this frame
    b8 rewindEnds;   // SPACE was let go in this frame
};

// What the off-screen colour buffer of a floating text shows. Its glyphs stay in the buffer from
// frame to frame and are drawn again only when the text's bytes or the glyph table changed since,
// or when the buffer was handed out anew.
struct DrawnText {
    u32 fbo;                  // the buffer's frame buffer
    u32 glyphTableGeneration; // of the glyph table the glyphs were drawn with; 0: none drawn yet
    Hash text;                // of the text's bytes
};

// One for each colour buffer the renderer hands out at most; a buffer beyond them is drawn into
// every frame.
constexpr u32 MAX_DRAWN_TEXTS = 64;

struct FloatingTextState {
    // Bumped wherever a HUD writes its glyph table, so that a text can tell that the table changed
    // without reading its 3.2 KB every frame. Never 0 once a table has been written.
    u32 glyphTableGeneration;
    u32 drawnTextCount;
    DrawnText drawnTexts[MAX_DRAWN_TEXTS];
};

// Field order is part of the record's identity (the introspection table lists it).
struct EngineState {
    // The renderer's table with the frame being built; filled by the back end's constructor.
    Renderer renderer;
    // 256 MiB, emptied at the start of every frame: nothing allocated here outlives its frame.
    MemoryStore tmpStore;
    // 256 MiB. Its first allocation is this record; then the asset register and the assets, the
    // scene heaps and the chunks of the body store.
    MemoryStore permanentStore;
    AssetRegister* assets;
    // The scene that is played and edited.
    Scene currentScene;
    // 64 MiB; every allocation of the physics library comes from here.
    MemoryStore physicsStore;
    // Built on the permanent store at start-up; reached through the physics glue.
    phScene* scene;
    u32 timedPhysicBodyCount;
    // Body id -> the body (and what the glue has told of it), 100 entries per chunk; ids are never
    // reused.
    ChunkStore physicsBodies;
    u32 timedPhysicBodyIds[TIMED_BODY_SLOTS];
    saveThis trackedVars;
    // Entries 0 to time - 1 are valid, oldest first. Most of the permanent store.
    pastTimeStamp pastTime[TIME_HISTORY_LENGTH];
    u32 time;
    u8 timeSaveDelay;
    u8 timeSaveDelayConst;
    // Seconds accumulated towards the next physics tick. Never capped: after long frames a tick
    // runs in every following frame until the surplus is worked off.
    f64 timeSinceLastPhysicsUpdate;
    TimeDecision thisFrame;
    // The scene to switch to after this frame; a request is pending exactly while `data` is set.
    string loadScene;
    // Why the switch that made the current scene (the empty "New Scene") could not load the scene
    // `failedSceneName` (the loader's text), or null after every scene that loaded.
    const c8* sceneFailure;
    c8 failedSceneName[FAILED_SCENE_NAME_SIZE];
    // Transparent quads sorted back to front.
    b8 sorting;
    // Handed to the composite pass, whose exponent is 1 - gamma.
    f32 gamma;
    FloatingTextState floatingTexts;
};

// The platform's table of operations.
extern PlatformAPI* platform;
// The engine state record and its parts; null until the engine has been initialised.
extern EngineState* engineState;
extern MemoryStore* tmpStore;
extern MemoryStore* permanentStore;
extern AssetRegister* assets;
extern Renderer* renderer;
// This frame's game input (a replayed recording during input playback) and the live input that
// the map editor reads.
extern GameInput* input;
extern GameInput* debugInput;

} // namespace ve
