#include "Physics/dynamics/phContactManager.h"

#include "Physics/dynamics/phBody.h"

phContactManager::phContactManager(phStack* stack)
    : m_contactList(nullptr), m_contactCount(0), m_stack(stack),
      m_allocator(i32(sizeof(phContactConstraint)), phk_contactsPerPage), m_broadphase(this),
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

    phContactConstraint* contact = (phContactConstraint*)m_allocator.Allocate();
    contact->A = A;
    contact->B = B;
    contact->bodyA = bodyA;
    contact->bodyB = bodyB;
    contact->manifold.SetPair(A, B);
    contact->m_flags = 0;
    contact->friction = phMixFriction(A, B);
    contact->restitution = phMixRestitution(A, B);
    contact->manifold.contactCount = 0;
    for (i32 i = 0; i < phk_maxManifoldContacts; ++i) contact->manifold.contacts[i].warmStarted = 0;

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
