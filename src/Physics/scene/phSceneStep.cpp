// The scene's fixed step: contacts are found and tested, islands of touching awake bodies are
// built by a depth-first walk over the contact graph and solved one at a time (in pieces when the
// island arrays cannot hold one whole), then the broad phase follows the bodies and looks for new
// pairs.

#include "Physics/dynamics/phIsland.h"
#include "Physics/scene/phScene.h"

namespace {

// The arrays of one step's islands: the bodies, their velocities and the walk stack sized for every
// body of the scene, and the constraint list sized for every touching pair, when the store can
// hold that. Islands are built one at a time in them; each island's solver state is asked for
// when the island is known.
struct phIslandArrays {
    phIsland island;
    // Bodies of the island whose contacts the walk has still to go through: a part of the
    // island's bodies, so it never holds more than the island's capacity.
    phBody** stack;
    // The scene's bodies and touching pairs: an island with room for that many never runs out.
    i32 sceneBodyCount;
    i32 sceneContactCount;
    // The one block the arrays above are carved from.
    void* block;
    // The solver state of every touching pair of the scene, when the store holds it at once: the
    // islands then share it, and none asks for its own.
    void* states;
};

// Whether the constraint can be crossed by an island walk at all: touching and not a sensor
// (sensors detect but never push).
bool phCanJoinIsland(const phContactConstraint* contact) {
    if (!(contact->m_flags & phContactConstraint::eColliding)) return false;
    return !contact->A->sensor && !contact->B->sensor;
}

// Bytes of the island arrays for each body (pointer, velocity, push velocity, walk-stack entry,
// hold) and each touching pair (pointer), and of the solver state of a pair and of a point.
const u64 phk_stepBytesPerBody = sizeof(phBody*) + 2 * sizeof(phVelocityState) + sizeof(phBody*) + sizeof(u8);
const u64 phk_stepBytesPerPair = sizeof(phContactConstraint*);
const u64 phk_stateBytesPerPair = sizeof(phContactConstraintState);
const u64 phk_stateBytesPerPoint = sizeof(phContactState);
// The alignment of every block the step takes from its stack, which hands out bytes unrounded.
const u64 phk_stepAlignment = 16;
// The most that one request asks of the stack (it takes an i32).
const u64 phk_requestLimit = 0x7FFFFFFF;

// `bytes` from the scene's stack, or null, with the refusal noted in the step's figures.
void* phTakeFromStack(phScene* scene, u64 bytes) {
    void* block = bytes <= phk_requestLimit ? scene->m_stack.Allocate(i32(bytes)) : nullptr;
    if (!block && bytes > scene->m_shortfall.largestRefusal) scene->m_shortfall.largestRefusal = bytes;
    return block;
}

// Takes the island arrays in one block, with room for every body and touching pair of the scene;
// when the store cannot hold that, for half as many, and half again, down to one body. An island
// larger than the arrays is solved in pieces (see phBuildIsland). False, with nothing taken, when
// not even one body's arrays fit.
bool phTakeIslandArrays(phScene* scene, phIslandArrays* arrays) {
    i32 bodyCount = scene->m_bodyCount;
    i32 contactCount = scene->m_contactManager.m_touchingCount;
    u8* block = nullptr;
    for (;;) {
        u64 bytes = u64(bodyCount) * phk_stepBytesPerBody + u64(contactCount) * phk_stepBytesPerPair;
        // The solved marks at the end leave any length: rounded up, so that the solver state the
        // stack hands out next is aligned.
        bytes = (bytes + phk_stepAlignment - 1) / phk_stepAlignment * phk_stepAlignment;
        block = (u8*)phTakeFromStack(scene, bytes);
        if (block || bodyCount == 1) break;
        bodyCount = (bodyCount + 1) / 2;
        contactCount = (contactCount + 1) / 2;
    }
    arrays->block = block;
    if (!block) return false;

    phIsland& island = arrays->island;
    island.m_bodyCapacity = bodyCount;
    island.m_contactCapacity = contactCount;
    island.m_velocities = (phVelocityState*)block;
    island.m_pushes = island.m_velocities + bodyCount;
    island.m_bodies = (phBody**)(island.m_pushes + bodyCount);
    arrays->stack = island.m_bodies + bodyCount;
    arrays->sceneBodyCount = scene->m_bodyCount;
    arrays->sceneContactCount = scene->m_contactManager.m_touchingCount;
    island.m_contacts = (phContactConstraint**)(arrays->stack + bodyCount);
    // The bytes last, behind the pointers, so that nothing behind them is misaligned.
    island.m_held = (u8*)(island.m_contacts + contactCount);
    island.m_dt = scene->m_dt;
    island.m_gravity = scene->m_gravity;
    island.m_iterations = scene->m_iterations;
    island.m_allowSleep = scene->m_allowSleep;
    island.m_enableFriction = scene->m_enableFriction;
    return true;
}

// Whether the walk crosses the constraint now: it can, and no island took it this step.
bool phJoinsIsland(const phContactConstraint* contact) {
    return !(contact->m_flags & phContactConstraint::eIsland) && phCanJoinIsland(contact);
}

// Whether the body is one of the island's (the walk reached it) in this walk.
bool phInIsland(const phIsland* island, const phBody* body) {
    return u32(body->m_islandIndex) < u32(island->m_bodyCount) && island->m_bodies[body->m_islandIndex] == body;
}

// Adds the body that the walk reached. A static body, and a body that an earlier piece of the step
// moved (it carries eIsland), join held: the walk does not go on through them. The moved body is
// left awake or asleep as its piece left it; any other body is woken, and one that is not static
// waits on the stack for the walk to go through its contacts.
void phReach(phIslandArrays* arrays, phBody* body, i32* stackCount) {
    // Nothing that is not finite enters the solver, where it would spread to every body the
    // island's contacts reach.
    body->EnsureFinite();
    bool moved = body->m_flags & phBody::eIsland;
    bool held = moved || (body->m_flags & phBody::eStatic);
    arrays->island.m_piece = arrays->island.m_piece || moved;
    arrays->island.Add(body, held ? ePhHeldOutside : 0);
    if (moved) return;
    body->SetToAwake();
    if (!held) arrays->stack[(*stackCount)++] = body;
}

// Whether going through the body's contacts keeps the island within its arrays: room for each
// touching pair the walk has not crossed and for each body at their other ends not yet reached.
// Arrays with room for every body and pair of the scene always have it.
bool phHasRoomToGoThrough(const phIslandArrays* arrays, const phBody* body) {
    const phIsland* island = &arrays->island;
    i32 bodyRoom = island->m_bodyCapacity - island->m_bodyCount;
    i32 contactRoom = island->m_contactCapacity - island->m_contactCount;
    if (island->m_bodyCapacity >= arrays->sceneBodyCount && island->m_contactCapacity >= arrays->sceneContactCount)
        return true;
    for (const phContactEdge* edge = body->m_contactList; edge; edge = edge->next) {
        if (!phJoinsIsland(edge->constraint)) continue;
        --contactRoom;
        if (!phInIsland(island, edge->other)) --bodyRoom;
    }
    return bodyRoom >= 0 && contactRoom >= 0;
}

// Gathers the island of `seed` by a depth-first walk. Static bodies join but the walk does not go
// on through them, so two stacks on one floor stay two islands. When the arrays cannot take the
// whole island, a body whose contacts would overfill them is held at the edge of this piece: it
// loses nothing but its place, and a later seed of the step reaches it again. The bodies the walk
// goes through are marked eIsland: the step moves them with this piece, but for a body with a pair
// without room, which the piece holds still.
void phBuildIsland(phIslandArrays* arrays, phBody* seed) {
    phIsland* island = &arrays->island;
    island->m_bodyCount = 0;
    island->m_contactCount = 0;
    island->m_pointCount = 0;

    i32 stackCount = 0;
    island->m_piece = false;
    phReach(arrays, seed, &stackCount);

    while (stackCount > 0) {
        phBody* body = arrays->stack[--stackCount];
        if (!phHasRoomToGoThrough(arrays, body)) {
            island->m_held[body->m_islandIndex] = ePhHeldOutside;
            island->m_piece = true;
            continue;
        }
        body->m_flags |= phBody::eIsland;
        // The mark is spent here: the pair update and the collision test set it again while the
        // store still has no room.
        if (body->m_withoutRoom) island->m_held[body->m_islandIndex] = ePhHeldStill;
        body->m_withoutRoom = false;

        for (phContactEdge* edge = body->m_contactList; edge; edge = edge->next) {
            phContactConstraint* contact = edge->constraint;
            if (!phJoinsIsland(contact)) continue;
            island->Add(contact);
            contact->m_flags |= phContactConstraint::eIsland;
            if (!phInIsland(island, edge->other)) phReach(arrays, edge->other, &stackCount);
        }
    }
}

// Points the island's solver state at `block`: room for `pairs` constraints and `points` points.
void phCarveStates(phIsland* island, u8* block, i32 pairs, i32 points) {
    island->m_contactStates = (phContactConstraintState*)block;
    island->m_stateCapacity = pairs;
    island->m_points = (phContactState*)(block + u64(pairs) * phk_stateBytesPerPair);
    island->m_pointCapacity = points;
}

// Takes the island's solver state from the stack: whole when the store can hold it, else in parts
// of half as many constraints, and half again, down to one (with room for the most points a pair
// has). Null when not even one pair's state fits.
void* phTakeStates(phScene* scene, phIsland* island) {
    i32 pairs = island->m_contactCount;
    i32 points = island->m_pointCount;
    for (;;) {
        u64 bytes = u64(pairs) * phk_stateBytesPerPair + u64(points) * phk_stateBytesPerPoint;
        void* block = phTakeFromStack(scene, bytes);
        if (block) {
            phCarveStates(island, (u8*)block, pairs, points);
            if (pairs < island->m_contactCount) ++scene->m_shortfall.partedIslands;
            return block;
        }
        if (pairs == 1) return nullptr;
        pairs = (pairs + 1) / 2;
        // A part holds `pairs` constraints while their points fit: as many points as they have on
        // average, and one pair's most beyond that.
        points = i32(u64(island->m_pointCount) * u64(pairs) / u64(island->m_contactCount)) + phk_maxManifoldContacts;
    }
}

// Takes the solver state of every touching pair and point of the scene in one block of the arena;
// without room for it there (the store is not searched for it every step, and its refusal is no
// shortfall) each island asks for its own. The arena grows to it between steps when it can.
void phTakeAllStates(phScene* scene, phIslandArrays* arrays) {
    const phContactManager& contacts = scene->m_contactManager;
    u64 bytes = u64(contacts.m_touchingCount) * phk_stateBytesPerPair +
                u64(contacts.m_touchingPointCount) * phk_stateBytesPerPoint;
    // Nothing touching: every island is a lone body or bodies apart, with no state to solve.
    arrays->states = bytes > 0 && bytes <= phk_requestLimit ? scene->m_stack.AllocateInArena(i32(bytes)) : nullptr;
    if (arrays->states)
        phCarveStates(&arrays->island, (u8*)arrays->states, contacts.m_touchingCount, contacts.m_touchingPointCount);
}

// The island's bodies whose phHold bits, masked with `bits`, are `value`: 0 and ePhHeldOutside
// count the bodies it moves, ePhHeldStill and ePhHeldStill those it holds still.
i32 phCountHeld(const phIsland* island, u8 bits, u8 value) {
    i32 count = 0;
    for (i32 i = 0; i < island->m_bodyCount; ++i) count += (island->m_held[i] & bits) == value ? 1 : 0;
    return count;
}

// Solves the island that the walk gathered, in the states of the whole scene or, without room for
// them, in states taken for it alone. Without room for one pair's state the island's bodies are
// held still for this step. Returns whether the island rested long enough to sleep.
bool phSolveIsland(phScene* scene, phIslandArrays* arrays) {
    phIsland* island = &arrays->island;
    void* states = nullptr;
    if (!arrays->states && island->m_contactCount == 0) {
        phCarveStates(island, nullptr, 0, 0);
    } else if (!arrays->states) {
        states = phTakeStates(scene, island);
        if (!states) {
            scene->m_shortfall.heldBodies += phCountHeld(island, ePhHeldOutside, 0);
            return false;
        }
    }
    island->Initialize();
    bool rested = island->Solve();
    if (states) scene->m_stack.Free(states);
    return rested;
}

// Whether the step would solve the body's island, with the body as its seed unless a walk from an
// earlier seed took it in.
bool phSeedsAnIsland(const phBody* body) {
    return (body->m_flags & (phBody::eAwake | phBody::eIsland | phBody::eStatic)) == phBody::eAwake;
}

// The awake bodies that no island moved in this step: held still for want of room for their
// island's arrays.
i32 phBodiesLeft(const phBody* list) {
    i32 count = 0;
    for (const phBody* body = list; body; body = body->m_next) count += phSeedsAnIsland(body) ? 1 : 0;
    return count;
}

// A static body may touch several islands in one step. The constraints are let go as well: the
// collision test, which cleared the mark of every pair it looked at, does not look at sleeping
// pairs, and one marked here would be closed to the walk once it wakes. A pair at the seam of two
// pieces is solved in each, against the other piece's body held.
void phLetGoOfIsland(phIsland* island) {
    for (i32 i = 0; i < island->m_contactCount; ++i) island->m_contacts[i]->m_flags &= ~phContactConstraint::eIsland;
}

void phSolveIslands(phScene* scene) {
    phIslandArrays arrays;
    if (!phTakeIslandArrays(scene, &arrays)) {
        scene->m_shortfall.heldBodies = phBodiesLeft(scene->m_bodyList);
        return;
    }
    phIsland& island = arrays.island;
    phTakeAllStates(scene, &arrays);

    bool piecesRested = true;
    for (phBody* seed = scene->m_bodyList; seed; seed = seed->m_next) {
        if (!phSeedsAnIsland(seed)) continue;

        phBuildIsland(&arrays, seed);
        scene->m_shortfall.heldBodies += phCountHeld(&island, ePhHeldStill, ePhHeldStill);
        bool rested = phSolveIsland(scene, &arrays);
        // A whole island sleeps once it rested long enough. Pieces sleep all in one step, when
        // every piece of the step before had rested: one by one, a piece asleep would be woken by
        // the walk of a neighbour still awake and start its rest again.
        if (!island.m_piece) {
            if (rested) island.Sleep();
        } else {
            ++scene->m_shortfall.pieces;
            piecesRested = piecesRested && rested;
            if (rested && scene->m_piecesRested) island.Sleep();
        }
        phLetGoOfIsland(&island);
    }
    scene->m_piecesRested = scene->m_shortfall.pieces > 0 && piecesRested;
    // Only a piece's edge leaves a body unmoved: one that no later seed reached again (it was
    // asleep when the seeds passed it) moves in the next step.
    if (scene->m_shortfall.pieces > 0) scene->m_shortfall.heldBodies += phBodiesLeft(scene->m_bodyList);

    if (arrays.states) scene->m_stack.Free(arrays.states);
    scene->m_stack.Free(arrays.block);
}

} // namespace

void phScene::Step() {
    // A time step that is not a positive number would make every body's state NaN.
    if (!(m_dt > r32(0.0)) || !phIsFinite(m_dt)) return;
    m_shortfall = phStepShortfall();
    if (m_newBox) {
        m_contactManager.m_broadphase.UpdatePairs();
        m_newBox = false;
    }
    m_contactManager.TestCollisions();

    for (phBody* body = m_bodyList; body; body = body->m_next) body->m_flags &= ~phBody::eIsland;
    // An empty scene has nothing to solve (and its stack has no arena to carve from).
    if (m_bodyCount > 0) phSolveIslands(this);

    // Only the bodies that an island moved (those marked) need their proxies refreshed; a sleeping
    // body has not moved.
    for (phBody* body = m_bodyList; body; body = body->m_next) {
        if (body->m_flags & phBody::eIsland) body->SynchronizeProxies();
        phIdentity(body->m_force);
        phIdentity(body->m_torque);
    }
    m_contactManager.FindNewContacts();
    // Counted since the last step: moves of bodies placed by hand between steps count here too.
    m_shortfall.pairsWithoutRoom = m_contactManager.m_pairsWithoutRoom;
    m_contactManager.m_pairsWithoutRoom = 0;
    // Between steps, with the pools grown first: the arena takes what this step held at once.
    m_stack.Grow();
}
