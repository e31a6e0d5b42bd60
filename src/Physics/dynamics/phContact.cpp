#include "Physics/dynamics/phContact.h"

#include "Physics/collision/phBox.h"

void phManifold::SetPair(phBox* a, phBox* b) {
    A = a;
    B = b;
    sensor = a->sensor || b->sensor;
}

r32 phMixFriction(const phBox* A, const phBox* B) { return sqrtf(A->friction * B->friction); }

r32 phMixRestitution(const phBox* A, const phBox* B) { return phMax(A->restitution, B->restitution); }
