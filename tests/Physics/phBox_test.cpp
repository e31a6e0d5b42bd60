#include "Physics/common/phRender.h"
#include "phScenes.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

namespace {

phTransform identityTransform() {
    phTransform tx;
    phIdentity(tx.position);
    phIdentity(tx.rotation);
    return tx;
}

phTransform rotation(const phVec3& axis, r32 angle, const phVec3& position = phVec3(0, 0, 0)) {
    phTransform tx;
    tx.position = position;
    tx.rotation = phQuaternion(axis, angle).ToMat3();
    return tx;
}

phBox makeBox(const phVec3& half, const phTransform& local = identityTransform(), r32 density = 1.0f) {
    phBox box;
    box.local = local;
    box.e = half;
    box.density = density;
    return box;
}

phRaycastData ray(const phVec3& start, const phVec3& dir, r32 t) {
    phRaycastData r;
    r.start = start;
    r.dir = dir;
    r.t = t;
    r.toi = -1;
    r.normal.Set(0, 0, 0);
    return r;
}

void expectVecNear(const phVec3& actual, const phVec3& expected, r32 tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

} // namespace

TEST(PhBox, DefinitionDefaultsAndHalfExtents) {
    phBoxDef sd;
    EXPECT_EQ(sd.m_friction, 0.4f);
    EXPECT_EQ(sd.m_restitution, 0.2f);
    EXPECT_EQ(sd.m_density, 1.0f);
    EXPECT_FALSE(sd.m_sensor);
    sd.Set(rotation(phVec3(0, 1, 0), 0.3f, phVec3(1, 2, 3)), phVec3(2, 4, 6));
    expectVecNear(sd.m_e, phVec3(1, 2, 3), 0);
    expectVecNear(sd.m_tx.position, phVec3(1, 2, 3), 0);
    sd.SetFriction(0.9f);
    sd.SetRestitution(0.5f);
    sd.SetDensity(2.0f);
    sd.SetSensor(true);
    EXPECT_EQ(sd.m_friction, 0.9f);
    EXPECT_EQ(sd.m_restitution, 0.5f);
    EXPECT_EQ(sd.m_density, 2.0f);
    EXPECT_TRUE(sd.m_sensor);
}

TEST(PhBox, PointsOnTheSurfaceAreInside) {
    phBox box = makeBox(phVec3(0.5f, 0.5f, 0.5f));
    phTransform tx = identityTransform();
    struct Case {
        phVec3 p;
        bool inside;
    } cases[] = {
        {phVec3(0.5f, 0, 0), true},         {phVec3(0.5001f, 0, 0), false}, {phVec3(-0.5f, -0.5f, -0.5f), true},
        {phVec3(0, 0, -0.5001f), false},     {phVec3(0, 0, 0), true},        {phVec3(0.2f, 0.6f, 0), false},
    };
    for (const Case& c : cases) EXPECT_EQ(box.TestPoint(tx, c.p), c.inside) << c.p.x << " " << c.p.y << " " << c.p.z;

    // Body and local transforms both apply: a box offset by 2 on a body turned a quarter about z.
    phBox offset = makeBox(phVec3(0.5f, 0.5f, 0.5f), rotation(phVec3(0, 0, 1), 0, phVec3(2, 0, 0)));
    phTransform body = rotation(phVec3(0, 0, 1), 0.5f * phPI);
    EXPECT_TRUE(offset.TestPoint(body, phVec3(0, 2, 0)));
    EXPECT_FALSE(offset.TestPoint(body, phVec3(2, 0, 0)));
}

TEST(PhBox, ARayThroughTheBoxHitsTheNearFace) {
    phBox box = makeBox(phVec3(0.5f, 0.5f, 0.5f));
    phTransform tx = identityTransform();

    phRaycastData r = ray(phVec3(-2, 0, 0), phVec3(1, 0, 0), 10);
    ASSERT_TRUE(box.Raycast(tx, &r));
    EXPECT_FLOAT_EQ(r.toi, 1.5f);
    expectVecNear(r.normal, phVec3(-1, 0, 0), 0);
    EXPECT_EQ(r.t, 10.0f);

    // Too short to reach the face.
    phRaycastData shortRay = ray(phVec3(-2, 0, 0), phVec3(1, 0, 0), 1);
    EXPECT_FALSE(box.Raycast(tx, &shortRay));

    // From above, downwards.
    phRaycastData down = ray(phVec3(0.1f, 3, 0.2f), phVec3(0, -1, 0), 5);
    ASSERT_TRUE(box.Raycast(tx, &down));
    EXPECT_FLOAT_EQ(down.toi, 2.5f);
    expectVecNear(down.normal, phVec3(0, 1, 0), 0);
}

TEST(PhBox, ARayParallelToAFaceIsDecidedByTheSlab) {
    phBox box = makeBox(phVec3(0.5f, 0.5f, 0.5f));
    phTransform tx = identityTransform();
    // Parallel to the y slab and outside it: a miss whatever the other axes say.
    phRaycastData outside = ray(phVec3(-2, 0.6f, 0), phVec3(1, 0, 0), 10);
    EXPECT_FALSE(box.Raycast(tx, &outside));
    // Inside the y and z slabs: the x axis decides.
    phRaycastData inside = ray(phVec3(-2, 0.4f, -0.4f), phVec3(1, 0, 0), 10);
    EXPECT_TRUE(box.Raycast(tx, &inside));
    EXPECT_FLOAT_EQ(inside.toi, 1.5f);
    // Pointing away from the box.
    phRaycastData away = ray(phVec3(-2, 0, 0), phVec3(-1, 0, 0), 10);
    EXPECT_FALSE(box.Raycast(tx, &away));
}

TEST(PhBox, ARayStartingInsideHitsAtOnceFacingBack) {
    phBox box = makeBox(phVec3(1, 1, 1));
    phRaycastData r = ray(phVec3(0.2f, 0, 0), phVec3(0, 0, 2), 3);
    ASSERT_TRUE(box.Raycast(identityTransform(), &r));
    EXPECT_EQ(r.toi, 0.0f);
    expectVecNear(r.normal, phVec3(0, 0, -1), 1e-6f);
}

TEST(PhBox, RaycastAgreesWithSamplingOnRotatedBoxes) {
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::uniform_real_distribution<float> extent(0.2f, 1.5f);
    int hits = 0;
    for (int i = 0; i < 400; ++i) {
        phVec3 axis = phNormalize(phVec3(u(rng), u(rng), u(rng)) + phVec3(0, 0, 0.01f));
        phBox box = makeBox(phVec3(extent(rng), extent(rng), extent(rng)), rotation(axis, 3 * u(rng), phVec3(u(rng), u(rng), u(rng))));
        phTransform body = rotation(phNormalize(phVec3(u(rng), 1, u(rng))), 3 * u(rng), phVec3(u(rng), u(rng), u(rng)));
        phVec3 start(4 * u(rng), 4 * u(rng), 4 * u(rng));
        // Aimed near the box so that about half of the rays hit.
        phVec3 center = phMul(phMul(body, box.local), phVec3(0, 0, 0));
        phVec3 dir = phNormalize(center + phVec3(u(rng), u(rng), u(rng)) * 2.0f - start);
        phRaycastData r = ray(start, dir, 8);
        bool hit = box.Raycast(body, &r);

        // The first sampled point inside the box along the ray.
        r32 firstInside = -1;
        for (int s = 0; s <= 8000; ++s) {
            r32 t = 8.0f * r32(s) / 8000.0f;
            if (box.TestPoint(body, start + dir * t)) {
                firstInside = t;
                break;
            }
        }
        if (firstInside < 0) {
            // Sampling misses only a graze of an edge between two samples: a reported hit must lie
            // on the surface.
            if (hit) {
                phVec3 q = phMulT(phMul(body, box.local), start + dir * r.toi);
                EXPECT_LE(phAbs(q.x), box.e.x + 1e-3f);
                EXPECT_LE(phAbs(q.y), box.e.y + 1e-3f);
                EXPECT_LE(phAbs(q.z), box.e.z + 1e-3f);
            }
            continue;
        }
        ASSERT_TRUE(hit) << i;
        ++hits;
        EXPECT_NEAR(r.toi, firstInside, 2e-3f) << i;
        EXPECT_NEAR(phLength(r.normal), 1.0f, 1e-4f);
        if (r.toi > 0) {
            // The normal faces the incoming ray.
            EXPECT_LT(phDot(r.normal, dir), 0.0f) << i;
        }
    }
    EXPECT_GT(hits, 100);
}

TEST(PhBox, BoundingBoxOfARotatedBox) {
    phBox box = makeBox(phVec3(1, 1, 1));
    phAABB aabb;
    box.ComputeAABB(rotation(phVec3(0, 0, 1), 0.25f * phPI, phVec3(10, 0, 0)), &aabb);
    expectVecNear(aabb.min, phVec3(10 - 1.41421f, -1.41421f, -1), 1e-5f);
    expectVecNear(aabb.max, phVec3(10 + 1.41421f, 1.41421f, 1), 1e-5f);

    // Every corner lies inside the box and the box is tight on every axis.
    std::mt19937 rng(8);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = 0; i < 100; ++i) {
        phBox b = makeBox(phVec3(1 + u(rng), 1.5f + u(rng), 1.2f + u(rng)), rotation(phNormalize(phVec3(u(rng), u(rng), 1)), 3 * u(rng)));
        phTransform tx = rotation(phNormalize(phVec3(1, u(rng), u(rng))), 3 * u(rng), phVec3(u(rng), u(rng), u(rng)));
        b.ComputeAABB(tx, &aabb);
        phTransform world = phMul(tx, b.local);
        phVec3 lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
        for (int k = 0; k < 8; ++k) {
            phVec3 c = phMul(world, phVec3(k & 1 ? b.e.x : -b.e.x, k & 2 ? b.e.y : -b.e.y, k & 4 ? b.e.z : -b.e.z));
            lo = phMin(lo, c);
            hi = phMax(hi, c);
        }
        expectVecNear(aabb.min, lo, 1e-5f);
        expectVecNear(aabb.max, hi, 1e-5f);
    }
}

TEST(PhBox, MassAndInertiaFromDensityAndExtents) {
    phMassData md;
    makeBox(phVec3(1, 0.5f, 0.5f), identityTransform(), 2.0f).ComputeMass(&md);
    EXPECT_FLOAT_EQ(md.mass, 4.0f);
    EXPECT_NEAR(md.inertia.ex.x, 0.6667f, 1e-4f);
    EXPECT_NEAR(md.inertia.ey.y, 1.6667f, 1e-4f);
    EXPECT_NEAR(md.inertia.ez.z, 1.6667f, 1e-4f);
    EXPECT_EQ(md.inertia.ex.y, 0.0f);
    expectVecNear(md.center, phVec3(0, 0, 0), 0);

    // Offset by c: the parallel axis theorem adds m (|c|^2 I - c c^T).
    phTransform offset = identityTransform();
    offset.position.Set(0, 2, 0);
    makeBox(phVec3(0.5f, 0.5f, 0.5f), offset).ComputeMass(&md);
    EXPECT_FLOAT_EQ(md.mass, 1.0f);
    EXPECT_NEAR(md.inertia.ex.x, 1.0f / 6.0f + 4.0f, 1e-5f);
    EXPECT_NEAR(md.inertia.ey.y, 1.0f / 6.0f, 1e-5f);
    EXPECT_NEAR(md.inertia.ez.z, 1.0f / 6.0f + 4.0f, 1e-5f);
    expectVecNear(md.center, phVec3(0, 2, 0), 0);

    // Turned a quarter about z, the long axis lies along y.
    makeBox(phVec3(1, 0.5f, 0.5f), rotation(phVec3(0, 0, 1), 0.5f * phPI), 2.0f).ComputeMass(&md);
    EXPECT_NEAR(md.inertia.ex.x, 1.6667f, 1e-4f);
    EXPECT_NEAR(md.inertia.ey.y, 0.6667f, 1e-4f);
    EXPECT_NEAR(md.inertia.ez.z, 1.6667f, 1e-4f);
}

namespace {

struct TriangleRecorder : phRender {
    void SetPenColor(r32, r32, r32, r32) override {}
    void SetPenPosition(r32, r32, r32) override {}
    void SetScale(r32, r32, r32) override {}
    void Line(r32, r32, r32) override {}
    void SetTriNormal(r32 x, r32 y, r32 z) override { normals.push_back(phVec3(x, y, z)); }
    void Triangle(r32 ax, r32 ay, r32 az, r32 bx, r32 by, r32 bz, r32 cx, r32 cy, r32 cz) override {
        // The normal always comes right before its triangle.
        EXPECT_EQ(normals.size(), triangles.size() + 1);
        triangles.push_back({phVec3(ax, ay, az), phVec3(bx, by, bz), phVec3(cx, cy, cz)});
    }
    void Point() override {}

    struct Tri {
        phVec3 a, b, c;
    };
    std::vector<phVec3> normals;
    std::vector<Tri> triangles;
};

} // namespace

TEST(PhBox, RenderDrawsTwelveOutwardTriangles) {
    phBox box = makeBox(phVec3(1, 2, 3), rotation(phVec3(0, 1, 0), 0.4f, phVec3(0.5f, 0, 0)));
    phTransform tx = rotation(phVec3(1, 0, 0), 0.7f, phVec3(4, 5, 6));
    TriangleRecorder recorder;
    box.Render(tx, true, &recorder);
    ASSERT_EQ(recorder.triangles.size(), 12u);
    phVec3 center = phMul(phMul(tx, box.local), phVec3(0, 0, 0));
    for (size_t i = 0; i < 12; ++i) {
        const TriangleRecorder::Tri& t = recorder.triangles[i];
        phVec3 centroid = (t.a + t.b + t.c) * (1.0f / 3.0f);
        EXPECT_NEAR(phLength(recorder.normals[i]), 1.0f, 1e-5f);
        EXPECT_GT(phDot(recorder.normals[i], centroid - center), 0.0f) << i;
        EXPECT_TRUE(box.TestPoint(tx, centroid * 0.999f + center * 0.001f)) << i;
    }
}

// ---------------------------------------------------------------------------------------------
// Scene queries
// ---------------------------------------------------------------------------------------------

namespace {

struct Collector : phQueryCallback {
    bool ReportShape(phBox* box) override {
        boxes.push_back(box);
        if (rayData) toi.push_back(rayData->toi);
        return int(boxes.size()) < stopAfter;
    }

    std::vector<phBox*> boxes;
    std::vector<r32> toi;
    const phRaycastData* rayData = nullptr;
    int stopAfter = 1 << 30;
};

} // namespace

class PhSceneQuery : public PhysicsSceneTest {
protected:
    void SetUp() override {
        PhysicsSceneTest::SetUp();
        // A row of unit boxes at x = 0, 2, 4, ... 18.
        for (int i = 0; i < 10; ++i) row[i] = addBody(phVec3(r32(2 * i), 0, 0), phVec3(0.5f, 0.5f, 0.5f))->m_boxes;
    }

    phBox* row[10];
};

TEST_F(PhSceneQuery, AnEmptySceneReportsNothing) {
    scene->RemoveAllBodies();
    Collector cb;
    scene->QueryAABB(&cb, phAABB{phVec3(-100, -100, -100), phVec3(100, 100, 100)});
    scene->QueryPoint(&cb, phVec3(0, 0, 0));
    phRaycastData r = ray(phVec3(-5, 0, 0), phVec3(1, 0, 0), 100);
    scene->RayCast(&cb, r);
    EXPECT_TRUE(cb.boxes.empty());
}

TEST_F(PhSceneQuery, QueryAABBTestsTheExactBoxesAndStopsAtTheFirstFalse) {
    Collector cb;
    // Overlaps the fat boxes of the boxes at 4 and 8 but only the exact boxes at 4 and 6 (touching
    // at 5.5 counts).
    scene->QueryAABB(&cb, phAABB{phVec3(4.2f, -0.1f, -0.1f), phVec3(5.5f, 0.1f, 0.1f)});
    std::set<phBox*> got(cb.boxes.begin(), cb.boxes.end());
    EXPECT_EQ(got, (std::set<phBox*>{row[2], row[3]}));

    Collector stopping;
    stopping.stopAfter = 1;
    scene->QueryAABB(&stopping, phAABB{phVec3(-1, -1, -1), phVec3(20, 1, 1)});
    EXPECT_EQ(stopping.boxes.size(), 1u);
}

TEST_F(PhSceneQuery, QueryPointReportsEachContainingBoxOnceAndGoesOnAfterFalse) {
    // A second box overlapping the one at 2.
    phBox* extra = addBody(phVec3(2.3f, 0, 0), phVec3(0.5f, 0.5f, 0.5f))->m_boxes;
    Collector cb;
    cb.stopAfter = 1;
    scene->QueryPoint(&cb, phVec3(2.2f, 0.1f, 0));
    std::set<phBox*> got(cb.boxes.begin(), cb.boxes.end());
    EXPECT_EQ(cb.boxes.size(), 2u);
    EXPECT_EQ(got, (std::set<phBox*>{row[1], extra}));

    Collector none;
    scene->QueryPoint(&none, phVec3(1, 0, 0));
    EXPECT_TRUE(none.boxes.empty());
}

TEST_F(PhSceneQuery, RayCastReportsTheHitsWithTheirTimeOfImpact) {
    Collector cb;
    phRaycastData r = ray(phVec3(-3, 0.2f, 0), phVec3(1, 0, 0), 8.6f);
    cb.rayData = &r;
    scene->RayCast(&cb, r);
    // Boxes at 0, 2, 4 are reached; the box at 6 starts at 5.5 = -3 + 8.5, within reach too.
    std::set<phBox*> got(cb.boxes.begin(), cb.boxes.end());
    EXPECT_EQ(got, (std::set<phBox*>{row[0], row[1], row[2], row[3]}));
    for (size_t i = 0; i < cb.boxes.size(); ++i) {
        phVec3 center = cb.boxes[i]->body->m_worldCenter;
        EXPECT_FLOAT_EQ(cb.toi[i], center.x - 0.5f + 3.0f);
    }

    Collector stopping;
    stopping.stopAfter = 1;
    scene->RayCast(&stopping, r);
    EXPECT_EQ(stopping.boxes.size(), 1u);

    Collector above;
    phRaycastData miss = ray(phVec3(-3, 0.6f, 0), phVec3(1, 0, 0), 30);
    scene->RayCast(&above, miss);
    EXPECT_TRUE(above.boxes.empty());
}
