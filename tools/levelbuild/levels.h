#pragma once
// The six levels of the game, as plans for the level builder, and the one way to turn a plan into
// a scene file.

#include "levelKit.h"

#include "Core/Assets/assetDef.h"
#include "Memory/memory.h"

namespace levels {

constexpr u32 LEVEL_COUNT = 6;
// Each level's scene heap: far more than a level of tens of entities needs.
constexpr msi LEVEL_HEAP_SIZE = 1048576;

extern const LevelPlan level1;
extern const LevelPlan level2;
extern const LevelPlan level3;
extern const LevelPlan level4;
extern const LevelPlan level5;
extern const LevelPlan level6;

// Level `number`, 1 to LEVEL_COUNT.
const LevelPlan* levelPlan(u32 number);

// Builds the plan into a new scene on the engine's permanent store, checks it against the rules of
// the levels (levelCheck.h) with the packs of `assets`, and writes it with the engine's scene
// writer, to "<name>.vsf" in the asset directory; the scene is freed again. False, with a message,
// when the plan does not build, breaks a rule or cannot be written.
b8 writeLevel(const LevelPlan* plan, ve::AssetRegister* assets);

// A stand-in scene called `name` ("Level 1" to "Level 5") in which the player faces a powered
// elevator within reach, so that one E leads to the next level. The screenshot script puts such
// scenes in place of the levels before the one it shows, because the game always starts in
// "Level 1" and has no other way to open a later level. Written like `writeLevel`.
b8 writeShortcutScene(const c8* name, ve::AssetRegister* assets);

} // namespace levels
