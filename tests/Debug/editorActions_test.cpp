// What the editor's buttons do, called directly against the headless engine's real scene, stores
// and in-memory files.

#include "editor_harness.h"

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Game/CubeEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"
#include "Util/serialization.h"
#include "../harness/testStores.h"

using namespace editortest;

namespace {

constexpr u32 CUBE_ROW = 2, HUD_ROW = 3, PLAYER_ROW = 6, WALL_ROW = 9, TEXT_ROW = 10;

class EditorActions : public EditorTest {
protected:
    // The current scene saved as `sceneName` and loaded back through the editor: its name and its
    // entities then live in the scene heap inside the permanent store, as for a level.
    void makeLoadedScene(const char* sceneName) {
        ASSERT_TRUE(ve::saveCurrentSceneAs(name(sceneName)));
        ASSERT_TRUE(ve::loadSceneDebug(scene(), name(sceneName), ve::permanentStore));
    }
    b8 hasFile(const std::string& fileName) { return memfiles::findFile(&h.files, fileName) != nullptr; }
    std::vector<u8> fileBytes(const std::string& fileName) { return memfiles::findFile(&h.files, fileName)->bytes; }
};

TEST_F(EditorActions, NewEntitiesOfEachTypeAreNamedAfterItWithOnesAppended) {
    for (u32 row = 0; row < ve::entityTypeCount; row++) {
        std::string label = text(ve::afterLastColon(ve::entityTypes[row].metaData->name));
        for (const char* suffix : {"", "1", "11"}) {
            ve::Entity* entity = newEntity(row);
            ASSERT_NE(entity, nullptr) << label;
            EXPECT_EQ(text(entity->name), "New " + label + suffix);
            EXPECT_EQ(entity->type, &ve::entityTypes[row]);
            EXPECT_TRUE(entity->enabled);
        }
    }
    EXPECT_EQ(scene()->entities.length, 3u * ve::entityTypeCount);
}

TEST_F(EditorActions, NewEntitiesStartWithIdentityRotationsAndRunTheirInit) {
    static void* initialised = nullptr;
    ve::EntityType saved = ve::entityTypes[CUBE_ROW];
    ve::entityTypes[CUBE_ROW].initFunc = [](void* data) { initialised = data; };
    ve::Entity* cube = newEntity(CUBE_ROW);
    ve::entityTypes[CUBE_ROW] = saved;
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(initialised, cube->entityData.data);
    ve::mat3 rotation = ((game::CubeEntity*)cube->entityData.data)->bodyOpts.rotation;
    ve::mat3 identity = ve::iMat3();
    EXPECT_EQ(memcmp(&rotation, &identity, sizeof(rotation)), 0);
}

TEST_F(EditorActions, TheSelectionTogglesAndSurvivesTheArrayGrowing) {
    ve::Entity* first = newEntity(CUBE_ROW);
    ve::toggleSelection(first);
    ASSERT_EQ(ve::selectedEntity(), first);
    // Past the array's first 16 entries it moves to a new block.
    for (int i = 0; i < 40; i++) newEntity(WALL_ROW);
    ASSERT_NE(ve::selectedEntity(), nullptr);
    EXPECT_EQ(text(ve::selectedEntity()->name), "New CubeEntity");
    ve::toggleSelection(ve::selectedEntity());
    EXPECT_EQ(ve::selectedEntity(), nullptr);
}

TEST_F(EditorActions, DestroyRemovesTheSelectedKeepsTheOrderAndClearsWhatPointedIntoIt) {
    newEntity(CUBE_ROW);
    ve::Entity* middle = newEntity(TEXT_ROW);
    newEntity(WALL_ROW);
    ve::toggleSelection(middle);
    auto* data = (game::FloatingTextEntity*)middle->entityData.data;
    editor()->selectedEntityRef = &data->hudEntity;
    ve::toggleEditString(&data->text);
    ve::toggleRenameWindow();
    ve::destroySelectedEntity();
    EXPECT_FALSE(editor()->drawRenameEntityWindow) << "no Apply left for a destroyed name";
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity", "New WallEntity"}));
    EXPECT_EQ(ve::selectedEntity(), nullptr);
    EXPECT_EQ(editor()->selectedEntityRef, nullptr);
    EXPECT_EQ(editor()->selectedString, nullptr);
}

TEST_F(EditorActions, RenameGivesANewIdTheSelectionFollowsAndAnEmptyNameIsRefused) {
    ve::Entity* cube = newEntity(CUBE_ROW);
    ve::toggleSelection(cube);
    ve::toggleRenameWindow();
    EXPECT_TRUE(editor()->drawRenameEntityWindow);
    EXPECT_STREQ(editor()->renameBuffer, "New CubeEntity");
    ASSERT_TRUE(ve::renameSelectedEntity(name("Crate")));
    EXPECT_EQ(text(cube->name), "Crate");
    EXPECT_TRUE(cube->id == ve::hashString(name("Crate")));
    EXPECT_EQ(ve::selectedEntity(), cube);
    EXPECT_FALSE(ve::renameSelectedEntity(name("")));
    EXPECT_EQ(text(cube->name), "Crate");
    // Another entity's name would make one of the two unreachable; the entity's own name is no
    // other entity's.
    newEntity(PLAYER_ROW);
    EXPECT_FALSE(ve::renameSelectedEntity(name("New PlayerEntity")));
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"Crate", "New PlayerEntity"}));
    EXPECT_TRUE(ve::renameSelectedEntity(name("Crate")));
    ve::toggleRenameWindow();
    EXPECT_FALSE(editor()->drawRenameEntityWindow);
}

TEST_F(EditorActions, EditStringReplacesTheTextInTheSceneHeap) {
    ve::Entity* entity = newEntity(TEXT_ROW);
    auto* data = (game::FloatingTextEntity*)entity->entityData.data;
    ve::toggleEditString(&data->text);
    EXPECT_TRUE(editor()->drawEditStringWindow);
    ASSERT_TRUE(ve::applyEditString(name("Hello, level")));
    EXPECT_EQ(text(data->text), "Hello, level");
    EXPECT_TRUE(ve::ptrInBuffer(scene()->sceneDataHeap.buf, data->text.data));
    ASSERT_TRUE(ve::applyEditString(name("")));
    EXPECT_EQ(data->text.length, 0u);
}

// A floating text keeps its glyphs in its buffer from frame to frame; the editor's new text is
// drawn into it in the very next frame.
TEST_F(EditorActions, AnEditedTextIsDrawnIntoItsBufferInTheNextFrame) {
    static u32 texel = 0xFFFFFFFFu;
    for (const char* texture : {"font_img", "black_img"}) {
        ve::registerTexture(ve::assets, ve::Texture{ve::hashASCIIZ(texture), 1, 1, &texel, 0, {}});
    }
    ve::Entity* hud = newEntity(HUD_ROW);
    auto* data = (game::FloatingTextEntity*)newEntity(TEXT_ROW)->entityData.data;
    data->hudEntity = {hud->id};
    auto glyphsDrawn = [&] {
        frame();
        return state()->renderer.frame.renderToTexQuads.length;
    };
    glyphsDrawn();
    EXPECT_EQ(glyphsDrawn(), 0u);
    ve::toggleEditString(&data->text);
    ASSERT_TRUE(ve::applyEditString(name("Hello")));
    EXPECT_EQ(glyphsDrawn(), 5u);
    EXPECT_EQ(glyphsDrawn(), 0u);
    ASSERT_TRUE(ve::applyEditString(name("Hallo")));
    EXPECT_EQ(glyphsDrawn(), 5u);
}

TEST_F(EditorActions, SaveAsMovesTheNameIntoTheSceneHeapAndLeavesThePermanentStoreWhole) {
    newEntity(CUBE_ROW);
    makeLoadedScene("Level 1");
    msi freeBefore = vetest::freeBytes(ve::permanentStore);
    msi blocksBefore = vetest::freeBlockCount(ve::permanentStore);
    ASSERT_TRUE(ve::saveCurrentSceneAs(name("Level 2")));
    EXPECT_EQ(text(scene()->name), "Level 2");
    EXPECT_TRUE(scene()->id == ve::hashString(name("Level 2")));
    EXPECT_TRUE(ve::ptrInBuffer(scene()->sceneDataHeap.buf, scene()->name.data));
    // The old name went back to the scene heap, not to the store around it.
    EXPECT_EQ(vetest::freeBytes(ve::permanentStore), freeBefore);
    EXPECT_EQ(vetest::freeBlockCount(ve::permanentStore), blocksBefore);
    EXPECT_TRUE(hasFile("Level 2.vsf"));
    ve::Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Level 2"), ve::permanentStore).failure, nullptr);
    EXPECT_EQ(loaded.entities.length, 1u);
}

// A Save As onto a target that cannot be written (a directory of that name) used to rename the
// scene anyway: Reload and R then looked for a file that does not exist.
TEST_F(EditorActions, AFailedSaveAsKeepsTheOldNameSoReloadStillFindsTheLevel) {
    newEntity(CUBE_ROW);
    makeLoadedScene("Level 1");
    newEntity(WALL_ROW);
    h.files.failingRenames = "DirTarget.vsf";
    EXPECT_FALSE(ve::saveCurrentSceneAs(name("DirTarget")));
    EXPECT_EQ(text(scene()->name), "Level 1");
    ASSERT_TRUE(ve::reloadCurrentScene());
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity", "New WallEntity"}));
}

// A file cut short, or with a damaged record, is no level: the unsaved scene stays.
TEST_F(EditorActions, ALevelThatCannotBeReadWholeLeavesTheSceneAsItWas) {
    newEntity(CUBE_ROW);
    newEntity(WALL_ROW);
    ASSERT_TRUE(ve::saveCurrentSceneAs(name("Level 2")));
    ve::Entity* unsaved = newEntity(TEXT_ROW);
    ve::toggleSelection(unsaved);
    memfiles::findFile(&h.files, "Level 2.vsf")->bytes.pop_back();
    EXPECT_FALSE(ve::loadSceneDebug(scene(), name("Level 2"), ve::permanentStore));
    EXPECT_EQ(h.files.printed.back(), "Failed to load Scene: File damaged!");
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity", "New WallEntity", "New FloatingTextEntity"}));
    EXPECT_EQ(ve::selectedEntity(), unsaved);
}

TEST_F(EditorActions, UnusableSceneNamesAreRefusedWithAMessage) {
    newEntity(CUBE_ROW);
    makeLoadedScene("Level 1");
    std::vector<u8> levelBefore = fileBytes("Level 1.vsf");
    for (const char* bad : {"", "a/b", "a\\b", "..", "x..y", "/Level 1"}) {
        size_t printed = h.files.printed.size();
        size_t files = h.files.files.size();
        EXPECT_FALSE(ve::saveCurrentSceneAs(name(bad))) << bad;
        EXPECT_EQ(text(scene()->name), "Level 1") << bad;
        EXPECT_EQ(h.files.files.size(), files) << bad;
        EXPECT_GT(h.files.printed.size(), printed) << bad;
        EXPECT_FALSE(ve::loadSceneDebug(scene(), name(bad), ve::permanentStore)) << bad;
    }
    EXPECT_EQ(fileBytes("Level 1.vsf"), levelBefore);
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity"}));
}

TEST_F(EditorActions, AnEmptySceneNameLoadsNothingInsteadOfStopping) {
    ve::Scene loaded;
    EXPECT_NE(ve::loadScene(&loaded, name(""), ve::permanentStore).failure, nullptr);
    EXPECT_TRUE(loaded.id == ve::Hash{});
}

TEST_F(EditorActions, AFailedLoadKeepsTheSceneAndTheSelection) {
    ve::Entity* cube = newEntity(CUBE_ROW);
    ve::toggleSelection(cube);
    editor()->loadWindowActive = true;
    EXPECT_FALSE(ve::loadSceneDebug(scene(), name("No Such Level"), ve::permanentStore));
    EXPECT_EQ(ve::selectedEntity(), cube);
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity"}));
    EXPECT_TRUE(editor()->loadWindowActive);
}

TEST_F(EditorActions, ALoadClearsTheSelectionClosesTheWindowAndStaysPaused) {
    newEntity(CUBE_ROW);
    ASSERT_TRUE(ve::saveCurrentSceneAs(name("Level 1")));
    ve::Entity* wall = newEntity(WALL_ROW);
    ve::toggleSelection(wall);
    editor()->selectedEntityRef = &((game::CubeEntity*)entityAt(0)->entityData.data)->player;
    editor()->loadWindowActive = true;
    ASSERT_TRUE(ve::loadSceneDebug(scene(), name("Level 1"), ve::permanentStore));
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity"}));
    EXPECT_EQ(ve::selectedEntity(), nullptr);
    EXPECT_EQ(editor()->selectedEntityRef, nullptr);
    EXPECT_FALSE(editor()->loadWindowActive);
    EXPECT_FALSE(scene()->enabled);
}

TEST_F(EditorActions, ReloadSavesFirstAndLoadsOnlyWhenTheSaveSucceeded) {
    newEntity(CUBE_ROW);
    makeLoadedScene("Level 1");
    newEntity(WALL_ROW);
    h.files.failingWrites = "Level 1.vsf.tmp";
    ve::Entity* before = entityAt(0);
    EXPECT_FALSE(ve::reloadCurrentScene());
    EXPECT_EQ(entityAt(0), before);
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity", "New WallEntity"}));
    h.files.failingWrites.clear();
    ASSERT_TRUE(ve::reloadCurrentScene());
    EXPECT_EQ(entityNames(), (std::vector<std::string>{"New CubeEntity", "New WallEntity"}));
    EXPECT_NE(entityAt(0), before);
}

TEST_F(EditorActions, CollidersAddedToALoadedWallGrowItsArrayWithoutTouchingItsNeighbours) {
    ve::Entity* wall = newEntity(WALL_ROW);
    auto* opts = &((game::WallEntity*)wall->entityData.data)->bodyOpts;
    ve::Primitive collider = {};
    collider.localTransform = ve::iMat4();
    for (f32 width : {1.0f, 2.0f}) {
        collider.cuboid.scale = ve::v3{width, 1.0f, 1.0f};
        ve::addColliderSceneLoad(opts, collider);
    }
    newEntity(CUBE_ROW);
    makeLoadedScene("Level 1");
    wall = entityAt(0);
    opts = &((game::WallEntity*)wall->entityData.data)->bodyOpts;
    ASSERT_EQ(opts->colliderCount, 2u);
    ve::Entity* cube = entityAt(1);
    std::string cubeName = text(cube->name);
    std::vector<u8> cubeData(cube->entityData.data, cube->entityData.data + cube->entityData.length);
    for (f32 width : {3.0f, 4.0f, 5.0f}) {
        collider.cuboid.scale = ve::v3{width, 1.0f, 1.0f};
        ve::addColliderSceneLoad(opts, collider);
    }
    ASSERT_EQ(opts->colliderCount, 5u);
    for (u32 i = 0; i < 5; i++) EXPECT_EQ(opts->colliders[i].cuboid.width, (f32)(i + 1));
    EXPECT_EQ(text(cube->name), cubeName);
    EXPECT_EQ(std::vector<u8>(cube->entityData.data, cube->entityData.data + cube->entityData.length), cubeData);
    ve::removeColliderSceneLoad(opts, 1);
    ASSERT_EQ(opts->colliderCount, 4u);
    EXPECT_EQ(opts->colliders[1].cuboid.width, 3.0f);
    EXPECT_EQ(opts->colliders[3].cuboid.width, 5.0f);
}

TEST_F(EditorActions, TheFlagCheckboxesDecideTheirTenBitsAndValueTheRest) {
    struct Case {
        u32 flags, checkboxes, expected;
    };
    const Case cases[] = {
        {0x00000000, 0x020, 0x00000020}, // ticking Static sets its bit
        {0x00000021, 0x020, 0x00000020}, // Awake unticked clears a typed 0x1
        {0xABCD0808, 0x7F7, 0xABCD0FFF}, // bits 0x8, 0x800 and the high half come from Value
        {0xFFFFFFFF, 0x000, 0xFFFFF808},
        {0x00000000, 0xFFFFFFFF, 0x000007F7}, // only the ten listed bits come from checkboxes
        {0x00000747, 0x00000767, 0x00000727}, // Static ticked on a dynamic player: one type only
        {0x00000727, 0x000007A7, 0x00000787}, // Kinematic ticked clears Static
        {0x00000767, 0x00000767, 0x00000767}, // a damaged word is left for the body's repair
    };
    for (const Case& c : cases) EXPECT_EQ(ve::mergeFlagBits(c.flags, c.checkboxes), c.expected) << std::hex << c.flags;
}

TEST_F(EditorActions, SavingAfterPlayStoresThePlayersLookAtPoint) {
    ve::Entity* entity = newEntity(PLAYER_ROW);
    auto* player = (game::PlayerEntity*)entity->entityData.data;
    // What init and a few updates leave: the eye at the body, a unit direction.
    player->cam.pos = ve::v3{12.0f, 1.0f, 0.0f};
    player->cam.dir = ve::v3{0.0f, 0.6f, -0.8f};
    ASSERT_TRUE(ve::saveCurrentSceneAs(name("Level 1")));
    EXPECT_EQ(player->cam.dir.y, 0.6f);
    EXPECT_EQ(player->cam.dir.z, -0.8f);
    ve::Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Level 1"), ve::permanentStore).failure, nullptr);
    auto* stored = (game::PlayerEntity*)((ve::Entity*)loaded.entities[0])->entityData.data;
    EXPECT_FLOAT_EQ(stored->cam.dir.x, 12.0f);
    EXPECT_FLOAT_EQ(stored->cam.dir.y, 1.6f);
    EXPECT_FLOAT_EQ(stored->cam.dir.z, -0.8f);
}

TEST_F(EditorActions, ALevelLoadedAndSavedInTheEditorKeepsThePlayersStartView) {
    ve::Entity* entity = newEntity(PLAYER_ROW);
    auto* player = (game::PlayerEntity*)entity->entityData.data;
    // As a level stores it: the eye and the point it looks at first.
    player->cam.pos = ve::v3{10.0f, 0.0f, 0.0f};
    player->cam.dir = ve::v3{0.0f, 0.0f, -5.0f};
    scene()->name = name("Level 1");
    ASSERT_TRUE(ve::saveScene(scene()));
    ASSERT_TRUE(ve::loadSceneDebug(scene(), name("Level 1"), ve::permanentStore));
    ASSERT_TRUE(ve::saveCurrentScene());

    ve::Scene saved;
    ASSERT_EQ(ve::loadScene(&saved, name("Level 1"), ve::permanentStore).failure, nullptr);
    auto* stored = (game::PlayerEntity*)((ve::Entity*)saved.entities[0])->entityData.data;
    ve::v3 view = ve::normalized(stored->cam.dir - stored->cam.pos);
    ve::v3 expected = ve::normalized(ve::v3{-10.0f, 0.0f, -5.0f});
    EXPECT_NEAR(view.x, expected.x, 1e-5f);
    EXPECT_NEAR(view.y, expected.y, 1e-5f);
    EXPECT_NEAR(view.z, expected.z, 1e-5f);
}

} // namespace
