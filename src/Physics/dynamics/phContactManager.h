#pragma once
// Owner of every persistent contact. The broad phase reports candidate pairs to it; it creates a
// constraint for each new pair whose bodies may collide, links it into both bodies' contact lists
// and, once per step, re-runs the narrow phase on every constraint and drops those whose boxes no
// longer overlap or may no longer collide.

#include "Physics/broadphase/phBroadPhase.h"
#include "Physics/common/phPagedAllocator.h"
#include "Physics/dynamics/phContact.h"

class phStack;
class phRender;

// Constraints per page of the contact allocator, and manifolds per page of the manifold ones.
const i32 phk_contactsPerPage = 256;
const i32 phk_manifoldsPerPage = 256;
// A pair's manifold is kept in a block with room for this many points when it has no more, and in
// one with room for phk_maxManifoldContacts otherwise: a face resting on a face has four points,
// and most touching pairs of a pile no more, so most manifolds take little more than half the room.
const i32 phk_fewManifoldContacts = 4;

// Told when two boxes start and stop touching. The library never implements it.
class phContactListener {
public:
    virtual ~phContactListener() {}
    virtual void BeginContact(const phContactConstraint* contact) = 0;
    virtual void EndContact(const phContactConstraint* contact) = 0;
};

class phContactManager {
public:
    // `bodyList` is the address of the owning scene's body list.
    phContactManager(phStack* stack, phBody* const* bodyList);

    // Creates the constraint of a candidate pair unless the bodies may not collide or the pair
    // exists already. The broad phase always reports a pair in the same order.
    void AddContact(phBox* A, phBox* B);
    // The broad phase's pair update.
    void FindNewContacts();
    void RemoveContact(phContactConstraint* contact);
    void RemoveContactsFromBody(phBody* body);
    void RemoveFromBroadphase(phBody* body);
    // The per-step narrow phase over the constraints of awake bodies. A pair whose bodies all
    // sleep (or cannot move) keeps its manifold and is not visited at all: a scene at rest costs
    // a walk over its bodies, not over its pairs.
    void TestCollisions();
    void RenderContacts(phRender* render) const;
    // Counts a pair (or a proxy's move) that found no room and marks its bodies (see
    // phBody::m_withoutRoom).
    void NoteWithoutRoom(phBody* A, phBody* B);

    // Newest first.
    phContactConstraint* m_contactList;
    i32 m_contactCount;
    // Constraints that hold a manifold (their boxes touch) and the points of those manifolds: the
    // most that one step's islands can take in.
    i32 m_touchingCount;
    i32 m_touchingPointCount;
    // Pairs that found no room in the physics store for their constraint or their points (or a
    // proxy's move none in the broad phase) since the end of the scene's last step.
    i32 m_pairsWithoutRoom;
    // Collision tests run so far; see phContactConstraint::m_testedIn.
    u32 m_testCount;
    // The address of the owning scene's body list, whose awake bodies the collision test visits.
    phBody* const* m_bodyList;
    phStack* m_stack;
    phPagedAllocator m_allocator;
    // Manifolds of at most phk_fewManifoldContacts points, and manifolds of more.
    phPagedAllocator m_fewPointManifolds;
    phPagedAllocator m_manyPointManifolds;
    phBroadPhase m_broadphase;
    phContactListener* m_contactListener;

private:
    // The narrow phase and warm start of one pair, or its removal when its boxes parted.
    void TestPair(phContactConstraint* contact);
    // Keeps `found`, which has points, as the pair's manifold, in a block with room for as many:
    // the block the pair has when its room is the same, else a new one.
    void KeepManifold(phContactConstraint* contact, const phManifold& found);
    void ReleaseManifold(phContactConstraint* contact);
    // The allocator of the blocks that hold a manifold of `points` points.
    phPagedAllocator* ManifoldAllocatorFor(i32 points);

};
