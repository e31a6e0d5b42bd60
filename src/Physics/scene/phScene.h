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

// Pairs per body that the contact pools hold room for: in a heap of tumbling cubes each cube's fat
// box (half a metre wider on every side) overlaps those of about two dozen neighbours, which
// makes about eleven pairs a cube (each pair has two cubes), and a pair gets its constraint when
// the fat boxes meet, long before the cubes touch.
const i32 phk_pairsPerBody = 11;

// Boxes per page of the scene's box allocator.
const i32 phk_boxesPerPage = 256;

class phScene {
public:
    phScene(r32 dt, const phVec3& gravity, i32 iterations);
    ~phScene();

    // One fixed step of m_dt seconds.
    void Step();

    // Null when the scene heap has no room for the body, or the physics store none for its share
    // of the contacts and of a step (see ReserveRoomFor).
    phBody* CreateBody(const phBodyDef& def);
    // Makes room for `bodyCount` bodies, their pairs and their touching pairs: constraints and
    // manifolds in the contact manager's pools, tree nodes, moves and pairs in the broad phase,
    // and the arrays of the bodies and their touching pairs in the step's arena.
    // The room is taken while bodies are created, so that an accepted body never finds the
    // physics store without room for its pair; false when the store has none.
    bool ReserveRoomFor(i32 bodyCount);
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
    // Touching pairs that the last step had no room to solve: the physics store could not give
    // its arena room for more pairs than its bodies' share.
    i32 m_waitingPairs;
};
