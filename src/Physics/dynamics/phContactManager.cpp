#include "Physics/dynamics/phContactManager.h"

#include "Physics/common/phRender.h"
#include "Physics/dynamics/phBody.h"

#include <stddef.h>
#include <string.h>

// The points a manifold block holds for a manifold of `points` points.
static i32 phManifoldRoom(i32 points) {
    return points <= phk_fewManifoldContacts ? phk_fewManifoldContacts : phk_maxManifoldContacts;
}

// The bytes of a manifold block with room for `room` points, rounded up so that the blocks of a
// page stay aligned.
static i32 phManifoldBytes(i32 room) {
    size_t bytes = offsetof(phManifold, contacts) + sizeof(phContact) * size_t(room);
    return i32((bytes + alignof(phManifold) - 1) / alignof(phManifold) * alignof(phManifold));
}

phContactManager::phContactManager(phStack* stack, phBody* const* bodyList)
    : m_contactList(nullptr), m_contactCount(0), m_touchingCount(0), m_touchingPointCount(0), m_pairsWithoutRoom(0),
      m_testCount(0),
      m_bodyList(bodyList), m_stack(stack), m_allocator(i32(sizeof(phContactConstraint)), phk_contactsPerPage),
      m_fewPointManifolds(phManifoldBytes(phk_fewManifoldContacts), phk_manifoldsPerPage),
      m_manyPointManifolds(phManifoldBytes(phk_maxManifoldContacts), phk_manifoldsPerPage), m_broadphase(this),
      m_contactListener(nullptr) {}

// Pushes `edge` at the head of `body`'s contact list.
static void phLinkEdge(phBody* body, phContactEdge* edge) {
    edge->prev = nullptr;
    edge->next = body->m_contactList;
    if (body->m_contactList) body->m_contactList->prev = edge;
    body->m_contactList = edge;
}

static void phUnlinkEdge(phBody* body, phContactEdge* edge) {
    if (edge->prev) edge->prev->next = edge->next;
    if (edge->next) edge->next->prev = edge->prev;
    if (edge == body->m_contactList) body->m_contactList = edge->next;
}

void phContactManager::AddContact(phBox* A, phBox* B) {
    phBody* bodyA = A->body;
    phBody* bodyB = B->body;
    if (!bodyA->CanCollide(bodyB)) return;

    // The pair always arrives in the same order (smaller proxy id first), so bodyA's list alone
    // tells whether it exists.
    for (phContactEdge* edge = bodyA->m_contactList; edge; edge = edge->next) {
        if (edge->other != bodyB) continue;
        if (edge->constraint->A == A && edge->constraint->B == B) return;
    }

    // With the physics store full the pair gets no constraint: its boxes pass through each other
    // rather than the program stopping.
    phContactConstraint* contact = (phContactConstraint*)m_allocator.Allocate();
    if (!contact) {
        // The pair is asked for again in the next pair update, when the proxy's move finds room.
        m_broadphase.BufferMove(A->broadPhaseIndex);
        NoteWithoutRoom(bodyA, bodyB);
        return;
    }
    contact->A = A;
    contact->B = B;
    contact->bodyA = bodyA;
    contact->bodyB = bodyB;
    contact->manifold = nullptr;
    contact->m_flags = 0;
    contact->m_testedIn = m_testCount;
    contact->friction = phMixFriction(A, B);
    contact->restitution = phMixRestitution(A, B);

    contact->prev = nullptr;
    contact->next = m_contactList;
    if (m_contactList) m_contactList->prev = contact;
    m_contactList = contact;

    contact->edgeA.constraint = contact;
    contact->edgeA.other = bodyB;
    phLinkEdge(bodyA, &contact->edgeA);
    contact->edgeB.constraint = contact;
    contact->edgeB.other = bodyA;
    phLinkEdge(bodyB, &contact->edgeB);

    bodyA->SetToAwake();
    bodyB->SetToAwake();
    ++m_contactCount;
}

void phContactManager::NoteWithoutRoom(phBody* A, phBody* B) {
    ++m_pairsWithoutRoom;
    // A static body is in every island that touches it and holds none of them.
    A->m_withoutRoom = !(A->m_flags & phBody::eStatic);
    B->m_withoutRoom = !(B->m_flags & phBody::eStatic);
}

void phContactManager::FindNewContacts() { m_broadphase.UpdatePairs(); }

void phContactManager::RemoveContact(phContactConstraint* contact) {
    phBody* A = contact->bodyA;
    phBody* B = contact->bodyB;
    phUnlinkEdge(A, &contact->edgeA);
    phUnlinkEdge(B, &contact->edgeB);
    A->SetToAwake();
    B->SetToAwake();

    if (contact->prev) contact->prev->next = contact->next;
    if (contact->next) contact->next->prev = contact->prev;
    if (contact == m_contactList) m_contactList = contact->next;
    --m_contactCount;
    ReleaseManifold(contact);
    m_allocator.Free(contact);
}

void phContactManager::RemoveContactsFromBody(phBody* body) {
    phContactEdge* edge = body->m_contactList;
    while (edge) {
        phContactEdge* next = edge->next;
        RemoveContact(edge->constraint);
        edge = next;
    }
}

void phContactManager::RemoveFromBroadphase(phBody* body) {
    for (phBox* box = body->m_boxes; box; box = box->next) m_broadphase.RemoveBox(box);
}

// ---------------------------------------------------------------------------------------------
// Narrow phase and warm starting
// ---------------------------------------------------------------------------------------------

// The points of a manifold before its narrow phase, with the tangents their friction impulses
// were measured along. Only the points in use are copied: most pairs of a crowded scene do not
// touch and have none.
struct phOldPoints {
    phVec3 tangentVectors[2];
    phContact contacts[phk_maxManifoldContacts];
    i32 count;
};

static void phKeepOldPoints(const phManifold& manifold, phOldPoints* old) {
    old->count = manifold.contactCount;
    if (old->count == 0) return;
    old->tangentVectors[0] = manifold.tangentVectors[0];
    old->tangentVectors[1] = manifold.tangentVectors[1];
    memcpy(old->contacts, manifold.contacts, sizeof(phContact) * size_t(old->count));
}

// Carries the impulses of the old points into the new points that have the same feature key.
// The old friction impulse is taken as a world vector and re-projected onto the new tangents,
// which turn with the normal.
static void phWarmStartManifold(phManifold* manifold, const phOldPoints& old) {
    for (i32 i = 0; i < manifold->contactCount; ++i) {
        phContact* c = manifold->contacts + i;
        c->normalImpulse = r32(0.0);
        c->tangentImpulse[0] = r32(0.0);
        c->tangentImpulse[1] = r32(0.0);
        u8 oldWarmStart = c->warmStarted;
        c->warmStarted = 0;

        for (i32 j = 0; j < old.count; ++j) {
            const phContact* oc = old.contacts + j;
            if (c->fp.key != oc->fp.key) continue;
            c->normalImpulse = oc->normalImpulse;
            phVec3 friction =
                old.tangentVectors[0] * oc->tangentImpulse[0] + old.tangentVectors[1] * oc->tangentImpulse[1];
            c->tangentImpulse[0] = phDot(friction, manifold->tangentVectors[0]);
            c->tangentImpulse[1] = phDot(friction, manifold->tangentVectors[1]);
            c->warmStarted = oldWarmStart == 255 ? u8(255) : u8(oldWarmStart + 1);
            break;
        }
    }
}

phPagedAllocator* phContactManager::ManifoldAllocatorFor(i32 points) {
    return phManifoldRoom(points) == phk_fewManifoldContacts ? &m_fewPointManifolds : &m_manyPointManifolds;
}

void phContactManager::ReleaseManifold(phContactConstraint* contact) {
    phManifold* manifold = contact->manifold;
    if (!manifold) return;
    --m_touchingCount;
    m_touchingPointCount -= manifold->contactCount;
    ManifoldAllocatorFor(manifold->contactCount)->Free(manifold);
    contact->manifold = nullptr;
}

void phContactManager::KeepManifold(phContactConstraint* contact, const phManifold& found) {
    phManifold* kept = contact->manifold;
    i32 room = phManifoldRoom(found.contactCount);
    bool sameRoom = kept && phManifoldRoom(kept->contactCount) == room;
    phManifold* block = sameRoom ? kept : (phManifold*)ManifoldAllocatorFor(found.contactCount)->Allocate();
    if (!block) {
        // No room for the points: the pair is asked again in the next collision test.
        ReleaseManifold(contact);
        contact->m_flags &= ~phContactConstraint::eColliding;
        NoteWithoutRoom(contact->bodyA, contact->bodyB);
        return;
    }
    if (!sameRoom) ReleaseManifold(contact);
    else {
        --m_touchingCount;
        m_touchingPointCount -= kept->contactCount;
    }
    // The slots past the points go along: the warm start reads the count each slot was left with.
    memcpy((void*)block, &found, size_t(phManifoldBytes(room)));
    contact->manifold = block;
    ++m_touchingCount;
    m_touchingPointCount += found.contactCount;
}

void phContactManager::TestPair(phContactConstraint* constraint) {
    constraint->m_flags &= ~phContactConstraint::eIsland;
    constraint->m_testedIn = m_testCount;
    if (!constraint->bodyA->CanCollide(constraint->bodyB) ||
        !m_broadphase.TestOverlap(constraint->A->broadPhaseIndex, constraint->B->broadPhaseIndex)) {
        RemoveContact(constraint);
        return;
    }

    constraint->bodyA->EnsureFinite();
    constraint->bodyB->EnsureFinite();

    // The points are found in a manifold on the stack, with room for as many as the narrow phase
    // makes. Each slot starts with the count the pair's manifold left in it (zero in a slot it had
    // no room for, and for a pair that did not touch), which the warm start goes on from.
    phManifold found;
    found.SetPair(constraint->A, constraint->B);
    const phManifold* kept = constraint->manifold;
    i32 slots = kept ? phManifoldRoom(kept->contactCount) : 0;
    for (i32 i = 0; i < phk_maxManifoldContacts; ++i)
        found.contacts[i].warmStarted = i < slots ? kept->contacts[i].warmStarted : u8(0);
    phOldPoints old;
    old.count = 0;
    if (kept) phKeepOldPoints(*kept, &old);
    constraint->SolveCollision(&found);
    // The tangents of an empty manifold are never read: its points match nothing.
    if (found.contactCount > 0) {
        phComputeBasis(found.normal, found.tangentVectors, found.tangentVectors + 1);
        phWarmStartManifold(&found, old);
        KeepManifold(constraint, found);
    } else {
        // Most pairs of a crowded scene do not touch, and keep no manifold.
        ReleaseManifold(constraint);
    }

    if (m_contactListener) {
        bool now = (constraint->m_flags & phContactConstraint::eColliding) != 0;
        bool was = (constraint->m_flags & phContactConstraint::eWasColliding) != 0;
        if (now && !was) m_contactListener->BeginContact(constraint);
        else if (was && !now) m_contactListener->EndContact(constraint);
    }
}

namespace {

// Whether the body's pairs are tested: it is awake and it can move.
bool phTestsItsPairs(const phBody* body) { return body->IsAwake() && !(body->m_flags & phBody::eStatic); }

} // namespace

void phContactManager::TestCollisions() {
    ++m_testCount;
    for (phBody* body = *m_bodyList; body; body = body->m_next) {
        if (!phTestsItsPairs(body)) continue;
        phContactEdge* edge = body->m_contactList;
        while (edge) {
            // Testing may remove the pair and its edge.
            phContactEdge* next = edge->next;
            if (edge->constraint->m_testedIn != m_testCount) TestPair(edge->constraint);
            edge = next;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Debug drawing
// ---------------------------------------------------------------------------------------------

void phContactManager::RenderContacts(phRender* render) const {
    for (const phContactConstraint* constraint = m_contactList; constraint; constraint = constraint->next) {
        if (!(constraint->m_flags & phContactConstraint::eColliding) || !constraint->manifold) continue;
        const phManifold& m = *constraint->manifold;
        for (i32 i = 0; i < m.contactCount; ++i) {
            const phContact& c = m.contacts[i];
            // Fresh points are cyan; points warm-started for many steps turn red.
            r32 blend = r32(255 - c.warmStarted) / r32(255.0);
            render->SetScale(r32(10.0), r32(10.0), r32(10.0));
            render->SetPenColor(r32(1.0) - blend, blend, blend, r32(1.0));
            render->SetPenPosition(c.position.x, c.position.y, c.position.z);
            render->Point();

            if (constraint->bodyA->IsAwake()) render->SetPenColor(r32(1.0), r32(1.0), r32(1.0), r32(1.0));
            else render->SetPenColor(r32(0.2), r32(0.2), r32(0.2), r32(1.0));
            render->SetPenPosition(c.position.x, c.position.y, c.position.z);
            phVec3 tip = c.position + m.normal * r32(0.5);
            render->Line(tip.x, tip.y, tip.z);
        }
    }
    render->SetScale(r32(1.0), r32(1.0), r32(1.0));
}
