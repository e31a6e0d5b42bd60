#include "Physics/dynamics/phContactSolver.h"

#include "Physics/dynamics/phContact.h"

#include <string.h>

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

// Four floats worked on at once (the processor's vector registers); the solver keeps a 3-vector
// in the first three and 0 in the fourth.
typedef r32 phLanes __attribute__((vector_size(16)));

inline phLanes phToLanes(const phVec3& v) { return phLanes{v.x, v.y, v.z, r32(0.0)}; }
inline phVec3 phFromLanes(const phLanes& l) { return phVec3(l[0], l[1], l[2]); }

inline void phStoreLanes(r32* out, const phVec3& v) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
    out[3] = r32(0.0);
}

// The arrays of phContactDirection carry no alignment of their own.
phForceInline phLanes phLoadLanes(const r32* in) {
    phLanes l;
    memcpy(&l, in, sizeof(l));
    return l;
}

// The velocities of a constraint's two bodies during an iteration, in lanes.
struct phPairLanes {
    phLanes vA;
    phLanes wA;
    phLanes vB;
    phLanes wB;
};

inline phPairLanes phLoadPairLanes(const phVelocityState* states, const phContactConstraintState& cs) {
    const phVelocityState& a = states[cs.indexA];
    const phVelocityState& b = states[cs.indexB];
    return phPairLanes{phToLanes(a.v), phToLanes(a.w), phToLanes(b.v), phToLanes(b.w)};
}

inline void phStorePairLanes(phVelocityState* states, const phContactConstraintState& cs, const phPairLanes& pl) {
    states[cs.indexA].v = phFromLanes(pl.vA);
    states[cs.indexA].w = phFromLanes(pl.wA);
    states[cs.indexB].v = phFromLanes(pl.vB);
    states[cs.indexB].w = phFromLanes(pl.wB);
}

// The component along d of the velocity of B's point relative to A's point. A static or
// kinematic body takes no impulse (its inverse mass and inertia are zero), so its side is left
// out at compile time: most contacts of a level are with the static world.
template <bool kMovesA, bool kMovesB>
phForceInline r32 phVelocityAlong(const phPairLanes& pl, const phLanes& d, const phContactDirection& cd) {
    phLanes sum = {r32(0.0), r32(0.0), r32(0.0), r32(0.0)};
    if constexpr (kMovesB) sum = pl.vB * d + pl.wB * phLoadLanes(cd.rbCd);
    if constexpr (kMovesA) sum -= pl.vA * d + pl.wA * phLoadLanes(cd.raCd);
    return (sum[0] + sum[1]) + sum[2];
}

// A direction d of a constraint in lanes, with the change of each body's linear velocity per unit
// impulse along it (d times the inverse mass). Every point of the constraint shares them, so they
// are found once per constraint and iteration rather than at every impulse.
struct phAxisLanes {
    phLanes d;
    phLanes moveA;
    phLanes moveB;
};

inline phAxisLanes phAxis(const phVec3& d, r32 mA, r32 mB) {
    phLanes lanes = phToLanes(d);
    return phAxisLanes{lanes, lanes * mA, lanes * mB};
}

// A loses the impulse d * lambda at its point, B gains it.
template <bool kMovesA, bool kMovesB>
phForceInline void phApplyAlong(phPairLanes* pl, const phAxisLanes& axis, const phContactDirection& cd, r32 lambda) {
    if constexpr (kMovesA) {
        pl->vA -= axis.moveA * lambda;
        pl->wA -= phLoadLanes(cd.turnA) * lambda;
    }
    if constexpr (kMovesB) {
        pl->vB += axis.moveB * lambda;
        pl->wB += phLoadLanes(cd.turnB) * lambda;
    }
}

// The normal and the two tangents of a constraint.
struct phConstraintLanes {
    phAxisLanes normal;
    phAxisLanes tangents[2];
};

inline phConstraintLanes phDirectionLanes(const phContactConstraintState& cs) {
    return phConstraintLanes{phAxis(cs.normal, cs.mA, cs.mB),
                             {phAxis(cs.tangentVectors[0], cs.mA, cs.mB), phAxis(cs.tangentVectors[1], cs.mA, cs.mB)}};
}

// Velocity of B's point relative to A's point.
inline phVec3 phRelativeVelocity(const phPairVelocities& pv, const phContactState& c) {
    return pv.vB + phCross(pv.wB, c.rb) - pv.vA - phCross(pv.wA, c.ra);
}

// A loses the impulse P at its point, B gains it.
inline void phApplyImpulse(phPairVelocities* pv, const phContactConstraintState& cs, const phContactState& c,
                           const phVec3& P) {
    pv->vA -= P * cs.mA;
    pv->wA -= cs.iA * phCross(c.ra, P);
    pv->vB += P * cs.mB;
    pv->wB += cs.iB * phCross(c.rb, P);
}

// Fills the direction record of the unit direction d through the point and returns
// J M^-1 J^T along d, the inverse of the effective mass (0 when both bodies have infinite mass).
inline r32 phPrepareDirection(const phContactConstraintState& cs, const phContactState& c, const phVec3& d,
                              phContactDirection* cd) {
    phVec3 raCd = phCross(c.ra, d);
    phVec3 rbCd = phCross(c.rb, d);
    phVec3 turnA = cs.iA * raCd;
    phVec3 turnB = cs.iB * rbCd;
    phStoreLanes(cd->raCd, raCd);
    phStoreLanes(cd->rbCd, rbCd);
    phStoreLanes(cd->turnA, turnA);
    phStoreLanes(cd->turnB, turnB);
    return cs.mA + cs.mB + phDot(raCd, turnA) + phDot(rbCd, turnB);
}

// The two bodies' parts of J M^-1 J^T along the direction d of a record: the change of each
// one's point speed along the direction per unit impulse.
inline void phResponses(const phContactConstraintState& cs, const phContactDirection& cd, const phVec3& d,
                        r32* responseA, r32* responseB) {
    phLanes lanes = phToLanes(d);
    phLanes a = (lanes * cs.mA) * lanes + phLoadLanes(cd.raCd) * phLoadLanes(cd.turnA);
    phLanes b = (lanes * cs.mB) * lanes + phLoadLanes(cd.rbCd) * phLoadLanes(cd.turnB);
    *responseA = (a[0] + a[1]) + a[2];
    *responseB = (b[0] + b[1]) + b[2];
}

// Target normal speed of the real velocities for a point closing at `closing` (negative while the
// bodies approach). Bounce only on a real impact; slow contacts would otherwise never come to
// rest. A gap may close within this step, no faster; an impact that closes it bounces already
// (early by at most the contact margin). An overlap adds nothing here: the push velocities undo it.
inline r32 phApproachBias(r32 restitution, r32 penetration, r32 closing, r32 dt, r32 invDt) {
    bool bounces = closing < -phk_restitutionThreshold;
    if (penetration <= r32(0.0)) return bounces ? -restitution * closing : r32(0.0);
    bool closes = closing * dt + penetration <= r32(0.0);
    return bounces && closes ? -restitution * closing : -penetration * invDt;
}

// The velocity of B's point relative to A's that no impulse changes: the part of a body that does
// not take impulses (a kinematic one moving on its own; a static one has none).
inline phVec3 phSurfaceVelocity(const phPairVelocities& pv, const phContactConstraintState& cs,
                                const phContactState& c) {
    phVec3 surface(r32(0.0), r32(0.0), r32(0.0));
    if (!cs.dynamicB) surface += pv.vB + phCross(pv.wB, c.rb);
    if (!cs.dynamicA) surface -= pv.vA + phCross(pv.wA, c.ra);
    return surface;
}

// Makes `surface`, the velocity of B's point relative to A's that no impulse of a solve changes,
// part of the point's targets: the friction aims at its tangential part, the normal at the bias
// less its normal part.
inline void phMoveWithSurface(phContactState* c, const phContactConstraintState& cs, const phVec3& surface) {
    c->surfaceSpeed[0] = phDot(surface, cs.tangentVectors[0]);
    c->surfaceSpeed[1] = phDot(surface, cs.tangentVectors[1]);
    c->bias -= phDot(surface, cs.normal);
}

} // namespace

void phContactSolver::Initialize(phIsland* island) {
    m_island = island;
    m_contactCount = island->m_partCount;
    m_contacts = island->m_contactStates;
    m_velocities = island->m_velocities;
    m_pushes = island->m_pushes;
    m_enableFriction = island->m_enableFriction;
    m_backward = true;
}

void phContactSolver::PreSolve(r32 dt) {
    r32 invDt = r32(1.0) / dt;
    m_pushCount = 0;
    // Every point's approach speed is measured before any warm-start impulse: in a stack the
    // impulses carried over from the box above push each box down, and a resting contact judged
    // on that velocity would seem to close fast and bounce on every step.
    for (i32 i = 0; i < m_contactCount; ++i) {
        phContactConstraintState* cs = m_contacts + i;
        phPairVelocities pv = phLoadVelocities(m_velocities, *cs);
        cs->pushes = 0;
        for (i32 j = 0; j < cs->contactCount; ++j) {
            phContactState* c = cs->contacts + j;
            c->normalMass = phInvert(phPrepareDirection(*cs, *c, cs->normal, &c->normalDirection));
            for (i32 t = 0; t < 2; ++t) {
                r32 k = phPrepareDirection(*cs, *c, cs->tangentVectors[t], c->tangentDirections + t);
                c->tangentMass[t] = phInvert(k);
            }

            r32 closing = phDot(phRelativeVelocity(pv, *c), cs->normal);
            c->bias = phApproachBias(cs->restitution, c->penetration, closing, dt, invDt);
            c->surfaceSpeed[0] = c->surfaceSpeed[1] = r32(0.0);
            // Only a body that takes no impulses (static or kinematic) moves a surface of its own.
            if (!(cs->dynamicA && cs->dynamicB)) phMoveWithSurface(c, *cs, phSurfaceVelocity(pv, *cs, *c));
            c->pushImpulse = r32(0.0);
            // The penetration beyond the slop, a fraction per step, is undone through the push
            // velocities alone: it moves the bodies apart and leaves their velocities as they are.
            c->pushSpeed = -phk_baumgarte * invDt * phMin(r32(0.0), c->penetration + phk_penetrationSlop);
            if (c->pushSpeed > r32(0.0)) cs->pushes = 1;
        }
        m_pushCount += cs->pushes;
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

// Scales the 2-vector `impulse` down to length `radius` when it is longer.
phForceInline void phClampToDisc(r32* impulse, r32 radius) {
    r32 lengthSq = impulse[0] * impulse[0] + impulse[1] * impulse[1];
    if (lengthSq <= radius * radius) return;
    r32 scale = radius / sqrtf(lengthSq);
    impulse[0] *= scale;
    impulse[1] *= scale;
}

// One iteration of one contact point: friction, then the normal. Returns the largest impulse
// that it applied.
template <bool kMovesA, bool kMovesB>
phForceInline r32 phSolvePoint(const phContactConstraintState& cs, const phConstraintLanes& dirs, phContactState* c,
                               phPairLanes* pl, bool enableFriction) {
    r32 largest = r32(0.0);
    if (enableFriction) {
        // Friction is one force in the contact plane, bounded by friction times the normal
        // impulse whatever the direction of sliding: the two tangent impulses are found together
        // and clamped together, as one vector, to that disc. Clamping each on its own would give
        // a box sliding between the tangents up to sqrt(2) times the friction of one sliding along
        // a tangent. Both use one mass, the smaller of the two: with a mass of its own per tangent
        // the impulse would not point against the sliding velocity, and a sliding box would feel
        // less friction the further its path turns from the tangents.
        r32 maxLambda = cs.friction * c->normalImpulse;
        r32 old[2] = {c->tangentImpulse[0], c->tangentImpulse[1]};
        r32 mass = phMin(c->tangentMass[0], c->tangentMass[1]);
        for (i32 t = 0; t < 2; ++t) {
            r32 vt = phVelocityAlong<kMovesA, kMovesB>(*pl, dirs.tangents[t].d, c->tangentDirections[t]);
            // Only a pair with a body held here can have a surface speed.
            if constexpr (!(kMovesA && kMovesB)) vt += c->surfaceSpeed[t];
            c->tangentImpulse[t] -= vt * mass;
        }
        phClampToDisc(c->tangentImpulse, maxLambda);
        for (i32 t = 0; t < 2; ++t) {
            r32 lambda = c->tangentImpulse[t] - old[t];
            phApplyAlong<kMovesA, kMovesB>(pl, dirs.tangents[t], c->tangentDirections[t], lambda);
            largest = phMax(largest, phMax(lambda, -lambda));
        }
    }

    // The carried impulse may push, never pull.
    r32 vn = phVelocityAlong<kMovesA, kMovesB>(*pl, dirs.normal.d, c->normalDirection);
    r32 old = c->normalImpulse;
    c->normalImpulse = phMax(old + c->normalMass * (c->bias - vn), r32(0.0));
    r32 lambda = c->normalImpulse - old;
    phApplyAlong<kMovesA, kMovesB>(pl, dirs.normal, c->normalDirection, lambda);
    return phMax(largest, phMax(lambda, -lambda));
}

// A loses the push d * lambda, B gains it: it moves the bodies' centres only. Turned apart as
// well, a box among several overlapping neighbours swings its corners deeper into the next one.
template <bool kMovesA, bool kMovesB>
phForceInline void phMoveAlong(phPairLanes* pl, const phAxisLanes& axis, r32 lambda) {
    if constexpr (kMovesA) pl->vA -= axis.moveA * lambda;
    if constexpr (kMovesB) pl->vB += axis.moveB * lambda;
}

// One iteration of the push of a constraint's points on the push velocities `pl` (which never
// turn): along the normal, aiming at each point's push speed, never pulling. Returns the largest
// impulse that it applied.
template <bool kMovesA, bool kMovesB>
r32 phPushConstraint(phContactConstraintState* cs, phPairLanes* pl) {
    phAxisLanes normal = phAxis(cs->normal, cs->mA, cs->mB);
    r32 mass = phInvert(cs->mA + cs->mB);
    r32 largest = r32(0.0);
    for (i32 j = 0; j < cs->contactCount; ++j) {
        phContactState* c = cs->contacts + j;
        r32 vn = phVelocityAlong<kMovesA, kMovesB>(*pl, normal.d, c->normalDirection);
        r32 old = c->pushImpulse;
        c->pushImpulse = phMax(old + mass * (c->pushSpeed - vn), r32(0.0));
        r32 lambda = c->pushImpulse - old;
        phMoveAlong<kMovesA, kMovesB>(pl, normal, lambda);
        largest = phMax(largest, lambda < r32(0.0) ? -lambda : lambda);
    }
    return largest;
}

// The points of a constraint in the order an iteration visits them: the first and the step from
// one to the next (never taken past the last, which may be the array's first). Each impulse is found with the impulses before it in place, so the points
// visited first take more of a shared load; visited in one order every time, the first points of
// every manifold carry more than the last, and a row of boxes pushed from behind turns aside with
// that lean and buckles. Every other iteration visits the points backwards, so the lean of one
// undoes the lean of the next.
struct phPointWalk {
    phContactState* first;
    i32 step;
};

phForceInline phPointWalk phWalkPoints(const phContactConstraintState& cs, bool backward) {
    return backward ? phPointWalk{cs.contacts + cs.contactCount - 1, -1} : phPointWalk{cs.contacts, 1};
}

// The largest change of speed along its direction that an impulse of the constraint made,
// leaving out the turning: the measure of how far an iteration still moves the island.
inline r32 phSpeedChange(const phContactConstraintState& cs, r32 largestImpulse) {
    return largestImpulse * (cs.mA + cs.mB);
}

// One iteration over the points of two constraints that share no moving body, point by point in
// turn. Every impulse waits for the one before it on the same bodies; the two constraints'
// impulses do not wait for each other, so the processor works on both at once. The result is
// the same as solving the first constraint and then the second. Returns the larger speed change.
template <bool kMovesA1, bool kMovesB1, bool kMovesA2, bool kMovesB2>
phForceInline r32 phSolveConstraints(phContactConstraintState* cs1, phPairLanes* pl1,
                                     phContactConstraintState* cs2, phPairLanes* pl2, bool enableFriction,
                                     bool backward) {
    phConstraintLanes dirs1 = phDirectionLanes(*cs1);
    phConstraintLanes dirs2 = phDirectionLanes(*cs2);
    r32 largest1 = r32(0.0), largest2 = r32(0.0);
    phPointWalk walk1 = phWalkPoints(*cs1, backward), walk2 = phWalkPoints(*cs2, backward);
    phContactState* c1 = walk1.first;
    phContactState* c2 = walk2.first;
    i32 count = phMax(cs1->contactCount, cs2->contactCount);
    for (i32 j = 0; j < count; ++j) {
        if (j < cs1->contactCount) {
            r32 impulse = phSolvePoint<kMovesA1, kMovesB1>(*cs1, dirs1, c1, pl1, enableFriction);
            largest1 = phMax(largest1, impulse);
            if (j + 1 < cs1->contactCount) c1 += walk1.step;
        }
        if (j < cs2->contactCount) {
            r32 impulse = phSolvePoint<kMovesA2, kMovesB2>(*cs2, dirs2, c2, pl2, enableFriction);
            largest2 = phMax(largest2, impulse);
            if (j + 1 < cs2->contactCount) c2 += walk2.step;
        }
    }
    return phMax(phSpeedChange(*cs1, largest1), phSpeedChange(*cs2, largest2));
}

// Returns the speed change of phSpeedChange.
template <bool kMovesA, bool kMovesB>
r32 phSolveConstraint(phContactConstraintState* cs, phPairLanes* pl, bool enableFriction, bool backward) {
    phConstraintLanes dirs = phDirectionLanes(*cs);
    r32 largest = r32(0.0);
    phPointWalk walk = phWalkPoints(*cs, backward);
    phContactState* c = walk.first;
    for (i32 j = 0; j < cs->contactCount; ++j) {
        largest = phMax(largest, phSolvePoint<kMovesA, kMovesB>(*cs, dirs, c, pl, enableFriction));
        if (j + 1 < cs->contactCount) c += walk.step;
    }
    return phSpeedChange(*cs, largest);
}

// At least one body of a constraint is dynamic; only dynamic bodies take impulses.
enum phMovers { ePhMoveBoth, ePhMoveB, ePhMoveA };

inline phMovers phMoversOf(const phContactConstraintState& cs) {
    if (cs.dynamicA && cs.dynamicB) return ePhMoveBoth;
    return cs.dynamicB ? ePhMoveB : ePhMoveA;
}

r32 phSolveOne(phContactConstraintState* cs, phVelocityState* velocities, bool enableFriction, bool backward) {
    phPairLanes pv = phLoadPairLanes(velocities, *cs);
    r32 change = r32(0.0);
    switch (phMoversOf(*cs)) {
    case ePhMoveBoth: change = phSolveConstraint<true, true>(cs, &pv, enableFriction, backward); break;
    case ePhMoveB: change = phSolveConstraint<false, true>(cs, &pv, enableFriction, backward); break;
    case ePhMoveA: change = phSolveConstraint<true, false>(cs, &pv, enableFriction, backward); break;
    }
    phStorePairLanes(velocities, *cs, pv);
    return change;
}

r32 phPushOne(phContactConstraintState* cs, phVelocityState* pushes) {
    phPairLanes pl = phLoadPairLanes(pushes, *cs);
    r32 largest = r32(0.0);
    switch (phMoversOf(*cs)) {
    case ePhMoveBoth: largest = phPushConstraint<true, true>(cs, &pl); break;
    case ePhMoveB: largest = phPushConstraint<false, true>(cs, &pl); break;
    case ePhMoveA: largest = phPushConstraint<true, false>(cs, &pl); break;
    }
    phStorePairLanes(pushes, *cs, pl);
    return phSpeedChange(*cs, largest);
}

template <bool kMovesA1, bool kMovesB1>
r32 phSolveWithSecond(phContactConstraintState* cs1, phPairLanes* pv1, phContactConstraintState* cs2,
                      phPairLanes* pv2, bool enableFriction, bool backward) {
    switch (phMoversOf(*cs2)) {
    case ePhMoveBoth:
        return phSolveConstraints<kMovesA1, kMovesB1, true, true>(cs1, pv1, cs2, pv2, enableFriction, backward);
    case ePhMoveB:
        return phSolveConstraints<kMovesA1, kMovesB1, false, true>(cs1, pv1, cs2, pv2, enableFriction, backward);
    case ePhMoveA:
        return phSolveConstraints<kMovesA1, kMovesB1, true, false>(cs1, pv1, cs2, pv2, enableFriction, backward);
    }
    return r32(0.0);
}

r32 phSolveTwo(phContactConstraintState* cs1, phContactConstraintState* cs2, phVelocityState* velocities,
               bool enableFriction, bool backward) {
    phPairLanes pv1 = phLoadPairLanes(velocities, *cs1);
    phPairLanes pv2 = phLoadPairLanes(velocities, *cs2);
    r32 change = r32(0.0);
    switch (phMoversOf(*cs1)) {
    case ePhMoveBoth: change = phSolveWithSecond<true, true>(cs1, &pv1, cs2, &pv2, enableFriction, backward); break;
    case ePhMoveB: change = phSolveWithSecond<false, true>(cs1, &pv1, cs2, &pv2, enableFriction, backward); break;
    case ePhMoveA: change = phSolveWithSecond<true, false>(cs1, &pv1, cs2, &pv2, enableFriction, backward); break;
    }
    // A static body both may name keeps its velocity: storing it twice stores the same value.
    phStorePairLanes(velocities, *cs1, pv1);
    phStorePairLanes(velocities, *cs2, pv2);
    return change;
}

// Whether a body that takes impulses in one constraint appears in the other.
bool phShareMovingBody(const phContactConstraintState& a, const phContactConstraintState& b) {
    bool aMovesA = a.dynamicA != 0, aMovesB = a.dynamicB != 0;
    bool bMovesA = b.dynamicA != 0, bMovesB = b.dynamicB != 0;
    if (a.indexA == b.indexA && (aMovesA || bMovesA)) return true;
    if (a.indexA == b.indexB && (aMovesA || bMovesB)) return true;
    if (a.indexB == b.indexA && (aMovesB || bMovesA)) return true;
    return a.indexB == b.indexB && (aMovesB || bMovesB);
}

// The effective mass along the direction of a record of the upper body alone (B when `bOnTop`).
inline r32 phUpperMass(const phContactConstraintState& cs, const phContactDirection& cd, const phVec3& d,
                       bool bOnTop) {
    r32 responseA, responseB;
    phResponses(cs, cd, d, &responseA, &responseB);
    return phInvert(bOnTop ? responseB : responseA);
}

} // namespace

r32 phContactSolver::Solve() {
    // The constraints are visited in the order c0, cH, c1, cH+1, ... with H half the count. The
    // island lists them from the bottom up, so neighbours in the list often share a body;
    // constraints half an island apart lie at other heights and seldom do, so most of them are
    // solved two at a time.
    r32 change = r32(0.0);
    m_backward = !m_backward;
    i32 half = (m_contactCount + 1) / 2;
    for (i32 i = 0; i < half; ++i) {
        phContactConstraintState* first = m_contacts + i;
        phContactConstraintState* second = i + half < m_contactCount ? m_contacts + i + half : nullptr;
        if (second && !phShareMovingBody(*first, *second)) {
            change = phMax(change, phSolveTwo(first, second, m_velocities, m_enableFriction, m_backward));
            continue;
        }
        change = phMax(change, phSolveOne(first, m_velocities, m_enableFriction, m_backward));
        if (second) change = phMax(change, phSolveOne(second, m_velocities, m_enableFriction, m_backward));
    }
    for (i32 i = 0; i < m_contactCount && m_pushCount > 0; ++i) {
        if (m_contacts[i].pushes) change = phMax(change, phPushOne(m_contacts + i, m_pushes));
    }
    return change;
}

void phContactSolver::PropagateShock(const phVec3& up) {
    for (i32 i = 0; i < m_contactCount; ++i) {
        phContactConstraintState* cs = m_contacts + i;
        // The normal points from A to B: B rests on A when it points up.
        r32 facing = phDot(cs->normal, up);
        if (phAbs(facing) < phk_supportFacing) continue;
        bool bOnTop = facing > r32(0.0);
        // A body that cannot move has nothing to take from the one below it.
        if (!(bOnTop ? cs->dynamicB : cs->dynamicA)) continue;

        // The lower body is held at the velocity the iterations left it with, and the upper one is
        // solved against its moving surface: bodies that move together (carried, pulled, sliding,
        // falling) keep their grip. Only the lower body's travel is passed up, not its turning:
        // the pass gives the lower body no reaction, and a turn passed up unanswered would set a
        // whole tower rocking with its lowest cube. A lower body that takes no impulses moves its
        // surface already, turning included.
        // A lower body at least as heavy as the upper one keeps the masses of the iterations,
        // which share each correction between both bodies: the body below does not take its
        // share, so about half the correction goes up the stack, and a cube that lands on another
        // is not thrown off it. A lighter lower body is held as if it were infinitely heavy and
        // the upper one takes the whole correction: a heavy box landing on a light one would
        // otherwise sink into it and topple.
        bool holdsMovingBody = bOnTop ? cs->dynamicA : cs->dynamicB;
        bool lowerIsLighter = (bOnTop ? cs->mA : cs->mB) > (bOnTop ? cs->mB : cs->mA);
        phVec3 travel = bOnTop ? -m_velocities[cs->indexA].v : m_velocities[cs->indexB].v;
        for (i32 j = 0; j < cs->contactCount; ++j) {
            phContactState* c = cs->contacts + j;
            if (lowerIsLighter) {
                c->normalMass = phUpperMass(*cs, c->normalDirection, cs->normal, bOnTop);
                for (i32 t = 0; t < 2; ++t)
                    c->tangentMass[t] = phUpperMass(*cs, c->tangentDirections[t], cs->tangentVectors[t], bOnTop);
            }
            if (holdsMovingBody) phMoveWithSurface(c, *cs, travel);
        }
        phPairLanes pl = phLoadPairLanes(m_velocities, *cs);
        for (i32 sweep = 0; sweep < phk_shockSweeps; ++sweep) {
            bool backward = sweep % 2 != 0;
            r32 change = bOnTop ? phSolveConstraint<false, true>(cs, &pl, m_enableFriction, backward)
                                : phSolveConstraint<true, false>(cs, &pl, m_enableFriction, backward);
            if (change <= phk_solverSettledSpeed) break;
        }
        phStorePairLanes(m_velocities, *cs, pl);
    }
}

void phContactSolver::ShutDown() {
    for (i32 i = 0; i < m_contactCount; ++i) {
        const phContactConstraintState* cs = m_contacts + i;
        phManifold* m = m_island->m_contacts[m_island->m_partStart + i]->manifold;
        for (i32 j = 0; j < cs->contactCount; ++j) {
            const phContactState* c = cs->contacts + j;
            // A step whose velocities overflowed leaves impulses that are not finite; carried
            // over they would make both bodies non-finite again in every later step, and the
            // bodies would never move again. The point starts afresh instead.
            bool finite = phIsFinite(c->normalImpulse) && phIsFinite(c->tangentImpulse[0]) &&
                          phIsFinite(c->tangentImpulse[1]);
            m->contacts[j].normalImpulse = finite ? c->normalImpulse : r32(0.0);
            m->contacts[j].tangentImpulse[0] = finite ? c->tangentImpulse[0] : r32(0.0);
            m->contacts[j].tangentImpulse[1] = finite ? c->tangentImpulse[1] : r32(0.0);
        }
    }
}
