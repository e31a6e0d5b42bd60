#pragma once
// The engine's start-up and per-frame update. The platform calls the three entry points declared
// with its interface (`EngineReload`, `EngineInit`, `EngineUpdate`, C linkage); they are defined
// here on top of the functions below.

#include "Platform/ve_platform.h"
#include "Core/engine_globals.h"

namespace ve {

// Sizes of the engine's own platform blocks, in the order start-up takes them.
constexpr msi PERMANENT_STORE_SIZE = 268435456; // 256 MiB
constexpr msi TMP_STORE_SIZE = 268435456;       // 256 MiB
constexpr msi PHYSICS_STORE_SIZE = 67108864;    // 64 MiB

// What the asset packs must leave free in one block of the permanent store: the current scene's
// heap and, during a switch, the next one's beside it (a heap of 16 MiB holds a level of over
// 7,000 entities). A pack cannot take it, so no content of a pack can stop the start-up.
constexpr msi SCENE_STORE_RESERVE = 33554432; // 32 MiB

// Room in the asset register, per kind, over all packs.
constexpr u64 MAX_MESHES = 100;
constexpr u64 MAX_TEXTURES = 100;
constexpr u64 MAX_MATERIALS = 100;

// The physics scene's settings; the tick length comes from the platform.
constexpr f32 WORLD_GRAVITY_Y = -9.8f; // metres per second squared
constexpr s32 PHYSICS_ITERATIONS = 20;  // contact solver iterations per step

// F5 and F6 move the gamma by one step, a tenth. The gamma is kept on whole steps (rounded to the
// nearest after each press), so that steps up and as many down return it to exactly 0, where the
// composite needs no power. The composite raises colours to 1 - gamma, so gamma stops at
// GAMMA_MAX: at 1 and beyond the picture would turn white or undefined.
constexpr f32 GAMMA_STEPS_PER_UNIT = 10.0f;
constexpr f32 GAMMA_MAX = 0.9f;

// The level that start-up loads.
constexpr const c8* FIRST_SCENE_NAME = "Level 1";
// The one texture that becomes the sky rather than an ordinary upload.
constexpr const c8* SKYBOX_TEXTURE_NAME = "skybox_img";

// Builds the renderer's table. Start-up uses the OpenGL back end; headless tests pass a table
// that records its calls.
typedef Renderer (*CreateRendererFunc)();

// The whole of start-up, with the renderer built by `createRenderer`: stores and state record,
// asset register, renderer, editor, packs and uploads, physics scene and body store, the first
// level, the captured mouse.
void initEngine(GameMemory* gameMemory, f64 physicsDelta, CreateRendererFunc createRenderer);

// Points the engine's globals at `state` and its parts, and hands the physics library its store.
void pointEngineGlobals(EngineState* state);

// Every texture of the register, in register order, to the renderer: the sky texture as all six
// faces of the sky box, every other one as an ordinary texture; then every mesh.
void uploadAssets(Renderer* renderer, AssetRegister* assets);

// One frame of the engine, in the order the frame update runs. True when the program should end:
// ESC went down in `debugInput` and not every press of it went to a text field of the editor.
b8 updateEngine(GameInput* input, GameInput* debugInput);

// The gamma and cursor keys of `input`.
void handleDisplayKeys(EngineState* state, GameInput* input);

// Adds the frame's time to the physics clock and decides the frame's `thisFrame` (at most one
// tick falls due per frame). SPACE counts only while `hotkeysActive`: no text field of the editor
// has the keyboard.
void decideFrameTime(EngineState* state, GameInput* input, b8 hotkeysActive);
// Runs the tick that `decideFrameTime` chose.
void runPhysicsTick(EngineState* state);

// The one way the current scene changes: `loaded` (read by `loadScene`; all zero when the read
// failed, `failure` saying why) replaces the current scene and is initialised, a failure is kept
// for the notice on screen with the scene's `name` (cleared by a scene that loaded), and the editor
// forgets everything of the old scene.
void enterScene(EngineState* state, Scene* loaded, const c8* failure, string name);
// Performs and clears a scene switch that game code asked for during the frame: a scene that
// cannot be read whole gives the empty "New Scene".
void switchSceneOnRequest(EngineState* state);

} // namespace ve
