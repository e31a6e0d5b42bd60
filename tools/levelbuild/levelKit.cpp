#include "levelKit.h"

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Game/BarrierEntity.h"
#include "Game/ButtonEntity.h"
#include "Game/CableEntity.h"
#include "Game/CubeEntity.h"
#include "Game/ElevatorEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/HUDEntity.h"
#include "Game/LightEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/ParticleEmitter.h"
#include "Game/PlayerEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Game/WallEntity.h"
#include "Math/floatMath.h"
#include "Math/mat4.h"
#include "Math/utilMath.h"
#include "Util/string.h"

namespace levels {

// The player: a box 0.8 wide and 1.8 high whose origin, where the camera sits, is the eye.
constexpr f32 EYE_HEIGHT = 1.6f;
constexpr ve::v3 PLAYER_SIZE = {{0.8f, 1.8f, 0.8f}};
constexpr f32 PLAYER_WALK_SPEED = 30.0f; // metres per second squared while a walking key is held
constexpr f32 PLAYER_SPEED_CAP = 4.0f;   // metres per second
constexpr f32 PLAYER_DAMPING = 1.0f;
// Bodies start this far above the floor, so that none starts inside it.
constexpr f32 SPAWN_CLEARANCE = 0.02f;

constexpr f32 GRAVITY = 9.81f; // a gravity scale of exactly 1
constexpr u32 SOLID_LAYER = 1;
constexpr f32 CUBE_SIZE = 1.0f;
constexpr f32 CUBE_DAMPING = 0.1f;
constexpr f32 LAMP_SIZE = 0.3f;
constexpr ve::v3 PLATE_SIZE = {{2.0f, 0.1f, 2.0f}};
constexpr ve::v3 BUTTON_SIZE = {{0.5f, 1.0f, 0.5f}};
constexpr ve::v3 ELEVATOR_SIZE = {{2.4f, 3.0f, 0.6f}};
constexpr f32 BARRIER_THICKNESS = 0.2f;
// A gate lies on the floor, just above it so that its quad does not fight with the floor's.
constexpr f32 GATE_LIFT = 0.01f;
// Where a floating text's first letter sits on its billboard, as shares of its width and height
// (the text starts at (-0.95, 0.9) of the buffer's -1..1), and the billboard's height per width.
constexpr f32 HINT_TEXT_LEFT = 0.475f;
constexpr f32 HINT_TEXT_TOP = 0.45f;
constexpr f32 HINT_ASPECT = 900.0f / 1440.0f;

constexpr const c8* PLAYER_NAME = "Player";
constexpr const c8* HUD_NAME = "HUD";
constexpr const c8* WALLS_NAME = "Walls";

// =============================================================================================
// Rotations: exact axis permutations, so that every stored rotation is orthonormal to the bit.
// =============================================================================================

namespace {

ve::mat3 axes(ve::v3 x, ve::v3 y, ve::v3 z) {
    ve::mat3 m;
    m.col1 = x;
    m.col2 = y;
    m.col3 = z;
    return m;
}

// Local x along world x, local y along world z: a panel lying flat, its thickness vertical.
ve::mat3 flatAxes() { return axes({{1, 0, 0}}, {{0, 0, -1}}, {{0, 1, 0}}); }
// Local x along world z: a panel standing along z, its thickness along x.
ve::mat3 alongZAxes() { return axes({{0, 0, 1}}, {{0, 1, 0}}, {{-1, 0, 0}}); }

// Turns local +z (an elevator's doors, a barrier's thickness) to face `facing`.
ve::mat3 facingAxes(Facing facing) {
    switch (facing) {
    case Facing::South: return ve::iMat3();
    case Facing::North: return axes({{-1, 0, 0}}, {{0, 1, 0}}, {{0, 0, -1}});
    case Facing::East: return axes({{0, 0, -1}}, {{0, 1, 0}}, {{1, 0, 0}});
    case Facing::West: return alongZAxes();
    }
    return ve::iMat3();
}

ve::Primitive box(ve::v3 centre, ve::mat3 rotation, ve::v3 size) {
    ve::Primitive collider = {};
    collider.type = ve::Primitive_Type::Cuboid;
    collider.localTransform = ve::transMat(centre) * ve::toMat4(rotation);
    collider.cuboid.scale = size;
    return collider;
}

} // namespace

// =============================================================================================
// Panels
// =============================================================================================

Panel hall(f32 ax, f32 az, f32 bx, f32 bz) { return {PanelKind::Hall, ax, az, bx, bz, WALL_HEIGHT, 0, 0}; }
Panel floorSlab(f32 ax, f32 az, f32 bx, f32 bz) { return {PanelKind::Floor, ax, az, bx, bz, 0.0f, 0, 0}; }
Panel wallRun(f32 ax, f32 az, f32 bx, f32 bz) { return {PanelKind::Wall, ax, az, bx, bz, WALL_HEIGHT, 0, 0}; }
Panel doorway(f32 ax, f32 az, f32 bx, f32 bz, f32 doorAt, f32 doorWidth) {
    return {PanelKind::Doorway, ax, az, bx, bz, WALL_HEIGHT, doorAt, doorWidth};
}

namespace {

// A horizontal slab over the rectangle, its top at `top`.
ve::Primitive slab(const Panel& panel, f32 top) {
    ve::v3 centre = {{(panel.ax + panel.bx) * 0.5f, top - SLAB_THICKNESS * 0.5f, (panel.az + panel.bz) * 0.5f}};
    ve::v3 size = {{fabsf(panel.bx - panel.ax), fabsf(panel.bz - panel.az), SLAB_THICKNESS}};
    return box(centre, flatAxes(), size);
}

// A wall along the run between `from` and `to` (positions along the run's axis), from `bottom`
// to `top`. Runs are lengthened by the wall's thickness so that corners close.
ve::Primitive wallPiece(const Panel& panel, f32 from, f32 to, f32 bottom, f32 top) {
    b8 alongX = panel.az == panel.bz;
    f32 middle = (from + to) * 0.5f;
    ve::v3 centre = alongX ? ve::v3{{middle, (bottom + top) * 0.5f, panel.az}}
                           : ve::v3{{panel.ax, (bottom + top) * 0.5f, middle}};
    ve::v3 size = {{to - from, top - bottom, WALL_THICKNESS}};
    return box(centre, alongX ? ve::iMat3() : alongZAxes(), size);
}

u32 panelColliders(const Panel& panel, ve::Primitive* out);

// A hall's floor and its four walls, as the panels that a plan would list for them.
u32 hallColliders(const Panel& hall, ve::Primitive* out) {
    const Panel parts[] = {floorSlab(hall.ax, hall.az, hall.bx, hall.bz), wallRun(hall.ax, hall.az, hall.bx, hall.az),
                           wallRun(hall.ax, hall.bz, hall.bx, hall.bz), wallRun(hall.ax, hall.az, hall.ax, hall.bz),
                           wallRun(hall.bx, hall.az, hall.bx, hall.bz)};
    u32 count = 0;
    for (const Panel& part : parts) count += panelColliders(part, out + count);
    return count;
}

// A wall with the door opening cut out of it: the walls on either side and the lintel.
u32 doorwayColliders(const Panel& panel, f32 start, f32 end, ve::Primitive* out) {
    f32 doorStart = panel.doorAt - panel.doorWidth * 0.5f;
    f32 doorEnd = panel.doorAt + panel.doorWidth * 0.5f;
    out[0] = wallPiece(panel, start, doorStart, 0.0f, panel.height);
    out[1] = wallPiece(panel, doorEnd, end, 0.0f, panel.height);
    out[2] = wallPiece(panel, doorStart, doorEnd, DOOR_HEIGHT, panel.height);
    return 3;
}

// Appends the panel's colliders at `out`; returns how many.
u32 panelColliders(const Panel& panel, ve::Primitive* out) {
    b8 alongX = panel.az == panel.bz;
    f32 start = (alongX ? ve::min(panel.ax, panel.bx) : ve::min(panel.az, panel.bz)) - WALL_THICKNESS * 0.5f;
    f32 end = (alongX ? ve::max(panel.ax, panel.bx) : ve::max(panel.az, panel.bz)) + WALL_THICKNESS * 0.5f;
    switch (panel.kind) {
    case PanelKind::Hall: return hallColliders(panel, out);
    case PanelKind::Floor: out[0] = slab(panel, panel.height); return 1;
    case PanelKind::Wall: out[0] = wallPiece(panel, start, end, 0.0f, panel.height); return 1;
    case PanelKind::Doorway: return doorwayColliders(panel, start, end, out);
    }
    return 0;
}

// A hall is a floor and four walls; a doorway is two walls and the lintel over the door.
u32 panelColliderCount(const Panel& panel) {
    switch (panel.kind) {
    case PanelKind::Hall: return 5;
    case PanelKind::Doorway: return 3;
    default: return 1;
    }
}

} // namespace

// =============================================================================================
// Pieces
// =============================================================================================

namespace {
Piece makePiece(PieceKind kind, const c8* name, ve::v3 at) {
    Piece piece = {};
    piece.kind = kind;
    piece.name = name;
    piece.at = at;
    return piece;
}
} // namespace

Piece player(ve::v3 at, ve::v3 lookAt, u32 options) {
    Piece piece = makePiece(PieceKind::Player, PLAYER_NAME, at);
    piece.to = lookAt;
    piece.options = options;
    return piece;
}

Piece hud() { return makePiece(PieceKind::Hud, HUD_NAME, {}); }
Piece lamp(const c8* name, ve::v3 at) { return makePiece(PieceKind::Lamp, name, at); }

Piece cube(const c8* name, ve::v3 at, u32 options) {
    Piece piece = makePiece(PieceKind::Cube, name, at);
    piece.options = options;
    return piece;
}

Piece plate(const c8* name, ve::v3 at, const c8* cube1, const c8* cube2, u32 options) {
    Piece piece = makePiece(PieceKind::Plate, name, at);
    piece.refs[0] = cube1;
    piece.refs[1] = cube2;
    piece.options = options;
    return piece;
}

Piece button(const c8* name, ve::v3 at, u32 options) {
    Piece piece = makePiece(PieceKind::Button, name, at);
    piece.options = options;
    return piece;
}

namespace {
Piece gate(const c8* name, ve::v3 at, game::LogicGateType type, const c8* cable1, const c8* cable2) {
    Piece piece = makePiece(PieceKind::Gate, name, at);
    piece.refs[0] = cable1;
    piece.refs[1] = cable2;
    piece.gateType = (u32)type;
    return piece;
}
} // namespace

Piece andGate(const c8* name, ve::v3 at, const c8* cable1, const c8* cable2) {
    return gate(name, at, game::LogicGateType::AND, cable1, cable2);
}
Piece orGate(const c8* name, ve::v3 at, const c8* cable1, const c8* cable2) {
    return gate(name, at, game::LogicGateType::OR, cable1, cable2);
}
Piece notGate(const c8* name, ve::v3 at, const c8* cable) { return gate(name, at, game::LogicGateType::NOT, cable, nullptr); }

Piece cable(const c8* name, const c8* source, ve::v3 to) {
    Piece piece = makePiece(PieceKind::Cable, name, {});
    piece.to = to;
    piece.refs[0] = source;
    return piece;
}

Piece barrier(const c8* name, ve::v3 at, Facing span, f32 width, const c8* cable) {
    Piece piece = makePiece(PieceKind::Barrier, name, at);
    piece.refs[0] = cable;
    piece.facing = span;
    piece.size = width;
    return piece;
}

Piece elevator(const c8* name, ve::v3 at, Facing doors, const c8* cable) {
    Piece piece = makePiece(PieceKind::Elevator, name, at);
    piece.refs[0] = cable;
    piece.facing = doors;
    return piece;
}

Piece hint(const c8* name, ve::v3 topLeft, Facing seenLooking, const c8* text, f32 size) {
    Piece piece = makePiece(PieceKind::Hint, name, topLeft);
    piece.facing = seenLooking;
    piece.text = text;
    piece.size = size;
    return piece;
}

Piece emitter(const c8* name, ve::v3 at) { return makePiece(PieceKind::Emitter, name, at); }

// =============================================================================================
// Building
// =============================================================================================

namespace {

struct Build {
    ve::Scene* scene;
    const LevelPlan* plan;
    b8 failed;
};

void report(Build* build, const c8* what, const c8* name) {
    ve::platform->print(ve::wrapASCIIZ(what));
    ve::platform->print(ve::wrapASCIIZ(name ? name : "(none)"));
    build->failed = true;
}

// A reference to the piece named `name`, which must be in the plan; an absent name (null) is the
// empty reference.
ve::EntityRef ref(Build* build, const c8* name) {
    if (!name) return {};
    string wanted = ve::wrapASCIIZ(name);
    for (u32 i = 0; i < build->plan->pieceCount; i++) {
        if (ve::cmpString(ve::wrapASCIIZ(build->plan->pieces[i].name), wanted)) return {ve::hashString(wanted)};
    }
    report(build, "Level builder: a reference names no piece of the level:", name);
    return {};
}

template <typename Record> Record* addEntity(Build* build, ve::MetaType type, const c8* name) {
    ve::Entity* entity = ve::createEntity(build->scene, type, ve::wrapASCIIZ(name));
    if (!entity) {
        report(build, "Level builder: cannot create the entity:", name);
        return nullptr;
    }
    return (Record*)entity->entityData.data;
}

ve::Primitive* colliderRoom(Build* build, u32 count) {
    return (ve::Primitive*)ve::pushToHeap(&build->scene->sceneDataHeap, count * sizeof(ve::Primitive));
}

// Body options with one box collider; the body type bit is `type`, the only one set.
ve::BodyOpts bodyWithBox(Build* build, ve::v3 position, ve::mat3 rotation, ve::BodyType type, ve::v3 boxCentre,
                         ve::v3 boxSize) {
    ve::BodyOpts opts = {};
    opts.position = position;
    opts.rotation = rotation;
    opts.colliders = colliderRoom(build, 1);
    if (opts.colliders) {
        opts.colliders[0] = box(boxCentre, ve::iMat3(), boxSize);
        opts.colliderCount = 1;
    }
    opts.collisionMask = SOLID_LAYER;
    opts.flags.value = (u32)type;
    return opts;
}

ve::BodyOpts staticBox(Build* build, ve::v3 position, ve::mat3 rotation, ve::v3 boxCentre, ve::v3 boxSize) {
    return bodyWithBox(build, position, rotation, ve::BodyType::Static, boxCentre, boxSize);
}

// A body that holds no box: plates', gates' and cables' bodies collide with nothing.
ve::BodyOpts bodyWithoutBox(ve::v3 position, ve::mat3 rotation) {
    ve::BodyOpts opts = {};
    opts.position = position;
    opts.rotation = rotation;
    opts.flags.value = (u32)ve::BodyType::Static;
    return opts;
}

ve::v3 lifted(ve::v3 at, f32 height) { return {{at.x, at.y + height, at.z}}; }

void addWalls(Build* build) {
    u32 count = 0;
    for (u32 i = 0; i < build->plan->panelCount; i++) count += panelColliderCount(build->plan->panels[i]);
    game::WallEntity* walls = addEntity<game::WallEntity>(build, ve::MetaType::game_WallEntity, WALLS_NAME);
    ve::Primitive* colliders = colliderRoom(build, count);
    if (!walls || !colliders) return;
    walls->bodyOpts = bodyWithoutBox({}, ve::iMat3());
    walls->bodyOpts.collisionMask = SOLID_LAYER;
    walls->bodyOpts.colliders = colliders;
    for (u32 i = 0; i < build->plan->panelCount; i++) {
        walls->bodyOpts.colliderCount += panelColliders(build->plan->panels[i], colliders + walls->bodyOpts.colliderCount);
    }
}

void addPlayer(Build* build, const Piece& piece) {
    auto* player = addEntity<game::PlayerEntity>(build, ve::MetaType::game_PlayerEntity, piece.name);
    if (!player) return;
    ve::v3 eye = lifted(piece.at, EYE_HEIGHT + SPAWN_CLEARANCE);
    ve::v3 boxCentre = {{0, PLAYER_SIZE.y * 0.5f - EYE_HEIGHT, 0}};
    player->bodyOpts = bodyWithBox(build, eye, ve::iMat3(), ve::BodyType::Dynamic, boxCentre, PLAYER_SIZE);
    player->bodyOpts.gravity = GRAVITY;
    player->bodyOpts.linearFriction = PLAYER_DAMPING;
    // Upright for good: the body never tips over.
    player->bodyOpts.flags.eLockAxisX = 1;
    player->bodyOpts.flags.eLockAxisY = 1;
    player->bodyOpts.flags.eLockAxisZ = 1;
    player->cam.pos = eye;
    player->cam.dir = piece.to;
    player->walkSpeed = PLAYER_WALK_SPEED;
    player->cap = PLAYER_SPEED_CAP;
    player->timeDependent = (piece.options & TIMED) != 0;
}

void addCube(Build* build, const Piece& piece) {
    auto* cube = addEntity<game::CubeEntity>(build, ve::MetaType::game_CubeEntity, piece.name);
    if (!cube) return;
    ve::v3 size = {{CUBE_SIZE, CUBE_SIZE, CUBE_SIZE}};
    cube->bodyOpts = bodyWithBox(build, lifted(piece.at, CUBE_SIZE * 0.5f + SPAWN_CLEARANCE), ve::iMat3(),
                                 ve::BodyType::Dynamic, {}, size);
    cube->bodyOpts.gravity = GRAVITY;
    cube->bodyOpts.linearFriction = CUBE_DAMPING;
    cube->bodyOpts.angularFriction = CUBE_DAMPING;
    cube->drawScale = size;
    cube->timeDependent = (piece.options & TIMED) != 0;
    cube->player = ref(build, PLAYER_NAME);
}

void addPlate(Build* build, const Piece& piece) {
    auto* plate = addEntity<game::PressurePlateEntity>(build, ve::MetaType::game_PressurePlateEntity, piece.name);
    if (!plate) return;
    plate->bodyOpts = staticBox(build, piece.at, ve::iMat3(), {{0, PLATE_SIZE.y * 0.5f, 0}}, PLATE_SIZE);
    // The plate watches positions; its body carries nothing.
    plate->bodyOpts.collisionMask = 0;
    plate->cube1 = ref(build, piece.refs[0]);
    plate->cube2 = ref(build, piece.refs[1]);
    plate->timeDependent = (piece.options & TIMED) != 0;
}

void addButton(Build* build, const Piece& piece) {
    auto* button = addEntity<game::ButtonEntity>(build, ve::MetaType::game_ButtonEntity, piece.name);
    if (!button) return;
    button->bodyOpts = staticBox(build, piece.at, ve::iMat3(), {{0, BUTTON_SIZE.y * 0.5f, 0}}, BUTTON_SIZE);
    button->powered = (piece.options & STARTS_ON) != 0;
    button->player = ref(build, PLAYER_NAME);
    button->drawScale = {{1, 1, 1}};
    button->timeDependent = (piece.options & TIMED) != 0;
}

void addGate(Build* build, const Piece& piece) {
    auto* gate = addEntity<game::LogicGateEntity>(build, ve::MetaType::game_LogicGateEntity, piece.name);
    if (!gate) return;
    gate->bodyOpts = bodyWithoutBox(lifted(piece.at, GATE_LIFT), flatAxes());
    gate->cable1 = ref(build, piece.refs[0]);
    gate->cable2 = ref(build, piece.refs[1]);
    gate->type = (game::LogicGateType)piece.gateType;
}

void addCable(Build* build, const Piece& piece) {
    auto* cable = addEntity<game::CableEntity>(build, ve::MetaType::game_CableEntity, piece.name);
    if (!cable) return;
    // The strip is laid once every source stands (layCableStrips).
    cable->bodyOpts = bodyWithoutBox({}, ve::iMat3());
    cable->button = ref(build, piece.refs[0]);
    cable->connectTo = piece.to;
}

// A strip's last segment is stretched rather than followed by one shorter than this; a run is
// left out only when it is shorter than its first gap plus the shortest segment drawn.
constexpr f32 MIN_CABLE_SEGMENT = 0.3f;
constexpr f32 SHORTEST_CABLE_SEGMENT = 0.05f;

// The first segment of a run starts after a gap of CABLE_FIRST_OFFSET - half a segment.
constexpr f32 CABLE_FIRST_GAP = game::CABLE_FIRST_OFFSET - game::CABLE_SEGMENT_SIZE.y;

// Whether a run of `length` (signed) gets any segment from layCableRun.
b8 cableRunHasSegments(f32 length) { return CABLE_FIRST_GAP < fabsf(length) - SHORTEST_CABLE_SEGMENT; }

// One run of a strip from `start` along `axis` for `length` (signed): segments as the game lays
// them, the first CABLE_FIRST_OFFSET - half a segment from the start, but the last one cut or
// stretched so that the run ends exactly at `length`.
u32 layCableRun(ve::v3 start, u32 axis, f32 length, ve::Primitive* out) {
    f32 sign = length >= 0.0f ? 1.0f : -1.0f;
    f32 runLength = fabsf(length);
    u32 count = 0;
    for (f32 from = CABLE_FIRST_GAP;
         from < runLength - (count == 0 ? SHORTEST_CABLE_SEGMENT : MIN_CABLE_SEGMENT); from += game::CABLE_SEGMENT_STEP) {
        f32 to = from + game::CABLE_SEGMENT_STEP;
        if (runLength - to < MIN_CABLE_SEGMENT) to = runLength;
        ve::v3 centre = start;
        centre.E[axis] += sign * (from + to) * 0.5f;
        out[count++] = game::cableSegment(centre, axis, sign, (to - from) * 0.5f);
        if (to == runLength) break;
    }
    return count;
}

// The strip of a cable whose source stands at `source`: an x run, then a z run at the x of
// `connectTo`, just above the source, ending exactly at `connectTo` (the game's own strip moves in
// whole segments and may stop up to 1.4 units short). Stored with the level, so the game lays none.
void layCableStrip(Build* build, game::CableEntity* cable, ve::v3 source) {
    ve::v3 start = {{source.x, source.y + game::CABLE_HEIGHT_OFFSET, source.z}};
    ve::v3 distance = cable->connectTo - source;
    u32 room = (u32)(fabsf(distance.x) + fabsf(distance.z)) / 2 + 2;
    ve::Primitive* segments = colliderRoom(build, room);
    if (!segments) return;
    // Where a z run follows, the x run reaches half the strip's width past the corner, to the
    // z run's first gap, so that the two meet in a closed corner as the game's own strip does.
    f32 xLength = distance.x;
    if (cableRunHasSegments(distance.z) && xLength != 0.0f) xLength += copysignf(game::CABLE_SEGMENT_SIZE.x, xLength);
    u32 count = layCableRun(start, game::CABLE_X_RUN, xLength, segments);
    ve::v3 corner = {{cable->connectTo.x, start.y, start.z}};
    count += layCableRun(corner, game::CABLE_Z_RUN, distance.z, segments + count);
    cable->bodyOpts.colliders = segments;
    cable->bodyOpts.colliderCount = count;
}

void layCableStrips(Build* build) {
    for (u32 i = 0; i < build->plan->pieceCount; i++) {
        const Piece& piece = build->plan->pieces[i];
        if (piece.kind != PieceKind::Cable) continue;
        ve::Entity* cableEntity = ve::getEntity(build->scene, ve::hashASCIIZ(piece.name));
        ve::Entity* sourceEntity = ve::getEntity(build->scene, ve::hashASCIIZ(piece.refs[0]));
        if (!cableEntity || !sourceEntity) continue;
        // Every source's record begins with its body options, as the game reads it.
        ve::v3 source = ((ve::BodyOpts*)sourceEntity->entityData.data)->position;
        layCableStrip(build, (game::CableEntity*)cableEntity->entityData.data, source);
    }
}

void addBarrier(Build* build, const Piece& piece) {
    auto* barrier = addEntity<game::BarrierEntity>(build, ve::MetaType::game_BarrierEntity, piece.name);
    if (!barrier) return;
    ve::v3 size = {{piece.size, DOOR_HEIGHT, BARRIER_THICKNESS}};
    barrier->bodyOpts = staticBox(build, lifted(piece.at, DOOR_HEIGHT * 0.5f), facingAxes(piece.facing), {}, size);
    barrier->cableEntity = ref(build, piece.refs[0]);
}

void addElevator(Build* build, const Piece& piece) {
    auto* elevator = addEntity<game::ElevatorEntity>(build, ve::MetaType::game_ElevatorEntity, piece.name);
    if (!elevator) return;
    elevator->bodyOpts =
        staticBox(build, piece.at, facingAxes(piece.facing), {{0, ELEVATOR_SIZE.y * 0.5f, 0}}, ELEVATOR_SIZE);
    elevator->cableEntity = ref(build, piece.refs[0]);
    elevator->playerEntity = ref(build, PLAYER_NAME);
}

void addLamp(Build* build, const Piece& piece) {
    auto* light = addEntity<game::LightEntity>(build, ve::MetaType::game_LightEntity, piece.name);
    if (!light) return;
    light->bodyOpts = staticBox(build, piece.at, ve::iMat3(), {}, {{LAMP_SIZE, LAMP_SIZE, LAMP_SIZE}});
}

// The world direction that is the screen's left for a player looking `facing`: the camera's
// right is up x forward, so looking north the left is +x.
ve::v3 screenLeft(Facing facing) {
    switch (facing) {
    case Facing::North: return {{1, 0, 0}};
    case Facing::South: return {{-1, 0, 0}};
    case Facing::East: return {{0, 0, 1}};
    case Facing::West: return {{0, 0, -1}};
    }
    return {{1, 0, 0}};
}

void addHint(Build* build, const Piece& piece) {
    auto* text = addEntity<game::FloatingTextEntity>(build, ve::MetaType::game_FloatingTextEntity, piece.name);
    if (!text) return;
    // The text starts at the billboard's top-left corner: HINT_TEXT_LEFT of its width from the
    // centre and HINT_TEXT_TOP of its height (the window's 900/1440 of the width).
    ve::v3 toCorner = screenLeft(piece.facing) * (HINT_TEXT_LEFT * piece.size) +
                      ve::v3{{0, HINT_TEXT_TOP * HINT_ASPECT * piece.size, 0}};
    text->position = piece.at - toCorner;
    text->hudEntity = ref(build, HUD_NAME);
    text->text = ve::copyToString(piece.text, &build->scene->sceneDataHeap);
    text->size = piece.size;
}

void addEmitter(Build* build, const Piece& piece) {
    auto* emitter = addEntity<game::ParticleEmitter>(build, ve::MetaType::game_ParticleEmitter, piece.name);
    if (!emitter) return;
    // Settings for a faint rising shimmer; nothing draws particles yet, so they are data only.
    emitter->system.position = piece.at;
    emitter->system.initVelocity = {{0, 0.5f, 0}};
    emitter->system.beginColor = {{1.0f, 0.8f, 0.4f}};
    emitter->system.endColor = {{0.2f, 0.1f, 0.0f}};
    emitter->system.spawnType = ve::ParticleSpawnerType::Circle;
    emitter->system.particlesPerSecond = 20;
    emitter->system.beginSize0 = 0.05f;
    emitter->system.beginSize1 = 0.1f;
    emitter->system.lifeTime0 = 1.0f;
    emitter->system.lifeTime1 = 2.0f;
    emitter->system.spawnArea = 1.0f;
    emitter->system.varVelocity = 0.2f;
}

void addPiece(Build* build, const Piece& piece) {
    switch (piece.kind) {
    case PieceKind::Player: addPlayer(build, piece); return;
    case PieceKind::Hud: addEntity<game::HUDEntity>(build, ve::MetaType::game_HUDEntity, piece.name); return;
    case PieceKind::Lamp: addLamp(build, piece); return;
    case PieceKind::Cube: addCube(build, piece); return;
    case PieceKind::Plate: addPlate(build, piece); return;
    case PieceKind::Button: addButton(build, piece); return;
    case PieceKind::Gate: addGate(build, piece); return;
    case PieceKind::Cable: addCable(build, piece); return;
    case PieceKind::Barrier: addBarrier(build, piece); return;
    case PieceKind::Elevator: addElevator(build, piece); return;
    case PieceKind::Hint: addHint(build, piece); return;
    case PieceKind::Emitter: addEmitter(build, piece); return;
    }
}

} // namespace

b8 buildLevel(ve::Scene* scene, const LevelPlan* plan) {
    Build build = {scene, plan, false};
    addWalls(&build);
    for (u32 i = 0; i < plan->pieceCount; i++) addPiece(&build, plan->pieces[i]);
    layCableStrips(&build);
    return !build.failed;
}

} // namespace levels
