#pragma once
// An island: bodies joined by touching contacts, solved together. The step builds one island at
// a time in arrays taken from the scene's stack, sized for every body and every touching contact
// of the scene when the store can hold that, and reuses them for the next island; the solver state
// is taken for each island. An island larger than the arrays is solved in pieces, each one an
// island of its own to the code below: the bodies at its edge, and those an earlier piece moved,
// join it held (see phHold).

#include "Physics/math/phMath.h"

class phBody;
struct phContactConstraint;

// The solver's copy of a body's velocities, addressed by the body's m_islandIndex. The island
// keeps two sets: the real velocities, and the push velocities that move overlapping bodies apart
// in the step's position update and are then thrown away (their angular part stays zero).
struct phVelocityState {
    // Radians per second.
    phVec3 w;
    phVec3 v;
};

// One direction d of a contact point (its normal or a tangent), prepared once per step so that
// each iteration needs only products and sums. Every vector is kept as four floats, the fourth
// 0, so that the solver reads it with one load and works on all components at once.
struct phContactDirection {
    // The lever arms crossed with d: the relative velocity along d is
    // dot(vB - vA, d) + dot(wB, rbCd) - dot(wA, raCd).
    r32 raCd[4];
    r32 rbCd[4];
    // Angular velocity change per unit impulse along d: A turns by -turnA = -iA raCd, B by
    // turnB = iB rbCd.
    r32 turnA[4];
    r32 turnB[4];
};

// Solver data of one contact point.
struct phContactState {
    // The point relative to the centres of mass of A and B.
    phVec3 ra;
    phVec3 rb;
    r32 penetration;
    // Accumulated over the iterations and carried to the next step: the impulse that holds the
    // bodies apart (and bounces them), and the friction in the tangent plane.
    r32 normalImpulse;
    r32 tangentImpulse[2];
    // The impulse on the bodies' push velocities that moves an overlap apart, accumulated over the
    // iterations of one step only: it changes positions, never the velocities, so it cannot
    // launch a body or pump energy into a wedged one.
    r32 pushImpulse;
    // Target normal velocity of the real velocities: the restitution, or the speed at which a gap
    // may close, less the part of the point's velocity that no impulse changes (a kinematic body
    // moving into it).
    r32 bias;
    // Separation speed asked of the push velocities: a fraction of the penetration beyond the
    // slop per step; 0 for a point within the slop.
    r32 pushSpeed;
    // The part of the relative velocity along the two tangents that no impulse changes: that of a
    // kinematic body's point (zero without one).
    r32 surfaceSpeed[2];
    r32 normalMass;
    // The effective masses of the two tangent directions.
    r32 tangentMass[2];
    phContactDirection normalDirection;
    phContactDirection tangentDirections[2];
};

// Solver data of one constraint. Its points lie in the island's point array: a constraint takes
// room for the points it has, not for the most a manifold can hold.
struct phContactConstraintState {
    phContactState* contacts;
    i32 contactCount;
    phVec3 tangentVectors[2];
    phVec3 normal;
    phVec3 centerA;
    phVec3 centerB;
    // World inverse inertia and inverse masses: zero for static and kinematic bodies.
    phMat3 iA;
    phMat3 iB;
    r32 mA;
    r32 mB;
    r32 restitution;
    r32 friction;
    // The bodies' places in the island.
    i32 indexA;
    i32 indexB;
    // Whether each body is dynamic: only dynamic bodies take impulses.
    i32 dynamicA;
    i32 dynamicB;
    // Whether a point lies deeper than the slop: only such constraints take push impulses.
    i32 pushes;
};

// The step carves all its arrays from one reservation without padding; sizes that are multiples
// of the pointer size keep every array behind them aligned.
static_assert(sizeof(phVelocityState) % sizeof(void*) == 0, "velocity states must keep the stack aligned");
static_assert(sizeof(phContactConstraintState) % sizeof(void*) == 0, "constraint states must keep the stack aligned");
static_assert(sizeof(phContactState) % sizeof(void*) == 0, "point states must keep the stack aligned");

// Position correction: the fraction of the penetration beyond the slop that the push velocities
// remove per step.
const r32 phk_baumgarte = r32(0.2);
// Penetration (world units) left alone, so resting contacts do not jitter in and out of touch.
const r32 phk_penetrationSlop = r32(0.05);
// An iteration whose impulses changed no speed by more than this (units per second) leaves the
// island where the one before left it, and every further iteration would repeat it: the solver
// stops there. A resting box alone on the floor gets there in a few iterations; a stack whose
// impulses still move about never does and gets every iteration.
const r32 phk_solverSettledSpeed = r32(1e-6);
// Most sweeps over the points of one contact in the shock pass: the upper body alone moves, and
// one sweep leaves the first points undone by the turns of the later ones. A sweep that changed
// no speed by more than phk_solverSettledSpeed ends them.
const i32 phk_shockSweeps = 2;
// A contact whose normal is at least this close to the vertical (the cosine of 45 degrees) holds
// one body up on the other; steeper ones touch side by side, and neither body rests on the other.
const r32 phk_supportFacing = r32(0.70710678);
// Closing speed (units per second) above which restitution applies.
const r32 phk_restitutionThreshold = r32(1.0);
// A body counts as resting while its squared linear speed and squared angular speed (radians)
// stay at or below these.
const r32 phk_sleepLinearTolerance = r32(0.01);
const r32 phk_sleepAngularTolerance = r32(0.05235988);
// Seconds every body of an island must rest before the island sleeps.
const r32 phk_timeToSleep = r32(0.5);

// Why an island takes a body's velocity as given, as that of a moving floor: zero inverse mass
// and inertia in its constraints, and no impulse.
enum phHold : u8 {
    // The island does not move the body: a static body, a body at the edge of a piece that had
    // no room to go on through it, or a body that an earlier piece of the step moved. Its
    // velocity is its own (no gravity or force is added), it is not integrated, and it does not
    // count for the island's sleep.
    ePhHeldOutside = 1,
    // An earlier part of the island's solve gave the body its velocity (the solver state held too
    // few constraints for the whole island); the island still moves it.
    ePhSolvedBelow = 2,
    // A pair of the body found no room in the physics store, so nothing keeps the body out of the
    // box of that pair: the island holds it where it is, at rest, and moves the rest of its
    // bodies against it. The island walks on through it.
    ePhHeldStill = 4 | ePhHeldOutside,
};

class phIsland {
public:
    // `held`: the body's phHold bits.
    void Add(phBody* body, u8 held);
    void Add(phContactConstraint* contact);
    // Lists the constraints from the bottom up and refreshes the bodies' world inverse inertia.
    void Initialize();
    // Integrates forces, solves the contacts and integrates positions. The contacts are solved in
    // parts, from the bottom up, as many constraints at a time as the solver state has room for:
    // all at once unless the physics store was short. Returns whether sleep is allowed and every
    // body the island moves has rested long enough to sleep (see Sleep).
    bool Solve();
    // Puts the bodies the island moves, and its static bodies, to sleep.
    void Sleep();

    phBody** m_bodies;
    // Per island body, a set of phHold bits: zero for a body the island moves and pushes.
    u8* m_held;
    // The island is a piece of a larger one: it holds a body at its edge, or one that an earlier
    // piece moved.
    bool m_piece;
    phVelocityState* m_velocities;
    // Position-only velocities, zero at the start of every step (see phVelocityState).
    phVelocityState* m_pushes;
    i32 m_bodyCapacity;
    i32 m_bodyCount;

    phContactConstraint** m_contacts;
    i32 m_contactCount;
    i32 m_contactCapacity;
    // Points of the island's constraints.
    i32 m_pointCount;
    // The states of the part being solved: m_partCount constraints from m_partStart on, with their
    // points in m_points, in the order of the constraints.
    phContactConstraintState* m_contactStates;
    i32 m_stateCapacity;
    phContactState* m_points;
    i32 m_pointCapacity;
    i32 m_partStart;
    i32 m_partCount;

    r32 m_dt;
    phVec3 m_gravity;
    i32 m_iterations;
    bool m_allowSleep;
    bool m_enableFriction;

private:
    // Lists the constraints from the lowest up, by the height of the lower of their two bodies.
    void SortFromTheBottom(const phVec3& up);
    // Fills the states of the part that starts at constraint `first` from the bodies and the
    // manifolds.
    void InitializePart(i32 first);
    i32 PartLength(i32 first) const;
    // Whether the states have room for every constraint and point of the island.
    bool HoldsWhole() const { return m_contactCount <= m_stateCapacity && m_pointCount <= m_pointCapacity; }
    void HoldBodies(phContactConstraintState* cs) const;
    void MarkPartSolved(const phVec3& up);
    void IntegrateVelocities();
    // A body whose velocities came out of the solver not finite is stopped where it was: nothing
    // non-finite is written into a body.
    void IntegratePositions();
    // Counts the rest of each body the island moves; true when every one has rested long enough
    // to sleep.
    bool Rested();
};
