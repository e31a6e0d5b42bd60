// The HUD: its glyph table, the clock text with its marker, the text writer's placement, the
// Timeshield line and the scene name; and the floating text that borrows the glyph table.

#include "game_harness.h"

#include "Game/FloatingTextEntity.h"
#include "Game/HUDEntity.h"
#include "Game/WallEntity.h"

#include <functional>

using namespace gametest;

namespace {

constexpr f32 EPS = 1e-6f;

class HUD : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        registerTexture("font_img");
        registerTexture("black_img");
    }

    game::HUDEntity* addHUD(const char* name = "HUD") {
        game::HUDEntity* hud = addEntity<game::HUDEntity>(ve::MetaType::game_HUDEntity, name);
        game::initHUDEntity(hud);
        return hud;
    }

    ve::QuadInstance* hudAt(msi index) { return entryOf<ve::QuadInstance>(&frame().hudElements, index); }

    // The glyphs of the HUD elements from `first` on, read back through the glyph table: the
    // code whose cell the element shows, '?' for a cell no printable code has.
    std::string glyphsOf(game::HUDEntity* hud, ve::ChunkStore* list, msi first, msi count) {
        std::string text;
        for (msi i = first; i < first + count; i++) {
            ve::QuadInstance* quad = entryOf<ve::QuadInstance>(list, i);
            char found = '?';
            for (u32 code = 32; code < 200; code++) {
                ve::mat2 cell = hud->characterPositions[code];
                if (cell.col1.x == quad->uvScale.x && cell.col1.y == quad->uvScale.y &&
                    cell.col2.x == quad->uvOffset.x && cell.col2.y == quad->uvOffset.y) {
                    found = (char)code;
                    break;
                }
            }
            text.push_back(found);
        }
        return text;
    }
};

std::string clockText(f32 time, b8 rewinding) {
    c8 out[game::CLOCK_BUFFER_SIZE];
    u32 length = game::formatClock(time, rewinding, out);
    return std::string((const char*)out, length);
}

// ---------------------------------------------------------------------------------------------
// Glyph table and clock
// ---------------------------------------------------------------------------------------------

TEST_F(HUD, InitFillsTheNinetySixCellsOfTheAtlasAndLeavesTheOtherEntriesAlone) {
    game::HUDEntity* hud = addEntity<game::HUDEntity>(ve::MetaType::game_HUDEntity, "HUD");
    hud->characterPositions[10].col2 = {0.5f, 0.25f}; // as a level may store it
    hud->characterPositions[' '].col1 = {1.0f, 1.0f};
    game::initHUDEntity(hud);

    struct Case {
        u32 code;
        f32 u, v;
    } cases[] = {
        {33, 0.0f, 0.9075043f},      {48, 0.9375f, 0.9075043f}, {49, 0.0f, 0.7260035f},
        {'A', 0.0f, 0.5445026f},     {'B', 0.0625f, 0.5445026f}, {126, 0.8125f, 0.0f},
        {174, 0.875f, 0.0f},         {175, 0.9375f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_NEAR(hud->characterPositions[c.code].col2.x, c.u, EPS);
        EXPECT_NEAR(hud->characterPositions[c.code].col2.y, c.v, EPS);
        EXPECT_NEAR(hud->characterPositions[c.code].col1.x, 0.0625f, EPS);
        EXPECT_NEAR(hud->characterPositions[c.code].col1.y, 0.0924956f, EPS);
    }
    EXPECT_EQ(hud->characterPositions[' '].col1.x, 0.0f);
    EXPECT_EQ(hud->characterPositions[' '].col2.y, 0.0f);
    EXPECT_EQ(hud->characterPositions[10].col2.x, 0.5f);
    EXPECT_EQ(hud->characterPositions[127].col1.x, 0.0f);
    EXPECT_EQ(hud->time, 0.0f);
    EXPECT_EQ(state()->trackedVars.floatCount, 1u);
    EXPECT_EQ(state()->trackedVars.floats[0], &hud->time);
}

TEST_F(HUD, TheClockReadsHoursMinutesSecondsAndItsMarker) {
    struct Case {
        f32 time;
        b8 rewinding;
        std::string expected;
    } cases[] = {
        {3725.4f, 0, "01:02:05 >"},
        {0.0f, 0, "00:00:00  "},
        {0.5f, 0, "00:00:00 >"}, // twice the time is 1: not a multiple of 3
        {1.5f, 0, "00:00:01  "},
        {7.2f, 1, "00:00:07 \xAE"},
        {8.9f, 1, "00:00:08  "},
        {100.0f * 3600.0f, 0, "100:00:00 "}, // past 99 hours only the first ten bytes are drawn
        {-61.0f, 0, "00:-1:-1 >"},
        {1e30f, 0, "596523:12:"}, // held at the largest f32 below 2^31 seconds
        {NAN, 1, "00:00:00  "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        EXPECT_EQ(clockText(c.time, c.rewinding), c.expected);
    }
}

TEST_F(HUD, TheClockAdvancesByTheFrameTimeUnlessSpaceIsHeld) {
    game::HUDEntity* hud = addHUD();
    setFrameTime(0.25);
    game::updateHUDEntity(hud);
    game::updateHUDEntity(hud);
    EXPECT_FLOAT_EQ(hud->time, 0.5f);
    hold(&h.input.keyboard.SPACE);
    decideFrame();
    game::updateHUDEntity(hud);
    EXPECT_FLOAT_EQ(hud->time, 0.5f);
}

// ---------------------------------------------------------------------------------------------
// The text writer and the screen
// ---------------------------------------------------------------------------------------------

TEST_F(HUD, WriteTextPlacesOneGlyphPerByteAndDrawsCodesOutsideTheTableBlank) {
    game::HUDEntity* hud = addHUD();
    c8 text[] = {'A', 'B', (c8)0xC3, '\n'};
    game::writeText(text, 4, {0.0f, 0.0f}, {0.07f, 0.07f}, hud);
    ASSERT_EQ(frame().hudElements.length, 4u);
    for (msi i = 0; i < 4; i++) {
        ve::QuadInstance* quad = hudAt(i);
        SCOPED_TRACE(i);
        EXPECT_NEAR(quad->position.x, 0.04f * (f32)i, EPS);
        EXPECT_EQ(quad->position.y, 0.0f);
        EXPECT_NEAR(quad->scale.x, 0.07f, EPS);
        EXPECT_NEAR(quad->scale.y, 0.0951282f, EPS);
        EXPECT_EQ(quad->scale.z, 0.0f);
        EXPECT_EQ(quad->texture, ve::getTexture(ve::assets, ve::hashASCIIZ("font_img")));
        EXPECT_EQ(quad->outline.w, 0.0f);
    }
    EXPECT_NEAR(hudAt(1)->uvOffset.x, 0.0625f, EPS);
    EXPECT_NEAR(hudAt(1)->uvOffset.y, 0.5445026f, EPS);
    EXPECT_EQ(hudAt(2)->uvScale.x, 0.0f) << "a UTF-8 byte is a blank";
    EXPECT_EQ(hudAt(2)->uvOffset.y, 0.0f);

    game::writeText(text, 0, {0.0f, 0.0f}, {0.07f, 0.07f}, hud);
    EXPECT_EQ(frame().hudElements.length, 4u);
}

TEST_F(HUD, TheScreenShowsClockCrosshairTimeshieldLineAndSceneName) {
    game::PlayerEntity* player = addEntity<game::PlayerEntity>(ve::MetaType::game_PlayerEntity, "Player");
    struct Case {
        b8 playerTimeDependent;
        const char* playerName;
        std::string line;
    } cases[] = {
        {0, "Player", "Timeshield Active"},
        {1, "Player", "Timeshield Inactive"},
        {0, "Somebody", "Timeshield Inactive"}, // no entity named "Player"
    };
    ve::Entity* playerEntity = ve::getEntity(&state()->currentScene, ve::hashASCIIZ("Player"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line + " " + c.playerName);
        player->timeDependent = c.playerTimeDependent;
        ve::renameEntity(&state()->currentScene, playerEntity, ve::wrapASCIIZ(c.playerName));
        ve::destroyEntity(&state()->currentScene, ve::hashASCIIZ("HUD"));
        ve::reloadTimeTracking();
        game::HUDEntity* hud = addHUD();
        hud->time = 3725.4f;
        newFrame();
        game::renderHUDEntity(hud);

        std::string sceneName = "New Scene";
        msi lineLength = c.line.size();
        ASSERT_EQ(frame().hudElements.length, 10 + 1 + lineLength + sceneName.size());
        EXPECT_EQ(glyphsOf(hud, &frame().hudElements, 0, 10), "01:02:05 >");
        EXPECT_EQ(glyphsOf(hud, &frame().hudElements, 10, 1), "+");
        EXPECT_EQ(hudAt(10)->position.x, 0.0f);
        EXPECT_EQ(glyphsOf(hud, &frame().hudElements, 11, lineLength), c.line);
        EXPECT_NEAR(hudAt(11)->position.x, -0.95f, EPS);
        EXPECT_NEAR(hudAt(11)->position.y, -0.9f, EPS);
        EXPECT_NEAR(hudAt(12)->position.x, -0.95f + 0.0228571f, EPS);
        EXPECT_NEAR(hudAt(11)->scale.y, 0.0543590f, EPS);
        EXPECT_EQ(glyphsOf(hud, &frame().hudElements, 11 + lineLength, sceneName.size()), sceneName);
        EXPECT_NEAR(hudAt(11 + lineLength)->position.x, 0.7f, EPS);
    }
}

TEST_F(HUD, APlayerNameOnAnotherTypeAndAnEmptySceneNameDrawNothingOfTheirs) {
    addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Player");
    game::HUDEntity* hud = addHUD();
    EXPECT_FALSE(hud->timeShield) << "a wall named Player is no player";
    state()->currentScene.name = {0, nullptr};
    game::renderHUDEntity(hud);
    EXPECT_EQ(frame().hudElements.length, 10u + 1u + 19u);
}

TEST_F(HUD, WhileSpaceIsHeldTheMarkerBlinksWithTheRewindGlyph) {
    game::HUDEntity* hud = addHUD();
    hold(&h.input.keyboard.SPACE);
    decideFrame();
    hud->time = 7.0f;
    game::renderHUDEntity(hud);
    EXPECT_NEAR(hudAt(9)->uvOffset.x, 0.875f, EPS);
    EXPECT_EQ(hudAt(9)->uvOffset.y, 0.0f);
    EXPECT_NEAR(hudAt(9)->uvScale.x, 0.0625f, EPS);
    newFrame();
    hud->time = 8.0f;
    game::renderHUDEntity(hud);
    EXPECT_EQ(hudAt(9)->uvScale.x, 0.0f) << "the space cell is all zero";
}

TEST_F(HUD, WithoutTheFontTheHUDDrawsNothingAndSaysSoOnce) {
    game::HUDEntity* hud = addEntity<game::HUDEntity>(ve::MetaType::game_HUDEntity, "HUD");
    game::initHUDEntity(hud);
    ve::assets->textureCount = 0; // an incomplete pack
    std::vector<std::string> printed = printedBy([&] {
        game::renderHUDEntity(hud);
        game::renderHUDEntity(hud);
    });
    EXPECT_EQ(frame().hudElements.length, 0u);
    EXPECT_EQ(printed, std::vector<std::string>{"Missing asset: font_img"});
}

// ---------------------------------------------------------------------------------------------
// Floating text
// ---------------------------------------------------------------------------------------------

class FloatingText : public HUD {
protected:
    game::FloatingTextEntity* addText(const char* text, const char* hudName = "HUD", const char* name = "Sign") {
        game::FloatingTextEntity* entity =
            addEntity<game::FloatingTextEntity>(ve::MetaType::game_FloatingTextEntity, name);
        entity->text = ve::wrapASCIIZ(text);
        entity->hudEntity = refTo(hudName);
        entity->position = vec(1, 2, 3);
        entity->size = 1.0f;
        game::initFloatingTextEntity(entity);
        return entity;
    }
    ve::QuadInstance* glyphAt(msi index) { return entryOf<ve::QuadInstance>(&frame().renderToTexQuads, index); }
};

TEST_F(FloatingText, InitTakesAColorBufferOfItsOwn) {
    game::FloatingTextEntity* first = addText("x");
    EXPECT_EQ(first->fbo, 1u);
    EXPECT_EQ(first->colorBuf, 101u);
}

TEST_F(FloatingText, LinesBreakAtLineFeedsInTheBufferAndOneBillboardShowsIt) {
    game::HUDEntity* hud = addHUD();
    game::FloatingTextEntity* text = addText("AB\nC");
    h.events.clear();
    game::renderFloatingTextEntity(text);
    EXPECT_EQ(h.events, std::vector<std::string>{"clearColorBuffer 1 0.000000 0.000000"});

    ASSERT_EQ(frame().renderToTexQuads.length, 4u);
    struct Glyph {
        f32 x, y;
        u32 code;
    } expected[] = {{-0.95f, 0.9f, 'A'}, {-0.91f, 0.9f, 'B'}, {-0.95f, 0.76f, '\n'}, {-0.91f, 0.76f, 'C'}};
    for (msi i = 0; i < 4; i++) {
        SCOPED_TRACE(i);
        ve::QuadInstance* glyph = glyphAt(i);
        EXPECT_NEAR(glyph->position.x, expected[i].x, EPS);
        EXPECT_NEAR(glyph->position.y, expected[i].y, EPS);
        EXPECT_NEAR(glyph->scale.y, 0.0951282f, EPS);
        EXPECT_EQ(glyph->fbo, 1u);
        EXPECT_EQ(glyph->uvOffset.x, hud->characterPositions[expected[i].code].col2.x);
        EXPECT_EQ(glyph->uvOffset.y, hud->characterPositions[expected[i].code].col2.y);
    }
    ASSERT_EQ(frame().transQuads.length, 1u);
    ve::QuadInstance* billboard = entryOf<ve::QuadInstance>(&frame().transQuads, 0);
    EXPECT_EQ(billboard->colorBuf, 101u);
    EXPECT_EQ(billboard->fbo, 0u);
    EXPECT_EQ(billboard->position, vec(1, 2, 3));
    EXPECT_EQ(billboard->scale, vec(1.0f, 0.625f, 1.0f));
}

// The buffer keeps its glyphs: a frame draws them again only when the text (as the editor's Edit
// String changes it), the glyph table or the buffer changed since the frame that drew them.
TEST_F(FloatingText, TheGlyphsAreDrawnAgainOnlyWhenWhatTheyShowChanges) {
    game::HUDEntity* hud = addHUD();
    game::FloatingTextEntity* text = addText("AB");
    game::FloatingTextEntity* still = addText("ZZ", "HUD", "Still sign");
    c8 edited[] = "AB";
    struct Step {
        const char* what;
        std::function<void()> change;
        msi glyphs, stillGlyphs; // pushed by `text` and by `still`, whose text never changes
    };
    const Step steps[] = {
        {"first frame", [] {}, 2, 2},
        {"nothing changed", [] {}, 0, 0},
        {"same bytes elsewhere", [&] { text->text = ve::wrapASCIIZ(edited); }, 0, 0},
        {"a byte edited in place", [&] { edited[1] = 'C'; }, 2, 0},
        {"a longer text", [&] { text->text = ve::wrapASCIIZ("ABCD"); }, 4, 0},
        {"the glyph table edited", [&] { hud->characterPositions['A'].col2.x += 0.0625f; }, 4, 2},
        {"the buffer handed out anew", [&] { game::initFloatingTextEntity(text); }, 4, 0},
        {"nothing changed again", [] {}, 0, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        newFrame();
        h.events.clear();
        game::renderFloatingTextEntity(text);
        game::renderFloatingTextEntity(still);
        EXPECT_EQ(frame().renderToTexQuads.length, step.glyphs + step.stillGlyphs);
        EXPECT_EQ(eventsStartingWith("clearColorBuffer").size(), (msi)(step.glyphs != 0) + (step.stillGlyphs != 0));
        EXPECT_EQ(frame().transQuads.length, 2u) << "both billboards show in every frame";
    }
}

TEST_F(FloatingText, AnEmptyTextClearsAndShowsOnlyTheBillboardAndNoHUDShowsNothing) {
    addHUD();
    game::FloatingTextEntity* empty = addText("");
    game::renderFloatingTextEntity(empty);
    EXPECT_EQ(frame().renderToTexQuads.length, 0u);
    EXPECT_EQ(frame().transQuads.length, 1u);

    newFrame();
    empty->hudEntity = refTo("Nobody");
    h.events.clear();
    game::renderFloatingTextEntity(empty);
    EXPECT_EQ(frame().transQuads.length, 0u);
    EXPECT_TRUE(eventsStartingWith("clearColorBuffer").empty());

    // A text the renderer had no buffer for stays invisible rather than drawing its glyphs into
    // the world.
    empty->hudEntity = refTo("HUD");
    empty->text = ve::wrapASCIIZ("A");
    empty->fbo = 0;
    game::renderFloatingTextEntity(empty);
    EXPECT_EQ(frame().transQuads.length, 0u);
}

} // namespace
