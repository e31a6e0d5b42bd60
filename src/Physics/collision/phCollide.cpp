#include "Physics/collision/phCollide.h"

#include "Physics/collision/phBox.h"
#include "Physics/dynamics/phBody.h"

// The feature byte that records no edge.
const u8 phk_noFeature = 255;

// ---------------------------------------------------------------------------------------------
// Axis tracking
// ---------------------------------------------------------------------------------------------

bool phTrackFaceAxis(i32* axis, i32 n, r32 s, r32* sMax, const phVec3& normal, phVec3* axisNormal) {
    if (s > phk_contactMargin) return true;
    if (s > *sMax) {
        *sMax = s;
        *axis = n;
        *axisNormal = normal;
    }
    return false;
}

bool phTrackEdgeAxis(i32* axis, i32 n, r32 s, r32* sMax, const phVec3& normal, phVec3* axisNormal) {
    // s is measured along the unnormalised axis, so the margin is scaled to it.
    if (s > phk_contactMargin * phLength(normal)) return true;
    r32 l = r32(1.0) / phLength(normal);
    s *= l;
    if (s > *sMax) {
        *sMax = s;
        *axis = n;
        *axisNormal = normal * l;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Reference and incident faces
// ---------------------------------------------------------------------------------------------

void phComputeReferenceEdgesAndBasis(const phVec3& eR, const phTransform& rtx, phVec3 n, i32 axis, u8* out,
                                     phMat3* basis, phVec3* e) {
    n = phMulT(rtx.rotation, n);
    if (axis >= 3) axis -= 3;

    const phVec3& X = rtx.rotation.ex;
    const phVec3& Y = rtx.rotation.ey;
    const phVec3& Z = rtx.rotation.ez;

    // Clip edges in the order of the passes of phClip: +first axis, +second, -first, -second.
    switch (axis) {
    case 0:
        if (n.x > r32(0.0)) {
            out[0] = 1, out[1] = 8, out[2] = 7, out[3] = 9;
            e->Set(eR.y, eR.z, eR.x);
            basis->SetRows(Y, Z, X);
        } else {
            out[0] = 11, out[1] = 3, out[2] = 10, out[3] = 5;
            e->Set(eR.z, eR.y, eR.x);
            basis->SetRows(Z, Y, -X);
        }
        break;
    case 1:
        if (n.y > r32(0.0)) {
            out[0] = 0, out[1] = 1, out[2] = 2, out[3] = 3;
            e->Set(eR.z, eR.x, eR.y);
            basis->SetRows(Z, X, Y);
        } else {
            out[0] = 4, out[1] = 5, out[2] = 6, out[3] = 7;
            e->Set(eR.z, eR.x, eR.y);
            basis->SetRows(Z, -X, -Y);
        }
        break;
    case 2:
        if (n.z > r32(0.0)) {
            out[0] = 11, out[1] = 4, out[2] = 8, out[3] = 0;
            e->Set(eR.y, eR.x, eR.z);
            basis->SetRows(-Y, X, Z);
        } else {
            out[0] = 6, out[1] = 10, out[2] = 2, out[3] = 9;
            e->Set(eR.y, eR.x, eR.z);
            basis->SetRows(-Y, -X, -Z);
        }
        break;
    default: phAssert(false); break;
    }
}

// One corner of a face: the signs of its half extents and the edges by which the face's outline
// enters and leaves it (the outline runs through the corners in table order).
struct phFaceCorner {
    r32 x, y, z;
    u8 inEdge, outEdge;
};

// Faces +x, -x, +y, -y, +z, -z.
static const phFaceCorner phk_faceCorners[6][4] = {
    {{1, 1, -1, 9, 1}, {1, 1, 1, 1, 8}, {1, -1, 1, 8, 7}, {1, -1, -1, 7, 9}},
    {{-1, -1, 1, 5, 11}, {-1, 1, 1, 11, 3}, {-1, 1, -1, 3, 10}, {-1, -1, -1, 10, 5}},
    {{-1, 1, 1, 3, 0}, {1, 1, 1, 0, 1}, {1, 1, -1, 1, 2}, {-1, 1, -1, 2, 3}},
    {{1, -1, 1, 7, 4}, {-1, -1, 1, 4, 5}, {-1, -1, -1, 5, 6}, {1, -1, -1, 6, 7}},
    {{-1, 1, 1, 0, 11}, {-1, -1, 1, 11, 4}, {1, -1, 1, 4, 8}, {1, 1, 1, 8, 0}},
    {{1, -1, -1, 9, 6}, {-1, -1, -1, 6, 10}, {-1, 1, -1, 10, 2}, {1, 1, -1, 2, 9}},
};

void phComputeIncidentFace(const phTransform& itx, const phVec3& e, phVec3 n, phClipVertex* out) {
    n = -phMulT(itx.rotation, n);
    phVec3 absN = phAbs(n);

    // The largest component picks the face; z also takes every tie.
    i32 face;
    if (absN.x > absN.y && absN.x > absN.z) face = n.x > r32(0.0) ? 0 : 1;
    else if (absN.y > absN.x && absN.y > absN.z) face = n.y > r32(0.0) ? 2 : 3;
    else face = n.z > r32(0.0) ? 4 : 5;

    // Every corner is named by its two edges, so that the points of one manifold that the
    // clipping leaves untouched keep distinct keys from step to step.
    for (i32 i = 0; i < 4; ++i) {
        const phFaceCorner& corner = phk_faceCorners[face][i];
        out[i].v = phMul(itx, phVec3(corner.x * e.x, corner.y * e.y, corner.z * e.z));
        out[i].f.inR = phk_noFeature;
        out[i].f.outR = phk_noFeature;
        out[i].f.inI = corner.inEdge;
        out[i].f.outI = corner.outEdge;
    }
}

// ---------------------------------------------------------------------------------------------
// Clipping
// ---------------------------------------------------------------------------------------------

static bool phOnClipPlane(r32 d) { return d < phk_clipOnPlaneTolerance && d > -phk_clipOnPlaneTolerance; }

static void phPushClipVertex(phClipVertex* out, i32* count, const phClipVertex& v) {
    i32 outCount = *count;
    phAssert(outCount < 8);
    out[outCount] = v;
    *count = outCount + 1;
}

i32 phOrthographic(r32 sign, r32 e, i32 axis, i32 clipEdge, const phClipVertex* in, i32 inCount, phClipVertex* out) {
    i32 outCount = 0;
    const phClipVertex* a = in + inCount - 1;

    for (i32 i = 0; i < inCount; ++i) {
        const phClipVertex* b = in + i;
        r32 da = sign * a->v[axis] - e;
        r32 db = sign * b->v[axis] - e;

        // Within the tolerance of the plane a vertex counts as inside, so a face lying exactly
        // on a side plane is kept whole instead of being cut into near-duplicate points. A vertex
        // clearly outside is never kept, not even behind one that lies on the plane.
        bool keepB = phOnClipPlane(db) || (db < r32(0.0) && da < phk_clipOnPlaneTolerance);
        bool crossing = !phOnClipPlane(da) && !phOnClipPlane(db) && (da < r32(0.0)) != (db < r32(0.0));
        if (keepB) {
            phPushClipVertex(out, &outCount, *b);
        } else if (crossing) {
            // The point where a-b pierces the plane records the clip edge on the side of the
            // feature pair that it enters (from a) or leaves (to b).
            phClipVertex cv;
            cv.v = a->v + (b->v - a->v) * (da / (da - db));
            bool entering = db < r32(0.0);
            cv.f = entering ? a->f : b->f;
            if (entering) {
                cv.f.inR = u8(clipEdge);
                cv.f.inI = 0;
            } else {
                cv.f.outR = u8(clipEdge);
                cv.f.outI = 0;
            }
            phPushClipVertex(out, &outCount, cv);
            if (entering) phPushClipVertex(out, &outCount, *b);
        }
        a = b;
    }
    return outCount;
}

i32 phClip(const phVec3& rPos, const phVec3& e, const u8* clipEdges, const phMat3& basis,
           const phClipVertex* incident, phClipVertex* outVerts, r32* outDepths) {
    phClipVertex in[8];
    phClipVertex out[8];

    // Into the reference face's frame: x and y across the face, z along its normal.
    for (i32 i = 0; i < 4; ++i) {
        in[i].v = phMulT(basis, incident[i].v - rPos);
        in[i].f = incident[i].f;
    }

    i32 count = phOrthographic(r32(1.0), e.x, 0, clipEdges[0], in, 4, out);
    if (!count) return 0;
    count = phOrthographic(r32(1.0), e.y, 1, clipEdges[1], out, count, in);
    if (!count) return 0;
    count = phOrthographic(r32(-1.0), e.x, 0, clipEdges[2], in, count, out);
    if (!count) return 0;
    count = phOrthographic(r32(-1.0), e.y, 1, clipEdges[3], out, count, in);

    // Only points at or below the reference face touch it.
    i32 outCount = 0;
    for (i32 i = 0; i < count; ++i) {
        r32 d = in[i].v.z - e.z;
        if (d > phk_contactMargin) continue;
        outVerts[outCount].v = basis * in[i].v + rPos;
        outVerts[outCount].f = in[i].f;
        outDepths[outCount++] = d;
    }
    phAssert(outCount <= 8);
    return outCount;
}

// ---------------------------------------------------------------------------------------------
// Edges
// ---------------------------------------------------------------------------------------------

void phSupportEdge(const phTransform& tx, const phVec3& e, phVec3 n, phVec3* aOut, phVec3* bOut) {
    n = phMulT(tx.rotation, n);
    phVec3 absN = phAbs(n);

    // The edge runs along the box axis on which n is smallest.
    phVec3 a = e;
    phVec3 b = e;
    if (absN.x <= absN.y && absN.x <= absN.z) b.x = -b.x;
    else if (absN.x <= absN.y) b.z = -b.z;
    else if (absN.y <= absN.z) b.y = -b.y;
    else b.z = -b.z;

    phVec3 s(phSign(n.x), phSign(n.y), phSign(n.z));
    *aOut = phMul(tx, phVec3(a.x * s.x, a.y * s.y, a.z * s.z));
    *bOut = phMul(tx, phVec3(b.x * s.x, b.y * s.y, b.z * s.z));
}

void phEdgesContact(phVec3* CA, phVec3* CB, const phVec3& PA, const phVec3& QA, const phVec3& PB, const phVec3& QB) {
    phVec3 DA = QA - PA;
    phVec3 DB = QB - PB;
    phVec3 r = PA - PB;
    r32 a = phDot(DA, DA);
    r32 e = phDot(DB, DB);
    r32 f = phDot(DB, r);
    r32 c = phDot(DA, r);
    r32 b = phDot(DA, DB);
    r32 denom = a * e - b * b;

    // Skew edges of boxes with positive extents have denom > 0 and e > 0. A box with a zero
    // extent (a flat collider from the editor or a scene file) has edges of length 0, and an
    // edge of length 0 is a point: its own parameter stays 0 and the other point is the
    // projection onto the other line. Dividing by zero here would put NaN into the manifold,
    // the solver and the body, and the next narrow phase would find no axis at all.
    r32 TA = r32(0.0);
    if (denom != r32(0.0)) TA = (b * f - c * e) / denom;
    else if (e == r32(0.0) && a != r32(0.0)) TA = -c / a;
    r32 TB = e != r32(0.0) ? (b * TA + f) / e : r32(0.0);
    *CA = PA + DA * TA;
    *CB = PB + DB * TB;
}

// ---------------------------------------------------------------------------------------------
// Box to box
// ---------------------------------------------------------------------------------------------

// Writes a face contact with the reference face on A (axis < 3) or on B. Nothing is written when
// the clipping keeps no point.
static void phBoxFaceContact(phManifold* m, const phTransform& atx, const phTransform& btx, const phVec3& eA,
                             const phVec3& eB, i32 axis, phVec3 n) {
    // The clipping wants the normal pointing from the reference box to the incident box.
    bool flip = axis >= 3;
    const phTransform& rtx = flip ? btx : atx;
    const phTransform& itx = flip ? atx : btx;
    const phVec3& eR = flip ? eB : eA;
    const phVec3& eI = flip ? eA : eB;
    if (flip) n = -n;

    phClipVertex incident[4];
    phComputeIncidentFace(itx, eI, n, incident);
    u8 clipEdges[4];
    phMat3 basis;
    phVec3 e;
    phComputeReferenceEdgesAndBasis(eR, rtx, n, axis, clipEdges, &basis, &e);

    phClipVertex out[8];
    r32 depths[8];
    i32 count = phClip(rtx.position, e, clipEdges, basis, incident, out, depths);
    if (count == 0) return;

    m->contactCount = count;
    m->normal = flip ? -n : n;
    for (i32 i = 0; i < count; ++i) {
        phContact* c = m->contacts + i;
        phFeaturePair pair = out[i].f;
        // Keys name the features of A and B, whichever box held the reference face.
        if (flip) {
            u8 swap = pair.inI;
            pair.inI = pair.inR;
            pair.inR = swap;
            swap = pair.outI;
            pair.outI = pair.outR;
            pair.outR = swap;
        }
        c->fp = pair;
        c->position = out[i].v;
        c->penetration = depths[i];
    }
}

static void phBoxEdgeContact(phManifold* m, const phTransform& atx, const phTransform& btx, const phVec3& eA,
                             const phVec3& eB, i32 axis, r32 separation, const phVec3& n) {
    phVec3 PA, QA, PB, QB;
    phSupportEdge(atx, eA, n, &PA, &QA);
    phSupportEdge(btx, eB, -n, &PB, &QB);
    phVec3 CA, CB;
    phEdgesContact(&CA, &CB, PA, QA, PB, QB);

    m->normal = n;
    m->contactCount = 1;
    phContact* c = m->contacts;
    c->fp.key = axis;
    c->penetration = separation;
    c->position = (CA + CB) * r32(0.5);
}

void phBoxtoBox(phManifold* m, phBox* a, phBox* b) {
    phTransform atx = phMul(a->body->m_tx, a->local);
    phTransform btx = phMul(b->body->m_tx, b->local);
    const phVec3& eA = a->e;
    const phVec3& eB = b->e;
    const phMat3& RA = atx.rotation;
    const phMat3& RB = btx.rotation;

    // M[i][j] = dot(A axis i, B axis j): B's axes in A's frame.
    r32 M[3][3];
    r32 absM[3][3];
    bool parallel = false;
    for (i32 i = 0; i < 3; ++i) {
        for (i32 j = 0; j < 3; ++j) {
            M[i][j] = phDot(RA[i], RB[j]);
            absM[i][j] = phAbs(M[i][j]);
            if (absM[i][j] + phk_parallelCosTolerance >= r32(1.0)) parallel = true;
        }
    }

    // From A's centre to B's centre, in A's frame.
    phVec3 t = phMulT(RA, btx.position - atx.position);

    r32 aMax = phk_minFloat, bMax = phk_minFloat, eMax = phk_minFloat;
    i32 aAxis = -1, bAxis = -1, eAxis = -1;
    phVec3 nA(r32(0.0), r32(0.0), r32(0.0));
    phVec3 nB = nA;
    phVec3 nE = nA;

    for (i32 i = 0; i < 3; ++i) {
        r32 s = phAbs(t[i]) - (eA[i] + absM[i][0] * eB.x + absM[i][1] * eB.y + absM[i][2] * eB.z);
        if (phTrackFaceAxis(&aAxis, i, s, &aMax, RA[i], &nA)) return;
    }

    for (i32 j = 0; j < 3; ++j) {
        r32 tB = t.x * M[0][j] + t.y * M[1][j] + t.z * M[2][j];
        r32 s = phAbs(tB) - (eB[j] + absM[0][j] * eA.x + absM[1][j] * eA.y + absM[2][j] * eA.z);
        if (phTrackFaceAxis(&bAxis, 3 + j, s, &bMax, RB[j], &nB)) return;
    }

    // With a pair of parallel axes every cross product is degenerate; a face axis then decides.
    if (!parallel) {
        for (i32 i = 0; i < 3; ++i) {
            i32 k = (i + 1) % 3;
            i32 l = (i + 2) % 3;
            for (i32 j = 0; j < 3; ++j) {
                i32 p = (j + 1) % 3;
                i32 q = (j + 2) % 3;
                // (A axis i) x (B axis j) in A's frame: unit vector i crossed with column j of M.
                phVec3 L;
                L[i] = r32(0.0);
                L[k] = -M[l][j];
                L[l] = M[k][j];
                r32 rA = eA[k] * absM[l][j] + eA[l] * absM[k][j];
                r32 rB = eB[p] * absM[i][q] + eB[q] * absM[i][p];
                r32 s = phAbs(phDot(t, L)) - (rA + rB);
                if (phTrackEdgeAxis(&eAxis, 6 + 3 * i + j, s, &eMax, L, &nE)) return;
            }
        }
    }

    r32 faceMax = phMax(aMax, bMax);
    phVec3 delta = btx.position - atx.position;
    if (phk_axisRelativeTolerance * eMax > faceMax + phk_axisAbsoluteTolerance) {
        phVec3 n = RA * nE;
        if (phDot(n, delta) < r32(0.0)) n = -n;
        phBoxEdgeContact(m, atx, btx, eA, eB, eAxis, eMax, n);
        return;
    }

    i32 axis = aAxis;
    phVec3 n = nA;
    if (phk_axisRelativeTolerance * bMax > aMax + phk_axisAbsoluteTolerance) {
        axis = bAxis;
        n = nB;
    }
    phAssert(axis != ~0);
    if (phDot(n, delta) < r32(0.0)) n = -n;
    phBoxFaceContact(m, atx, btx, eA, eB, axis, n);
}
