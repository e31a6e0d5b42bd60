#include "Physics/dynamics/phIsland.h"

#include "Physics/dynamics/phBody.h"
#include "Physics/dynamics/phContact.h"
#include "Physics/dynamics/phContactSolver.h"

#include <algorithm>

void phIsland::Add(phBody* body, u8 held) {
    phAssert(m_bodyCount < m_bodyCapacity);
    body->m_islandIndex = m_bodyCount;
    m_held[m_bodyCount] = held;
    m_bodies[m_bodyCount++] = body;
}

void phIsland::Add(phContactConstraint* contact) {
    phAssert(m_contactCount < m_contactCapacity);
    m_contacts[m_contactCount++] = contact;
    m_pointCount += contact->manifold->contactCount;
}

namespace {

// The unit vector against gravity; false without gravity, where nothing rests on anything.
bool phUpAgainst(const phVec3& gravity, phVec3* up) {
    *up = -phNormalize(gravity);
    return phDot(*up, *up) > r32(0.0);
}

// The height of the lower of the constraint's two bodies. A position that is not a number sorts
// last, so that the order stays a strict one whatever the bodies hold.
r32 phSupportHeight(const phContactConstraint* contact, const phVec3& up) {
    r32 height = phMin(phDot(contact->bodyA->m_worldCenter, up), phDot(contact->bodyB->m_worldCenter, up));
    return height == height ? height : phk_maxFloat;
}

} // namespace

void phIsland::SortFromTheBottom(const phVec3& up) {
    auto lower = [&up](const phContactConstraint* a, const phContactConstraint* b) {
        return phSupportHeight(a, up) < phSupportHeight(b, up);
    };
    std::sort(m_contacts, m_contacts + m_contactCount, lower);
}

void phIsland::Initialize() {
    phVec3 up;
    if (phUpAgainst(m_gravity, &up)) SortFromTheBottom(up);

    // The constraint states copy the world inverse inertia, so it must be refreshed first: a
    // value from the last step lags one step behind the rotation, and a body's first step would
    // see zero (the solver would then push each contact's whole load through its first point).
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if (!(body->m_flags & phBody::eDynamic)) continue;
        const phMat3& R = body->m_tx.rotation;
        body->m_invInertiaWorld = R * body->m_invInertiaModel * phTranspose(R);
    }
}

// A held body keeps the velocity it has: the bodies of this part rest on it or lean on it as on a
// moving floor, and it takes no impulse from them.
void phIsland::HoldBodies(phContactConstraintState* cs) const {
    phMat3 none(r32(0.0), r32(0.0), r32(0.0), r32(0.0), r32(0.0), r32(0.0), r32(0.0), r32(0.0), r32(0.0));
    if (m_held[cs->indexA]) {
        cs->mA = r32(0.0);
        cs->iA = none;
        cs->dynamicA = 0;
    }
    if (m_held[cs->indexB]) {
        cs->mB = r32(0.0);
        cs->iB = none;
        cs->dynamicB = 0;
    }
}

// Marks every body whose support is all solved once this part is: the constraints are listed by
// the height of their lower body, and one that holds a body up has its other body lower, so a body
// no higher than the lower body of the next part's first constraint rests on nothing that a later
// part solves. Heights within the slop of that count as level with it: bodies side by side in one
// layer of a pile differ by that little, and hold each other up no more than the bodies they
// rest on.
void phIsland::MarkPartSolved(const phVec3& up) {
    r32 reached = phSupportHeight(m_contacts[m_partStart + m_partCount], up) + phk_penetrationSlop;
    for (i32 i = 0; i < m_bodyCount; ++i) {
        if (phDot(m_bodies[i]->m_worldCenter, up) <= reached) m_held[i] |= ePhSolvedBelow;
    }
}

// The constraints from `first` on that the part's states hold. A part that cannot take the rest of
// the island ends where the heights of the constraints' lower bodies step up by more than the slop,
// when it holds such a step: then a body and everything level with it are solved in one part, and
// a later part finds every body it rests on solved (see MarkPartSolved).
i32 phIsland::PartLength(i32 first) const {
    phVec3 up;
    bool upward = phUpAgainst(m_gravity, &up);
    i32 pointCount = 0;
    i32 count = 0;
    i32 levelled = 0;
    for (i32 i = first; i < m_contactCount; ++i, ++count) {
        i32 points = m_contacts[i]->manifold->contactCount;
        if (count == m_stateCapacity || pointCount + points > m_pointCapacity) break;
        if (upward && count > 0 &&
            phSupportHeight(m_contacts[i], up) > phSupportHeight(m_contacts[i - 1], up) + phk_penetrationSlop)
            levelled = count;
        pointCount += points;
    }
    if (first + count == m_contactCount || levelled == 0) return count;
    return levelled;
}

void phIsland::InitializePart(i32 first) {
    m_partStart = first;
    m_partCount = 0;
    i32 pointCount = 0;
    i32 end = HoldsWhole() ? m_contactCount : first + PartLength(first);
    for (i32 i = first; i < end; ++i) {
        const phContactConstraint* cc = m_contacts[i];
        const phManifold& m = *cc->manifold;
        const phBody* A = cc->bodyA;
        const phBody* B = cc->bodyB;
        phContactConstraintState* cs = m_contactStates + m_partCount++;

        cs->centerA = A->m_worldCenter;
        cs->centerB = B->m_worldCenter;
        cs->iA = A->m_invInertiaWorld;
        cs->iB = B->m_invInertiaWorld;
        cs->mA = A->m_invMass;
        cs->mB = B->m_invMass;
        cs->restitution = cc->restitution;
        cs->friction = cc->friction;
        cs->indexA = A->m_islandIndex;
        cs->indexB = B->m_islandIndex;
        cs->dynamicA = (A->m_flags & phBody::eDynamic) != 0;
        cs->dynamicB = (B->m_flags & phBody::eDynamic) != 0;
        HoldBodies(cs);
        cs->normal = m.normal;
        cs->tangentVectors[0] = m.tangentVectors[0];
        cs->tangentVectors[1] = m.tangentVectors[1];
        cs->contactCount = m.contactCount;
        cs->contacts = m_points + pointCount;
        pointCount += cs->contactCount;

        for (i32 j = 0; j < cs->contactCount; ++j) {
            const phContact& c = m.contacts[j];
            phContactState* s = cs->contacts + j;
            s->ra = c.position - cs->centerA;
            s->rb = c.position - cs->centerB;
            s->penetration = c.penetration;
            // The impulses carried over from the last step (zero for new points).
            s->normalImpulse = c.normalImpulse;
            s->tangentImpulse[0] = c.tangentImpulse[0];
            s->tangentImpulse[1] = c.tangentImpulse[1];
        }
    }
}

void phIsland::IntegrateVelocities() {
    r32 dt = m_dt;
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if ((body->m_flags & phBody::eDynamic) && !(m_held[i] & ePhHeldOutside)) {
            body->ApplyLinearForce(m_gravity * body->m_gravityScale);
            body->m_linearVelocity += (body->m_force * body->m_invMass) * dt;
            body->m_angularVelocity += (body->m_invInertiaWorld * body->m_torque) * dt;
            // Damping as an implicit step: stable for any damping and time step.
            body->m_linearVelocity *= r32(1.0) / (r32(1.0) + dt * body->m_linearDamping);
            body->m_angularVelocity *= r32(1.0) / (r32(1.0) + dt * body->m_angularDamping);
        }
        m_velocities[i].v = body->m_linearVelocity;
        m_velocities[i].w = body->m_angularVelocity;
        // A body held still is a floor at rest to the others; its own velocity waits in the body
        // for the step that moves it again.
        if ((m_held[i] & ePhHeldStill) == ePhHeldStill) {
            phIdentity(m_velocities[i].v);
            phIdentity(m_velocities[i].w);
        }
        phIdentity(m_pushes[i].v);
        phIdentity(m_pushes[i].w);
    }
}

void phIsland::IntegratePositions() {
    r32 dt = m_dt;
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if (m_held[i] & ePhHeldOutside) continue;
        const phVelocityState& state = m_velocities[i];
        // The push velocity moves the body in this step only (it never turns it).
        phVec3 center = body->m_worldCenter + (state.v + m_pushes[i].v) * dt;
        phQuaternion q = body->m_q;
        q.Integrate(state.w, dt);
        q = phNormalize(q);
        if (!phIsFinite(state.v) || !phIsFinite(state.w) || !phIsFinite(center) || !phIsFinite(q)) {
            // Only a body pushed beyond what a float holds gets here (the velocities of a body
            // that came in finite, or of one it touches): it stays where it was.
            body->RestoreFiniteState();
            continue;
        }
        body->m_linearVelocity = state.v;
        body->m_angularVelocity = state.w;
        body->m_worldCenter = center;
        body->m_q = q;
        // The origin of m_tx follows from the centre in the step's proxy synchronisation.
        body->m_tx.rotation = q.ToMat3();
        body->KeepAsFinite();
    }
}

bool phIsland::Rested() {
    r32 minSleepTime = phk_maxFloat;
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if (m_held[i] & ePhHeldOutside) continue;

        r32 linear = phDot(body->m_linearVelocity, body->m_linearVelocity);
        r32 angular = phDot(body->m_angularVelocity, body->m_angularVelocity);
        // A body that may not sleep keeps its whole island awake.
        bool resting = (body->m_flags & phBody::eAllowSleep) && linear <= phk_sleepLinearTolerance &&
                       angular <= phk_sleepAngularTolerance;
        if (!resting) {
            minSleepTime = r32(0.0);
            body->m_sleepTime = r32(0.0);
        } else {
            body->m_sleepTime += m_dt;
            minSleepTime = phMin(minSleepTime, body->m_sleepTime);
        }
    }

    return minSleepTime > phk_timeToSleep;
}

void phIsland::Sleep() {
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        // A static body sleeps with every island that touches it, and wakes with any.
        if (!(m_held[i] & ePhHeldOutside) || (body->m_flags & phBody::eStatic)) body->SetToSleep();
    }
}

bool phIsland::Solve() {
    IntegrateVelocities();

    // Without gravity nothing rests on anything, and the parts are not ordered: none holds a body.
    phVec3 up;
    bool upward = phUpAgainst(m_gravity, &up);
    bool parted = !HoldsWhole();
    for (i32 first = 0; first < m_contactCount; first += m_partCount) {
        InitializePart(first);
        // A part always has room for the constraint it starts with (see the step).
        phAssert(m_partCount > 0);
        phContactSolver solver;
        solver.Initialize(this);

        solver.PreSolve(m_dt);
        for (i32 i = 0; i < m_iterations; ++i) {
            if (solver.Solve() <= phk_solverSettledSpeed) break;
        }
        if (upward) solver.PropagateShock(up);
        solver.ShutDown();
        if (parted && upward && first + m_partCount < m_contactCount) MarkPartSolved(up);
    }

    IntegratePositions();
    return m_allowSleep && Rested();
}
