#pragma once
// The options from which a rigid body is built, stored at the start of every physical entity's
// data, and the access record that points into a live body in the same terms.

#include "Platform/machineDef.h"
#include "Math/mat3.h"
#include "Math/mat4.h"
#include "Math/v3.h"
#include "Physics/primitives.h"

class phScene;
class phBody;

namespace ve {

struct MemoryStore;

// The body type bits of `phFlags`, as values: the library's own bits (the glue's source holds
// them to the library's with static assertions).
enum class BodyType : u32 {
    Static = 0x020,
    Dynamic = 0x040,
    Kinematic = 0x080,
    Invalid = 0,
};

// A body's flag word, bit for bit the physics library's body flags, so it can be viewed and
// edited through this union. Building a body reads only the three type bits and the three locks.
union phFlags {
    u32 value;
    struct {
        b8 eAwake : 1;      // bit 0
        b8 eActive : 1;     // bit 1
        b8 eAllowSleep : 1; // bit 2
        b8 _ignored : 1;    // bit 3
        b8 eIsland : 1;     // bit 4
        b8 eStatic : 1;     // bit 5
        b8 eDynamic : 1;    // bit 6
        b8 eKinematic : 1;  // bit 7
        b8 eLockAxisX : 1;  // bit 8
        b8 eLockAxisY : 1;  // bit 9
        b8 eLockAxisZ : 1;  // bit 10
    };
};

static_assert(sizeof(phFlags) == 4, "phFlags is one 32-bit word");

// The axis-lock bits of `phFlags` (eLockAxisX, eLockAxisY, eLockAxisZ), as values: the
// library's own bits, like `BodyType`.
enum class AxisLock : u32 {
    X = 0x100,
    Y = 0x200,
    Z = 0x400,
    All = X | Y | Z,
};

// The description and handle of one body: the first member, `bodyOpts`, of every physical entity.
struct BodyOpts {
    v3 position;  // body origin in world space
    mat3 rotation; // columns are normalised before use, so a scaled matrix is accepted
    Primitive* colliders; // colliderCount entries, or null
    u32 colliderCount;
    v3 linearVelocity;  // initial, metres per second
    v3 angularVelocity; // initial, radians per second
    f32 gravity;        // acceleration; the body's gravity scale is gravity / 9.81
    u32 collisionMask;  // collision layers, a bit mask; 0 collides with nothing
    f32 linearFriction;  // linear damping
    f32 angularFriction; // angular damping
    phFlags flags;       // body type bits and axis locks
    u32 physicsBody;     // output: the id the body store assigned
};

// Pointers into a live body, in the terms of the options. Writing through them neither wakes the
// body nor moves its broad-phase proxies.
struct BodyOptsAccess {
    v3* position;
    mat3* rotation;
    u32* collisionMask;
    f32* linearFriction;
    f32* angularFriction;
    phFlags* flags;
};

// ---------------------------------------------------------------------------------------------
// The body store and the glue operations
//
// A body id is the index of its entry in the engine state's `physicsBodies`: ids are handed out
// in creation order from 1 and never reused; entry 0 is `NO_BODY`. When the scene switch removes
// every body, the entries of the removed bodies are retired (set to null), so an id kept from an
// earlier scene names no body. Every operation below accepts an id that names no live body
// (`NO_BODY`, a retired id, an id past the store's end): readers answer as for a body at the
// origin that collides with nothing, writers report a soft assertion and do nothing.
// ---------------------------------------------------------------------------------------------

// The id of no body. It is 0, so the zeroed or freshly loaded options of an entity whose init
// created no body (a cable without a source) name no body rather than another entity's.
constexpr u32 NO_BODY = 0;
// Entries per chunk of the body store.
constexpr msi BODY_STORE_ENTRIES_PER_CHUNK = 100;
// The layers of an active body: it collides with every other active body.
constexpr u32 ALL_LAYERS = 0xFFFF;

// Bounds on option values, in metres, seconds and radians. Options come from scene files, which
// may be damaged, and from the editor; `createBody` gives the body a safe value instead of one that
// is not finite or lies beyond these bounds, and prints one line naming the field.
//
// A box's full size along each of its axes and its centre's offset from the body origin along each
// axis. A dynamic body's boxes give it mass: a box of side s weighs s^3 (density 1) with moments of
// inertia near s^5 / 6, and the library inverts the inertia through its determinant, the product
// of three moments. At 100 m a box weighs 1e6 and a body of up to about a hundred such boxes spread
// over 200 m keeps that determinant below 1e38, inside f32; from about 500 m on it overflows and the
// inverse becomes 0 or NaN. A static or kinematic body has no mass: its boxes enter only bounding
// boxes and the box-box test, which find faces as centre plus or minus half the size. Within
// 1.5e4 m of the origin f32 places a face to 2e-3 m, twenty-five times finer than the solver's
// penetration slop (0.05 m); at 1e10 m contacts are lost in the rounding, and past 1e20 m the test
// itself turns NaN.
constexpr f32 MAX_DYNAMIC_BOX_REACH = 100.0f;
constexpr f32 MAX_STATIC_BOX_REACH = 1.0e4f;
// Each component of both velocities (m/s, rad/s) and the gravity acceleration (m/s^2): a thousand
// times what a level uses (walking a few m/s, falling tens of m/s, gravity 9.81), far below where a
// step stops being finite (an angular velocity of 1e10 rad/s gives NaN within two seconds).
constexpr f32 MAX_BODY_RATE = 1000.0f;
// Each component of a body's position. Two boxes near the float maximum overflow the contact
// midpoint to infinity, and the NaN bounding boxes that follow overlap every proxy and spread to
// bodies far away within two steps. Levels span tens of metres; at 1e6 m a position is still
// placed to 0.0625 m and every sum the step forms stays finite.
constexpr f32 MAX_BODY_POSITION = 1.0e6f;
// The floats that the time history records for one timed body: position, the three rotation
// columns, linear and angular velocity.
constexpr u32 TIMED_BODY_FLOATS = 18;

// Hands the physics library the store that every byte of its memory comes from (the engine
// state's physics store). The library keeps only the pointer, so it is handed again whenever the
// engine's globals are re-pointed.
void usePhysicsStore(MemoryStore* store);
// Builds the physics scene on `store`: its fixed step `tickLength` in seconds, its gravity in
// metres per second squared and its solver iterations per step. The library's own memory comes
// from the physics store given to it before.
phScene* createPhysicsScene(MemoryStore* store, f32 tickLength, v3 gravity, u32 iterations);
// Creates the body store on the permanent store. Start-up calls it once, right after
// constructing the physics scene.
void initPhysics();
// Builds the body and its boxes in `scene` from `opts` and writes its id into `opts->physicsBody`
// (`NO_BODY` when the body store is full, and when the body or one of its boxes finds no room in
// the physics store: then one line names the entity whose options these are, and the entity goes
// on without a body; past the first three refusals since the scene's bodies were made, the next
// step counts the rest in one line). Type bits other than exactly one of static, dynamic,
// kinematic are repaired: the whole flag word becomes `Static`. Damaged values (see the bounds
// above) are replaced in the body, not in the options: position, velocities and a non-finite
// rotation by zero and the identity, gravity by 9.81, damping (also when negative) by the library's
// 0 and 0.1, a box's size (also when zero) by a unit cube; a box with a damaged offset is left out.
void createBody(phScene* scene, BodyOpts* opts);
// Removes every body from `scene` and retires their ids. The scene switch and the editor's load
// call this rather than the scene's own RemoveAllBodies, which would leave the ids pointing at
// freed bodies.
void removeAllBodies(phScene* scene);

// The body with id `index`; null when the id names no live body.
phBody* getBody(u32 index);
// Points the six fields of `bodyOptsAccess` into the body. For an id that names no live body
// they point into a scratch record (at the origin, layers 0) that is rewritten on every call, and
// the result is false.
b8 getBodyStruct(u32 index, BodyOptsAccess* bodyOptsAccess);
// The body pose: its origin in `col4`, its rotation in the axis columns.
mat4 getTransform(u32 index);
// The address of the body's collision layers.
u32* getLayers(u32 index);
// (Spelled so: game code calls it by this name.)
v3 getLinearVeloctiy(u32 index);
// The three setters refuse a value that is not finite: one line names the setter and the value,
// and the body is left as it is. `setLinearVelocity` and `applyForce` hold a value beyond
// MAX_BODY_RATE within it, and say so once per body.
//
// Wakes the body when the velocity is not zero. A static body cannot move: it is left alone and
// a soft assertion reports the call.
void setLinearVelocity(u32 index, v3 velocity);
// An acceleration: the library scales it by the body's mass. Wakes the body.
void applyForce(u32 index, v3 force);
// The speed, in metres per second, at which a body crosses the contact solver's penetration slop
// in one tick of `tickLength` seconds. A body that meets another no faster is stopped within the
// slop by the step in which they first touch; one that arrives faster sinks deeper and is pushed
// out over the steps that follow.
f32 slopCrossingSpeed(f32 tickLength);
// Moves the body origin to `pos`, keeping its rotation, and refreshes its proxies. The bodies in
// contact with it wake, so none is left asleep in the air.
void setPosition(u32 index, v3 pos);
// Whether the ray start + s * dir, s in [0, maxLength], hits the body's first box (the one added
// last). A body without boxes is never hit.
b8 isHit(u32 index, v3 start, v3 dir, f32 maxLength);
// The body whose box the ray start + s * dir, s in [0, maxLength], meets first, found by the scene's
// ray query; `NO_BODY` when the ray meets none. The ray passes through the body `viewer`
// (whose boxes hold its start) and through bodies that collide with nothing (layers 0: pressure
// plates, a lowered barrier), which hide nothing behind them; `sought` is met whatever its layers.
u32 firstBodyOnRay(v3 start, v3 dir, f32 maxLength, u32 viewer, u32 sought);
// Switches all collision of the body on (layers `ALL_LAYERS`) or off (layers 0). The change is
// seen by the next step's collision test.
void setActive(u32 index, b8 value);
// Puts the body origin at `position` with the rotation `rotation` (its columns normalised; a
// matrix without a rotation is the identity), refreshes its proxies and wakes the bodies in
// contact with it, like `setPosition`. Velocities and sleep state are the body's own. A position
// beyond MAX_BODY_POSITION (or not finite) is refused with a printed line.
void setPose(u32 index, v3 position, mat3 rotation);
// Wakes a sleeping body, as a body that was moved by hand must: left asleep it would hang where it
// was put. A static body never sleeps or moves and is left as it is.
void wakeBody(u32 index);
// Lists the body's boxes, newest first, as primitives with unit axes and half extents. On entry
// `*count` is the room in `colliders`; on return the number written. Boxes beyond the room are
// left out.
void getAllColliders(u32 index, Primitive* colliders, u32* count);

// Registers the body's position, rotation and both velocities (18 floats) with the time history
// and appends its id to the timed-body list. Refused whole, with a soft assertion, for a body
// that is not dynamic, when the list is full and when the history's float table has no room for
// all 18 floats.
void addTimeVars(u32 index);
// Re-applies the raw pose and velocities that the time rewind wrote into a body: the library
// rebuilds its derived data and proxies from them, and the body and the bodies in contact with it
// wake. The force applied in this frame is kept for the step that follows.
void updateObject(u32 index);
// Drops the force and torque accumulated on every body of `scene`: during a rewind no step runs
// to consume them.
void clearForces(phScene* scene);
// One physics step of the scene's fixed tick. The first step that needs more than the physics store
// can hold prints one line with the figures (see phStepShortfall); later ones print nothing until
// the scene's bodies are removed.
void physicsUpdate(phScene* scene);

// The map editor's collider list on a body's options (the body itself is not rebuilt). Appending
// moves the array into a new block of the current scene's data heap one entry larger.
void addColliderSceneLoad(BodyOpts* bodyOpts, Primitive collider);
// Removes collider `index`; the later ones move down one place. The index must be listed.
void removeColliderSceneLoad(BodyOpts* bodyOpts, u32 index);

} // namespace ve
