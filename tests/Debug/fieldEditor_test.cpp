// The field editor on members of every kind, drawn into a window of the test's own inside the
// editor's Dear ImGui context, and clicked where its text is.

#include "editor_harness.h"

#include "Debug/fieldEditor.h"
#include "Game/LogicGateEntity.h"

#include <algorithm>

using namespace editortest;
using ve::MetaType;

namespace {

constexpr const char* WINDOW = "Fields";

class FieldEditor : public EditorTest {
protected:
    // Members are placed at the offsets a record gives them: the bytes are aligned like one.
    alignas(16) u8 data[64] = {};
    std::vector<ve::StructMemberMetaData> members;
    ImVec2 mouse = ImVec2(-1.0f, -1.0f);
    b8 mouseDown = false;

    void addMember(const char* memberName, MetaType type, const char* typeName, msi offset, msi indirections = 0) {
        members.push_back({name(memberName), type, name(typeName), offset, indirections});
    }

    // One frame of the test's window with the field editor for every member.
    void drawFrame() {
        ImGuiIO& io = ImGui::GetIO();
        io.DeltaTime = 1.0f / 60.0f;
        io.MousePos = mouse;
        io.MouseDown[0] = mouseDown;
        ve::resetHeapStore(&editor()->tmpStore);
        ImGui::NewFrame();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
        ImGui::SetNextWindowSize(ImVec2(800.0f, 800.0f));
        ImGui::Begin(WINDOW);
        for (ve::StructMemberMetaData& member : members) ve::drawEntityFieldEditor(&member, data);
        ImGui::End();
        ImGui::Render();
    }

    void clickAt(ImVec2 at) {
        mouse = at;
        drawFrame();
        mouseDown = true;
        drawFrame();
        mouseDown = false;
        drawFrame();
        drawFrame();
    }

    b8 shows(const std::string& wanted) { return !findText(WINDOW, wanted).empty(); }
};

TEST_F(FieldEditor, EachKindOfMemberGetsItsWidget) {
    addMember("count", MetaType::u8, "::u8", 0);
    addMember("speed", MetaType::f32, "::f32", 4);
    addMember("flag", MetaType::b8, "::b8", 8);
    addMember("target", MetaType::ve_EntityRef, "::ve::EntityRef", 16);
    addMember("on", MetaType::b8, "::b8", 32, 1);
    addMember("renderer", MetaType::Unresolved, "::Renderer", 40);
    addMember("blob", MetaType::buffer, "::buffer", 48);
    ((f32*)data)[1] = 2.5f;
    drawFrame();
    drawFrame();
    for (const char* label : {"count : u8", "speed : f32", "flag : b8", "target : EntityRef", "null", "blob : buffer"})
        EXPECT_TRUE(shows(label)) << label;
    EXPECT_TRUE(shows("2.500"));
    // A pointer is shown, never edited; a type without record draws nothing.
    EXPECT_TRUE(shows("on : b8*"));
    EXPECT_FALSE(shows("renderer : Renderer"));
}

TEST_F(FieldEditor, TheStepButtonsOfAByteChangeItByOne) {
    addMember("count", MetaType::u8, "::u8", 0);
    data[0] = 7;
    drawFrame();
    drawFrame();
    std::vector<TextRun> plus = findText(WINDOW, "+");
    ASSERT_EQ(plus.size(), 1u);
    clickAt(plus[0].center());
    EXPECT_EQ(data[0], 8);
    clickAt(findText(WINDOW, "-")[0].center());
    clickAt(findText(WINDOW, "-")[0].center());
    EXPECT_EQ(data[0], 6);
}

TEST_F(FieldEditor, AnEnumValueOfNoMemberShowsInvalidUntilOneIsChosen) {
    addMember("type", MetaType::game_LogicGateType, "::game::LogicGateType", 0);
    *(u32*)data = 9;
    drawFrame();
    drawFrame();
    EXPECT_TRUE(shows("type : LogicGateType"));
    std::vector<TextRun> preview = findText(WINDOW, "Invalid Enum Value");
    ASSERT_EQ(preview.size(), 1u);
    clickAt(preview[0].center());
    ImGuiWindow* popup = GImGui->NavWindow;
    ASSERT_NE(popup, nullptr);
    std::vector<TextRun> entries = readDrawList(popup->DrawList);
    auto orEntry = std::find_if(entries.begin(), entries.end(), [](const TextRun& run) { return run.text == "OR"; });
    ASSERT_NE(orEntry, entries.end());
    clickAt(orEntry->center());
    EXPECT_EQ(*(u32*)data, (u32)game::LogicGateType::OR);
    EXPECT_TRUE(shows("OR"));
}

TEST_F(FieldEditor, MatricesAreTreesOfColumnRows) {
    addMember("characterPosition", MetaType::ve_mat2, "::ve::mat2", 0);
    drawFrame();
    drawFrame();
    EXPECT_FALSE(shows("Col1"));
    clickAt(findText(WINDOW, "characterPosition : mat2")[0].center());
    EXPECT_TRUE(shows("Col1"));
    EXPECT_TRUE(shows("Col2"));
    EXPECT_FALSE(shows("Col3"));
}

TEST_F(FieldEditor, CopyAndPasteGoThroughThePlatformClipboard) {
    static std::string clipboard;
    static std::string pasted = "CAFEF00D";
    h.files.api.setClipboard = [](string copied) { clipboard = text(copied); };
    h.files.api.getClipboardZ = []() -> c8* { return (c8*)pasted.c_str(); };
    openEditor();
    ve::Entity* cube = newEntity(2);
    ve::toggleSelection(cube);
    frame();
    placeWindow("Selected Entity", ImVec2(300.0f, 0.0f));
    auto* opts = (ve::BodyOpts*)cube->entityData.data;
    opts->collisionMask = 0x00C0FFEE;
    if (ve::getBody(opts->physicsBody)) *ve::getLayers(opts->physicsBody) = 0x00C0FFEE;
    std::vector<TextRun> node = findText("Selected Entity", "bodyOpts : BodyOpts");
    ASSERT_EQ(node.size(), 1u);
    click(node[0].center());
    std::vector<TextRun> mask = findText("Selected Entity", "Collsion Mask");
    ASSERT_EQ(mask.size(), 1u);
    click(ImVec2(mask[0].min.x - 30.0f, mask[0].center().y));
    keys().CTRL_LEFT.isDown = 1;
    pressKey(&keys().C);
    pressKey(&keys().V);
    keys().CTRL_LEFT.isDown = 0;
    pressKey(&keys().ENTER);
    EXPECT_EQ(clipboard, "00C0FFEE");
    EXPECT_EQ(opts->collisionMask, 0xCAFEF00Du);
}

} // namespace
