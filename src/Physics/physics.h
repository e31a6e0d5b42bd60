#pragma once
// The options from which a rigid body is built, stored at the start of every physical entity's
// data, and the access record that points into a live body in the same terms.

#include "Platform/machineDef.h"
#include "Math/mat3.h"
#include "Math/v3.h"
#include "Physics/primitives.h"

class phBody;
class phScene;

namespace ve {

// The body type bits of `phFlags`, as values.
enum class BodyType : u32 {
    Static = 32,
    Dynamic = 64,
    Kinematic = 128,
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
// ---------------------------------------------------------------------------------------------

// Creates the body store (the engine state's `physicsBodies`) on the permanent store. Start-up
// calls it once, right after constructing the physics scene.
void initPhysics();
// The body with id `index`; ids are not checked against the store's length.
phBody* getBody(u32 index);
// One physics step of the scene's fixed tick.
void physicsUpdate(phScene* scene);
// Re-applies the raw pose and velocities that the time rewind wrote into a body: the library
// rebuilds its derived data and proxies from them and wakes the body.
void updateObject(u32 index);

} // namespace ve
