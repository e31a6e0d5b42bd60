// The player: the camera built from the stored look-at point, the projection, mouse look with its
// pitch limits, walking forces and the speed cap on a real physics body, and what render hands
// the frame. Frames run through the real engine update.

#include "game_harness.h"

#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"
#include "Math/floatMath.h"

using namespace gametest;
using gluetest::DYNAMIC_FLAGS;
using gluetest::LOCK_X;
using gluetest::LOCK_Y;
using gluetest::LOCK_Z;
using gluetest::STATIC_FLAGS;

namespace {

constexpr f32 DEGREE = ve::PI / 180.0f;
// The physics glue gives every box a friction of 0.4; the scene's gravity is 9.8.
constexpr f32 FLOOR_FRICTION_DECELERATION = 0.4f * 9.8f;

f32 degreesFromUp(ve::v3 dir) { return ve::angle(dir, ve::v3{0, 1, 0}) / DEGREE; }

b8 isFinite(ve::mat4 m) {
    for (int column = 0; column < 4; column++)
        for (int row = 0; row < 4; row++)
            if (!isfinite(m.E[column][row])) return false;
    return true;
}

// A direction `degrees` from straight up, leaning toward -z.
ve::v3 tiltedFromUp(f32 degrees) { return ve::v3{0.0f, cosf(degrees * DEGREE), -sinf(degrees * DEGREE)}; }

class Player : public GameTest {
protected:
    ve::Primitive playerBox = gluetest::cuboidAt(vec(0, 0, 0), vec(1, 2, 1));
    ve::Primitive floorBox = gluetest::cuboidAt(vec(0, 0, 0), vec(200, 1, 200));

    // A player entity as a level stores it: `lookAt` in `cam.dir`. It stands on no floor and
    // feels no gravity unless `gravity` is given.
    game::PlayerEntity* addPlayer(ve::v3 pos, ve::v3 lookAt, f32 walkSpeed = 50.0f, f32 cap = 5.0f, f32 gravity = 0.0f) {
        game::PlayerEntity* player = addEntity<game::PlayerEntity>(ve::MetaType::game_PlayerEntity, "Player");
        player->bodyOpts = gluetest::bodyOpts(DYNAMIC_FLAGS | LOCK_X | LOCK_Y | LOCK_Z, pos, &playerBox, 1);
        player->bodyOpts.gravity = gravity;
        player->cam.pos = pos;
        player->cam.dir = lookAt;
        player->walkSpeed = walkSpeed;
        player->cap = cap;
        return player;
    }

    // A wide floor whose top face lies at y = 0.
    void addFloor() {
        game::WallEntity* floor = addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Floor");
        floor->bodyOpts = gluetest::bodyOpts(STATIC_FLAGS, vec(0, -0.5f, 0), &floorBox, 1);
    }

    void initScene() { ve::initScene(&state()->currentScene); }

    ve::v3 velocityOf(game::PlayerEntity* player) { return ve::getLinearVeloctiy(player->bodyOpts.physicsBody); }
};

// ---------------------------------------------------------------------------------------------
// The camera from the level
// ---------------------------------------------------------------------------------------------

TEST_F(Player, TheProjectionIsSixtyDegreesAtSixteenToNine) {
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0), vec(0, 0, -5));
    initScene();
    ve::mat4 proj = player->cam.proj;
    EXPECT_NEAR(proj.E11, 0.97427863f, 1e-6f);
    EXPECT_NEAR(proj.E22, 1.7320509f, 1e-6f);
    EXPECT_NEAR(proj.E33, 1.0000019f, 1e-6f);
    EXPECT_NEAR(proj.E34, -0.002f, 1e-7f);
    EXPECT_EQ(proj.E43, 1.0f);
    EXPECT_EQ(proj.E44, 0.0f);
    EXPECT_EQ(proj.E12, 0.0f);
    EXPECT_EQ(player->cam.up, vec(0, 1, 0));
}

TEST_F(Player, TheStoredLookAtPointBecomesAUnitDirection) {
    struct Case {
        const char* what;
        ve::v3 pos, lookAt, expected;
    } cases[] = {
        {"a zero point looks toward (0, 0, -1)", vec(0, 0, 0), vec(0, 0, 0), vec(0, 0, -1)},
        {"a point straight ahead", vec(0, 0, 0), vec(0, 0, -5), vec(0, 0, -1)},
        {"a point seen from the side", vec(10, 0, 0), vec(0, 0, -5), ve::normalized(vec(-10, 0, -5))},
        {"a point on the player looks along -z", vec(1, 2, 3), vec(1, 2, 3), vec(0, 0, -1)},
        {"a point straight above tilts to the pitch limit", vec(1, 2, 3), vec(1, 9, 3), tiltedFromUp(5)},
        {"a point straight below tilts to the pitch limit", vec(1, 2, 3), vec(1, -9, 3), tiltedFromUp(175)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ve::Camera cam = {};
        game::createFPSCam(&cam, c.pos, c.lookAt);
        EXPECT_LT(distance(cam.dir, c.expected), 1e-6f);
        EXPECT_EQ(cam.pos, c.pos);
        EXPECT_TRUE(isFinite(cam.view));
        // The view's forward row is the direction.
        EXPECT_LT(distance(vec(cam.view.E31, cam.view.E32, cam.view.E33), c.expected), 1e-5f);
    }
}

TEST_F(Player, AVerticalStartLeavesTheFirstUpdateFinite) {
    game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 10, 0));
    initScene();
    hold(&keys().W);
    hold(&keys().D);
    runFrame(TICK);
    for (f32 e : player->cam.dir.E) EXPECT_TRUE(isfinite(e));
    EXPECT_TRUE(isFinite(player->cam.view));
    ve::v3 velocity = velocityOf(player);
    EXPECT_TRUE(isfinite(velocity.x) && isfinite(velocity.z));
}

// ---------------------------------------------------------------------------------------------
// Mouse look
// ---------------------------------------------------------------------------------------------

TEST_F(Player, ThePitchStaysBetweenFiveAndOneHundredSeventyFiveDegreesFromUp) {
    struct Case {
        f32 startFromUp;
        f32 mouseY; // pixels; 5 pixels turn one degree
        f32 expectedFromUp;
    } cases[] = {
        {5.0f, -10.0f, 5.0f},
        {10.0f, -50.0f, 5.0f},
        {10.0f, -20.0f, 6.0f},
        {90.0f, 50.0f, 100.0f},
        {170.0f, 100.0f, 175.0f},
        {175.0f, 10.0f, 175.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.startFromUp);
        ve::Camera cam = {};
        cam.up = vec(0, 1, 0);
        cam.dir = tiltedFromUp(c.startFromUp);
        h.input.mouse.delta = {0.0f, c.mouseY};
        game::fpsCamUpdate(&cam, 5.0f);
        EXPECT_NEAR(degreesFromUp(cam.dir), c.expectedFromUp, 1e-3f);
        EXPECT_NEAR(ve::len(cam.dir), 1.0f, 1e-6f);
    }
}

TEST_F(Player, SidewaysMouseMotionTurnsAboutTheVertical) {
    ve::Camera cam = {};
    cam.up = vec(0, 1, 0);
    cam.dir = vec(0, 0, -1);
    h.input.mouse.delta = {450.0f, 0.0f}; // 90 degrees
    game::fpsCamUpdate(&cam, 5.0f);
    EXPECT_LT(distance(cam.dir, vec(-1, 0, 0)), 1e-5f);
}

// ---------------------------------------------------------------------------------------------
// Walking and the speed cap
// ---------------------------------------------------------------------------------------------

TEST_F(Player, OpposingKeysCancelAndOneKeyWalksAlongTheView) {
    struct Case {
        const char* what;
        std::vector<ve::GameInput::Keyboard::Key*> held;
        ve::v3 expectedDirection; // zero: no motion
        b8 tapped = false;        // pressed and released within the frame
    } cases[] = {
        {"W tapped within the frame", {&keys().W}, vec(0, 0, -1), true},
        {"W and S", {&keys().W, &keys().S}, vec(0, 0, 0)},
        {"A and D", {&keys().A, &keys().D}, vec(0, 0, 0)},
        {"W", {&keys().W}, vec(0, 0, -1)},
        {"S", {&keys().S}, vec(0, 0, 1)},
        {"D", {&keys().D}, vec(-1, 0, 0)},
        {"A", {&keys().A}, vec(1, 0, 0)},
    };
    game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 3, -5), 50.0f, 100.0f);
    initScene();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ve::setLinearVelocity(player->bodyOpts.physicsBody, vec(0, 0, 0));
        for (ve::GameInput::Keyboard::Key* key : c.held) {
            hold(key);
            if (c.tapped) *key = {0, 1, 1};
        }
        runFrame(TICK);
        for (ve::GameInput::Keyboard::Key* key : c.held) key->isDown = 0;
        ve::v3 velocity = velocityOf(player);
        if (ve::len(c.expectedDirection) == 0.0f) {
            EXPECT_LT(ve::len(velocity), 1e-5f);
        } else {
            // One tick of a force of walkSpeed per tick: 50 * (1 / 60) m/s.
            EXPECT_LT(distance(velocity, c.expectedDirection * (50.0f * TICK)), 1e-3f);
        }
    }
}

TEST_F(Player, WalkingFollowsTheLookOfThePreviousFrame) {
    game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 3, -5), 50.0f, 100.0f);
    initScene();
    struct Case {
        ve::GameInput::Keyboard::Key* key;
        ve::v3 walked; // along the look before this frame's turn
    } cases[] = {{&keys().W, vec(0, 0, -1)}, {&keys().D, vec(-1, 0, 0)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.walked.x);
        player->cam.dir = vec(0, 0, -1);
        ve::setLinearVelocity(player->bodyOpts.physicsBody, vec(0, 0, 0));
        h.input.mouse.delta = {450.0f, 0.0f}; // a quarter turn in the same frame
        hold(c.key);
        runFrame(TICK);
        c.key->isDown = 0;
        EXPECT_LT(distance(player->cam.dir, vec(-1, 0, 0)), 1e-5f) << "the turn itself is made";
        EXPECT_LT(distance(velocityOf(player), c.walked * (50.0f * TICK)), 1e-3f);
    }
    h.input.mouse.delta = {0.0f, 0.0f};
}

// Walking pushes once per physics step, as carrying damps: frames shorter than a tick push only in
// the frames whose physics steps, and a slow frame pushes for its one tick, however long it took.
TEST_F(Player, WalkingPushesOncePerPhysicsStepWhateverTheFrameLength) {
    struct Case {
        f64 ticksPerFrame;
        int frames, steps;
    } cases[] = {{0.25, 4, 1}, {0.5, 4, 2}, {1.0, 1, 1}, {3.0, 1, 1}, {150.0, 1, 1}};
    game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 3, -5), 30.0f, 4.0f);
    initScene();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticksPerFrame);
        ve::setLinearVelocity(player->bodyOpts.physicsBody, vec(0, 0, 0));
        state()->timeSinceLastPhysicsUpdate = 0.0;
        hold(&keys().W);
        for (int i = 0; i < c.frames; i++) runFrame(c.ticksPerFrame * TICK);
        keys().W.isDown = 0;
        EXPECT_LT(distance(velocityOf(player), vec(0, 0, -30.0f * TICK * c.steps)), 1e-3f);
    }
}

TEST_F(Player, TheCapCutsHorizontalSpeedAndKeepsVerticalSpeed) {
    struct Case {
        f32 cap;
        ve::v3 before, after;
    } cases[] = {
        {0.0f, vec(3, -2, 4), vec(0, -2, 0)},
        {2.5f, vec(3, -2, 4), vec(1.5f, -2, 2)},
        {5.0f, vec(3, -2, 4), vec(3, -2, 4)},
        {10.0f, vec(3, -2, 4), vec(3, -2, 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cap);
        startNewScene();
        game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 3, -5), 50.0f, c.cap);
        initScene();
        ve::setLinearVelocity(player->bodyOpts.physicsBody, c.before);
        game::updatePlayerEntity(player);
        EXPECT_LT(distance(velocityOf(player), c.after), 1e-5f);
    }
}

// The distance a player walks in `seconds` over a floor with W held at one frame per tick:
// the cap cuts the speed before each step, and each step adds the walking acceleration less the
// floor's sliding friction.
f32 expectedWalkDistance(f32 walkSpeed, f32 cap, f32 seconds) {
    f32 speed = 0.0f, distance = 0.0f;
    for (int tick = 0; tick < (int)(seconds / TICK + 0.5f); tick++) {
        speed = fminf(speed, cap) + (walkSpeed - FLOOR_FRICTION_DECELERATION) * TICK;
        if (speed < 0.0f) speed = 0.0f;
        distance += speed * TICK;
    }
    return distance;
}

TEST_F(Player, WalkingOverAFloorForASecondCoversTheExpectedDistance) {
    struct Case {
        f32 walkSpeed, cap;
    } cases[] = {{10.0f, 100.0f}, {60.0f, 4.0f}, {30.0f, 2.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "walkSpeed " << c.walkSpeed << ", cap " << c.cap);
        startNewScene();
        addFloor();
        game::PlayerEntity* player = addPlayer(vec(0, 1, 0), vec(0, 1, -5), c.walkSpeed, c.cap, 9.81f);
        initScene();
        // Settle on the floor first.
        for (int i = 0; i < 30; i++) runFrame(TICK);
        ve::v3 start = player->cam.pos;
        hold(&keys().W);
        for (int i = 0; i < 60; i++) runFrame(TICK);
        keys().W.isDown = 0;
        // The camera trails the body by one update: read the body itself.
        ve::v3 end = ve::getTranslation(ve::getTransform(player->bodyOpts.physicsBody));
        f32 expected = expectedWalkDistance(c.walkSpeed, c.cap, 1.0f);
        EXPECT_NEAR(start.z - end.z, expected, 0.1f * expected);
        EXPECT_NEAR(end.x, start.x, 0.01f);
    }
}

// The Timeshield: a player that is not time-dependent stays where it is while the world
// rewinds; a time-dependent one goes back with it.
TEST_F(Player, OnlyATimeDependentPlayerIsRewound) {
    for (b8 timeDependent : {0, 1}) {
        SCOPED_TRACE((int)timeDependent);
        startNewScene();
        game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 3, -5));
        player->timeDependent = timeDependent;
        initScene();
        state()->timeSaveDelayConst = 1;
        ve::setLinearVelocity(player->bodyOpts.physicsBody, vec(0, 0, -2));
        for (int i = 0; i < 10; i++) runFrame(TICK);
        ve::v3 before = ve::getTranslation(ve::getTransform(player->bodyOpts.physicsBody));
        press(&keys().SPACE);
        for (int i = 0; i < 5; i++) runFrame(TICK);
        release(&keys().SPACE);
        ve::v3 after = ve::getTranslation(ve::getTransform(player->bodyOpts.physicsBody));
        EXPECT_EQ(before == after, !timeDependent) << "from z " << before.z << " to " << after.z;
    }
}

TEST_F(Player, TheCameraFollowsTheBody) {
    game::PlayerEntity* player = addPlayer(vec(0, 3, 0), vec(0, 3, -5));
    initScene();
    ve::setPosition(player->bodyOpts.physicsBody, vec(7, 8, 9));
    game::updatePlayerEntity(player);
    EXPECT_EQ(player->cam.pos, vec(7, 8, 9));
}

// ---------------------------------------------------------------------------------------------
// Render
// ---------------------------------------------------------------------------------------------

TEST_F(Player, RenderPushesTheWhiteLightAndHandsOverTheCamera) {
    game::PlayerEntity* player = addPlayer(vec(1, 2, 3), vec(1, 2, -5));
    initScene();
    game::renderPlayerEntity(player);
    ASSERT_EQ(frame().pointLights.length, 1u);
    EXPECT_EQ(lightAt(0)->position, vec(1, 2, 3));
    EXPECT_EQ(lightAt(0)->color, vec(2, 2, 2));
    EXPECT_EQ(lightAt(0)->attenuation, vec(1, 0.4f, 0.1f));
    EXPECT_EQ(memcmp(&frame().cam, &player->cam, sizeof(ve::Camera)), 0);
}

} // namespace
