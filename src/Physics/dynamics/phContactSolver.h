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
    // up (a shock propagation): every body that rests on another is solved against the one below
    // it, which is held at the velocity it has by then, as if it were infinitely heavy. In a tall
    // stack, or under a heavy body, the iterations stop short of the solution and what is left
    // over follows the stack's motion a step late, so a rocking tower gains energy and a heavy
    // box sinks into light ones. The pass carries each layer's correction up the whole stack in
    // one sweep and never back down; it works in the bodies' relative motion, so bodies that
    // move together (carried, pulled, sliding or falling) keep their grip on each other.
    // `up` is the unit vector against gravity.
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
    // Whether the last iteration visited each constraint's points from the last one back: every
    // iteration turns the order round.
    bool m_backward;
};
