// The input recording facility (F1 record, F2 replay in a loop, F3 stop) and the frame clock,
// run without a window: each test drives the state machine frame by frame with hand-made input.
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include "Memory/memory.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

using namespace ve;

class RecordingTest : public testing::Test {
protected:
    void SetUp() override {
        storeBlock = {1 << 20, (u8*)malloc(1 << 20)};
        store = createHeapStore(storeBlock);
        memset((void*)&recorder, 0, sizeof(recorder));
        recorder.bufferSnapshots = createDynArray(sizeof(buffer), 16, &store);
        recorder.inputRecording = (GameInput*)malloc(sizeof(GameInput) * inputRecordingCapacity);
        blocks = createDynArray(sizeof(buffer), 16, &store);
        addBlock(64);
        addBlock(4096);
        memset((void*)&live, 0, sizeof(live));
    }
    void TearDown() override {
        for (msi i = 0; i < blocks.length; ++i) free(block(i)->data);
        free(recorder.inputRecording);
        free(storeBlock.data);
    }
    void addBlock(msi length) {
        buffer b = {length, (u8*)calloc(1, length)};
        push(&blocks, &b);
    }
    buffer* block(msi i) { return (buffer*)blocks[i]; }
    buffer* snapshot(msi i) { return (buffer*)recorder.bufferSnapshots[i]; }
    // The engine's memory in a frame: every byte of every block says which frame wrote it.
    void engineWritesFrame(u8 frameMark) {
        for (msi i = 0; i < blocks.length; ++i) memset(block(i)->data, frameMark, block(i)->length);
    }
    u8 engineMemoryMark() { return block(0)->data[0]; }
    // The record the engine plays in this frame.
    GameInput& played() { return *gameInputOfFrame(&recorder, &live); }

    // One frame: fresh edges, the given keys pressed, a mark in the mouse position, one step.
    MouseModeChange step(s32 frameMark, b8 f1 = false, b8 f2 = false, b8 f3 = false) {
        live.keyboard.F1.wentDown = f1;
        live.keyboard.F2.wentDown = f2;
        live.keyboard.F3.wentDown = f3;
        live.mouse.absInPixelsX = frameMark;
        return stepInputRecording(&recorder, &live, &blocks);
    }

    buffer storeBlock;
    MemoryStore store;
    InputRecorder recorder;
    DynArray blocks;
    GameInput live;
};

TEST_F(RecordingTest, ReplayLoopsOverTheRecordedFramesAndRestoresMemoryBeforeEveryPass) {
    engineWritesFrame(10);
    EXPECT_EQ(step(100, true), MouseModeKeep); // F1: the first recorded frame
    EXPECT_TRUE(recorder.recording);
    ASSERT_EQ(recorder.bufferSnapshots.length, 2u);
    EXPECT_EQ(snapshot(1)->length, 4096u);
    EXPECT_EQ(snapshot(1)->data[4095], 10);
    engineWritesFrame(11);
    step(101);
    engineWritesFrame(12);
    step(102);
    EXPECT_EQ(recorder.recordingIndex, 3u);

    // F2: not recorded, and already the first replayed frame.
    engineWritesFrame(13);
    EXPECT_EQ(step(999, false, true), MouseModeFree);
    EXPECT_TRUE(recorder.playback);
    EXPECT_FALSE(recorder.recording);
    EXPECT_EQ(recorder.recordingIndex, 3u);
    EXPECT_EQ(played().mouse.absInPixelsX, 100);
    EXPECT_TRUE(played().keyboard.F1.wentDown); // the engine plays the recorded frame whole
    EXPECT_EQ(live.mouse.absInPixelsX, 999);    // and the live record stays live
    EXPECT_EQ(engineMemoryMark(), 10);
    EXPECT_EQ(block(1)->data[4095], 10);

    const s32 expectedReplay[] = {101, 102, 100, 101, 102, 100};
    for (s32 expected : expectedReplay) {
        engineWritesFrame(50);
        EXPECT_EQ(step(999), MouseModeKeep);
        EXPECT_EQ(played().mouse.absInPixelsX, expected);
        // Memory goes back to the F1 frame's exactly when a pass starts over.
        EXPECT_EQ(engineMemoryMark(), expected == 100 ? 10 : 50);
    }
}

TEST_F(RecordingTest, FullRecordingSwitchesToPlaybackInTheSameFrameWithoutTouchingTheMouse) {
    step(0, true);
    for (u32 frame = 1; frame < inputRecordingCapacity; ++frame) step((s32)frame);
    EXPECT_TRUE(recorder.recording);
    EXPECT_EQ(recorder.recordingIndex, inputRecordingCapacity);

    EXPECT_EQ(step(-1), MouseModeKeep);
    EXPECT_FALSE(recorder.recording);
    EXPECT_TRUE(recorder.playback);
    EXPECT_EQ(played().mouse.absInPixelsX, 0);
    step(-1);
    EXPECT_EQ(played().mouse.absInPixelsX, 1);
}

TEST_F(RecordingTest, F1AndF2InOneFrameOnlyStopTheRecording) {
    engineWritesFrame(7);
    EXPECT_EQ(step(5, true, true), MouseModeKeep);
    EXPECT_FALSE(recorder.recording);
    EXPECT_FALSE(recorder.playback);
    EXPECT_EQ(recorder.recordingIndex, 0u);
    EXPECT_EQ(live.mouse.absInPixelsX, 5);
    for (int i = 0; i < 3; ++i) {
        engineWritesFrame(8);
        step(6);
        EXPECT_EQ(live.mouse.absInPixelsX, 6);
        EXPECT_EQ(engineMemoryMark(), 8);
    }
    // The facility is idle again: F1 starts a recording.
    step(7, true);
    EXPECT_TRUE(recorder.recording);
}

TEST_F(RecordingTest, KeysOutOfTheirStateDoNothing) {
    // F2 and F3 while idle.
    EXPECT_EQ(step(1, false, true), MouseModeKeep);
    EXPECT_EQ(step(2, false, false, true), MouseModeKeep);
    EXPECT_FALSE(recorder.recording || recorder.playback);
    EXPECT_EQ(recorder.bufferSnapshots.length, 0u);

    // F1 while recording takes no new snapshot.
    engineWritesFrame(1);
    step(3, true);
    engineWritesFrame(2);
    step(4, true);
    EXPECT_EQ(snapshot(0)->data[0], 1);
    EXPECT_EQ(recorder.recordingIndex, 2u);

    // F1 while playing back neither records nor stops the replay.
    step(5, false, true);
    step(6, true);
    EXPECT_TRUE(recorder.playback);
    EXPECT_FALSE(recorder.recording);
    EXPECT_EQ(recorder.recordingIndex, 2u);
    EXPECT_EQ(snapshot(0)->data[0], 1);
}

TEST_F(RecordingTest, F3StopsWithoutRestoringAndTheNextF1ReusesTheSnapshotBlocks) {
    engineWritesFrame(1);
    step(1, true);
    step(2);
    step(3, false, true);
    u8* firstSnapshots[] = {snapshot(0)->data, snapshot(1)->data};

    engineWritesFrame(40);
    EXPECT_EQ(step(77, false, false, true), MouseModeRestore);
    EXPECT_FALSE(recorder.recording || recorder.playback);
    EXPECT_EQ(recorder.recordingIndex, 0u);
    EXPECT_EQ(recorder.playbackIndex, 0u);
    EXPECT_EQ(live.mouse.absInPixelsX, 77);
    EXPECT_EQ(engineMemoryMark(), 40);

    step(8, true);
    EXPECT_EQ(recorder.recordingIndex, 1u);
    ASSERT_EQ(recorder.bufferSnapshots.length, 2u);
    EXPECT_EQ(snapshot(0)->data, firstSnapshots[0]);
    EXPECT_EQ(snapshot(1)->data, firstSnapshots[1]);
    EXPECT_EQ(snapshot(1)->data[0], 40);

    // F3 while recording also stops and restores the mouse mode.
    EXPECT_EQ(step(9, false, false, true), MouseModeRestore);
    EXPECT_FALSE(recorder.recording);
}

TEST_F(RecordingTest, BlocksHandedOutAfterTheFirstSnapshotGetSnapshotsOfTheirOwn) {
    step(1, true);
    step(2, false, false, true);
    addBlock(100);
    memset(block(2)->data, 9, 100);
    step(3, true);
    ASSERT_EQ(recorder.bufferSnapshots.length, 3u);
    EXPECT_EQ(snapshot(2)->length, 100u);
    EXPECT_EQ(snapshot(2)->data[99], 9);
}

TEST(CopyBuffers, BlockOfAnotherLengthAtTheSameIndexStopsTheProgram) {
    buffer storeBlock = {1 << 16, (u8*)malloc(1 << 16)};
    MemoryStore store = createHeapStore(storeBlock);
    DynArray from = createDynArray(sizeof(buffer), 4, &store);
    DynArray to = createDynArray(sizeof(buffer), 4, &store);
    u8 a[8] = {}, b[9] = {};
    buffer fromBlock = {sizeof(a), a}, toBlock = {sizeof(b), b};
    push(&from, &fromBlock);
    push(&to, &toBlock);
    EXPECT_DEATH(copyBuffers(&from, &to), "ASSERTION FAILED:.*\\(\\(buffer\\*\\)\\(\\*to\\)\\[i\\]\\)->length == "
                                          "\\(\\(buffer\\*\\)\\(\\*from\\)\\[i\\]\\)->length");
    free(storeBlock.data);
}

TEST(FrameClock, DeltaTimeIsTheLengthOfTheFrameBefore) {
    GameInput input;
    memset((void*)&input, 0, sizeof(input));
    EXPECT_EQ(input.deltaTime, 0.0); // what the first frame sees
    FrameClock clock = {5000, 0, 0};
    const u64 frameLengths[] = {16000000, 3, 250000000, 0};
    u64 now = 5000;
    for (u64 length : frameLengths) {
        now += length;
        advanceFrameClock(&clock, now, &input);
        EXPECT_DOUBLE_EQ(input.deltaTime, (f64)length / 1e9);
        EXPECT_EQ(clock.prevTime, now);
    }
}

TEST(FrameClock, SixteenMillisecondFramesReportSixtyThreeAndKeepTheRemainder) {
    GameInput input;
    FrameClock clock = {0, 0, 0};
    u64 now = 0;
    u64 reported = 0;
    u32 frame = 0;
    while (!reported) {
        now += 16000000;
        reported = advanceFrameClock(&clock, now, &input);
        ++frame;
    }
    EXPECT_EQ(frame, 63u);
    EXPECT_EQ(reported, 63u);
    EXPECT_EQ(clock.acc, 8000000u);
    EXPECT_EQ(clock.counter, 0u);
    // The leftover 8 ms count: after 62 more frames 8 + 62 * 16 = 1000 ms exceed 999,999,999 ns.
    u32 next = 0;
    do {
        now += 16000000;
        ++next;
    } while (!advanceFrameClock(&clock, now, &input));
    EXPECT_EQ(next, 62u);
}

TEST(FrameClock, AStallIsReportedOnceAndTheNextLinesCountTheirOwnSecond) {
    GameInput input;
    FrameClock clock = {0, 0, 0};
    const u64 stall = 30000000000ull + 100000000ull;
    const u64 fifthOfASecond = 200000000ull;
    u64 now = stall;
    EXPECT_EQ(advanceFrameClock(&clock, now, &input), 1u);
    EXPECT_EQ(clock.acc, 100000000u);
    // Frames of 0.2 s after it: 0.1 s left over and four more frames reach 0.9 s, the fifth 1.1 s.
    u64 reports[10] = {};
    for (u64& report : reports) {
        now += fifthOfASecond;
        report = advanceFrameClock(&clock, now, &input);
    }
    const u64 expected[10] = {0, 0, 0, 0, 5, 0, 0, 0, 0, 5};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(reports[i], expected[i]) << "frame " << i + 1 << " after the stall";
}

// ---------------------------------------------------------------------------------------------
// The frame loop, with an engine that records what it was handed (no window: the swap of a
// missing window is refused by SDL and changes nothing).
// ---------------------------------------------------------------------------------------------

struct SeenByEngine {
    std::vector<std::string> calls;
    b8 gameSawW = false;
    b8 editorSawW = false;
    b8 gameSawSpace = false;
};
SeenByEngine seen;

void recordReload(GameMemory*, PlatformAPI*) { seen.calls.push_back("reload"); }
b8 recordUpdate(GameInput* input, GameInput* debugInput) {
    seen.calls.push_back("update");
    seen.gameSawW = input->keyboard.W.isDown;
    seen.editorSawW = debugInput->keyboard.W.isDown;
    seen.gameSawSpace = input->keyboard.SPACE.isDown;
    return false;
}

class FrameLoopTest : public RecordingTest {
protected:
    void SetUp() override {
        RecordingTest::SetUp();
        seen = {};
        memset((void*)&main, 0, sizeof(main));
        main.engine = {nullptr, recordReload, nullptr, recordUpdate, 0};
        main.recorder = recorder;
        zeroSize(sizeof(sdl_gameInput), &sdl_gameInput);
        savedBlocks = allocatedBuffers;
        allocatedBuffers = blocks;
    }
    void TearDown() override {
        allocatedBuffers = savedBlocks;
        RecordingTest::TearDown();
    }
    detail::SDLMainState main;
    DynArray savedBlocks;
};

// A replayed frame is the game's input; the editor keeps the live keys of the frame.
TEST_F(FrameLoopTest, TheEditorSeesTheLiveInputWhileARecordingPlays) {
    main.recorder.recordingIndex = 1;
    main.recorder.playback = true;
    main.recorder.inputRecording[0] = {};
    main.recorder.inputRecording[0].keyboard.W.isDown = true;
    copyBuffers(&blocks, &main.recorder.bufferSnapshots);
    detail::runFrame(&main);
    EXPECT_TRUE(seen.gameSawW);
    EXPECT_FALSE(seen.editorSawW);
}

// Keys held in the recording and let go during the replay are up once F3 stops it: the replay
// does not leave its last frame's keys in the live record (SPACE left held there kept the world
// rewinding, standing still, until SPACE was tapped again).
TEST_F(FrameLoopTest, AfterF3TheGameHasTheKeysReallyHeldNotTheLastReplayedOnes) {
    SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    auto frameWithKey = [this](Uint32 type, SDL_Scancode scancode) {
        SDL_Event event = {};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = scancode;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        detail::runFrame(&main);
    };
    frameWithKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
    frameWithKey(SDL_KEYDOWN, SDL_SCANCODE_F1); // every recorded frame holds SPACE
    detail::runFrame(&main);
    frameWithKey(SDL_KEYDOWN, SDL_SCANCODE_F2);
    frameWithKey(SDL_KEYUP, SDL_SCANCODE_SPACE);
    detail::runFrame(&main);
    EXPECT_TRUE(seen.gameSawSpace) << "the replay plays the recorded SPACE";
    frameWithKey(SDL_KEYDOWN, SDL_SCANCODE_F3);
    EXPECT_FALSE(main.recorder.playback);
    EXPECT_FALSE(seen.gameSawSpace);
    detail::runFrame(&main);
    EXPECT_FALSE(seen.gameSawSpace);
    SDL_Quit();
}

TEST_F(FrameLoopTest, EveryFrameReloadsTheEngineBeforeItsUpdate) {
    for (int i = 0; i < 3; ++i) detail::runFrame(&main);
    const std::vector<std::string> expected = {"reload", "update", "reload", "update", "reload", "update"};
    EXPECT_EQ(seen.calls, expected);
}

TEST(PhysicsTick, MissingRefreshRateFallsBackToSixtyHertz) {
    struct Case {
        s32 refreshRate;
        f32 tick;
    };
    const Case cases[] = {{0, 1.0f / 60}, {-1, 1.0f / 60}, {-2147483647 - 1, 1.0f / 60}, {60, 1.0f / 60},
                          {144, 1.0f / 144}, {1, 1.0f}, {240, 1.0f / 240}};
    for (const Case& c : cases) EXPECT_FLOAT_EQ(physicsTickLength(c.refreshRate), c.tick) << c.refreshRate;
    for (s32 rate = -1000; rate <= 1000; ++rate) {
        f32 tick = physicsTickLength(rate);
        ASSERT_TRUE(isfinite(tick) && tick > 0) << rate;
    }
}

TEST(NanoTime, RunsForwardInNanoseconds) {
    u64 first = getNanoTime();
    u64 second = getNanoTime();
    EXPECT_GE(second, first);
    EXPECT_GT(first, 0u);
}

} // namespace
