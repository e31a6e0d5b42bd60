#pragma once
// Playing the committed levels headless: the real engine start-up and frame update, the real
// asset pack and level files read through the real platform layer from the repository's assets/,
// the real entity functions, physics and time history; only the renderer is a table that keeps
// the frame's lists without drawing them. The player is driven as a person would drive it, with
// synthetic keys and mouse motion, one physics tick per frame.

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Game/ButtonEntity.h"
#include "Game/CubeEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Math/floatMath.h"
#include "Math/mat4.h"
#include "Physics/physics.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Util/string.h"

#include "../harness/keyStrokes.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

namespace levelplay {

constexpr f32 TICK = 1.0f / 60.0f;
// Mouse pixels per degree of turn (the player's mouse look speed).
constexpr f32 PIXELS_PER_DEGREE = 5.0f;
// Frames that a walk, a carry or a fall may take before the solver gives up.
constexpr int WALK_FRAME_LIMIT = 1500;
constexpr int SETTLE_FRAMES = 40;
constexpr f32 TURN_STEP_DEGREES = 6.0f;
constexpr int TURN_FRAME_LIMIT = 120;

// ---------------------------------------------------------------------------------------------
// The platform and the renderer
// ---------------------------------------------------------------------------------------------

inline std::vector<buffer>& platformBlocks() {
    static std::vector<buffer> blocks;
    return blocks;
}

inline buffer allocateBlock(msi size) {
    buffer block = {size, (u8*)calloc(1, size)};
    platformBlocks().push_back(block);
    return block;
}

// No window: the mouse capture has nothing to act on.
inline void keepCursor(b8) {}

// The most point lights that one submitted frame held.
inline msi& mostPointLights() {
    static msi most = 0;
    return most;
}

inline void noRendererGlobals(ve::Renderer*) {}
inline void noTextureUpload(ve::Texture*) {}
inline void noMeshUpload(ve::Mesh*) {}
inline void noSkyBox(ve::Texture**) {}
inline ve::v2 noColorBuffer() { return {0, 0}; }
inline void noClear(u32, ve::v4) {}
inline void noRelease() {}
inline void countPointLights(ve::RenderFrame* frame) {
    if (frame->pointLights.length > mostPointLights()) mostPointLights() = frame->pointLights.length;
}
inline u8 headlessRendererState[16];

inline ve::Renderer createHeadlessRenderer() {
    ve::Renderer table = {};
    table.reloadRendererGlobals = noRendererGlobals;
    table.uplTexture = noTextureUpload;
    table.uplMesh = noMeshUpload;
    table.createSkyBox = noSkyBox;
    table.createFrame = ve::rendererCreateFrame;
    table.submitFrame = countPointLights;
    table.createColorBuffer = noColorBuffer;
    table.clearColorBuffer = noClear;
    table.releaseColorBuffers = noRelease;
    table.rendererState = headlessRendererState;
    return table;
}

inline f32 horizontalDistance(ve::v3 a, ve::v3 b) { return ve::len(ve::v3{a.x - b.x, 0, a.z - b.z}); }
inline f32 degrees(f32 radians) { return radians * 180.0f / ve::PI; }

// The heading of a direction about +y, as the mouse turns it: a turn by t radians takes the
// heading h to h + t.
inline f32 heading(ve::v3 dir) { return atan2f(dir.x, dir.z); }

inline f32 clampedTurn(f32 degrees) {
    return degrees > TURN_STEP_DEGREES ? TURN_STEP_DEGREES : degrees < -TURN_STEP_DEGREES ? -TURN_STEP_DEGREES : degrees;
}

inline f32 wrappedAngle(f32 radians) {
    while (radians > ve::PI) radians -= 2 * ve::PI;
    while (radians < -ve::PI) radians += 2 * ve::PI;
    return radians;
}

// ---------------------------------------------------------------------------------------------
// The fixture
// ---------------------------------------------------------------------------------------------

class LevelPlay : public ::testing::Test, protected vetest::KeyStrokes {
protected:
    ve::PlatformAPI api = {};
    ve::GameMemory memory = {};
    ve::GameInput input;
    ve::GameInput debugInput;

    void SetUp() override {
        memset((void*)&input, 0, sizeof(input));
        memset((void*)&debugInput, 0, sizeof(debugInput));
        input.physicsDelta = TICK;
        input.deltaTime = TICK;
        mostPointLights() = 0;
        ve::initPlatformAPI(&api);
        api.allocateMemory = allocateBlock;
        api.setCursorRelative = keepCursor;
        EngineReload(&memory, &api);
        ve::initEngine(&memory, TICK, createHeadlessRenderer);
    }

    void TearDown() override {
        for (buffer block : platformBlocks()) free(block.data);
        platformBlocks().clear();
    }

    ve::EngineState* state() { return memory.engineState; }
    std::string sceneName() {
        string name = state()->currentScene.name;
        return std::string((const char*)name.data, name.length);
    }

    // --- frames -------------------------------------------------------------------------------

    // One frame as the platform runs it, one physics tick long; the key edges are cleared after.
    void frame() {
        debugInput = input;
        EngineReload(&memory, &api);
        EngineUpdate(&input, &debugInput);
        for (ve::GameInput::Keyboard::Key& key : input.keyboard.keys) key.wentDown = key.wentUp = 0;
        input.mouse.delta = {0, 0};
    }
    void frames(int count) {
        for (int i = 0; i < count; i++) frame();
    }

    // Switches to the level through the engine's own request, as the elevator makes it.
    void startLevel(const char* name) {
        state()->loadScene = ve::wrapASCIIZ(name);
        frame();
        ASSERT_EQ(sceneName(), name);
        ASSERT_GT(state()->currentScene.entities.length, 0u) << name << " did not load";
        frames(SETTLE_FRAMES);
    }

    ve::GameInput::Keyboard& keys() { return input.keyboard; }

    // A key pressed in one frame and released in the next, as a quick tap arrives.
    void tap(ve::GameInput::Keyboard::Key* key) {
        press(key);
        frame();
        release(key);
        frame();
    }
    void tapE() { tap(&keys().E); }
    void tapR() { tap(&keys().R); }

    // --- the level's entities -----------------------------------------------------------------

    template <typename Record> Record* entity(const char* name) {
        ve::Entity* found = ve::getEntity(&state()->currentScene, ve::hashASCIIZ(name));
        EXPECT_NE(found, nullptr) << sceneName() << " has no entity " << name;
        return found ? (Record*)found->entityData.data : nullptr;
    }
    game::PlayerEntity* player() { return entity<game::PlayerEntity>("Player"); }
    ve::v3 eye() { return player()->cam.pos; }

    // The live position of a physical entity's body.
    ve::v3 bodyPosition(const char* name) {
        return ve::getTranslation(ve::getTransform(entity<ve::BodyOpts>(name)->physicsBody));
    }
    // A plate's, a button's or a gate's output, which follows its body options.
    b8 powered(const char* name) { return *(b8*)(entity<u8>(name) + sizeof(ve::BodyOpts)); }

    // --- looking and walking ------------------------------------------------------------------

    // Turns the camera to look at `target` with mouse motion, at most `TURN_STEP_DEGREES` per
    // frame about each axis, so that a carried cube swings round smoothly.
    void lookAt(ve::v3 target) {
        for (int i = 0; i < TURN_FRAME_LIMIT; i++) {
            ve::v3 dir = player()->cam.dir;
            ve::v3 wanted = ve::normalized(target - eye());
            ve::v3 up = {0, 1, 0};
            f32 yaw = degrees(wrappedAngle(heading(wanted) - heading(dir)));
            f32 pitch = degrees(ve::angle(wanted, up) - ve::angle(dir, up));
            if (fabsf(yaw) < 0.2f && fabsf(pitch) < 0.2f) return;
            input.mouse.delta.x = clampedTurn(yaw) * PIXELS_PER_DEGREE;
            input.mouse.delta.y = clampedTurn(pitch) * PIXELS_PER_DEGREE;
            frame();
        }
    }

    // Turns about +y only, keeping the pitch, so that W walks towards (x, z).
    void faceHorizontally(f32 x, f32 z) {
        ve::v3 dir = player()->cam.dir;
        ve::v3 wanted = {x - eye().x, 0, z - eye().z};
        input.mouse.delta.x = degrees(wrappedAngle(heading(wanted) - heading(dir))) * PIXELS_PER_DEGREE;
    }

    f32 horizontalSpeed() {
        ve::v3 velocity = ve::getLinearVeloctiy(player()->bodyOpts.physicsBody);
        return ve::len(ve::v3{velocity.x, 0, velocity.z});
    }

    // Walks with W until the eye stands within `tolerance` of (x, z) and the player has come to
    // rest; W is let go early enough that the player does not overshoot. False when the way is
    // blocked (the frame limit runs out).
    b8 walkTo(f32 x, f32 z, f32 tolerance = 0.3f) {
        ve::v3 goal = {x, 0, z};
        for (int i = 0; i < WALK_FRAME_LIMIT; i++) {
            f32 distance = horizontalDistance(eye(), goal);
            f32 brakingDistance = horizontalSpeed() * 0.3f;
            if (distance <= tolerance && horizontalSpeed() < 0.2f) {
                keys().W.isDown = 0;
                return true;
            }
            keys().W.isDown = distance > tolerance + brakingDistance;
            if (distance > tolerance) faceHorizontally(x, z);
            frame();
        }
        keys().W.isDown = 0;
        return false;
    }

    // Holds a key for a number of frames (A, S, D: stepping sideways or back).
    void hold(ve::GameInput::Keyboard::Key* key, int count) {
        press(key);
        frames(count);
        release(key);
        frame();
    }

    // Holds SPACE for `count` frames: the world runs back one snapshot per frame.
    void rewind(int count) { hold(&keys().SPACE, count); }

    // --- using things -------------------------------------------------------------------------

    void lookAtAndUse(ve::v3 target) {
        lookAt(target);
        tapE();
    }

    // Picks the named cube up: looks at its centre and taps E. The cube must be within reach.
    void pickUp(const char* cube) {
        lookAtAndUse(bodyPosition(cube));
        EXPECT_TRUE(entity<game::CubeEntity>(cube)->attached) << cube << " was not picked up";
    }

    // Carries the held cube to the plate: walks to `stand`, looks down at the plate's centre so
    // that the carry point hangs over it, lets the cube settle and drops it.
    void dropOnto(const char* plate, f32 standX, f32 standZ) {
        EXPECT_TRUE(walkTo(standX, standZ)) << "could not reach the place beside " << plate;
        ve::v3 centre = entity<ve::BodyOpts>(plate)->position;
        lookAt(centre);
        frames(SETTLE_FRAMES);
        tapE();
        frames(SETTLE_FRAMES);
    }

    // Uses the elevator: walks to `stand`, looks at the elevator's doors and taps E. Returns the
    // scene that is current afterwards.
    std::string useElevator(f32 standX, f32 standZ) {
        EXPECT_TRUE(walkTo(standX, standZ)) << "could not reach the elevator";
        ve::v3 doors = entity<ve::BodyOpts>("Elevator")->position + ve::v3{0, 1.5f, 0};
        lookAtAndUse(doors);
        return sceneName();
    }
};

} // namespace levelplay
