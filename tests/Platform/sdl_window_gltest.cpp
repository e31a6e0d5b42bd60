// The window and its OpenGL context under Xvfb: size, context version, GL entry points fetched
// through the platform table, and a cleared frame read back.
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include <gtest/gtest.h>

#include <math.h>

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
    detail::SDLMainState state = {};
    state.window = window;
    f32 tick = detail::queryPhysicsTickLength(&state);
    EXPECT_TRUE(isfinite(tick));
    EXPECT_GT(tick, 0.0f);
    EXPECT_LE(tick, 1.0f);
    // The display was asked: its mode is the 1440 x 900 screen the window is on.
    EXPECT_EQ(state.displayMode.w, 1440);
    EXPECT_EQ(tick, physicsTickLength(state.displayMode.refresh_rate));
}

} // namespace
