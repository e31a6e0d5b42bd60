#pragma once
// The physics world: the bodies, the contact manager with its broad phase, the per-step stack and
// the heap that bodies and boxes come from. The engine holds exactly one, built at start-up
// after setPhysicsMemoryStore, and steps it once per physics tick.

#include "Physics/common/phHeap.h"
#include "Physics/common/phMemory.h"
#include "Physics/common/phPagedAllocator.h"
#include "Physics/common/phStack.h"
#include "Physics/dynamics/phBody.h"
#include "Physics/dynamics/phContactManager.h"

#include <stdio.h>

// Told about each box a scene query finds; false ends the query (the point query goes on).
class phQueryCallback {
public:
    virtual ~phQueryCallback() {}
    virtual bool ReportShape(phBox* box) = 0;
};

// A step takes its memory as it goes: the arrays of its bodies, then each island's solver state.
// When the physics store cannot hold the arrays for every body of the scene, an island larger
// than the arrays it can hold is solved in pieces; when it cannot hold an island's state whole,
// the island is solved in parts that it can hold, one after another. These are the figures of
// what did not fit.
struct phStepShortfall {
    // The largest request of the step that the store could not serve, in bytes.
    u64 largestRefusal;
    // Pieces of islands larger than the island arrays, each solved against the bodies at its edge
    // held where they are.
    i32 pieces;
    // Islands (or pieces) whose contacts were solved in parts.
    i32 partedIslands;
    // Awake bodies held still for the step: the store had no room for the arrays of a body and
    // its neighbours, or for the state of one contact of their island.
    i32 heldBodies;
    // Pairs whose contact or whose points found no room (their boxes do not collide until room
    // is found), counted in the step's collision test and pair update.
    i32 pairsWithoutRoom;
};

inline bool phFellShort(const phStepShortfall& shortfall) {
    return shortfall.largestRefusal > 0 || shortfall.pairsWithoutRoom > 0;
}

// Boxes per page of the scene's box allocator.
const i32 phk_boxesPerPage = 256;

class phScene {
public:
    phScene(r32 dt, const phVec3& gravity, i32 iterations);
    ~phScene();

    // One fixed step of m_dt seconds.
    void Step();

    // Null when the scene heap has no room for the body.
    phBody* CreateBody(const phBodyDef& def);
    void RemoveBody(phBody* body);
    void RemoveAllBodies();

    // Turning sleep off wakes every body.
    void SetAllowSleep(bool allowSleep);
    // At least one iteration.
    void SetIterations(i32 iterations);
    void SetEnableFriction(bool enabled) { m_enableFriction = enabled; }
    void SetGravity(const phVec3& gravity) { m_gravity = gravity; }
    const phVec3& GetGravity() const { return m_gravity; }
    void SetContactListener(phContactListener* listener) { m_contactManager.m_contactListener = listener; }

    void Shutdown();
    void Render(phRender* render) const;
    void Dump(FILE* file) const;

    // Boxes whose exact bounding box (at their body's current transform) overlaps `aabb`.
    void QueryAABB(phQueryCallback* cb, const phAABB& aabb) const;
    // Boxes containing `point`; every one is reported whatever the callback returns.
    void QueryPoint(phQueryCallback* cb, const phVec3& point) const;
    // Boxes the ray hits; `rayCast`'s toi and normal hold the hit being reported. A callback that
    // keeps a hit may shorten `rayCast.t` to its toi: later boxes are then tested, and the tree
    // walked, only up to it, so a nearest-hit query visits no box beyond the nearest so far.
    void RayCast(phQueryCallback* cb, phRaycastData& rayCast) const;

    phContactManager m_contactManager;
    phPagedAllocator m_boxAllocator;
    i32 m_bodyCount;
    // Newest first, linked through phBody::m_next and m_prev.
    phBody* m_bodyList;
    phStack m_stack;
    phHeap m_heap;
    phVec3 m_gravity;
    // Seconds per step.
    r32 m_dt;
    i32 m_iterations;
    // A box was added since the last step: the next step looks for its pairs first.
    bool m_newBox;
    bool m_allowSleep;
    bool m_enableFriction;
    // What the last step asked of the physics store and could not have; all zero after a step
    // that found room for everything.
    phStepShortfall m_shortfall;
    // Every piece of the last step's islands solved in pieces had rested long enough to sleep
    // (false when there were none): pieces sleep only then, all in one step.
    bool m_piecesRested;
};
