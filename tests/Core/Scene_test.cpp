#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Game/CubeEntity.h"
#include "Game/WallEntity.h"
#include "Meta/entity_type_list.h"
#include "Meta/introspection.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include "../harness/memoryFiles.h"
#include "../harness/testStores.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using ve::Entity;
using ve::MetaType;
using ve::Scene;

namespace {

string name(const char* text) { return ve::wrapASCIIZ(text); }
ve::Hash idOf(const char* text) { return ve::hashString(name(text)); }
std::string text(string s) { return std::string((const char*)s.data, s.length); }
Entity* entityAt(Scene* scene, msi index) { return (Entity*)scene->entities[index]; }

// Every call of the test's entity functions, in order: which function and which entity data.
struct Call {
    char function; // 'i'nit, 'u'pdate, 'r'ender
    void* data;
};
std::vector<Call> calls;
void recordInit(void* data) { calls.push_back({'i', data}); }
void recordUpdate(void* data) { calls.push_back({'u', data}); }
void recordRender(void* data) { calls.push_back({'r', data}); }

// The scene switch gives back the off-screen colour buffers through the renderer table.
u32 colorBufferReleases;
void countColorBufferReleases() { colorBufferReleases++; }

class SceneTest : public testing::Test {
protected:
    void SetUp() override {
        memfiles::installMemoryFileSystem(&files);
        calls.clear();
        colorBufferReleases = 0;
        rendererTable.releaseColorBuffers = countColorBufferReleases;
        ve::renderer = &rendererTable;
        for (u32 i = 0; i < ve::entityTypeCount; i++) {
            savedRows[i] = ve::entityTypes[i];
            ve::entityTypes[i].initFunc = recordInit;
            ve::entityTypes[i].updateFunc = recordUpdate;
            ve::entityTypes[i].renderFunc = recordRender;
        }
        scene = ve::createScene(name("Test Scene"), 1 << 20, &stores.permanent);
    }
    void TearDown() override {
        for (u32 i = 0; i < ve::entityTypeCount; i++) ve::entityTypes[i] = savedRows[i];
        ve::renderer = nullptr;
    }

    Entity* create(const char* entityName, MetaType type = MetaType::game_CubeEntity) {
        return ve::createEntity(&scene, type, name(entityName));
    }
    // As the engine switches: the scene read first, then put in the place of `current`.
    void switchTo(Scene* current, string sceneName) {
        Scene loaded;
        ve::loadScene(&loaded, sceneName, &stores.permanent);
        ve::replaceScene(current, &loaded);
    }

    vetest::TestStores stores;
    vetest::TestEngineState engine;
    memfiles::MemoryFileSystem files;
    ve::Renderer rendererTable = {};
    ve::EntityType savedRows[ve::entityTypeCount];
    Scene scene;
};

TEST_F(SceneTest, ANewSceneIsEmptyDisabledAndNamedWithoutACopy) {
    string sceneName = name("Level 7");
    Scene fresh = ve::createScene(sceneName, 4096, &stores.permanent);
    EXPECT_TRUE(fresh.id == ve::hashString(sceneName));
    EXPECT_EQ(fresh.name.data, sceneName.data);
    EXPECT_EQ(fresh.entities.capacity, 16u);
    EXPECT_EQ(fresh.entities.length, 0u);
    EXPECT_EQ(fresh.entities.entrySize, sizeof(Entity));
    EXPECT_EQ(fresh.entities.store, &stores.permanent);
    EXPECT_EQ(fresh.sceneDataHeap.buf.length, 4096u);
    EXPECT_TRUE(fresh.sceneDataHeap.initialized);
    EXPECT_FALSE(fresh.enabled);
}

TEST_F(SceneTest, CreatedEntitiesAreEnabledZeroedAndNamedInTheHeap) {
    Entity* cube = create("Cube A");
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(scene.entities.length, 1u);
    EXPECT_EQ(cube, entityAt(&scene, 0));
    EXPECT_TRUE(cube->enabled);
    EXPECT_EQ(cube->type, &ve::entityTypes[2]);
    EXPECT_TRUE(cube->id == idOf("Cube A"));
    EXPECT_EQ(text(cube->name), "Cube A");
    EXPECT_TRUE(ve::ptrInBuffer(scene.sceneDataHeap.buf, cube->name.data));
    ASSERT_EQ(cube->entityData.length, sizeof(game::CubeEntity));
    EXPECT_TRUE(ve::ptrInBuffer(scene.sceneDataHeap.buf, cube->entityData.data));
    for (msi i = 0; i < cube->entityData.length; i++) ASSERT_EQ(cube->entityData.data[i], 0) << "byte " << i;
    EXPECT_TRUE(calls.empty()) << "creating does not initialise";
}

TEST_F(SceneTest, CreationFailuresAppendNothing) {
    ASSERT_NE(create("Twin"), nullptr);
    EXPECT_EQ(create("Twin"), nullptr) << "an id the scene already has";
    EXPECT_EQ(create("Scene", MetaType::ve_Scene), nullptr) << "a type without a row";
    ASSERT_EQ(files.printed.size(), 1u);
    EXPECT_EQ(files.printed[0], "EntityType not found:");
    EXPECT_EQ(scene.entities.length, 1u);

    Scene tiny = ve::createScene(name("Tiny"), 256, &stores.permanent);
    EXPECT_EQ(ve::createEntity(&tiny, MetaType::game_PlayerEntity, name("Player")), nullptr);
    EXPECT_EQ(files.printed.back(), "Not enough memory in scene heap!");
    EXPECT_EQ(tiny.entities.length, 0u);
}

TEST_F(SceneTest, LookUpsByIdFindTheFirstMatchOrNothing) {
    EXPECT_EQ(ve::getEntity(&scene, idOf("Cube A")), nullptr);
    ve::EntityRef zero = {};
    EXPECT_EQ(zero.get(&scene), nullptr);
    Entity* a = create("Cube A");
    Entity* b = create("Cube B");
    EXPECT_EQ(ve::getEntity(&scene, idOf("Cube B")), b);
    ve::EntityRef ref = {idOf("Cube A")};
    EXPECT_EQ(ref.getEntity(&scene), a);
    EXPECT_EQ(ref.get(&scene), a->entityData.data);
    ve::EntityRef missing = {idOf("Cube C")};
    EXPECT_EQ(missing.get(&scene), nullptr);
}

TEST_F(SceneTest, ReferencesResolveInTheEnginesCurrentScene) {
    Scene* current = &engine.state->currentScene;
    *current = ve::createScene(name("Current"), 1 << 20, &stores.permanent);
    ve::EntityRef ref = {idOf("Cube A")};
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_EQ(ref.getEntity(), nullptr);
    Entity* a = ve::createEntity(current, MetaType::game_CubeEntity, name("Cube A"));
    EXPECT_EQ(ref.getEntity(), a);
    EXPECT_EQ(ref.get(), a->entityData.data);
    create("Cube A"); // the same name in another scene changes nothing
    EXPECT_EQ(ref.get(), a->entityData.data);
    ve::destroyEntity(current, idOf("Cube A"));
    EXPECT_EQ(ref.get(), nullptr) << "nothing is cached";
}

TEST_F(SceneTest, DestroyingMovesLaterEntitiesDownInOrder) {
    create("One");
    create("Two");
    Entity* three = create("Three");
    void* threeData = three->entityData.data;
    ve::destroyEntity(&scene, idOf("Nobody"));
    EXPECT_EQ(scene.entities.length, 3u);
    ve::destroyEntity(&scene, idOf("Two"));
    ASSERT_EQ(scene.entities.length, 2u);
    EXPECT_EQ(text(entityAt(&scene, 0)->name), "One");
    EXPECT_EQ(text(entityAt(&scene, 1)->name), "Three");
    EXPECT_EQ(entityAt(&scene, 1)->entityData.data, threeData) << "entity data never moves";
}

TEST_F(SceneTest, RenamingToAnotherNameSharesItsIdAndTheEarlierWins) {
    Entity* first = create("First");
    create("Second");
    ASSERT_TRUE(ve::renameEntity(&scene, entityAt(&scene, 1), name("First")));
    EXPECT_TRUE(entityAt(&scene, 1)->id == idOf("First"));
    EXPECT_EQ(text(entityAt(&scene, 1)->name), "First");
    EXPECT_EQ(ve::getEntity(&scene, idOf("First")), first);
    EXPECT_EQ(ve::getEntity(&scene, idOf("Second")), nullptr);
}

TEST_F(SceneTest, RenamingWithoutRoomKeepsTheOldName) {
    Scene small = ve::createScene(name("Small"), 512, &stores.permanent);
    Entity* wall = ve::createEntity(&small, MetaType::game_WallEntity, name("Wall"));
    ASSERT_NE(wall, nullptr);
    std::string longName(4096, 'x');
    EXPECT_FALSE(ve::renameEntity(&small, wall, {longName.size(), (u8*)longName.data()}));
    EXPECT_EQ(text(wall->name), "Wall");
    EXPECT_TRUE(wall->id == idOf("Wall"));
}

TEST_F(SceneTest, UpdatesRunOnlyForEnabledEntitiesOfAnEnabledSceneWhileRendersAlwaysRun) {
    Entity* a = create("A");
    create("B")->enabled = false;
    Entity* c = create("C");
    void* bData = entityAt(&scene, 1)->entityData.data;

    ve::updateScene(&scene);
    EXPECT_TRUE(calls.empty()) << "a disabled scene updates nothing";
    ve::renderScene(&scene);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].data, a->entityData.data);
    EXPECT_EQ(calls[1].data, bData);
    EXPECT_EQ(calls[2].data, c->entityData.data);

    calls.clear();
    scene.enabled = true;
    ve::updateScene(&scene);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, 'u');
    EXPECT_EQ(calls[0].data, a->entityData.data);
    EXPECT_EQ(calls[1].data, c->entityData.data);

    calls.clear();
    Scene empty = {};
    empty.enabled = true;
    ve::updateScene(&empty);
    ve::renderScene(&empty);
    EXPECT_TRUE(calls.empty()) << "no scene loaded";
}

Scene* growingScene;
void createAnotherEntity(void* data) {
    calls.push_back({'u', data});
    if (growingScene->entities.length < 3) ve::createEntity(growingScene, MetaType::game_WallEntity, name(growingScene->entities.length == 1 ? "Second" : "Third"));
}

TEST_F(SceneTest, TheUpdatePassReadsTheLengthAfterEveryCall) {
    ve::entityTypes[9].updateFunc = createAnotherEntity;
    create("First", MetaType::game_WallEntity);
    scene.enabled = true;
    growingScene = &scene;
    ve::updateScene(&scene);
    EXPECT_EQ(scene.entities.length, 3u);
    EXPECT_EQ(calls.size(), 3u) << "entities created during the pass are updated in it";
}

TEST_F(SceneTest, InitialisingRunsEveryInitInOrderAndEnables) {
    Entity* a = create("A");
    create("B")->enabled = false;
    ve::initScene(&scene);
    EXPECT_TRUE(scene.enabled);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].function, 'i');
    EXPECT_EQ(calls[0].data, a->entityData.data);
    EXPECT_EQ(calls[1].data, entityAt(&scene, 1)->entityData.data) << "disabled entities are initialised too";
}

TEST_F(SceneTest, InitialisingNoSceneMakesTheEmptyNewScene) {
    Scene none = {};
    msi freeBefore = vetest::freeBytes(&stores.permanent);
    ve::initScene(&none);
    EXPECT_EQ(text(none.name), "New Scene");
    EXPECT_TRUE(none.id == idOf("New Scene"));
    EXPECT_FALSE(none.enabled);
    EXPECT_EQ(none.entities.length, 0u);
    EXPECT_EQ(none.entities.capacity, 16u);
    EXPECT_EQ(none.sceneDataHeap.buf.length, ve::newSceneHeapSize);
    EXPECT_LT(vetest::freeBytes(&stores.permanent), freeBefore) << "from the permanent store";
    EXPECT_TRUE(calls.empty());
}

TEST_F(SceneTest, FreeingGivesEverythingBack) {
    msi freeBefore = vetest::freeBytes(&stores.permanent);
    Scene temporary = ve::createScene(name("Temporary"), 1 << 20, &stores.permanent);
    for (int i = 0; i < 20; i++) {
        std::string entityName = "Entity " + std::to_string(i);
        ve::createEntity(&temporary, MetaType::game_CubeEntity, {entityName.size(), (u8*)entityName.data()});
    }
    ve::freeScene(&temporary);
    EXPECT_TRUE(temporary.id == ve::Hash{});
    EXPECT_EQ(temporary.name.length, 0u);
    EXPECT_EQ(temporary.entities.length, 0u);
    EXPECT_EQ(temporary.entities.capacity, 0u);
    EXPECT_FALSE(temporary.sceneDataHeap.initialized);
    EXPECT_EQ(temporary.sceneDataHeap.buf.data, nullptr);
    EXPECT_EQ(vetest::freeBytes(&stores.permanent), freeBefore);
    EXPECT_TRUE(calls.empty()) << "freeing calls no entity function";
}

TEST_F(SceneTest, SwitchingToAMissingSceneEndsInTheEmptyNewScene) {
    create("Cube");
    switchTo(&scene, name("Nowhere"));
    EXPECT_EQ(text(scene.name), "New Scene");
    EXPECT_FALSE(scene.enabled);
    EXPECT_EQ(scene.entities.length, 0u);
    EXPECT_EQ(scene.entities.capacity, 16u);
    EXPECT_EQ(scene.sceneDataHeap.buf.length, ve::newSceneHeapSize);
    ASSERT_EQ(files.printed.size(), 1u);
    EXPECT_EQ(files.printed[0], "Failed to load Scene: File not found!");
    EXPECT_EQ(files.openLists, 0);
}

TEST_F(SceneTest, SwitchingLoadsInitialisesAndLeavesNoGarbage) {
    Scene saved = ve::createScene(name("Level 1"), 1 << 20, &stores.permanent);
    ve::createEntity(&saved, MetaType::game_CubeEntity, name("Cube"));
    ve::createEntity(&saved, MetaType::game_WallEntity, name("Walls"));
    ASSERT_TRUE(ve::saveScene(&saved));
    saved.name = name("Level 2");
    ve::createEntity(&saved, MetaType::game_WallEntity, name("More Walls"));
    ASSERT_TRUE(ve::saveScene(&saved));
    ve::freeScene(&saved);

    ve::Scene current = {};
    switchTo(&current, name("Level 1"));
    msi freeAfterFirst = vetest::freeBytes(&stores.permanent);
    const u32 passes = 3;
    for (u32 pass = 0; pass < passes; pass++) {
        calls.clear();
        switchTo(&current, name(pass % 2 ? "Level 1" : "Level 2"));
        ASSERT_TRUE(current.enabled);
        ASSERT_EQ(current.entities.length, pass % 2 ? 2u : 3u);
        EXPECT_EQ(current.entities.store, &current.sceneDataHeap) << "the array follows its heap";
        EXPECT_EQ(calls.size(), current.entities.length);
        ve::createEntity(&current, MetaType::game_CubeEntity, name("Grown")); // pushes into the moved heap
    }
    switchTo(&current, name("Level 1"));
    EXPECT_EQ(vetest::freeBytes(&stores.permanent), freeAfterFirst) << "each switch frees the old heap";
    EXPECT_EQ(colorBufferReleases, passes + 2) << "and gives back the colour buffers";
}

TEST_F(SceneTest, SwitchingMayNameTheSceneByItsOwnNameBytes) {
    Scene saved = ve::createScene(name("Level 3"), 1 << 20, &stores.permanent);
    ve::createEntity(&saved, MetaType::game_CubeEntity, name("Cube"));
    ASSERT_TRUE(ve::saveScene(&saved));
    ve::freeScene(&saved);
    Scene current = {};
    switchTo(&current, name("Level 3"));
    // As the elevator does: the request shares the current scene's own name bytes.
    switchTo(&current, current.name);
    EXPECT_EQ(text(current.name), "Level 3");
    EXPECT_EQ(current.entities.length, 1u);
}

TEST_F(SceneTest, InitialisingRefusesProgrammingErrors) {
    EXPECT_DEATH(ve::initScene(nullptr), "NOT NULL: scene");
    Entity* cube = create("Cube");
    cube->type = nullptr;
    EXPECT_DEATH(ve::initScene(&scene), "NOT NULL: entity->type");
    ve::EntityType withoutInit = {ve::entityTypes[2].metaData, nullptr, recordUpdate, recordRender};
    cube->type = &withoutInit;
    EXPECT_DEATH(ve::initScene(&scene), "NOT NULL: entity->type->initFunc");
}

} // namespace
