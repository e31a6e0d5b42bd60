// The introspection records of the engine state and of the time history's records.

#include "Core/engine_globals.h"
#include "Core/Assets/assetDef.h"
#include "Generated/gen_metaDataTable.h"
#include "Util/Datastructures.h"
#include "Meta/introspection.h"
#include "Util/string.h"

#include <gtest/gtest.h>

#include <stddef.h>

#include <set>
#include <string>
#include <vector>

using ve::MetaData;
using ve::MetaType;
using ve::StructMemberMetaData;

namespace {

MetaData* record(const char* name) { return ve::findMetaData(ve::wrapASCIIZ(name)); }
std::string text(string s) { return std::string((const char*)s.data, s.length); }

struct ExpectedMember {
    const char* name;
    MetaType type;
    const char* typeName;
    msi offset;
    msi indirections;
};

void expectMembers(const char* recordName, const std::vector<ExpectedMember>& expected) {
    MetaData* found = record(recordName);
    ASSERT_NE(found, nullptr) << recordName;
    ASSERT_EQ(found->dataType, ve::MetaDataType::Struct);
    ASSERT_EQ(found->memberCount, expected.size()) << recordName;
    for (size_t i = 0; i < expected.size(); ++i) {
        StructMemberMetaData* member = &found->data.structData.structMembers[i];
        EXPECT_EQ(text(member->name), expected[i].name) << recordName << " member " << i;
        EXPECT_EQ(member->type, expected[i].type) << expected[i].name;
        EXPECT_EQ(text(member->typeName), expected[i].typeName) << expected[i].name;
        EXPECT_EQ(member->offsetInStruct, expected[i].offset) << expected[i].name;
        EXPECT_EQ(member->numIndirections, expected[i].indirections) << expected[i].name;
    }
}

TEST(EngineMetaData, TheEngineStateIsListedWithEveryMemberButItsArraysInFieldOrder) {
    using S = ve::EngineState;
    MetaData* found = record("::ve::EngineState");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->type, MetaType::ve_EngineState);
    EXPECT_EQ(found->sizeInBytes, sizeof(S));
    EXPECT_FALSE(found->data.structData.isUnion);
    expectMembers("::ve::EngineState",
                  {
                      {"renderer", MetaType::Unresolved, "::Renderer", offsetof(S, renderer), 0},
                      {"tmpStore", MetaType::ve_MemoryStore, "::ve::MemoryStore", offsetof(S, tmpStore), 0},
                      {"permanentStore", MetaType::ve_MemoryStore, "::ve::MemoryStore", offsetof(S, permanentStore), 0},
                      {"assets", MetaType::ve_AssetRegister, "::ve::AssetRegister", offsetof(S, assets), 1},
                      {"currentScene", MetaType::ve_Scene, "::ve::Scene", offsetof(S, currentScene), 0},
                      {"physicsStore", MetaType::ve_MemoryStore, "::ve::MemoryStore", offsetof(S, physicsStore), 0},
                      {"scene", MetaType::Unresolved, "::phScene", offsetof(S, scene), 0},
                      {"timedPhysicBodyCount", MetaType::u32, "::u32", offsetof(S, timedPhysicBodyCount), 0},
                      {"physicsBodies", MetaType::ve_ChunkStore, "::ve::ChunkStore", offsetof(S, physicsBodies), 0},
                      {"trackedVars", MetaType::ve_saveThis, "::ve::saveThis", offsetof(S, trackedVars), 0},
                      {"time", MetaType::u32, "::u32", offsetof(S, time), 0},
                      {"timeSaveDelay", MetaType::u8, "::u8", offsetof(S, timeSaveDelay), 0},
                      {"timeSaveDelayConst", MetaType::u8, "::u8", offsetof(S, timeSaveDelayConst), 0},
                      {"timeSinceLastPhysicsUpdate", MetaType::f64, "::f64", offsetof(S, timeSinceLastPhysicsUpdate), 0},
                      {"physicsTick", MetaType::Unresolved, "::PhysicsTick", offsetof(S, physicsTick), 0},
                      {"loadScene", MetaType::string, "::string", offsetof(S, loadScene), 0},
                      {"sceneGeneration", MetaType::u32, "::u32", offsetof(S, sceneGeneration), 0},
                      {"sceneFailure", MetaType::c8, "::c8", offsetof(S, sceneFailure), 1},
                      {"sorting", MetaType::b8, "::b8", offsetof(S, sorting), 0},
                      {"gamma", MetaType::f32, "::f32", offsetof(S, gamma), 0},
                  });
}

TEST(EngineMetaData, TheTimeRecordsListOnlyTheirCounts) {
    using V = ve::saveThis;
    expectMembers("::ve::saveThis", {
                                        {"floatCount", MetaType::u32, "::u32", offsetof(V, floatCount), 0},
                                        {"intCount", MetaType::u32, "::u32", offsetof(V, intCount), 0},
                                        {"boolCount", MetaType::u32, "::u32", offsetof(V, boolCount), 0},
                                    });
    expectMembers("::ve::pastTimeStamp", {});
    EXPECT_EQ(record("::ve::saveThis")->type, MetaType::ve_saveThis);
    EXPECT_EQ(record("::ve::pastTimeStamp")->type, MetaType::ve_pastTimeStamp);
    EXPECT_EQ(record("::ve::pastTimeStamp")->sizeInBytes, sizeof(ve::pastTimeStamp));
}

TEST(EngineMetaData, TheTableHoldsEveryNumberedTypeButTheEntityTypeOnce) {
    std::multiset<u32> listed;
    for (msi slot = 0; slot < ve::gen::metaDataTableSlots; slot++)
        if (ve::gen::__gen_metaDataEntries[slot].used) listed.insert((u32)ve::gen::__gen_metaDataValues[slot].type);
    std::multiset<u32> expected;
    for (u32 type = (u32)MetaType::ve_mat4; type <= (u32)MetaType::game_LogicGateEntity; type++)
        if (type != (u32)MetaType::ve_EntityType) expected.insert(type);
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(ve::metaDataTable.currentEntries, 67u);
}

TEST(EngineMetaData, TheAssetRegisterAndItsKindsAreListed) {
    using R = ve::AssetRegister;
    expectMembers("::ve::AssetRegister",
                  {
                      {"maxMeshes", MetaType::u64, "::u64", offsetof(R, maxMeshes), 0},
                      {"maxTextures", MetaType::u64, "::u64", offsetof(R, maxTextures), 0},
                      {"maxMaterials", MetaType::u64, "::u64", offsetof(R, maxMaterials), 0},
                      {"meshCount", MetaType::u64, "::u64", offsetof(R, meshCount), 0},
                      {"textureCount", MetaType::u64, "::u64", offsetof(R, textureCount), 0},
                      {"materialCount", MetaType::u64, "::u64", offsetof(R, materialCount), 0},
                      {"meshes", MetaType::ve_Mesh, "::ve::Mesh", offsetof(R, meshes), 1},
                      {"materials", MetaType::ve_BasicMat, "::ve::BasicMat", offsetof(R, materials), 1},
                      {"textures", MetaType::ve_Texture, "::ve::Texture", offsetof(R, textures), 1},
                  });
    MetaData* kinds = record("::ve::AssetType");
    ASSERT_NE(kinds, nullptr);
    ASSERT_EQ(kinds->dataType, ve::MetaDataType::Enum);
    EXPECT_EQ(kinds->data.enumData.enumValueType, MetaType::u64);
    ASSERT_EQ(kinds->memberCount, 3u);
    const char* names[] = {"ASSET_MESH", "ASSET_TEXTURE", "ASSET_BASIC_MATERIAL"};
    for (u64 i = 0; i < 3; ++i) {
        EXPECT_EQ(text(kinds->data.enumData.enumMembers[i].name), names[i]);
        EXPECT_EQ(kinds->data.enumData.enumMembers[i].value, i);
    }
}

} // namespace
