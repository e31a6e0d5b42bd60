#include "Physics/common/phRender.h"
#include "Physics/dynamics/phContactSolver.h"
#include "phStepScenes.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

int constraintCount(phScene* scene) { return scene->m_contactManager.m_contactCount; }

phContactConstraint* onlyConstraint(phScene* scene) {
    EXPECT_EQ(constraintCount(scene), 1);
    return scene->m_contactManager.m_contactList;
}

// ---------------------------------------------------------------------------------------------
// Which pairs get a constraint
// ---------------------------------------------------------------------------------------------

TEST_F(SceneTest, BoxesOfOneBodyNeverCollide) {
    phBody* body = addDynamicBox(world(), vec3(0, 0, 0));
    phBoxDef second;
    phTransform local;
    local.position = vec3(0.3f, 0, 0);
    phIdentity(local.rotation);
    second.Set(local, vec3(1, 1, 1));
    body->AddBox(second);
    world()->SetGravity(vec3(0, 0, 0));
    world()->Step();
    EXPECT_EQ(constraintCount(world()), 0);
}

TEST_F(SceneTest, OnlyPairsWithADynamicBodyAndSharedLayersCollide) {
    struct Case {
        phBodyType a, b;
        i32 layersA, layersB;
        int expected;
    };
    const Case cases[] = {
        {eStaticBody, eStaticBody, 1, 1, 0},   {eKinematicBody, eKinematicBody, 1, 1, 0},
        {eStaticBody, eKinematicBody, 1, 1, 0}, {eDynamicBody, eStaticBody, 1, 1, 1},
        {eDynamicBody, eKinematicBody, 1, 1, 1}, {eDynamicBody, eDynamicBody, 1, 1, 1},
        {eDynamicBody, eDynamicBody, 1, 2, 0},  {eDynamicBody, eDynamicBody, 3, 6, 1},
        {eDynamicBody, eStaticBody, 0, 0xFFFF, 0},
    };
    for (const Case& c : cases) {
        world()->RemoveAllBodies();
        BoxBodyDesc a, b;
        a.type = c.a;
        a.layers = c.layersA;
        b.type = c.b;
        b.layers = c.layersB;
        b.position = vec3(0.5f, 0, 0);
        addBoxBody(world(), a);
        addBoxBody(world(), b);
        world()->Step();
        EXPECT_EQ(constraintCount(world()), c.expected) << c.a << " " << c.b << " " << c.layersA << " " << c.layersB;
    }
}

TEST_F(SceneTest, ARepeatedReportYieldsOneConstraint) {
    phBody* a = addDynamicBox(world(), vec3(0, 0, 0));
    phBody* b = addDynamicBox(world(), vec3(0.5f, 0, 0));
    phContactManager* manager = &world()->m_contactManager;
    manager->AddContact(a->m_boxes, b->m_boxes);
    manager->AddContact(a->m_boxes, b->m_boxes);
    EXPECT_EQ(manager->m_contactCount, 1);
    // The pair update reports it again; still one.
    world()->Step();
    EXPECT_EQ(manager->m_contactCount, 1);
    EXPECT_EQ(a->m_contactList->constraint, b->m_contactList->constraint);
}

TEST_F(SceneTest, FrictionAndRestitutionAreMixedFromBothBoxes) {
    struct Case {
        r32 frictionA, frictionB, restitutionA, restitutionB;
        r32 friction, restitution;
    };
    const Case cases[] = {{0.4f, 0.9f, 0.2f, 0.5f, 0.6f, 0.5f}, {0.4f, 0.4f, 0.2f, 0.2f, 0.4f, 0.2f},
                          {0, 1, 0.7f, 0, 0, 0.7f}};
    for (const Case& c : cases) {
        world()->RemoveAllBodies();
        BoxBodyDesc a, b;
        a.friction = c.frictionA;
        a.restitution = c.restitutionA;
        b.friction = c.frictionB;
        b.restitution = c.restitutionB;
        b.position = vec3(0.9f, 0, 0);
        addBoxBody(world(), a);
        addBoxBody(world(), b);
        world()->Step();
        phContactConstraint* constraint = onlyConstraint(world());
        ASSERT_NE(constraint, nullptr);
        EXPECT_NEAR(constraint->friction, c.friction, 1e-6f);
        EXPECT_EQ(constraint->restitution, c.restitution);
    }
}

TEST_F(SceneTest, ClearedLayersDropTheConstraintAndWakeBothBodies) {
    phBody* floor = addFloor(world());
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f, 0));
    for (int i = 0; i < 300 && box->IsAwake(); ++i) world()->Step();
    ASSERT_FALSE(box->IsAwake());
    ASSERT_FALSE(floor->IsAwake()) << "the floor sleeps with the island it belonged to";
    ASSERT_EQ(constraintCount(world()), 1);

    // The narrow phase looks at a pair while either body is awake.
    box->SetToAwake();
    box->SetLayers(0);
    world()->m_contactManager.TestCollisions();
    EXPECT_EQ(constraintCount(world()), 0);
    EXPECT_EQ(box->m_contactList, nullptr);
    EXPECT_EQ(floor->m_contactList, nullptr);
    EXPECT_TRUE(floor->IsAwake());
}

TEST_F(SceneTest, BoxesWhoseFatBoxesPartLoseTheirConstraint) {
    world()->SetGravity(vec3(0, 0, 0));
    phBody* a = addDynamicBox(world(), vec3(0, 0, 0));
    phBody* b = addDynamicBox(world(), vec3(1.5f, 0, 0));
    world()->Step();
    ASSERT_EQ(constraintCount(world()), 1) << "fat boxes overlap";

    b->SetTransform(vec3(4, 0, 0));
    world()->Step();
    EXPECT_EQ(constraintCount(world()), 0);
    EXPECT_EQ(a->m_contactList, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Touching flags and the listener
// ---------------------------------------------------------------------------------------------

struct RecordingListener : phContactListener {
    void BeginContact(const phContactConstraint*) override { events += "B"; }
    void EndContact(const phContactConstraint*) override { events += "E"; }
    std::string events;
};

TEST_F(SceneTest, TouchingFlagsAndListenerFollowEachNarrowPhase) {
    world()->SetGravity(vec3(0, 0, 0));
    RecordingListener listener;
    world()->SetContactListener(&listener);
    addDynamicBox(world(), vec3(0, 0, 0));
    phBody* b = addDynamicBox(world(), vec3(2, 0, 0));
    world()->Step();
    phContactConstraint* constraint = onlyConstraint(world());
    ASSERT_NE(constraint, nullptr);

    // Apart (x = 1.1) keeps the fat boxes overlapping; touching is x = 0.99.
    const bool touching[] = {true, true, false, false, true, false, true, true, false};
    const int flags[] = {1, 3, 2, 0, 1, 2, 1, 3, 2};
    const char* events[] = {"B", "B", "BE", "BE", "BEB", "BEBE", "BEBEB", "BEBEB", "BEBEBE"};
    for (int i = 0; i < 9; ++i) {
        b->SetTransform(vec3(touching[i] ? 0.99f : 1.1f, 0, 0));
        b->SetLinearVelocity(vec3(0, 0, 0));
        world()->m_contactManager.TestCollisions();
        int f = constraint->m_flags & (phContactConstraint::eColliding | phContactConstraint::eWasColliding);
        EXPECT_EQ(f, flags[i]) << i;
        EXPECT_EQ(listener.events, events[i]) << i;
    }
    world()->SetContactListener(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Warm starting
// ---------------------------------------------------------------------------------------------

TEST_F(SceneTest, MatchingPointsKeepTheirImpulsesAcrossSteps) {
    world()->SetGravity(vec3(0, 0, 0));
    phBody* a = addDynamicBox(world(), vec3(0, 0, 0));
    addDynamicBox(world(), vec3(0, 0.98f, 0));
    world()->Step();
    world()->m_contactManager.TestCollisions();
    phContactConstraint* constraint = onlyConstraint(world());
    ASSERT_NE(constraint, nullptr);
    phManifold* m = constraint->manifold;
    ASSERT_EQ(m->contactCount, 4);

    // Pretend the last solve left these impulses, with the friction expressed in an older
    // tangent basis turned by 90 degrees about the normal.
    phVec3 newT0 = m->tangentVectors[0], newT1 = m->tangentVectors[1];
    m->tangentVectors[0] = newT1;
    m->tangentVectors[1] = -newT0;
    for (int i = 0; i < 4; ++i) {
        m->contacts[i].normalImpulse = r32(i + 1);
        m->contacts[i].tangentImpulse[0] = 0.5f * r32(i);
        m->contacts[i].tangentImpulse[1] = -0.25f;
        m->contacts[i].warmStarted = u8(i == 3 ? 255 : i);
    }
    // The manifold's block has room for its four points only.
    phManifold before;
    before.tangentVectors[0] = m->tangentVectors[0];
    before.tangentVectors[1] = m->tangentVectors[1];
    memcpy(before.contacts, m->contacts, sizeof(phContact) * 4);

    a->SetToAwake();
    world()->m_contactManager.TestCollisions();
    ASSERT_EQ(m, constraint->manifold) << "four points again, in the same block";
    ASSERT_EQ(m->contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        const phContact& c = m->contacts[i];
        const phContact* old = nullptr;
        for (int j = 0; j < 4; ++j) {
            if (before.contacts[j].fp.key == c.fp.key) old = before.contacts + j;
        }
        ASSERT_NE(old, nullptr) << "the same corners, the same keys";
        EXPECT_EQ(c.normalImpulse, old->normalImpulse);
        phVec3 friction = before.tangentVectors[0] * old->tangentImpulse[0] +
                          before.tangentVectors[1] * old->tangentImpulse[1];
        EXPECT_NEAR(c.tangentImpulse[0], phDot(friction, newT0), 1e-6f);
        EXPECT_NEAR(c.tangentImpulse[1], phDot(friction, newT1), 1e-6f);
        // In the old basis (t1, -t0) the impulse (x, y) is x t1 - y t0 in the new one.
        EXPECT_NEAR(c.tangentImpulse[0], -old->tangentImpulse[1], 1e-6f);
        EXPECT_NEAR(c.tangentImpulse[1], old->tangentImpulse[0], 1e-6f);
        u8 slot = before.contacts[i].warmStarted;
        EXPECT_EQ(c.warmStarted, slot == 255 ? 255 : slot + 1);
    }
}

// Turned by 45 degrees on a face contact of four points, the clipping yields eight new points,
// none with an old key: they start from zero. The eight need a larger block than the four; with
// the store full the pair lets go of its points and waits for room, its bodies marked.
TEST_F(SceneTest, PointsWithoutAMatchStartFromZero) {
    for (bool storeFull : {false, true}) {
        SCOPED_TRACE(storeFull ? "store full" : "room in the store");
        scene.reset();
        store = createPhysicsTestStore();
        scene.emplace(kTick, vec3(0, 0, 0), kIterations);
        phBody* a = addDynamicBox(world(), vec3(0, 0, 0));
        phBody* b = addDynamicBox(world(), vec3(0, 0.98f, 0));
        world()->Step();
        world()->m_contactManager.TestCollisions();
        phManifold* m = onlyConstraint(world())->manifold;
        ASSERT_EQ(m->contactCount, 4);
        for (int i = 0; i < m->contactCount; ++i) {
            m->contacts[i].normalImpulse = 5;
            m->contacts[i].tangentImpulse[0] = 5;
            m->contacts[i].warmStarted = 7;
        }
        for (msi size = msi(1) << 26; storeFull && size >= 16; size /= 2)
            while (phAlloc(i32(size))) {
            }

        b->SetTransform(vec3(0, 0.98f, 0), vec3(0, 1, 0), degrees(45));
        a->SetToAwake();
        world()->m_contactManager.TestCollisions();
        m = onlyConstraint(world())->manifold;
        if (storeFull) {
            EXPECT_EQ(m, nullptr);
            EXPECT_EQ(world()->m_contactManager.m_touchingCount, 0);
            EXPECT_EQ(world()->m_contactManager.m_touchingPointCount, 0);
            EXPECT_TRUE(a->m_withoutRoom && b->m_withoutRoom);
            continue;
        }
        ASSERT_EQ(m->contactCount, 8);
        EXPECT_EQ(world()->m_contactManager.m_touchingPointCount, 8);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(m->contacts[i].normalImpulse, 0) << i;
            EXPECT_EQ(m->contacts[i].tangentImpulse[0], 0) << i;
            EXPECT_EQ(m->contacts[i].tangentImpulse[1], 0) << i;
            EXPECT_EQ(m->contacts[i].warmStarted, 0) << i;
        }
    }
}

TEST_F(SceneTest, SleepingPairsKeepTheirLastManifold) {
    addFloor(world());
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f, 0));
    for (int i = 0; i < 300 && box->IsAwake(); ++i) world()->Step();
    ASSERT_FALSE(box->IsAwake());
    phManifold* m = box->m_contactList->constraint->manifold;
    ASSERT_GT(m->contactCount, 0);

    // Moved by hand without waking: the narrow phase does not look at the pair.
    box->m_tx.position.y += 5;
    world()->m_contactManager.TestCollisions();
    EXPECT_GT(m->contactCount, 0);
}

// ---------------------------------------------------------------------------------------------
// Contact solver
// ---------------------------------------------------------------------------------------------

// One contact point below a static body A and a unit-mass body B, normal (0, 1, 0) from A to B,
// with the point at B's centre so that no rotation enters.
struct SingleContact {
    SingleContact(r32 closingSpeed, r32 penetration, r32 restitution) {
        memset((void*)&state, 0, sizeof(state));
        memset((void*)&point, 0, sizeof(point));
        state.contacts = &point;
        state.contactCount = 1;
        state.normal = vec3(0, 1, 0);
        phComputeBasis(state.normal, state.tangentVectors, state.tangentVectors + 1);
        state.iA = phDiagonal(0);
        state.iB = phDiagonal(0);
        state.mA = 0;
        state.mB = 1;
        state.restitution = restitution;
        state.friction = 0.4f;
        state.indexA = 0;
        state.indexB = 1;
        state.dynamicA = 0;
        state.dynamicB = 1;
        state.contacts[0].ra = vec3(0, 1, 0);
        state.contacts[0].rb = vec3(0, 0, 0);
        state.contacts[0].penetration = penetration;
        for (phVelocityState& v : velocities) {
            v.v = vec3(0, 0, 0);
            v.w = vec3(0, 0, 0);
        }
        velocities[1].v = vec3(0, -closingSpeed, 0);
        island.m_contactStates = &state;
        island.m_contactCount = 1;
        island.m_partStart = 0;
        island.m_partCount = 1;
        island.m_velocities = velocities;
        island.m_pushes = pushes;
        island.m_enableFriction = true;
        solver.Initialize(&island);
    }

    phContactConstraintState state;
    phContactState point;
    phVelocityState velocities[2];
    phVelocityState pushes[2] = {};
    phIsland island;
    phContactSolver solver;
};

// The real velocity aims at the restitution alone; the overlap past the slop is the push's.
TEST(ContactSolver, BiasIsTheRestitutionAndThePushIsBaumgartePastTheSlop) {
    struct Case {
        r32 closingSpeed, penetration, restitution, bias, pushSpeed;
    };
    const Case cases[] = {
        {2, -0.05f, 0.5f, 1, 0},                       // restitution only: 0.5 * 2
        {1, -0.05f, 0.5f, 0, 0},                       // a closing speed of 1 does not bounce
        {0.5f, -0.02f, 0.5f, 0, 0},                    // within the slop: nothing
        {0, -0.08f, 0.5f, 0, 0.2f * 60 * 0.03f},       // 0.03 past the slop
        {0, -0.65f, 0.5f, 0, 0.2f * 60 * 0.6f},        // 0.6 past the slop: no cap
        {4, -0.25f, 0.25f, 1, 0.2f * 60 * 0.2f},       // the bounce, and the push apart from it
    };
    for (const Case& c : cases) {
        SingleContact contact(c.closingSpeed, c.penetration, c.restitution);
        contact.solver.PreSolve(kTick);
        EXPECT_NEAR(contact.state.contacts[0].bias, c.bias, 1e-4f) << c.closingSpeed << " " << c.penetration;
        EXPECT_NEAR(contact.state.contacts[0].pushSpeed, c.pushSpeed, 1e-4f) << c.penetration;
        EXPECT_NEAR(contact.state.contacts[0].normalMass, 1, 1e-6f);
    }
}

TEST(ContactSolver, NormalImpulseStopsTheApproachAndNeverPulls) {
    SingleContact approaching(0.5f, -0.05f, 0);
    approaching.solver.PreSolve(kTick);
    approaching.solver.Solve();
    EXPECT_NEAR(approaching.velocities[1].v.y, 0, 1e-6f);
    EXPECT_NEAR(approaching.state.contacts[0].normalImpulse, 0.5f, 1e-6f);

    SingleContact separating(-3, -0.05f, 0);
    separating.solver.PreSolve(kTick);
    separating.solver.Solve();
    EXPECT_EQ(separating.velocities[1].v.y, 3);
    EXPECT_EQ(separating.state.contacts[0].normalImpulse, 0);
}

TEST(ContactSolver, FrictionIsBoundedByTheNormalImpulse) {
    SingleContact sliding(1, -0.05f, 0);
    sliding.velocities[1].v.x = 10;
    sliding.solver.PreSolve(kTick);
    for (int i = 0; i < 20; ++i) sliding.solver.Solve();
    const phContactState& c = sliding.state.contacts[0];
    r32 friction = sqrtf(c.tangentImpulse[0] * c.tangentImpulse[0] + c.tangentImpulse[1] * c.tangentImpulse[1]);
    EXPECT_LE(fabsf(c.tangentImpulse[0]), 0.4f * c.normalImpulse + 1e-6f);
    EXPECT_LE(fabsf(c.tangentImpulse[1]), 0.4f * c.normalImpulse + 1e-6f);
    EXPECT_GT(friction, 0);
    EXPECT_LT(sliding.velocities[1].v.x, 10);
    EXPECT_GT(sliding.velocities[1].v.x, 9);
}

TEST(ContactSolver, TwoInfiniteMassesExchangeNoImpulse) {
    SingleContact rigid(2, -0.3f, 0.5f);
    rigid.state.mB = 0;
    rigid.solver.PreSolve(kTick);
    rigid.solver.Solve();
    EXPECT_EQ(rigid.state.contacts[0].normalMass, 0);
    EXPECT_EQ(rigid.state.contacts[0].tangentMass[0], 0);
    EXPECT_EQ(rigid.state.contacts[0].normalImpulse, 0);
    EXPECT_EQ(rigid.velocities[1].v.y, -2);
}

TEST(ContactSolver, WarmStartAppliesTheCarriedImpulseBeforeIterating) {
    SingleContact resting(0, -0.05f, 0);
    resting.state.contacts[0].normalImpulse = 0.25f;
    resting.state.contacts[0].tangentImpulse[0] = 0.1f;
    resting.solver.PreSolve(kTick);
    phVec3 expected = resting.state.normal * 0.25f + resting.state.tangentVectors[0] * 0.1f;
    EXPECT_NEAR(resting.velocities[1].v.x, expected.x, 1e-6f);
    EXPECT_NEAR(resting.velocities[1].v.y, expected.y, 1e-6f);
    EXPECT_NEAR(resting.velocities[1].v.z, expected.z, 1e-6f);

    SingleContact frictionless(0, -0.05f, 0);
    frictionless.island.m_enableFriction = false;
    frictionless.solver.Initialize(&frictionless.island);
    frictionless.state.contacts[0].tangentImpulse[0] = 0.1f;
    frictionless.solver.PreSolve(kTick);
    EXPECT_EQ(frictionless.velocities[1].v.x, 0) << "no friction, no carried friction";
}

// ---------------------------------------------------------------------------------------------
// Debug output
// ---------------------------------------------------------------------------------------------

struct CountingRender : phRender {
    void SetPenColor(r32, r32, r32, r32) override { ++colors; }
    void SetPenPosition(r32, r32, r32) override { ++positions; }
    void SetScale(r32 x, r32, r32) override { scales.push_back(x); }
    void Line(r32, r32, r32) override { ++lines; }
    void SetTriNormal(r32, r32, r32) override { ++normals; }
    void Triangle(r32, r32, r32, r32, r32, r32, r32, r32, r32) override { ++triangles; }
    void Point() override { ++points; }

    int colors = 0, positions = 0, lines = 0, normals = 0, triangles = 0, points = 0;
    std::vector<r32> scales;
};

TEST_F(SceneTest, RenderDrawsEveryBoxAndEveryTouchingPoint) {
    addFloor(world());
    addDynamicBox(world(), vec3(0, 0.49f, 0));
    world()->Step();

    CountingRender render;
    world()->Render(&render);
    EXPECT_EQ(render.triangles, 2 * 12);
    EXPECT_EQ(render.normals, 2 * 12);
    EXPECT_EQ(render.points, 4);
    EXPECT_EQ(render.lines, 4);
    ASSERT_EQ(render.scales.size(), 5u);
    EXPECT_EQ(render.scales.front(), 10);
    EXPECT_EQ(render.scales.back(), 1);
}

TEST_F(SceneTest, DumpWritesTheSceneAsSource) {
    addFloor(world());
    addDynamicBox(world(), vec3(0, 2, 0));
    world()->SetAllowSleep(false);
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    world()->Dump(file);
    long size = ftell(file);
    rewind(file);
    std::string text(size_t(size), '\0');
    ASSERT_EQ(fread(&text[0], 1, size_t(size), file), size_t(size));
    fclose(file);

    const char* lines[] = {
        "// Ensure 64/32-bit memory compatability with the dump contents\n",
        "assert( sizeof( int* ) == 8 );\n",
        "scene.SetGravity( phVec3( 0.000000000000000, -9.800000190734863, 0.000000000000000 ) );\n",
        "scene.SetAllowSleep( false );\n",
        "scene.SetEnableFriction( true );\n",
        "phBody** bodies = (phBody**)phAlloc( sizeof( phBody* ) * 2 );\n",
        "\tbodies[ 0 ] = scene.CreateBody( bd );\n",
        "\tbodies[ 1 ] = scene.CreateBody( bd );\n",
    };
    size_t at = 0;
    for (const char* line : lines) {
        size_t found = text.find(line, at);
        EXPECT_NE(found, std::string::npos) << line;
        if (found != std::string::npos) at = found;
    }
    const std::string last = "\nphFree( bodies );\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

} // namespace
