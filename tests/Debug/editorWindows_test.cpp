// The editor's Dear ImGui frames without a window: built by the engine's frame from the live input
// record, read back from the draw lists and clicked where the text is. Debian's Dear ImGui keeps
// its assertions, so an unbalanced Begin/End, PushID/PopID or TreeNode/TreePop aborts the test.

#include "editor_harness.h"

#include "Game/CubeEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Physics/dynamics/phBody.h"
#include "Platform/SDL/sdl_tmp_win_platform.h"

#include <functional>
#include <set>

using namespace editortest;

namespace {

constexpr u32 CUBE_ROW = 2, PLATE_ROW = 7;
const ImVec2 SCENE_AT(0.0f, 0.0f), SELECTED_AT(300.0f, 0.0f), PICKER_AT(1050.0f, 0.0f), OTHERS_AT(1050.0f, 600.0f);

// The tree node labels that the field editor draws for the members of `metaData`, nested ones
// included, and the fixed ones of the body options editor.
void collectTreeLabels(ve::MetaData* metaData, std::set<std::string>* labels) {
    for (msi i = 0; i < metaData->memberCount; i++) {
        ve::StructMemberMetaData* member = &metaData->data.structData.structMembers[i];
        if (member->numIndirections != 0 || member->type == ve::MetaType::Unresolved) continue;
        std::string label = text(member->name) + " : " + text(ve::afterLastColon(member->typeName));
        ve::MetaData* nested = ve::findMetaData(member->typeName);
        switch (member->type) {
        case ve::MetaType::ve_mat2:
        case ve::MetaType::ve_mat3:
        case ve::MetaType::ve_mat4: labels->insert(label); break;
        case ve::MetaType::ve_BodyOpts:
            labels->insert(label);
            labels->insert({"Rotation", "Colliders", "0", "localTransform", "Cuboid", "phFlags"});
            break;
        case ve::MetaType::ve_v2:
        case ve::MetaType::ve_v3:
        case ve::MetaType::ve_v4:
        case ve::MetaType::ve_EntityRef: break;
        default:
            if (!nested || nested->dataType != ve::MetaDataType::Struct) break;
            labels->insert(label);
            collectTreeLabels(nested, labels);
        }
    }
}

class EditorWindows : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        SDL_setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        openEditor();
        placeWindow("Scene", SCENE_AT, ImVec2(280.0f, 600.0f));
    }

    ve::Entity* selectNew(u32 row) {
        ve::Entity* entity = newEntity(row);
        ve::toggleSelection(entity);
        frame();
        placeWindow("Selected Entity", SELECTED_AT);
        return entity;
    }

    // A new cube, selected, with its body options open; `withLiveBody` builds its body first when
    // its init made none.
    ve::BodyOpts* openNewCubeBodyOptions(b8 withLiveBody) {
        ve::Entity* cube = selectNew(CUBE_ROW);
        ve::BodyOpts* opts = &((game::CubeEntity*)cube->entityData.data)->bodyOpts;
        if (withLiveBody && !ve::getBody(opts->physicsBody)) ve::createBody(state()->scene, opts);
        clickText("Selected Entity", "bodyOpts : BodyOpts");
        return opts;
    }

    void hover(ImVec2 at) {
        h.input.mouse.absInPixelsX = (s32)at.x;
        h.input.mouse.absInPixelsY = (s32)at.y;
        frame();
    }

    // Opens every tree node of the window: a label is hovered to learn its node's id, and clicked
    // when that node is closed. Opening one node moves the rest, so the screen is read anew.
    void openAllTreeNodes(const char* windowName, const std::set<std::string>& treeLabels) {
        std::set<ImGuiID> clicked;
        for (int pass = 0; pass < 500; pass++) {
            b8 opened = false;
            for (const TextRun& run : readScreen(windowName)) {
                if (!treeLabels.count(run.text)) continue;
                hover(run.center());
                ImGuiID id = GImGui->HoveredId;
                ImGuiWindow* window = ImGui::FindWindowByName(windowName);
                if (!id || clicked.count(id) || window->StateStorage.GetInt(id, 0)) continue;
                clicked.insert(id);
                click(run.center());
                opened = true;
                break;
            }
            if (!opened) return;
        }
        FAIL() << "tree nodes kept appearing";
    }

    b8 shows(const char* windowName, const std::string& wanted) { return !findText(windowName, wanted).empty(); }

    // Into the input field whose label is `label` (the field lies left of its label).
    void clickField(const char* windowName, const std::string& label) {
        std::vector<TextRun> labels = findText(windowName, label);
        ASSERT_FALSE(labels.empty()) << label;
        click(ImVec2(labels[0].min.x - 30.0f, labels[0].center().y));
    }
    void clickText(const char* windowName, const std::string& wanted, size_t occurrence = 0) {
        std::vector<TextRun> runs = findText(windowName, wanted);
        ASSERT_GT(runs.size(), occurrence) << wanted;
        click(runs[occurrence].center());
    }

    static SDL_Event key(SDL_Scancode scancode, b8 down) {
        SDL_Event event = {};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = scancode;
        return event;
    }
    static SDL_Event mouseButton(ImVec2 at, b8 down) {
        SDL_Event event = {};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = (Sint32)at.x;
        event.button.y = (Sint32)at.y;
        return event;
    }
    static SDL_Event typed(const char* character) {
        SDL_Event event = {};
        event.type = SDL_TEXTINPUT;
        strncpy(event.text.text, character, sizeof(event.text.text) - 1);
        return event;
    }
    void TearDown() override {
        SDL_Quit();
        EditorTest::TearDown();
    }

    // SDL's events, all arriving between two frames at one moment (SDL stamps what it gathers
    // between two polls alike), handed over by the platform's own event handling in as many frames
    // of `frameTime` seconds as it takes. True when ESC would have ended the program in one of them.
    b8 betweenTwoFrames(std::vector<SDL_Event> events, f64 frameTime = 1.0 / 60.0) {
        Uint32 arrival = SDL_GetTicks();
        for (SDL_Event& event : events) {
            event.common.timestamp = arrival;
            EXPECT_EQ(SDL_PeepEvents(&event, 1, SDL_ADDEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 1);
        }
        b8 ended = false;
        do {
            ve::handleEvents(&h.input);
            ended = runFrame(frameTime) || ended;
        } while (SDL_HasEvents(0, ~0u));
        return ended;
    }
    // A key's press, the text it types and its release.
    static void typeKey(std::vector<SDL_Event>* events, char c) {
        SDL_Scancode scancode = c == ' ' ? SDL_SCANCODE_SPACE : (SDL_Scancode)(SDL_SCANCODE_A + (c - 'a'));
        events->push_back(key(scancode, true));
        events->push_back(typed(std::string(1, c).c_str()));
        events->push_back(key(scancode, false));
    }
};

TEST(DearImGuiBuild, AnUnbalancedFrameAborts) {
    auto unbalanced = [](int kind) {
        ImGui::CreateContext();
        ImGui::GetIO().DisplaySize = ImVec2(100.0f, 100.0f);
        ImGui::GetIO().IniFilename = nullptr;
        ImGui::GetIO().Fonts->Build();
        ImGui::NewFrame();
        ImGui::Begin("Unbalanced");
        if (kind == 1) ImGui::PushID(7);
        if (kind == 2) ImGui::TreeNodeEx("open", ImGuiTreeNodeFlags_DefaultOpen);
        if (kind != 0) ImGui::End();
        ImGui::Render();
    };
    for (int kind : {0, 1, 2}) EXPECT_DEATH(unbalanced(kind), "") << kind;
}

TEST_F(EditorWindows, EveryWindowOfEveryEntityTypeDrawsWithAllTreeNodesOpen) {
    ve::Entity* text = newEntity(10);
    ve::EntityRef target = {};
    for (u32 row = 0; row < ve::entityTypeCount; row++) {
        ve::Entity* entity = selectNew(row);
        SCOPED_TRACE(editortest::text(entity->name));
        ve::toggleRenameWindow();
        editor()->selectedEntityRef = &target;
        editor()->saveAsWindowActive = editor()->loadWindowActive = true;
        editor()->failedToLoad = editor()->failedToSave = true;
        editor()->drawNewEntityWindow = editor()->drawEditStringWindow = true;
        editor()->selectedString = &((game::FloatingTextEntity*)text->entityData.data)->text;
        frame();
        placeWindow("Select Entity", PICKER_AT, ImVec2(300.0f, 500.0f));
        for (const char* window : {"Save As", "Load", "New Entity", "Rename Entity", "Edit String"})
            placeWindow(window, OTHERS_AT, ImVec2(300.0f, 200.0f));

        std::set<std::string> treeLabels;
        collectTreeLabels(entity->type->metaData, &treeLabels);
        ve::BodyOpts* opts = (ve::BodyOpts*)entity->entityData.data;
        if (treeLabels.count("Colliders")) ve::addColliderSceneLoad(opts, ve::Primitive{});
        openAllTreeNodes("Selected Entity", treeLabels);

        for (const char* window : {"Scene", "Selected Entity", "Select Entity", "Save As", "Load", "New Entity",
                                   "Rename Entity", "Edit String"})
            EXPECT_TRUE(ImGui::FindWindowByName(window) && ImGui::FindWindowByName(window)->Active) << window;
        for (const std::string& label : treeLabels) EXPECT_TRUE(shows("Selected Entity", label)) << label;
        if (treeLabels.count("phFlags")) {
            for (const char* inner : {"Col3", "Col4", "Scale", "Collsion Mask", "Value", "LockAxisZ"})
                EXPECT_TRUE(shows("Selected Entity", inner)) << inner;
        }
        EXPECT_TRUE(shows("Load", "Error loading Scene"));
        EXPECT_TRUE(shows("Save As", "Error saving Scene"));
        ve::toggleSelection(entity);
        ve::toggleRenameWindow();
    }
}

TEST_F(EditorWindows, TwoNullButtonsOfOnePlateOpenTwoPickers) {
    ve::Entity* cube = newEntity(CUBE_ROW);
    ve::Hash cubeId = cube->id;
    ve::Entity* plate = selectNew(PLATE_ROW);
    auto* data = (game::PressurePlateEntity*)plate->entityData.data;
    // player, cube1, cube2, cube3, cube4: equal labels, and later ones must work as well.
    ASSERT_EQ(findText("Selected Entity", "null").size(), 5u);

    clickText("Selected Entity", "null", 1);
    EXPECT_EQ(editor()->selectedEntityRef, &data->cube1);
    placeWindow("Select Entity", PICKER_AT, ImVec2(300.0f, 300.0f));
    clickText("Select Entity", "New CubeEntity");
    EXPECT_TRUE(data->cube1.id == cubeId);
    EXPECT_EQ(editor()->selectedEntityRef, nullptr);

    // Now player, cube2, cube3, cube4.
    clickText("Selected Entity", "null", 2);
    EXPECT_EQ(editor()->selectedEntityRef, &data->cube3);
    data->cube3.id = cubeId;
    clickText("Select Entity", "null");
    EXPECT_TRUE(data->cube3.id == ve::Hash{});
    EXPECT_TRUE(data->cube1.id == cubeId);
    EXPECT_TRUE(data->player.id == ve::Hash{});
}

TEST_F(EditorWindows, TypingDeadbeefIntoTheMaskReachesTheRecordAndTheLiveBody) {
    ve::BodyOpts* opts = openNewCubeBodyOptions(true);
    clickField("Selected Entity", "Collsion Mask");
    f32 gamma = state()->gamma;
    b8 sorting = state()->sorting;
    type("DEAD");
    // While the field has the keyboard the game's keys do nothing: no gamma step, no sorting
    // switch, no rewind.
    for (ve::GameInput::Keyboard::Key* key : {&keys().F5, &keys().F10, &keys().SPACE}) {
        press(key);
        frame();
        EXPECT_EQ(state()->gamma, gamma);
        EXPECT_EQ(state()->sorting, sorting);
        EXPECT_FALSE(state()->thisFrame.rewinding);
        release(key);
        frame();
    }
    type("BEEF");
    pressKey(&keys().ENTER);
    EXPECT_EQ(opts->collisionMask, 0xDEADBEEFu);
    EXPECT_EQ((u32)ve::getBody(opts->physicsBody)->m_layers, 0xDEADBEEFu);
    // Dear ImGui lets the keyboard go in the frame after the one that closed the field.
    frame();
    pressKey(&keys().F5);
    EXPECT_NE(state()->gamma, gamma);
}

TEST_F(EditorWindows, TextAndAChordTypedWithinOneFrameReachTheFieldInOrder) {
    ve::BodyOpts* opts = openNewCubeBodyOptions(true);
    clickField("Selected Entity", "Collsion Mask");
    // "DEAD", Ctrl+A (Ctrl held only within this frame) selects it all, "BEEF" replaces it.
    betweenTwoFrames({typed("D"), typed("E"), typed("A"), typed("D"), key(SDL_SCANCODE_LCTRL, true),
                      key(SDL_SCANCODE_A, true), key(SDL_SCANCODE_A, false), key(SDL_SCANCODE_LCTRL, false),
                      typed("B"), typed("E"), typed("E"), typed("F"), key(SDL_SCANCODE_RETURN, true),
                      key(SDL_SCANCODE_RETURN, false)});
    EXPECT_EQ(opts->collisionMask, 0xBEEFu);
}

// At three frames a second a designer types the rest of a name and clicks "Save" before the next
// frame: the click acts after the text, wherever the mouse went after it.
TEST_F(EditorWindows, TextTypedAndAButtonClickedWithinOneFrameReachTheFieldWholeThenTheButton) {
    scene()->name = name("Level 1");
    clickText("Scene", "Save Ass");
    placeWindow("Save As", OTHERS_AT, ImVec2(400.0f, 200.0f));
    clickField("Save As", "Name");
    std::vector<TextRun> save = findText("Save As", "Save");
    ASSERT_EQ(save.size(), 1u);
    std::vector<SDL_Event> events = {key(SDL_SCANCODE_END, true), key(SDL_SCANCODE_END, false)};
    for (const char* c = " backup copy"; *c; c++) events.push_back(typed(std::string(1, *c).c_str()));
    events.push_back(mouseButton(save[0].center(), true));
    events.push_back(mouseButton(save[0].center(), false));
    h.input.mouse.absInPixelsX = 0;
    h.input.mouse.absInPixelsY = 0;
    betweenTwoFrames(events);
    EXPECT_EQ(text(scene()->name), "Level 1 backup copy");
    EXPECT_NE(memfiles::findFile(&h.files, "Level 1 backup copy.vsf"), nullptr);
    EXPECT_FALSE(editor()->saveAsWindowActive);
}

TEST_F(EditorWindows, ANumberTypedAndTheNextFieldClickedWithinOneFrameReachTheRecordWhole) {
    ve::BodyOpts* opts = openNewCubeBodyOptions(true);
    clickField("Selected Entity", "Position");
    std::vector<TextRun> velocity = findText("Selected Entity", "Linear Velocity");
    ASSERT_FALSE(velocity.empty());
    ImVec2 next(velocity[0].min.x - 30.0f, velocity[0].center().y);
    std::vector<SDL_Event> events = {key(SDL_SCANCODE_LCTRL, true), key(SDL_SCANCODE_A, true),
                                     key(SDL_SCANCODE_A, false), key(SDL_SCANCODE_LCTRL, false)};
    for (const char* c = "100.125"; *c; c++) events.push_back(typed(std::string(1, *c).c_str()));
    events.push_back(mouseButton(next, true));
    events.push_back(mouseButton(next, false));
    betweenTwoFrames(events);
    frame();
    EXPECT_EQ(opts->position.z, 100.125f);
}

// The field of "Edit String" for a new floating text, with the keyboard.
class EditStringField : public EditorWindows {
protected:
    void SetUp() override {
        EditorWindows::SetUp();
        ve::Entity* text = selectNew(10);
        ve::toggleEditString(&((game::FloatingTextEntity*)text->entityData.data)->text);
        frame();
        placeWindow("Edit String", OTHERS_AT, ImVec2(500.0f, 300.0f));
        // Into the text box, which lies above the buttons.
        std::vector<TextRun> apply = findText("Edit String", "Apply");
        ASSERT_EQ(apply.size(), 1u);
        click(ImVec2(apply[0].min.x + 20.0f, apply[0].min.y - 40.0f));
    }
    std::string field() { return editor()->renameBuffer; }
};

// A designer's bursts of typing at one frame a second: every character reaches the field, in
// order, however many frames the keys' edges take, also in the frame in which F11 closes the editor.
TEST_F(EditStringField, EveryCharacterTypedBetweenTwoFramesReachesTheFieldInOrder) {
    struct Case {
        std::string typed;
        b8 closesWithF11;
    };
    std::string burst;
    for (int i = 0; burst.size() < 300; i++) burst += "ride the lit elevator "[i % 22];
    // The last burst types no key twice, so that it and F11 arrive in one frame.
    const Case cases[] = {{burst, false}, {" done", true}};
    std::string expected;
    for (const Case& c : cases) {
        std::vector<SDL_Event> events;
        for (char ch : c.typed) typeKey(&events, ch);
        if (c.closesWithF11) events.insert(events.end(), {key(SDL_SCANCODE_F11, true), key(SDL_SCANCODE_F11, false)});
        betweenTwoFrames(events, 1.0);
        expected += c.typed;
        EXPECT_EQ(field(), expected);
        EXPECT_EQ(editor()->enabled, !c.closesWithF11);
    }
}

c8 clipboardText[2048];
c8* readClipboardText() { return clipboardText; }

// A paste longer than the room left pastes what fits, in whole characters, and a paste over the
// selected text keeps the field's text when it does not fit whole.
TEST_F(EditStringField, APasteLongerThanTheFieldPastesWhatFits) {
    struct Case {
        b8 selectAll;
        std::string pasted;
        std::string kept;
    };
    const std::string ascii(600, 'q');
    std::string accented;
    for (int i = 0; i < 300; i++) accented += "\xC3\xA9";
    const Case cases[] = {
        {true, ascii, ascii.substr(0, ve::RENAME_BUFFER_SIZE - 1)},
        {false, accented, "keep me" + accented.substr(0, 2 * ((ve::RENAME_BUFFER_SIZE - 1 - 7) / 2))},
    };
    h.files.api.getClipboardZ = readClipboardText;
    for (const Case& c : cases) {
        ASSERT_LT(c.pasted.size(), sizeof(clipboardText));
        strcpy(clipboardText, c.pasted.c_str());
        std::vector<SDL_Event> events = {key(SDL_SCANCODE_LCTRL, true), key(SDL_SCANCODE_A, true),
                                         key(SDL_SCANCODE_A, false), key(SDL_SCANCODE_LCTRL, false)};
        for (char ch : std::string("keep me")) typeKey(&events, ch);
        events.push_back(key(SDL_SCANCODE_LCTRL, true));
        if (c.selectAll) events.insert(events.end(), {key(SDL_SCANCODE_A, true), key(SDL_SCANCODE_A, false)});
        events.insert(events.end(), {key(SDL_SCANCODE_V, true), key(SDL_SCANCODE_V, false), key(SDL_SCANCODE_LCTRL, false)});
        betweenTwoFrames(events);
        EXPECT_EQ(field(), c.kept) << c.selectAll;
    }
}

// Backspace held while the next character is typed, all within one frame: it deletes the character
// before it, not the new one.
TEST_F(EditStringField, ABackspaceHeldWhileTypingDeletesTheCharacterBeforeIt) {
    std::vector<SDL_Event> events;
    for (char c : std::string("ab")) typeKey(&events, c);
    events.push_back(key(SDL_SCANCODE_BACKSPACE, true));
    typeKey(&events, 'c');
    events.push_back(key(SDL_SCANCODE_BACKSPACE, false));
    betweenTwoFrames(events, 1.0);
    EXPECT_EQ(field(), "ac");
}

// The second click of a double click waits for the next frame; at every frame rate it counts as a
// double click all the same, so the word under it is selected and typing replaces it.
TEST_F(EditorWindows, ADoubleClickSelectsTheWordAtEveryFrameRate) {
    struct Case {
        f64 frameTime;
        const char* typed;
        const char* name;
    };
    const Case cases[] = {{0.5, "Stage", "Stage 1 backup"}, {1.0 / 0.29, "Floor", "Floor 1 backup"}};
    scene()->name = name("Level 1 backup");
    clickText("Scene", "Save Ass");
    placeWindow("Save As", OTHERS_AT, ImVec2(400.0f, 200.0f));
    std::vector<TextRun> shown = findText("Save As", "Level 1 backup");
    ASSERT_EQ(shown.size(), 1u);
    ImVec2 onFirstWord(shown[0].min.x + 10.0f, shown[0].center().y);
    for (const Case& c : cases) {
        std::vector<SDL_Event> events = {mouseButton(onFirstWord, true), mouseButton(onFirstWord, false),
                                         mouseButton(onFirstWord, true), mouseButton(onFirstWord, false)};
        for (const char* at = c.typed; *at; at++) events.push_back(typed(std::string(1, *at).c_str()));
        runFrame(c.frameTime); // no click of the last double-click time left to pair with
        betweenTwoFrames(events, c.frameTime);
        EXPECT_STREQ(editor()->saveOrLoadName, c.name) << c.frameTime;
    }
}

TEST_F(EditorWindows, EscapeCancelsTheFieldBeingEditedAndQuitsOnlyOutsideOne) {
    struct Case {
        b8 inField;
        u32 escapes;
        b8 ends;
    };
    const Case cases[] = {{true, 1, false}, {true, 2, true}, {false, 1, true}};
    ve::BodyOpts* opts = openNewCubeBodyOptions(true);
    f32 z = opts->position.z;
    for (const Case& c : cases) {
        if (c.inField) clickField("Selected Entity", "Position");
        std::vector<SDL_Event> events = {typed("7")};
        for (u32 i = 0; i < c.escapes; i++) {
            events.push_back(key(SDL_SCANCODE_ESCAPE, true));
            events.push_back(key(SDL_SCANCODE_ESCAPE, false));
        }
        EXPECT_EQ(betweenTwoFrames(events), c.ends) << c.inField << " " << c.escapes;
        frame();
        EXPECT_EQ(opts->position.z, z) << "the edit was cancelled";
        EXPECT_TRUE(editor()->enabled);
    }
}

TEST_F(EditorWindows, PositionMovesTheLiveBodyAndVelocityStaysInTheRecord) {
    ve::BodyOpts* opts = openNewCubeBodyOptions(true);
    clickField("Selected Entity", "Position");
    type("7");
    pressKey(&keys().ENTER);
    clickField("Selected Entity", "Linear Velocity");
    type("9");
    pressKey(&keys().ENTER);
    phBody* body = ve::getBody(opts->physicsBody);
    // The field lies left of its label: the click lands in its last component, z.
    EXPECT_EQ(body->m_tx.position.z, 7.0f);
    EXPECT_EQ(opts->position.z, 7.0f);
    EXPECT_EQ(opts->linearVelocity.z, 9.0f);
    EXPECT_EQ(body->m_linearVelocity.z, 0.0f);
    // A sleeping body moved by a typed position wakes, so that it falls from where it was put.
    opts->flags.value = (u32)ve::BodyType::Dynamic;
    ve::createBody(state()->scene, opts);
    body = ve::getBody(opts->physicsBody);
    body->m_flags &= ~phBody::eAwake;
    clickField("Selected Entity", "Position");
    type("3");
    pressKey(&keys().ENTER);
    EXPECT_EQ(body->m_tx.position.z, 3.0f);
    EXPECT_TRUE(body->IsAwake());
}

TEST_F(EditorWindows, PlusUnderCollidersAddsAUnitCuboidAndMinusRemovesIt) {
    ve::BodyOpts* opts = openNewCubeBodyOptions(false);
    clickText("Selected Entity", "+");
    ASSERT_EQ(opts->colliderCount, 1u);
    ve::mat4 identity = ve::iMat4();
    EXPECT_EQ(opts->colliders[0].type, ve::Primitive_Type::Cuboid);
    EXPECT_EQ(memcmp(&opts->colliders[0].localTransform, &identity, sizeof(identity)), 0);
    EXPECT_EQ(opts->colliders[0].cuboid.height, 1.0f);
    clickText("Selected Entity", "Colliders");
    clickText("Selected Entity", "0");
    clickText("Selected Entity", "-");
    EXPECT_EQ(opts->colliderCount, 0u);
}

TEST_F(EditorWindows, NewEntityFromTheSceneWindowCreatesAndSelectsByClicks) {
    clickText("Scene", "New Entity");
    placeWindow("New Entity", OTHERS_AT, ImVec2(300.0f, 400.0f));
    clickText("New Entity", "CubeEntity");
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity"}));
    EXPECT_FALSE(editor()->drawNewEntityWindow);
    clickText("Scene", "New CubeEntity");
    EXPECT_EQ(ve::selectedEntity(), entityAt(0));
    placeWindow("Selected Entity", SELECTED_AT);
    clickText("Scene", "New CubeEntity");
    EXPECT_EQ(ve::selectedEntity(), nullptr);
}

TEST_F(EditorWindows, LoadingAMissingSceneShowsTheErrorAndKeepsTheScene) {
    newEntity(CUBE_ROW);
    clickText("Scene", "Load");
    placeWindow("Load", OTHERS_AT, ImVec2(300.0f, 200.0f));
    // The window's title comes first, then the button.
    clickText("Load", "Load", 1);
    EXPECT_TRUE(shows("Load", "Error loading Scene"));
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity"}));
}

// Save and Reload once dropped their result; a failed save now shows under the buttons.
TEST_F(EditorWindows, AFailedSaveOrReloadIsShownUnderTheScenesButtons) {
    scene()->name = name("Level 1");
    for (const char* button : {"Save", "Reload"}) {
        for (const char* failing : {"Level 1.vsf.tmp", ""}) {
            h.files.failingWrites = failing;
            clickText("Scene", button);
            EXPECT_EQ(shows("Scene", "Error saving Scene"), *failing != 0) << button << " " << failing;
        }
    }
}

// R, an elevator and the first level switch the scene through the game's request, Load and Reload
// through the editor: from the moment of each switch on, nothing of the editor points into the
// freed scene; from the next frame on its windows are closed and no error line about it stays.
TEST_F(EditorWindows, EverySceneSwitchLeavesNoWindowOnTheFreedScene) {
    constexpr u32 TEXT_ROW = 10;
    const std::function<void()> switches[] = {
        [this] {
            state()->loadScene = scene()->name;
            ve::switchSceneOnRequest(state());
        },
        [this] { ASSERT_TRUE(ve::loadSceneDebug(scene(), name("Level 1"), &state()->permanentStore)); },
        [] { ASSERT_TRUE(ve::reloadCurrentScene()); },
    };
    ve::EntityRef reference = {};
    for (const std::function<void()>& switchScene : switches) {
        ASSERT_TRUE(ve::saveCurrentSceneAs(name("Level 1")));
        ve::Entity* text = selectNew(TEXT_ROW);
        ve::toggleEditString(&((game::FloatingTextEntity*)text->entityData.data)->text);
        editor()->selectedEntityRef = &reference;
        editor()->sceneWindowError = ve::SAVE_ERROR_TEXT;
        editor()->failedToRename = true;
        editor()->saveAsWindowActive = editor()->failedToSave = true;
        frame();
        ASSERT_TRUE(shows("Edit String", "Apply"));
        ASSERT_TRUE(shows("Save As", "Error saving Scene"));
        switchScene();
        EXPECT_EQ(editor()->selectedEntity.id, ve::Hash{});
        EXPECT_EQ(editor()->selectedEntityRef, nullptr);
        EXPECT_EQ(editor()->selectedString, nullptr);
        EXPECT_FALSE(editor()->drawEditStringWindow || editor()->drawRenameEntityWindow || editor()->failedToRename);
        frame();
        EXPECT_FALSE(shows("Edit String", "Apply"));
        EXPECT_FALSE(shows("Scene", "Error saving Scene"));
        EXPECT_FALSE(shows("Save As", "Error saving Scene"));
    }
}

// The rotation typed into the editor reaches the body as a rotation: the glue places the pose.
TEST_F(EditorWindows, ARotationTypedIntoTheEditorReachesTheBodyWithUnitAxes) {
    ve::BodyOpts* opts = openNewCubeBodyOptions(true);
    clickText("Selected Entity", "Rotation");
    clickField("Selected Entity", "Col1");
    type("2");
    pressKey(&keys().ENTER);
    phBody* body = ve::getBody(opts->physicsBody);
    for (const phVec3& axis : {body->m_tx.rotation.ex, body->m_tx.rotation.ey, body->m_tx.rotation.ez})
        EXPECT_NEAR(phLength(axis), 1.0f, 1e-5f);
    EXPECT_EQ(body->m_tx.position.x, opts->position.x);
}

// Windows used to open on top of each other, so that a double click on "Save Ass" hit the
// "Cancel" of "Save As" below it.
TEST_F(EditorTest, EveryWindowOpensAtAPlaceOfItsOwn) {
    openEditor();
    ve::toggleSelection(newEntity(10));
    ve::toggleRenameWindow();
    ve::EntityRef target = {};
    editor()->selectedEntityRef = &target;
    editor()->saveAsWindowActive = editor()->loadWindowActive = editor()->drawNewEntityWindow = true;
    frame();
    std::set<std::pair<float, float>> places;
    for (const char* window : {"Scene", "Selected Entity", "Select Entity", "Save As", "Load", "New Entity", "Rename Entity"})
        places.insert({ImGui::FindWindowByName(window)->Pos.x, ImGui::FindWindowByName(window)->Pos.y});
    EXPECT_EQ(places.size(), 7u);
    EXPECT_FALSE(ImGui::FindWindowByName("Save As")->Rect().Contains(findText("Scene", "Save Ass").at(0).center()));
}

// A level that cannot be loaded used to leave a plain black window, or half a level: now the
// game's scene is the empty "New Scene" and the reason is on screen, with the editor closed,
// until a level loads.
TEST_F(EditorTest, ALevelThatCannotBeLoadedIsNamedOnScreenWithItsReason) {
    frame(); // a window that fits itself is measured in its first frame and drawn from the next
    frame();
    EXPECT_EQ(findText("Scene Notice", "Failed to load Scene \"Level 1\": File not found!").size(), 1u);
    newEntity(2);
    ASSERT_TRUE(ve::saveCurrentSceneAs(name("Level 2")));
    std::vector<u8>& file = memfiles::findFile(&h.files, "Level 2.vsf")->bytes;
    const std::vector<u8> whole = file;
    file.pop_back();
    state()->loadScene = name("Level 2"); // as the elevator asks
    frame();
    frame();
    EXPECT_EQ(text(scene()->name), "New Scene");
    EXPECT_EQ(findText("Scene Notice", "Failed to load Scene \"Level 2\": File damaged!").size(), 1u);
    file = whole;
    state()->loadScene = name("Level 2");
    frame();
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity"}));
    EXPECT_EQ(state()->sceneFailure, nullptr);
}

TEST_F(EditorWindows, F11PausesTheSceneAndGivesTheMouseBackAsItWas) {
    for (b8 captured : {(b8)1, (b8)0}) {
        pressF11();
        ASSERT_FALSE(editor()->enabled);
        EXPECT_TRUE(scene()->enabled);
        enginetest::recordSetCursorRelative(captured);
        pressF11();
        EXPECT_TRUE(editor()->enabled);
        EXPECT_FALSE(scene()->enabled);
        EXPECT_FALSE(h.input.mouse.relative);
        // Drawn already in the frame that opened the editor.
        EXPECT_TRUE(ImGui::FindWindowByName("Scene")->Active);
        pressF11();
        EXPECT_EQ(h.input.mouse.relative, captured);
        pressF11();
    }
}

TEST_F(EditorWindows, OnlyTheLeftHandModifiersReachDearImGui) {
    keys().CTRL_RIGHT.isDown = 1;
    frame();
    EXPECT_FALSE(ImGui::GetIO().KeyCtrl);
    keys().CTRL_LEFT.isDown = 1;
    frame();
    EXPECT_TRUE(ImGui::GetIO().KeyCtrl);
}

TEST_F(EditorWindows, AFrameTimedAsZeroDoesNotStopDearImGui) {
    runFrame(0.0);
    runFrame(0.0);
    EXPECT_GT(ImGui::GetIO().DeltaTime, 0.0f);
    EXPECT_TRUE(ImGui::FindWindowByName("Scene")->Active);
}

} // namespace
