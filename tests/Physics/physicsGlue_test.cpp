// The physics glue on a started engine: bodies built from options, the body store and its ids,
// the readers and writers by id, ray hits, collision layers and the editor's collider list.

#include "physicsGlue_harness.h"

#include "Core/Scene/scene.h"
#include "Util/string.h"

#include <math.h>
#include <stddef.h>
#include <string.h>

#include <vector>

using namespace gluetest;

namespace {

// ---------------------------------------------------------------------------------------------
// Building bodies
// ---------------------------------------------------------------------------------------------

TEST_F(GlueTest, TypeBitsOtherThanExactlyOneBecomeStaticAndClearTheWholeWord) {
    struct Case {
        u32 flags;
        u32 expectedFlags; // the options' word after createBody
        u32 expectedType;  // the body's type bit
        u32 expectedLocks; // the body's lock bits
    };
    const Case cases[] = {
        {0, STATIC_FLAGS, STATIC_FLAGS, 0},
        {DYNAMIC_FLAGS | LOCK_Y, DYNAMIC_FLAGS | LOCK_Y, DYNAMIC_FLAGS, LOCK_Y},
        {STATIC_FLAGS | DYNAMIC_FLAGS | LOCK_X | LOCK_Z, STATIC_FLAGS, STATIC_FLAGS, 0},
        {STATIC_FLAGS | DYNAMIC_FLAGS | KINEMATIC_FLAGS, STATIC_FLAGS, STATIC_FLAGS, 0},
        {KINEMATIC_FLAGS | LOCK_X, KINEMATIC_FLAGS | LOCK_X, KINEMATIC_FLAGS, LOCK_X},
        // The awake, active and sleep bits are not type bits and are kept, but not read.
        {STATIC_FLAGS | 0x1 | 0x4, STATIC_FLAGS | 0x1 | 0x4, STATIC_FLAGS, 0},
        {LOCK_X | LOCK_Y | LOCK_Z, STATIC_FLAGS, STATIC_FLAGS, 0},
    };
    for (const Case& c : cases) {
        ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
        ve::BodyOpts opts = bodyOpts(c.flags, vec(0, 0, 0), &box, 1);
        u32 id = create(&opts);
        phBody* body = ve::getBody(id);
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(opts.flags.value, c.expectedFlags) << "flags " << c.flags;
        EXPECT_EQ((u32)body->m_flags & 0xE0u, c.expectedType) << "flags " << c.flags;
        EXPECT_EQ((u32)body->m_flags & (u32)ve::AxisLock::All, c.expectedLocks) << "flags " << c.flags;
        // Every body starts awake, active and allowed to sleep.
        EXPECT_EQ((u32)body->m_flags & 0x7u, 0x7u) << "flags " << c.flags;
    }
}

TEST_F(GlueTest, GravityIsScaledAgainstNinePointEightOne) {
    const f32 gravities[] = {9.81f, 0.0f, 19.62f, -4.905f, 1.0f};
    for (f32 gravity : gravities) {
        u32 id = createBox(DYNAMIC_FLAGS, vec(0, 0, 0), vec(1, 1, 1), gravity);
        EXPECT_EQ(ve::getBody(id)->m_gravityScale, (f32)((f64)gravity / 9.81)) << gravity;
    }
    EXPECT_EQ(ve::getBody(createBox(DYNAMIC_FLAGS, vec(0, 0, 0), vec(1, 1, 1), 9.81f))->m_gravityScale, 1.0f);
}

TEST_F(GlueTest, OptionsCarryLayersDampingAndVelocitiesIntoTheBody) {
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(1, 2, 3), &box, 1);
    opts.collisionMask = 5;
    opts.linearFriction = 0.25f;
    opts.angularFriction = 0.75f;
    opts.linearVelocity = vec(1, -2, 3);
    opts.angularVelocity = vec(0.5f, 0, 0);
    phBody* body = ve::getBody(create(&opts));
    EXPECT_EQ(body->m_layers, 5);
    EXPECT_EQ(body->m_linearDamping, 0.25f);
    EXPECT_EQ(body->m_angularDamping, 0.75f);
    EXPECT_EQ(toV3(body->m_linearVelocity), vec(1, -2, 3));
    EXPECT_EQ(toV3(body->m_angularVelocity), vec(0.5f, 0, 0));
    EXPECT_EQ(toV3(body->m_tx.position), vec(1, 2, 3));

    // A static body keeps no velocity.
    opts.flags.value = STATIC_FLAGS;
    body = ve::getBody(create(&opts));
    EXPECT_EQ(toV3(body->m_linearVelocity), vec(0, 0, 0));
}

TEST_F(GlueTest, ColliderExtentsAreTheTransformScaleTimesTheCuboidHalved) {
    struct Case {
        ve::mat4 local;
        ve::v3 size;
        ve::v3 halfExtents;
        ve::mat3 unitRotation;
    };
    ve::mat3 quarterZ = rotation(vec(0, 0, 1), 90.0f);
    ve::mat4 scaledTwice = ve::transMat(vec(1, 2, 3)) * ve::toMat4(quarterZ * 2.0f);
    ve::mat4 stretched = ve::scaleMat(vec(1.0f, 0.5f, 2.0f));
    const Case cases[] = {
        {scaledTwice, vec(1, 1, 1), vec(1, 1, 1), quarterZ},
        {stretched, vec(2, 4, 6), vec(1, 1, 6), ve::iMat3()},
        {ve::iMat4(), vec(3, 5, 7), vec(1.5f, 2.5f, 3.5f), ve::iMat3()},
        // A negative size describes the same box as its magnitude.
        {ve::iMat4(), vec(-2, 2, 2), vec(1, 1, 1), ve::iMat3()},
    };
    for (const Case& c : cases) {
        ve::Primitive collider = cuboid(c.local, c.size);
        ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), &collider, 1);
        phBody* body = ve::getBody(create(&opts));
        ASSERT_NE(body->m_boxes, nullptr);
        const phBox* box = body->m_boxes;
        EXPECT_NEAR(box->e.x, c.halfExtents.x, 1e-5f);
        EXPECT_NEAR(box->e.y, c.halfExtents.y, 1e-5f);
        EXPECT_NEAR(box->e.z, c.halfExtents.z, 1e-5f);
        EXPECT_EQ(toV3(box->local.position), ve::getTranslation(c.local));
        ve::mat3 boxRotation;
        boxRotation.col1 = box->local.rotation.ex;
        boxRotation.col2 = box->local.rotation.ey;
        boxRotation.col3 = box->local.rotation.ez;
        EXPECT_LT(maxDifference(boxRotation, c.unitRotation), 1e-5f);
        EXPECT_EQ(box->friction, 0.4f);
        EXPECT_EQ(box->restitution, 0.2f);
        EXPECT_EQ(box->density, 1.0f);
        EXPECT_FALSE(box->sensor);
    }
}

TEST_F(GlueTest, ANullColliderArrayWithACountIsReportedAndGivesNoBox) {
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), nullptr, 3);
    std::string reported = stderrOf([&] { create(&opts); });
    EXPECT_NE(reported.find("SOFT ASSERTION FAILED:"), std::string::npos);
    EXPECT_NE(reported.find("opts->colliderCount == 0"), std::string::npos);
    EXPECT_EQ(ve::getBody(opts.physicsBody)->m_boxes, nullptr);

    ve::BodyOpts empty = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), nullptr, 0);
    EXPECT_EQ(stderrOf([&] { create(&empty); }), "");
    EXPECT_NE(ve::getBody(empty.physicsBody), nullptr);
}

TEST_F(GlueTest, ADamagedColliderIsReportedAndBecomesNoBox) {
    ve::Primitive colliders[3] = {cuboidAt(vec(0, 0, 0), vec(1, 1, 1)), cuboidAt(vec(5, 0, 0), vec(2, 2, 2)),
                                  cuboidAt(vec(0, NAN, 0), vec(1, 1, 1))};
    colliders[0].type = (ve::Primitive_Type)7;
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), colliders, 3);
    std::vector<std::string> printed;
    std::string reported = stderrOf([&] { printed = printedBy([&] { create(&opts); }); });
    EXPECT_NE(reported.find("collider->type == Primitive_Type::Cuboid"), std::string::npos);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_NE(printed[0].find("colliders[2] offset"), std::string::npos) << printed[0];
    phBody* body = ve::getBody(opts.physicsBody);
    ASSERT_NE(body->m_boxes, nullptr);
    EXPECT_EQ(body->m_boxes->next, nullptr);
    EXPECT_EQ(toV3(body->m_boxes->local.position), vec(5, 0, 0));
}

// Every float a step reads or writes, for the damaged-options cases below.
std::vector<f32> stateOf(const phBody* body) {
    std::vector<f32> values = {body->m_mass, body->m_invMass, body->m_q.x, body->m_q.y, body->m_q.z, body->m_q.w};
    const phVec3* vectors[] = {&body->m_linearVelocity, &body->m_angularVelocity, &body->m_force,
                               &body->m_torque,         &body->m_tx.position,     &body->m_localCenter,
                               &body->m_worldCenter};
    for (const phVec3* v : vectors) values.insert(values.end(), {v->x, v->y, v->z});
    const phMat3* matrices[] = {&body->m_tx.rotation, &body->m_invInertiaModel, &body->m_invInertiaWorld};
    for (const phMat3* m : matrices)
        for (const phVec3* column : {&m->ex, &m->ey, &m->ez}) values.insert(values.end(), {column->x, column->y, column->z});
    return values;
}

// A damaged scene file reaches the library only through createBody: each damaged value becomes a
// safe one with a printed line naming its field, and the body steps against a floor without
// turning NaN (which the library's box-box test stops the program for).
TEST_F(GlueTest, DamagedOptionsAreReplacedAndTheBodyStaysFiniteAgainstAFloor) {
    struct Case {
        const char* field; // as the printed line names it
        void (*damage)(ve::BodyOpts* opts, ve::Primitive* box);
        u32 flags;
    };
    const Case cases[] = {
        {"position", [](ve::BodyOpts* o, ve::Primitive*) { o->position.y = NAN; }, DYNAMIC_FLAGS},
        {"position", [](ve::BodyOpts* o, ve::Primitive*) { o->position = vec(3e38f, 3e38f, 0); }, DYNAMIC_FLAGS},
        {"position", [](ve::BodyOpts* o, ve::Primitive*) { o->position.z = -nextafterf(ve::MAX_BODY_POSITION, INFINITY); }, STATIC_FLAGS},
        {"rotation", [](ve::BodyOpts* o, ve::Primitive*) { o->rotation.col2.x = -INFINITY; }, DYNAMIC_FLAGS},
        {"linearVelocity", [](ve::BodyOpts* o, ve::Primitive*) { o->linearVelocity = vec(0, -INFINITY, 1); }, DYNAMIC_FLAGS},
        {"angularVelocity", [](ve::BodyOpts* o, ve::Primitive*) { o->angularVelocity = vec(1e10f, 0, -1e10f); }, DYNAMIC_FLAGS},
        {"gravity", [](ve::BodyOpts* o, ve::Primitive*) { o->gravity = NAN; }, DYNAMIC_FLAGS},
        {"gravity", [](ve::BodyOpts* o, ve::Primitive*) { o->gravity = 1e12f; }, DYNAMIC_FLAGS},
        {"linearFriction", [](ve::BodyOpts* o, ve::Primitive*) { o->linearFriction = INFINITY; }, DYNAMIC_FLAGS},
        {"angularFriction", [](ve::BodyOpts* o, ve::Primitive*) { o->angularFriction = -60.0f; }, DYNAMIC_FLAGS},
        {"colliders[0] size", [](ve::BodyOpts*, ve::Primitive* b) { b->cuboid.scale = vec(1e30f, 1e30f, 1e30f); }, DYNAMIC_FLAGS},
        {"colliders[0] size", [](ve::BodyOpts*, ve::Primitive* b) { b->cuboid.scale = vec(1000, 700, 300); }, DYNAMIC_FLAGS},
        {"colliders[0] size", [](ve::BodyOpts*, ve::Primitive* b) { b->localTransform.col1.x = NAN; }, DYNAMIC_FLAGS},
        {"colliders[0] offset", [](ve::BodyOpts*, ve::Primitive* b) { b->localTransform.col4.x = 1e30f; }, DYNAMIC_FLAGS},
        // A damaged static box under a sound cube: the box, not the cube, is repaired.
        {"colliders[0] size", [](ve::BodyOpts*, ve::Primitive* b) { b->cuboid.scale = vec(1e30f, 1, 1e30f); }, STATIC_FLAGS},
    };
    for (const Case& c : cases) {
        ve::removeAllBodies(scene());
        u32 floor = createBox(STATIC_FLAGS, vec(0, -0.5f, 0), vec(20, 1, 20));
        ve::Primitive box = cuboid(ve::toMat4(rotation(vec(0.6f, 0.8f, 0), 25.0f)), vec(1, 1, 1));
        ve::BodyOpts damaged = bodyOpts(c.flags, vec(0, 0.8f, 0), &box, 1);
        damaged.angularVelocity = vec(0, 1, 0);
        c.damage(&damaged, &box);
        u32 id = 0;
        std::vector<std::string> printed = printedBy([&] { id = create(&damaged); });
        ASSERT_EQ(printed.size(), 1u) << c.field;
        EXPECT_NE(printed[0].find(std::string("Body options: ") + c.field), std::string::npos) << printed[0];
        u32 resting = createBox(DYNAMIC_FLAGS, vec(0.3f, 2.0f, 0));

        for (int i = 0; i < 120; ++i) ve::physicsUpdate(scene());
        for (u32 body : {id, resting, floor}) {
            std::vector<f32> values = stateOf(ve::getBody(body));
            for (size_t k = 0; k < values.size(); ++k)
                ASSERT_TRUE(std::isfinite(values[k])) << c.field << ": body " << body << " value " << k;
        }
        EXPECT_GT(ve::getBody(resting)->m_tx.position.y, 0.0f) << c.field << ": fell through the floor";
    }
}

TEST_F(GlueTest, TheSafeValuesAreTheOriginNoVelocityFullGravityAndTheLibraryDamping) {
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    box.localTransform.col2.y = INFINITY;
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(NAN, 1, 2), &box, 1);
    opts.rotation.col1.z = NAN;
    opts.linearVelocity = vec(1001, 0, 0);
    opts.angularVelocity = vec(0, 0, -INFINITY);
    opts.gravity = -1e30f;
    opts.linearFriction = -0.5f;
    opts.angularFriction = NAN;
    ve::BodyOpts before = opts;
    u32 id = 0;
    EXPECT_EQ(printedBy([&] { id = create(&opts); }).size(), 8u);
    phBody* body = ve::getBody(id);
    EXPECT_EQ(toV3(body->m_tx.position), vec(0, 0, 0));
    EXPECT_EQ(maxDifference(bodyRotation(body), ve::iMat3()), 0.0f);
    EXPECT_EQ(toV3(body->m_linearVelocity), vec(0, 0, 0));
    EXPECT_EQ(toV3(body->m_angularVelocity), vec(0, 0, 0));
    EXPECT_EQ(body->m_gravityScale, 1.0f);
    EXPECT_EQ(body->m_linearDamping, 0.0f);
    EXPECT_EQ(body->m_angularDamping, 0.1f);
    ASSERT_NE(body->m_boxes, nullptr);
    EXPECT_EQ(toV3(body->m_boxes->e), vec(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(body->m_mass, 1.0f);
    // The options keep what the file said: only the body is repaired.
    EXPECT_EQ(memcmp(&before, &opts, offsetof(ve::BodyOpts, physicsBody)), 0);
}

TEST_F(GlueTest, ValuesAtTheBoundsAreSoundAndKeptExactly) {
    const f32 rate = ve::MAX_BODY_RATE;
    ve::Primitive dynamicBox = cuboidAt(vec(ve::MAX_DYNAMIC_BOX_REACH, 0, -ve::MAX_DYNAMIC_BOX_REACH),
                                        vec(ve::MAX_DYNAMIC_BOX_REACH, 1, -ve::MAX_DYNAMIC_BOX_REACH));
    const f32 far = ve::MAX_BODY_POSITION;
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(-far, far, 0), &dynamicBox, 1);
    opts.linearVelocity = vec(rate, -rate, 0);
    opts.angularVelocity = vec(-rate, 0, rate);
    opts.gravity = -rate;
    opts.linearFriction = 0.0f;
    opts.angularFriction = 1e30f;
    u32 id = 0;
    EXPECT_EQ(printedBy([&] { id = create(&opts); }), std::vector<std::string>());
    phBody* body = ve::getBody(id);
    EXPECT_EQ(toV3(body->m_tx.position), vec(-far, far, 0));
    EXPECT_EQ(toV3(body->m_linearVelocity), vec(rate, -rate, 0));
    EXPECT_EQ(toV3(body->m_angularVelocity), vec(-rate, 0, rate));
    EXPECT_EQ(body->m_gravityScale, (f32)((f64)-rate / 9.81));
    EXPECT_EQ(body->m_angularDamping, 1e30f);
    EXPECT_EQ(toV3(body->m_boxes->e), vec(ve::MAX_DYNAMIC_BOX_REACH / 2, 0.5f, ve::MAX_DYNAMIC_BOX_REACH / 2));

    // A static body's boxes may be larger; the dynamic bound is exceeded by one step of f32.
    ve::Primitive staticBox = cuboidAt(vec(0, ve::MAX_STATIC_BOX_REACH, 0), vec(ve::MAX_STATIC_BOX_REACH, 1, 1));
    ve::BodyOpts floor = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), &staticBox, 1);
    EXPECT_EQ(printedBy([&] { create(&floor); }), std::vector<std::string>());
    EXPECT_EQ(toV3(ve::getBody(floor.physicsBody)->m_boxes->e), vec(ve::MAX_STATIC_BOX_REACH / 2, 0.5f, 0.5f));
    ve::Primitive justOver = cuboidAt(vec(0, 0, 0), vec(nextafterf(ve::MAX_DYNAMIC_BOX_REACH, INFINITY), 1, 1));
    ve::BodyOpts over = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), &justOver, 1);
    EXPECT_EQ(printedBy([&] { create(&over); }).size(), 1u);
    EXPECT_EQ(toV3(ve::getBody(over.physicsBody)->m_boxes->e), vec(0.5f, 0.5f, 0.5f));
}

TEST_F(GlueTest, ADegenerateRotationBuildsAnUnrotatedBody) {
    ve::mat3 zero = {};
    ve::mat3 notFinite = ve::iMat3();
    notFinite.col2 = vec(NAN, 0, 0);
    ve::mat3 infinite = ve::iMat3();
    infinite.col3 = vec(0, 0, INFINITY);
    const ve::mat3 rotations[] = {zero, notFinite, infinite};
    for (const ve::mat3& r : rotations) {
        ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
        ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(1, 2, 3), &box, 1);
        opts.rotation = r;
        phBody* body = ve::getBody(create(&opts));
        EXPECT_EQ(maxDifference(bodyRotation(body), ve::iMat3()), 0.0f);
        EXPECT_EQ(body->m_q.w, 1.0f);
        EXPECT_EQ(toV3(body->m_worldCenter), vec(1, 2, 3));
    }
}

TEST_F(GlueTest, RotationsOfEverySizeAreBuiltExactlyEvenWhenScaled) {
    // Small tilts, which the axis-angle extraction would snap to zero, half turns and arbitrary
    // axes; each given with its columns scaled, which the options allow.
    struct Case {
        ve::v3 axis;
        f32 degrees;
    };
    const Case cases[] = {{vec(0, 0, 1), 1.0f},     {vec(1, 0, 0), 0.1f},     {vec(0, 1, 0), 2.5f},
                          {vec(0, 0, 1), 180.0f},   {vec(0, 1, 0), 179.5f},   {vec(0.6f, 0, 0.8f), 73.0f},
                          {vec(0, 0.8f, 0.6f), -120.0f}, {vec(1, 0, 0), 0.0f}};
    for (const Case& c : cases) {
        ve::mat3 wanted = rotation(c.axis, c.degrees);
        ve::mat3 scaled = wanted;
        scaled.col1 = scaled.col1 * 3.0f;
        scaled.col3 = scaled.col3 * 0.5f;
        ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
        ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), &box, 1);
        opts.rotation = scaled;
        phBody* body = ve::getBody(create(&opts));
        EXPECT_LT(maxDifference(bodyRotation(body), wanted), 2e-6f) << c.degrees << " degrees";
    }
}

// ---------------------------------------------------------------------------------------------
// The body store and its ids
// ---------------------------------------------------------------------------------------------

TEST_F(GlueTest, IdsStartAfterNoBodyAndContinueAcrossScenes) {
    EXPECT_EQ(ve::getBody(ve::NO_BODY), nullptr);
    u32 first = createBox(STATIC_FLAGS, vec(0, 0, 0));
    u32 second = createBox(DYNAMIC_FLAGS, vec(0, 5, 0));
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    phBody* secondBody = ve::getBody(second);

    // A scene switch (here to a level that does not exist, which gives the empty "New Scene")
    // removes every body; the next ids continue and the old ones name no body.
    ve::Scene missing;
    ve::loadScene(&missing, ve::wrapASCIIZ("Level 9"), &state()->permanentStore);
    ve::replaceScene(&state()->currentScene, &missing);
    EXPECT_EQ(scene()->m_bodyCount, 0);
    EXPECT_EQ(ve::getBody(first), nullptr);
    EXPECT_EQ(ve::getBody(second), nullptr);
    u32 third = createBox(DYNAMIC_FLAGS, vec(0, 5, 0));
    EXPECT_EQ(third, 3u);
    EXPECT_NE(ve::getBody(third), nullptr);
    // The scene's heap may hand the freed memory to the new body: an old id must still not
    // reach it.
    EXPECT_EQ(ve::getBody(second), nullptr);
    (void)secondBody;

    ve::removeAllBodies(scene());
    EXPECT_EQ(createBox(DYNAMIC_FLAGS, vec(0, 0, 0)), 4u);
    EXPECT_EQ(ve::getBody(third), nullptr);
}

TEST_F(GlueTest, IdsReachBodiesPastTheFirstChunk) {
    std::vector<phBody*> bodies;
    for (u32 i = 0; i < 250; ++i) {
        u32 id = createBox(STATIC_FLAGS, vec((f32)i * 3.0f, 0, 0));
        ASSERT_EQ(id, i + 1);
        bodies.push_back(ve::getBody(id));
    }
    for (u32 i = 0; i < 250; ++i) {
        EXPECT_EQ(ve::getBody(i + 1), bodies[i]);
        EXPECT_EQ(bodies[i]->m_tx.position.x, (f32)i * 3.0f);
    }
    EXPECT_EQ(ve::getBody(251), nullptr);
}

TEST_F(GlueTest, AnIdThatNamesNoBodyReadsAsAnInertBodyAndIsNeverWritten) {
    u32 live = createBox(DYNAMIC_FLAGS, vec(1, 2, 3));
    phBody* body = ve::getBody(live);
    phVec3 velocity = body->m_linearVelocity;
    const u32 deadIds[] = {ve::NO_BODY, live + 1, 0xFFFFFFFFu};
    for (u32 id : deadIds) {
        EXPECT_EQ(ve::getBody(id), nullptr) << id;
        ve::mat4 transform = ve::getTransform(id);
        EXPECT_EQ(ve::getTranslation(transform), vec(0, 0, 0));
        EXPECT_EQ(transform.E11, 1.0f);
        EXPECT_EQ(ve::getLinearVeloctiy(id), vec(0, 0, 0));
        EXPECT_EQ(*ve::getLayers(id), 0u);
        EXPECT_FALSE(ve::isHit(id, vec(0, 0, -5), vec(0, 0, 1), 100.0f));
        ve::Primitive listed[4];
        u32 count = 4;
        ve::getAllColliders(id, listed, &count);
        EXPECT_EQ(count, 0u);

        ve::BodyOptsAccess access;
        EXPECT_FALSE(ve::getBodyStruct(id, &access));
        EXPECT_EQ(*access.position, vec(0, 0, 0));
        EXPECT_EQ(access.rotation->E22, 1.0f);
        *access.position = vec(7, 7, 7);
        *access.collisionMask = 3;
        // Writes through the scratch record are not kept.
        EXPECT_FALSE(ve::getBodyStruct(id, &access));
        EXPECT_EQ(*access.position, vec(0, 0, 0));
        EXPECT_EQ(*access.collisionMask, 0u);

        std::string reported = stderrOf([&] {
            ve::setLinearVelocity(id, vec(1, 1, 1));
            ve::applyForce(id, vec(1, 1, 1));
            ve::setPosition(id, vec(1, 1, 1));
            ve::setActive(id, false);
            ve::updateObject(id);
        });
        EXPECT_NE(reported.find("NOT NULL: body"), std::string::npos);
    }
    EXPECT_EQ(toV3(body->m_linearVelocity), toV3(velocity));
    EXPECT_EQ(toV3(body->m_tx.position), vec(1, 2, 3));
    EXPECT_EQ(body->m_layers, (i32)ve::ALL_LAYERS);
}

TEST_F(GlueTest, AFullBodyStoreLeavesNoBodyBehindAndNoId) {
    // Exhaust the permanent store so that the next chunk of the body store cannot be taken.
    for (u32 i = 0; i < 98; ++i) createBox(STATIC_FLAGS, vec((f32)i * 3.0f, 0, 0));
    ve::MemoryStore* permanent = &state()->permanentStore;
    for (msi size = (msi)1 << 26; size >= 16; size /= 2)
        while (ve::pushToHeap(permanent, size)) {
        }
    u32 lastInChunk = createBox(STATIC_FLAGS, vec(0, 50, 0)); // entry 99, still in the first chunk
    EXPECT_EQ(lastInChunk, 99u);
    i32 bodiesBefore = scene()->m_bodyCount;
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), &box, 1);
    std::string reported = stderrOf([&] { create(&opts); });
    EXPECT_NE(reported.find("NOT NULL: stored"), std::string::npos);
    EXPECT_EQ(opts.physicsBody, ve::NO_BODY);
    EXPECT_EQ(scene()->m_bodyCount, bodiesBefore);
    EXPECT_EQ(state()->physicsBodies.length, 100u);
}

// A body that does not fit in the physics store is refused with one line naming its entity; the
// scene steps on. Past the first three, refusals are not named: the next step counts them in one
// line.
TEST_F(GlueTest, BodiesWithoutRoomAreRefusedWithTheirEntitiesNamedThenCounted) {
    struct Case {
        u32 refused;
        u32 namedLines;
        const char* countLine;
    };
    for (const Case& c : {Case{1, 1, nullptr}, Case{3, 3, nullptr},
                          Case{5, 3, "Physics: 2 more bodies found no room in the physics store; they have no body"}}) {
        SCOPED_TRACE(c.refused);
        ve::removeAllBodies(scene());
        u32 floor = createBox(STATIC_FLAGS, vec(0, -0.5f, 0), vec(20, 1, 20));
        std::vector<ve::BodyOpts*> options;
        ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
        for (u32 i = 0; i < c.refused; ++i) {
            std::string name = "Crate " + std::to_string(c.refused) + "." + std::to_string(i);
            ve::Entity* entity = ve::createEntity(&state()->currentScene, ve::MetaType::game_WallEntity,
                                                  ve::wrapASCIIZ(name.c_str()));
            options.push_back((ve::BodyOpts*)entity->entityData.data);
            *options.back() = bodyOpts(DYNAMIC_FLAGS, vec(0, 2, 0), &box, 1);
        }
        // Fill the scene heap, then the physics store behind it.
        for (i32 size = 1 << 20; size >= 16; size /= 2)
            while (scene()->m_heap.Allocate(size)) {
            }
        for (msi size = (msi)1 << 26; size >= 16; size /= 2)
            while (ve::tryPushToHeap(&state()->physicsStore, size)) {
            }
        i32 bodiesBefore = scene()->m_bodyCount;
        std::vector<std::string> printed;
        stderrOf([&] {
            printed = printedBy([&] {
                for (ve::BodyOpts* opts : options) ve::createBody(scene(), opts);
            });
        });
        ASSERT_EQ(printed.size(), c.namedLines);
        for (u32 i = 0; i < c.namedLines; ++i)
            EXPECT_NE(printed[i].find("\"Crate " + std::to_string(c.refused) + "." + std::to_string(i) + "\""),
                      std::string::npos)
                << printed[i];
        for (ve::BodyOpts* opts : options) EXPECT_EQ(opts->physicsBody, ve::NO_BODY);
        EXPECT_EQ(scene()->m_bodyCount, bodiesBefore);
        stderrOf([&] { printed = printedBy([&] { ve::physicsUpdate(scene()); }); });
        std::vector<std::string> counted;
        for (const std::string& line : printed)
            if (line.find("more bodies") != std::string::npos) counted.push_back(line);
        ASSERT_EQ(counted.size(), c.countLine ? 1u : 0u);
        if (c.countLine) {
            EXPECT_EQ(counted[0], c.countLine);
        }
        EXPECT_NE(ve::getBody(floor), nullptr);
    }
}

// A step that needs more than the physics store holds says so in one line with its figures, and
// later steps that fall short say nothing more.
TEST_F(GlueTest, AStepThatFallsShortIsToldOnceWithItsFigures) {
    ve::removeAllBodies(scene());
    createBox(STATIC_FLAGS, vec(0, -0.5f, 0), vec(20, 1, 20));
    createBox(DYNAMIC_FLAGS, vec(0, 0.45f, 0));
    createBox(DYNAMIC_FLAGS, vec(3, 0.45f, 0));
    for (msi size = (msi)1 << 26; size >= 16; size /= 2)
        while (ve::tryPushToHeap(&state()->physicsStore, size)) {
        }
    std::vector<std::string> first, later;
    stderrOf([&] {
        first = printedBy([&] { ve::physicsUpdate(scene()); });
        later = printedBy([&] { ve::physicsUpdate(scene()); });
    });
    ASSERT_EQ(first.size(), 1u);
    // The two cubes are held still: the store has no room for the arrays of any island.
    EXPECT_NE(first[0].find("): 0 pieces of islands were solved apart, 0 islands were solved in parts, 2 bodies "
                            "were held still and "),
              std::string::npos)
        << first[0];
    EXPECT_TRUE(later.empty());
}

// A body that finds room in the scene heap while its box does not goes as well: one line names
// its entity, and the scene keeps no body without its box.
TEST_F(GlueTest, ABodyWhoseBoxFindsNoRoomGoesWithIt) {
    ve::Entity* entity =
        ve::createEntity(&state()->currentScene, ve::MetaType::game_WallEntity, ve::wrapASCIIZ("Crate 8"));
    ve::BodyOpts* opts = (ve::BodyOpts*)entity->entityData.data;
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    *opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 2, 0), &box, 1);
    createBox(STATIC_FLAGS, vec(0, -0.5f, 0), vec(20, 1, 20));
    // Room in the heap for exactly one body: a hole of its size among full regions.
    void* hole = scene()->m_heap.Allocate(i32(sizeof(phBody)));
    for (i32 size = 1 << 20; size >= 16; size /= 2)
        while (scene()->m_heap.Allocate(size)) {
        }
    scene()->m_heap.Free(hole);
    i32 bodiesBefore = scene()->m_bodyCount;
    std::vector<std::string> printed;
    stderrOf([&] { printed = printedBy([&] { ve::createBody(scene(), opts); }); });
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_NE(printed[0].find("\"Crate 8\""), std::string::npos) << printed[0];
    EXPECT_EQ(opts->physicsBody, ve::NO_BODY);
    EXPECT_EQ(scene()->m_bodyCount, bodiesBefore);
}

// The setters refuse values that are not finite, with one line each, and leave the body as it is.
TEST_F(GlueTest, SettersRefuseValuesThatAreNotFinite) {
    const f32 nan = NAN, inf = INFINITY;
    u32 id = createBox(DYNAMIC_FLAGS, vec(1, 2, 3));
    phBody* body = ve::getBody(id);
    body->SetToSleep();
    using Setter = void (*)(u32, ve::v3);
    const Setter setters[] = {ve::setLinearVelocity, ve::applyForce, ve::setPosition};
    for (Setter set : setters) {
        for (ve::v3 bad : {vec(nan, 0, 0), vec(0, inf, 0), vec(0, 0, -inf)}) {
            std::vector<std::string> printed = printedBy([&] { set(id, bad); });
            EXPECT_EQ(printed.size(), 1u);
            EXPECT_EQ(toV3(body->m_worldCenter), vec(1, 2, 3));
            EXPECT_EQ(toV3(body->m_linearVelocity), vec(0, 0, 0));
            EXPECT_EQ(toV3(body->m_force), vec(0, 0, 0));
            EXPECT_FALSE(body->IsAwake());
        }
    }
}

// A velocity or acceleration beyond the bound that body creation applies (which overflows in the
// solver) is held within it, with one line per body however often an entity repeats the call.
TEST_F(GlueTest, SettersHoldRatesWithinTheCreationBound) {
    u32 id = createBox(DYNAMIC_FLAGS, vec(1, 2, 3));
    phBody* body = ve::getBody(id);
    std::vector<std::string> printed = printedBy([&] { ve::setLinearVelocity(id, vec(0, -3e38f, 5)); });
    EXPECT_EQ(printed.size(), 1u);
    EXPECT_EQ(toV3(body->m_linearVelocity), vec(0, -ve::MAX_BODY_RATE, 5));

    printed = printedBy([&] {
        for (int frame = 0; frame < 3; frame++) ve::applyForce(id, vec(2e30f, 0, 0));
    });
    EXPECT_EQ(printed.size(), 0u);
    EXPECT_EQ(body->m_force.x, 3 * ve::MAX_BODY_RATE * body->GetMass());

    u32 other = createBox(DYNAMIC_FLAGS, vec(5, 2, 3));
    printed = printedBy([&] { ve::applyForce(other, vec(2e30f, 0, 0)); });
    EXPECT_EQ(printed.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Reading a body
// ---------------------------------------------------------------------------------------------

TEST_F(GlueTest, TheTransformIsTheBodyOriginAndRotation) {
    ve::mat3 r = rotation(vec(0, 1, 0), 30.0f);
    ve::Primitive box = cuboidAt(vec(2, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(4, 5, 6), &box, 1);
    opts.rotation = r;
    u32 id = create(&opts);
    ve::mat4 transform = ve::getTransform(id);
    // The origin, not the centre of mass (which lies on the off-centre box).
    EXPECT_LT(distance(ve::getTranslation(transform), vec(4, 5, 6)), 1e-5f);
    EXPECT_LT(maxDifference(ve::toMat3(transform), r), 1e-5f);
    EXPECT_EQ(transform.E44, 1.0f);
    EXPECT_EQ(transform.E41, 0.0f);
}

TEST_F(GlueTest, TheAccessRecordPointsIntoTheLiveBody) {
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS | LOCK_Z, vec(1, 2, 3), &box, 1);
    opts.linearFriction = 0.5f;
    opts.angularFriction = 0.25f;
    opts.collisionMask = 6;
    u32 id = create(&opts);
    phBody* body = ve::getBody(id);
    ve::BodyOptsAccess access;
    ASSERT_TRUE(ve::getBodyStruct(id, &access));
    EXPECT_EQ(*access.position, vec(1, 2, 3));
    EXPECT_EQ(*access.collisionMask, 6u);
    EXPECT_EQ(*access.linearFriction, 0.5f);
    EXPECT_EQ(*access.angularFriction, 0.25f);
    EXPECT_TRUE(access.flags->eDynamic);
    EXPECT_TRUE(access.flags->eLockAxisZ);
    EXPECT_FALSE(access.flags->eStatic);

    *access.position = vec(9, 8, 7);
    access.rotation->col1 = vec(0, 1, 0);
    *access.collisionMask = 2;
    access.flags->eLockAxisX = 1;
    EXPECT_EQ(toV3(body->m_tx.position), vec(9, 8, 7));
    EXPECT_EQ(toV3(body->m_tx.rotation.ex), vec(0, 1, 0));
    EXPECT_EQ(body->m_layers, 2);
    EXPECT_TRUE(body->m_flags & phBody::eLockAxisX);
    EXPECT_EQ(ve::getLayers(id), access.collisionMask);
}

TEST_F(GlueTest, CollidersAreListedNewestFirstWithHalfExtentsUpToTheRoom) {
    ve::mat3 r = rotation(vec(1, 0, 0), 90.0f);
    ve::Primitive colliders[2] = {cuboidAt(vec(1, 0, 0), vec(2, 2, 2)),
                                  cuboid(ve::transMat(vec(0, 3, 0)) * ve::toMat4(r * 2.0f), vec(1, 2, 3))};
    ve::BodyOpts opts = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), colliders, 2);
    u32 id = create(&opts);

    struct Case {
        u32 room;
        u32 expectedCount;
    };
    const Case cases[] = {{10, 2}, {2, 2}, {1, 1}, {0, 0}};
    for (const Case& c : cases) {
        ve::Primitive listed[3];
        listed[c.room < 3 ? c.room : 2].type = (ve::Primitive_Type)99; // the entry past the room
        u32 count = c.room;
        ve::getAllColliders(id, listed, &count);
        ASSERT_EQ(count, c.expectedCount) << "room " << c.room;
        if (c.room < 3) {
            EXPECT_EQ((u32)listed[c.room].type, 99u) << "written past the room";
        }
        if (count == 0) continue;
        // B first: its offset, unit axes and half of (1, 2, 3) scaled by 2.
        EXPECT_EQ(listed[0].type, ve::Primitive_Type::Cuboid);
        EXPECT_LT(distance(ve::getTranslation(listed[0].localTransform), vec(0, 3, 0)), 1e-6f);
        EXPECT_LT(maxDifference(ve::toMat3(listed[0].localTransform), r), 1e-5f);
        EXPECT_LT(distance(listed[0].cuboid.scale, vec(1, 2, 3)), 1e-5f);
        if (count < 2) continue;
        EXPECT_LT(distance(ve::getTranslation(listed[1].localTransform), vec(1, 0, 0)), 1e-6f);
        EXPECT_LT(distance(listed[1].cuboid.scale, vec(1, 1, 1)), 1e-6f);
    }
}

TEST_F(GlueTest, ARayTestsOnlyTheBoxAddedLast) {
    // A at +x, B (added last) at -x; the body is turned half a turn about y, so B lies at +x.
    ve::Primitive colliders[2] = {cuboidAt(vec(5, 0, 0), vec(1, 1, 1)), cuboidAt(vec(-5, 0, 0), vec(1, 1, 1))};
    ve::BodyOpts opts = bodyOpts(STATIC_FLAGS, vec(0, 0, 10), colliders, 2);
    opts.rotation = rotation(vec(0, 1, 0), 180.0f);
    u32 id = create(&opts);
    struct Case {
        ve::v3 start;
        ve::v3 dir;
        f32 reach;
        b8 hit;
    };
    const Case cases[] = {
        {vec(5, 0, 0), vec(0, 0, 1), 20.0f, 1},   // B, where the turn put it
        {vec(-5, 0, 0), vec(0, 0, 1), 20.0f, 0},  // A: not tested
        {vec(5, 0, 0), vec(0, 0, 1), 9.0f, 0},    // B out of reach (its face is at 9.5)
        {vec(5, 0, 0), vec(0, 0, 1), 9.6f, 1},
        {vec(5, 0, 0), vec(0, 0, -1), 20.0f, 0},  // pointing away
        {vec(5, 0, 10), vec(0, 1, 0), 0.1f, 1},   // starting inside
    };
    for (const Case& c : cases)
        EXPECT_EQ(ve::isHit(id, c.start, c.dir, c.reach), c.hit) << c.start.x << " reach " << c.reach;

    ve::BodyOpts bare = bodyOpts(STATIC_FLAGS, vec(0, 0, 10), nullptr, 0);
    EXPECT_FALSE(ve::isHit(create(&bare), vec(0, 0, 0), vec(0, 0, 1), 100.0f));
}

// ---------------------------------------------------------------------------------------------
// Acting on a body
// ---------------------------------------------------------------------------------------------

TEST_F(GlueTest, VelocityAndForceWakeADynamicBodyAndSpareAStaticOne) {
    u32 dynamicId = createBox(DYNAMIC_FLAGS, vec(0, 0, 0), vec(2, 2, 2));
    phBody* body = ve::getBody(dynamicId);
    body->SetToSleep();
    ve::setLinearVelocity(dynamicId, vec(0, 0, 0));
    EXPECT_FALSE(body->IsAwake());
    ve::setLinearVelocity(dynamicId, vec(1, 2, 3));
    EXPECT_TRUE(body->IsAwake());
    EXPECT_EQ(ve::getLinearVeloctiy(dynamicId), vec(1, 2, 3));

    body->SetToSleep();
    ve::applyForce(dynamicId, vec(0, 1, 0));
    EXPECT_TRUE(body->IsAwake());
    EXPECT_EQ(body->m_force.y, body->m_mass); // an acceleration, scaled by the mass (8)
    EXPECT_EQ(body->m_mass, 8.0f);

    u32 staticId = createBox(STATIC_FLAGS, vec(0, 5, 0));
    std::string reported = stderrOf([&] { ve::setLinearVelocity(staticId, vec(1, 0, 0)); });
    EXPECT_NE(reported.find("isStaticBody"), std::string::npos);
    EXPECT_EQ(ve::getLinearVeloctiy(staticId), vec(0, 0, 0));
}

TEST_F(GlueTest, SetPositionPlacesTheOriginOfAnOffCentreBody) {
    // The only box sits 2 units off the origin, so the centre of mass does too.
    ve::Primitive box = cuboidAt(vec(2, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), &box, 1);
    opts.rotation = rotation(vec(0, 0, 1), 90.0f);
    u32 id = create(&opts);
    phBody* body = ve::getBody(id);
    ve::mat3 before = bodyRotation(body);

    ve::setPosition(id, vec(10, 20, 30));
    EXPECT_LT(distance(toV3(body->m_tx.position), vec(10, 20, 30)), 1e-5f);
    EXPECT_LT(distance(toV3(body->m_worldCenter), vec(10, 22, 30)), 1e-5f);
    EXPECT_EQ(maxDifference(bodyRotation(body), before), 0.0f);
    // The proxy moved with it: a ray at the new place of the box hits.
    EXPECT_TRUE(ve::isHit(id, vec(10, 22, 25), vec(0, 0, 1), 10.0f));
}

// What the editor's "Position" and "Rotation" fields hand to the body.
TEST_F(GlueTest, SetPoseTakesTheTypedRotationAndRefusesAPositionOutOfRange) {
    ve::Primitive box = cuboidAt(vec(2, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 0, 0), &box, 1);
    u32 id = create(&opts);
    phBody* body = ve::getBody(id);
    const ve::mat3 typed = rotation(vec(0.0f, 0.6f, 0.8f), 40.0f);
    ve::setPose(id, vec(1, 2, 3), typed);
    EXPECT_LT(maxDifference(bodyRotation(body), typed), 1e-5f);
    EXPECT_LT(distance(toV3(body->m_tx.position), vec(1, 2, 3)), 1e-5f);
    const f32 outOfRange[] = {nextafterf(ve::MAX_BODY_POSITION, INFINITY), -INFINITY, NAN};
    for (f32 bad : outOfRange) {
        std::vector<std::string> printed = printedBy([&] { ve::setPose(id, vec(0, bad, 0), ve::iMat3()); });
        EXPECT_EQ(printed.size(), 1u) << bad;
        EXPECT_LT(distance(toV3(body->m_tx.position), vec(1, 2, 3)), 1e-5f) << bad;
        EXPECT_LT(maxDifference(bodyRotation(body), typed), 1e-5f) << bad;
    }
}

// A carrier moved by hand one and a half box widths from under a sleeping box: their pair survives
// with an empty manifold until the fattened proxies part, so only the move itself can wake the
// rider. Once woken it falls.
TEST_F(GlueTest, MovingABodyByHandWakesTheBodiesThatRestOnIt) {
    struct Case {
        const char* how;
        u32 carrierFlags;
        void (*move)(u32 carrier);
    };
    const Case cases[] = {
        {"setPosition", STATIC_FLAGS, [](u32 carrier) { ve::setPosition(carrier, vec(1.5f, -0.5f, 0)); }},
        {"updateObject", KINEMATIC_FLAGS,
         [](u32 carrier) {
             ve::getBody(carrier)->m_tx.position.x = 1.5f; // as the rewind writes it
             ve::updateObject(carrier);
         }},
    };
    for (const Case& c : cases) {
        ve::removeAllBodies(scene());
        u32 carrier = createBox(c.carrierFlags, vec(0, -0.5f, 0), vec(1, 1, 1), 0.0f);
        u32 rider = createBox(DYNAMIC_FLAGS, vec(0, 0.5f, 0));
        phBody* riderBody = ve::getBody(rider);
        for (int i = 0; i < 600 && riderBody->IsAwake(); ++i) ve::physicsUpdate(scene());
        ASSERT_FALSE(riderBody->IsAwake()) << c.how << ": the rider never fell asleep";
        ASSERT_NE(contactBetween(riderBody, ve::getBody(carrier)), nullptr) << c.how;

        c.move(carrier);
        EXPECT_TRUE(riderBody->IsAwake()) << c.how;
        for (int i = 0; i < 60; ++i) ve::physicsUpdate(scene());
        EXPECT_LT(riderBody->m_tx.position.y, 0.0f) << c.how << ": the rider stayed in the air";
    }
}

// Positions are bounded like sizes: two boxes overlapping near the float maximum would overflow
// their contact midpoint, and the NaN that follows reaches every body within two steps.
TEST_F(GlueTest, BoxesNearTheFloatMaximumCannotTurnTheWorldIntoNaN) {
    u32 sound = createBox(DYNAMIC_FLAGS, vec(50, 10, 50));
    std::vector<std::string> printed = printedBy([&] {
        createBox(DYNAMIC_FLAGS, vec(3e38f, 3e38f, 0));
        createBox(DYNAMIC_FLAGS, vec(3e38f, 3e38f, 0.5f));
    });
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_NE(printed[0].find("Body options: position"), std::string::npos) << printed[0];
    for (int i = 0; i < 10; ++i) ve::physicsUpdate(scene());
    EXPECT_TRUE(std::isfinite(ve::getBody(sound)->m_tx.position.y));
}

TEST_F(GlueTest, SetActiveSwitchesBetweenAllLayersAndNone) {
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), &box, 1);
    opts.collisionMask = 3;
    u32 id = create(&opts);
    ve::setActive(id, false);
    EXPECT_EQ(*ve::getLayers(id), 0u);
    ve::setActive(id, true);
    EXPECT_EQ(*ve::getLayers(id), 0xFFFFu);
    ve::setActive(id, true);
    EXPECT_EQ(*ve::getLayers(id), 0xFFFFu);
}

// A barrier switched back on next to a resting player collides at once: the broad phase never
// pairs proxies that did not move, so the glue must make it look again.
TEST_F(GlueTest, ABarrierSwitchedOnAgainstARestingBodyCollidesInTheNextStep) {
    u32 floor = createBox(STATIC_FLAGS, vec(0, -0.5f, 0), vec(20, 1, 20));
    u32 barrier = createBox(STATIC_FLAGS, vec(0.7f, 1.5f, 0), vec(1, 3, 4));
    u32 player = createBox(DYNAMIC_FLAGS, vec(0, 0.5f, 0), vec(1, 1, 1));
    phBody* playerBody = ve::getBody(player);
    phBody* barrierBody = ve::getBody(barrier);
    (void)floor;

    // Off: the player's box overlaps the barrier's by 0.3 and rests on the floor.
    ve::setActive(barrier, false);
    for (int i = 0; i < 30; ++i) ve::physicsUpdate(scene());
    EXPECT_EQ(contactBetween(playerBody, barrierBody), nullptr);
    playerBody->SetToSleep();
    f32 restingX = playerBody->m_tx.position.x;

    ve::setActive(barrier, true);
    ve::physicsUpdate(scene());
    phContactConstraint* contact = contactBetween(playerBody, barrierBody);
    ASSERT_NE(contact, nullptr);
    EXPECT_TRUE(contact->m_flags & phContactConstraint::eColliding);
    EXPECT_TRUE(playerBody->IsAwake());
    for (int i = 0; i < 30; ++i) ve::physicsUpdate(scene());
    EXPECT_LT(playerBody->m_tx.position.x, restingX - 0.1f) << "pushed out of the barrier";

    // Off again: the contact goes in the next step, though the player is at rest against it.
    playerBody->SetToSleep();
    ve::setActive(barrier, false);
    ve::physicsUpdate(scene());
    EXPECT_EQ(contactBetween(playerBody, barrierBody), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The editor's collider list
// ---------------------------------------------------------------------------------------------

TEST_F(GlueTest, AppendingToALoadedColliderArrayNeverWritesPastIt) {
    ve::MemoryStore* heap = &state()->currentScene.sceneDataHeap;
    // As a scene file leaves it: exactly two colliders, with other data right behind them.
    ve::Primitive* loaded = (ve::Primitive*)ve::pushToHeap(heap, 2 * sizeof(ve::Primitive));
    ASSERT_NE(loaded, nullptr);
    loaded[0] = cuboidAt(vec(1, 0, 0), vec(1, 1, 1));
    loaded[1] = cuboidAt(vec(2, 0, 0), vec(1, 1, 1));
    u8* neighbour = (u8*)ve::pushToHeap(heap, 256);
    ASSERT_NE(neighbour, nullptr);
    memset(neighbour, 0xAB, 256);

    ve::BodyOpts opts = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), loaded, 2);
    for (u32 i = 0; i < 60; ++i) ve::addColliderSceneLoad(&opts, cuboidAt(vec(3.0f + (f32)i, 0, 0), vec(1, 1, 1)));
    ASSERT_EQ(opts.colliderCount, 62u);
    for (u32 i = 0; i < 62; ++i) EXPECT_EQ(opts.colliders[i].localTransform.E14, (f32)(i + 1)) << i;
    for (u32 i = 0; i < 256; ++i) ASSERT_EQ(neighbour[i], 0xAB) << "byte " << i << " behind the loaded array";
    EXPECT_TRUE(ve::ptrInBuffer(heap->buf, opts.colliders));
}

TEST_F(GlueTest, AppendingStartsAnArrayOrCopiesOneFromOutsideTheSceneHeap) {
    ve::BodyOpts fresh = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), nullptr, 0);
    ve::addColliderSceneLoad(&fresh, cuboidAt(vec(0, 0, 0), vec(1, 1, 1)));
    ASSERT_EQ(fresh.colliderCount, 1u);
    EXPECT_EQ(fresh.colliders[0].cuboid.scale, vec(1, 1, 1));
    EXPECT_TRUE(ve::ptrInBuffer(state()->currentScene.sceneDataHeap.buf, fresh.colliders));

    ve::Primitive outside[1] = {cuboidAt(vec(4, 0, 0), vec(1, 1, 1))};
    ve::BodyOpts elsewhere = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), outside, 1);
    ve::addColliderSceneLoad(&elsewhere, cuboidAt(vec(5, 0, 0), vec(1, 1, 1)));
    ASSERT_EQ(elsewhere.colliderCount, 2u);
    EXPECT_NE(elsewhere.colliders, outside);
    EXPECT_EQ(elsewhere.colliders[0].localTransform.E14, 4.0f);
    EXPECT_EQ(elsewhere.colliders[1].localTransform.E14, 5.0f);
    EXPECT_EQ(outside[0].localTransform.E14, 4.0f);
}

TEST_F(GlueTest, RemovingAColliderKeepsTheOrderOfTheRest) {
    ve::Primitive colliders[4];
    for (u32 i = 0; i < 4; ++i) colliders[i] = cuboidAt(vec((f32)i, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(STATIC_FLAGS, vec(0, 0, 0), colliders, 4);
    ve::removeColliderSceneLoad(&opts, 1);
    ASSERT_EQ(opts.colliderCount, 3u);
    EXPECT_EQ(opts.colliders[0].localTransform.E14, 0.0f);
    EXPECT_EQ(opts.colliders[1].localTransform.E14, 2.0f);
    EXPECT_EQ(opts.colliders[2].localTransform.E14, 3.0f);
    ve::removeColliderSceneLoad(&opts, 2);
    EXPECT_EQ(opts.colliderCount, 2u);
    EXPECT_DEATH(ve::removeColliderSceneLoad(&opts, 2), "ASSERTION FAILED:.*false");
}

} // namespace
