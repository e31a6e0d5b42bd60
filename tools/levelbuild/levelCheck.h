#pragma once
// The rules that every level must keep, checked on a built scene before it is written and on a
// committed level after it is read back through the engine's loader.
//
// - every entity has a unique name; there is exactly one player, named "Player", one HUD, one
//   elevator, and the geometry entity named "Walls";
// - every reference resolves to an entity of the type that the field expects;
// - every asset that the level's entity types draw with is in the loaded packs;
// - the engine's limits hold: at most five point lights in a frame (the player's, one per lamp,
//   one per lit elevator), at most seven time-dependent bodies, at most four time-dependent
//   buttons and plates, at most 100 wall boxes and 10 barrier boxes;
// - every body's flags hold exactly one body-type bit; every rotation is orthonormal;
// - walls and floors are at least 0.2 thick, so that nothing small passes through them;
// - every cable's strip (stored, or as the game lays it) ends within 0.25 units of its connectTo
//   across the floor, so that it reaches what it powers;
// - there is at least one hint; hint texts are not empty and use only codes of the HUD's glyph
//   table.

#include "Core/Scene/sceneDef.h"

namespace ve {
struct AssetRegister;
}

namespace levels {

constexpr u32 MAX_LEVEL_PROBLEMS = 32;
constexpr u32 LEVEL_PROBLEM_LENGTH = 160;

// The lights the lit shader sums (the OpenGL back end's maxPointLights, which the builder does not
// see). The other limits are the engine's own constants, named where they are checked.
constexpr u32 MAX_POINT_LIGHTS = 5;
// Walls and floors at least this thick, so that nothing small passes through them.
constexpr f32 MIN_WALL_THICKNESS = 0.2f;

struct LevelProblems {
    u32 count; // problems found; only the first MAX_LEVEL_PROBLEMS are kept
    c8 lines[MAX_LEVEL_PROBLEMS][LEVEL_PROBLEM_LENGTH];
};

// Checks `scene` against the rules above; `assets` holds the loaded packs. Adds one line per
// broken rule to `problems`.
void checkLevel(ve::Scene* scene, ve::AssetRegister* assets, LevelProblems* problems);

// Prints every problem through the platform, after a line naming the level.
void printLevelProblems(const c8* levelName, const LevelProblems* problems);

} // namespace levels
