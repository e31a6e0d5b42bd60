#include "Physics/collision/phCollide.h"
#include "Physics/dynamics/phBody.h"
#include "phTestStore.h"

#include <gtest/gtest.h>

#include <math.h>
#include <random>
#include <set>

namespace {

phMat3 rotation(const phVec3& axis, r32 angle) {
    phMat3 m;
    m.Set(phNormalize(axis), angle);
    return m;
}

phMat3 identity() { return rotation(phVec3(0, 1, 0), 0); }

r32 degrees(r32 angle) { return angle * phPI / 180.0f; }

// A box on a body of its own, posed directly through the body transform; the narrow phase needs
// nothing else of the body.
struct PosedBox {
    PosedBox() : body(phBodyDef(), nullptr) {
        box.body = &body;
        phIdentity(box.local.position);
        phIdentity(box.local.rotation);
    }

    void place(const phVec3& position, const phMat3& rot, const phVec3& half) {
        body.m_tx.position = position;
        body.m_tx.rotation = rot;
        box.e = half;
    }

    // Inside the box grown by `slack` on every side.
    bool contains(const phVec3& p, r32 slack) const {
        phVec3 q = phMulT(body.m_tx, p);
        for (int i = 0; i < 3; ++i) {
            if (fabsf(q[i]) > box.e[i] + slack) return false;
        }
        return true;
    }

    phBody body;
    phBox box;
};

phManifold collide(PosedBox& a, PosedBox& b) {
    phManifold m;
    m.contactCount = 0;
    phBoxtoBox(&m, &a.box, &b.box);
    return m;
}

void expectVec(const phVec3& actual, const phVec3& expected, r32 tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

const phVec3 kUnitHalf(0.5f, 0.5f, 0.5f);

// ---------------------------------------------------------------------------------------------
// Face contacts
// ---------------------------------------------------------------------------------------------

TEST(BoxToBox, EqualStackedBoxesGiveFourCornersWithTheOverlapAsDepth) {
    for (r32 overlap : {0.0f, 0.02f, 0.1f, 0.19f}) {
        PosedBox a, b;
        a.place(phVec3(0, 0, 0), identity(), kUnitHalf);
        b.place(phVec3(0, 1 - overlap, 0), identity(), kUnitHalf);
        phManifold m = collide(a, b);

        ASSERT_EQ(m.contactCount, 4) << overlap;
        expectVec(m.normal, phVec3(0, 1, 0), 1e-6f);
        std::set<std::pair<int, int>> corners;
        for (int i = 0; i < 4; ++i) {
            const phContact& c = m.contacts[i];
            EXPECT_NEAR(c.penetration, -overlap, 1e-6f);
            EXPECT_NEAR(c.position.y, 0.5f - overlap, 1e-6f);
            EXPECT_NEAR(fabsf(c.position.x), 0.5f, 1e-6f);
            EXPECT_NEAR(fabsf(c.position.z), 0.5f, 1e-6f);
            corners.insert({c.position.x > 0, c.position.z > 0});
        }
        EXPECT_EQ(corners.size(), 4u) << "every corner of the upper box's bottom face, once";
    }
}

TEST(BoxToBox, BoxesApartBeyondTheMarginGiveNoContactAlongEveryAxis) {
    const phVec3 directions[] = {phVec3(1, 0, 0), phVec3(-1, 0, 0), phVec3(0, 1, 0),
                                 phVec3(0, -1, 0), phVec3(0, 0, 1), phVec3(0, 0, -1)};
    for (const phVec3& d : directions) {
        PosedBox a, b;
        a.place(phVec3(0, 0, 0), identity(), kUnitHalf);
        b.place(d * (1.001f + phk_contactMargin), identity(), kUnitHalf);
        phManifold m = collide(a, b);
        EXPECT_EQ(m.contactCount, 0) << d.x << " " << d.y << " " << d.z;

        b.place(d, identity(), kUnitHalf);
        m = collide(a, b);
        EXPECT_EQ(m.contactCount, 4) << "touching exactly still counts";
        expectVec(m.normal, d, 1e-6f);

        // Within the margin the face already has its points, the gap as a positive penetration.
        b.place(d * (1 + 0.5f * phk_contactMargin), identity(), kUnitHalf);
        m = collide(a, b);
        ASSERT_EQ(m.contactCount, 4);
        expectVec(m.normal, d, 1e-6f);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(m.contacts[i].penetration, 0.5f * phk_contactMargin, 1e-5f);
    }
}

TEST(BoxToBox, BoxTurnedFortyFiveDegreesOnTopGivesAnOctagon) {
    PosedBox a, b;
    a.place(phVec3(0, 0, 0), identity(), kUnitHalf);
    b.place(phVec3(0, 0.98f, 0), rotation(phVec3(0, 1, 0), degrees(45)), kUnitHalf);
    phManifold m = collide(a, b);

    ASSERT_EQ(m.contactCount, 8);
    expectVec(m.normal, phVec3(0, 1, 0), 1e-6f);
    std::set<int> keys;
    for (int i = 0; i < 8; ++i) {
        const phContact& c = m.contacts[i];
        EXPECT_NEAR(c.penetration, -0.02f, 1e-5f);
        // Every point lies on the outline of both squares: on A's rim or on B's rim.
        phVec3 inB = phMulT(b.body.m_tx.rotation, c.position - b.body.m_tx.position);
        bool onARim = fabsf(fmaxf(fabsf(c.position.x), fabsf(c.position.z)) - 0.5f) < 1e-5f;
        bool onBRim = fabsf(fmaxf(fabsf(inB.x), fabsf(inB.z)) - 0.5f) < 1e-5f;
        EXPECT_TRUE(onARim && onBRim) << i;
        keys.insert(c.fp.key);
    }
    EXPECT_EQ(keys.size(), 8u);
}

TEST(BoxToBox, NormalPointsFromAToBWhenBHoldsTheReferenceFace) {
    // A small box balanced on its corner above a wide slab B: only B's top face fits.
    PosedBox a, b;
    // Turns the diagonal (1, 1, 1) up, so the corner (-1, -1, -1) points down.
    phMat3 corner = rotation(phVec3(-1, 0, 1), acosf(1 / sqrtf(3.0f)));
    r32 reach = 0.5f * sqrtf(3.0f);
    a.place(phVec3(0.3f, reach - 0.01f, -0.2f), corner, kUnitHalf);
    b.place(phVec3(0, -1, 0), identity(), phVec3(4, 1, 4));
    phManifold m = collide(a, b);

    ASSERT_GE(m.contactCount, 1);
    expectVec(m.normal, phVec3(0, -1, 0), 1e-5f);
    for (int i = 0; i < m.contactCount; ++i) EXPECT_NEAR(m.contacts[i].penetration, -0.01f, 2e-3f);

    phManifold swapped = collide(b, a);
    ASSERT_EQ(swapped.contactCount, m.contactCount);
    expectVec(swapped.normal, phVec3(0, 1, 0), 1e-5f);
}

TEST(BoxToBox, AsFaceIsPreferredWithinTheTolerances) {
    // A is tilted by 2 degrees under a level B. B's face separates a little better than A's
    // tilted one, yet within the tolerances A's face is the reference.
    PosedBox a, b;
    phMat3 tilt = rotation(phVec3(0, 0, 1), degrees(2));
    a.place(phVec3(0, 0, 0), tilt, kUnitHalf);
    b.place(phVec3(0, 0.99f, 0), identity(), kUnitHalf);
    phManifold m = collide(a, b);
    ASSERT_GT(m.contactCount, 0);
    expectVec(m.normal, tilt.ey, 1e-6f);

    // Swapped, the level box comes first and its own face wins.
    phManifold swapped = collide(b, a);
    ASSERT_GT(swapped.contactCount, 0);
    expectVec(swapped.normal, phVec3(0, -1, 0), 1e-6f);
}

// ---------------------------------------------------------------------------------------------
// Edge contacts
// ---------------------------------------------------------------------------------------------

TEST(BoxToBox, CrossedEdgesGiveOnePointKeyedByTheAxisNumber) {
    // A's top edge runs along z (A turned about z), B's bottom edge along x (B turned about x).
    r32 ridge = 0.5f * sqrtf(2.0f);
    PosedBox a, b;
    a.place(phVec3(0, 0, 0), rotation(phVec3(0, 0, 1), degrees(45)), kUnitHalf);
    b.place(phVec3(0, 2 * ridge - 0.01f, 0), rotation(phVec3(1, 0, 0), degrees(45)), kUnitHalf);
    phManifold m = collide(a, b);

    ASSERT_EQ(m.contactCount, 1);
    // A's axis 2 crossed with B's axis 0.
    EXPECT_EQ(m.contacts[0].fp.key, 6 + 3 * 2 + 0);
    expectVec(m.normal, phVec3(0, 1, 0), 1e-5f);
    EXPECT_NEAR(m.contacts[0].penetration, -0.01f, 1e-5f);
    expectVec(m.contacts[0].position, phVec3(0, ridge - 0.005f, 0), 1e-5f);
}

TEST(BoxToBox, EdgesContactFindsTheClosestPointsOfSkewLines) {
    phVec3 CA, CB;
    phEdgesContact(&CA, &CB, phVec3(-1, 0, 0), phVec3(1, 0, 0), phVec3(0.25f, 1, -1), phVec3(0.25f, 1, 1));
    expectVec(CA, phVec3(0.25f, 0, 0), 1e-6f);
    expectVec(CB, phVec3(0.25f, 1, 0), 1e-6f);
}

TEST(BoxToBox, EdgesContactOfADegenerateEdgeIsAPointAndItsProjection) {
    phVec3 CA, CB;
    // B's edge has length 0: it is the point PB, and A's closest point is its projection.
    phEdgesContact(&CA, &CB, phVec3(-1, 0, 0), phVec3(1, 0, 0), phVec3(0.25f, 1, 0), phVec3(0.25f, 1, 0));
    expectVec(CA, phVec3(0.25f, 0, 0), 1e-6f);
    expectVec(CB, phVec3(0.25f, 1, 0), 0);
    // A's edge has length 0.
    phEdgesContact(&CA, &CB, phVec3(0.25f, 0, 0.5f), phVec3(0.25f, 0, 0.5f), phVec3(0, 1, -1), phVec3(0, 1, 1));
    expectVec(CA, phVec3(0.25f, 0, 0.5f), 0);
    expectVec(CB, phVec3(0, 1, 0.5f), 1e-6f);
    // Both are points.
    phEdgesContact(&CA, &CB, phVec3(1, 2, 3), phVec3(1, 2, 3), phVec3(4, 5, 6), phVec3(4, 5, 6));
    expectVec(CA, phVec3(1, 2, 3), 0);
    expectVec(CB, phVec3(4, 5, 6), 0);
    // Parallel lines: A's start and its projection onto B's line.
    phEdgesContact(&CA, &CB, phVec3(0, 0, 0), phVec3(1, 0, 0), phVec3(-1, 1, 0), phVec3(1, 1, 0));
    expectVec(CA, phVec3(0, 0, 0), 0);
    expectVec(CB, phVec3(0, 1, 0), 1e-6f);
}

TEST(BoxToBox, SupportEdgeIsTheEdgeFurthestAlongTheDirection) {
    phTransform tx;
    tx.position = phVec3(1, 2, 3);
    tx.rotation = identity();
    phVec3 e(1, 2, 3);
    struct Case {
        phVec3 n;
        phVec3 a, b;
    };
    const Case cases[] = {
        // Smallest |n| on x: the edge runs along x on the side of +y and +z.
        {phVec3(0.1f, 0.7f, 0.7f), phVec3(1, 2, 3), phVec3(-1, 2, 3)},
        {phVec3(0.7f, -0.1f, -0.7f), phVec3(1, -2, -3), phVec3(1, 2, -3)},
        {phVec3(-0.7f, -0.7f, 0.1f), phVec3(-1, -2, 3), phVec3(-1, -2, -3)},
    };
    for (const Case& c : cases) {
        phVec3 a, b;
        phSupportEdge(tx, e, c.n, &a, &b);
        expectVec(a, c.a + tx.position, 1e-6f);
        expectVec(b, c.b + tx.position, 1e-6f);
    }
}

// ---------------------------------------------------------------------------------------------
// Faces and clipping
// ---------------------------------------------------------------------------------------------

TEST(BoxToBox, ReferenceFaceTableGivesTheFaceFrameAndItsClipEdges) {
    struct Case {
        i32 axis;
        phVec3 n;
        u8 edges[4];
    };
    const Case cases[] = {
        {0, phVec3(1, 0, 0), {1, 8, 7, 9}},   {0, phVec3(-1, 0, 0), {11, 3, 10, 5}},
        {1, phVec3(0, 1, 0), {0, 1, 2, 3}},   {4, phVec3(0, -1, 0), {4, 5, 6, 7}},
        {2, phVec3(0, 0, 1), {11, 4, 8, 0}},  {5, phVec3(0, 0, -1), {6, 10, 2, 9}},
    };
    phTransform rtx;
    rtx.position = phVec3(0, 0, 0);
    rtx.rotation = rotation(phVec3(1, 2, 3), 0.7f);
    phVec3 eR(0.5f, 1.5f, 2.5f);
    for (const Case& c : cases) {
        phVec3 worldN = rtx.rotation * c.n;
        u8 edges[4];
        phMat3 basis;
        phVec3 e;
        phComputeReferenceEdgesAndBasis(eR, rtx, worldN, c.axis, edges, &basis, &e);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(edges[i], c.edges[i]) << c.axis;
        // The third basis axis is the outward face normal; the first two span the face.
        expectVec(basis.ez, worldN, 1e-6f);
        EXPECT_NEAR(phDot(basis.ex, basis.ey), 0, 1e-6f);
        EXPECT_NEAR(phDot(basis.ex, basis.ez), 0, 1e-6f);
        // The extents are the half widths along the face axes and the face's distance.
        phVec3 local[3] = {phMulT(rtx.rotation, basis.ex), phMulT(rtx.rotation, basis.ey),
                           phMulT(rtx.rotation, basis.ez)};
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(e[k], fabsf(phDot(phAbs(local[k]), eR)), 1e-5f) << c.axis;
    }
}

TEST(BoxToBox, IncidentFaceIsTheFaceMostOpposedToTheNormal) {
    phTransform itx;
    itx.position = phVec3(0, 2, 0);
    itx.rotation = identity();
    phVec3 e(1, 2, 3);
    const phVec3 normals[] = {phVec3(1, 0, 0), phVec3(-1, 0, 0), phVec3(0, 1, 0),
                              phVec3(0, -1, 0), phVec3(0, 0, 1), phVec3(0, 0, -1)};
    for (const phVec3& n : normals) {
        phClipVertex face[4];
        phComputeIncidentFace(itx, e, n, face);
        std::set<i32> keys;
        for (int i = 0; i < 4; ++i) {
            phVec3 local = face[i].v - itx.position;
            // On the face whose outward normal is -n.
            EXPECT_NEAR(phDot(local, n), -fabsf(phDot(e, n)), 1e-6f);
            keys.insert(face[i].f.key);
        }
        EXPECT_EQ(keys.size(), 4u) << "each corner has a key of its own";
        // The corners run around the face: consecutive corners share an edge.
        for (int i = 0; i < 4; ++i) EXPECT_EQ(face[i].f.outI, face[(i + 1) % 4].f.inI);
    }
}

phClipVertex clipVertex(r32 x, r32 y, u8 corner) {
    phClipVertex v;
    v.v = phVec3(x, y, 0);
    v.f.inR = 255;
    v.f.outR = 255;
    v.f.inI = corner;
    v.f.outI = corner;
    return v;
}

TEST(BoxToBox, ClipPassRecordsTheEdgeThroughWhichPointsEnterAndLeave) {
    // A square straddling the plane x = 1.
    phClipVertex in[4] = {clipVertex(0, 0, 0), clipVertex(2, 0, 1), clipVertex(2, 1, 2), clipVertex(0, 1, 3)};
    phClipVertex out[8];
    i32 count = phOrthographic(1, 1, 0, 7, in, 4, out);

    ASSERT_EQ(count, 4);
    expectVec(out[0].v, phVec3(0, 0, 0), 0);
    expectVec(out[1].v, phVec3(1, 0, 0), 1e-6f);
    EXPECT_EQ(out[1].f.outR, 7);
    EXPECT_EQ(out[1].f.outI, 0);
    EXPECT_EQ(out[1].f.inI, 1);
    expectVec(out[2].v, phVec3(1, 1, 0), 1e-6f);
    EXPECT_EQ(out[2].f.inR, 7);
    EXPECT_EQ(out[2].f.inI, 0);
    EXPECT_EQ(out[2].f.outI, 2);
    EXPECT_EQ(out[3].f.key, in[3].f.key);
}

TEST(BoxToBox, ClipKeepsVerticesOnThePlaneButNeverOneClearlyOutside) {
    // v1 lies within the tolerance of x = 1; v2 after it lies far outside.
    phClipVertex in[4] = {clipVertex(0, 0, 0), clipVertex(1.003f, 0, 1), clipVertex(2, 1, 2), clipVertex(0, 1, 3)};
    phClipVertex out[8];
    i32 count = phOrthographic(1, 1, 0, 7, in, 4, out);

    ASSERT_EQ(count, 4);
    for (int i = 0; i < count; ++i) EXPECT_LE(out[i].v.x, 1 + phk_clipOnPlaneTolerance) << i;
    EXPECT_EQ(out[1].f.key, in[1].f.key) << "the on-plane vertex is kept unchanged";
    expectVec(out[2].v, phVec3(1, 1, 0), 1e-6f);
}

TEST(BoxToBox, ClipOfAFaceOutsideTheReferenceFaceKeepsNothing) {
    phClipVertex incident[4];
    const r32 corners[4][2] = {{3, 3}, {4, 3}, {4, 4}, {3, 4}};
    for (int i = 0; i < 4; ++i) incident[i].v = phVec3(corners[i][0], corners[i][1], 0);
    u8 edges[4] = {0, 1, 2, 3};
    phClipVertex out[8];
    r32 depths[8];
    EXPECT_EQ(phClip(phVec3(0, 0, 0), phVec3(1, 1, 1), edges, identity(), incident, out, depths), 0);
}

TEST(BoxToBoxDeathTest, AClipPassNeverWritesANinthVertex) {
    phClipVertex in[9];
    for (int i = 0; i < 9; ++i) in[i] = clipVertex(0, r32(i), u8(i));
    phClipVertex out[8];
    EXPECT_DEATH(phOrthographic(1, 1, 0, 7, in, 9, out), PH_ASSERTION_TEXT("outCount < 8"));
}

TEST(BoxToBox, ComputeBasisCompletesTheNormalToAFrame) {
    phVec3 b, c;
    phComputeBasis(phVec3(1, 0, 0), &b, &c);
    expectVec(b, phVec3(0, -1, 0), 0);
    expectVec(c, phVec3(0, 0, -1), 0);
    phComputeBasis(phVec3(0, 1, 0), &b, &c);
    expectVec(b, phVec3(0, 0, -1), 0);
    expectVec(c, phVec3(-1, 0, 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Property test against a double-precision separating-axis test
// ---------------------------------------------------------------------------------------------

struct DoubleBox {
    double c[3];
    double axis[3][3];
    double e[3];
};

DoubleBox toDouble(const PosedBox& p) {
    DoubleBox d;
    const phMat3& r = p.body.m_tx.rotation;
    for (int i = 0; i < 3; ++i) {
        d.c[i] = p.body.m_tx.position[i];
        d.e[i] = p.box.e[i];
        for (int k = 0; k < 3; ++k) d.axis[i][k] = r[i][k];
    }
    return d;
}

double dot3(const double* a, const double* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Separation of the boxes along the unit direction L.
double separationAlong(const DoubleBox& a, const DoubleBox& b, const double* L) {
    double d[3] = {b.c[0] - a.c[0], b.c[1] - a.c[1], b.c[2] - a.c[2]};
    double r = 0;
    for (int i = 0; i < 3; ++i) r += a.e[i] * fabs(dot3(a.axis[i], L)) + b.e[i] * fabs(dot3(b.axis[i], L));
    return fabs(dot3(d, L)) - r;
}

// The best separation on each family of axes: A's faces, B's faces, the edge pairs.
struct Separations {
    double faceA = -1e30, faceB = -1e30, edge = -1e30;
    double best() const { return fmax(faceA, fmax(faceB, edge)); }
};

Separations separate(const DoubleBox& a, const DoubleBox& b) {
    Separations s;
    for (int i = 0; i < 3; ++i) {
        s.faceA = fmax(s.faceA, separationAlong(a, b, a.axis[i]));
        s.faceB = fmax(s.faceB, separationAlong(a, b, b.axis[i]));
        for (int j = 0; j < 3; ++j) {
            const double* u = a.axis[i];
            const double* v = b.axis[j];
            double L[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            double len = sqrt(dot3(L, L));
            if (len < 1e-6) continue;
            for (double& x : L) x /= len;
            s.edge = fmax(s.edge, separationAlong(a, b, L));
        }
    }
    return s;
}

// How much the best edge axis beats the faces by the tolerances: above 0 an edge contact.
double edgeLead(const Separations& s) {
    return phk_axisRelativeTolerance * s.edge - (fmax(s.faceA, s.faceB) + phk_axisAbsoluteTolerance);
}

const double kChoiceMargin = 1e-3;

// Whether the axis choice is the same for (A, B) and (B, A) by a clear margin, so that swapping
// the boxes must give the opposite normal.
bool clearChoice(const Separations& s) {
    const double rel = phk_axisRelativeTolerance, abs = phk_axisAbsoluteTolerance;
    double lead = edgeLead(s);
    if (fabs(lead) < kChoiceMargin) return false;
    if (lead > 0) return true;
    double aWins = s.faceA + abs - rel * s.faceB;  // A's face kept in the order (A, B)
    double bWins = s.faceB + abs - rel * s.faceA;  // B's face kept in the order (B, A)
    if (fabs(aWins) < kChoiceMargin || fabs(bWins) < kChoiceMargin) return false;
    // Both orders must pick the same box's face.
    return (aWins > 0) != (bWins > 0);
}

// Places b along `dir` from a so that the boxes are `target` apart. The separation never shrinks
// as b moves away, so a bisection over the distance finds it.
void moveToSeparation(const PosedBox& a, PosedBox* b, const phVec3& dir, r32 reach, double target) {
    double near = 0, far = reach;
    for (int i = 0; i < 40; ++i) {
        double mid = 0.5 * (near + far);
        b->body.m_tx.position = a.body.m_tx.position + dir * r32(mid);
        if (separate(toDouble(a), toDouble(*b)).best() < target) near = mid;
        else far = mid;
    }
}

phMat3 randomRotation(std::mt19937& rng) {
    std::normal_distribution<float> gauss;
    std::uniform_real_distribution<float> angle(0, 2 * phPI);
    return rotation(phVec3(gauss(rng), gauss(rng), gauss(rng)), angle(rng));
}

TEST(BoxToBox, RandomPairsAgreeWithADoublePrecisionSeparatingAxisTest) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<float> extent(0.1f, 2.0f);
    std::normal_distribution<float> gauss;
    std::uniform_real_distribution<float> unit(0, 1);

    int separated = 0, touching = 0, swapsChecked = 0, faceContacts = 0, shallowEdgeContacts = 0;
    for (int pair = 0; pair < 4000; ++pair) {
        PosedBox a, b;
        phVec3 eA(extent(rng), extent(rng), extent(rng));
        phVec3 eB(extent(rng), extent(rng), extent(rng));
        phVec3 dir = phNormalize(phVec3(gauss(rng), gauss(rng), gauss(rng)));
        r32 reach = phLength(eA) + phLength(eB);
        a.place(phVec3(gauss(rng), gauss(rng), gauss(rng)), randomRotation(rng), eA);
        b.place(a.body.m_tx.position + dir * (reach * unit(rng)), randomRotation(rng), eB);
        // Every other pair is moved along its direction to a separation near touching, where
        // the interesting cases live.
        if (pair % 2) moveToSeparation(a, &b, dir, reach, -0.25 + 0.3 * unit(rng));

        Separations sep = separate(toDouble(a), toDouble(b));
        phManifold m = collide(a, b);
        SCOPED_TRACE(testing::Message() << "pair " << pair << " separation " << sep.best());

        if (sep.best() > phk_contactMargin + 1e-3) {
            EXPECT_EQ(m.contactCount, 0);
        }
        if (sep.best() < -0.02) {
            EXPECT_GT(m.contactCount, 0);
        }
        if (m.contactCount == 0) {
            ++separated;
            continue;
        }
        ++touching;

        EXPECT_NEAR(phLength(m.normal), 1, 1e-4f);
        phVec3 delta = b.body.m_tx.position - a.body.m_tx.position;
        EXPECT_GE(phDot(m.normal, delta), -1e-4f) << "the normal points from A to B";
        // A face contact lies on the incident box, at most its depth inside the reference box
        // and at most the on-plane tolerance beyond the reference face's sides. An edge contact
        // is the midpoint of the closest points of the two edge lines, which lie on the edges
        // themselves only while the boxes overlap a little: deep edge contacts are not checked.
        double lead = edgeLead(sep);
        bool faceContact = lead < -kChoiceMargin;
        bool shallowEdgeContact = lead > kChoiceMargin && sep.best() > -0.1;
        faceContacts += faceContact;
        shallowEdgeContacts += shallowEdgeContact;
        std::set<i32> keys;
        for (int i = 0; i < m.contactCount; ++i) {
            const phContact& c = m.contacts[i];
            EXPECT_LE(c.penetration, phk_contactMargin);
            r32 slack = fabsf(c.penetration) + 0.01f;
            if (faceContact || shallowEdgeContact) {
                EXPECT_TRUE(a.contains(c.position, slack) && b.contains(c.position, slack)) << i;
            }
            if (faceContact) {
                EXPECT_TRUE(a.contains(c.position, 1e-3f) || b.contains(c.position, 1e-3f)) << "on the incident box";
            }
            keys.insert(c.fp.key);
        }
        EXPECT_EQ(int(keys.size()), m.contactCount) << "distinct points have distinct keys";

        if (!clearChoice(sep)) continue;
        ++swapsChecked;
        phManifold swapped = collide(b, a);
        ASSERT_GT(swapped.contactCount, 0);
        expectVec(swapped.normal, -m.normal, 1e-3f);
    }
    // The sample must exercise both outcomes and the swap symmetry.
    EXPECT_GT(separated, 500);
    EXPECT_GT(touching, 500);
    EXPECT_GT(swapsChecked, 300);
    EXPECT_GT(faceContacts, 300);
    EXPECT_GT(shallowEdgeContacts, 30);
}

// A collider of size 0 along an axis (a flat plate made in the editor) has edges of length 0.
// Its contacts must stay finite: one NaN spreads through the solver into the body, and the next
// narrow phase of that body finds no axis at all.
TEST(BoxToBox, BoxesWithAZeroExtentGiveFiniteContacts) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coordinate(-1, 1);
    int touching = 0, edgeContacts = 0;
    for (int pair = 0; pair < 20000; ++pair) {
        PosedBox a, b;
        a.place(phVec3(0, 0, 0), randomRotation(rng), phVec3(0.5f, 0, 0.5f));
        phVec3 eB(0.5f, (pair & 1) ? 0.5f : 0.0f, 0.3f);
        b.place(phVec3(coordinate(rng), coordinate(rng), coordinate(rng)), randomRotation(rng), eB);
        phManifold m = collide(a, b);
        if (m.contactCount == 0) continue;
        ++touching;
        edgeContacts += m.contactCount == 1 && m.contacts[0].fp.key >= 6 && m.contacts[0].fp.key <= 14;

        SCOPED_TRACE(testing::Message() << "pair " << pair);
        ASSERT_TRUE(isfinite(m.normal.x) && isfinite(m.normal.y) && isfinite(m.normal.z));
        for (int i = 0; i < m.contactCount; ++i) {
            const phContact& c = m.contacts[i];
            ASSERT_TRUE(isfinite(c.position.x) && isfinite(c.position.y) && isfinite(c.position.z)) << i;
            ASSERT_TRUE(isfinite(c.penetration)) << i;
        }
    }
    EXPECT_GT(touching, 2000);
    EXPECT_GT(edgeContacts, 200) << "the sample must reach the edge case";
}

} // namespace
