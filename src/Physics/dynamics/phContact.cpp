#include "Physics/dynamics/phContact.h"

#include "Physics/collision/phBox.h"
#include "Physics/collision/phCollide.h"

void phManifold::SetPair(phBox* a, phBox* b) {
    A = a;
    B = b;
    sensor = a->sensor || b->sensor;
}

r32 phMixFriction(const phBox* A, const phBox* B) { return sqrtf(A->friction * B->friction); }

r32 phMixRestitution(const phBox* A, const phBox* B) { return phMax(A->restitution, B->restitution); }

void phContactConstraint::SolveCollision(phManifold* out) {
    out->contactCount = 0;
    phBoxtoBox(out, A, B);

    // eWasColliding is the previous narrow phase's eColliding, so a listener sees one begin and
    // one end for every stretch of touching steps, even when the boxes touch again right after
    // they parted.
    if (m_flags & eColliding) m_flags |= eWasColliding;
    else m_flags &= ~eWasColliding;
    if (out->contactCount > 0) m_flags |= eColliding;
    else m_flags &= ~eColliding;
}
