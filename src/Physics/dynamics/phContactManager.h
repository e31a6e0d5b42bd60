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

// Constraints per page of the contact allocator.
const i32 phk_contactsPerPage = 256;

// Told when two boxes start and stop touching. The library never implements it.
class phContactListener {
public:
    virtual ~phContactListener() {}
    virtual void BeginContact(const phContactConstraint* contact) = 0;
    virtual void EndContact(const phContactConstraint* contact) = 0;
};

class phContactManager {
public:
    explicit phContactManager(phStack* stack);

    // Creates the constraint of a candidate pair unless the bodies may not collide or the pair
    // exists already. The broad phase always reports a pair in the same order.
    void AddContact(phBox* A, phBox* B);
    // The broad phase's pair update.
    void FindNewContacts();
    void RemoveContact(phContactConstraint* contact);
    void RemoveContactsFromBody(phBody* body);
    void RemoveFromBroadphase(phBody* body);
    // The per-step narrow phase over every constraint.
    void TestCollisions();
    void RenderContacts(phRender* render) const;

    // Newest first.
    phContactConstraint* m_contactList;
    i32 m_contactCount;
    phStack* m_stack;
    phPagedAllocator m_allocator;
    phBroadPhase m_broadphase;
    phContactListener* m_contactListener;
};
