// The engine's frame: the order of its steps, the hotkeys, the physics clock with the time
// history's record and rewind steps, and the scene switch at the end of the frame.

#include "engine_harness.h"

#include "Game/time.h"
#include "Physics/physics.h"
#include "Util/string.h"

#include <gtest/gtest.h>

#include <math.h>

using namespace enginetest;

namespace {

class EngineFrame : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startEngine();
        h.events.clear();
    }

    // An enabled scene, as a level loaded from a file would be.
    void enableScene() { state()->currentScene.enabled = 1; }

    // Ticks observed through a falling body: each step adds gravity times the tick to its speed.
    s32 ticksSeen(phBody* body) { return (s32)lroundf(-body->m_linearVelocity.y / (9.8f * TICK)); }

    // A registered float, as the time history records it.
    void trackFloat(f32* value) {
        ve::saveThis* vars = &state()->trackedVars;
        vars->floats[vars->floatCount++] = value;
    }

    std::string nameOf(string text) { return std::string((const char*)text.data, text.length); }
};

// ---------------------------------------------------------------------------------------------
// Order
// ---------------------------------------------------------------------------------------------

TEST_F(EngineFrame, UpdatesEnabledEntitiesThenRendersAllThenSubmits) {
    enableScene();
    addRecordingEntity("a");
    addRecordingEntity("b", 0);
    addRecordingEntity("c");
    runFrame();
    std::vector<std::string> expected = {"createFrame", "update a", "update c", "render a", "render b", "render c", "submit"};
    EXPECT_EQ(h.events, expected);
}

TEST_F(EngineFrame, APausedSceneIsRenderedButNotUpdated) {
    addRecordingEntity("a");
    addRecordingEntity("b");
    state()->currentScene.enabled = 0;
    runFrame();
    std::vector<std::string> expected = {"createFrame", "render a", "render b", "submit"};
    EXPECT_EQ(h.events, expected);
}

TEST_F(EngineFrame, WithoutASceneTheFrameStillRunsKeysClockAndSubmit) {
    addRecordingEntity("a");
    ve::freeScene(&state()->currentScene);
    press(&keys().F5);
    press(&keys().F10);
    runFrame(TICK);
    EXPECT_EQ(h.events, (std::vector<std::string>{"createFrame", "submit"}));
    EXPECT_NEAR(state()->gamma, -0.1f, 1e-6f);
    EXPECT_FALSE(state()->sorting);
    EXPECT_NEAR(state()->timeSinceLastPhysicsUpdate, 0.0, 1e-9);
}

TEST_F(EngineFrame, EveryFrameStartsOnAnEmptyTemporaryStoreWithABlackClearColour) {
    runFrame();
    void* first = ve::pushToHeap(ve::tmpStore, 4096);
    void* leftOver = ve::pushToHeap(ve::tmpStore, 4096);
    state()->renderer.frame.clearColor = ve::v3{1.0f, 1.0f, 1.0f};
    runFrame();
    EXPECT_EQ(state()->renderer.frame.clearColor.x, 0.0f);
    EXPECT_EQ(state()->renderer.frame.clearColor.y, 0.0f);
    EXPECT_EQ(state()->renderer.frame.clearColor.z, 0.0f);
    // Nothing of the previous frames is still held: the store hands out its start again.
    EXPECT_EQ(ve::pushToHeap(ve::tmpStore, 4096), first);
    EXPECT_NE(leftOver, nullptr);
}

TEST_F(EngineFrame, TheEditorsPerFrameStoreIsEmptiedEveryFrame) {
    void* first = ve::pushToHeap(&ve::debugState->tmpStore, 1024);
    ASSERT_NE(first, nullptr);
    ve::pushToHeap(&ve::debugState->tmpStore, 1024);
    runFrame();
    EXPECT_EQ(ve::pushToHeap(&ve::debugState->tmpStore, 1024), first);
}

TEST_F(EngineFrame, InputGlobalsPointAtThisFramesRecords) {
    runFrame();
    EXPECT_EQ(ve::input, &h.input);
    EXPECT_EQ(ve::debugInput, &h.debugInput);
}

// ---------------------------------------------------------------------------------------------
// Gamma, cursor and sorting keys
// ---------------------------------------------------------------------------------------------

TEST_F(EngineFrame, TenPressesOfF5FromZeroGiveMinusOne) {
    for (int i = 0; i < 10; ++i) {
        press(&keys().F5);
        runFrame();
        keys().F5.isDown = 0;
    }
    EXPECT_NEAR(state()->gamma, -1.0f, 1e-5f);
}

// At any gamma but exactly 0 the composite raises every pixel to a power.
TEST_F(EngineFrame, StepsUpAndAsManyDownReturnGammaToExactlyZero) {
    const s32 presses[] = {1, 3, 7, 9};
    for (s32 count : presses) {
        for (ve::GameInput::Keyboard::Key* key : {&keys().F6, &keys().F5}) {
            for (s32 i = 0; i < count; ++i) {
                press(key);
                runFrame();
                key->isDown = 0;
            }
        }
        EXPECT_EQ(state()->gamma, 0.0f) << count << " steps";
    }
}

TEST_F(EngineFrame, F5AndF6InOneFrameLeaveGammaWhereItWas) {
    const f32 starts[] = {0.0f, -0.3f, 0.5f, -2.0f, 0.8f};
    for (f32 start : starts) {
        state()->gamma = start;
        press(&keys().F5);
        press(&keys().F6);
        runFrame();
        EXPECT_NEAR(state()->gamma, start, 1e-6f) << "from " << start;
    }
}

TEST_F(EngineFrame, F6StopsAtNineTenthsSoTheCompositeExponentStaysPositive) {
    for (int i = 0; i < 20; ++i) {
        press(&keys().F6);
        runFrame();
        EXPECT_LE(state()->gamma, 0.9f);
    }
    EXPECT_NEAR(state()->gamma, 0.9f, 1e-6f);
    press(&keys().F5);
    runFrame();
    EXPECT_NEAR(state()->gamma, 0.8f, 1e-6f);
}

TEST_F(EngineFrame, GammaIgnoresHeldKeysAndTheDebugInput) {
    keys().F5.isDown = 1;
    runFrame();
    h.debugInput.keyboard.F6.wentDown = 1;
    EngineUpdate(&h.input, &h.debugInput);
    EXPECT_EQ(state()->gamma, 0.0f);
}

TEST_F(EngineFrame, ScrollLockFlipsTheMouseCapture) {
    h.cursorCalls.clear();
    h.input.mouse.relative = 1;
    press(&keys().SCROLL_LOCK);
    runFrame();
    press(&keys().SCROLL_LOCK);
    runFrame();
    runFrame();
    EXPECT_EQ(h.cursorCalls, (std::vector<b8>{0, 1}));
}

TEST_F(EngineFrame, F10FlipsTheSortingOfTransparentQuads) {
    EXPECT_TRUE(state()->sorting);
    press(&keys().F10);
    runFrame();
    EXPECT_FALSE(state()->sorting);
    runFrame();
    EXPECT_FALSE(state()->sorting);
    press(&keys().F10);
    runFrame();
    EXPECT_TRUE(state()->sorting);
}

// ---------------------------------------------------------------------------------------------
// The physics clock
// ---------------------------------------------------------------------------------------------

TEST_F(EngineFrame, AFrameThreeTicksLongRunsOneTickAndTheRestOnePerShortFrame) {
    enableScene();
    phBody* body = addFallingBody();
    runFrame(3.0 * TICK);
    EXPECT_EQ(ticksSeen(body), 1);
    runFrame(0.0);
    EXPECT_EQ(ticksSeen(body), 2);
    runFrame(0.0);
    EXPECT_EQ(ticksSeen(body), 3);
    runFrame(0.0);
    runFrame(0.0);
    EXPECT_EQ(ticksSeen(body), 3);
}

TEST_F(EngineFrame, ShortFramesAddUpToATick) {
    enableScene();
    phBody* body = addFallingBody();
    const f64 quarter = TICK / 4.0;
    s32 seen[8];
    for (int i = 0; i < 8; ++i) {
        runFrame(quarter * 1.0000001);
        seen[i] = ticksSeen(body);
    }
    EXPECT_EQ(seen[2], 0);
    EXPECT_EQ(seen[3], 1);
    EXPECT_EQ(seen[6], 1);
    EXPECT_EQ(seen[7], 2);
}

TEST_F(EngineFrame, TicksWhileTheSceneIsPausedAreUsedUpWithoutEffect) {
    phBody* body = addFallingBody();
    state()->currentScene.enabled = 0;
    state()->timeSaveDelayConst = 0;
    runFrame(TICK);
    runFrame(TICK);
    EXPECT_EQ(ticksSeen(body), 0);
    EXPECT_EQ(state()->time, 0u);
    EXPECT_NEAR(state()->timeSinceLastPhysicsUpdate, 0.0, 1e-9);

    // Once resumed, nothing of the paused time is made up.
    enableScene();
    runFrame(0.0);
    EXPECT_EQ(ticksSeen(body), 0);
    runFrame(TICK);
    EXPECT_EQ(ticksSeen(body), 1);
}

TEST_F(EngineFrame, TheTickLengthAndFrameTimeComeFromTheInput) {
    enableScene();
    phBody* body = addFallingBody();
    h.input.physicsDelta = 0.5f;
    runFrame(0.4);
    EXPECT_EQ(ticksSeen(body), 0);
    runFrame(0.2);
    EXPECT_EQ(ticksSeen(body), 1);
    EXPECT_NEAR(state()->timeSinceLastPhysicsUpdate, 0.1, 1e-9);
}

TEST_F(EngineFrame, RecordsEverySecondTickBeforeStepping) {
    enableScene();
    phBody* body = addFallingBody();
    f32 speedAtTickStart = 0.0f;
    trackFloat(&body->m_linearVelocity.y);
    for (int tick = 1; tick <= 6; ++tick) {
        speedAtTickStart = body->m_linearVelocity.y;
        runFrame(TICK);
        EXPECT_EQ(state()->time, (u32)(tick / 2)) << "tick " << tick;
    }
    // The newest snapshot holds the speed from before its own tick's step.
    EXPECT_EQ(state()->pastTime[2].floats[0], speedAtTickStart);
    EXPECT_NE(body->m_linearVelocity.y, speedAtTickStart);
}

TEST_F(EngineFrame, HoldingSpaceStepsBackInsteadOfStepping) {
    enableScene();
    phBody* body = addFallingBody();
    trackFloat(&body->m_tx.position.y);
    state()->timeSaveDelayConst = 0;
    for (int i = 0; i < 4; ++i) runFrame(TICK);
    ASSERT_EQ(state()->time, 4u);
    f32 heightAtSecondSnapshot = state()->pastTime[1].floats[0];
    s32 ticksBefore = ticksSeen(body);

    press(&keys().SPACE);
    runFrame(TICK);
    keys().SPACE.wentDown = 0;
    runFrame(TICK);
    runFrame(TICK);
    EXPECT_EQ(state()->time, 1u);
    EXPECT_EQ(body->m_tx.position.y, heightAtSecondSnapshot);
    EXPECT_EQ(ticksSeen(body), ticksBefore);
}

TEST_F(EngineFrame, HoldingSpaceWithAnEmptyHistoryKeepsTheWorldStill) {
    enableScene();
    phBody* body = addFallingBody();
    f32 height = body->m_tx.position.y;
    press(&keys().SPACE);
    for (int i = 0; i < 5; ++i) runFrame(TICK);
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(body->m_tx.position.y, height);
    EXPECT_EQ(ticksSeen(body), 0);
}

TEST_F(EngineFrame, SpaceTappedWithinOneFrameStepsBackThenReapplies) {
    enableScene();
    phBody* body = addFallingBody();
    state()->timedPhysicBodyIds[0] = 1; // the first body's id: entry 0 is NO_BODY
    state()->timedPhysicBodyCount = 1;
    state()->timeSaveDelayConst = 0;
    trackFloat(&body->m_tx.position.y);
    // One snapshot at height 4, then the body further down and asleep.
    body->m_tx.position.y = 4.0f;
    ve::saveTimeVars();
    body->m_tx.position.y = 1.0f;
    body->SetToSleep();

    press(&keys().SPACE);
    release(&keys().SPACE);
    runFrame(TICK);
    // The tap is a rewind of one tick: the snapshot is back, nothing stepped, and the library
    // took the rewound pose as its own and woke the body for the next frame's step.
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(body->m_tx.position.y, 4.0f);
    EXPECT_EQ(ticksSeen(body), 0);
    EXPECT_TRUE(body->IsAwake());
}

TEST_F(EngineFrame, ReleasingSpaceReappliesOnlyTheRegisteredBodies) {
    enableScene();
    phBody* registered = addFallingBody({0, 10, 0});
    phBody* other = addFallingBody({5, 10, 0});
    state()->timedPhysicBodyIds[0] = 1; // the first body's id: entry 0 is NO_BODY
    state()->timedPhysicBodyCount = 1;
    registered->SetToSleep();
    other->SetToSleep();
    keys().SPACE.wentUp = 1;
    runFrame(0.0);
    EXPECT_TRUE(registered->IsAwake());
    EXPECT_FALSE(other->IsAwake());
}

// ---------------------------------------------------------------------------------------------
// Scene switch
// ---------------------------------------------------------------------------------------------

TEST_F(EngineFrame, ASwitchRequestIsPerformedOnceAfterTheSubmit) {
    enableScene();
    addRecordingEntity("old");
    addFallingBody();
    state()->time = 7;
    state()->timedPhysicBodyCount = 1;
    const char* name = "Level 2";
    state()->loadScene = ve::wrapASCIIZ(name);
    h.files.printed.clear();

    runFrame();
    // The frame that asked still showed the old scene.
    // The old scene's colour buffers are given back to the renderer with its bodies.
    EXPECT_EQ(h.events,
              (std::vector<std::string>{"createFrame", "update old", "render old", "submit", "releaseColorBuffers"}));
    EXPECT_EQ(state()->loadScene.data, nullptr);
    EXPECT_EQ(state()->loadScene.length, 7u);
    // No file: the empty "New Scene", every body removed and the history emptied.
    EXPECT_EQ(nameOf(state()->currentScene.name), "New Scene");
    EXPECT_EQ(state()->currentScene.entities.length, 0u);
    EXPECT_EQ(state()->scene->m_bodyCount, 0);
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(state()->timedPhysicBodyCount, 0u);
    EXPECT_EQ(h.files.printed, std::vector<std::string>{"Failed to load Scene: File not found!"});

    h.events.clear();
    runFrame();
    EXPECT_EQ(h.files.printed.size(), 1u);
    EXPECT_EQ(h.events, (std::vector<std::string>{"createFrame", "submit"}));
}

TEST_F(EngineFrame, ASwitchToAnExistingLevelEnablesItAndKeepsThePhysicsClock) {
    addFile("Level 2.vsf", writeEmptySceneFile());
    state()->loadScene = ve::wrapASCIIZ("Level 2");
    runFrame(0.5 * TICK);
    EXPECT_EQ(nameOf(state()->currentScene.name), "Level 2");
    EXPECT_EQ(state()->currentScene.id, ve::hashASCIIZ("Level 2"));
    EXPECT_TRUE(state()->currentScene.enabled);
    EXPECT_NEAR(state()->timeSinceLastPhysicsUpdate, 0.5 * TICK, 1e-9);

    // The new scene runs from the next frame on: half a tick more completes the first tick.
    phBody* body = addFallingBody();
    runFrame(0.5 * TICK);
    EXPECT_EQ(ticksSeen(body), 1);
}

} // namespace
