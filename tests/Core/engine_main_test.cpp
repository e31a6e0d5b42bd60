// Engine start-up and the reload of its globals, over an in-memory platform and a renderer table
// that records its calls.

#include "engine_harness.h"
#include "../harness/byteWriter.h"

#include "Core/Assets/assets.h"
#include "Util/string.h"

#include <gtest/gtest.h>

using namespace bytewriter;
using namespace enginetest;

namespace {

// ---------------------------------------------------------------------------------------------
// Packs written byte by byte: a 32-byte header, a table of 56-byte entries right after it, then
// the assets one after another. Textures are 1 x 1; meshes one triangle.
// ---------------------------------------------------------------------------------------------

enum class Kind : u64 { Mesh = 0, Texture = 1 };

struct PackAsset {
    const char* name;
    Kind kind;
};

ve::Hash hashOf(const char* name) { return ve::hashASCIIZ(name); }

// Appends a texture header at the end of `out`: 1 x 1, its pixel right behind it.
void putTexture(std::vector<u8>* out) {
    u64 start = out->size();
    putLE(out, 1, 4);
    putLE(out, 1, 4);
    putLE(out, start + 16, 8);
    putLE(out, 0xFF8040C0u, 4);
}

// Appends an 88-byte mesh header, then name, positions, normals, uvs, colours and indices.
void putMesh(std::vector<u8>* out, const char* name) {
    u64 start = out->size();
    u64 nameLength = strlen(name);
    u64 names = start + 88, positions = names + nameLength, normals = positions + 48, uvs = normals + 48,
        colors = uvs + 24, indices = colors + 48;
    putHash(out, hashOf("tri_mat"));
    for (u64 field : {(u64)3, (u64)3, nameLength, names, positions, normals, uvs, colors, indices}) putLE(out, field, 8);
    out->insert(out->end(), name, name + nameLength);
    for (int k = 0; k < 3; ++k)
        for (f32 value : {(f32)k, 1.0f, 0.0f, 1.0f}) putF32(out, value);
    for (int k = 0; k < 3; ++k)
        for (f32 value : {0.0f, 0.0f, -1.0f, 0.0f}) putF32(out, value);
    for (int k = 0; k < 6; ++k) putF32(out, 0.5f);
    for (int k = 0; k < 12; ++k) putF32(out, 1.0f);
    for (u32 index : {0u, 1u, 2u}) putLE(out, index, 4);
}

std::vector<u8> writePack(const std::vector<PackAsset>& assets) {
    std::vector<u8> out;
    putLE(&out, 0x004B5056, 4); // "VPK\0"
    putLE(&out, 1, 4);
    putLE(&out, assets.size(), 8);
    putLE(&out, 32, 8);
    putLE(&out, 0, 8);
    for (const PackAsset& asset : assets) {
        putHash(&out, hashOf(asset.name));
        putLE(&out, (u64)asset.kind, 8);
        for (int i = 0; i < 4; ++i) putLE(&out, 0, 8); // fileOffset (patched below), varSize, reserved
    }
    for (size_t j = 0; j < assets.size(); ++j) {
        putAt(&out, 32 + 56 * j + 24, out.size());
        if (assets[j].kind == Kind::Texture) putTexture(&out);
        else putMesh(&out, assets[j].name);
    }
    return out;
}

std::string nameOf(string text) { return std::string((const char*)text.data, text.length); }

// ---------------------------------------------------------------------------------------------
// Memory and the state record
// ---------------------------------------------------------------------------------------------

using EngineStartUp = EngineTest;

TEST_F(EngineStartUp, TakesTheSevenBlocksInOrderWithTheRendererFourth) {
    startEngine();
    std::vector<std::string> expected = {"block 268435456", "block 268435456", "block 67108864", "createRenderer",
                                         "block 536870912", "block 33554432",  "block 67108864"};
    std::vector<std::string> blocksAndRenderer;
    for (const std::string& event : h.events)
        if (event.rfind("block", 0) == 0 || event == "createRenderer") blocksAndRenderer.push_back(event);
    EXPECT_EQ(blocksAndRenderer, expected);
}

TEST_F(EngineStartUp, StateRecordIsThePermanentStoresFirstAllocationAndItsStoreAccountsForIt) {
    startEngine();
    ve::EngineState* engine = state();
    buffer permanentBlock = h.blocks[0];
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(ve::ptrInBuffer(permanentBlock, engine));
    EXPECT_LE((u8*)engine - permanentBlock.data, 32);
    EXPECT_EQ(engine->permanentStore.buf.data, permanentBlock.data);
    EXPECT_EQ(engine->tmpStore.buf.data, h.blocks[1].data);
    EXPECT_EQ(engine->physicsStore.buf.data, h.blocks[2].data);

    // A later allocation from the kept store must not land inside the state record.
    u8* later = (u8*)ve::pushToHeap(&engine->permanentStore, 16);
    ASSERT_NE(later, nullptr);
    EXPECT_GE(later, (u8*)engine + sizeof(ve::EngineState));
}

TEST_F(EngineStartUp, GlobalsPointAtTheStateRecordAndItsParts) {
    startEngine();
    ve::EngineState* engine = state();
    EXPECT_EQ(ve::engineState, engine);
    EXPECT_EQ(ve::tmpStore, &engine->tmpStore);
    EXPECT_EQ(ve::permanentStore, &engine->permanentStore);
    EXPECT_EQ(ve::assets, engine->assets);
    EXPECT_EQ(ve::renderer, &engine->renderer);
    EXPECT_EQ(::detail::physicsMemory, &engine->physicsStore);
    EXPECT_EQ(ve::debugState, h.gameMemory.debugState);
    ASSERT_NE(ve::debugState, nullptr);
    EXPECT_FALSE(ve::debugState->enabled);
}

TEST_F(EngineStartUp, SetsTheFieldsItOwnsAndLeavesTheRestZero) {
    startEngine();
    ve::EngineState* engine = state();
    EXPECT_EQ(engine->timeSaveDelayConst, 2);
    EXPECT_EQ(engine->timeSaveDelay, 0);
    EXPECT_TRUE(engine->sorting);
    EXPECT_EQ(engine->gamma, 0.0f);
    EXPECT_EQ(engine->time, 0u);
    EXPECT_EQ(engine->timedPhysicBodyCount, 0u);
    EXPECT_EQ(engine->loadScene.data, nullptr);
    EXPECT_EQ(engine->timeSinceLastPhysicsUpdate, 0.0);
    ASSERT_NE(engine->assets, nullptr);
    EXPECT_EQ(engine->assets->maxMeshes, 100u);
    EXPECT_EQ(engine->assets->maxTextures, 100u);
    EXPECT_EQ(engine->assets->maxMaterials, 100u);
    EXPECT_EQ(engine->physicsBodies.entrySize, sizeof(phBody*));
    EXPECT_EQ(engine->physicsBodies.numEntriesPerChunk, 100u);
    EXPECT_EQ(engine->physicsBodies.store, &engine->permanentStore);
    EXPECT_EQ(engine->physicsBodies.length, 1u); // entry 0, NO_BODY, names no body
}

TEST_F(EngineStartUp, PhysicsSceneHasTheNarrowedTickGravityAndTwentyIterations) {
    const f64 ticks[] = {1.0 / 60.0, 1.0 / 144.0, 1.0 / 75.0};
    for (f64 tick : ticks) {
        EngineHarness fresh;
        harness() = &fresh;
        memfiles::installMemoryFileSystem(&fresh.files);
        fresh.files.api.allocateMemory = recordAllocateMemory;
        fresh.files.api.setCursorRelative = recordSetCursorRelative;
        EngineReload(&fresh.gameMemory, &fresh.files.api);
        ve::initEngine(&fresh.gameMemory, tick, createRecordingRenderer);
        phScene* scene = &fresh.gameMemory.engineState->scene;
        EXPECT_EQ(scene->m_dt, (f32)tick);
        EXPECT_EQ(scene->m_gravity.x, 0.0f);
        EXPECT_EQ(scene->m_gravity.y, -9.8f);
        EXPECT_EQ(scene->m_gravity.z, 0.0f);
        EXPECT_EQ(scene->m_iterations, 20);
        EXPECT_EQ(scene->m_bodyCount, 0);
    }
    harness() = &h;
}

TEST_F(EngineStartUp, CapturesTheMouseAsItsLastStep) {
    startEngine();
    ASSERT_FALSE(h.events.empty());
    EXPECT_EQ(h.events.back(), "cursor relative");
    EXPECT_EQ(h.cursorCalls, std::vector<b8>{1});
}

// ---------------------------------------------------------------------------------------------
// Packs and uploads
// ---------------------------------------------------------------------------------------------

TEST_F(EngineStartUp, WithoutPacksTheRegisterStaysEmptyAndNothingIsUploaded) {
    startEngine();
    EXPECT_EQ(state()->assets->textureCount, 0u);
    EXPECT_EQ(state()->assets->meshCount, 0u);
    EXPECT_TRUE(h.uploadedTextures.empty());
    EXPECT_TRUE(h.uploadedMeshes.empty());
    EXPECT_TRUE(h.skyBoxCalls.empty());
}

TEST_F(EngineStartUp, UploadsTexturesThenMeshesInRegisterOrderWithTheSkyAsSixFaces) {
    addFile("first.pak", writePack({{"wall_img", Kind::Texture}, {"cube_mesh", Kind::Mesh}, {"skybox_img", Kind::Texture}}));
    addFile("second.pak", writePack({{"button_img", Kind::Texture}, {"plate_mesh", Kind::Mesh}}));
    startEngine();
    ve::AssetRegister* assets = state()->assets;
    ASSERT_EQ(assets->textureCount, 3u);
    ASSERT_EQ(assets->meshCount, 2u);

    EXPECT_EQ(h.uploadedTextures, (std::vector<ve::Texture*>{&assets->textures[0], &assets->textures[2]}));
    EXPECT_EQ(h.uploadedMeshes, (std::vector<ve::Mesh*>{&assets->meshes[0], &assets->meshes[1]}));
    ASSERT_EQ(h.skyBoxCalls.size(), 1u);
    for (ve::Texture* face : h.skyBoxCalls[0].faces) EXPECT_EQ(face, &assets->textures[1]);

    std::vector<std::string> uploads;
    for (const std::string& event : h.events)
        if (event.rfind("upl", 0) == 0 || event == "createSkyBox") uploads.push_back(event);
    EXPECT_EQ(uploads, (std::vector<std::string>{"uplTexture", "createSkyBox", "uplTexture", "uplMesh", "uplMesh"}));
}

TEST_F(EngineStartUp, TwoSkyTexturesGiveTwoSkyBoxesTheLaterOneLast) {
    addFile("a.pak", writePack({{"skybox_img", Kind::Texture}}));
    addFile("b.pak", writePack({{"skybox_img", Kind::Texture}}));
    startEngine();
    ve::AssetRegister* assets = state()->assets;
    ASSERT_EQ(assets->textureCount, 2u);
    ASSERT_EQ(h.skyBoxCalls.size(), 2u);
    EXPECT_EQ(h.skyBoxCalls[0].faces[0], &assets->textures[0]);
    EXPECT_EQ(h.skyBoxCalls[1].faces[5], &assets->textures[1]);
    EXPECT_TRUE(h.uploadedTextures.empty());
}

TEST_F(EngineStartUp, AssetsAreUploadedAfterTheEditorsSetUpAndBeforeTheMouseCapture) {
    addFile("a.pak", writePack({{"wall_img", Kind::Texture}}));
    startEngine();
    auto position = [&](const std::string& what) {
        for (size_t i = 0; i < h.events.size(); ++i)
            if (h.events[i] == what) return (long)i;
        return -1L;
    };
    long editorLastBlock = (long)h.events.size();
    for (size_t i = 0; i < h.events.size(); ++i)
        if (h.events[i] == "block 33554432") editorLastBlock = (long)i + 1;
    ASSERT_GE(position("uplTexture"), 0);
    EXPECT_LT(editorLastBlock, position("uplTexture"));
    EXPECT_LT(position("uplTexture"), position("cursor relative"));
}

// ---------------------------------------------------------------------------------------------
// The first scene
// ---------------------------------------------------------------------------------------------

TEST_F(EngineStartUp, WithoutALevelFileTheSceneIsTheEmptyDisabledNewScene) {
    startEngine();
    ve::Scene* scene = &state()->currentScene;
    EXPECT_EQ(nameOf(scene->name), "New Scene");
    EXPECT_EQ(scene->id, hashOf("New Scene"));
    EXPECT_EQ(scene->entities.length, 0u);
    EXPECT_GE(scene->entities.capacity, 16u);
    EXPECT_EQ(scene->sceneDataHeap.buf.length, 1048576u);
    EXPECT_FALSE(scene->enabled);
    EXPECT_EQ(state()->time, 0u);
}

TEST_F(EngineStartUp, LoadsAndEnablesLevelOneWhenItsFileExists) {
    addFile("Level 1.vsf", writeEmptySceneFile());
    startEngine();
    ve::Scene* scene = &state()->currentScene;
    EXPECT_EQ(nameOf(scene->name), "Level 1");
    EXPECT_EQ(scene->id, hashOf("Level 1"));
    EXPECT_TRUE(scene->enabled);
}

// A pack of about 1 MiB whose 100 mesh and 100 texture entries all share one header and one
// 1 MiB region: each entry alone is sound, and together they would ask for some 190 MiB.
std::vector<u8> packSharingOneRegion() {
    const u64 entries = 200, tableOffset = 32, meshHeader = tableOffset + entries * 56;
    const u64 textureHeader = meshHeader + 88, region = textureHeader + 16, regionBytes = 1 << 20;
    std::vector<u8> out;
    putLE(&out, 0x004B5056, 4);
    putLE(&out, 1, 4);
    putLE(&out, entries, 8);
    putLE(&out, tableOffset, 8);
    putLE(&out, 0, 8);
    for (u64 i = 0; i < entries; i++) {
        putHash(&out, ve::Hash{i, 0});
        putLE(&out, i % 2, 8); // meshes and textures in turn
        putLE(&out, i % 2 ? textureHeader : meshHeader, 8);
        for (int k = 0; k < 3; k++) putLE(&out, 0, 8);
    }
    putHash(&out, ve::Hash{});
    putLE(&out, regionBytes / 64, 8); // vertices: their four arrays fill most of the region
    putLE(&out, 0, 8);                // indices
    putLE(&out, 0, 8);                // name
    for (int k = 0; k < 6; k++) putLE(&out, region, 8);
    putLE(&out, 512, 4); // a 512 x 512 texture is the whole region
    putLE(&out, 512, 4);
    putLE(&out, region, 8);
    out.resize(region + regionBytes);
    return out;
}

// Without a limit the packs filled the permanent store and creating the first scene's heap
// stopped the program. Now the assets that would take the scenes' room are skipped, a bounded
// number of lines names the pack, and the level loads.
TEST_F(EngineStartUp, APackCannotTakeTheRoomTheScenesNeed) {
    addFile("shared.pak", packSharingOneRegion());
    addFile("Level 1.vsf", writeEmptySceneFile());
    startEngine();
    EXPECT_EQ(nameOf(state()->currentScene.name), "Level 1");
    EXPECT_GT(state()->assets->meshCount + state()->assets->textureCount, 0u);
    EXPECT_LT(state()->assets->meshCount + state()->assets->textureCount, 200u);
    EXPECT_GE(ve::largestFreeBlock(&state()->permanentStore) + state()->currentScene.sceneDataHeap.buf.length,
              ve::SCENE_STORE_RESERVE);
    const std::vector<std::string>& printed = h.files.printed;
    ASSERT_EQ(printed.size(), 9u);
    EXPECT_NE(printed[0].find("Pack \"shared.pak\""), std::string::npos) << printed[0];
    EXPECT_NE(printed[0].find("room for the scenes"), std::string::npos) << printed[0];
    EXPECT_NE(printed[8].find("more damaged assets skipped"), std::string::npos) << printed[8];
}

// ---------------------------------------------------------------------------------------------
// Reload
// ---------------------------------------------------------------------------------------------

TEST_F(EngineStartUp, ReloadBeforeStartUpSetsOnlyThePlatformAndTheEditor) {
    ve::engineState = nullptr;
    ve::tmpStore = nullptr;
    memfiles::installMemoryFileSystem(&h.files);
    ve::PlatformAPI other = h.files.api;
    ve::platform = nullptr;
    EngineReload(&h.gameMemory, &other);
    EXPECT_EQ(ve::platform, &other);
    EXPECT_EQ(ve::engineState, nullptr);
    EXPECT_EQ(ve::tmpStore, nullptr);
    EXPECT_EQ(ve::debugState, nullptr);
}

TEST_F(EngineStartUp, ReloadRepointsEveryGlobalFromTheGameMemory) {
    startEngine();
    ve::EngineState* engine = state();
    ve::engineState = nullptr;
    ve::tmpStore = nullptr;
    ve::permanentStore = nullptr;
    ve::assets = nullptr;
    ve::renderer = nullptr;
    ve::debugState = nullptr;
    setPhysicsMemoryStore(nullptr);
    u32 reloadsBefore = h.rendererReloads;

    EngineReload(&h.gameMemory, &h.files.api);
    EXPECT_EQ(ve::engineState, engine);
    EXPECT_EQ(ve::tmpStore, &engine->tmpStore);
    EXPECT_EQ(ve::permanentStore, &engine->permanentStore);
    EXPECT_EQ(ve::assets, engine->assets);
    EXPECT_EQ(ve::renderer, &engine->renderer);
    EXPECT_EQ(ve::debugState, h.gameMemory.debugState);
    EXPECT_EQ(::detail::physicsMemory, &engine->physicsStore);
    EXPECT_EQ(h.rendererReloads, reloadsBefore + 1);
}

TEST_F(EngineStartUp, ReloadCallsTheRendererOnlyWhenItsSlotAndStateAreSet) {
    startEngine();
    ve::Renderer* table = &state()->renderer;
    struct Case {
        b8 slot;
        b8 rendererState;
        u32 expectedReloads;
    };
    const Case cases[] = {{1, 1, 1}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}};
    for (const Case& c : cases) {
        table->reloadRendererGlobals = c.slot ? recordReloadRendererGlobals : nullptr;
        table->rendererState = c.rendererState ? recordingRendererState : nullptr;
        u32 before = h.rendererReloads;
        EngineReload(&h.gameMemory, &h.files.api);
        EXPECT_EQ(h.rendererReloads - before, c.expectedReloads) << "slot " << (int)c.slot << " state " << (int)c.rendererState;
    }
}

} // namespace
