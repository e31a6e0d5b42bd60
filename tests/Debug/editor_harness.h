#pragma once
// The map editor over the headless engine of engine_harness.h: the real start-up and frames, the
// real scene and stores, Dear ImGui without a window (no OpenGL back end: frames are built, not
// drawn). Input reaches the editor as the platform delivers it, through the live input record.
//
// To click a widget the test reads the screen: `readScreen` turns the glyph quads of a window's
// draw list back into text runs with their rectangles.

#include "../Core/engine_harness.h"

#include "Debug/editorActions.h"
#include "Debug/editorText.h"
#include "Debug/mapeditor.h"
#include "Meta/introspection.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"
#include "Util/string.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <math.h>

#include <map>
#include <string>
#include <vector>

namespace editortest {

inline string name(const char* text) { return ve::wrapASCIIZ(text); }
inline std::string text(string s) { return std::string((const char*)s.data, s.length); }

// One line of text as drawn: its characters (spaces put back) and its rectangle in pixels.
struct TextRun {
    std::string text;
    ImVec2 min, max;
    ImVec2 center() const { return ImVec2((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f); }
};

// The text that `drawList` draws, run by run. A glyph is four vertices whose first texture
// coordinate is the glyph's corner in the font atlas; its pen position is its corner less the
// glyph's offset. Glyphs of one run share the pen's line, and a pen that moved further than the
// previous glyph's advance by whole advances stands for spaces (the default font is monospaced).
inline std::vector<TextRun> readDrawList(const ImDrawList* drawList) {
    ImFont* font = ImGui::GetFont();
    std::map<std::pair<float, float>, std::pair<char, const ImFontGlyph*>> glyphAt;
    for (char c = 33; c < 127; c++) {
        const ImFontGlyph* glyph = font->FindGlyph((ImWchar)c);
        glyphAt[{glyph->U0, glyph->V0}] = {c, glyph};
    }
    const float spaceAdvance = font->FindGlyph((ImWchar)' ')->AdvanceX;
    std::vector<TextRun> runs;
    TextRun* open = nullptr;
    ImVec2 nextPen;
    const ImVector<ImDrawVert>& vertices = drawList->VtxBuffer;
    for (int i = 0; i + 3 < vertices.Size;) {
        auto found = glyphAt.find({vertices[i].uv.x, vertices[i].uv.y});
        if (found == glyphAt.end() || vertices[i + 2].uv.x == vertices[i].uv.x) {
            open = nullptr;
            i++;
            continue;
        }
        const ImFontGlyph* glyph = found->second.second;
        ImVec2 min = vertices[i].pos, max = vertices[i + 2].pos;
        ImVec2 pen(min.x - glyph->X0, min.y - glyph->Y0);
        // Spaces move the pen by whole advances; any other gap is the space between two widgets.
        float gap = pen.x - nextPen.x;
        float spaces = floorf(gap / spaceAdvance + 0.5f);
        b8 sameLine = open && fabsf(pen.y - nextPen.y) < 0.5f && fabsf(gap - spaces * spaceAdvance) < 0.5f &&
                      spaces >= 0.0f && spaces < 4.0f;
        if (!sameLine) {
            runs.push_back({"", min, max});
            open = &runs.back();
        } else {
            open->text.append((size_t)spaces, ' ');
        }
        open->text += found->second.first;
        open->min = ImVec2(fminf(open->min.x, min.x), fminf(open->min.y, min.y));
        open->max = ImVec2(fmaxf(open->max.x, max.x), fmaxf(open->max.y, max.y));
        nextPen = ImVec2(pen.x + glyph->AdvanceX, pen.y);
        i += 4;
    }
    return runs;
}

inline std::vector<TextRun> readScreen(const char* windowName) {
    ImGuiWindow* window = ImGui::FindWindowByName(windowName);
    if (!window || !window->Active) return {};
    return readDrawList(window->DrawList);
}

inline std::vector<TextRun> findText(const char* windowName, const std::string& wanted) {
    std::vector<TextRun> matching;
    for (const TextRun& run : readScreen(windowName))
        if (run.text == wanted) matching.push_back(run);
    return matching;
}

class EditorTest : public enginetest::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startEngine();
        ImGuiIO& io = ImGui::GetIO();
        // No layout file from earlier runs, and a display tall enough that no window is clipped.
        io.IniFilename = nullptr;
        io.DisplaySize = ImVec2(1440.0f, 6000.0f);
    }

    ve::Scene* scene() { return &state()->currentScene; }
    ve::DebugState* editor() { return ve::debugState; }
    ve::Entity* entityAt(msi index) { return (ve::Entity*)scene()->entities[index]; }

    std::vector<std::string> entityNames() {
        std::vector<std::string> names;
        for (msi i = 0; i < scene()->entities.length; i++) names.push_back(text(entityAt(i)->name));
        return names;
    }

    ve::Entity* newEntity(u32 row) { return ve::createNewEntity(&ve::entityTypes[row]); }

    // F11 in the live input, one frame.
    void pressF11() {
        press(&keys().F11);
        runFrame(1.0 / 60.0);
        release(&keys().F11);
    }
    void openEditor() {
        if (!editor()->enabled) pressF11();
        ASSERT_TRUE(editor()->enabled);
    }

    b8 frame() { return runFrame(1.0 / 60.0); }

    // The mouse over `at` for a frame, then a press and a release in frames of their own, then a
    // frame that shows what the click did.
    void click(ImVec2 at) {
        h.input.mouse.absInPixelsX = (s32)at.x;
        h.input.mouse.absInPixelsY = (s32)at.y;
        frame();
        h.input.mouse.left.isDown = 1;
        h.input.mouse.left.wentDown = 1;
        frame();
        h.input.mouse.left.isDown = 0;
        h.input.mouse.left.wentDown = 0;
        h.input.mouse.left.wentUp = 1;
        frame();
        h.input.mouse.left.wentUp = 0;
        // A window drawn before the clicked one shows the effect from the next frame on.
        frame();
    }

    // Typed text, one character per frame, through the platform's handling of SDL's text events.
    void type(const char* characters) {
        for (const char* c = characters; *c; c++) {
            SDL_Event event = {};
            event.type = SDL_TEXTINPUT;
            event.text.text[0] = *c;
            ve::handleEvent(&h.input, &event);
            frame();
        }
    }

    void pressKey(ve::GameInput::Keyboard::Key* key) {
        press(key);
        frame();
        release(key);
        frame();
    }

    // Puts a window where the test can reach all of it, tall enough for every field.
    void placeWindow(const char* windowName, ImVec2 pos, ImVec2 size = ImVec2(700.0f, 5800.0f)) {
        ImGui::SetWindowPos(windowName, pos);
        ImGui::SetWindowSize(windowName, size);
        frame();
    }
};

} // namespace editortest
