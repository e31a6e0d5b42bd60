#include "Physics/dynamics/phContactSolver.h"

#include "Physics/dynamics/phContact.h"

namespace {

// The velocities of a constraint's two bodies while its points are solved; they are loaded from
// the island's states before the points and stored back after them.
struct phPairVelocities {
    phVec3 vA;
    phVec3 wA;
    phVec3 vB;
    phVec3 wB;
};

inline phPairVelocities phLoadVelocities(const phVelocityState* states, const phContactConstraintState& cs) {
    return phPairVelocities{states[cs.indexA].v, states[cs.indexA].w, states[cs.indexB].v, states[cs.indexB].w};
}

inline void phStoreVelocities(phVelocityState* states, const phContactConstraintState& cs, const phPairVelocities& pv) {
    states[cs.indexA].v = pv.vA;
    states[cs.indexA].w = pv.wA;
    states[cs.indexB].v = pv.vB;
    states[cs.indexB].w = pv.wB;
}

// Velocity of B's point relative to A's point.
inline phVec3 phRelativeVelocity(const phPairVelocities& pv, const phContactState& c) {
    return pv.vB + phCross(pv.wB, c.rb) - pv.vA - phCross(pv.wA, c.ra);
}

// The component along d of the velocity of B's point relative to A's point. The solver runs one
// impulse after another, each waiting for this sum, so it is added as a shallow tree rather than
// left to right; a static side (zero velocities) is left out at compile time.
template <bool kMovesA, bool kMovesB>
inline r32 phRelativeVelocityAlong(const phPairVelocities& pv, const phVec3& d, const phContactDirection& cd) {
    r32 b = r32(0.0);
    r32 a = r32(0.0);
    if constexpr (kMovesB) {
        b = (pv.vB.x * d.x + pv.vB.y * d.y) + (pv.vB.z * d.z + pv.wB.x * cd.rbCd.x) +
            (pv.wB.y * cd.rbCd.y + pv.wB.z * cd.rbCd.z);
    }
    if constexpr (kMovesA) {
        a = (pv.vA.x * d.x + pv.vA.y * d.y) + (pv.vA.z * d.z + pv.wA.x * cd.raCd.x) +
            (pv.wA.y * cd.raCd.y + pv.wA.z * cd.raCd.z);
    }
    return b - a;
}

// A loses the impulse P at its point, B gains it.
inline void phApplyImpulse(phPairVelocities* pv, const phContactConstraintState& cs, const phContactState& c,
                           const phVec3& P) {
    pv->vA -= P * cs.mA;
    pv->wA -= cs.iA * phCross(c.ra, P);
    pv->vB += P * cs.mB;
    pv->wB += cs.iB * phCross(c.rb, P);
}

// phApplyImpulse of P = d * lambda, with the angular changes per unit impulse precomputed. A
// static or kinematic body takes no impulse (its inverse mass and inertia are zero), so its side
// is left out at compile time: most contacts of a level are with the static world.
template <bool kMovesA, bool kMovesB>
inline void phApplyImpulseAlong(phPairVelocities* pv, const phContactDirection& cd, r32 lambda) {
    if constexpr (kMovesA) {
        pv->vA -= cd.moveA * lambda;
        pv->wA -= cd.turnA * lambda;
    }
    if constexpr (kMovesB) {
        pv->vB += cd.moveB * lambda;
        pv->wB += cd.turnB * lambda;
    }
}

// Fills the direction record of the unit direction d through the point and returns the
// effective mass 1 / (J M^-1 J^T), which is 0 when both bodies have infinite mass.
inline r32 phPrepareDirection(const phContactConstraintState& cs, const phContactState& c, const phVec3& d,
                              phContactDirection* cd) {
    cd->raCd = phCross(c.ra, d);
    cd->rbCd = phCross(c.rb, d);
    cd->turnA = cs.iA * cd->raCd;
    cd->turnB = cs.iB * cd->rbCd;
    cd->moveA = d * cs.mA;
    cd->moveB = d * cs.mB;
    return phInvert(cs.mA + cs.mB + phDot(cd->raCd, cd->turnA) + phDot(cd->rbCd, cd->turnB));
}

} // namespace

void phContactSolver::Initialize(phIsland* island) {
    m_island = island;
    m_contactCount = island->m_contactCount;
    m_contacts = island->m_contactStates;
    m_velocities = island->m_velocities;
    m_enableFriction = island->m_enableFriction;
}

void phContactSolver::PreSolve(r32 dt) {
    r32 invDt = r32(1.0) / dt;
    // Every point's approach speed is measured before any warm-start impulse: in a stack the
    // impulses carried over from the box above push each box down, and a resting contact judged
    // on that velocity would seem to close fast and bounce on every step.
    for (i32 i = 0; i < m_contactCount; ++i) {
        phContactConstraintState* cs = m_contacts + i;
        phPairVelocities pv = phLoadVelocities(m_velocities, *cs);
        for (i32 j = 0; j < cs->contactCount; ++j) {
            phContactState* c = cs->contacts + j;
            c->normalMass = phPrepareDirection(*cs, *c, cs->normal, &c->normalDirection);
            for (i32 t = 0; t < 2; ++t)
                c->tangentMass[t] = phPrepareDirection(*cs, *c, cs->tangentVectors[t], c->tangentDirections + t);

            r32 closing = phDot(phRelativeVelocity(pv, *c), cs->normal);
            bool bounces = closing < -phk_restitutionThreshold;
            if (c->penetration > r32(0.0)) {
                // A gap: the point may close it within this step, no faster; an impact that
                // closes it bounces already (early by at most the contact margin).
                bool closes = closing * dt + c->penetration <= r32(0.0);
                c->bias = bounces && closes ? -cs->restitution * closing : -c->penetration * invDt;
                continue;
            }
            // Push apart only the penetration beyond the slop, a fraction per step.
            c->bias = -phk_baumgarte * invDt * phMin(r32(0.0), c->penetration + phk_penetrationSlop);
            // Bounce only on a real impact; slow contacts would otherwise never come to rest.
            if (bounces) c->bias += -cs->restitution * closing;
        }
    }

    for (i32 i = 0; i < m_contactCount; ++i) {
        phContactConstraintState* cs = m_contacts + i;
        phPairVelocities pv = phLoadVelocities(m_velocities, *cs);
        for (i32 j = 0; j < cs->contactCount; ++j) {
            phContactState* c = cs->contacts + j;
            phVec3 P = cs->normal * c->normalImpulse;
            if (m_enableFriction) {
                P += cs->tangentVectors[0] * c->tangentImpulse[0];
                P += cs->tangentVectors[1] * c->tangentImpulse[1];
            }
            phApplyImpulse(&pv, *cs, *c, P);
        }
        phStoreVelocities(m_velocities, *cs, pv);
    }
}

namespace {

// One iteration over the points of one constraint.
template <bool kMovesA, bool kMovesB>
void phSolveConstraint(phContactConstraintState* cs, phPairVelocities* pv, bool enableFriction) {
    for (i32 j = 0; j < cs->contactCount; ++j) {
        phContactState* c = cs->contacts + j;

        if (enableFriction) {
            // Each tangent is solved from the velocity the one before it left, as every other
            // impulse of the solver: solving both from one velocity couples them, and the second
            // undoes part of the first on every iteration.
            r32 maxLambda = cs->friction * c->normalImpulse;
            for (i32 t = 0; t < 2; ++t) {
                r32 vt = phRelativeVelocityAlong<kMovesA, kMovesB>(*pv, cs->tangentVectors[t], c->tangentDirections[t]);
                r32 old = c->tangentImpulse[t];
                c->tangentImpulse[t] = phClamp(-maxLambda, maxLambda, old - vt * c->tangentMass[t]);
                phApplyImpulseAlong<kMovesA, kMovesB>(pv, c->tangentDirections[t], c->tangentImpulse[t] - old);
            }
        }

        r32 vn = phRelativeVelocityAlong<kMovesA, kMovesB>(*pv, cs->normal, c->normalDirection);
        r32 old = c->normalImpulse;
        // The accumulated impulse may push, never pull.
        c->normalImpulse = phMax(old + c->normalMass * (c->bias - vn), r32(0.0));
        phApplyImpulseAlong<kMovesA, kMovesB>(pv, c->normalDirection, c->normalImpulse - old);
    }
}

} // namespace

void phContactSolver::Solve() {
    for (i32 i = 0; i < m_contactCount; ++i) {
        phContactConstraintState* cs = m_contacts + i;
        phPairVelocities pv = phLoadVelocities(m_velocities, *cs);
        // At least one body of a constraint is dynamic.
        if (cs->dynamicA && cs->dynamicB) phSolveConstraint<true, true>(cs, &pv, m_enableFriction);
        else if (cs->dynamicB) phSolveConstraint<false, true>(cs, &pv, m_enableFriction);
        else phSolveConstraint<true, false>(cs, &pv, m_enableFriction);
        phStoreVelocities(m_velocities, *cs, pv);
    }
}

void phContactSolver::ShutDown() {
    for (i32 i = 0; i < m_contactCount; ++i) {
        const phContactConstraintState* cs = m_contacts + i;
        phManifold* m = &m_island->m_contacts[i]->manifold;
        for (i32 j = 0; j < cs->contactCount; ++j) {
            const phContactState* c = cs->contacts + j;
            m->contacts[j].normalImpulse = c->normalImpulse;
            m->contacts[j].tangentImpulse[0] = c->tangentImpulse[0];
            m->contacts[j].tangentImpulse[1] = c->tangentImpulse[1];
        }
    }
}
