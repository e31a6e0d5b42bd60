#pragma once
// The sequential-impulse contact solver of one island. Every iteration visits each contact point
// in order and applies the impulse that removes its relative velocity along the tangents (clamped
// by the friction cone of the accumulated normal impulse) and along the normal (never pulling).
// Overlaps are undone apart from that (a split impulse): a second, position-only velocity per body
// takes the impulses that push overlapping points apart, moves the bodies in the step's position
// update and is then thrown away, so no correction is ever left in the real velocities.
// The impulses accumulated in the last step start the next one (warm starting), so a fixed small
// number of iterations settles resting stacks.

#include "Physics/dynamics/phIsland.h"

class phContactSolver {
public:
    void Initialize(phIsland* island);
    // Effective masses, restitution bias and push speeds, and the warm-start impulses.
    void PreSolve(r32 dt);
    // One iteration over every contact point, then one over the pushes of the points that lie
    // deeper than the slop (on the push velocities). Returns the largest change of speed (units per
    // second) that one of its impulses made along its direction.
    r32 Solve();
    // One pass after the iterations over the constraints, which the island lists from the bottom
    // up: every body that rests on another takes the impulse of its contact with the one below,
    // and the one below keeps its velocity (a damped shock propagation). In a tall stack the
    // iterations stop short of the solution: impulses still push apart boxes that already
    // separate, and what is left over follows the stack's motion a step late, so a rocking tower
    // gains energy and never comes to rest. The pass carries each layer's correction up the whole
    // stack in one sweep and never back down. `up` is the unit vector against gravity.
    void PropagateShock(const phVec3& up);
    // Stores the accumulated impulses in the manifolds for the next step's warm start.
    void ShutDown();

    phIsland* m_island;
    phContactConstraintState* m_contacts;
    i32 m_contactCount;
    phVelocityState* m_velocities;
    phVelocityState* m_pushes;
    // Constraints with a point deeper than the slop; without any, the iterations skip the pushes.
    i32 m_pushCount;
    bool m_enableFriction;
};
