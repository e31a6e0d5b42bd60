// The cube: picking up along the player's line of sight, dropping with E and SPACE, carrying toward
// the carry point at several frame rates, the rewind snap and what render draws. Frames run
// through the real engine update and physics.

#include "../Physics/phStepScenes.h"
#include "game_harness.h"

#include "Game/CubeEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"

using namespace gametest;
using gluetest::DYNAMIC_FLAGS;
using gluetest::LOCK_X;
using gluetest::LOCK_Y;
using gluetest::LOCK_Z;

namespace {

class Cube : public GameTest {
protected:
    ve::Primitive unitBox = gluetest::cuboidAt(vec(0, 0, 0), vec(1, 1, 1));
    ve::Primitive playerBox = gluetest::cuboidAt(vec(0, 0, 0), vec(0.5f, 1, 0.5f));

    void SetUp() override {
        GameTest::SetUp();
        registerGameAssets();
    }

    // A weightless player at `eye` looking along `dir`, its body and camera live.
    game::PlayerEntity* addPlayer(ve::v3 eye, ve::v3 dir = vec(0, 0, -1), b8 timeDependent = false) {
        game::PlayerEntity* player = addEntity<game::PlayerEntity>(ve::MetaType::game_PlayerEntity, "Player");
        player->bodyOpts = gluetest::bodyOpts(DYNAMIC_FLAGS | LOCK_X | LOCK_Y | LOCK_Z, eye, &playerBox, 1);
        player->bodyOpts.gravity = 0.0f;
        player->cam.pos = eye;
        player->cam.dir = eye + dir;
        player->timeDependent = timeDependent;
        game::initPlayerEntity(player);
        return player;
    }

    // A unit cube at `position` that names "Player" as its carrier.
    game::CubeEntity* addCube(ve::v3 position, f32 gravity = 0.0f, b8 timeDependent = false, const char* name = "Cube") {
        game::CubeEntity* cube = addEntity<game::CubeEntity>(ve::MetaType::game_CubeEntity, name);
        cube->bodyOpts = gluetest::bodyOpts(DYNAMIC_FLAGS, position, &unitBox, 1);
        cube->bodyOpts.gravity = gravity;
        cube->drawScale = vec(0.5f, 0.5f, 0.5f);
        cube->timeDependent = timeDependent;
        cube->player = refTo("Player");
        game::initCubeEntity(cube);
        return cube;
    }

    ve::v3 positionOf(game::CubeEntity* cube) { return game::getLivePose(cube->bodyOpts.physicsBody).position; }
    ve::v3 velocityOf(game::CubeEntity* cube) { return ve::getLinearVeloctiy(cube->bodyOpts.physicsBody); }

    // One frame in which `key` goes down (and stays down until released).
    void pressIn(ve::GameInput::Keyboard::Key* key, f64 deltaTime = TICK) {
        press(key);
        runFrame(deltaTime);
    }
};

TEST_F(Cube, OnlyTimeDependentPlayersAndCubesJoinTheRewind) {
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0), vec(0, 0, -1), true);
    addCube(vec(0, 0, -2), 0.0f, false, "Untracked");
    game::CubeEntity* tracked = addCube(vec(0, 0, -4), 0.0f, true, "Tracked");
    ASSERT_EQ(state()->timedPhysicBodyCount, 2u);
    EXPECT_EQ(state()->timedPhysicBodyIds[0], player->bodyOpts.physicsBody);
    EXPECT_EQ(state()->timedPhysicBodyIds[1], tracked->bodyOpts.physicsBody);
    EXPECT_EQ(state()->trackedVars.floatCount, 36u); // 18 per body
}

// ---------------------------------------------------------------------------------------------
// Picking up and dropping
// ---------------------------------------------------------------------------------------------

TEST_F(Cube, IsPickedUpWithinThreeUnitsAlongTheLineOfSightOnly) {
    struct Case {
        const char* what;
        ve::v3 cubeCentre; // the player's eye is at the origin, looking along -z
        b8 pickedUp;
    } cases[] = {
        {"near face at 3.0", vec(0, 0, -3.5f), true},
        {"near face at 3.1", vec(0, 0, -3.6f), false},
        {"close by", vec(0, 0, -1.0f), true},
        {"behind the eye", vec(0, 0, 2.0f), false},
        {"beside the line of sight", vec(2, 0, -2.0f), false},
    };
    addPlayer(vec(0, 0, 0));
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "Cube " + std::to_string(index++);
        game::CubeEntity* cube = addCube(c.cubeCentre, 0.0f, false, name.c_str());
        press(&keys().E);
        game::updateCubeEntity(cube);
        EXPECT_EQ(cube->attached, c.pickedUp);
        clearEdges();
        // Out of the way of the next case's ray.
        ve::setPosition(cube->bodyOpts.physicsBody, vec(100, 100, 100));
        cube->attached = false;
    }
}

TEST_F(Cube, HoldingETogglesOnceAndPressingAgainDrops) {
    addPlayer(vec(0, 0, 0));
    game::CubeEntity* cube = addCube(vec(0, 0, -2));
    pressIn(&keys().E);
    EXPECT_TRUE(cube->attached);
    for (int i = 0; i < 10; i++) runFrame(TICK); // E still held, no new edge
    EXPECT_TRUE(cube->attached);
    release(&keys().E);
    runFrame(TICK);
    pressIn(&keys().E);
    EXPECT_FALSE(cube->attached);
}

TEST_F(Cube, SpaceDropsAndEInTheSameFramePicksUpAgain) {
    addPlayer(vec(0, 0, 0));
    game::CubeEntity* cube = addCube(vec(0, 0, -2));
    cube->attached = true;
    press(&keys().SPACE);
    decideFrame();
    game::updateCubeEntity(cube);
    EXPECT_FALSE(cube->attached);
    clearEdges();

    cube->attached = true;
    press(&keys().SPACE);
    press(&keys().E);
    decideFrame();
    game::updateCubeEntity(cube);
    EXPECT_TRUE(cube->attached);
}

TEST_F(Cube, WithoutAPlayerSpaceStillDropsAndENeverPicksUp) {
    struct Case {
        const char* what;
        b8 addAWallNamedPlayer;
    } cases[] = {{"no entity named Player", false}, {"the entity named Player is a wall", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        startNewScene();
        if (c.addAWallNamedPlayer) addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Player");
        game::CubeEntity* cube = addCube(vec(0, 0, -2));
        press(&keys().E);
        game::updateCubeEntity(cube);
        EXPECT_FALSE(cube->attached);
        clearEdges();

        cube->attached = true;
        press(&keys().SPACE);
        decideFrame();
        game::updateCubeEntity(cube);
        EXPECT_FALSE(cube->attached);
        clearEdges();
        keys().SPACE.isDown = 0;
        keys().E.isDown = 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Carrying
// ---------------------------------------------------------------------------------------------

// The world moves at most one tick per frame, so the carry sets the velocity once per physics
// step whatever the frame's length, and not at all in a frame that steps no physics.
TEST_F(Cube, TheCarryActsOncePerPhysicsStep) {
    struct Case {
        const char* what;
        f64 ticksPerFrame;
        b8 rewinding, paused;
        f32 expectedShare;
    } cases[] = {{"one tick", 1.0, false, false, 0.0f},   {"two and a half ticks", 2.5, false, false, 0.0f},
                 {"ten ticks", 10.0, false, false, 0.0f}, {"half a tick: no step", 0.5, false, false, 1.0f},
                 {"no time", 0.0, false, false, 1.0f},    {"a rewind tick", 1.0, true, false, 1.0f},
                 {"the editor pauses the scene", 1.0, false, true, 1.0f}};
    // The eye two units behind the cube: the carry point is the cube's centre, so a carry stops
    // the cube.
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0));
    game::CubeEntity* cube = addCube(vec(0, 0, -2));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ve::setPosition(cube->bodyOpts.physicsBody, player->cam.pos + 2.0f * player->cam.dir);
        ve::setLinearVelocity(cube->bodyOpts.physicsBody, vec(10, 0, 0));
        cube->attached = true;
        state()->timeSinceLastPhysicsUpdate = 0.0;
        keys().SPACE.isDown = c.rewinding;
        state()->currentScene.enabled = !c.paused;
        setFrameTime(c.ticksPerFrame * TICK);
        decideFrame();
        game::updateCubeEntity(cube);
        EXPECT_NEAR(velocityOf(cube).x, 10.0f * c.expectedShare, 1e-4f);
    }
}

// Walking, the player moves faster than a cube closes its distance to the carry point alone:
// the cube must still keep up.
TEST_F(Cube, ACarriedCubeSettlesAtTheCarryPointAtEveryFrameRate) {
    struct Case {
        f64 framesPerSecond;
        b8 walking; // W held through the last two seconds
        f32 within;
    } cases[] = {{60.0, false, 0.2f}, {15.0, false, 0.2f}, {5.0, false, 0.2f}, {60.0, true, 0.3f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.framesPerSecond << " frames a second" << (c.walking ? ", walking" : ""));
        startNewScene();
        game::PlayerEntity* player = addPlayer(vec(0, 2, 0));
        player->walkSpeed = 30.0f;
        player->cap = 4.0f;
        game::CubeEntity* cube = addCube(vec(0.3f, 1.7f, -2.5f), 9.81f);
        f64 frameTime = 1.0 / c.framesPerSecond;
        pressIn(&keys().E, frameTime);
        ASSERT_TRUE(cube->attached);
        // Four seconds of frames; the cube must be near the carry point for the whole of the last
        // one, or of the last two when walking.
        int frames = (int)(4.0 * c.framesPerSecond);
        int measured = (int)((c.walking ? 2.0 : 1.0) * c.framesPerSecond);
        f32 worst = 0.0f;
        for (int i = 0; i < frames; i++) {
            if (c.walking && i == frames - measured) press(&keys().W);
            runFrame(frameTime);
            if (i >= frames - measured) {
                ve::v3 carryPoint = player->cam.pos + 2.0f * player->cam.dir;
                worst = fmaxf(worst, distance(positionOf(cube), carryPoint));
            }
        }
        EXPECT_LT(worst, c.within);
        release(&keys().W);
        release(&keys().E);
        runFrame(frameTime);
    }
}

// The view swings down in half a second of frames (one frame at 1 and 3 frames a second), which
// puts the carry point inside the cube resting below the carried one, holds there for 90 ticks,
// and drops the carried cube. However fast the view swung, no cube sinks into another or into the
// floor deeper than the solver's slop (5 cm) and a centimetre while it is pressed, nor once the
// drop has settled.
TEST_F(Cube, ACubeCarriedIntoARestingCubeAndDroppedSinksNoDeeperThanTheSlop) {
    const f32 allowed = 0.06f;
    for (f64 framesPerSecond : {1.0, 3.0, 60.0}) {
        SCOPED_TRACE(testing::Message() << framesPerSecond << " frames a second");
        startNewScene();
        createBox(gluetest::STATIC_FLAGS, vec(0, -0.5f, 0), vec(20, 1, 20));
        game::PlayerEntity* player = addPlayer(vec(0, 1.62f, 0));
        addCube(vec(0, 0.52f, -2), 9.81f, true, "Resting");
        game::CubeEntity* carried = addCube(vec(0, 1.62f, -2.05f), 9.81f, false, "Carried");
        carried->attached = true;
        f64 frameTime = 1.0 / framesPerSecond;
        int swingFrames = (int)fmax(1.0, framesPerSecond / 2.0);
        f32 deepestPressed = 0.0f;
        for (int i = 0; i < swingFrames + 90; i++) {
            f32 down = fminf(1.0f, (f32)(i + 1) / swingFrames) * 60.0f * ve::PI / 180.0f;
            player->cam.dir = vec(0, -sinf(down), -cosf(down));
            runFrame(frameTime);
            deepestPressed = fmaxf(deepestPressed, deepestOverlap(scene()));
        }
        pressIn(&keys().E, frameTime);
        release(&keys().E);
        ASSERT_FALSE(carried->attached);
        f32 deepestSettled = 0.0f;
        for (int i = 0; i < 240; i++) {
            runFrame(frameTime);
            if (i >= 180) deepestSettled = fmaxf(deepestSettled, deepestOverlap(scene()));
        }
        EXPECT_LE(deepestPressed, allowed);
        EXPECT_LE(deepestSettled, allowed);
    }
}

TEST_F(Cube, ADroppedCubeFalls) {
    addPlayer(vec(0, 2, 0));
    game::CubeEntity* cube = addCube(vec(0, 2, -2), 9.81f);
    pressIn(&keys().E);
    for (int i = 0; i < 30; i++) runFrame(TICK);
    f32 heightCarried = positionOf(cube).y;
    pressIn(&keys().SPACE);
    release(&keys().SPACE);
    for (int i = 0; i < 30; i++) runFrame(TICK);
    EXPECT_FALSE(cube->attached);
    EXPECT_LT(positionOf(cube).y, heightCarried - 0.5f);
}

// ---------------------------------------------------------------------------------------------
// Render
// ---------------------------------------------------------------------------------------------

TEST_F(Cube, TheOutlineMarksOnlyAFreeCubeOutsideTheRewind) {
    struct Case {
        b8 timeDependent, attached;
        f32 expectedWidth;
    } cases[] = {{false, false, 0.05f}, {false, true, 0.0f}, {true, false, 0.0f}, {true, true, 0.0f}};
    addPlayer(vec(0, 0, 0));
    game::CubeEntity* cube = addCube(vec(0, 0, -2));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "timeDependent " << (int)c.timeDependent << ", attached " << (int)c.attached);
        newFrame();
        cube->timeDependent = c.timeDependent;
        cube->attached = c.attached;
        game::renderCubeEntity(cube);
        ASSERT_EQ(frame().meshes.length, 1u);
        ve::v4 outline = meshAt(0)->outline;
        EXPECT_FLOAT_EQ(outline.x, 0.1f);
        EXPECT_FLOAT_EQ(outline.y, 0.3f);
        EXPECT_FLOAT_EQ(outline.z, 0.3f);
        EXPECT_FLOAT_EQ(outline.w, c.expectedWidth);
    }
}

TEST_F(Cube, RenderDrawsTheCubeMeshAtTheLiveBodyWithItsDrawScale) {
    addPlayer(vec(0, 0, 0));
    game::CubeEntity* cube = addCube(vec(0, 0, -2));
    ve::setPosition(cube->bodyOpts.physicsBody, vec(3, 4, 5));
    game::renderCubeEntity(cube);
    ASSERT_EQ(frame().meshes.length, 1u);
    ve::MeshInstance* mesh = meshAt(0);
    EXPECT_EQ(mesh->position, vec(3, 4, 5));
    EXPECT_EQ(mesh->scale, vec(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(mesh->mesh, game::findMesh("cube_mesh"));
    EXPECT_EQ(mesh->texture, game::findTexture("cube_img"));
    EXPECT_EQ(mesh->material, game::findBasicMat("cube_mat"));
    EXPECT_EQ(mesh->emission, game::findTexture("cube_emission_img"));
    EXPECT_EQ(mesh->uvScale.x, 1.0f);
    EXPECT_EQ(mesh->uvScale.y, 1.0f);
}

TEST_F(Cube, DuringARewindOnlyACarriedUntrackedCubeOfATrackedPlayerSnapsToTheCarryPoint) {
    struct Case {
        const char* what;
        b8 playerTimeDependent, cubeTimeDependent, spaceHeld, attached, snaps;
    } cases[] = {
        {"all conditions", true, false, true, true, true},
        {"an untracked player", false, false, true, true, false},
        {"a tracked cube", true, true, true, true, false},
        {"SPACE not held", true, false, false, true, false},
        {"not carried", true, false, true, false, false},
    };
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0), vec(0, 0, -1));
    game::CubeEntity* cube = addCube(vec(5, 5, 5));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ve::setPosition(cube->bodyOpts.physicsBody, vec(5, 5, 5));
        player->timeDependent = c.playerTimeDependent;
        cube->timeDependent = c.cubeTimeDependent;
        cube->attached = c.attached;
        keys().SPACE.isDown = c.spaceHeld;
        decideFrame();
        newFrame();
        game::renderCubeEntity(cube);
        ve::v3 expected = c.snaps ? vec(0, 0, -2) : vec(5, 5, 5);
        EXPECT_LT(distance(positionOf(cube), expected), 1e-5f);
        ASSERT_EQ(frame().meshes.length, 1u);
        EXPECT_LT(distance(meshAt(0)->position, expected), 1e-5f);
    }
}

TEST_F(Cube, MissingAssetsSkipTheDrawWithoutStopping) {
    state()->assets->meshCount = 0;
    addPlayer(vec(0, 0, 0));
    game::CubeEntity* cube = addCube(vec(0, 0, -2));
    game::renderCubeEntity(cube);
    EXPECT_EQ(frame().meshes.length, 0u);
}

} // namespace
