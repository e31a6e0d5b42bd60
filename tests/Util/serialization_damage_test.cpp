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

#include <chrono>
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
        b8 loaded = !readDamaged(scene).failure;
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

    // The reader of the file's bytes, which keeps the sound records of a damaged file: the whole
    // scene load refuses such a file after it (see the tests of `loadScene`).
    ve::SceneLoadReport readDamaged(Scene* scene) {
        std::vector<u8>& bytes = memfiles::findFile(&files, "Damaged.vsf")->bytes;
        return ve::readSceneImage(scene, name("Damaged"), {bytes.size(), bytes.data()}, &stores.permanent);
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
        {314, 419, 1, "Entity \"Barrier\": damaged member \"cableEntity\" left zero"}, // nested end past its member
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
    ASSERT_EQ(readDamaged(&scene).failure, nullptr);
    ASSERT_EQ(scene.entities.length, 1u);
    auto* barrier = (game::BarrierEntity*)entityAt(&scene, 0)->entityData.data;
    EXPECT_TRUE(barrier->cableEntity.id == ve::Hash{});
    EXPECT_EQ(barrier->power, 1);
    EXPECT_EQ(barrier->bodyOpts.gravity, 9.81f);
}

// A member header that no writer wrote (a length past its record, a name that is not a name, a
// pointer record with a value) used to leave its member zero without a word; a name that is
// merely another one is a member renamed since the file was written, and stays quiet.
TEST_F(DamagedSceneFileTest, ABrokenMemberHeaderIsReportedAndARenamedMemberIsNot) {
    struct Case {
        size_t offset, width;
        u64 value;
        std::string line; // after "Entity "Barrier": damaged member "
        msi entities;
    };
    const Case cases[] = {
        {276, 1, 0xBA, "\"cableEntity\" left zero", 1},             // a type name byte
        {122, 1, '6', "\"bodyOpts\" leaves its entity out", 0},     // ":6ve::BodyOpts"
        {430, 8, 1, "\"power\" left zero", 1},                     // a pointer depth on a value
        {268, 8, 1000, "\"?\" left zero", 1},                      // a length past the record
        {458, 1, 'P', "", 1},                                     // "Power": a renamed member
    };
    for (const Case& c : cases) {
        std::vector<u8> bytes = fixtures::barrierScene();
        memcpy(&bytes[c.offset], &c.value, c.width);
        files.printed.clear();
        Scene scene;
        ASSERT_TRUE(loadDamaged(bytes, &scene)) << c.offset;
        EXPECT_EQ(entityCount, c.entities) << c.offset;
        std::string expected = c.line.empty() ? "" : "Entity \"Barrier\": damaged member " + c.line;
        EXPECT_EQ(files.printed.empty() ? "" : files.printed[0], expected) << c.offset;
    }
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
        files.printed.clear();
        memfiles::findFile(&files, "Damaged.vsf")->bytes = barrierWithNestedRecord(*nested);
        Scene scene;
        ASSERT_EQ(readDamaged(&scene).failure, nullptr);
        ASSERT_EQ(scene.entities.length, 1u);
        auto* barrier = (game::BarrierEntity*)entityAt(&scene, 0)->entityData.data;
        u64 expectedLo = nested == &sound ? 0xCDCDCDCDCDCDCDCDull : 0;
        EXPECT_EQ(barrier->cableEntity.id.lo, expectedLo);
        EXPECT_EQ(barrier->power, 1) << "the members after it are read";
        const std::string lost = "Entity \"Barrier\": damaged member \"cableEntity\" left zero";
        if (nested == &sound) {
            EXPECT_TRUE(files.printed.empty());
        } else {
            ASSERT_FALSE(files.printed.empty());
            EXPECT_EQ(files.printed.back(), lost);
        }
        ve::freeScene(&scene);
        // The game takes a level only whole: a member left zero makes it no level.
        msi freeBefore = vetest::freeBytes(&stores.permanent);
        ve::SceneLoadReport report = ve::loadScene(&scene, name("Damaged"), &stores.permanent);
        EXPECT_EQ(report.failure == nullptr, nested == &sound);
        if (report.failure) {
            EXPECT_STREQ(report.failure, "File damaged!");
            EXPECT_EQ(scene.id, ve::Hash{});
            EXPECT_EQ(vetest::freeBytes(&stores.permanent), freeBefore) << "the refused scene went back whole";
        }
        ve::freeScene(&scene);
    }
}

// Appends the head of an entity record and of its struct record, both ending at `end`.
void appendEntityHead(Bytes* b, size_t end, const std::string& entityName, u64 memberCount, const char* typeName) {
    b->tag("VENT");
    b->u64le(end);
    b->byte(1);
    b->text(entityName.c_str());
    b->tag("VSTR");
    b->u64le(end);
    b->byte(0);
    b->u64le(memberCount);
    b->text(typeName);
}

// Appends a logic gate entity named `entityName` whose type member stores `value`.
void appendGate(Bytes* b, u64 value, const std::string& entityName = "Gate") {
    size_t structStart = b->size() + 21 + entityName.size();
    size_t memberStart = structStart + 29 + strlen("::game::LogicGateEntity");
    size_t enumStart = memberStart + 36 + strlen("::game::LogicGateType") + strlen("type");
    size_t end = enumStart + 29 + strlen("::game::LogicGateType") + 8;
    appendEntityHead(b, end, entityName, 1, "::game::LogicGateEntity");
    b->tag("VSTM");
    b->u64le(end);
    b->u64le(0);
    b->text("::game::LogicGateType");
    b->text("type");
    b->tag("VSTR");
    b->u64le(end);
    b->byte(1);
    b->u64le(3);
    b->text("::game::LogicGateType");
    b->u64le(value);
    b->at(end);
}

std::vector<u8> gateWithType(u64 value) {
    Bytes b;
    fixtures::fileHeader(&b, 1);
    appendGate(&b, value);
    return b.bytes;
}

// A type name damaged to nothing is no type: the entity or the member is reported, and the loader
// raises no assertion over input it handles.
TEST_F(DamagedSceneFileTest, AnEmptyTypeNameIsReportedWithoutAnAssertion) {
    const size_t nestedStart = 248 + 36 + 15 + 11;
    std::vector<u8> emptyNested = nestedRecord(nestedStart, "", 0, "::ve::Hash", "id", std::vector<u8>(16, 0xCD));
    Bytes emptyEntity;
    fixtures::fileHeader(&emptyEntity, 1);
    appendEntityHead(&emptyEntity, emptyEntity.size() + 21 + 4 + 29, "Gate", 0, "");
    for (const std::vector<u8>& bytes : {barrierWithNestedRecord(emptyNested), emptyEntity.bytes}) {
        files.printed.clear();
        Scene scene;
        testing::internal::CaptureStderr();
        loadDamaged(bytes, &scene);
        std::string assertions = testing::internal::GetCapturedStderr();
        EXPECT_EQ(assertions, "");
        ASSERT_FALSE(files.printed.empty());
        EXPECT_EQ(files.printed[0], "Failed to load struct: No metadata found to typename:");
    }
}

TEST_F(DamagedSceneFileTest, AnEnumValueThatNamesNoEnumeratorStaysZero) {
    for (auto [stored, expected] : std::vector<std::pair<u64, u32>>{{2, 2}, {1, 1}, {3, 0}, {0x100000001ull, 0}, {~0ull, 0}}) {
        files.printed.clear();
        memfiles::findFile(&files, "Damaged.vsf")->bytes = gateWithType(stored);
        Scene scene;
        ASSERT_EQ(readDamaged(&scene).failure, nullptr);
        ASSERT_EQ(scene.entities.length, 1u) << stored;
        u32 type;
        memcpy(&type, &((game::LogicGateEntity*)entityAt(&scene, 0)->entityData.data)->type, 4);
        EXPECT_EQ(type, expected) << stored;
        std::vector<std::string> reported;
        if (stored != expected) reported = {"Entity \"Gate\": damaged member \"type\" left zero"};
        EXPECT_EQ(files.printed, reported) << stored;
        ve::freeScene(&scene);
    }
}

// Appends a wall entity record whose body options store `count` and then `colliders` colliders of
// type `type`; with `brokenMember` a member record with a wrong tag follows the body options.
void appendWall(Bytes* b, u32 count, u32 colliders, u32 type, bool brokenMember = false,
                const std::string& entityName = "Walls") {
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
    size_t start = b->size();
    size_t optsEnd = start + 21 + entityName.size() + 29 + strlen("::game::WallEntity") + 36 + strlen("::ve::BodyOpts") + 8 + value.size();
    size_t end = brokenMember ? optsEnd + 12 : optsEnd;
    appendEntityHead(b, end, entityName, brokenMember ? 2 : 1, "::game::WallEntity");
    b->tag("VSTM");
    b->u64le(optsEnd);
    b->u64le(0);
    b->text("::ve::BodyOpts");
    b->text("bodyOpts");
    b->raw(value.bytes.data(), value.size());
    if (brokenMember) {
        b->tag("VSTX");
        b->u64le(end);
    }
    b->at(end);
}

std::vector<u8> wallWithColliders(u32 count, u32 colliders, u32 type) {
    Bytes b;
    fixtures::fileHeader(&b, 1);
    appendWall(&b, count, colliders, type);
    return b.bytes;
}

// Body options that cannot be read whole would build an invalid body: the member is reported and
// its entity left out.
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
        files.printed.clear();
        Scene scene;
        ASSERT_TRUE(loadDamaged(wallWithColliders(c.count, c.colliders, c.type), &scene));
        EXPECT_EQ(entityCount, c.read ? 1u : 0u) << c.count << " " << c.colliders << " " << c.type;
        std::vector<std::string> reported;
        if (!c.read)
            reported = {"Entity \"Walls\": damaged member \"bodyOpts\" leaves its entity out", "Failed to load Entity!",
                        "Walls"};
        EXPECT_EQ(files.printed, reported) << c.count << " " << c.colliders << " " << c.type;
    }
    memfiles::findFile(&files, "Damaged.vsf")->bytes = wallWithColliders(2, 2, 0);
    Scene scene;
    ASSERT_EQ(readDamaged(&scene).failure, nullptr);
    ve::BodyOpts* opts = &((game::WallEntity*)entityAt(&scene, 0)->entityData.data)->bodyOpts;
    EXPECT_EQ(opts->position.x, 1.0f);
    EXPECT_EQ(opts->colliders[1].cuboid.depth, 4.0f);
}

// Each loss is one line, at most eight per file, then one line counts the rest.
TEST_F(DamagedSceneFileTest, DamagedMembersAreReportedOneLineEachUpToABound) {
    Bytes b;
    fixtures::fileHeader(&b, 20);
    for (int i = 0; i < 20; i++) appendGate(&b, 7, "Gate " + std::to_string(i));
    Scene scene;
    ASSERT_TRUE(loadDamaged(b.bytes, &scene));
    EXPECT_EQ(entityCount, 20u);
    ASSERT_EQ(files.printed.size(), 9u);
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(files.printed[i], "Entity \"Gate " + std::to_string(i) + "\": damaged member \"type\" left zero");
    EXPECT_EQ(files.printed[8], "Scene \"Damaged\": 12 more damaged members");
}

// Two entities of one name share an id, and look-ups only ever find the first.
TEST_F(DamagedSceneFileTest, ASecondEntityOfANameIsReportedLeftOutAndTheFileIsNoWholeLevel) {
    Bytes b;
    fixtures::fileHeader(&b, 3);
    appendGate(&b, 1, "Gate");
    appendGate(&b, 2, "Gate");
    appendGate(&b, 2, "Other");
    Scene scene;
    ASSERT_TRUE(loadDamaged(b.bytes, &scene));
    EXPECT_EQ(entityCount, 2u);
    EXPECT_EQ(files.printed, std::vector<std::string>{"Entity \"Gate\": a second entity of this name left out"});
    msi freeBefore = vetest::freeBytes(&stores.permanent);
    ve::SceneLoadReport report = ve::loadScene(&scene, name("Damaged"), &stores.permanent);
    EXPECT_STREQ(report.failure, "File damaged!");
    EXPECT_EQ(vetest::freeBytes(&stores.permanent), freeBefore) << "the refused scene went back whole";
}

TEST_F(DamagedSceneFileTest, RecordsPastTheEntityCountAreReportedAndNotRead) {
    Bytes b;
    fixtures::fileHeader(&b, 1);
    appendWall(&b, 0, 0, 0);
    appendWall(&b, 0, 0, 0);
    Scene scene;
    ASSERT_TRUE(loadDamaged(b.bytes, &scene));
    EXPECT_EQ(entityCount, 1u);
    const std::vector<std::string> reported = {"Scene \"Damaged\": 227 bytes after its 1 entities ignored"};
    EXPECT_EQ(files.printed, reported);
    ve::SceneLoadReport whole = ve::loadScene(&scene, name("Damaged"), &stores.permanent);
    EXPECT_STREQ(whole.failure, "File damaged!");
    EXPECT_EQ(scene.entities.length, 0u);
}

// A 1.1 MB name is printed as its first 64 bytes, in an entity's message and in a member's.
TEST_F(DamagedSceneFileTest, AHugeNameIsCutToSixtyFourBytesInEveryMessage) {
    std::string hugeName(1100000, 'n');
    hugeName.replace(0, 8, "Gate 12 ");
    Bytes b;
    fixtures::fileHeader(&b, 2);
    appendGate(&b, ~0ull, hugeName); // a damaged member
    size_t start = b.size();
    b.tag("VENT"); // a damaged entity: its struct record is three stray bytes
    b.u64le(start + 21 + hugeName.size() + 3);
    b.byte(1);
    b.text(hugeName.c_str());
    b.raw("bad", 3);
    Scene scene;
    ASSERT_TRUE(loadDamaged(b.bytes, &scene));
    EXPECT_EQ(entityCount, 1u);
    const std::vector<std::string> reported = {
        "Entity \"" + hugeName.substr(0, 64) + "\": damaged member \"type\" left zero",
        "Failed to load Entity!",
        hugeName.substr(0, 64),
    };
    EXPECT_EQ(files.printed, reported);
}

// Entities whose body options are followed by a broken member record are refused one after
// another. Each used to free its name and data around the colliders it left behind; with names
// of growing length the holes could not be reused, and every later allocation walked them all:
// 20,000 such entities took seconds, 40,000 half a minute. Now the heap keeps one free block.
TEST_F(DamagedSceneFileTest, ManyDamagedEntitiesLeaveNoHolesAndLoadInLinearTime) {
    constexpr u32 count = 20000;
    Bytes b;
    fixtures::fileHeader(&b, count + 1);
    for (u32 i = 0; i < count; i++) appendWall(&b, 1, 1, 0, true, "Wall " + std::to_string(i));
    appendWall(&b, 1, 1, 0);
    memfiles::findFile(&files, "Damaged.vsf")->bytes = b.bytes;
    auto started = std::chrono::steady_clock::now();
    Scene scene;
    ASSERT_EQ(readDamaged(&scene).failure, nullptr);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(scene.entities.length, 1u);
    EXPECT_EQ(vetest::freeBlockCount(&scene.sceneDataHeap), 1u) << "a refused entity left a hole";
    // The entity array, the scene's name and the one wall: nothing of the refused ones is left.
    msi used = scene.sceneDataHeap.buf.length - vetest::freeBytes(&scene.sceneDataHeap);
    EXPECT_LT(used, (count + 1) * sizeof(Entity) + 1024);
    EXPECT_LT(seconds, 2.0) << count << " damaged entities";
    ve::freeScene(&scene);
}

// =============================================================================================
// Memory
// =============================================================================================

TEST_F(DamagedSceneFileTest, AHeapTheStoreCannotGiveIsNoData) {
    vetest::TestStores small(1 << 20, 512 << 10); // the heap alone needs 1 MiB
    memfiles::findFile(&files, "Damaged.vsf")->bytes = fixtures::barrierScene();
    Scene scene;
    EXPECT_NE(ve::loadScene(&scene, name("Damaged"), &small.permanent).failure, nullptr);
    EXPECT_EQ(files.printed.back(), "Failed to load Scene: Not enough memory!");
    EXPECT_TRUE(scene.id == ve::Hash{});
}

TEST_F(DamagedSceneFileTest, AFileLargerThanTheTemporaryStoreIsReportedUnreadable) {
    vetest::TestStores small(4096, 8 << 20);
    std::vector<u8> bytes = fixtures::barrierScene();
    bytes.resize(100000);
    memfiles::findFile(&files, "Damaged.vsf")->bytes = bytes;
    Scene scene;
    EXPECT_NE(ve::loadScene(&scene, name("Damaged"), &small.permanent).failure, nullptr);
    EXPECT_EQ(files.printed.back(), "Failed to load Scene: File could not be read!");
}

// The heap is sized from the file: a 2 MB text is more than the (1 + 512) * 2048 bytes that one
// entity's share would give, and still loads whole, and saving again writes the same bytes.
TEST_F(DamagedSceneFileTest, AValidTextOfTwoMegabytesLoadsWhole) {
    Scene scene = ve::createScene(name("Long"), 8 << 20, &stores.permanent);
    Entity* text = ve::createEntity(&scene, ve::MetaType::game_FloatingTextEntity, name("Text"));
    std::string longText(2 << 20, 'x');
    auto* data = (game::FloatingTextEntity*)text->entityData.data;
    data->text = {longText.size(), (u8*)longText.data()};
    data->size = 3;
    ASSERT_TRUE(ve::saveScene(&scene));
    std::vector<u8> saved = memfiles::findFile(&files, "Long.vsf")->bytes;
    Scene loaded;
    ASSERT_EQ(ve::loadScene(&loaded, name("Long"), &stores.permanent).failure, nullptr);
    ASSERT_EQ(loaded.entities.length, 1u);
    auto* read = (game::FloatingTextEntity*)entityAt(&loaded, 0)->entityData.data;
    ASSERT_EQ(read->text.length, longText.size());
    EXPECT_EQ(memcmp(read->text.data, longText.data(), longText.size()), 0);
    EXPECT_EQ(read->size, 3.0f);
    EXPECT_TRUE(files.printed.empty());
    ASSERT_TRUE(ve::saveScene(&loaded));
    EXPECT_EQ(memfiles::findFile(&files, "Long.vsf")->bytes, saved);
}

// A string the store cannot hold is refused rather than read as an empty one, so that its member
// is reported as a loss.
TEST_F(DamagedSceneFileTest, AStringTheStoreCannotHoldIsRefused) {
    std::string stored(8 + 100, 'x');
    u64 length = 100;
    memcpy(stored.data(), &length, 8);
    ve::SerialReader reader = {};
    reader.bytes = {stored.size(), (u8*)stored.data()};
    ve::MemoryStore tiny = ve::createHeapStore(ve::createBuffer(64, &stores.tmp));
    buffer value;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ve::deserialize_buffer(&reader, stored.size(), &tiny, &value));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(value.length, 0u);
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
        ASSERT_EQ(readDamaged(&scene).failure, nullptr);
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
