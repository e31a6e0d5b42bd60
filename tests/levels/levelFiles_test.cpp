// The level builder: the committed files "assets/Level 1.vsf" to "assets/Level 6.vsf" are exactly
// what the builder writes through the engine's scene writer, and a plan that breaks a rule of the
// levels is not written at all.

#include "levelCheck.h"
#include "levels.h"

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"

#include "../harness/diskFiles.h"
#include "../harness/memoryFiles.h"
#include "../harness/testStores.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LevelBuilder : public ::testing::Test {
protected:
    vetest::TestStores stores;
    memfiles::MemoryFileSystem files;
    ve::AssetRegister assets = {};

    // The shipped pack in the in-memory asset directory, loaded as the game loads it.
    void SetUp() override {
        memfiles::installMemoryFileSystem(&files);
        files.files.push_back({"kestrolan.pak", diskfiles::readWholeFile(VE_SOURCE_DIR "/assets/kestrolan.pak")});
        ASSERT_FALSE(files.files[0].bytes.empty()) << "build the asset pack first";
        ve::createAssetRegister(&assets, ve::MAX_MESHES, ve::MAX_TEXTURES, ve::MAX_MATERIALS);
        ve::loadAllPakFiles(&assets, 0);
    }
    void TearDown() override { memfiles::currentFileSystem() = nullptr; }

    std::vector<u8> writtenFile(const std::string& name) {
        memfiles::MemoryFile* file = memfiles::findFile(&files, name);
        return file ? file->bytes : std::vector<u8>();
    }
};

TEST_F(LevelBuilder, committedLevelFilesAreWhatTheBuilderWrites) {
    for (u32 number = 1; number <= levels::LEVEL_COUNT; number++) {
        const levels::LevelPlan* plan = levels::levelPlan(number);
        ASSERT_TRUE(levels::writeLevel(plan, &assets)) << plan->name;
        std::string fileName = std::string(plan->name) + ".vsf";
        std::vector<u8> committed = diskfiles::readWholeFile((std::string(VE_SOURCE_DIR "/assets/") + fileName).c_str());
        std::vector<u8> built = writtenFile(fileName);
        EXPECT_FALSE(built.empty()) << fileName;
        EXPECT_TRUE(committed == built) << fileName << " differs from the level builder's output (" << committed.size()
                                        << " bytes committed, " << built.size()
                                        << " built): run `cmake --build build --target levels` and commit the files";
    }
}

TEST_F(LevelBuilder, levelsAreNamedByTheirNumber) {
    for (u32 number = 1; number <= levels::LEVEL_COUNT; number++) {
        EXPECT_EQ(std::string(levels::levelPlan(number)->name), "Level " + std::to_string(number));
    }
    EXPECT_EQ(levels::levelPlan(0), nullptr);
    EXPECT_EQ(levels::levelPlan(levels::LEVEL_COUNT + 1), nullptr);
}

// The screenshot script's stand-ins keep the rules too, under whichever level name they stand for.
TEST_F(LevelBuilder, shortcutScenesAreWrittenUnderTheNameAsked) {
    const char* names[] = {"Level 1", "Level 5"};
    for (const char* name : names) {
        EXPECT_TRUE(levels::writeShortcutScene(name, &assets)) << name;
        EXPECT_FALSE(writtenFile(std::string(name) + ".vsf").empty()) << name;
    }
}

// Plans that break a rule: each is refused with a message, and no file is written.
TEST_F(LevelBuilder, aPlanThatBreaksARuleIsNotWritten) {
    using namespace levels;
    const Panel room[] = {floorSlab(-3, -3, 3, 3)};
    const Piece danglingCable[] = {player({{0, 0, 0}}, {{0, 1, -1}}, 0), hud(), cable("Cable", "Nowhere", {{4, 0, 0}})};
    const Piece sixLights[] = {player({{0, 0, 0}}, {{0, 1, -1}}, 0), hud(), lamp("A", {{0, 3, 0}}), lamp("B", {{1, 3, 0}}),
                               lamp("C", {{2, 3, 0}}), lamp("D", {{-1, 3, 0}}), lamp("E", {{-2, 3, 0}})};
    const Piece noHud[] = {player({{0, 0, 0}}, {{0, 1, -1}}, 0)};
    struct Case {
        const char* name;
        const Piece* pieces;
        u32 pieceCount;
        const char* message;
    } cases[] = {
        {"Broken 1", danglingCable, 3, "Level builder: a reference names no piece of the level:"},
        {"Broken 2", sixLights, 7, "Broken 2 breaks"},
        {"Broken 3", noHud, 1, "Broken 3 breaks"},
    };
    for (const Case& c : cases) {
        LevelPlan plan = {c.name, room, 1, c.pieces, c.pieceCount};
        files.printed.clear();
        EXPECT_FALSE(writeLevel(&plan, &assets)) << c.name;
        EXPECT_TRUE(writtenFile(std::string(c.name) + ".vsf").empty()) << c.name;
        ASSERT_FALSE(files.printed.empty()) << c.name;
        EXPECT_EQ(files.printed[0].rfind(c.message, 0), 0u) << c.name << ": " << files.printed[0];
    }
}

} // namespace
