#include "Generated/gen_metaDataTable.h"
#include "Meta/entity_type_list.h"
#include "Meta/introspection.h"
#include "Util/Datastructures.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include "Core/Scene/sceneDef.h"
#include "Game/CubeEntity.h"
#include "Game/HUDEntity.h"
#include "Game/LogicGateEntity.h"
#include "Physics/physics.h"

#include <gtest/gtest.h>

#include <stddef.h>
#include <string.h>

#include <string>
#include <vector>

using ve::MetaData;
using ve::MetaDataType;
using ve::MetaType;
using ve::StructMemberMetaData;

namespace ve::gen {
extern StructMemberMetaData __MemberData_ve_v3[];
extern EnumMemberMetaData __MemberData_ve_BodyType[];
} // namespace ve::gen

namespace {

MetaData* record(const char* name) { return ve::findMetaData(ve::wrapASCIIZ(name)); }

std::string text(string s) { return std::string((const char*)s.data, s.length); }

std::vector<std::string> memberNames(MetaData* metaData) {
    std::vector<std::string> names;
    for (msi i = 0; i < metaData->memberCount; i++)
        names.push_back(metaData->dataType == MetaDataType::Struct ? text(metaData->data.structData.structMembers[i].name)
                                                                   : text(metaData->data.enumData.enumMembers[i].name));
    return names;
}

StructMemberMetaData* member(MetaData* metaData, const char* name) {
    return ve::findStructMemberMetaData(metaData, ve::wrapASCIIZ(name));
}

// The bytes a member occupies in its struct, where the table can tell: a pointer, a value stored
// as it lies in memory, a string, or a listed record.
msi sizeOfMember(StructMemberMetaData* m) {
    if (m->numIndirections) return sizeof(void*);
    if (msi size = ve::fixedValueSize(m->type)) return size;
    if (m->type == MetaType::buffer || m->type == MetaType::string) return sizeof(buffer);
    MetaData* type = ve::findMetaData(m->typeName);
    return type ? type->sizeInBytes : 0;
}

TEST(MetaDataTable, EveryRecordIsFoundByItsOwnNameInItsSlot) {
    msi found = 0;
    for (msi slot = 0; slot < ve::gen::metaDataTableSlots; slot++) {
        if (!ve::gen::__gen_metaDataEntries[slot].used) continue;
        MetaData* stored = &ve::gen::__gen_metaDataValues[slot];
        EXPECT_EQ(ve::findMetaData(stored->name), stored) << text(stored->name);
        EXPECT_TRUE(ve::gen::__gen_metaDataEntries[slot].key == ve::hashString(stored->name)) << text(stored->name);
        EXPECT_EQ(text(stored->name).rfind("::", 0), 0u) << "names carry a leading ::";
        found++;
    }
    EXPECT_EQ(found, ve::metaDataTable.currentEntries);
    EXPECT_EQ(ve::metaDataTable.length, 97u);
    EXPECT_EQ(ve::metaDataTable.typeSize, sizeof(MetaData));
}

TEST(MetaDataTable, EveryNumberedTypeButTheEntityTypeHasExactlyOneRecord) {
    const u32 firstNumber = (u32)MetaType::ve_mat4;
    const u32 lastNumber = (u32)MetaType::game_LogicGateEntity;
    u32 recordsOfNumber[128] = {};
    ASSERT_LT(lastNumber, 128u);
    for (msi slot = 0; slot < ve::gen::metaDataTableSlots; slot++) {
        if (!ve::gen::__gen_metaDataEntries[slot].used) continue;
        u32 number = (u32)ve::gen::__gen_metaDataValues[slot].type;
        ASSERT_GE(number, firstNumber);
        ASSERT_LE(number, lastNumber);
        recordsOfNumber[number]++;
    }
    for (u32 number = firstNumber; number <= lastNumber; number++) {
        u32 expected = number == (u32)MetaType::ve_EntityType ? 0 : 1;
        EXPECT_EQ(recordsOfNumber[number], expected) << "type number " << number;
    }
    EXPECT_EQ(ve::metaDataTable.currentEntries, 67u);
}

TEST(MetaDataTable, TheEntityTypeRecordAndUnknownNamesAreAbsent) {
    EXPECT_EQ(record("::ve::EntityType"), nullptr);
    EXPECT_EQ(record("ve::Scene"), nullptr) << "the key includes the leading ::";
    EXPECT_EQ(record("::ve::Nothing"), nullptr);
    EXPECT_EQ(record(""), nullptr);
}

struct ExpectedRecord {
    const char* name;
    MetaType type;
    MetaDataType dataType;
    b8 isUnion;
    msi size;
};

TEST(MetaDataTable, RecordsCarryTheirNumberKindUnionFlagAndSize) {
    const ExpectedRecord expected[] = {
        {"::ve::mat4", MetaType::ve_mat4, MetaDataType::Struct, 1, sizeof(ve::mat4)},
        {"::ve::mat3", MetaType::ve_mat3, MetaDataType::Struct, 1, sizeof(ve::mat3)},
        {"::ve::mat2", MetaType::ve_mat2, MetaDataType::Struct, 1, sizeof(ve::mat2)},
        {"::ve::v4", MetaType::ve_v4, MetaDataType::Struct, 1, sizeof(ve::v4)},
        {"::ve::v3", MetaType::ve_v3, MetaDataType::Struct, 1, sizeof(ve::v3)},
        {"::ve::v2", MetaType::ve_v2, MetaDataType::Struct, 1, sizeof(ve::v2)},
        {"::ve::plane", MetaType::ve_plane, MetaDataType::Struct, 1, sizeof(ve::plane)},
        {"::ve::Hash", MetaType::ve_Hash, MetaDataType::Struct, 1, sizeof(ve::Hash)},
        {"::ve::phFlags", MetaType::ve_phFlags, MetaDataType::Struct, 1, sizeof(ve::phFlags)},
        {"::ve::Table::TableEntry", MetaType::ve_Table_TableEntry, MetaDataType::Struct, 0, sizeof(ve::Table::TableEntry)},
        {"::ve::detail::HeapFreeBlock", MetaType::ve_detail_HeapFreeBlock, MetaDataType::Struct, 0,
         sizeof(ve::detail::HeapFreeBlock)},
        {"::ve::Scene", MetaType::ve_Scene, MetaDataType::Struct, 0, sizeof(ve::Scene)},
        {"::ve::Cuboid", MetaType::ve_Cuboid, MetaDataType::Struct, 0, sizeof(ve::Cuboid)},
        {"::ve::BodyOpts", MetaType::ve_BodyOpts, MetaDataType::Struct, 0, sizeof(ve::BodyOpts)},
        {"::game::CubeEntity", MetaType::game_CubeEntity, MetaDataType::Struct, 0, sizeof(game::CubeEntity)},
        {"::ve::BodyType", MetaType::ve_BodyType, MetaDataType::Enum, 0, sizeof(ve::BodyType)},
        {"::game::LogicGateType", MetaType::game_LogicGateType, MetaDataType::Enum, 0, sizeof(game::LogicGateType)},
    };
    for (const ExpectedRecord& e : expected) {
        MetaData* found = record(e.name);
        ASSERT_NE(found, nullptr) << e.name;
        EXPECT_EQ(found->type, e.type) << e.name;
        EXPECT_EQ(found->dataType, e.dataType) << e.name;
        EXPECT_EQ(found->sizeInBytes, e.size) << e.name;
        if (e.dataType == MetaDataType::Struct) {
            EXPECT_EQ(found->data.structData.isUnion, e.isUnion) << e.name;
        }
    }
}

TEST(MetaDataTable, EnumsStoreTheirValuesInTheDeclaredWidth) {
    const std::pair<const char*, MetaType> expected[] = {
        {"::ve::Primitive_Type", MetaType::u32},
        {"::ve::BodyType", MetaType::u32},
        {"::ve::ParticleSpawnerType", MetaType::u32},
        {"::game::LogicGateType", MetaType::u32},
    };
    for (auto [name, valueType] : expected) {
        MetaData* found = record(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->data.enumData.enumValueType, valueType) << name;
    }
    MetaData* bodyType = record("::ve::BodyType");
    ASSERT_EQ(bodyType->data.enumData.enumMembers, ve::gen::__MemberData_ve_BodyType);
    EXPECT_EQ(memberNames(bodyType), (std::vector<std::string>{"Static", "Dynamic", "Kinematic", "Invalid"}));
    const u64 bodyTypeValues[] = {32, 64, 128, 0};
    for (msi i = 0; i < 4; i++) EXPECT_EQ(bodyType->data.enumData.enumMembers[i].value, bodyTypeValues[i]);
    MetaData* gate = record("::game::LogicGateType");
    EXPECT_EQ(memberNames(gate), (std::vector<std::string>{"AND", "NOT", "OR"}));
    for (msi i = 0; i < 3; i++) EXPECT_EQ(gate->data.enumData.enumMembers[i].value, i);
}

TEST(MetaDataTable, AnonymousAggregatesStandInPlaceAndArraysAreLeftOut) {
    MetaData* v3 = record("::ve::v3");
    ASSERT_EQ(v3->data.structData.structMembers, ve::gen::__MemberData_ve_v3);
    EXPECT_EQ(memberNames(v3), (std::vector<std::string>{"x", "y", "z", "r", "g", "b", "xy", "_ignored", "_ignored2", "yz"}));
    StructMemberMetaData* xy = member(v3, "xy");
    ASSERT_NE(xy, nullptr);
    EXPECT_EQ(xy->type, MetaType::ve_v2);
    EXPECT_EQ(xy->offsetInStruct, 0u);
    EXPECT_EQ(text(xy->typeName), "::ve::v2");
    EXPECT_EQ(member(v3, "yz")->offsetInStruct, 4u);
    EXPECT_EQ(member(v3, "w"), nullptr);

    MetaData* cuboid = record("::ve::Cuboid");
    EXPECT_EQ(memberNames(cuboid), (std::vector<std::string>{"width", "height", "depth", "scale"}));
    const msi offsets[] = {0, 4, 8, 0};
    for (msi i = 0; i < 4; i++) EXPECT_EQ(cuboid->data.structData.structMembers[i].offsetInStruct, offsets[i]);

    EXPECT_EQ(memberNames(record("::game::HUDEntity")), (std::vector<std::string>{"time", "timeShield"}));
    EXPECT_EQ(member(record("::game::HUDEntity"), "timeShield")->offsetInStruct, offsetof(game::HUDEntity, timeShield));
}

TEST(MetaDataTable, MemberTypesAreQualifiedAndPointersCounted) {
    struct ExpectedMember {
        const char* record;
        const char* member;
        MetaType type;
        const char* typeName;
        msi numIndirections;
    };
    const ExpectedMember expected[] = {
        {"::ve::Table", "entries", MetaType::ve_Table_TableEntry, "::ve::Table::TableEntry", 1},
        {"::ve::Table", "values", MetaType::Void, "::void", 1},
        {"::ve::Table", "length", MetaType::msi, "::msi", 0},
        {"::ve::MemoryStore", "firstFreeBlock", MetaType::ve_detail_HeapFreeBlock, "::ve::detail::HeapFreeBlock", 1},
        {"::ve::Entity", "name", MetaType::string, "::string", 0},
        {"::ve::Entity", "entityData", MetaType::buffer, "::buffer", 0},
        {"::ve::Entity", "type", MetaType::ve_EntityType, "::ve::EntityType", 1},
        {"::ve::Hash", "lo", MetaType::u64, "::u64", 0},
        {"::ve::Hash", "h", MetaType::Unresolved, "::lane_hash", 0},
        {"::ve::BodyOpts", "colliders", MetaType::ve_Primitive, "::ve::Primitive", 1},
        {"::ve::BodyOpts", "flags", MetaType::ve_phFlags, "::ve::phFlags", 0},
        {"::game::CubeEntity", "bodyOpts", MetaType::ve_BodyOpts, "::ve::BodyOpts", 0},
        {"::game::CubeEntity", "player", MetaType::ve_EntityRef, "::ve::EntityRef", 0},
        {"::game::CableEntity", "on", MetaType::b8, "::b8", 1},
        {"::game::LogicGateEntity", "type", MetaType::game_LogicGateType, "::game::LogicGateType", 0},
        {"::game::PlayerEntity", "cam", MetaType::ve_Camera, "::ve::Camera", 0},
        {"::game::ParticleEmitter", "system", MetaType::ve_ParticleSystem, "::ve::ParticleSystem", 0},
    };
    for (const ExpectedMember& e : expected) {
        MetaData* owner = record(e.record);
        ASSERT_NE(owner, nullptr) << e.record;
        StructMemberMetaData* m = member(owner, e.member);
        ASSERT_NE(m, nullptr) << e.record << "." << e.member;
        EXPECT_EQ(m->type, e.type) << e.record << "." << e.member;
        EXPECT_EQ(text(m->typeName), e.typeName) << e.record << "." << e.member;
        EXPECT_EQ(m->numIndirections, e.numIndirections) << e.record << "." << e.member;
    }
}

// The members of every struct record lie inside the struct and in increasing order of offset
// (unions excepted), which catches a misplaced member or a wrong bit-field base.
TEST(MetaDataTable, EveryMemberLiesInsideItsStruct) {
    for (msi slot = 0; slot < ve::gen::metaDataTableSlots; slot++) {
        if (!ve::gen::__gen_metaDataEntries[slot].used) continue;
        MetaData* owner = &ve::gen::__gen_metaDataValues[slot];
        if (owner->dataType != MetaDataType::Struct) continue;
        msi previousOffset = 0;
        for (msi i = 0; i < owner->memberCount; i++) {
            StructMemberMetaData* m = &owner->data.structData.structMembers[i];
            EXPECT_LE(m->offsetInStruct + sizeOfMember(m), owner->sizeInBytes) << text(owner->name) << "." << text(m->name);
            if (!owner->data.structData.isUnion && !ve::cmpString(owner->name, ve::wrapASCIIZ("::ve::Primitive")) &&
                !ve::cmpString(owner->name, ve::wrapASCIIZ("::ve::Cuboid"))) {
                EXPECT_GE(m->offsetInStruct, previousOffset) << text(owner->name) << "." << text(m->name);
            }
            previousOffset = m->offsetInStruct;
        }
    }
}

TEST(MetaDataTable, FlagBitsSitInTheBytesOfTheirBitNumbers) {
    MetaData* flags = record("::ve::phFlags");
    EXPECT_EQ(memberNames(flags), (std::vector<std::string>{"value", "eAwake", "eActive", "eAllowSleep", "_ignored", "eIsland",
                                                            "eStatic", "eDynamic", "eKinematic", "eLockAxisX", "eLockAxisY",
                                                            "eLockAxisZ"}));
    for (msi bit = 0; bit < 11; bit++)
        EXPECT_EQ(flags->data.structData.structMembers[1 + bit].offsetInStruct, bit / 8) << "bit " << bit;
}

TEST(MetaDataLookup, FindsStructMembersByExactNameOnly) {
    MetaData* scene = record("::ve::Scene");
    EXPECT_EQ(memberNames(scene), (std::vector<std::string>{"id", "name", "entities", "sceneDataHeap", "enabled"}));
    EXPECT_EQ(member(scene, "entities")->offsetInStruct, offsetof(ve::Scene, entities));
    EXPECT_EQ(member(scene, "entitie"), nullptr);
    EXPECT_EQ(member(scene, "entitiesX"), nullptr);
    EXPECT_EQ(member(record("::ve::BodyType"), "Static"), nullptr) << "an enum has no struct members";
    EXPECT_EQ(ve::findStructMemberMetaData(nullptr, ve::wrapASCIIZ("id")), nullptr);
}

// One enum record per value type, over a local value.
MetaData enumRecordOf(MetaType valueType) {
    MetaData metaData = {};
    metaData.dataType = MetaDataType::Enum;
    metaData.data.enumData.enumValueType = valueType;
    return metaData;
}

TEST(EnumValues, AreWidenedBySignAndWidthOfTheirValueType) {
    struct Case {
        MetaType valueType;
        u64 memory; // the value in its low bytes, unrelated bytes above it
        u64 expected;
    };
    const Case cases[] = {
        {MetaType::s8, 0x55555555555555FFull, 0xFFFFFFFFFFFFFFFFull},
        {MetaType::u8, 0x55555555555555FFull, 255},
        {MetaType::c8, 0x5555555555555580ull, 0xFFFFFFFFFFFFFF80ull},
        {MetaType::s16, 0x5555555555558000ull, 0xFFFFFFFFFFFF8000ull},
        {MetaType::u16, 0x5555555555558000ull, 0x8000},
        {MetaType::s32, 0x55555555FFFFFFFEull, 0xFFFFFFFFFFFFFFFEull},
        {MetaType::u32, 0x55555555FFFFFFFEull, 0xFFFFFFFE},
        {MetaType::u64, 0x8000000000000001ull, 0x8000000000000001ull},
        {MetaType::s64, 0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull},
        {MetaType::msi, 42, 42},
    };
    for (const Case& c : cases) {
        MetaData metaData = enumRecordOf(c.valueType);
        u64 memory = c.memory;
        EXPECT_EQ(ve::getEnumValueCastedToU64(&memory, &metaData), c.expected) << (u32)c.valueType;
    }
}

TEST(EnumValues, StoreOnlyTheLowBytesOfTheirWidth) {
    const std::pair<MetaType, msi> widths[] = {
        {MetaType::u8, 1},  {MetaType::s8, 1},  {MetaType::c8, 1},  {MetaType::u16, 2}, {MetaType::s16, 2},
        {MetaType::u32, 4}, {MetaType::s32, 4}, {MetaType::u64, 8}, {MetaType::s64, 8}, {MetaType::msi, 8},
    };
    const u64 value = 0x1122334455667788ull;
    for (auto [valueType, width] : widths) {
        MetaData metaData = enumRecordOf(valueType);
        u8 memory[8];
        memset(memory, 0xAA, sizeof(memory));
        ve::setEnumValueCastedFromU64(memory, &metaData, value);
        for (msi i = 0; i < 8; i++) {
            u8 expected = i < width ? (u8)(value >> (8 * i)) : 0xAA;
            EXPECT_EQ(memory[i], expected) << (u32)valueType << " byte " << i;
        }
    }
}

TEST(EnumValuesDeathTest, RefuseNonIntegerValueTypesAndMissingArguments) {
    u64 memory = 0;
    MetaData floatEnum = enumRecordOf(MetaType::f32);
    EXPECT_DEATH(ve::getEnumValueCastedToU64(&memory, &floatEnum), "Invalid case reached.");
    MetaData boolEnum = enumRecordOf(MetaType::b8);
    EXPECT_DEATH(ve::setEnumValueCastedFromU64(&memory, &boolEnum, 1), "Invalid case reached.");
    EXPECT_DEATH(ve::getEnumValueCastedToU64(&memory, nullptr), "NOT NULL: metaData");
    MetaData u8Enum = enumRecordOf(MetaType::u8);
    EXPECT_DEATH(ve::getEnumValueCastedToU64(nullptr, &u8Enum), "NOT NULL: enumPtr");
    EXPECT_DEATH(ve::getEnumValueCastedToU64(&memory, record("::ve::Scene")), "metaData->dataType == MetaDataType::Enum");
}

TEST(EntityTypes, RowsFollowTheFixedOrderAndPointIntoTheTable) {
    const char* const rows[] = {"::game::ParticleEmitter", "::game::LightEntity",      "::game::CubeEntity",
                                "::game::HUDEntity",       "::game::CableEntity",      "::game::ButtonEntity",
                                "::game::PlayerEntity",    "::game::PressurePlateEntity", "::game::BarrierEntity",
                                "::game::WallEntity",      "::game::FloatingTextEntity", "::game::ElevatorEntity",
                                "::game::LogicGateEntity"};
    ASSERT_EQ(ve::entityTypeCount, 13u);
    for (u32 row = 0; row < ve::entityTypeCount; row++) {
        ve::EntityType* type = &ve::entityTypes[row];
        ASSERT_NE(type->metaData, nullptr) << rows[row];
        EXPECT_EQ(type->metaData, record(rows[row])) << "row " << row;
        EXPECT_TRUE(type->metaData >= ve::gen::__gen_metaDataValues &&
                    type->metaData < ve::gen::__gen_metaDataValues + ve::gen::metaDataTableSlots);
        EXPECT_NE(type->initFunc, nullptr);
        EXPECT_NE(type->updateFunc, nullptr);
        EXPECT_NE(type->renderFunc, nullptr);
        EXPECT_EQ(ve::findEntityType(type->metaData->type), type);
    }
}

TEST(EntityTypes, TypesWithoutARowAreNotFound) {
    EXPECT_EQ(ve::findEntityType(MetaType::ve_Scene), nullptr);
    EXPECT_EQ(ve::findEntityType(MetaType::game_LogicGateType), nullptr);
    EXPECT_EQ(ve::findEntityType(MetaType::Unresolved), nullptr);
    EXPECT_EQ(ve::findEntityType(MetaType::ve_EntityType), nullptr);
}

TEST(EntityRecords, ListTheirFieldsInTheCatalogueOrder) {
    const std::pair<const char*, std::vector<std::string>> records[] = {
        {"::game::ParticleEmitter", {"system"}},
        {"::game::LightEntity", {"bodyOpts"}},
        {"::game::CubeEntity", {"bodyOpts", "drawScale", "timeDependent", "player", "attached"}},
        {"::game::HUDEntity", {"time", "timeShield"}},
        {"::game::CableEntity", {"bodyOpts", "button", "on", "connectTo"}},
        {"::game::ButtonEntity", {"bodyOpts", "powered", "player", "drawScale", "timeDependent"}},
        {"::game::PlayerEntity", {"bodyOpts", "cam", "walkSpeed", "cap", "timeDependent"}},
        {"::game::PressurePlateEntity", {"bodyOpts", "powered", "player", "cube1", "cube2", "cube3", "cube4", "timeDependent"}},
        {"::game::BarrierEntity", {"bodyOpts", "cableEntity", "power"}},
        {"::game::WallEntity", {"bodyOpts"}},
        {"::game::FloatingTextEntity", {"position", "hudEntity", "text", "fbo", "colorBuf", "size"}},
        {"::game::ElevatorEntity", {"bodyOpts", "cableEntity", "playerEntity", "power"}},
        {"::game::LogicGateEntity", {"bodyOpts", "powered", "cable1", "power1", "cable2", "power2", "type"}},
        {"::ve::BodyOpts",
         {"position", "rotation", "colliders", "colliderCount", "linearVelocity", "angularVelocity", "gravity",
          "collisionMask", "linearFriction", "angularFriction", "flags", "physicsBody"}},
        {"::ve::Primitive", {"type", "localTransform", "cuboid"}},
        {"::ve::EntityRef", {"id"}},
        {"::ve::Entity", {"id", "name", "entityData", "type", "enabled"}},
    };
    for (const auto& [name, members] : records) {
        MetaData* found = record(name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(memberNames(found), members) << name;
    }
    // Signal sources keep `powered` right after their body options, where cables read it.
    EXPECT_EQ(member(record("::game::ButtonEntity"), "powered")->offsetInStruct, sizeof(ve::BodyOpts));
    EXPECT_EQ(member(record("::game::PressurePlateEntity"), "powered")->offsetInStruct, sizeof(ve::BodyOpts));
    EXPECT_EQ(member(record("::game::LogicGateEntity"), "powered")->offsetInStruct, sizeof(ve::BodyOpts));
}

} // namespace
