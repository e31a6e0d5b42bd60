// The time history's record and rewind steps on a started engine's state.

#include "../Core/engine_harness.h"

#include "Game/time.h"

#include <gtest/gtest.h>

using namespace enginetest;

namespace {

class TimeHistory : public EngineTest {
protected:
    f32 height = 0.0f;
    u32 counter = 0;
    b8 powered = 0;

    void SetUp() override {
        EngineTest::SetUp();
        startEngine();
        ve::saveThis* vars = &state()->trackedVars;
        vars->floats[vars->floatCount++] = &height;
        vars->ints[vars->intCount++] = &counter;
        vars->bools[vars->boolCount++] = &powered;
    }

    // One recording tick with the variables set to values derived from `k`.
    void recordTick(u32 k) {
        height = (f32)k * 0.5f;
        counter = k;
        powered = (b8)(k & 1);
        ve::saveTimeVars();
    }
};

TEST_F(TimeHistory, ASnapshotIsTakenOnEveryDelayConstTick) {
    struct Case {
        u8 delayConst;
        u32 ticks;
        u32 expectedSnapshots;
    };
    const Case cases[] = {{0, 6, 6}, {1, 6, 6}, {2, 6, 3}, {2, 7, 3}, {3, 9, 3}, {3, 8, 2}};
    for (const Case& c : cases) {
        ve::reloadTimeTracking();
        state()->timeSaveDelay = 0;
        state()->timeSaveDelayConst = c.delayConst;
        for (u32 i = 0; i < c.ticks; ++i) ve::saveTimeVars();
        EXPECT_EQ(state()->time, c.expectedSnapshots) << "constant " << (int)c.delayConst << ", " << c.ticks << " ticks";
    }
}

TEST_F(TimeHistory, SnapshotsHoldEveryRegisteredKindInRegistrationOrder) {
    state()->timeSaveDelayConst = 1;
    f32 second = 0.0f;
    ve::saveThis* vars = &state()->trackedVars;
    vars->floats[vars->floatCount++] = &second;
    for (u32 k = 1; k <= 3; ++k) {
        second = -(f32)k;
        recordTick(k);
    }
    ASSERT_EQ(state()->time, 3u);
    for (u32 k = 1; k <= 3; ++k) {
        ve::pastTimeStamp* snapshot = &state()->pastTime[k - 1];
        EXPECT_EQ(snapshot->floats[0], (f32)k * 0.5f);
        EXPECT_EQ(snapshot->floats[1], -(f32)k);
        EXPECT_EQ(snapshot->ints[0], k);
        EXPECT_EQ(snapshot->bools[0], (b8)(k & 1));
    }
}

TEST_F(TimeHistory, SteppingBackWritesTheNewestSnapshotBackAndPopsIt) {
    state()->timeSaveDelayConst = 1;
    for (u32 k = 1; k <= 4; ++k) recordTick(k);
    height = 99.0f;
    counter = 99;
    powered = 0;
    for (u32 k = 4; k >= 1; --k) {
        ve::stepBack();
        EXPECT_EQ(state()->time, k - 1);
        EXPECT_EQ(height, (f32)k * 0.5f);
        EXPECT_EQ(counter, k);
        EXPECT_EQ(powered, (b8)(k & 1));
    }
    // Empty: the world stands still.
    height = 42.0f;
    ve::stepBack();
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(height, 42.0f);
}

TEST_F(TimeHistory, RecordingAfterARewindOverwritesTheUndoneFuture) {
    state()->timeSaveDelayConst = 1;
    for (u32 k = 0; k < 10; ++k) recordTick(k);
    for (int i = 0; i < 4; ++i) ve::stepBack();
    recordTick(100);
    EXPECT_EQ(state()->time, 7u);
    EXPECT_EQ(state()->pastTime[6].ints[0], 100u);
    EXPECT_EQ(state()->pastTime[5].ints[0], 5u);
}

TEST_F(TimeHistory, AFullHistoryTakesNothingMoreAndKeepsCounting) {
    state()->timeSaveDelayConst = 2;
    state()->time = ve::TIME_HISTORY_LENGTH;
    state()->timeSaveDelay = 1;
    state()->pastTime[ve::TIME_HISTORY_LENGTH - 1].ints[0] = 7;
    recordTick(3);
    EXPECT_EQ(state()->time, ve::TIME_HISTORY_LENGTH);
    EXPECT_EQ(state()->timeSaveDelay, 1);
    // Rewinding still starts from the newest snapshot.
    ve::stepBack();
    EXPECT_EQ(counter, 7u);
    EXPECT_EQ(state()->time, ve::TIME_HISTORY_LENGTH - 1);
}

TEST_F(TimeHistory, ReloadingEmptiesTheHistoryAndRegistrationButKeepsTheDelay) {
    state()->timeSaveDelayConst = 3;
    for (u32 k = 0; k < 4; ++k) recordTick(k);
    ASSERT_EQ(state()->timeSaveDelay, 1);
    ve::reloadTimeTracking();
    ve::saveThis* vars = &state()->trackedVars;
    EXPECT_EQ(state()->time, 0u);
    EXPECT_EQ(vars->floatCount, 0u);
    EXPECT_EQ(vars->intCount, 0u);
    EXPECT_EQ(vars->boolCount, 0u);
    EXPECT_EQ(state()->timeSaveDelay, 1);
}

} // namespace
