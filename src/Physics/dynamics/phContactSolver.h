#pragma once
// The sequential-impulse contact solver of one island. Every iteration visits each contact point
// in order and applies the impulse that removes its relative velocity along the tangents (clamped
// by the friction cone of the accumulated normal impulse) and along the normal (never pulling).
// The impulses accumulated in the last step start the next one (warm starting), so a fixed small
// number of iterations settles resting stacks.

#include "Physics/dynamics/phIsland.h"

class phContactSolver {
public:
    void Initialize(phIsland* island);
    // Effective masses, position and restitution bias, and the warm-start impulses.
    void PreSolve(r32 dt);
    // One iteration over every contact point. Returns the largest change of speed (units per
    // second) that one of its impulses made along its direction.
    r32 Solve();
    // Stores the accumulated impulses in the manifolds for the next step's warm start.
    void ShutDown();

    phIsland* m_island;
    phContactConstraintState* m_contacts;
    i32 m_contactCount;
    phVelocityState* m_velocities;
    bool m_enableFriction;
};
