// SDL events into the input record, with SDL's dummy video driver and synthetic events pushed
// onto SDL's queue, so the whole polling path runs without a display.
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <string>

namespace {

using namespace ve;

class EventTest : public testing::Test {
protected:
    void SetUp() override {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        memset((void*)&input, 0, sizeof(input));
        sdl_pendingInput.count = 0;
    }
    void TearDown() override { SDL_Quit(); }

    void pushKey(Uint32 type, SDL_Scancode scancode, Uint8 repeat = 0) {
        SDL_Event event = {};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
    }
    void pushMotion(Sint32 x, Sint32 y) {
        SDL_Event event = {};
        event.type = SDL_MOUSEMOTION;
        event.motion.x = x;
        event.motion.y = y;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    void pushText(const char* text) {
        SDL_Event event = {};
        event.type = SDL_TEXTINPUT;
        strncpy(event.text.text, text, sizeof(event.text.text) - 1);
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    void pushButton(Uint32 type, Uint8 button) {
        SDL_Event event = {};
        event.type = type;
        event.button.button = button;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }
    b8 frame() { return handleEvents(&input); }

    GameInput input;
};

void expectKey(const GameInput::Keyboard::Key& key, b8 isDown, b8 wentDown, b8 wentUp) {
    EXPECT_EQ(key.isDown, isDown);
    EXPECT_EQ(key.wentDown, wentDown);
    EXPECT_EQ(key.wentUp, wentUp);
}

TEST_F(EventTest, PressAndReleaseInOneFrameLeaveBothEdgesThenAllClearNextFrame) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_E);
    pushKey(SDL_KEYUP, SDL_SCANCODE_E);
    EXPECT_FALSE(frame());
    expectKey(input.keyboard.E, false, true, true);
    frame();
    expectKey(input.keyboard.E, false, false, false);
}

// Taps faster than frames: every press is seen in a frame of its own, and the order of keys and
// text is kept. "1" stands for the E key, "2" for R; a frame may end between any two events.
TEST_F(EventTest, EveryPressBetweenTwoFramesIsSeenInExactlyOneFrame) {
    struct Case {
        const char* between;      // events pushed between two frames: e, E (down, up), r, R, t (text)
        const char* pressFrames;  // per frame: how many presses of E it shows (wentDown)
    };
    const Case cases[] = {
        {"eE", "1"},          // a tap within one frame
        {"eEeE", "11"},       // two taps: the second waits a frame
        {"eEeEeE", "111"},
        {"eErReE", "11"},     // R's tap rides along with the first frame
        {"eteEtE", "11"},
        {"E", "0"},           // a release alone
    };
    for (const Case& c : cases) {
        sdl_pendingInput.count = 0;
        memset((void*)&input, 0, sizeof(input));
        for (const char* at = c.between; *at; at++) {
            if (*at == 't') pushText("x");
            else pushKey(tolower(*at) == *at ? SDL_KEYDOWN : SDL_KEYUP, tolower(*at) == 'e' ? SDL_SCANCODE_E : SDL_SCANCODE_R);
        }
        std::string seen;
        for (int i = 0; i < 4; i++) {
            frame();
            seen += input.keyboard.E.wentDown ? '1' : '0';
        }
        EXPECT_EQ(seen.substr(0, strlen(c.pressFrames)), c.pressFrames) << c.between;
        EXPECT_EQ(seen.find('1', strlen(c.pressFrames)), std::string::npos) << c.between;
        EXPECT_FALSE(input.keyboard.E.isDown) << c.between;
    }
}

TEST_F(EventTest, HeldKeyHasOneWentDownAndRepeatsSetNothing) {
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_W);
    frame();
    expectKey(input.keyboard.W, true, true, false);
    for (int i = 0; i < 3; ++i) {
        pushKey(SDL_KEYDOWN, SDL_SCANCODE_W, 1);
        frame();
        expectKey(input.keyboard.W, true, false, false);
    }
    pushKey(SDL_KEYUP, SDL_SCANCODE_W);
    frame();
    expectKey(input.keyboard.W, false, false, true);
}

TEST_F(EventTest, ScancodesReachTheirNamedKeys) {
    struct Case {
        SDL_Scancode scancode;
        const GameInput::Keyboard::Key* key;
    };
    const GameInput::Keyboard& k = input.keyboard;
    const Case cases[] = {
        {SDL_SCANCODE_KP_0, &k.NUMPAD_0},  {SDL_SCANCODE_KP_1, &k.NUMPAD_1},   {SDL_SCANCODE_RALT, &k.LAYER_3},
        {SDL_SCANCODE_LALT, &k.ALT_LEFT},  {SDL_SCANCODE_0, &k.NR0},           {SDL_SCANCODE_1, &k.NR1},
        {SDL_SCANCODE_ESCAPE, &k.ESC},     {SDL_SCANCODE_SPACE, &k.SPACE},     {SDL_SCANCODE_GRAVE, &k.TILDE},
        {SDL_SCANCODE_F11, &k.F11},        {SDL_SCANCODE_SCROLLLOCK, &k.SCROLL_LOCK},
        {SDL_SCANCODE_HOME, &k.POS1},      {SDL_SCANCODE_DELETE, &k.DELETE_KEY}, {SDL_SCANCODE_UP, &k.ARROW_UP},
        {SDL_SCANCODE_RGUI, &k.SUPER_RIGHT}, {SDL_SCANCODE_MENU, &k.MENU},     {SDL_SCANCODE_KP_ENTER, &k.NUMPAD_ENTER},
    };
    for (const Case& c : cases) {
        pushKey(SDL_KEYDOWN, c.scancode);
        frame();
        EXPECT_TRUE(c.key->isDown) << SDL_GetScancodeName(c.scancode);
        EXPECT_TRUE(c.key->wentDown) << SDL_GetScancodeName(c.scancode);
    }
}

TEST_F(EventTest, UnmappedScancodesAndExtraMouseButtonsChangeNothing) {
    frame();
    GameInput before;
    memcpy((void*)&before, (const void*)&input, sizeof(GameInput));
    const SDL_Scancode unmapped[] = {SDL_SCANCODE_UNKNOWN, SDL_SCANCODE_NONUSBACKSLASH, SDL_SCANCODE_F13,
                                     (SDL_Scancode)254, (SDL_Scancode)255, SDL_SCANCODE_AUDIOPLAY};
    for (SDL_Scancode scancode : unmapped) {
        pushKey(SDL_KEYDOWN, scancode);
        pushKey(SDL_KEYUP, scancode);
    }
    pushButton(SDL_MOUSEBUTTONDOWN, 4);
    pushButton(SDL_MOUSEBUTTONUP, 5);
    EXPECT_FALSE(frame());
    EXPECT_EQ(memcmp((const void*)&before, (const void*)&input, sizeof(GameInput)), 0);
    expectKey(input.keyboard.INVALID, false, false, false);
}

TEST_F(EventTest, MouseAbsMapsTheWindowOntoMinusOneToOne) {
    struct Case {
        Sint32 x, y;
        f32 absX, absY;
    };
    const Case cases[] = {{0, 0, -1, -1}, {1440, 900, 1, 1}, {720, 450, 0, 0}, {360, 675, -0.5f, 0.5f}, {2880, -900, 3, -3}};
    for (const Case& c : cases) {
        pushMotion(c.x, c.y);
        frame();
        EXPECT_FLOAT_EQ(input.mouse.abs.x, c.absX) << c.x;
        EXPECT_FLOAT_EQ(input.mouse.abs.y, c.absY) << c.y;
        EXPECT_EQ(input.mouse.absInPixelsX, c.x);
        EXPECT_EQ(input.mouse.absInPixelsY, c.y);
    }
    // The last motion event of a frame wins.
    pushMotion(10, 20);
    pushMotion(30, 40);
    frame();
    EXPECT_EQ(input.mouse.absInPixelsX, 30);
    EXPECT_EQ(input.mouse.absInPixelsY, 40);
}

TEST_F(EventTest, MouseButtonsFollowTheKeyEdgeRules) {
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
    frame();
    EXPECT_TRUE(input.mouse.left.isDown && input.mouse.left.wentDown && !input.mouse.left.wentUp);
    EXPECT_TRUE(!input.mouse.right.isDown && input.mouse.right.wentDown && input.mouse.right.wentUp);
    EXPECT_FALSE(input.mouse.middle.isDown || input.mouse.middle.wentDown);
    frame();
    EXPECT_TRUE(input.mouse.left.isDown && !input.mouse.left.wentDown);
    EXPECT_FALSE(input.mouse.right.wentDown || input.mouse.right.wentUp);
}

TEST_F(EventTest, TextInputKeepsItsNulAndWholeCharacters) {
    struct Case {
        const char* typed;
        const char* kept;
    };
    const Case cases[] = {
        {"ab", "ab"},
        {"123456789", "1234567"},           // 9 bytes: cut to 7
        {"abcde\xC3\xA9", "abcde\xC3\xA9"}, // 7 bytes ending in a whole two-byte character
        {"abcdef\xC3\xA9", "abcdef"},       // the character would straddle the cut: left out
        {"a\xE2\x82\xAC\xE2\x82\xAC", "a\xE2\x82\xAC\xE2\x82\xAC"}, // a and two euro signs: 7 bytes
        {"ab\xE2\x82\xAC\xE2\x82\xAC", "ab\xE2\x82\xAC"},
        {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        pushText(c.typed);
        frame();
        EXPECT_TRUE(input.keyboard.newUTF8Input);
        EXPECT_STREQ(input.keyboard.utf8Input, c.kept) << c.typed;
        EXPECT_EQ(input.keyboard.utf8Input[utf8InputSize - 1], 0);
    }
    // A later text event in the same frame overwrites; the next frame clears it.
    pushText("first");
    pushText("xy");
    frame();
    EXPECT_STREQ(input.keyboard.utf8Input, "xy");
    frame();
    EXPECT_FALSE(input.keyboard.newUTF8Input);
    const c8 zeros[utf8InputSize] = {};
    EXPECT_EQ(memcmp(input.keyboard.utf8Input, zeros, utf8InputSize), 0);
}

TEST_F(EventTest, QuitEventIsReportedAfterTheFrameIsApplied) {
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
    EXPECT_TRUE(frame());
    EXPECT_TRUE(input.keyboard.A.wentDown);
    EXPECT_FALSE(frame());
}

TEST_F(EventTest, FocusLossLeavesTheChosenMouseModeRecorded) {
    input.mouse.relative = true;
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    EXPECT_FALSE(handleEvent(&input, &event));
    EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_FALSE);
    EXPECT_TRUE(input.mouse.relative);
    event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    EXPECT_FALSE(handleEvent(&input, &event));
    EXPECT_TRUE(input.mouse.relative);
}

TEST_F(EventTest, CursorChoiceIsRecordedInTheLiveRecord) {
    sdl_platform_setCursorRelative(true);
    EXPECT_EQ(sdl_gameInput.mouse.relative, 1);
    sdl_platform_setCursorRelative(false);
    EXPECT_EQ(sdl_gameInput.mouse.relative, 0);
    EXPECT_EQ(SDL_GetRelativeMouseMode(), SDL_FALSE);
}

TEST(Startup, MissingVideoOrOpenGLEndsWithAMessageAndNonZeroStatus) {
    struct Case {
        const char* videoDriver;
        const char* message;
    };
    const Case cases[] = {
        {"no-such-driver", "Kestrolan: SDL_Init(SDL_INIT_VIDEO) failed: "},
        {"dummy", "Kestrolan: cannot create the 1440x900 OpenGL window: "},
    };
    for (const Case& c : cases) {
        SDL_setenv("SDL_VIDEODRIVER", c.videoDriver, 1);
        char program[] = "kestrolan";
        char* argv[] = {program, nullptr};
        testing::internal::CaptureStderr();
        int status = SDL_main(1, argv);
        std::string printed = testing::internal::GetCapturedStderr();
        SDL_Quit();
        EXPECT_NE(status, 0) << c.videoDriver;
        EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
    }
}

TEST(KeyCodeMappings, EveryKeyIndexComesFromExactlyOneScancodeAndInvalidFromNone) {
    int producers[256] = {};
    for (u32 scancode = 0; scancode < keyCodeMappingCount; ++scancode) producers[KeyCodeMappings[scancode]]++;
    for (u32 keyIndex = 0; keyIndex < keyCount; ++keyIndex) EXPECT_EQ(producers[keyIndex], 1) << keyIndex;
    for (u32 value = keyCount; value < unmappedKeyIndex; ++value) EXPECT_EQ(producers[value], 0) << value;
}

TEST(KeyCodeMappings, LettersDigitsAndFunctionKeysRunInOrder) {
    for (u32 i = 0; i < 26; ++i) EXPECT_EQ(KeyCodeMappings[SDL_SCANCODE_A + i], i);
    for (u32 i = 0; i < 9; ++i) EXPECT_EQ(KeyCodeMappings[SDL_SCANCODE_1 + i], 26 + i);
    for (u32 i = 0; i < 12; ++i) EXPECT_EQ(KeyCodeMappings[SDL_SCANCODE_F1 + i], 36 + i);
    for (u32 i = 0; i < 9; ++i) EXPECT_EQ(KeyCodeMappings[SDL_SCANCODE_KP_1 + i], 58 + i);
}

} // namespace
