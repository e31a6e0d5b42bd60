// The scene's fixed step: contacts are found and tested, islands of touching awake bodies are
// built by a depth-first walk over the contact graph and solved one at a time, then the broad
// phase follows the bodies and looks for new pairs.

#include "Physics/dynamics/phIsland.h"
#include "Physics/scene/phScene.h"

namespace {

// Arrays for one island at a time, sized for every body and contact of the scene, and the walk
// stack. All taken from the scene's stack and given back in reverse order.
struct phIslandArrays {
    phIsland island;
    phBody** stack;
    i32 stackSize;
    // Touching pairs the arrays had no room for.
    i32 waitingPairs;
};

// Whether the constraint can be crossed by an island walk at all: touching and not a sensor
// (sensors detect but never push).
bool phCanJoinIsland(const phContactConstraint* contact) {
    if (!(contact->m_flags & phContactConstraint::eColliding)) return false;
    return !contact->A->sensor && !contact->B->sensor;
}

// Bytes of the step's arrays for each body, each touching pair and each of its points.
const u32 phk_stepBytesPerBody = u32(sizeof(phBody*) + 2 * sizeof(phVelocityState) + sizeof(phBody*));
const u32 phk_stepBytesPerPair = u32(sizeof(phContactConstraint*) + sizeof(phContactConstraintState));
const u32 phk_stepBytesPerPoint = u32(sizeof(phContactState));
// Touching pairs, in quarters, per body that the room taken when a body is made holds: a pile of
// tumbled cubes has about one per cube, at times a few more.
const u64 phk_touchingQuartersPerBody = 5;
// The step's arena a body reserves when it is created: its own arrays and its share of touching
// pairs of five points each (a face on a face has four, a pile's pairs five on average).
const u64 phk_reservedStepBytesPerBody =
    phk_stepBytesPerBody + phk_touchingQuartersPerBody * (phk_stepBytesPerPair + 5 * phk_stepBytesPerPoint) / 4;
// The arena grows in steps of this many bodies' reservations: a scene built body by body takes a
// new arena once per step of bodies, and never holds more than one step's worth beyond its need,
// which the contacts of the bodies it holds may need from the store.
const u64 phk_bodiesPerReservation = 256;
// The most that one reservation asks of the physics store (phAlloc takes an i32).
const u64 phk_stepBytesLimit = 0x7FFFFFFF;

// Pairs whose arrays do not fit in `room` bytes: the counts are cut down to what does, pairs and
// points in the same proportion.
void phFitPairs(u32 room, i32* contactCount, i32* pointCount) {
    u64 need = u64(*contactCount) * phk_stepBytesPerPair + u64(*pointCount) * phk_stepBytesPerPoint;
    if (need <= room) return;
    *contactCount = i32(u64(*contactCount) * room / need);
    *pointCount = i32((room - u32(*contactCount) * phk_stepBytesPerPair) / phk_stepBytesPerPoint);
}

// Takes the arrays from the scene's stack, sized for every body and for every touching constraint
// and its points (the contact manager counts them). When the stack cannot grow to that, the
// arena it has (taken at body creation with room for every body's share) serves: every body, and
// the pairs that fit. False, with nothing taken, only when the stack has no room for the bodies.
bool phTakeIslandArrays(phScene* scene, phIslandArrays* arrays) {
    phStack* stack = &scene->m_stack;
    i32 bodyCount = scene->m_bodyCount;
    i32 contactCount = scene->m_contactManager.m_touchingCount;
    i32 pointCount = scene->m_contactManager.m_touchingPointCount;

    u64 bodyBytes = u64(bodyCount) * phk_stepBytesPerBody;
    u64 need = bodyBytes + u64(contactCount) * phk_stepBytesPerPair + u64(pointCount) * phk_stepBytesPerPoint;
    if (need > phk_stepBytesLimit || !stack->Reserve(u32(need))) {
        if (stack->m_stackSize < bodyBytes) return false;
        phFitPairs(stack->m_stackSize - u32(bodyBytes), &contactCount, &pointCount);
    }

    phIsland& island = arrays->island;
    island.m_bodyCapacity = bodyCount;
    island.m_contactCapacity = contactCount;
    island.m_pointCapacity = pointCount;
    island.m_bodies = (phBody**)stack->Allocate(i32(sizeof(phBody*)) * bodyCount);
    island.m_velocities = (phVelocityState*)stack->Allocate(i32(sizeof(phVelocityState)) * bodyCount);
    island.m_pushes = (phVelocityState*)stack->Allocate(i32(sizeof(phVelocityState)) * bodyCount);
    island.m_contacts = (phContactConstraint**)stack->Allocate(i32(sizeof(phContactConstraint*)) * contactCount);
    island.m_contactStates =
        (phContactConstraintState*)stack->Allocate(i32(sizeof(phContactConstraintState)) * contactCount);
    island.m_points = (phContactState*)stack->Allocate(i32(sizeof(phContactState)) * pointCount);
    island.m_dt = scene->m_dt;
    island.m_gravity = scene->m_gravity;
    island.m_iterations = scene->m_iterations;
    island.m_allowSleep = scene->m_allowSleep;
    island.m_enableFriction = scene->m_enableFriction;
    arrays->stack = (phBody**)stack->Allocate(i32(sizeof(phBody*)) * bodyCount);
    arrays->stackSize = bodyCount;
    return true;
}

void phGiveBackIslandArrays(phScene* scene, const phIslandArrays& arrays) {
    phStack* stack = &scene->m_stack;
    stack->Free(arrays.stack);
    stack->Free(arrays.island.m_points);
    stack->Free(arrays.island.m_contactStates);
    stack->Free(arrays.island.m_contacts);
    stack->Free(arrays.island.m_pushes);
    stack->Free(arrays.island.m_velocities);
    stack->Free(arrays.island.m_bodies);
}

// Whether the walk crosses the constraint now: it can, and no island took it this step.
bool phJoinsIsland(const phContactConstraint* contact) {
    return !(contact->m_flags & phContactConstraint::eIsland) && phCanJoinIsland(contact);
}

// Gathers the island of `seed` by a depth-first walk. Static bodies join but the walk does not go
// on through them, so two stacks on one floor stay two islands.
void phBuildIsland(phIslandArrays* arrays, phBody* seed) {
    phIsland* island = &arrays->island;
    island->m_bodyCount = 0;
    island->m_contactCount = 0;
    island->m_pointCount = 0;

    i32 stackSize = arrays->stackSize;
    i32 stackCount = 0;
    arrays->stack[stackCount++] = seed;
    seed->m_flags |= phBody::eIsland;

    while (stackCount > 0) {
        phBody* body = arrays->stack[--stackCount];
        // Nothing that is not finite enters the solver, where it would spread to every body
        // the island's contacts reach.
        body->EnsureFinite();
        island->Add(body);
        body->SetToAwake();
        if (body->m_flags & phBody::eStatic) continue;

        for (phContactEdge* edge = body->m_contactList; edge; edge = edge->next) {
            phContactConstraint* contact = edge->constraint;
            if (!phJoinsIsland(contact)) continue;
            // A pair that finds no room in this step's arrays waits for a step with room; the
            // walk still crosses it.
            if (island->Add(contact)) contact->m_flags |= phContactConstraint::eIsland;
            else ++arrays->waitingPairs;

            phBody* other = edge->other;
            if (other->m_flags & phBody::eIsland) continue;
            phAssert(stackCount < stackSize);
            arrays->stack[stackCount++] = other;
            other->m_flags |= phBody::eIsland;
        }
    }
}

void phSolveIslands(phScene* scene) {
    phIslandArrays arrays;
    arrays.waitingPairs = 0;
    if (!phTakeIslandArrays(scene, &arrays)) return;
    phIsland& island = arrays.island;

    for (phBody* seed = scene->m_bodyList; seed; seed = seed->m_next) {
        if (seed->m_flags & (phBody::eIsland | phBody::eStatic)) continue;
        if (!seed->IsAwake()) continue;

        phBuildIsland(&arrays, seed);
        phAssert(island.m_bodyCount != 0);
        island.Initialize();
        island.Solve();

        // A static body may touch several islands in one step. The constraints are let go as
        // well: the collision test, which cleared the mark of every pair it looked at, does not
        // look at sleeping pairs, and one marked here would be closed to the walk once it wakes.
        for (i32 i = 0; i < island.m_bodyCount; ++i) {
            phBody* body = island.m_bodies[i];
            if (body->m_flags & phBody::eStatic) body->m_flags &= ~phBody::eIsland;
        }
        for (i32 i = 0; i < island.m_contactCount; ++i)
            island.m_contacts[i]->m_flags &= ~phContactConstraint::eIsland;
    }

    phGiveBackIslandArrays(scene, arrays);
    scene->m_waitingPairs = arrays.waitingPairs;
}

} // namespace

// The contact pools' room for `bodyCount` bodies, and the broad phase's for one box each: a leaf
// and its parent in the tree, a move and its pairs (found from both ends) in the pair update.
static bool phReservePairs(phContactManager* contacts, i32 bodyCount) {
    i32 pairs = bodyCount * phk_pairsPerBody;
    i32 touching = i32(u64(bodyCount) * phk_touchingQuartersPerBody / 4);
    return contacts->m_allocator.Reserve(pairs) && contacts->m_manifoldAllocator.Reserve(touching) &&
           contacts->m_broadphase.m_tree.Reserve(2 * bodyCount) && contacts->m_broadphase.Reserve(bodyCount, 2 * pairs);
}

bool phScene::ReserveRoomFor(i32 bodyCount) {
    u64 need = u64(bodyCount) * phk_reservedStepBytesPerBody;
    if (need > phk_stepBytesLimit) return false;
    u32 kept = m_stack.m_stackSize;
    if (kept >= need) return phReservePairs(&m_contactManager, bodyCount);
    // Everything grows here at once, for a step of bodies, the arena last: given back first, so
    // that the pools and the tree grow ahead of it and it is taken again behind them at the free
    // end of the store. Its next growth then takes it in place, instead of leaving a hole of its
    // old size that it no longer fits.
    m_stack.Release();
    u64 bodies = (u64(bodyCount) + phk_bodiesPerReservation - 1) / phk_bodiesPerReservation * phk_bodiesPerReservation;
    u64 ample = bodies * phk_reservedStepBytesPerBody;
    bool room = false;
    if (ample <= phk_stepBytesLimit && phReservePairs(&m_contactManager, i32(bodies)))
        room = m_stack.Reserve(u32(ample));
    if (!room && phReservePairs(&m_contactManager, bodyCount)) room = m_stack.Reserve(u32(need));
    if (!room) m_stack.Reserve(kept);
    return room;
}

void phScene::Step() {
    // A time step that is not a positive number would make every body's state NaN.
    if (!(m_dt > r32(0.0)) || !phIsFinite(m_dt)) return;
    if (m_newBox) {
        m_contactManager.m_broadphase.UpdatePairs();
        m_newBox = false;
    }
    m_contactManager.TestCollisions();

    for (phBody* body = m_bodyList; body; body = body->m_next) body->m_flags &= ~phBody::eIsland;
    // An empty scene has nothing to solve (and its stack has no arena to carve from).
    if (m_bodyCount > 0) phSolveIslands(this);

    // Only the bodies that an island moved (those still marked: the static ones are unmarked after
    // each island) need their proxies refreshed; a sleeping body has not moved.
    for (phBody* body = m_bodyList; body; body = body->m_next) {
        if (body->m_flags & phBody::eIsland) body->SynchronizeProxies();
        phIdentity(body->m_force);
        phIdentity(body->m_torque);
    }
    m_contactManager.FindNewContacts();
}
