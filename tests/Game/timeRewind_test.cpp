// The time rewind with real bodies: registration through the physics glue and its limits, the
// full history, the hand-back of rewound bodies on SPACE release, and forces during a rewind.
// Frames run through the real engine update.

#include "../Physics/physicsGlue_harness.h"

#include "Core/Scene/scene.h"
#include "Util/string.h"

using namespace gluetest;

namespace {

// ---------------------------------------------------------------------------------------------
// A walking entity: its data begins with body options, its init builds the body and registers
// it, and its update pushes it forward while W is held, as the player's does.
// ---------------------------------------------------------------------------------------------

constexpr f32 WALK_ACCELERATION = 30.0f; // metres per second squared

ve::BodyOpts* walkerOpts(void* data) { return (ve::BodyOpts*)data; }

void initWalker(void* data) {
    ve::createBody(ve::engineState->scene, walkerOpts(data));
    ve::addTimeVars(walkerOpts(data)->physicsBody);
}

void updateWalker(void* data) {
    if (ve::input->keyboard.W.isDown) ve::applyForce(walkerOpts(data)->physicsBody, vec(0, 0, -WALK_ACCELERATION));
}

void renderNothing(void*) {}

ve::EntityType walkerType = {nullptr, initWalker, updateWalker, renderNothing};

class TimeRewind : public GlueTest {
protected:
    ve::Primitive walkerBox = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));

    // A weightless walker at `position`, initialised as a scene initialisation would.
    u32 addWalker(const char* name, ve::v3 position) {
        ve::Entity* entity = ve::createEntity(&state()->currentScene, ve::MetaType::game_WallEntity, ve::wrapASCIIZ(name));
        EXPECT_NE(entity, nullptr);
        entity->type = &walkerType;
        ve::BodyOpts* opts = walkerOpts(entity->entityData.data);
        *opts = bodyOpts(DYNAMIC_FLAGS, position, &walkerBox, 1);
        opts->gravity = 0.0f;
        initWalker(opts);
        return opts->physicsBody;
    }

    void holdSpace() { press(&keys().SPACE); }
    void letGoOfSpace() { release(&keys().SPACE); }
};

// ---------------------------------------------------------------------------------------------
// Registration
// ---------------------------------------------------------------------------------------------

TEST_F(TimeRewind, ABodyRegistersItsPoseAndVelocitiesInOrder) {
    ve::Primitive box = cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(1, 2, 3), &box, 1);
    u32 id = create(&opts);
    ve::addTimeVars(id);
    phBody* body = ve::getBody(id);
    ve::saveThis* vars = &state()->trackedVars;
    ASSERT_EQ(vars->floatCount, 18u);
    const phVec3* vectors[] = {&body->m_tx.position,   &body->m_tx.rotation.ex, &body->m_tx.rotation.ey,
                               &body->m_tx.rotation.ez, &body->m_linearVelocity, &body->m_angularVelocity};
    for (u32 i = 0; i < 18; ++i) EXPECT_EQ(vars->floats[i], &vectors[i / 3]->v[i % 3]) << i;
    EXPECT_EQ(state()->timedPhysicBodyCount, 1u);
    EXPECT_EQ(state()->timedPhysicBodyIds[0], id);
}

TEST_F(TimeRewind, TheHundredAndThirtiethFloatAndTheFifthBoolAreRefused) {
    f32 floats[131];
    b8 bools[6];
    for (f32& f : floats) ve::addTimeVar(&f);
    for (b8& b : bools) ve::addTimeVar(&b);
    ve::saveThis* vars = &state()->trackedVars;
    EXPECT_EQ(vars->floatCount, 129u);
    EXPECT_EQ(vars->boolCount, 4u);
    EXPECT_EQ(vars->floats[128], &floats[128]);
    EXPECT_EQ(vars->bools[3], &bools[3]);

    // What was refused is not rewound.
    state()->timeSaveDelayConst = 1;
    for (u32 i = 0; i < 131; ++i) floats[i] = (f32)i;
    for (u32 i = 0; i < 6; ++i) bools[i] = 1;
    ve::saveTimeVars();
    for (f32& f : floats) f = -1.0f;
    for (b8& b : bools) b = 0;
    ve::stepBack();
    EXPECT_EQ(floats[128], 128.0f);
    EXPECT_EQ(floats[129], -1.0f);
    EXPECT_EQ(bools[3], 1);
    EXPECT_EQ(bools[4], 0);
}

TEST_F(TimeRewind, RegisteringIsClosedWhileTheHistoryHoldsSnapshots) {
    state()->timeSaveDelayConst = 1;
    f32 early = 0.0f, late = 0.0f;
    b8 lateFlag = 0;
    ve::addTimeVar(&early);
    ve::saveTimeVars();
    ve::addTimeVar(&late);
    ve::addTimeVar(&lateFlag);
    EXPECT_EQ(state()->trackedVars.floatCount, 1u);
    EXPECT_EQ(state()->trackedVars.boolCount, 0u);

    // A body registered now adds no float but still joins the timed-body list.
    u32 id = createBox(DYNAMIC_FLAGS, vec(0, 0, 0));
    ve::addTimeVars(id);
    EXPECT_EQ(state()->trackedVars.floatCount, 1u);
    EXPECT_EQ(state()->timedPhysicBodyCount, 1u);

    // Rewound to empty, registering is open again.
    ve::stepBack();
    ve::addTimeVar(&late);
    EXPECT_EQ(state()->trackedVars.floatCount, 2u);
}

TEST_F(TimeRewind, SevenBodiesAndTheClockRegister127FloatsAndAnEighthBodyIsRefused) {
    u32 ids[8];
    for (u32 i = 0; i < 8; ++i) ids[i] = createBox(DYNAMIC_FLAGS, vec((f32)i * 3.0f, 0, 0));
    for (u32 i = 0; i < 7; ++i) ve::addTimeVars(ids[i]);
    f32 clock = 0.0f;
    ve::addTimeVar(&clock);
    EXPECT_EQ(state()->trackedVars.floatCount, 127u);

    u32 idsBefore[ve::TIMED_BODY_SLOTS];
    memcpy(idsBefore, state()->timedPhysicBodyIds, sizeof(idsBefore));
    ve::saveThis varsBefore = state()->trackedVars;
    std::string reported = stderrOf([&] { ve::addTimeVars(ids[7]); });
    EXPECT_NE(reported.find("timedPhysicBodyCount < TIMED_BODY_SLOTS"), std::string::npos);
    EXPECT_EQ(state()->timedPhysicBodyCount, 7u);
    EXPECT_EQ(memcmp(idsBefore, state()->timedPhysicBodyIds, sizeof(idsBefore)), 0);
    // Nothing of it registered, and the record behind the list untouched.
    EXPECT_EQ(memcmp(&varsBefore, &state()->trackedVars, sizeof(varsBefore)), 0);
}

// Twelve clocks first leave room for six bodies of 18 floats (12 + 108 = 120 of 129): the seventh
// would get only 9 of its floats, so it is refused whole, as a body beyond the list is.
TEST_F(TimeRewind, ABodyWhoseFloatsDoNotAllFitIsRefusedWhole) {
    f32 clocks[12] = {};
    for (f32& clock : clocks) ve::addTimeVar(&clock);
    u32 ids[7];
    for (u32 i = 0; i < 7; ++i) ids[i] = createBox(DYNAMIC_FLAGS, vec((f32)i * 3.0f, 0, 0));
    for (u32 i = 0; i < 6; ++i) ve::addTimeVars(ids[i]);
    ASSERT_EQ(state()->trackedVars.floatCount, 120u);

    std::string reported = stderrOf([&] { ve::addTimeVars(ids[6]); });
    EXPECT_NE(reported.find("SOFT ASSERTION FAILED"), std::string::npos) << reported;
    EXPECT_EQ(state()->trackedVars.floatCount, 120u);
    EXPECT_EQ(state()->timedPhysicBodyCount, 6u);
}

TEST_F(TimeRewind, OnlyADynamicBodyCanBeTimed) {
    u32 staticId = createBox(STATIC_FLAGS, vec(0, 0, 0));
    u32 kinematicId = createBox(KINEMATIC_FLAGS, vec(3, 0, 0));
    std::string reported = stderrOf([&] {
        ve::addTimeVars(staticId);
        ve::addTimeVars(kinematicId);
    });
    EXPECT_NE(reported.find("isDynamicBody"), std::string::npos);
    EXPECT_EQ(state()->trackedVars.floatCount, 0u);
    EXPECT_EQ(state()->timedPhysicBodyCount, 0u);
}

// The editor may make a timed body (the player) static: the rewind takes it back with the others,
// and the hand-back leaves it without velocity, which the library refuses a static body.
TEST_F(TimeRewind, ABodyMadeStaticAfterRegisteringGoesBackAndKeepsNoVelocity) {
    u32 id = addWalker("walker", vec(0, 1, 0));
    phBody* body = ve::getBody(id);
    ve::setLinearVelocity(id, vec(0, 0, -2));
    runFrame(TICK);
    ve::v3 recordedOrigin = toV3(body->m_tx.position);
    runFrame(TICK); // the second tick records
    ASSERT_EQ(state()->time, 1u);
    body->m_flags = (body->m_flags & ~phBody::eDynamic) | phBody::eStatic;
    ve::setPosition(id, vec(9, 9, 9));

    holdSpace();
    runFrame(TICK);
    letGoOfSpace();
    std::string reported = stderrOf([&] { runFrame(0.0); });
    EXPECT_EQ(reported, "");
    EXPECT_LT(distance(toV3(body->m_tx.position), recordedOrigin), 1e-6f);
    EXPECT_EQ(toV3(body->m_linearVelocity), vec(0, 0, 0));
    EXPECT_EQ(toV3(body->m_angularVelocity), vec(0, 0, 0));
}

// ---------------------------------------------------------------------------------------------
// Re-application
// ---------------------------------------------------------------------------------------------

TEST_F(TimeRewind, AReleasedBodyKeepsItsRewoundTiltAndOrigin) {
    // An off-centre box and tilts that the axis-angle extraction would snap to nothing.
    const f32 tilts[] = {0.5f, 1.0f, 2.0f, 30.0f, 179.0f};
    for (f32 degrees : tilts) {
        ve::removeAllBodies(scene());
        ve::reloadTimeTracking();
        state()->timedPhysicBodyCount = 0;
        state()->timeSaveDelayConst = 1;
        ve::Primitive box = cuboidAt(vec(1.5f, 0, 0), vec(1, 1, 1));
        ve::BodyOpts opts = bodyOpts(DYNAMIC_FLAGS, vec(0, 4, 0), &box, 1);
        opts.gravity = 0.0f;
        opts.rotation = rotation(vec(0.0f, 0.6f, 0.8f), degrees);
        u32 id = create(&opts);
        ve::addTimeVars(id);
        phBody* body = ve::getBody(id);
        ve::mat3 recorded = bodyRotation(body);
        ve::v3 recordedOrigin = toV3(body->m_tx.position);

        runFrame(TICK); // records the pose, then steps
        ve::setPosition(id, vec(9, 9, 9));
        body->SetTransform(body->m_worldCenter, phVec3(1, 0, 0), 1.0f);
        holdSpace();
        runFrame(TICK);
        letGoOfSpace();
        runFrame(0.0); // re-applies; no tick

        EXPECT_LT(maxDifference(bodyRotation(body), recorded), 2e-6f) << degrees << " degrees";
        EXPECT_LT(maxDifference(ve::toMat3(ve::getTransform(id)), recorded), 2e-6f) << degrees << " degrees";
        EXPECT_LT(distance(toV3(body->m_tx.position), recordedOrigin), 2e-6f) << degrees << " degrees";
        // The library's own quaternion agrees, so the next step integrates from the same pose.
        phMat3 fromQuaternion = body->m_q.ToMat3();
        ve::mat3 q = {};
        q.col1 = fromQuaternion.ex;
        q.col2 = fromQuaternion.ey;
        q.col3 = fromQuaternion.ez;
        EXPECT_LT(maxDifference(q, recorded), 2e-6f) << degrees << " degrees";
        runFrame(TICK);
        EXPECT_LT(maxDifference(bodyRotation(body), recorded), 2e-6f) << degrees << " degrees, after a step";
    }
}

TEST_F(TimeRewind, ADegenerateRewoundRotationIsReappliedAsTheIdentity) {
    u32 id = createBox(DYNAMIC_FLAGS, vec(0, 0, 0), vec(1, 1, 1), 0.0f);
    phBody* body = ve::getBody(id);
    phIdentity(body->m_tx.rotation.ey);
    ve::updateObject(id);
    EXPECT_EQ(maxDifference(bodyRotation(body), ve::iMat3()), 0.0f);
    EXPECT_EQ(toV3(body->m_tx.position), vec(0, 0, 0));
}

TEST_F(TimeRewind, ReleasedBodiesWakeWithTheirRewoundVelocities) {
    u32 id = addWalker("walker", vec(0, 1, 0));
    phBody* body = ve::getBody(id);
    ve::setLinearVelocity(id, vec(0, 0, -2));
    runFrame(TICK);
    runFrame(TICK); // the second tick records
    ASSERT_EQ(state()->time, 1u);
    ve::v3 recordedVelocity = toV3(ve::getBody(id)->m_linearVelocity);

    ve::setLinearVelocity(id, vec(5, 5, 5));
    holdSpace();
    runFrame(TICK);
    body->m_flags &= ~phBody::eAwake; // asleep, with the rewound velocity kept
    letGoOfSpace();
    runFrame(0.0);
    EXPECT_TRUE(body->IsAwake());
    EXPECT_LT(distance(toV3(body->m_linearVelocity), recordedVelocity), 1e-6f);
}

// ---------------------------------------------------------------------------------------------
// Rewinding in the frame loop
// ---------------------------------------------------------------------------------------------

TEST_F(TimeRewind, HoldingWDuringAThreeSecondRewindDoesNotLaunchTheWalker) {
    u32 id = addWalker("walker", vec(0, 1, 0));
    phBody* body = ve::getBody(id);
    for (int i = 0; i < 120; ++i) runFrame(TICK); // two seconds at rest
    ASSERT_EQ(state()->time, 60u);

    press(&keys().W);
    holdSpace();
    for (int i = 0; i < 180; ++i) runFrame(TICK);
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(toV3(body->m_force), vec(0, 0, 0));

    // Released with W still held: the rewind ticks dropped what piled up, and the release frame's
    // own push is kept, so each step after it sees one frame of walking, not 181 and not none.
    letGoOfSpace();
    f32 oneFrame = WALK_ACCELERATION * TICK;
    runFrame(TICK);
    EXPECT_NEAR(body->m_linearVelocity.z, -oneFrame, 0.01f * oneFrame);
    runFrame(TICK);
    EXPECT_NEAR(body->m_linearVelocity.z, -2.0f * oneFrame, 0.02f * oneFrame);
}

TEST_F(TimeRewind, ForcesAreDroppedOnRewindTicksEvenWithAnEmptyHistory) {
    u32 id = addWalker("walker", vec(0, 1, 0));
    phBody* body = ve::getBody(id);
    ve::applyForce(id, vec(1, 0, 0));
    holdSpace();
    runFrame(TICK);
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(toV3(body->m_force), vec(0, 0, 0));
    EXPECT_EQ(toV3(body->m_tx.position), vec(0, 1, 0));
}

TEST_F(TimeRewind, AFullHistoryKeepsThePhysicsRunningAndRewindsFromItsNewestSnapshot) {
    u32 id = createBox(DYNAMIC_FLAGS, vec(0, 100, 0));
    ve::addTimeVars(id);
    phBody* body = ve::getBody(id);
    state()->timeSaveDelayConst = 1;
    // Pretend the level has been played for hours: one snapshot short of full.
    state()->time = ve::TIME_HISTORY_LENGTH - 1;

    runFrame(TICK);
    ASSERT_EQ(state()->time, ve::TIME_HISTORY_LENGTH);
    f32 newestHeight = state()->pastTime[ve::TIME_HISTORY_LENGTH - 1].floats[1];
    EXPECT_EQ(newestHeight, 100.0f);
    for (int i = 0; i < 10; ++i) runFrame(TICK);
    EXPECT_EQ(state()->time, ve::TIME_HISTORY_LENGTH);
    EXPECT_LT(body->m_tx.position.y, 99.9f) << "the physics runs on";

    holdSpace();
    runFrame(TICK);
    EXPECT_EQ(state()->time, ve::TIME_HISTORY_LENGTH - 1);
    EXPECT_EQ(body->m_tx.position.y, newestHeight);
    letGoOfSpace();
    runFrame(TICK);
    EXPECT_EQ(state()->time, ve::TIME_HISTORY_LENGTH) << "room again for one snapshot";
}

TEST_F(TimeRewind, ATimedFlagReturnsWhileSpaceIsHeldAndAnUntimedOneStays) {
    b8 timed = 0, untimed = 0;
    ve::addTimeVar(&timed);
    runFrame(TICK);
    runFrame(TICK);
    ASSERT_EQ(state()->time, 1u);
    timed = 1;
    untimed = 1;
    holdSpace();
    runFrame(TICK);
    EXPECT_EQ(timed, 0);
    EXPECT_EQ(untimed, 1);
}

TEST_F(TimeRewind, ASceneInitialisationEmptiesTheHistoryAndTheTimedBodies) {
    addWalker("walker", vec(0, 1, 0));
    for (int i = 0; i < 6; ++i) runFrame(TICK);
    ASSERT_GT(state()->time, 0u);
    ve::Scene missing;
    ve::loadScene(&missing, ve::wrapASCIIZ("Level 9"), &state()->permanentStore);
    ve::replaceScene(&state()->currentScene, &missing);
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(state()->timedPhysicBodyCount, 0u);
    EXPECT_EQ(state()->trackedVars.floatCount, 0u);
}

} // namespace
