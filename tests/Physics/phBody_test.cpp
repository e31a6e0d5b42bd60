#include "Physics/common/phRender.h"
#include "phScenes.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

void expectVecNear(const phVec3& actual, const phVec3& expected, r32 tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void expectZero(const phMat3& m) {
    expectVecNear(m.ex, phVec3(0, 0, 0), 0);
    expectVecNear(m.ey, phVec3(0, 0, 0), 0);
    expectVecNear(m.ez, phVec3(0, 0, 0), 0);
}

} // namespace

using PhBody = PhysicsSceneTest;

TEST_F(PhBody, ConstructionCopiesTheDefinitionAndSetsTheFlags) {
    phBodyDef bd;
    bd.bodyType = eDynamicBody;
    bd.position.Set(1, 2, 3);
    bd.axis.Set(0, 0, 5);
    bd.angle = 0.5f * phPI;
    bd.linearVelocity.Set(1, 0, 0);
    bd.angularVelocity.Set(0, 2, 0);
    bd.gravityScale = 0.5f;
    bd.layers = 6;
    bd.lockAxisY = true;
    bd.allowSleep = false;
    int owner;
    bd.userData = &owner;
    phBody* body = scene->CreateBody(bd);

    EXPECT_EQ(body->m_flags, phBody::eDynamic | phBody::eAwake | phBody::eActive | phBody::eLockAxisY);
    EXPECT_EQ(body->GetUserData(), &owner);
    EXPECT_EQ(body->GetLayers(), 6);
    EXPECT_EQ(body->GetGravityScale(), 0.5f);
    EXPECT_EQ(body->GetAngularDamping(), 0.1f);
    EXPECT_EQ(body->GetLinearDamping(), 0.0f);
    expectVecNear(body->GetLinearVelocity(), phVec3(1, 0, 0), 0);
    expectVecNear(body->GetAngularVelocity(), phVec3(0, 2, 0), 0);
    expectVecNear(body->m_tx.position, phVec3(1, 2, 3), 0);
    // The axis is normalised: a quarter turn about z.
    expectVecNear(body->GetWorldVector(phVec3(1, 0, 0)), phVec3(0, 1, 0), 1e-6f);
    expectVecNear(body->GetWorldPoint(phVec3(1, 0, 0)), phVec3(1, 3, 3), 1e-6f);
    expectVecNear(body->GetLocalPoint(phVec3(1, 3, 3)), phVec3(1, 0, 0), 1e-6f);
    expectVecNear(body->GetLocalVector(phVec3(0, 1, 0)), phVec3(1, 0, 0), 1e-6f);
    EXPECT_EQ(scene->m_bodyList, body);
    EXPECT_EQ(scene->m_bodyCount, 1);

    // A static body never keeps a velocity.
    phBodyDef sd;
    sd.linearVelocity.Set(5, 5, 5);
    sd.awake = false;
    phBody* wall = scene->CreateBody(sd);
    EXPECT_EQ(wall->m_flags, phBody::eStatic | phBody::eActive | phBody::eAllowSleep);
    expectVecNear(wall->GetLinearVelocity(), phVec3(0, 0, 0), 0);
    EXPECT_EQ(scene->m_bodyList, wall);
    EXPECT_EQ(wall->m_next, body);
    EXPECT_EQ(body->m_prev, wall);
}

TEST_F(PhBody, ABodyWithoutBoxesHasDefinedMassData) {
    // Fill the scene heap with garbage first, so that recycled bytes would show.
    void* junk = scene->m_heap.Allocate(4096);
    memset(junk, 0x7f, 4096);
    scene->m_heap.Free(junk);

    phBodyDef bd;
    bd.bodyType = eDynamicBody;
    bd.position.Set(1, 2, 3);
    phBody* dynamic = scene->CreateBody(bd);
    EXPECT_EQ(dynamic->GetMass(), 0.0f);
    EXPECT_EQ(dynamic->GetInvMass(), 1.0f);
    expectZero(dynamic->m_invInertiaModel);
    expectZero(dynamic->m_invInertiaWorld);
    expectVecNear(dynamic->m_localCenter, phVec3(0, 0, 0), 0);
    expectVecNear(dynamic->m_worldCenter, phVec3(1, 2, 3), 0);

    bd.bodyType = eStaticBody;
    phBody* wall = scene->CreateBody(bd);
    EXPECT_EQ(wall->GetMass(), 0.0f);
    EXPECT_EQ(wall->GetInvMass(), 0.0f);
    expectZero(wall->m_invInertiaModel);
    expectVecNear(wall->m_worldCenter, phVec3(1, 2, 3), 0);
}

TEST_F(PhBody, AUnitBoxHasUnitMassAndInverseInertiaSix) {
    phBody* body = addBody(phVec3(0, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    EXPECT_FLOAT_EQ(body->GetMass(), 1.0f);
    EXPECT_FLOAT_EQ(body->GetInvMass(), 1.0f);
    EXPECT_NEAR(body->m_invInertiaModel.ex.x, 6.0f, 1e-4f);
    EXPECT_NEAR(body->m_invInertiaModel.ey.y, 6.0f, 1e-4f);
    EXPECT_NEAR(body->m_invInertiaModel.ez.z, 6.0f, 1e-4f);
    EXPECT_NEAR(body->m_invInertiaModel.ex.y, 0.0f, 1e-6f);
}

// A box without matter would leave its body weightless (or its mass not a number): it is refused
// and the body stays as it was.
TEST_F(PhBody, ABoxWithoutASizeOrDensityAboveZeroIsRefused) {
    const r32 nan = r32(NAN), inf = r32(INFINITY);
    struct Case {
        phVec3 size;
        r32 density;
    };
    const Case cases[] = {
        {phVec3(1, 1, 1), 0}, {phVec3(1, 1, 1), -1},  {phVec3(1, 1, 1), nan}, {phVec3(1, 1, 1), inf},
        {phVec3(0, 1, 1), 1}, {phVec3(1, -1, 1), 1},  {phVec3(1, 1, nan), 1}, {phVec3(inf, 1, 1), 1},
    };
    phBody* body = addBody(phVec3(0, 2, 0), phVec3(0.5f, 0.5f, 0.5f));
    for (const Case& c : cases) {
        EXPECT_EQ(body->AddBox(boxDef(c.size, c.density)), nullptr)
            << c.size.x << " " << c.size.y << " " << c.size.z << " " << c.density;
        EXPECT_FLOAT_EQ(body->GetMass(), 1.0f);
        EXPECT_EQ(body->m_boxes->next, nullptr);
    }
}

// A scene heap with no room left refuses the body, and then the box, instead of stopping. (The
// heap is taken directly: creating bodies until one is refused fills the step's arena first.)
TEST_F(PhBody, AFullSceneHeapRefusesBodiesAndBoxes) {
    phBodyDef bd;
    bd.bodyType = eDynamicBody;
    phBody* last = scene->CreateBody(bd);
    ASSERT_NE(last, nullptr);
    for (i32 size = 1 << 20; size >= 16; size /= 2)
        while (scene->m_heap.Allocate(size)) {
        }
    EXPECT_EQ(scene->CreateBody(bd), nullptr);
    EXPECT_EQ(scene->m_bodyCount, 1);
    EXPECT_EQ(last->AddBox(boxDef(phVec3(1, 1, 1))), nullptr);
    EXPECT_EQ(last->m_boxes, nullptr);
    scene->Step();
}

TEST_F(PhBody, StaticAndKinematicBodiesHaveNoMass) {
    for (phBodyType type : {eStaticBody, eKinematicBody}) {
        phBody* body = addBody(phVec3(1, 2, 3), phVec3(1, 1, 1), type);
        EXPECT_EQ(body->GetMass(), 0.0f);
        EXPECT_EQ(body->GetInvMass(), 0.0f);
        expectZero(body->m_invInertiaModel);
        expectVecNear(body->m_worldCenter, phVec3(1, 2, 3), 0);
    }
}

TEST_F(PhBody, TwoBoxesCombineAboutTheirCentreOfMass) {
    phBodyDef bd;
    bd.bodyType = eDynamicBody;
    bd.position.Set(10, 0, 0);
    phBody* body = scene->CreateBody(bd);
    addBox(body, phVec3(0.5f, 0.5f, 0.5f), phVec3(-1, 0, 0));
    addBox(body, phVec3(0.5f, 0.5f, 0.5f), phVec3(1, 0, 0));
    EXPECT_FLOAT_EQ(body->GetMass(), 2.0f);
    expectVecNear(body->m_localCenter, phVec3(0, 0, 0), 1e-6f);
    expectVecNear(body->m_worldCenter, phVec3(10, 0, 0), 1e-6f);
    // Each box: 1/6 about its own centre, plus 1 (m d^2) about y and z.
    EXPECT_NEAR(body->m_invInertiaModel.ex.x, 1.0f / (2.0f / 6.0f), 1e-3f);
    EXPECT_NEAR(body->m_invInertiaModel.ey.y, 1.0f / (2.0f / 6.0f + 2.0f), 1e-4f);
    EXPECT_NEAR(body->m_invInertiaModel.ez.z, 1.0f / (2.0f / 6.0f + 2.0f), 1e-4f);

    // One box alone, offset: its centre is the body's centre of mass.
    phBody* single = scene->CreateBody(bd);
    addBox(single, phVec3(0.5f, 0.5f, 0.5f), phVec3(0, 3, 0));
    expectVecNear(single->m_localCenter, phVec3(0, 3, 0), 1e-6f);
    expectVecNear(single->m_worldCenter, phVec3(10, 3, 0), 1e-6f);
    EXPECT_NEAR(single->m_invInertiaModel.ex.x, 6.0f, 1e-3f);
}

TEST_F(PhBody, LockedAxesZeroTheirInertiaVectorAfterEveryMassComputation) {
    struct Case {
        bool x, y, z;
    } cases[] = {{true, false, false}, {false, true, false}, {false, false, true}, {true, false, true}};
    for (const Case& c : cases) {
        phBodyDef bd;
        bd.bodyType = eDynamicBody;
        bd.lockAxisX = c.x;
        bd.lockAxisY = c.y;
        bd.lockAxisZ = c.z;
        phBody* body = scene->CreateBody(bd);
        addBox(body, phVec3(0.5f, 1, 1.5f), phVec3(0.3f, 0.2f, 0.1f));
        phBox* second = addBox(body, phVec3(1, 1, 1), phVec3(-1, 0, 0));
        for (int pass = 0; pass < 2; ++pass) {
            const phMat3& inv = body->m_invInertiaModel;
            EXPECT_EQ(phLength(inv.ex) == 0.0f, c.x);
            EXPECT_EQ(phLength(inv.ey) == 0.0f, c.y);
            EXPECT_EQ(phLength(inv.ez) == 0.0f, c.z);
            if (pass == 0) body->RemoveBox(second);
        }
    }
}

TEST_F(PhBody, ForcesScaleByMassAndWakeTheBody) {
    // Half extents (1, 0.5, 0.5) at density 1: mass 2.
    phBody* body = addBody(phVec3(0, 0, 0), phVec3(1, 0.5f, 0.5f));
    ASSERT_FLOAT_EQ(body->GetMass(), 2.0f);

    body->SetToSleep();
    body->ApplyTorque(phVec3(0, 0, 3));
    EXPECT_FALSE(body->IsAwake());
    expectVecNear(body->m_torque, phVec3(0, 0, 3), 0);

    body->ApplyLinearForce(phVec3(0, 1, 0));
    EXPECT_TRUE(body->IsAwake());
    expectVecNear(body->m_force, phVec3(0, 2, 0), 0);

    body->SetToSleep();
    expectVecNear(body->m_force, phVec3(0, 0, 0), 0);
    expectVecNear(body->m_torque, phVec3(0, 0, 0), 0);
    body->ApplyForceAtWorldPoint(phVec3(1, 0, 0), phVec3(0, 1, 0));
    EXPECT_TRUE(body->IsAwake());
    expectVecNear(body->m_force, phVec3(2, 0, 0), 0);
    // (0, 1, 0) x (1, 0, 0) = (0, 0, -1).
    expectVecNear(body->m_torque, phVec3(0, 0, -1), 0);
}

TEST_F(PhBody, ImpulsesChangeVelocitiesAndWake) {
    phBody* body = addBody(phVec3(0, 0, 0), phVec3(1, 0.5f, 0.5f));
    body->SetToSleep();
    body->ApplyLinearImpulse(phVec3(4, 0, 0));
    EXPECT_TRUE(body->IsAwake());
    expectVecNear(body->GetLinearVelocity(), phVec3(2, 0, 0), 0);

    body->SetToSleep();
    body->m_invInertiaWorld = phDiagonal(0.5f);
    body->ApplyLinearImpulseAtWorldPoint(phVec3(0, 2, 0), phVec3(1, 0, 0));
    EXPECT_TRUE(body->IsAwake());
    expectVecNear(body->GetLinearVelocity(), phVec3(0, 1, 0), 0);
    // 0.5 * ((1, 0, 0) x (0, 2, 0)) = (0, 0, 1).
    expectVecNear(body->GetAngularVelocity(), phVec3(0, 0, 1), 0);
    expectVecNear(body->GetVelocityAtWorldPoint(phVec3(0, 1, 0)), phVec3(-1, 1, 0), 1e-6f);
}

TEST_F(PhBody, WakeAndSleepRules) {
    phBody* body = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    body->SetLinearVelocity(phVec3(1, 2, 3));
    body->SetAngularVelocity(phVec3(1, 0, 0));
    body->m_sleepTime = 0.3f;
    body->SetToSleep();
    EXPECT_FALSE(body->IsAwake());
    EXPECT_EQ(body->m_sleepTime, 0.0f);
    expectVecNear(body->GetLinearVelocity(), phVec3(0, 0, 0), 0);
    expectVecNear(body->GetAngularVelocity(), phVec3(0, 0, 0), 0);

    // A zero velocity leaves it asleep; a non-zero one wakes it.
    body->SetLinearVelocity(phVec3(0, 0, 0));
    body->SetAngularVelocity(phVec3(0, 0, 0));
    EXPECT_FALSE(body->IsAwake());
    body->SetAngularVelocity(phVec3(0, 0.1f, 0));
    EXPECT_TRUE(body->IsAwake());
    body->SetToSleep();
    body->SetLinearVelocity(phVec3(0, -0.1f, 0));
    EXPECT_TRUE(body->IsAwake());
    expectVecNear(body->GetLinearVelocity(), phVec3(0, -0.1f, 0), 0);

    // Waking an awake body keeps its sleep time.
    body->m_sleepTime = 0.25f;
    body->SetToAwake();
    EXPECT_EQ(body->m_sleepTime, 0.25f);
    body->SetToSleep();
    body->m_sleepTime = 0.25f;
    body->SetToAwake();
    EXPECT_EQ(body->m_sleepTime, 0.0f);

    // A kinematic body takes velocities.
    phBody* platform = addBody(phVec3(5, 0, 0), phVec3(1, 1, 1), eKinematicBody);
    platform->SetLinearVelocity(phVec3(0, 1, 0));
    expectVecNear(platform->GetLinearVelocity(), phVec3(0, 1, 0), 0);
}

using PhBodyDeathTest = PhysicsSceneTest;

TEST_F(PhBodyDeathTest, StaticBodiesRefuseVelocities) {
    phBody* wall = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1), eStaticBody);
    EXPECT_DEATH(wall->SetLinearVelocity(phVec3(0, 0, 0)), PH_ASSERTION_TEXT("false"));
    EXPECT_DEATH(wall->SetAngularVelocity(phVec3(1, 0, 0)), PH_ASSERTION_TEXT("false"));
}

TEST_F(PhBodyDeathTest, RemovingANullForeignOrUnlistedBoxStops) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* b = addBody(phVec3(5, 0, 0), phVec3(1, 1, 1));
    EXPECT_DEATH(a->RemoveBox(nullptr), PH_ASSERTION_TEXT("box"));
    EXPECT_DEATH(a->RemoveBox(b->m_boxes), PH_ASSERTION_TEXT("box->body == this"));
    phBox stray = *a->m_boxes;
    EXPECT_DEATH(a->RemoveBox(&stray), PH_ASSERTION_TEXT("found"));
}

TEST_F(PhBody, CanCollideNeedsADynamicBodyAndASharedLayer) {
    phBody* d1 = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* d2 = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* s1 = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1), eStaticBody);
    phBody* s2 = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1), eStaticBody);
    phBody* k1 = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1), eKinematicBody);
    EXPECT_FALSE(d1->CanCollide(d1));
    EXPECT_TRUE(d1->CanCollide(d2));
    EXPECT_TRUE(d1->CanCollide(s1));
    EXPECT_TRUE(s1->CanCollide(d1));
    EXPECT_TRUE(k1->CanCollide(d2));
    EXPECT_FALSE(s1->CanCollide(s2));
    EXPECT_FALSE(s1->CanCollide(k1));
    d1->SetLayers(0);
    EXPECT_FALSE(d1->CanCollide(d2));
    EXPECT_FALSE(d2->CanCollide(d1));
    d1->SetLayers(0x6);
    d2->SetLayers(0x4);
    EXPECT_TRUE(d1->CanCollide(d2));
    d2->SetLayers(0x1);
    EXPECT_FALSE(d1->CanCollide(d2));
}

TEST_F(PhBody, SetTransformMovesTheOriginAndTheProxies) {
    phBodyDef bd;
    bd.bodyType = eDynamicBody;
    bd.axis.Set(0, 0, 1);
    bd.angle = 0.5f * phPI;
    phBody* body = scene->CreateBody(bd);
    // Centre of mass offset by c = (1, 0, 0) in body space, (0, 1, 0) in the world.
    phBox* box = addBox(body, phVec3(0.5f, 0.5f, 0.5f), phVec3(1, 0, 0));
    expectVecNear(body->m_worldCenter, phVec3(0, 1, 0), 1e-6f);
    scene->m_contactManager.FindNewContacts();

    body->SetTransform(phVec3(10, 0, 0));
    // The origin lies at position minus the rotation times c.
    expectVecNear(body->m_tx.position, phVec3(10, -1, 0), 1e-6f);
    expectVecNear(body->GetWorldVector(phVec3(1, 0, 0)), phVec3(0, 1, 0), 1e-6f);
    const phBroadPhase& bp = broadPhase();
    ASSERT_EQ(bp.m_moveCount, 1);
    EXPECT_EQ(bp.m_moveBuffer[0], box->broadPhaseIndex);
    phAABB exact;
    box->ComputeAABB(body->m_tx, &exact);
    EXPECT_TRUE(bp.m_tree.GetFatAABB(box->broadPhaseIndex).Contains(exact));
    expectVecNear(exact.min, phVec3(9.5f, -0.5f, -0.5f), 1e-5f);

    // Position with a new rotation: a half turn about z puts the centre's offset at (-1, 0, 0).
    body->SetTransform(phVec3(0, 0, 0), phVec3(0, 0, 1), phPI);
    expectVecNear(body->m_tx.position, phVec3(1, 0, 0), 1e-5f);
    expectVecNear(body->m_tx.rotation.ex, phVec3(-1, 0, 0), 1e-6f);
    EXPECT_NEAR(body->GetQuaternion().z, 1.0f, 1e-6f);
    box->ComputeAABB(body->m_tx, &exact);
    EXPECT_TRUE(bp.m_tree.GetFatAABB(box->broadPhaseIndex).Contains(exact));
    expectVecNear(exact.min, phVec3(-0.5f, -0.5f, -0.5f), 1e-5f);
}

TEST_F(PhBody, RemoveBoxDropsItsContactsProxyAndMass) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    phBox* far = addBox(a, phVec3(0.5f, 0.5f, 0.5f), phVec3(5, 0, 0));
    phBody* b = addBody(phVec3(0.5f, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    phBody* c = addBody(phVec3(5.5f, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(scene->m_newBox);
    scene->m_contactManager.FindNewContacts();
    ASSERT_EQ(scene->m_contactManager.m_contactCount, 2);
    EXPECT_FLOAT_EQ(a->GetMass(), 2.0f);
    i32 treeNodes = broadPhase().m_tree.m_count;

    a->RemoveBox(far);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 1);
    EXPECT_EQ(c->m_contactList, nullptr);
    ASSERT_NE(b->m_contactList, nullptr);
    EXPECT_EQ(broadPhase().m_tree.m_count, treeNodes - 2);
    EXPECT_FLOAT_EQ(a->GetMass(), 1.0f);
    expectVecNear(a->m_localCenter, phVec3(0, 0, 0), 1e-6f);
    EXPECT_EQ(a->m_boxes->next, nullptr);

    a->RemoveAllBoxes();
    EXPECT_EQ(a->m_boxes, nullptr);
    EXPECT_EQ(a->m_contactList, nullptr);
    EXPECT_EQ(b->m_contactList, nullptr);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 0);
    // The mass data stays as it was.
    EXPECT_FLOAT_EQ(a->GetMass(), 1.0f);
}

TEST_F(PhBody, RemovingEveryBodyReturnsTheSceneHeapToOneRegion) {
    for (int i = 0; i < 50; ++i) {
        phBody* body = addBody(phVec3(r32(i), 0, 0), phVec3(1, 1, 1));
        addBox(body, phVec3(0.2f, 0.2f, 0.2f), phVec3(0, 2, 0));
    }
    scene->m_contactManager.FindNewContacts();
    EXPECT_GT(scene->m_contactManager.m_contactCount, 0);
    scene->RemoveAllBodies();
    EXPECT_EQ(scene->m_bodyCount, 0);
    EXPECT_EQ(scene->m_bodyList, nullptr);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 0);
    EXPECT_EQ(broadPhase().m_tree.m_count, 0);
    EXPECT_EQ(scene->m_heap.m_freeBlockCount, 1);
    EXPECT_EQ(scene->m_heap.m_freeBlocks[0].size, phk_heapSize);

    phBody* next = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    EXPECT_EQ(scene->m_bodyCount, 1);
    EXPECT_EQ(scene->m_bodyList, next);
}

TEST_F(PhBody, SceneSettings) {
    scene->SetIterations(0);
    EXPECT_EQ(scene->m_iterations, 1);
    scene->SetIterations(8);
    EXPECT_EQ(scene->m_iterations, 8);
    scene->SetGravity(phVec3(0, -1, 0));
    expectVecNear(scene->GetGravity(), phVec3(0, -1, 0), 0);

    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    a->SetToSleep();
    scene->SetAllowSleep(true);
    EXPECT_FALSE(a->IsAwake());
    scene->SetAllowSleep(false);
    EXPECT_FALSE(scene->m_allowSleep);
    EXPECT_TRUE(a->IsAwake());
}

namespace {

struct BoxCounter : phRender {
    void SetPenColor(r32, r32, r32, r32) override {}
    void SetPenPosition(r32, r32, r32) override {}
    void SetScale(r32, r32, r32) override {}
    void Line(r32, r32, r32) override {}
    void SetTriNormal(r32, r32, r32) override {}
    void Triangle(r32, r32, r32, r32, r32, r32, r32, r32, r32) override { ++triangles; }
    void Point() override {}
    int triangles = 0;
};

std::string dumpToString(const phBody* body, i32 index) {
    char* text = nullptr;
    size_t length = 0;
    FILE* file = open_memstream(&text, &length);
    body->Dump(file, index);
    fclose(file);
    std::string out(text, length);
    free(text);
    return out;
}

} // namespace

TEST_F(PhBody, RenderDrawsEveryBox) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    addBox(a, phVec3(1, 1, 1), phVec3(3, 0, 0));
    BoxCounter counter;
    a->Render(&counter);
    EXPECT_EQ(counter.triangles, 24);
}

TEST_F(PhBody, DumpWritesSourceThatRebuildsTheBody) {
    phBodyDef bd;
    bd.bodyType = eDynamicBody;
    bd.position.Set(1, 2, 3);
    bd.lockAxisZ = true;
    bd.layers = 5;
    phBody* body = scene->CreateBody(bd);
    addBox(body, phVec3(0.5f, 1, 1.5f), phVec3(0, 0.25f, 0));
    body->m_boxes->friction = 0.5f;

    const char* expected =
        "{\n"
        "\tphBodyDef bd;\n"
        "\tbd.bodyType = phBodyType( 1 );\n"
        "\tbd.position.Set( r32( 1.000000000000000 ), r32( 2.000000000000000 ), r32( 3.000000000000000 ) );\n"
        "\tbd.axis.Set( r32( 0.000000000000000 ), r32( 0.000000000000000 ), r32( 0.000000000000000 ) );\n"
        "\tbd.angle = r32( 0.000000000000000 );\n"
        "\tbd.linearVelocity.Set( r32( 0.000000000000000 ), r32( 0.000000000000000 ), r32( 0.000000000000000 ) );\n"
        "\tbd.angularVelocity.Set( r32( 0.000000000000000 ), r32( 0.000000000000000 ), r32( 0.000000000000000 ) );\n"
        "\tbd.gravityScale = r32( 1.000000000000000 );\n"
        "\tbd.layers = 5;\n"
        "\tbd.allowSleep = bool( 4 );\n"
        "\tbd.awake = bool( 1 );\n"
        "\tbd.lockAxisX = bool( 0 );\n"
        "\tbd.lockAxisY = bool( 0 );\n"
        "\tbd.lockAxisZ = bool( 1024 );\n"
        "\tbodies[ 7 ] = scene.CreateBody( bd );\n"
        "\n"
        "\t{\n"
        "\t\tphBoxDef sd;\n"
        "\t\tsd.SetFriction( r32( 0.500000000000000 ) );\n"
        "\t\tsd.SetRestitution( r32( 0.200000002980232 ) );\n"
        "\t\tsd.SetDensity( r32( 1.000000000000000 ) );\n"
        "\t\tsd.SetSensor( bool( 0 ) );\n"
        "\t\tphTransform boxTx;\n"
        "\t\tphVec3 xAxis( r32( 1.000000000000000 ), r32( 0.000000000000000 ), r32( 0.000000000000000 ) );\n"
        "\t\tphVec3 yAxis( r32( 0.000000000000000 ), r32( 1.000000000000000 ), r32( 0.000000000000000 ) );\n"
        "\t\tphVec3 zAxis( r32( 0.000000000000000 ), r32( 0.000000000000000 ), r32( 1.000000000000000 ) );\n"
        "\t\tboxTx.rotation.SetRows( xAxis, yAxis, zAxis );\n"
        "\t\tboxTx.position.Set( r32( 0.000000000000000 ), r32( 0.250000000000000 ), r32( 0.000000000000000 ) );\n"
        "\t\tsd.Set( boxTx, phVec3( r32( 1.000000000000000 ), r32( 2.000000000000000 ), r32( 3.000000000000000 ) ) );\n"
        "\t\tbodies[ 7 ]->AddBox( sd );\n"
        "\t}\n"
        "}\n"
        "\n";
    EXPECT_EQ(dumpToString(body, 7), expected);

    // Type bits that are not exactly one type write no bodyType line.
    body->m_flags |= phBody::eStatic;
    std::string mixed = dumpToString(body, 0);
    EXPECT_EQ(mixed.find("bodyType"), std::string::npos);
    EXPECT_NE(mixed.find("bodies[ 0 ] = scene.CreateBody( bd );"), std::string::npos);
}
