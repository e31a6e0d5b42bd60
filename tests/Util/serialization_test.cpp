#include "sceneFileFixtures.h"

#include "Core/engine_globals.h"
#include "Game/BarrierEntity.h"
#include "Game/CubeEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/ParticleEmitter.h"
#include "Game/PlayerEntity.h"

using fixtures::Bytes;
using ve::Entity;
using ve::MetaType;
using ve::Scene;

namespace {

string name(const char* text) { return ve::wrapASCIIZ(text); }
std::string text(string s) { return std::string((const char*)s.data, s.length); }
Entity* entityAt(Scene* scene, msi index) { return (Entity*)scene->entities[index]; }
std::vector<u8> bytesOf(buffer b) { return std::vector<u8>(b.data, b.data + b.length); }

class SceneFileTest : public testing::Test {
protected:
    void SetUp() override { memfiles::installMemoryFileSystem(&files); }

    // Reads `bytes` as the file of the scene `sceneName`; a damaged record is left out, as the
    // whole scene load learns before it refuses the file.
    b8 load(const std::vector<u8>& bytes, Scene* scene, const char* sceneName = "Fixture") {
        return !ve::readSceneImage(scene, name(sceneName), {bytes.size(), (u8*)bytes.data()}, &stores.permanent).failure;
    }

    vetest::TestStores stores;
    memfiles::MemoryFileSystem files;
};

// =============================================================================================
// The format, byte for byte
// =============================================================================================

TEST_F(SceneFileTest, AnEmptySceneIsTheSixteenByteHeaderAlone) {
    const std::vector<u8> expected = {0x56, 0x53, 0x46, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Scene empty = ve::createScene(name("Empty"), 4096, &stores.permanent);
    EXPECT_EQ(bytesOf(ve::serializeScene(&empty, &stores.tmp)), expected);

    Scene loaded;
    ASSERT_TRUE(load(expected, &loaded, "Empty"));
    EXPECT_EQ(loaded.entities.length, 0u);
    EXPECT_EQ(loaded.sceneDataHeap.buf.length, 512u * 2048u);
    EXPECT_EQ(text(loaded.name), "Empty");
    EXPECT_TRUE(loaded.id == ve::hashString(name("Empty")));
    EXPECT_TRUE(ve::ptrInBuffer(loaded.sceneDataHeap.buf, loaded.name.data)) << "a loaded scene's name is in its heap";
    EXPECT_EQ(loaded.entities.store, &loaded.sceneDataHeap);
    EXPECT_FALSE(loaded.enabled) << "enabled by initialisation, not by loading";
    EXPECT_TRUE(files.printed.empty());
    EXPECT_EQ(files.openLists, 0);
}

void fillBarrier(game::BarrierEntity* barrier) {
    barrier->bodyOpts.position = {1, 2, 3};
    barrier->bodyOpts.rotation = {};
    barrier->bodyOpts.rotation.E11 = 1;
    barrier->bodyOpts.rotation.E22 = 0.5f;
    barrier->bodyOpts.rotation.E33 = 2;
    barrier->bodyOpts.linearVelocity = {4, 5, 6};
    barrier->bodyOpts.angularVelocity = {7, 8, 9};
    barrier->bodyOpts.gravity = 9.81f;
    barrier->bodyOpts.collisionMask = 3;
    barrier->bodyOpts.linearFriction = 0.5f;
    barrier->bodyOpts.angularFriction = 0.25f;
    barrier->bodyOpts.flags.value = 32;
    barrier->cableEntity.id.lo = fixtures::barrierCableLo;
    barrier->cableEntity.id.hi = fixtures::barrierCableHi;
    barrier->power = 1;
}

TEST_F(SceneFileTest, OurWriterProducesTheHandWrittenEntityRecord) {
    Scene scene = ve::createScene(name("Fixture"), 1 << 20, &stores.permanent);
    Entity* barrier = ve::createEntity(&scene, MetaType::game_BarrierEntity, name("Barrier"));
    fillBarrier((game::BarrierEntity*)barrier->entityData.data);
    EXPECT_EQ(bytesOf(ve::serializeScene(&scene, &stores.tmp)), fixtures::barrierScene());
}

TEST_F(SceneFileTest, OurReaderReadsTheHandWrittenEntityRecord) {
    Scene scene;
    ASSERT_TRUE(load(fixtures::barrierScene(), &scene));
    ASSERT_EQ(scene.entities.length, 1u);
    Entity* entity = entityAt(&scene, 0);
    EXPECT_EQ(text(entity->name), "Barrier");
    EXPECT_TRUE(entity->id == ve::hashString(name("Barrier")));
    EXPECT_TRUE(entity->enabled);
    EXPECT_EQ(entity->type, &ve::entityTypes[8]);
    game::BarrierEntity expected = {};
    fillBarrier(&expected);
    EXPECT_EQ(memcmp(entity->entityData.data, &expected, sizeof(expected)), 0);
    EXPECT_TRUE(files.printed.empty());
}

TEST_F(SceneFileTest, ACameraKeepsItsTwoMatricesAsSixtyFourBytesEach) {
    Scene scene = ve::createScene(name("Camera"), 1 << 20, &stores.permanent);
    Entity* player = ve::createEntity(&scene, MetaType::game_PlayerEntity, name("Player"));
    game::PlayerEntity* data = (game::PlayerEntity*)player->entityData.data;
    for (int i = 0; i < 16; i++) {
        data->cam.view.E[i / 4][i % 4] = (f32)i;
        data->cam.proj.E[i / 4][i % 4] = (f32)(100 + i);
    }
    buffer image = ve::serializeScene(&scene, &stores.tmp);
    // Find the member records "view" and "proj" of the nested ::ve::Camera record: each ends 64
    // bytes after its name.
    for (const char* matrix : {"view", "proj"}) {
        std::string needle = std::string("\x0a\0\0\0\0\0\0\0::ve::mat4\x04\0\0\0\0\0\0\0", 26) + matrix;
        std::string haystack((char*)image.data, image.length);
        size_t found = haystack.find(needle);
        ASSERT_NE(found, std::string::npos) << matrix;
        size_t recordStart = found - 20; // tag, end, pointer depth
        u64 end;
        memcpy(&end, image.data + recordStart + 4, 8);
        EXPECT_EQ(end, found + needle.size() + 64) << matrix;
        EXPECT_EQ(memcmp(image.data + found + needle.size(), matrix[0] == 'v' ? (void*)&data->cam.view : (void*)&data->cam.proj, 64), 0);
    }
    Scene loaded;
    ASSERT_TRUE(load(bytesOf(image), &loaded, "Camera"));
    game::PlayerEntity* read = (game::PlayerEntity*)entityAt(&loaded, 0)->entityData.data;
    EXPECT_EQ(memcmp(&read->cam, &data->cam, sizeof(ve::Camera)), 0);
}

// =============================================================================================
// Round trip
// =============================================================================================

TEST_F(SceneFileTest, EveryEntityTypeComesBackFieldByFieldWithPointersCleared) {
    Scene scene = fixtures::sceneOfEveryEntityType("Everything", &stores.permanent);
    ASSERT_EQ(scene.entities.length, ve::entityTypeCount);
    ASSERT_TRUE(ve::saveScene(&scene));
    Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Everything"), &stores.permanent).failure, nullptr);
    ASSERT_EQ(loaded.entities.length, scene.entities.length);
    EXPECT_TRUE(files.printed.empty());
    for (msi i = 0; i < scene.entities.length; i++) {
        Entity* original = entityAt(&scene, i);
        Entity* read = entityAt(&loaded, i);
        EXPECT_EQ(text(read->name), text(original->name));
        EXPECT_TRUE(read->id == original->id);
        EXPECT_EQ(read->enabled, original->enabled);
        EXPECT_EQ(read->type, original->type);
        ASSERT_EQ(read->entityData.length, original->entityData.length);
        EXPECT_TRUE(ve::ptrInBuffer(loaded.sceneDataHeap.buf, read->entityData.data));
        std::vector<u8> a(original->entityData.data, original->entityData.data + original->entityData.length);
        std::vector<u8> b(read->entityData.data, read->entityData.data + read->entityData.length);
        fixtures::compareAndClearIndirect(a.data(), b.data(), original->type->metaData, text(original->name));
        EXPECT_EQ(a, b) << text(original->name);
    }
    // A few fields by name, so that the table-driven comparison cannot agree with a wrong table.
    auto* emitter = (game::ParticleEmitter*)entityAt(&loaded, 0)->entityData.data;
    auto* original = (game::ParticleEmitter*)entityAt(&scene, 0)->entityData.data;
    EXPECT_EQ(emitter->system.spawnType, ve::Line);
    EXPECT_TRUE(emitter->system.texture.id == original->system.texture.id);
    EXPECT_NE(original->system.texture.id.lo, 0u);
    auto* gate = (game::LogicGateEntity*)entityAt(&loaded, 12)->entityData.data;
    EXPECT_EQ(gate->type, game::LogicGateType::OR);
    EXPECT_EQ(gate->bodyOpts.colliderCount, 2u);
    EXPECT_EQ(gate->bodyOpts.colliders[1].cuboid.depth, 4.5f);
    EXPECT_EQ(gate->bodyOpts.flags.value, 0x120u);
    EXPECT_EQ(gate->power1, nullptr);
    auto* floating = (game::FloatingTextEntity*)entityAt(&loaded, 10)->entityData.data;
    EXPECT_EQ(text(floating->text).rfind("text number ", 0), 0u);
    EXPECT_TRUE(ve::ptrInBuffer(loaded.sceneDataHeap.buf, floating->text.data));
    auto* cube = (game::CubeEntity*)entityAt(&loaded, 2)->entityData.data;
    EXPECT_TRUE(cube->player.id == ((game::CubeEntity*)entityAt(&scene, 2)->entityData.data)->player.id);
    EXPECT_EQ(cube->timeDependent, 1);
}

TEST_F(SceneFileTest, SavingAgainAfterLoadingGivesTheSameBytes) {
    Scene scene = fixtures::sceneOfEveryEntityType("Twice", &stores.permanent);
    ASSERT_TRUE(ve::saveScene(&scene));
    std::vector<u8> first = memfiles::findFile(&files, "Twice.vsf")->bytes;
    Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Twice"), &stores.permanent).failure, nullptr);
    ASSERT_TRUE(ve::saveScene(&loaded));
    EXPECT_EQ(memfiles::findFile(&files, "Twice.vsf")->bytes, first);
}

// =============================================================================================
// Schema changes
// =============================================================================================

// A "::game::CubeEntity" record written by an older or newer build of the game:
//   ghost      a member the struct does not have               -> skipped
//   timeDep    the old name of timeDependent                   -> timeDependent stays 0
//   timeDependent stored as "::u8", a readable byte 1          -> stays 0 (the type differs)
//   player     stored as "::f32"                               -> stays zero
//   attached   stored as a pointer                             -> stays 0 (no value)
//   bodyOpts   written last                                    -> read (order does not matter)
//   drawScale  missing                                         -> stays zero
std::vector<u8> olderCubeScene() {
    Bytes b;
    fixtures::fileHeader(&b, 1);
    b.tag("VENT");
    size_t entityEnd = b.size();
    b.u64le(0);
    b.byte(1);
    b.text("Cube");
    b.tag("VSTR");
    size_t structEnd = b.size();
    b.u64le(0);
    b.byte(0);
    b.u64le(6);
    b.text("::game::CubeEntity");
    auto member = [&](const char* typeName, const char* memberName, u64 depth, const std::vector<u8>& value) {
        size_t start = b.size();
        b.tag("VSTM");
        b.u64le(start + 36 + strlen(typeName) + strlen(memberName) + value.size());
        b.u64le(depth);
        b.text(typeName);
        b.text(memberName);
        b.raw(value.data(), value.size());
    };
    member("::f32", "ghost", 0, {0, 0, 0x80, 0x3F});
    member("::b8", "timeDep", 0, {1});
    member("::u8", "timeDependent", 0, {1});
    member("::f32", "player", 0, {0, 0, 0x80, 0x3F});
    member("::b8", "attached", 1, {});
    Bytes opts;
    fixtures::barrierBodyOptsValue(&opts);
    member("::ve::BodyOpts", "bodyOpts", 0, opts.bytes);
    b.patchU64(structEnd, b.size());
    b.patchU64(entityEnd, b.size());
    return b.bytes;
}

TEST_F(SceneFileTest, AddedRemovedRenamedAndRetypedMembersAreToleratedOneByOne) {
    Scene scene;
    ASSERT_TRUE(load(olderCubeScene(), &scene));
    ASSERT_EQ(scene.entities.length, 1u);
    auto* cube = (game::CubeEntity*)entityAt(&scene, 0)->entityData.data;
    EXPECT_EQ(cube->timeDependent, 0);
    EXPECT_TRUE(cube->player.id == ve::Hash{});
    EXPECT_EQ(cube->attached, 0);
    EXPECT_EQ(cube->drawScale.x, 0.0f);
    EXPECT_EQ(cube->bodyOpts.position.y, 2.0f);
    EXPECT_EQ(cube->bodyOpts.gravity, 9.81f);
    EXPECT_EQ(cube->bodyOpts.flags.value, 32u);
    EXPECT_TRUE(files.printed.empty());
}

// =============================================================================================
// Whole-file failures and reported entities
// =============================================================================================

TEST_F(SceneFileTest, AMissingFileOrAWrongMagicLoadsNothing) {
    Scene scene;
    scene.enabled = 1;
    EXPECT_NE(ve::loadScene(&scene, name("Absent"), &stores.permanent).failure, nullptr);
    EXPECT_TRUE(scene.id == ve::Hash{});
    EXPECT_FALSE(scene.enabled) << "the scene is set to all zero first";
    ASSERT_EQ(files.printed.size(), 1u);
    EXPECT_EQ(files.printed[0], "Failed to load Scene: File not found!");

    std::vector<u8> wrongMagic = fixtures::barrierScene();
    wrongMagic[3] = 1;
    EXPECT_FALSE(load(wrongMagic, &scene));
    EXPECT_TRUE(scene.id == ve::Hash{});
    EXPECT_EQ(files.printed.back(), "Failed to load Scene: File corrupted (Wrong Magic Number)!");
    EXPECT_EQ(files.openLists, 0);
}

// The editor's load window may hand over an empty name: no scene file is called ".vsf".
TEST_F(SceneFileTest, AnEmptyNameFindsNoFile) {
    files.files.push_back({".vsf", fixtures::barrierScene()});
    Scene scene;
    EXPECT_NE(ve::loadScene(&scene, {}, &stores.permanent).failure, nullptr);
    EXPECT_TRUE(scene.id == ve::Hash{});
    const std::vector<std::string> expected = {"Failed to load Scene: File not found!"};
    EXPECT_EQ(files.printed, expected);
    EXPECT_EQ(files.openLists, 0);
}

TEST_F(SceneFileTest, TheVersionFieldMayHoldAnyValue) {
    for (u32 version : {1u, 7u, 0xFFFFFFFFu}) {
        std::vector<u8> bytes = fixtures::barrierScene();
        memcpy(&bytes[4], &version, 4);
        Scene scene;
        ASSERT_TRUE(load(bytes, &scene));
        EXPECT_EQ(scene.entities.length, 1u) << version;
    }
}

TEST_F(SceneFileTest, TheFirstListedOfTwoFilesWithTheSameNameIsRead) {
    files.files.push_back({"Twin.vsf", fixtures::barrierScene()});
    Bytes empty;
    fixtures::fileHeader(&empty, 0);
    files.files.push_back({"Twin.vsf", empty.bytes});
    Scene scene;
    ASSERT_EQ(ve::loadScene(&scene, name("Twin"), &stores.permanent).failure, nullptr);
    EXPECT_EQ(scene.entities.length, 1u);
}

// The barrier fixture's entity record, moved to the end of `b` (its ends are absolute offsets)
// and named `sevenLetters` instead of "Barrier".
void appendBarrier(Bytes* b, const char* sevenLetters) {
    std::vector<u8> one = fixtures::barrierScene();
    size_t start = b->size();
    b->raw(one.data() + 16, one.size() - 16);
    memcpy(&b->bytes[start + 21], sevenLetters, 7);
    for (const fixtures::FieldAt& field : fixtures::barrierSceneU64Fields()) {
        if (std::string(field.what).find(" end") == std::string::npos) continue;
        u64 end;
        memcpy(&end, &b->bytes[start + field.offset - 16], 8);
        b->patchU64(start + field.offset - 16, end - 16 + start);
    }
}

// An entity record whose struct record names `typeName` and holds no members.
void appendEntityOfType(Bytes* b, const char* entityName, const char* typeName) {
    size_t start = b->size();
    size_t structStart = start + 21 + strlen(entityName);
    size_t end = structStart + 29 + strlen(typeName);
    b->tag("VENT");
    b->u64le(end);
    b->byte(1);
    b->text(entityName);
    b->tag("VSTR");
    b->u64le(end);
    b->byte(0);
    b->u64le(0);
    b->text(typeName);
}

std::vector<u8> barriersAround(const char* entityName, const char* typeName) {
    Bytes b;
    fixtures::fileHeader(&b, 3);
    appendBarrier(&b, "Barrier");
    appendEntityOfType(&b, entityName, typeName);
    appendBarrier(&b, "Shutter");
    return b.bytes;
}

TEST_F(SceneFileTest, AnEntityOfAStructThatIsNoEntityTypeIsReportedAndTheNextIsRead) {
    Scene scene;
    ASSERT_TRUE(load(barriersAround("Scene Record", "::ve::Scene"), &scene));
    EXPECT_EQ(scene.entities.length, 2u);
    const std::vector<std::string> expected = {"Failed to load Entity!", "Scene Record"};
    EXPECT_EQ(files.printed, expected);
}

TEST_F(SceneFileTest, AStructTypeTheTableLacksIsNamedAndItsEntityDropped) {
    Scene scene;
    ASSERT_TRUE(load(barriersAround("Mystery", "::game::NoSuchEntity"), &scene));
    EXPECT_EQ(scene.entities.length, 2u);
    const std::vector<std::string> expected = {"Failed to load struct: No metadata found to typename:",
                                               "::game::NoSuchEntity", "Failed to load Entity!", "Mystery"};
    EXPECT_EQ(files.printed, expected);
}

TEST_F(SceneFileTest, AFirstRecordWithoutItsTagEndsTheLoadWithAnEmptyScene) {
    std::vector<u8> bytes = fixtures::barrierScene();
    memcpy(&bytes[16], "VENX", 4);
    Scene scene;
    ASSERT_TRUE(load(bytes, &scene));
    EXPECT_EQ(scene.entities.length, 0u);
    const std::vector<std::string> expected = {"Failed to load Entity!", "Loading cannot continue!"};
    EXPECT_EQ(files.printed, expected);
}

// =============================================================================================
// Saving
// =============================================================================================

TEST_F(SceneFileTest, ASaveReplacesTheSceneFileAndLeavesNoTemporaryFile) {
    files.files.push_back({"Saved.vsf", fixtures::barrierScene()});
    Scene scene = fixtures::sceneOfEveryEntityType("Saved", &stores.permanent);
    ASSERT_TRUE(ve::saveScene(&scene));
    memfiles::MemoryFile* file = memfiles::findFile(&files, "Saved.vsf");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->bytes, bytesOf(ve::serializeScene(&scene, &stores.tmp)));
    EXPECT_EQ(memfiles::findFile(&files, "Saved.vsf.tmp"), nullptr);
    EXPECT_EQ(files.files.size(), 1u);
    EXPECT_TRUE(files.printed.empty());
    EXPECT_EQ(files.openLists, 0);
}

// Each step of a save fails in turn: the old scene file keeps every byte, the temporary file is
// gone and the failure is reported.
TEST_F(SceneFileTest, AFailedStepOfASaveLeavesThePreviousFileUntouchedAndNoTemporaryFile) {
    struct Case {
        const char* step;
        std::string memfiles::MemoryFileSystem::*failing;
        const char* failingName;
    };
    const Case cases[] = {
        {"temporary write", &memfiles::MemoryFileSystem::failingWrites, "Kept.vsf.tmp"},
        {"flush", &memfiles::MemoryFileSystem::failingFlushes, "Kept.vsf.tmp"},
        {"rename", &memfiles::MemoryFileSystem::failingRenames, "Kept.vsf"},
    };
    const std::vector<u8> previous = fixtures::barrierScene();
    for (const Case& c : cases) {
        files = {};
        memfiles::installMemoryFileSystem(&files);
        files.files.push_back({"Kept.vsf", previous});
        files.*c.failing = c.failingName;
        Scene scene = fixtures::sceneOfEveryEntityType("Kept", &stores.permanent);
        EXPECT_FALSE(ve::saveScene(&scene)) << c.step;
        EXPECT_EQ(memfiles::findFile(&files, "Kept.vsf")->bytes, previous) << c.step;
        EXPECT_EQ(memfiles::findFile(&files, "Kept.vsf.tmp"), nullptr) << c.step;
        ASSERT_FALSE(files.printed.empty()) << c.step;
        EXPECT_EQ(files.printed.back(), "Failed to save Scene!") << c.step;
        EXPECT_EQ(files.openLists, 0) << c.step;
    }
}

TEST_F(SceneFileTest, ASceneWithoutANameIsNotSaved) {
    Scene scene = ve::createScene({}, 4096, &stores.permanent);
    EXPECT_FALSE(ve::saveScene(&scene));
    EXPECT_EQ(memfiles::findFile(&files, ".vsf"), nullptr);
}

TEST_F(SceneFileTest, BodyOptionsStoreOnlyCuboidColliders) {
    Scene scene = ve::createScene(name("Walls"), 1 << 20, &stores.permanent);
    Entity* wall = ve::createEntity(&scene, MetaType::game_WallEntity, name("Walls"));
    ve::BodyOpts* opts = (ve::BodyOpts*)wall->entityData.data;
    ve::Primitive colliders[3] = {};
    colliders[1].type = (ve::Primitive_Type)7;
    colliders[2].cuboid.depth = 5;
    opts->colliders = colliders;
    opts->colliderCount = 3;
    ASSERT_TRUE(ve::saveScene(&scene));
    Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Walls"), &stores.permanent).failure, nullptr);
    ve::BodyOpts* read = (ve::BodyOpts*)entityAt(&loaded, 0)->entityData.data;
    ASSERT_EQ(read->colliderCount, 2u);
    EXPECT_EQ(read->colliders[1].cuboid.depth, 5.0f);

    opts->colliders = nullptr; // a count without an array stores no colliders
    ASSERT_TRUE(ve::saveScene(&scene));
    ASSERT_EQ(ve::loadScene(&loaded, name("Walls"), &stores.permanent).failure, nullptr);
    EXPECT_EQ(((ve::BodyOpts*)entityAt(&loaded, 0)->entityData.data)->colliderCount, 0u);
}

} // namespace
