#pragma once
// The level builder's vocabulary. A level is two tables: the panels of its fixed geometry (floor
// slabs and wall runs, which all become colliders of the one entity "Walls") and the pieces
// standing in it (player, lamps, cubes, plates, buttons, gates, cables, barriers, the elevator,
// hints), each with its position and its references to other pieces by name. `buildLevel` turns
// the tables into entities of a scene through the engine's own scene operations.
//
// Units are metres; y is up, the floor's walking surface is y = 0, and north is -z.

#include "Core/Scene/sceneDef.h"
#include "Math/v3.h"

namespace levels {

// ---------------------------------------------------------------------------------------------
// Fixed geometry
// ---------------------------------------------------------------------------------------------

constexpr f32 WALL_HEIGHT = 4.0f;
constexpr f32 WALL_THICKNESS = 0.3f;
constexpr f32 SLAB_THICKNESS = 0.4f;
constexpr f32 DOOR_HEIGHT = 3.0f;

enum class PanelKind : u32 {
    Hall,    // a floor between the two corners and the four walls around it
    Floor,   // a slab whose walking surface is at `height`, between the two corners
    Wall,    // a wall standing on the floor from corner a to corner b, along x or along z
    Doorway, // such a wall with a door opening of `doorWidth` centred at `doorAt` along the run
};

struct Panel {
    PanelKind kind;
    f32 ax, az, bx, bz; // corners on the floor plan
    f32 height;
    f32 doorAt;
    f32 doorWidth;
};

Panel hall(f32 ax, f32 az, f32 bx, f32 bz);
Panel floorSlab(f32 ax, f32 az, f32 bx, f32 bz);
Panel wallRun(f32 ax, f32 az, f32 bx, f32 bz);
Panel doorway(f32 ax, f32 az, f32 bx, f32 bz, f32 doorAt, f32 doorWidth);

// ---------------------------------------------------------------------------------------------
// Pieces
// ---------------------------------------------------------------------------------------------

enum class PieceKind : u32 { Player, Hud, Lamp, Cube, Plate, Button, Gate, Cable, Barrier, Elevator, Hint, Emitter };

// The side that an elevator's doors face, the axis along which a barrier spans (North and
// South: along x; East and West: along z), or the way a player looks at a hint.
enum class Facing : u32 { North, South, East, West };

// Option bits of a piece.
enum : u32 {
    TIMED = 1,     // player, cube, button, plate: recorded and rewound with the world
    STARTS_ON = 2, // button: powered when the level starts
};

constexpr u32 MAX_PIECE_REFS = 2;

struct Piece {
    PieceKind kind;
    const c8* name;
    // The floor point under a standing piece; the centre of a lamp or an emitter; the top-left
    // corner of a hint's text.
    ve::v3 at;
    // Player: the point looked at first. Cable: the far end of its strip, which the kit lays to
    // end exactly there (an x run, then a z run at this x).
    ve::v3 to;
    // By kind: cable: its source; gate: its input cables; barrier and elevator: their cable;
    // plate: the cubes that press it.
    const c8* refs[MAX_PIECE_REFS];
    u32 options;
    Facing facing;
    u32 gateType; // a game::LogicGateType
    const c8* text;
    f32 size; // barrier: width; hint: billboard width
};

Piece player(ve::v3 at, ve::v3 lookAt, u32 options);
Piece hud();
Piece lamp(const c8* name, ve::v3 at);
Piece cube(const c8* name, ve::v3 at, u32 options);
Piece plate(const c8* name, ve::v3 at, const c8* cube1, const c8* cube2, u32 options);
Piece button(const c8* name, ve::v3 at, u32 options);
Piece andGate(const c8* name, ve::v3 at, const c8* cable1, const c8* cable2);
Piece orGate(const c8* name, ve::v3 at, const c8* cable1, const c8* cable2);
Piece notGate(const c8* name, ve::v3 at, const c8* cable);
Piece cable(const c8* name, const c8* source, ve::v3 to);
Piece barrier(const c8* name, ve::v3 at, Facing span, f32 width, const c8* cable);
Piece elevator(const c8* name, ve::v3 at, Facing doors, const c8* cable);
// A floating text whose first letter stands at `topLeft` for a player looking `seenLooking`;
// `size` is the billboard's width, and each letter takes a fiftieth of it.
Piece hint(const c8* name, ve::v3 topLeft, Facing seenLooking, const c8* text, f32 size);
Piece emitter(const c8* name, ve::v3 at);

// ---------------------------------------------------------------------------------------------
// Levels
// ---------------------------------------------------------------------------------------------

struct LevelPlan {
    const c8* name; // the scene's name, "Level N"
    const Panel* panels;
    u32 panelCount;
    const Piece* pieces;
    u32 pieceCount;
};

// Fills `scene` (created empty by the caller, with a heap large enough for the level) with the
// plan's entities: "Walls" first, then the pieces in table order. False, with a message, when an
// entity cannot be created or a reference names no piece of the plan.
b8 buildLevel(ve::Scene* scene, const LevelPlan* plan);

} // namespace levels
