// The committed levels, read back through the engine's scene loader from the real asset
// directory, keep every rule of the levels (levelCheck.h); and the check finds each kind of broken
// rule, so that a level that breaks one cannot pass.

#include "levelCheck.h"
#include "levels.h"

#include "Core/Assets/assets.h"
#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Game/CableEntity.h"
#include "Game/CubeEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/PressurePlateEntity.h"
#include "Game/WallEntity.h"
#include "Meta/entity_type_list.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include "../harness/diskFiles.h"
#include "../harness/testStores.h"

#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>

namespace {

class LevelRules : public ::testing::Test {
protected:
    vetest::TestStores stores;
    ve::PlatformAPI api = {};
    ve::AssetRegister assets = {};

    void SetUp() override {
        ve::initPlatformAPI(&api);
        ve::platform = &api;
        ve::createAssetRegister(&assets, ve::MAX_MESHES, ve::MAX_TEXTURES, ve::MAX_MATERIALS);
        ve::loadAllPakFiles(&assets, 0);
    }
    void TearDown() override { ve::platform = nullptr; }

    static std::string problemText(const levels::LevelProblems& problems) {
        std::string text;
        for (u32 i = 0; i < problems.count && i < levels::MAX_LEVEL_PROBLEMS; i++) text += std::string(problems.lines[i]) + "\n";
        return text;
    }
};

// The entity count in the file's header (offset 8, u64 little-endian).
u64 entityCountInFile(const std::vector<u8>& file) {
    u64 count = 0;
    for (int i = 7; i >= 0 && file.size() >= 16; i--) count = count << 8 | file[8 + i];
    return count;
}

TEST_F(LevelRules, everyCommittedLevelLoadsWholeAndKeepsTheRules) {
    b8 typeUsed[ve::entityTypeCount] = {};
    for (u32 number = 1; number <= levels::LEVEL_COUNT; number++) {
        std::string name = "Level " + std::to_string(number);
        std::vector<u8> file = diskfiles::readWholeFile((std::string(VE_SOURCE_DIR "/assets/") + name + ".vsf").c_str());
        ve::Scene scene;
        ASSERT_EQ(ve::loadScene(&scene, ve::wrapASCIIZ(name.c_str()), ve::permanentStore).failure, nullptr) << name;
        EXPECT_GT(scene.entities.length, 0u) << name;
        EXPECT_EQ(scene.entities.length, entityCountInFile(file)) << name << ": the loader dropped entities";
        levels::LevelProblems problems = {};
        levels::checkLevel(&scene, &assets, &problems);
        EXPECT_EQ(problems.count, 0u) << name << ":\n" << problemText(problems);
        for (msi i = 0; i < scene.entities.length; i++) typeUsed[((ve::Entity*)scene.entities[i])->type - ve::entityTypes] = true;
        ve::freeScene(&scene);
    }
    for (u32 row = 0; row < ve::entityTypeCount; row++) {
        EXPECT_TRUE(typeUsed[row]) << "no level uses entity type row " << row;
    }
}

// A sound level built in memory, then broken one way at a time: each way is reported.
TEST_F(LevelRules, theCheckReportsEveryKindOfBrokenRule) {
    using namespace levels;
    auto entityData = [](ve::Scene* scene, const char* name) {
        return ve::getEntity(scene, ve::hashASCIIZ(name))->entityData.data;
    };
    // Adds `count` entities of `type` with a sound body, each then set up by `configure`.
    auto addEntities = [](ve::Scene* scene, u32 count, ve::MetaType type, std::function<void(void*)> configure) {
        for (u32 i = 0; i < count; i++) {
            std::string name = "Extra " + std::to_string(i);
            void* data = ve::createEntity(scene, type, ve::wrapASCIIZ(name.c_str()))->entityData.data;
            ((ve::BodyOpts*)data)->rotation = ve::iMat3();
            ((ve::BodyOpts*)data)->flags.value = (u32)ve::BodyType::Static;
            configure(data);
        }
    };
    const ve::EntityRef playerRef = {ve::hashASCIIZ("Player")};
    auto timedCube = [&](void* data) {
        ((game::CubeEntity*)data)->timeDependent = true;
        ((game::CubeEntity*)data)->player = playerRef;
    };
    auto timedPlate = [&](void* data) {
        ((game::PressurePlateEntity*)data)->timeDependent = true;
        ((game::PressurePlateEntity*)data)->player = playerRef;
    };
    auto nothingMore = [](void*) {};
    struct Case {
        const char* rule;
        std::function<void(ve::Scene*)> breakIt;
        const char* expected;
    } cases[] = {
        {"a reference to nothing", [&](ve::Scene* s) { ((game::CubeEntity*)entityData(s, "Cube"))->player = {ve::hashASCIIZ("Nobody")}; },
         "Cube: player names no entity"},
        {"a reference to the wrong type", [&](ve::Scene* s) { ((game::CubeEntity*)entityData(s, "Cube"))->player = {ve::hashASCIIZ("Walls")}; },
         "Cube: player names Walls, an entity of the wrong type"},
        {"two body-type bits", [&](ve::Scene* s) { ((ve::BodyOpts*)entityData(s, "Cube"))->flags.eStatic = 1; },
         "Cube: body flags hold 2 body-type bits"},
        {"a scaled rotation", [&](ve::Scene* s) { ((ve::BodyOpts*)entityData(s, "Cube"))->rotation.col1.x = 2; },
         "Cube: rotation is not orthonormal"},
        {"a mirrored rotation", [&](ve::Scene* s) { ((ve::BodyOpts*)entityData(s, "Cube"))->rotation.col3.z = -1; },
         "Cube: rotation is not orthonormal"},
        {"a thin wall", [&](ve::Scene* s) { ((game::WallEntity*)entityData(s, "Walls"))->bodyOpts.colliders[0].cuboid.depth = 0.1f; },
         "Walls: box 0 is thinner than 0.20"},
        {"a glyph outside the font", [&](ve::Scene* s) { ((game::FloatingTextEntity*)entityData(s, "Hint"))->text.data[0] = 200; },
         "Hint: byte 0 has no glyph"},
        {"eight time-dependent bodies", [&](ve::Scene* s) { addEntities(s, 6, ve::MetaType::game_CubeEntity, timedCube); },
         "8 time-dependent bodies, more than 7"},
        {"five time-dependent plates", [&](ve::Scene* s) { addEntities(s, 5, ve::MetaType::game_PressurePlateEntity, timedPlate); },
         "5 time-dependent buttons and plates, more than 4"},
        {"six point lights", [&](ve::Scene* s) { addEntities(s, 3, ve::MetaType::game_LightEntity, nothingMore); },
         "6 point lights, more than 5"},
        {"a second player", [&](ve::Scene* s) { addEntities(s, 1, ve::MetaType::game_PlayerEntity, nothingMore); },
         "2 entities of type ::game::PlayerEntity, not one"},
        {"a player of another name", [&](ve::Scene* s) { ve::renameEntity(s, ve::getEntity(s, ve::hashASCIIZ("Player")), ve::wrapASCIIZ("Hero")); },
         "no entity \"Player\" of the right type"},
        {"a stored strip short of its end", [&](ve::Scene* s) { ((game::CableEntity*)entityData(s, "Cable"))->connectTo.z -= 1; },
         "Cable: the strip ends 1.00 units from its connectTo"},
        {"a generated strip short of its end", [&](ve::Scene* s) { ((game::CableEntity*)entityData(s, "Cable"))->bodyOpts.colliderCount = 0; },
         "Cable: the strip ends 0.80 units from its connectTo"},
        {"no hint", [&](ve::Scene* s) { ve::destroyEntity(s, ve::hashASCIIZ("Hint")); }, "no hint says what to do"},
        {"a name used twice", [&](ve::Scene* s) { ve::renameEntity(s, ve::getEntity(s, ve::hashASCIIZ("Lamp")), ve::wrapASCIIZ("Cube")); },
         "the name is not unique"},
    };
    const Panel room[] = {floorSlab(-4, -4, 4, 4), wallRun(-4, -4, 4, -4)};
    const Piece pieces[] = {
        player({{0, 0, 2}}, {{0, 1, 0}}, TIMED), hud(), lamp("Lamp", {{0, 3, 0}}), cube("Cube", {{1, 0, 0}}, TIMED),
        button("Button", {{-1, 0, 0}}, 0), cable("Cable", "Button", {{-1, 0, -3}}),
        elevator("Elevator", {{0, 0, -3.5f}}, Facing::South, "Cable"), hint("Hint", {{0, 2, 0}}, Facing::North, "Hello", 2),
    };
    for (const Case& c : cases) {
        ve::Scene scene = ve::createScene(ve::wrapASCIIZ("Rules"), LEVEL_HEAP_SIZE, ve::permanentStore);
        LevelPlan plan = {"Rules", room, 2, pieces, sizeof(pieces) / sizeof(pieces[0])};
        ASSERT_TRUE(buildLevel(&scene, &plan));
        LevelProblems problems = {};
        checkLevel(&scene, &assets, &problems);
        ASSERT_EQ(problems.count, 0u) << "the sound level:\n" << problemText(problems);
        c.breakIt(&scene);
        checkLevel(&scene, &assets, &problems);
        EXPECT_NE(problemText(problems).find(c.expected), std::string::npos) << c.rule << ":\n" << problemText(problems);
        ve::freeScene(&scene);
    }
}

TEST_F(LevelRules, theCheckReportsAssetsMissingFromThePacks) {
    ve::AssetRegister empty = {};
    ve::createAssetRegister(&empty, 1, 1, 1);
    ve::Scene scene;
    ASSERT_EQ(ve::loadScene(&scene, ve::wrapASCIIZ("Level 1"), ve::permanentStore).failure, nullptr);
    levels::LevelProblems problems = {};
    levels::checkLevel(&scene, &empty, &problems);
    std::string text = problemText(problems);
    const char* expected[] = {"the mesh \"elevator_mesh\" is not in the asset packs", "the texture \"font_img\" is not in the asset packs",
                              "the material \"button_mat\" is not in the asset packs", "the texture \"ground_img\" is not in the asset packs"};
    for (const char* line : expected) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    ve::freeScene(&scene);
}

} // namespace
