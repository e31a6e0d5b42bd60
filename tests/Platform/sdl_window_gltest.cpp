// The window and its OpenGL context under Xvfb: size, context version, GL entry points fetched
// through the platform table, and a cleared frame read back.
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include "Core/engine_globals.h"
#include "Game/ButtonEntity.h"
#include "Game/PlayerEntity.h"
#include "Physics/dynamics/phBody.h"
#include "Physics/physics.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <string>

namespace {

using namespace ve;

typedef void (*ClearColorFunc)(f32, f32, f32, f32);
typedef void (*ClearFunc)(u32);
typedef void (*GetIntegervFunc)(u32, s32*);
typedef void (*ReadPixelsFunc)(s32, s32, s32, s32, u32, u32, void*);
typedef void (*FinishFunc)();
constexpr u32 glColorBufferBit = 0x00004000;
constexpr u32 glMajorVersion = 0x821B;
constexpr u32 glMinorVersion = 0x821C;
constexpr u32 glRGBA = 0x1908;
constexpr u32 glUnsignedByte = 0x1401;

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_TRUE(setupWindow(&window));
        initPlatformAPI(&api);
    }
    static void TearDownTestSuite() {
        SDL_GL_DeleteContext(window.glContext);
        SDL_DestroyWindow(window.window);
        SDL_Quit();
    }
    template <typename F> static F gl(const char* name) { return (F)api.getGLProcAddr((c8*)name); }

    static SDLWindow window;
    static PlatformAPI api;
};

SDLWindow WindowTest::window;
PlatformAPI WindowTest::api;

TEST_F(WindowTest, WindowIsKestrolanAt1440By900) {
    int width = 0, height = 0;
    SDL_GetWindowSize(window.window, &width, &height);
    EXPECT_EQ(width, 1440);
    EXPECT_EQ(height, 900);
    EXPECT_EQ(window.width, 1440u);
    EXPECT_EQ(window.height, 900u);
    EXPECT_STREQ(SDL_GetWindowTitle(window.window), "Kestrolan");
}

TEST_F(WindowTest, ContextIsAtLeastOpenGL43) {
    GetIntegervFunc getIntegerv = gl<GetIntegervFunc>("glGetIntegerv");
    ASSERT_NE(getIntegerv, nullptr);
    s32 major = 0, minor = 0;
    getIntegerv(glMajorVersion, &major);
    getIntegerv(glMinorVersion, &minor);
    EXPECT_GE(major * 10 + minor, 43) << major << "." << minor;
}

// GLX hands out a dispatch stub for any name beginning with "gl", so only the presence of real
// functions can be checked here.
TEST_F(WindowTest, ProcAddressLookupFindsTheRenderersFunctions) {
    const char* names[] = {"glClear", "glDebugMessageCallback", "glCreateShader", "glBindBufferBase"};
    for (const char* name : names) EXPECT_EQ(gl<void*>(name), SDL_GL_GetProcAddress(name)) << name;
    for (const char* name : names) EXPECT_NE(gl<void*>(name), nullptr) << name;
}

TEST_F(WindowTest, ClearedFrameReadsBackTheClearColour) {
    ClearColorFunc clearColor = gl<ClearColorFunc>("glClearColor");
    ClearFunc clear = gl<ClearFunc>("glClear");
    ReadPixelsFunc readPixels = gl<ReadPixelsFunc>("glReadPixels");
    FinishFunc finish = gl<FinishFunc>("glFinish");
    ASSERT_TRUE(clearColor && clear && readPixels && finish);
    clearColor(1.0f, 0.5f, 0.0f, 1.0f);
    clear(glColorBufferBit);
    finish();
    u8 pixel[4] = {};
    readPixels(720, 450, 1, 1, glRGBA, glUnsignedByte, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_NEAR(pixel[1], 128, 1);
    EXPECT_EQ(pixel[2], 0);
}

TEST_F(WindowTest, TickLengthFromTheDisplayIsFiniteAndPositive) {
    ve::detail::SDLMainState state = {};
    state.window = window;
    f32 tick = ve::detail::queryPhysicsTickLength(&state);
    EXPECT_TRUE(isfinite(tick));
    EXPECT_GT(tick, 0.0f);
    EXPECT_LE(tick, 1.0f);
    // The display was asked: its mode is the 1440 x 900 screen the window is on.
    EXPECT_EQ(state.displayMode.w, 1440);
    EXPECT_EQ(tick, physicsTickLength(state.displayMode.refresh_rate));
}

// The whole program in this process, its frames run one by one from the test, and E taps sent
// with xdotool to its window between them. Level 1 starts with the player looking at the button.
class Program : public testing::Test {
protected:
    static void run(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }
    static std::string text(string s) { return std::string((const char*)s.data, s.length); }

    void* entityData(const char* name) {
        ve::Scene* scene = &ve::engineState->currentScene;
        for (msi i = 0; i < scene->entities.length; i++)
            if (text(((ve::Entity*)scene->entities[i])->name) == name) return ((ve::Entity*)scene->entities[i])->entityData.data;
        return nullptr;
    }
    // One frame after `taps` taps of E; counts the frames in which the button's state changed.
    void frameAfterTaps(int taps) {
        std::string command = "xdotool key";
        for (int i = 0; i < taps; i++) command += " e";
        if (taps) run(command);
        b8 before = button->powered;
        ASSERT_TRUE(ve::detail::runFrame(&state));
        frames++;
        if (ve::engineState->currentScene.name.data && text(ve::engineState->currentScene.name) == "Level 1")
            toggles += button->powered != before;
    }

    // The engine keeps pointers into it for the rest of the process.
    static ve::detail::SDLMainState state;
    game::ButtonEntity* button = nullptr;
    int toggles = 0;
    int frames = 0;
};

ve::detail::SDLMainState Program::state;

TEST_F(Program, EveryTapOfEActsOnceAndEAtTheElevatorNeverReachesAButtonBehindIt) {
    // The software rasteriser on one thread: a few frames a second, as on a slow machine.
    setenv("LP_NUM_THREADS", "1", 1);
    ASSERT_TRUE(ve::detail::startProgram(&state));
    // SDL falls back to a window no X client can see when the display cannot be reached.
    ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11") << "no X server at DISPLAY=" << getenv("DISPLAY");
    // The only window on this test's display. A loaded machine may not have shown it by the end
    // of start-up: frames run until the search finds it.
    std::string window;
    for (int i = 0; i < 100 && window.empty(); i++) {
        ASSERT_TRUE(ve::detail::runFrame(&state));
        FILE* search = popen("xdotool search --name '^Kestrolan$' 2>/dev/null | head -1", "r");
        ASSERT_NE(search, nullptr);
        char id[64] = {};
        if (fgets(id, sizeof(id), search)) window = std::string(id, strcspn(id, "\n"));
        pclose(search);
    }
    ASSERT_FALSE(window.empty()) << "the window never reached the X server";
    run("xdotool windowfocus --sync " + window);
    button = (game::ButtonEntity*)entityData("Button");
    ASSERT_NE(button, nullptr);
    // Taps sent between two frames: none, one or several, 20 in all, then frames to take them.
    const int tapsBeforeFrame[] = {0, 0, 1, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1, 1, 2, 0, 0, 4, 0, 0, 0,
                                   0, 1, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0};
    auto start = std::chrono::steady_clock::now();
    for (int taps : tapsBeforeFrame) frameAfterTaps(taps);
    printf("%d frames in %.1f s\n", frames, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    EXPECT_EQ(toggles, 20);

    // Facing the lit elevator's doors 1.25 away, with the button that powers it moved behind them
    // and the north wall, 1.95 from the eye and within its reach: E rides to Level 2.
    game::PlayerEntity* player = (game::PlayerEntity*)entityData("Player");
    ASSERT_NE(player, nullptr);
    f32 eyeHeight = ve::getBody(player->bodyOpts.physicsBody)->m_tx.position.y;
    ve::setPosition(button->bodyOpts.physicsBody, ve::v3{-0.35f, eyeHeight - 0.6f, -5.4f});
    ve::setPosition(player->bodyOpts.physicsBody, ve::v3{-0.35f, eyeHeight, -3.2f});
    player->cam.dir = ve::v3{0.0f, 0.0f, -1.0f};
    button->powered = 1;
    frameAfterTaps(0);
    toggles = 0;
    frameAfterTaps(1);
    EXPECT_EQ(toggles, 0) << "E reached the button behind the elevator";
    EXPECT_EQ(text(ve::engineState->currentScene.name), "Level 2");
}

} // namespace
