// Damaged and hostile scene files: every count, length and end the loader meets is checked at the
// record that holds it, so a bad file loads what is sound, reports the rest and never reads or
// writes outside its bytes. Run under AddressSanitizer these tests also prove the absence of
// overruns; every test checks that freeing the loaded scene gives the store back whole.

#include "sceneFileFixtures.h"

#include "Game/BarrierEntity.h"
#include "Core/engine_globals.h"
#include "Game/FloatingTextEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/WallEntity.h"

#include <random>

using fixtures::Bytes;
using ve::Entity;
using ve::Scene;

namespace {

string name(const char* text) { return ve::wrapASCIIZ(text); }
Entity* entityAt(Scene* scene, msi index) { return (Entity*)scene->entities[index]; }

class DamagedSceneFileTest : public testing::Test {
protected:
    void SetUp() override {
        memfiles::installMemoryFileSystem(&files);
        files.files.push_back({"Damaged.vsf", {}});
    }

    // Loads `bytes`, checks what holds for every file whatever its damage, frees the scene and
    // checks that the permanent store is whole again.
    b8 loadDamaged(const std::vector<u8>& bytes, Scene* scene) {
        memfiles::findFile(&files, "Damaged.vsf")->bytes = bytes;
        msi freeBefore = vetest::freeBytes(&stores.permanent);
        b8 loaded = ve::loadScene(scene, name("Damaged"), &stores.permanent);
        EXPECT_EQ(files.openLists, 0);
        for (msi i = 0; i < scene->entities.length; i++) {
            Entity* entity = entityAt(scene, i);
            EXPECT_NE(entity->type, nullptr);
            EXPECT_EQ(entity->entityData.length, entity->type->metaData->sizeInBytes);
            EXPECT_TRUE(ve::ptrInBuffer(scene->sceneDataHeap.buf, entity->entityData.data));
        }
        entityCount = scene->entities.length;
        ve::freeScene(scene);
        EXPECT_EQ(vetest::freeBytes(&stores.permanent), freeBefore) << "the scene heap went back whole";
        ve::resetHeapStore(&stores.tmp); // as every frame does
        return loaded;
    }

    vetest::TestStores stores;
    memfiles::MemoryFileSystem files;
    msi entityCount = 0;
};

std::vector<u8> withU64At(std::vector<u8> bytes, size_t offset, u64 value) {
    memcpy(&bytes[offset], &value, 8);
    return bytes;
}

// =============================================================================================
// Counts, lengths and ends
// =============================================================================================

TEST_F(DamagedSceneFileTest, AnEntityCountTheFileCannotHoldIsRejectedBeforeAnyAllocation) {
    const std::vector<u8> barrier = fixtures::barrierScene(); // 464 bytes: room for at most 8 records
    for (u64 count : {9ull, 1000ull, 1ull << 40, 1ull << 63, ~0ull}) {
        Scene scene;
        EXPECT_FALSE(loadDamaged(withU64At(barrier, 8, count), &scene)) << count;
        EXPECT_EQ(files.printed.back(), "Failed to load Scene: File corrupted (Wrong Entity Count)!");
    }
    Scene scene;
    EXPECT_TRUE(loadDamaged(withU64At(barrier, 8, 8), &scene)) << "a count the file could hold";
    EXPECT_EQ(entityCount, 1u);
    EXPECT_EQ(files.printed.back(), "Loading cannot continue!");
    EXPECT_TRUE(loadDamaged(withU64At(barrier, 8, 0), &scene));
    EXPECT_EQ(entityCount, 0u);
}

TEST_F(DamagedSceneFileTest, AHeaderCutShortIsAWrongMagicOrAWrongCount) {
    const std::vector<u8> barrier = fixtures::barrierScene();
    for (size_t length = 0; length < 16; length++) {
        Scene scene;
        EXPECT_FALSE(loadDamaged(std::vector<u8>(barrier.begin(), barrier.begin() + length), &scene)) << length;
        EXPECT_EQ(files.printed.back(), length < 4 ? "Failed to load Scene: File corrupted (Wrong Magic Number)!"
                                                       : "Failed to load Scene: File corrupted (Wrong Entity Count)!");
    }
}

// Every 8-byte count, length and end of the barrier fixture set to values that point nowhere:
// nothing is read outside the file, and the entity loads only when the damaged field did not
// matter to it.
TEST_F(DamagedSceneFileTest, WildCountsLengthsAndEndsNeverLeaveTheirRecord) {
    const std::vector<u8> barrier = fixtures::barrierScene();
    for (const fixtures::FieldAt& field : fixtures::barrierSceneU64Fields()) {
        u64 original;
        memcpy(&original, &barrier[field.offset], 8);
        const u64 values[] = {0, 1, 2, 1ull << 63, ~0ull, original - 1, original + 1, field.offset};
        for (u64 value : values) {
            Scene scene;
            b8 loaded = loadDamaged(withU64At(barrier, field.offset, value), &scene);
            EXPECT_EQ(loaded, field.offset != 8 || value <= 8) << field.what << " = " << value;
            EXPECT_LE(entityCount, 1u) << field.what << " = " << value;
        }
    }
}

TEST_F(DamagedSceneFileTest, EndsThatPointBackwardsOrOutsideTheirParentStopOrSkipTheRecord) {
    const std::vector<u8> barrier = fixtures::barrierScene();
    struct Case {
        size_t offset;
        u64 value;
        msi entities;
        const char* lastLine;
    };
    const Case cases[] = {
        {20, 16, 0, "Loading cannot continue!"},  // entity end before its own header
        {20, 0, 0, "Loading cannot continue!"},   // entity end 0
        {20, 465, 0, "Loading cannot continue!"}, // entity end past the file
        {48, 44, 0, "Barrier"},                   // struct end before its header: skipped entity
        {48, 465, 0, "Barrier"},                  // struct end past the entity
        {252, 200, 0, "Barrier"},                 // member end backwards spoils the struct
        {314, 419, 1, nullptr},                   // nested end past its member: the member stays zero
    };
    for (const Case& c : cases) {
        Scene scene;
        files.printed.clear();
        EXPECT_TRUE(loadDamaged(withU64At(barrier, c.offset, c.value), &scene));
        EXPECT_EQ(entityCount, c.entities) << c.offset << " = " << c.value;
        if (c.lastLine) {
            ASSERT_FALSE(files.printed.empty());
            EXPECT_EQ(files.printed.back(), c.lastLine) << c.offset << " = " << c.value;
        } else {
            EXPECT_TRUE(files.printed.empty());
        }
    }
}

// An end before its record's start once sent the reader back over members it had read; with a
// huge member count that never ended.
TEST_F(DamagedSceneFileTest, AnEndPointingBackIntoItsStructCannotMakeTheReaderLoop) {
    std::vector<u8> bytes = withU64At(fixtures::barrierScene(), 57, ~0ull); // member count
    bytes = withU64At(bytes, 422, 94); // the power member "ends" where bodyOpts starts
    Scene scene;
    files.printed.clear();
    EXPECT_TRUE(loadDamaged(bytes, &scene));
    EXPECT_EQ(entityCount, 0u);
    const std::vector<std::string> expected = {"Failed to load Entity!", "Barrier"};
    EXPECT_EQ(files.printed, expected);
}

TEST_F(DamagedSceneFileTest, AMemberWhoseLengthsOverrunItIsSkippedAlone) {
    // The cableEntity member's name length reaches past its end: that member stays zero, the
    // others are read.
    std::vector<u8> bytes = withU64At(fixtures::barrierScene(), 291, 1000);
    memfiles::findFile(&files, "Damaged.vsf")->bytes = bytes;
    Scene scene;
    ASSERT_TRUE(ve::loadScene(&scene, name("Damaged"), &stores.permanent));
    ASSERT_EQ(scene.entities.length, 1u);
    auto* barrier = (game::BarrierEntity*)entityAt(&scene, 0)->entityData.data;
    EXPECT_TRUE(barrier->cableEntity.id == ve::Hash{});
    EXPECT_EQ(barrier->power, 1);
    EXPECT_EQ(barrier->bodyOpts.gravity, 9.81f);
}

// =============================================================================================
// Nested records, enums and colliders
// =============================================================================================

// A barrier whose cableEntity member carries the nested record `nested` (instead of an EntityRef).
std::vector<u8> barrierWithNestedRecord(const std::vector<u8>& nested) {
    Bytes b;
    fixtures::fileHeader(&b, 1);
    // The members before cableEntity are the fixture's, so cableEntity still starts at 248.
    size_t structEnd = 248 + 36 + 15 + 11 + nested.size() + 46;
    b.tag("VENT");
    b.u64le(structEnd);
    b.byte(1);
    b.text("Barrier");
    b.tag("VSTR");
    b.u64le(structEnd);
    b.byte(0);
    b.u64le(3);
    b.text("::game::BarrierEntity");
    std::vector<u8> original = fixtures::barrierScene();
    b.raw(original.data() + 94, 248 - 94); // the bodyOpts member, unchanged
    size_t start = b.size();
    size_t memberEnd = start + 36 + 15 + 11 + nested.size();
    b.tag("VSTM");
    b.u64le(memberEnd);
    b.u64le(0);
    b.text("::ve::EntityRef");
    b.text("cableEntity");
    b.raw(nested.data(), nested.size());
    b.tag("VSTM");
    b.u64le(b.size() - 4 + 46);
    b.u64le(0);
    b.text("::b8");
    b.text("power");
    b.byte(1);
    return b.bytes;
}

// A struct record at absolute offset `start` of type `typeName` holding one member record.
std::vector<u8> nestedRecord(size_t start, const char* typeName, u8 isEnum, const char* memberType,
                             const char* memberName, const std::vector<u8>& value) {
    size_t memberStart = start + 29 + strlen(typeName);
    size_t end = memberStart + 36 + strlen(memberType) + strlen(memberName) + value.size();
    Bytes b;
    b.tag("VSTR");
    b.u64le(end);
    b.byte(isEnum);
    b.u64le(1);
    b.text(typeName);
    b.tag("VSTM");
    b.u64le(end);
    b.u64le(0);
    b.text(memberType);
    b.text(memberName);
    b.raw(value.data(), value.size());
    return b.bytes;
}

TEST_F(DamagedSceneFileTest, ANestedRecordOfAnotherTypeLeavesTheMemberZero) {
    const size_t nestedStart = 248 + 36 + 15 + 11;
    std::vector<u8> big(64, 0xAB);
    // A camera is far larger than an EntityRef: copied into the member it would overrun it.
    std::vector<u8> camera = nestedRecord(nestedStart, "::ve::Camera", 0, "::ve::mat4", "view", big);
    std::vector<u8> sameTypeWrongFlag = nestedRecord(nestedStart, "::ve::EntityRef", 1, "::ve::Hash", "id",
                                                     std::vector<u8>(16, 0xCD));
    std::vector<u8> sound = nestedRecord(nestedStart, "::ve::EntityRef", 0, "::ve::Hash", "id", std::vector<u8>(16, 0xCD));
    for (const std::vector<u8>* nested : {&camera, &sameTypeWrongFlag, &sound}) {
        memfiles::findFile(&files, "Damaged.vsf")->bytes = barrierWithNestedRecord(*nested);
        Scene scene;
        ASSERT_TRUE(ve::loadScene(&scene, name("Damaged"), &stores.permanent));
        ASSERT_EQ(scene.entities.length, 1u);
        auto* barrier = (game::BarrierEntity*)entityAt(&scene, 0)->entityData.data;
        u64 expectedLo = nested == &sound ? 0xCDCDCDCDCDCDCDCDull : 0;
        EXPECT_EQ(barrier->cableEntity.id.lo, expectedLo);
        EXPECT_EQ(barrier->power, 1) << "the members after it are read";
        ve::freeScene(&scene);
    }
}

// A logic gate whose type member stores `value`.
std::vector<u8> gateWithType(u64 value) {
    Bytes b;
    fixtures::fileHeader(&b, 1);
    const char* entityName = "Gate";
    size_t structStart = 16 + 21 + strlen(entityName);
    size_t memberStart = structStart + 29 + strlen("::game::LogicGateEntity");
    size_t enumStart = memberStart + 36 + strlen("::game::LogicGateType") + strlen("type");
    size_t end = enumStart + 29 + strlen("::game::LogicGateType") + 8;
    b.tag("VENT");
    b.u64le(end);
    b.byte(1);
    b.text(entityName);
    b.tag("VSTR");
    b.u64le(end);
    b.byte(0);
    b.u64le(1);
    b.text("::game::LogicGateEntity");
    b.tag("VSTM");
    b.u64le(end);
    b.u64le(0);
    b.text("::game::LogicGateType");
    b.text("type");
    b.tag("VSTR");
    b.u64le(end);
    b.byte(1);
    b.u64le(3);
    b.text("::game::LogicGateType");
    b.u64le(value);
    b.at(end);
    return b.bytes;
}

TEST_F(DamagedSceneFileTest, AnEnumValueThatNamesNoEnumeratorStaysZero) {
    for (auto [stored, expected] : std::vector<std::pair<u64, u32>>{{2, 2}, {1, 1}, {3, 0}, {0x100000001ull, 0}, {~0ull, 0}}) {
        memfiles::findFile(&files, "Damaged.vsf")->bytes = gateWithType(stored);
        Scene scene;
        ASSERT_TRUE(ve::loadScene(&scene, name("Damaged"), &stores.permanent));
        ASSERT_EQ(scene.entities.length, 1u) << stored;
        u32 type;
        memcpy(&type, &((game::LogicGateEntity*)entityAt(&scene, 0)->entityData.data)->type, 4);
        EXPECT_EQ(type, expected) << stored;
        ve::freeScene(&scene);
    }
}

// A wall whose body options store `count` and then `colliders` colliders of type `type`.
std::vector<u8> wallWithColliders(u32 count, u32 colliders, u32 type) {
    Bytes value;
    for (int i = 0; i < 12; i++) value.f32le(1.0f + i);
    value.u32le(count);
    for (int i = 0; i < 10; i++) value.f32le(0.5f); // velocities, gravity, mask, frictions
    value.u32le(32);
    for (u32 c = 0; c < colliders; c++) {
        value.u32le(type);
        for (int e = 0; e < 16; e++) value.f32le(e % 5 == 0 ? 1.0f : 0.0f);
        for (f32 size : {2.0f, 3.0f, 4.0f}) value.f32le(size);
    }
    EXPECT_EQ(value.size(), 96u + 80u * colliders);
    Bytes b;
    fixtures::fileHeader(&b, 1);
    size_t end = 16 + 21 + 5 + 29 + strlen("::game::WallEntity") + 36 + strlen("::ve::BodyOpts") + 8 + value.size();
    b.tag("VENT");
    b.u64le(end);
    b.byte(1);
    b.text("Walls");
    b.tag("VSTR");
    b.u64le(end);
    b.byte(0);
    b.u64le(1);
    b.text("::game::WallEntity");
    b.tag("VSTM");
    b.u64le(end);
    b.u64le(0);
    b.text("::ve::BodyOpts");
    b.text("bodyOpts");
    b.raw(value.bytes.data(), value.size());
    b.at(end);
    return b.bytes;
}

TEST_F(DamagedSceneFileTest, CollidersMustMatchTheirCountAndBeCuboids) {
    struct Case {
        u32 count, colliders, type;
        b8 read;
    };
    const Case cases[] = {
        {2, 2, 0, true},  {0, 0, 0, true},  {3, 2, 0, false},          {1, 2, 0, false},
        {~0u, 2, 0, false}, {2, 2, 1, false}, {0x80000000u, 0, 0, false},
    };
    for (const Case& c : cases) {
        memfiles::findFile(&files, "Damaged.vsf")->bytes = wallWithColliders(c.count, c.colliders, c.type);
        Scene scene;
        ASSERT_TRUE(ve::loadScene(&scene, name("Damaged"), &stores.permanent));
        ASSERT_EQ(scene.entities.length, 1u);
        ve::BodyOpts* opts = &((game::WallEntity*)entityAt(&scene, 0)->entityData.data)->bodyOpts;
        EXPECT_EQ(opts->colliderCount, c.read ? c.count : 0u) << c.count << " " << c.colliders << " " << c.type;
        EXPECT_EQ(opts->colliders == nullptr, !c.read || c.count == 0);
        EXPECT_EQ(opts->position.x, c.read ? 1.0f : 0.0f) << "a body options value is taken whole or not at all";
        if (c.read && c.count) {
            EXPECT_EQ(opts->colliders[1].cuboid.depth, 4.0f);
        }
        ve::freeScene(&scene);
    }
}

// =============================================================================================
// Memory
// =============================================================================================

TEST_F(DamagedSceneFileTest, AHeapTheStoreCannotGiveIsNoData) {
    vetest::TestStores small(1 << 20, 512 << 10); // the heap alone needs 1 MiB
    memfiles::findFile(&files, "Damaged.vsf")->bytes = fixtures::barrierScene();
    Scene scene;
    EXPECT_FALSE(ve::loadScene(&scene, name("Damaged"), &small.permanent));
    EXPECT_EQ(files.printed.back(), "Failed to load Scene: Not enough memory!");
    EXPECT_TRUE(scene.id == ve::Hash{});
}

TEST_F(DamagedSceneFileTest, AFileLargerThanTheTemporaryStoreIsReportedUnreadable) {
    vetest::TestStores small(4096, 8 << 20);
    std::vector<u8> bytes = fixtures::barrierScene();
    bytes.resize(100000);
    memfiles::findFile(&files, "Damaged.vsf")->bytes = bytes;
    Scene scene;
    EXPECT_FALSE(ve::loadScene(&scene, name("Damaged"), &small.permanent));
    EXPECT_EQ(files.printed.back(), "Failed to load Scene: File could not be read!");
}

TEST_F(DamagedSceneFileTest, AStringTheSceneHeapCannotHoldComesBackEmpty) {
    Scene scene = ve::createScene(name("Long"), 8 << 20, &stores.permanent);
    Entity* text = ve::createEntity(&scene, ve::MetaType::game_FloatingTextEntity, name("Text"));
    std::string longText(2 << 20, 'x'); // more than the loaded heap's (1 + 512) * 2048 bytes
    auto* data = (game::FloatingTextEntity*)text->entityData.data;
    data->text = {longText.size(), (u8*)longText.data()};
    data->size = 3;
    ASSERT_TRUE(ve::saveScene(&scene));
    Scene loaded;
    ASSERT_TRUE(ve::loadScene(&loaded, name("Long"), &stores.permanent));
    ASSERT_EQ(loaded.entities.length, 1u);
    auto* read = (game::FloatingTextEntity*)entityAt(&loaded, 0)->entityData.data;
    EXPECT_EQ(read->text.length, 0u);
    EXPECT_EQ(read->text.data, nullptr);
    EXPECT_EQ(read->size, 3.0f);
}

// Names in the file serve only for matching: they stay in the file image in the temporary store,
// so a file full of long unknown member names costs the scene heap nothing.
TEST_F(DamagedSceneFileTest, NamesReadForMatchingTakeNoSceneHeap) {
    std::vector<u8> plain = fixtures::barrierScene();
    Bytes padded;
    padded.raw(plain.data(), 418); // up to the power member
    std::string longName(100000, 'n');
    size_t ghostEnd = 418 + 36 + 5 + longName.size() + 4;
    padded.tag("VSTM");
    padded.u64le(ghostEnd);
    padded.u64le(0);
    padded.text("::f32");
    padded.text(longName.c_str());
    padded.f32le(1);
    padded.raw(plain.data() + 418, 46);
    padded.patchU64(422 + (ghostEnd - 418), ghostEnd + 46); // the power member's end
    padded.patchU64(20, padded.size());
    padded.patchU64(48, padded.size());
    padded.patchU64(57, 4);

    msi heapUse[2];
    const std::vector<u8>* images[2] = {&plain, &padded.bytes};
    for (int i = 0; i < 2; i++) {
        memfiles::findFile(&files, "Damaged.vsf")->bytes = *images[i];
        Scene scene;
        ASSERT_TRUE(ve::loadScene(&scene, name("Damaged"), &stores.permanent));
        ASSERT_EQ(scene.entities.length, 1u);
        EXPECT_EQ(((game::BarrierEntity*)entityAt(&scene, 0)->entityData.data)->power, 1);
        heapUse[i] = scene.sceneDataHeap.buf.length - vetest::freeBytes(&scene.sceneDataHeap);
        ve::freeScene(&scene);
    }
    EXPECT_EQ(heapUse[0], heapUse[1]);
}

// =============================================================================================
// Truncation and corruption
// =============================================================================================

// The offsets just past each entity record of a file our writer made.
std::vector<size_t> entityEnds(const std::vector<u8>& bytes) {
    std::vector<size_t> ends;
    for (size_t at = 16; at < bytes.size();) {
        u64 end;
        memcpy(&end, &bytes[at + 4], 8);
        ends.push_back(end);
        at = end;
    }
    return ends;
}

TEST_F(DamagedSceneFileTest, ATruncatedSceneKeepsTheEntitiesReadSoFar) {
    Scene scene = fixtures::sceneOfEveryEntityType("Whole", &stores.permanent);
    ASSERT_TRUE(ve::saveScene(&scene));
    std::vector<u8> whole = memfiles::findFile(&files, "Whole.vsf")->bytes;
    std::vector<size_t> ends = entityEnds(whole);
    ASSERT_EQ(ends.size(), ve::entityTypeCount);
    for (size_t length = 0; length < whole.size(); length++) {
        Scene loaded;
        b8 ok = loadDamaged(std::vector<u8>(whole.begin(), whole.begin() + length), &loaded);
        // A cut so short that the stored count could not fit in it is a corrupted count.
        b8 countFits = length >= 16 && ends.size() <= (length - 16) / ve::minimumEntityRecordSize;
        ASSERT_EQ(ok, countFits) << length;
        msi complete = 0;
        while (complete < ends.size() && ends[complete] <= length) complete++;
        ASSERT_EQ(entityCount, countFits ? complete : 0) << "cut at " << length;
    }
}

TEST_F(DamagedSceneFileTest, FlippingAnyByteNeverBreaksTheLoader) {
    Scene scene = fixtures::sceneOfEveryEntityType("Whole", &stores.permanent);
    ASSERT_TRUE(ve::saveScene(&scene));
    const std::vector<u8> whole = memfiles::findFile(&files, "Whole.vsf")->bytes;
    for (size_t at = 0; at < whole.size(); at++) {
        for (u8 mask : {(u8)0xFF, (u8)0x01, (u8)0x80}) {
            std::vector<u8> bytes = whole;
            bytes[at] ^= mask;
            Scene loaded;
            loadDamaged(bytes, &loaded);
            ASSERT_LE(entityCount, ve::entityTypeCount) << at;
        }
    }
}

TEST_F(DamagedSceneFileTest, RandomCorruptionNeverBreaksTheLoader) {
    Scene scene = fixtures::sceneOfEveryEntityType("Whole", &stores.permanent);
    ASSERT_TRUE(ve::saveScene(&scene));
    const std::vector<u8> whole = memfiles::findFile(&files, "Whole.vsf")->bytes;
    std::mt19937_64 random(20240611);
    for (int round = 0; round < 3000; round++) {
        std::vector<u8> bytes = whole;
        int changes = 1 + (int)(random() % 8);
        for (int c = 0; c < changes; c++) {
            size_t at = 16 + random() % (bytes.size() - 16);
            if (random() % 2 && at + 8 <= bytes.size()) {
                const u64 wild[] = {0, 1, 1ull << 63, ~0ull, random() % bytes.size(), random()};
                u64 value = wild[random() % 6];
                memcpy(&bytes[at], &value, 8);
            } else {
                bytes[at] = (u8)random();
            }
        }
        if (random() % 4 == 0) bytes.resize(16 + random() % (bytes.size() - 16));
        Scene loaded;
        loadDamaged(bytes, &loaded);
        ASSERT_LE(entityCount, ve::entityTypeCount) << "round " << round;
    }
}

// =============================================================================================
// Reading a whole file
// =============================================================================================

TEST_F(DamagedSceneFileTest, AWholeFileIsReadWhateverItsLength) {
    for (size_t length : {0, 1, 2, 4095, 4096, 4097, 8191, 65536, 100003}) {
        std::vector<u8> bytes(length);
        for (size_t i = 0; i < length; i++) bytes[i] = (u8)(i * 31 + 7);
        memfiles::findFile(&files, "Damaged.vsf")->bytes = bytes;
        ve::PlatformFileList list = ve::platform->openFileList(name("vsf"));
        ASSERT_EQ(list.count, 1u);
        buffer image;
        ASSERT_TRUE(ve::readWholeFile(list, 0, &stores.tmp, &image)) << length;
        ve::platform->closeFileList(list);
        ASSERT_EQ(image.length, length);
        EXPECT_TRUE(length == 0 || memcmp(image.data, bytes.data(), length) == 0) << length;
    }
}

} // namespace
