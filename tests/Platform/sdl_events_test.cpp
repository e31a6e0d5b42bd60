// SDL events into the input record, with SDL's dummy video driver and synthetic events pushed
// onto SDL's queue, so the whole polling path runs without a display.
#include "Platform/SDL/sdl_platformAPI.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

using namespace ve;

class EventTest : public testing::Test {
protected:
    void SetUp() override {
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        memset((void*)&input, 0, sizeof(input));
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

// The queue's order, over sequences of keys, text and clicks. A sequence is written one event a
// character: a lower-case letter presses a key (b BACKSPACE, e E, h HOME) and its capital releases
// it, m and M press and release the left mouse button, a digit or x is typed text (text right
// after a key's press is what that press typed), and "/" is a frame that runs while the events
// arrive. The frames that list anything are written the same way, each edge after the text typed
// before it, separated by "|". Each event must reach exactly one frame, and a frame's edge flags
// must say what its list says.
class QueueOrderTest : public EventTest {
protected:
    static constexpr const char* KEY_LETTERS = "beh";
    static constexpr SDL_Scancode KEY_SCANCODES[] = {SDL_SCANCODE_BACKSPACE, SDL_SCANCODE_E, SDL_SCANCODE_HOME};

    char letterOf(const InputEvent& event) {
        b8 mouse = isMouseEdge(event.kind);
        char letter = mouse ? 'm' : '?';
        for (int i = 0; !mouse && KEY_LETTERS[i]; i++)
            if (KeyCodeMappings[KEY_SCANCODES[i]] == event.index) letter = KEY_LETTERS[i];
        b8 press = event.kind == InputEventKeyDown || event.kind == InputEventMouseDown;
        return press ? letter : (char)toupper(letter);
    }

    void pushLetter(char c) {
        if (isdigit(c) || c == 'x') {
            char text[2] = {c, 0};
            pushText(text);
            return;
        }
        if (tolower(c) == 'm') {
            pushButton(islower(c) ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
            return;
        }
        const char* at = strchr(KEY_LETTERS, tolower(c));
        ASSERT_NE(at, nullptr) << c;
        pushKey(islower(c) ? SDL_KEYDOWN : SDL_KEYUP, KEY_SCANCODES[at - KEY_LETTERS]);
    }

    // One frame; its list in the sequence's letters, after checking that the edge flags of every
    // key and button say what the list says, starting from the states of the frame before.
    std::string listedFrame() {
        GameInput before = input;
        frame();
        GameInput expected = before;
        clearInputEdges(&expected);
        std::string listed;
        u32 textAt = 0;
        for (u32 i = 0; i < input.eventCount; i++) {
            const InputEvent& event = input.events[i];
            listed.append(input.text + textAt, event.textOffset - textAt);
            textAt = event.textOffset;
            listed += letterOf(event);
            ve::GameInput::Button* button = buttonOfEdge(&expected, event.kind, event.index);
            b8 press = event.kind == InputEventKeyDown || event.kind == InputEventMouseDown;
            EXPECT_FALSE(press ? button->wentDown : button->wentUp) << "a second edge of one kind in a frame";
            button->isDown = press;
            (press ? button->wentDown : button->wentUp) = 1;
        }
        listed.append(input.text + textAt, input.textLength - textAt);
        EXPECT_EQ(memcmp(&expected.keyboard.keys, &input.keyboard.keys, sizeof(input.keyboard.keys)), 0) << listed;
        EXPECT_EQ(memcmp(&expected.mouse.buttons, &input.mouse.buttons, sizeof(input.mouse.buttons)), 0) << listed;
        return listed;
    }

    std::string run(const char* sequence) {
        std::string frames;
        auto addFrame = [&frames](const std::string& listed) {
            if (listed.empty()) return;
            if (!frames.empty()) frames += '|';
            frames += listed;
        };
        for (const char* at = sequence; *at; at++) {
            if (*at == '/') addFrame(listedFrame());
            else pushLetter(*at);
        }
        do addFrame(listedFrame());
        while (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT));
        return frames;
    }
};

// `count` copies of `piece`, joined by `separator`.
std::string repeated(const std::string& piece, int count, const char* separator = "") {
    std::string joined;
    for (int i = 0; i < count; i++) joined += (i ? separator : "") + piece;
    return joined;
}

// 3,000 characters, each typed by a press of one key.
std::string typedBurst(const char* separator) {
    std::string burst;
    for (int i = 0; i < 3000; i++) burst += (i ? separator : "") + std::string("e") + (char)('0' + i % 10) + "E";
    return burst;
}

TEST_F(QueueOrderTest, EveryFrameListsItsEventsInArrivalOrderAndEachEventInExactlyOneFrame) {
    struct Case {
        std::string arrivals;
        std::string frames;
    };
    const Case cases[] = {
        {"eE", "eE"},                   // a tap within one frame
        {"eEeE", "eE|eE"},              // two taps: two presses, the second in a frame of its own
        {"eEeEeE", "eE|eE|eE"},
        {"ebBE", "ebBE"},               // edges of different keys share a frame
        {"bBbBx", "bB|bBx"},            // Backspace, Backspace, "x": the x waits behind the second
        {"bBbB/x", "bB|bBx"},           // ... also when it arrives while the second waits
        {"12hH3", "12hH3"},             // HOME between typed digits keeps its place
        {"e1Ee2E", "e1E|e2E"},          // a second press waits with the text it typed
        {"e1Ee2EbB3", "e1E|e2EbB3"},
        {"xmM", "xmM"},                 // typed text, then a click: the click after the text
        {"mMmM", "mM|mM"},              // a double click: one click a frame
        {"1mM2mM3", "1mM2|mM3"},
        {"m/xM", "m|xM"},               // a press held over a frame, released after typing
        {"e/mE", "e|mE"},
        {"E", "E"},                     // a release alone
        // Presses of one key faster than frames: each in a frame of its own, with the text typed
        // after it in its place.
        {repeated("e1E2", 40), repeated("e1E2", 40, "|")},
        {repeated("e1E2", 100), repeated("e1E2", 100, "|")},
        {typedBurst(""), typedBurst("|")},
    };
    for (const Case& c : cases) {
        memset((void*)&input, 0, sizeof(input));
        EXPECT_EQ(run(c.arrivals.c_str()), c.frames) << c.arrivals.substr(0, 40);
    }
}

// 35 keys tapped between two frames are 70 edges: the list holds 64, the rest wait in SDL's queue,
// and none moves a key's flags without being listed (listedFrame checks the flags against the
// list). Tapped twice, 140 edges.
TEST_F(QueueOrderTest, EdgesPastTheFramesListWaitForTheNextFrame) {
    for (int rounds = 1; rounds <= 2; rounds++) {
        for (int round = 0; round < rounds; round++) {
            for (int key = SDL_SCANCODE_A; key <= SDL_SCANCODE_9; key++) {
                pushKey(SDL_KEYDOWN, (SDL_Scancode)key);
                pushKey(SDL_KEYUP, (SDL_Scancode)key);
            }
        }
        EXPECT_EQ(listedFrame().size(), inputEventCapacity) << rounds;
        msi listed = inputEventCapacity;
        for (msi frameSize = 1; frameSize > 0; listed += frameSize) {
            frameSize = listedFrame().size();
            EXPECT_LE(frameSize, inputEventCapacity);
        }
        EXPECT_EQ(listed, 70u * rounds);
    }
}

TEST_F(EventTest, AClickListsWhereItHappenedAndActsInTheFrameItArrivesWhenNothingWaits) {
    pushMotion(100, 200);
    SDL_Event down = {};
    down.type = SDL_MOUSEBUTTONDOWN;
    down.button.button = SDL_BUTTON_RIGHT;
    down.button.x = 300;
    down.button.y = 400;
    ASSERT_EQ(SDL_PushEvent(&down), 1);
    pushMotion(500, 600);
    frame();
    EXPECT_TRUE(input.mouse.right.isDown && input.mouse.right.wentDown);
    ASSERT_EQ(input.eventCount, 1u);
    EXPECT_EQ(input.events[0].kind, InputEventMouseDown);
    EXPECT_EQ(input.events[0].index, 2);
    EXPECT_EQ(input.events[0].x, 300);
    EXPECT_EQ(input.events[0].y, 400);
    // The pointer itself is where the last motion left it.
    EXPECT_EQ(input.mouse.absInPixelsX, 500);
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
    // The platform's clock moves between the two polls.
    SDL_Delay(2);
    const SDL_Scancode unmapped[] = {SDL_SCANCODE_UNKNOWN, SDL_SCANCODE_NONUSBACKSLASH, SDL_SCANCODE_F13,
                                     (SDL_Scancode)254, (SDL_Scancode)255, SDL_SCANCODE_AUDIOPLAY};
    for (SDL_Scancode scancode : unmapped) {
        pushKey(SDL_KEYDOWN, scancode);
        pushKey(SDL_KEYUP, scancode);
    }
    pushButton(SDL_MOUSEBUTTONDOWN, 4);
    pushButton(SDL_MOUSEBUTTONUP, 5);
    EXPECT_FALSE(frame());
    // The keys, the buttons, the listed edges and the text; the record's times move with the clock.
    EXPECT_EQ(memcmp(&before.keyboard, &input.keyboard, sizeof(input.keyboard)), 0);
    EXPECT_EQ(memcmp(&before.mouse, &input.mouse, sizeof(input.mouse)), 0);
    EXPECT_EQ(input.eventCount, 0u);
    EXPECT_EQ(input.textLength, 0u);
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

// Typed text reaches the frame's text whole, in the order typed.
TEST_F(EventTest, TypedTextReachesTheFrameInOrder) {
    const char* cases[] = {"ab", "abcde\xC3\xA9", "a\xE2\x82\xAC\xE2\x82\xAC", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"};
    for (const char* typed : cases) {
        pushText(typed);
        frame();
        EXPECT_STREQ(input.text, typed);
        EXPECT_EQ(input.eventCount, 0u);
    }
    // Two text events in one frame follow each other; the next frame has no text.
    pushText("ab");
    pushText("xy");
    frame();
    EXPECT_STREQ(input.text, "abxy");
    frame();
    EXPECT_EQ(input.textLength, 0u);
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
