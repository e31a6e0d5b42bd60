// Every level can be played to its end, and none is solved without its key action. A solver per
// level drives the real engine through the committed level with synthetic keys and mouse motion
// (levelPlay.h): it walks, looks, presses E and holds SPACE as a player would, never placing the
// player or a cube by hand, and checks that the elevator asks for the next level ("Level N+1"; in
// Level 6 it prints "Thanks for playing!").

#include "levelPlay.h"

namespace levelplay {
namespace {

// ---------------------------------------------------------------------------------------------
// Level 1: press the button, take the elevator
// ---------------------------------------------------------------------------------------------

class Level1 : public LevelPlay {
protected:
    void pressButton() {
        lookAtAndUse(bodyPosition("Button") + ve::v3{0, 0.8f, 0});
        EXPECT_TRUE(powered("Button"));
    }
};

TEST_F(Level1, theButtonPowersTheElevatorToLevel2) {
    ASSERT_EQ(sceneName(), "Level 1");
    pressButton();
    ASSERT_TRUE(walkTo(-0.9f, -0.5f));
    EXPECT_EQ(useElevator(-0.9f, -3.2f), "Level 2");
    EXPECT_LE(mostPointLights(), 5u);
}

TEST_F(Level1, withoutTheButtonTheElevatorStaysShut) {
    ASSERT_TRUE(walkTo(-0.9f, -0.5f));
    EXPECT_EQ(useElevator(-0.9f, -3.2f), "Level 1");
}

// The route of the windowed test: E at the start, a step right until the wall, then straight
// ahead into the elevator's doors, and E; no mouse motion at all.
TEST_F(Level1, theKeyOnlyRouteReachesLevel2) {
    tapE();
    hold(&keys().D, 40);
    hold(&keys().W, 120);
    tapE();
    EXPECT_EQ(sceneName(), "Level 2");
}

// ---------------------------------------------------------------------------------------------
// Level 2: the button lowers the barrier, the cube goes onto the plate
// ---------------------------------------------------------------------------------------------

class Level2 : public LevelPlay {
protected:
    void SetUp() override {
        LevelPlay::SetUp();
        startLevel("Level 2");
    }
    void lowerTheBarrier() {
        ASSERT_TRUE(walkTo(0.3f, -2.4f));
        lookAtAndUse(bodyPosition("Button") + ve::v3{0, 0.8f, 0});
        EXPECT_FALSE(powered("Button"));
    }
    void carryTheCubeThroughTheDoor() {
        ASSERT_TRUE(walkTo(-1.0f, -1.5f));
        pickUp("Cube");
        ASSERT_TRUE(walkTo(0, -5.5f));
        ASSERT_TRUE(walkTo(0, -9.5f));
    }
};

TEST_F(Level2, theCubeOnThePlatePowersTheElevatorToLevel3) {
    lowerTheBarrier();
    carryTheCubeThroughTheDoor();
    dropOnto("Plate", -2.0f, -9.2f);
    EXPECT_TRUE(powered("Plate"));
    ASSERT_TRUE(walkTo(0.5f, -9.5f));
    EXPECT_EQ(useElevator(0.5f, -13.5f), "Level 3");
    EXPECT_LE(mostPointLights(), 5u);
}

// Picked up and put down close by at a low frame rate the world still moves one tick a frame, so the
// cube must be set down as at 60 frames a second: where it was let go, on the floor, without lifting
// the player. Looking at the floor close ahead puts the carry point under the floor.
TEST_F(Level2, aCubePutDownStaysWhereItWasLetGoAtAnyFrameRate) {
    struct Aim {
        const char* what;
        f32 floorAhead; // look at the floor this far ahead; 0: look 15 degrees down
        b8 atWhereItLay;
    } aims[] = {{"15 degrees down", 0, false},
                {"at where it lay", 0, true},
                {"the floor 0.8 ahead", 0.8f, false},
                {"the floor 1.0 ahead", 1.0f, false},
                {"the floor 1.2 ahead", 1.2f, false}};
    for (f64 framesPerSecond : {60.0, 15.0, 5.0, 2.0}) {
        for (const Aim& aim : aims) {
            SCOPED_TRACE(testing::Message() << framesPerSecond << " frames a second, looking " << aim.what);
            input.deltaTime = TICK;
            startLevel("Level 2");
            ASSERT_TRUE(walkTo(-1.0f, -1.5f));
            ve::v3 startEye = eye();
            ve::v3 whereItLay = bodyPosition("Cube");
            ve::v3 ahead = ve::normalized(ve::v3{whereItLay.x - eye().x, 0, whereItLay.z - eye().z});
            input.deltaTime = 1.0 / framesPerSecond;
            pickUp("Cube");
            frames(SETTLE_FRAMES);
            ve::v3 fifteenDown = ahead * cosf(ve::toRad(15)) + ve::v3{0, -sinf(ve::toRad(15)), 0};
            ve::v3 target = aim.atWhereItLay ? whereItLay
                          : aim.floorAhead > 0 ? ve::v3{eye().x + ahead.x * aim.floorAhead, 0, eye().z + ahead.z * aim.floorAhead}
                                               : eye() + fifteenDown;
            lookAt(target);
            frames(SETTLE_FRAMES);
            ve::v3 letGo = bodyPosition("Cube");
            tapE();
            ASSERT_FALSE(entity<game::CubeEntity>("Cube")->attached);
            frames(2 * SETTLE_FRAMES);
            ve::v3 rest = bodyPosition("Cube");
            EXPECT_LT(ve::len(ve::getLinearVeloctiy(entity<ve::BodyOpts>("Cube")->physicsBody)), 0.1f) << "still moving";
            EXPECT_LT(horizontalDistance(rest, letGo), 0.2f);
            EXPECT_GT(rest.y, whereItLay.y - 0.02f);
            EXPECT_GT(eye().y, startEye.y - 0.02f);
        }
    }
}

TEST_F(Level2, theBarrierStandsUntilTheButtonIsPressed) {
    ASSERT_TRUE(walkTo(0, -5.5f));
    EXPECT_FALSE(walkTo(0, -9.5f));
    EXPECT_GT(eye().z, -8.0f);
}

// R reloads the level from its file: the button is on again and the player back at the start.
TEST_F(Level2, rRestartsTheLevel) {
    lowerTheBarrier();
    tapR();
    EXPECT_EQ(sceneName(), "Level 2");
    EXPECT_TRUE(powered("Button"));
    EXPECT_LT(horizontalDistance(eye(), {0, 0, 0}), 0.1f);
}

TEST_F(Level2, withoutTheCubeTheElevatorStaysShut) {
    lowerTheBarrier();
    ASSERT_TRUE(walkTo(0, -5.5f));
    EXPECT_EQ(useElevator(0.5f, -13.5f), "Level 2");
}

// ---------------------------------------------------------------------------------------------
// Level 3: NOT, OR and AND
// ---------------------------------------------------------------------------------------------

class Level3 : public LevelPlay {
protected:
    void SetUp() override {
        LevelPlay::SetUp();
        startLevel("Level 3");
    }
    // Cube 1 onto plate 1: the NOT gate lowers the barrier.
    void openTheDoor() {
        ASSERT_TRUE(walkTo(-2.3f, -6.8f));
        pickUp("Cube 1");
        dropOnto("Plate 1", -2.7f, -3.2f);
        EXPECT_TRUE(powered("Plate 1"));
        EXPECT_FALSE(powered("Not Gate"));
    }
    // Cube 2 through the door onto plate 2. The cube travels with the player, so it is brought
    // round in front before the walk through the door: one still swinging in from the side would
    // catch the door's edge.
    void pressPlate2() {
        ASSERT_TRUE(walkTo(2.3f, -6.8f));
        pickUp("Cube 2");
        ASSERT_TRUE(walkTo(0, -6.0f));
        lookAt({0, 0.5f, -8.0f});
        frames(SETTLE_FRAMES);
        ASSERT_TRUE(walkTo(0, -13.5f));
        dropOnto("Plate 2", -0.9f, -15.0f);
        EXPECT_TRUE(powered("Plate 2"));
    }
    void pressButtonL() {
        ASSERT_TRUE(walkTo(-1.0f, -13.3f));
        lookAtAndUse(bodyPosition("Button L") + ve::v3{0, 0.8f, 0});
        EXPECT_TRUE(powered("Or Gate"));
    }
};

TEST_F(Level3, notOrAndOpenTheWayToLevel4) {
    openTheDoor();
    pressPlate2();
    pressButtonL();
    EXPECT_TRUE(powered("And Gate"));
    EXPECT_EQ(useElevator(0.8f, -15.8f), "Level 4");
    EXPECT_LE(mostPointLights(), 5u);
}

TEST_F(Level3, withoutACubeOnTheFirstPlateTheBarrierStands) {
    ASSERT_TRUE(walkTo(0, -5.5f));
    EXPECT_FALSE(walkTo(0, -9.5f));
}

TEST_F(Level3, withoutAButtonTheAndGateStaysOff) {
    openTheDoor();
    pressPlate2();
    EXPECT_FALSE(powered("And Gate"));
    EXPECT_EQ(useElevator(0.8f, -15.8f), "Level 3");
}

// ---------------------------------------------------------------------------------------------
// Level 4: the Timeshield
// ---------------------------------------------------------------------------------------------

class Level4 : public LevelPlay {
protected:
    void SetUp() override {
        LevelPlay::SetUp();
        startLevel("Level 4");
    }
    // The cube off the plate (the barrier falls), put down away from it, and through the door.
    void liftTheCubeAndPass() {
        ASSERT_TRUE(walkTo(-1.0f, -1.5f));
        pickUp("Cube");
        ASSERT_TRUE(walkTo(0.5f, -1.0f));
        lookAt({2.0f, 0, -1.0f});
        frames(SETTLE_FRAMES);
        tapE();
        frames(SETTLE_FRAMES);
        EXPECT_FALSE(powered("Plate"));
        ASSERT_TRUE(walkTo(0, -5.5f));
        ASSERT_TRUE(walkTo(0, -10.5f));
    }
};

TEST_F(Level4, rewindingUnderTheTimeshieldReachesLevel5) {
    ASSERT_EQ(player()->timeDependent, 0);
    liftTheCubeAndPass();
    ve::v3 before = eye();
    rewind((int)state()->time + 10);
    EXPECT_LT(horizontalDistance(eye(), before), 0.1f) << "the Timeshield keeps the player in place";
    frames(SETTLE_FRAMES);
    EXPECT_TRUE(powered("Plate")) << "the cube is back on the plate";
    EXPECT_EQ(useElevator(-2.0f, -11.8f), "Level 5");
    EXPECT_LE(mostPointLights(), 5u);
}

TEST_F(Level4, withoutTheRewindTheElevatorStaysShut) {
    liftTheCubeAndPass();
    EXPECT_EQ(useElevator(-2.0f, -11.8f), "Level 4");
}

// ---------------------------------------------------------------------------------------------
// Level 5: a cube outside time
// ---------------------------------------------------------------------------------------------

class Level5 : public LevelPlay {
protected:
    void SetUp() override {
        LevelPlay::SetUp();
        startLevel("Level 5");
    }
    // The timed cube off plate A, the teal cube through the door onto plate B: the barrier rises
    // behind the player.
    void shutYourselfIn() {
        ASSERT_TRUE(walkTo(1.5f, -2.5f));
        pickUp("Cube");
        ASSERT_TRUE(walkTo(0.5f, -1.0f));
        lookAt({2.0f, 0, 0.5f});
        frames(SETTLE_FRAMES);
        tapE();
        frames(SETTLE_FRAMES);
        EXPECT_FALSE(powered("Plate A"));
        ASSERT_TRUE(walkTo(-1.5f, -1.5f));
        pickUp("Teal Cube");
        ASSERT_TRUE(walkTo(0, -6.0f));
        ASSERT_TRUE(walkTo(0, -10.0f));
        dropOnto("Plate B", 1.0f, -12.2f);
        EXPECT_TRUE(powered("Plate B"));
    }
};

TEST_F(Level5, theTealCubeStaysWhileThePlayerRewindsToLevel6) {
    shutYourselfIn();
    press(&keys().SPACE);
    for (int i = 0; i < WALK_FRAME_LIMIT && eye().z < -4.0f; i++) frame();
    release(&keys().SPACE);
    frames(SETTLE_FRAMES);
    EXPECT_GT(eye().z, -7.5f) << "the rewind took the player back through the barrier";
    EXPECT_TRUE(powered("Plate B")) << "the teal cube stayed on its plate";
    EXPECT_EQ(useElevator(-2.6f, -4.0f), "Level 6");
    EXPECT_LE(mostPointLights(), 5u);
}

TEST_F(Level5, withoutTheRewindThePlayerIsShutIn) {
    shutYourselfIn();
    EXPECT_FALSE(walkTo(0, -6.0f));
    EXPECT_LT(eye().z, -8.0f);
}

// ---------------------------------------------------------------------------------------------
// Level 6: the switch outside time, and a cube carried back through the rewind
// ---------------------------------------------------------------------------------------------

class Level6 : public LevelPlay {
protected:
    void SetUp() override {
        LevelPlay::SetUp();
        startLevel("Level 6");
    }
    // Into the far hall and on with the switch: the barrier rises behind the player.
    void throwTheSwitch() {
        ASSERT_TRUE(walkTo(0, -5.5f));
        ASSERT_TRUE(walkTo(0.3f, -11.0f));
        lookAtAndUse(bodyPosition("Switch") + ve::v3{0, 0.8f, 0});
        EXPECT_TRUE(powered("Switch"));
    }
};

TEST_F(Level6, theTealCubeTravelsBackToThePlateAndTheGameEnds) {
    throwTheSwitch();
    ASSERT_TRUE(walkTo(-1.5f, -12.5f));
    lookAt(bodyPosition("Teal Cube"));
    // SPACE first, then E: the cube is picked up while the world runs backwards and comes along.
    press(&keys().SPACE);
    frame();
    press(&keys().E);
    frame();
    release(&keys().E);
    for (int i = 0; i < WALK_FRAME_LIMIT && eye().z < -4.0f; i++) frame();
    release(&keys().SPACE);
    frame();
    EXPECT_TRUE(entity<game::CubeEntity>("Teal Cube")->attached);
    EXPECT_GT(bodyPosition("Teal Cube").z, -8.0f) << "the cube came back through the barrier";
    ASSERT_TRUE(walkTo(0, -3.0f));
    dropOnto("Plate", -1.2f, -3.0f);
    EXPECT_TRUE(powered("And Gate"));
    testing::internal::CaptureStdout();
    std::string scene = useElevator(2.5f, -4.0f);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(scene, "Level 6");
    EXPECT_NE(printed.find("Thanks for playing!"), std::string::npos) << printed;
    EXPECT_LE(mostPointLights(), 5u);
}

TEST_F(Level6, withoutTheRewindThePlayerIsShutIn) {
    throwTheSwitch();
    EXPECT_FALSE(walkTo(0, -5.5f));
    EXPECT_LT(eye().z, -8.0f);
}

} // namespace
} // namespace levelplay
