#include "Physics/dynamics/phIsland.h"

#include "Physics/dynamics/phBody.h"
#include "Physics/dynamics/phContact.h"
#include "Physics/dynamics/phContactSolver.h"

void phIsland::Add(phBody* body) {
    phAssert(m_bodyCount < m_bodyCapacity);
    body->m_islandIndex = m_bodyCount;
    m_bodies[m_bodyCount++] = body;
}

void phIsland::Add(phContactConstraint* contact) {
    phAssert(m_contactCount < m_contactCapacity);
    m_contacts[m_contactCount++] = contact;
}

void phIsland::Initialize() {
    // The constraint states copy the world inverse inertia, so it must be refreshed first: a
    // value from the last step lags one step behind the rotation, and a body's first step would
    // see zero (the solver would then push each contact's whole load through its first point).
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if (!(body->m_flags & phBody::eDynamic)) continue;
        const phMat3& R = body->m_tx.rotation;
        body->m_invInertiaWorld = R * body->m_invInertiaModel * phTranspose(R);
    }

    for (i32 i = 0; i < m_contactCount; ++i) {
        const phContactConstraint* cc = m_contacts[i];
        const phManifold& m = cc->manifold;
        const phBody* A = cc->bodyA;
        const phBody* B = cc->bodyB;
        phContactConstraintState* cs = m_contactStates + i;

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
        cs->normal = m.normal;
        cs->tangentVectors[0] = m.tangentVectors[0];
        cs->tangentVectors[1] = m.tangentVectors[1];
        cs->contactCount = m.contactCount;

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
        if (body->m_flags & phBody::eDynamic) {
            body->ApplyLinearForce(m_gravity * body->m_gravityScale);
            body->m_linearVelocity += (body->m_force * body->m_invMass) * dt;
            body->m_angularVelocity += (body->m_invInertiaWorld * body->m_torque) * dt;
            // Damping as an implicit step: stable for any damping and time step.
            body->m_linearVelocity *= r32(1.0) / (r32(1.0) + dt * body->m_linearDamping);
            body->m_angularVelocity *= r32(1.0) / (r32(1.0) + dt * body->m_angularDamping);
        }
        m_velocities[i].v = body->m_linearVelocity;
        m_velocities[i].w = body->m_angularVelocity;
    }
}

void phIsland::IntegratePositions() {
    r32 dt = m_dt;
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if (body->m_flags & phBody::eStatic) continue;
        body->m_linearVelocity = m_velocities[i].v;
        body->m_angularVelocity = m_velocities[i].w;
        body->m_worldCenter += m_velocities[i].v * dt;
        body->m_q.Integrate(m_velocities[i].w, dt);
        body->m_q = phNormalize(body->m_q);
        // The origin of m_tx follows from the centre in the step's proxy synchronisation.
        body->m_tx.rotation = body->m_q.ToMat3();
    }
}

void phIsland::SleepIfResting() {
    r32 minSleepTime = phk_maxFloat;
    for (i32 i = 0; i < m_bodyCount; ++i) {
        phBody* body = m_bodies[i];
        if (body->m_flags & phBody::eStatic) continue;

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

    if (minSleepTime <= phk_timeToSleep) return;
    for (i32 i = 0; i < m_bodyCount; ++i) m_bodies[i]->SetToSleep();
}

void phIsland::Solve() {
    IntegrateVelocities();

    phContactSolver solver;
    solver.Initialize(this);
    solver.PreSolve(m_dt);
    for (i32 i = 0; i < m_iterations; ++i) {
        if (solver.Solve() <= phk_solverSettledSpeed) break;
    }
    solver.ShutDown();

    IntegratePositions();
    if (m_allowSleep) SleepIfResting();
}
