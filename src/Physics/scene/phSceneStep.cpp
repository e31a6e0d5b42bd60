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
};

// Whether the constraint can be crossed by an island walk at all: touching and not a sensor
// (sensors detect but never push).
bool phCanJoinIsland(const phContactConstraint* contact) {
    if (!(contact->m_flags & phContactConstraint::eColliding)) return false;
    return !contact->A->sensor && !contact->B->sensor;
}

// Most constraints of a crowded scene are broad-phase pairs whose boxes do not touch; only the
// touching ones can enter an island, so the arrays are sized for those.
i32 phCountIslandContacts(const phContactManager* manager) {
    i32 count = 0;
    for (const phContactConstraint* contact = manager->m_contactList; contact; contact = contact->next)
        count += phCanJoinIsland(contact) ? 1 : 0;
    return count;
}

phIslandArrays phTakeIslandArrays(phScene* scene) {
    phStack* stack = &scene->m_stack;
    i32 bodyCount = scene->m_bodyCount;
    i32 contactCount = phCountIslandContacts(&scene->m_contactManager);

    u32 perBody = u32(sizeof(phBody*) + sizeof(phVelocityState) + sizeof(phBody*));
    u32 perContact = u32(sizeof(phContactConstraint*) + sizeof(phContactConstraintState));
    stack->Reserve(u32(bodyCount) * perBody + u32(contactCount) * perContact);

    phIslandArrays arrays;
    phIsland& island = arrays.island;
    island.m_bodyCapacity = bodyCount;
    island.m_contactCapacity = contactCount;
    island.m_bodies = (phBody**)stack->Allocate(i32(sizeof(phBody*)) * bodyCount);
    island.m_velocities = (phVelocityState*)stack->Allocate(i32(sizeof(phVelocityState)) * bodyCount);
    island.m_contacts = (phContactConstraint**)stack->Allocate(i32(sizeof(phContactConstraint*)) * contactCount);
    island.m_contactStates =
        (phContactConstraintState*)stack->Allocate(i32(sizeof(phContactConstraintState)) * contactCount);
    island.m_dt = scene->m_dt;
    island.m_gravity = scene->m_gravity;
    island.m_iterations = scene->m_iterations;
    island.m_allowSleep = scene->m_allowSleep;
    island.m_enableFriction = scene->m_enableFriction;
    arrays.stack = (phBody**)stack->Allocate(i32(sizeof(phBody*)) * bodyCount);
    arrays.stackSize = bodyCount;
    return arrays;
}

void phGiveBackIslandArrays(phScene* scene, const phIslandArrays& arrays) {
    phStack* stack = &scene->m_stack;
    stack->Free(arrays.stack);
    stack->Free(arrays.island.m_contactStates);
    stack->Free(arrays.island.m_contacts);
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

    i32 stackSize = arrays->stackSize;
    i32 stackCount = 0;
    arrays->stack[stackCount++] = seed;
    seed->m_flags |= phBody::eIsland;

    while (stackCount > 0) {
        phBody* body = arrays->stack[--stackCount];
        island->Add(body);
        body->SetToAwake();
        if (body->m_flags & phBody::eStatic) continue;

        for (phContactEdge* edge = body->m_contactList; edge; edge = edge->next) {
            phContactConstraint* contact = edge->constraint;
            if (!phJoinsIsland(contact)) continue;
            contact->m_flags |= phContactConstraint::eIsland;
            island->Add(contact);

            phBody* other = edge->other;
            if (other->m_flags & phBody::eIsland) continue;
            phAssert(stackCount < stackSize);
            arrays->stack[stackCount++] = other;
            other->m_flags |= phBody::eIsland;
        }
    }
}

void phSolveIslands(phScene* scene) {
    phIslandArrays arrays = phTakeIslandArrays(scene);
    phIsland& island = arrays.island;

    for (phBody* seed = scene->m_bodyList; seed; seed = seed->m_next) {
        if (seed->m_flags & (phBody::eIsland | phBody::eStatic)) continue;
        if (!seed->IsAwake()) continue;

        phBuildIsland(&arrays, seed);
        phAssert(island.m_bodyCount != 0);
        island.Initialize();
        island.Solve();

        // A static body may touch several islands in one step.
        for (i32 i = 0; i < island.m_bodyCount; ++i) {
            phBody* body = island.m_bodies[i];
            if (body->m_flags & phBody::eStatic) body->m_flags &= ~phBody::eIsland;
        }
    }

    phGiveBackIslandArrays(scene, arrays);
}

} // namespace

void phScene::Step() {
    if (m_newBox) {
        m_contactManager.m_broadphase.UpdatePairs();
        m_newBox = false;
    }
    m_contactManager.TestCollisions();

    for (phBody* body = m_bodyList; body; body = body->m_next) body->m_flags &= ~phBody::eIsland;
    // An empty scene has nothing to solve (and its stack has no arena to carve from).
    if (m_bodyCount > 0) phSolveIslands(this);

    for (phBody* body = m_bodyList; body; body = body->m_next) {
        if (body->m_flags & phBody::eStatic) continue;
        body->SynchronizeProxies();
    }
    m_contactManager.FindNewContacts();

    for (phBody* body = m_bodyList; body; body = body->m_next) {
        phIdentity(body->m_force);
        phIdentity(body->m_torque);
    }
}
