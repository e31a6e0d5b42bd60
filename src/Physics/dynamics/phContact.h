#pragma once
// The persistent contact between two boxes: its points, its manifold and its places in the two
// bodies' contact lists. A constraint is one block of the contact manager's paged allocator, and
// there is one for every pair of boxes whose enlarged bounds overlap, most of which do not touch:
// it is kept small, and the manifold with its points is a block of its own, held only while the
// boxes touch.

#include "Physics/math/phMath.h"

class phBox;
class phBody;
struct phContactConstraint;

// The box edges through which a contact point entered or left a clip region of the reference (R)
// and incident (I) faces. Only equality of `key` matters: it matches points from step to step.
// A key of -1 records no feature.
union phFeaturePair {
    struct {
        u8 inR;
        u8 outR;
        u8 inI;
        u8 outI;
    };
    i32 key;
};

// One end of a constraint in a body's contact list (doubly linked, newest first).
struct phContactEdge {
    phBody* other;
    phContactConstraint* constraint;
    phContactEdge* next;
    phContactEdge* prev;
};

struct phContact {
    // World point.
    phVec3 position;
    // Separation along the normal: negative while the boxes overlap, positive (at most the
    // contact margin) for a point that does not touch yet.
    r32 penetration;
    // Accumulated impulses, carried into the next step's manifold (warm starting).
    r32 normalImpulse;
    r32 tangentImpulse[2];
    phFeaturePair fp;
    // Steps in a row whose impulses were carried over, held at 255.
    u8 warmStarted;
};

const i32 phk_maxManifoldContacts = 8;

struct phManifold {
    void SetPair(phBox* a, phBox* b);

    phBox* A;
    phBox* B;
    // Unit normal from A to B.
    phVec3 normal;
    // Friction directions, from phComputeBasis(normal).
    phVec3 tangentVectors[2];
    i32 contactCount;
    bool sensor;
    // The points last: a pair's manifold is kept in a block with room for as many as it has (see
    // phContactManager), and a manifold on the stack has room for all of them.
    phContact contacts[phk_maxManifoldContacts];
};

struct phContactConstraint {
    enum {
        // The manifold had contacts after the last narrow phase.
        eColliding = 0x1,
        // It had contacts in the narrow phase before that.
        eWasColliding = 0x2,
        // Added to an island in this step.
        eIsland = 0x4,
    };

    // Runs the narrow phase into `out` (set up for this pair by the caller) and moves the
    // colliding flags on.
    void SolveCollision(phManifold* out);

    phBox* A;
    phBox* B;
    phBody* bodyA;
    phBody* bodyB;
    // In bodyA's list (other = bodyB) and in bodyB's list (other = bodyA).
    phContactEdge edgeA;
    phContactEdge edgeB;
    phContactConstraint* next;
    phContactConstraint* prev;
    r32 friction;
    r32 restitution;
    // The contact points of the last narrow phase; null while the boxes do not touch.
    phManifold* manifold;
    i32 m_flags;
    // The contact manager's test count when the narrow phase last ran on the pair: a pair is
    // tested at most once per collision test.
    u32 m_testedIn;
};

// The points of `contact`, or none.
inline i32 phPointCount(const phContactConstraint* contact) {
    return contact->manifold ? contact->manifold->contactCount : 0;
}

// sqrt of the product of the two frictions.
r32 phMixFriction(const phBox* A, const phBox* B);
// The larger of the two restitutions.
r32 phMixRestitution(const phBox* A, const phBox* B);
