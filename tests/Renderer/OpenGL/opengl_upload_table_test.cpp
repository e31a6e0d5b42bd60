// The upload table's capacity: every asset the register can hold, plus the built-in quad, must go
// in without meeting the table's full or probe-limit assertions, and be found again.

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "Renderer/OpenGL/opengl_globals.h"

namespace {

struct TableFixture {
    std::vector<u8> memory;
    ve::MemoryStore store;
    ve::Table table;

    TableFixture() : memory(1 << 20) {
        store = ve::createHeapStore(buffer{memory.size(), memory.data()});
        table = ve::createTbl(sizeof(ve::GLMemoryEntry), ve::uploadTableSlots, &store);
    }
};

// Inserts every id, marking each entry with its position, then finds each entry again.
void expectAllFitAndAreFound(const std::vector<ve::Hash>& ids) {
    TableFixture fixture;
    for (u32 i = 0; i < ids.size(); ++i) {
        auto* entry = (ve::GLMemoryEntry*)ve::createNewTblEntry(ids[i], &fixture.table);
        ASSERT_NE(entry, nullptr);
        entry->type = ve::GLMemoryEntry::TEXTURE;
        entry->texture.id = i + 1;
    }
    for (u32 i = 0; i < ids.size(); ++i) {
        auto* entry = (ve::GLMemoryEntry*)ve::getTblEntry(ids[i], &fixture.table);
        ASSERT_NE(entry, nullptr) << i;
        EXPECT_EQ(entry->texture.id, i + 1) << i;
    }
    EXPECT_EQ(fixture.table.currentEntries, ids.size());
}

u64 readU64(const std::vector<u8>& bytes, msi offset) {
    u64 value = 0;
    memcpy(&value, bytes.data() + offset, sizeof(value));
    return value;
}

// The ids of the meshes and textures of one pack file, read straight from its header and asset
// table (magic "VPK\0", version 1, then 56-byte table entries: id, type, ...).
std::vector<ve::Hash> uploadedIdsOfPack(const std::string& path) {
    std::vector<ve::Hash> ids;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return ids;
    std::vector<u8> bytes;
    u8 chunk[4096];
    for (msi got; (got = fread(chunk, 1, sizeof(chunk), file)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    fclose(file);
    if (bytes.size() < 32) return ids;
    u32 magic = 0;
    u32 version = 0;
    memcpy(&magic, bytes.data(), 4);
    memcpy(&version, bytes.data() + 4, 4);
    if (magic != 0x004B5056 || version != 1) return ids;
    u64 count = readU64(bytes, 8);
    u64 tableOffset = readU64(bytes, 16);
    for (u64 j = 0; j < count && tableOffset + 56 * (j + 1) <= bytes.size(); ++j) {
        msi entry = tableOffset + 56 * j;
        u64 type = readU64(bytes, entry + 16);
        if (type != 0 && type != 1) continue; // materials are not uploaded
        ve::Hash id = {};
        id.lo = readU64(bytes, entry);
        id.hi = readU64(bytes, entry + 8);
        // The same id twice in a pack shares one slot.
        bool seen = false;
        for (const ve::Hash& known : ids) seen = seen || known == id;
        if (!seen) ids.push_back(id);
    }
    return ids;
}

} // namespace

TEST(OpenGLUploadTable, HoldsAFullRegisterOfMeshesAndTexturesPlusTheQuad) {
    std::vector<ve::Hash> ids;
    ids.push_back(ve::hashASCIIZ("Quad"));
    for (int i = 0; i < 100; ++i) {
        ids.push_back(ve::hashASCIIZ(("mesh_" + std::to_string(i)).c_str()));
        ids.push_back(ve::hashASCIIZ(("texture_" + std::to_string(i)).c_str()));
    }
    ASSERT_EQ(ids.size(), ve::maxUploadedAssets);
    expectAllFitAndAreFound(ids);
}

TEST(OpenGLUploadTable, ManyDifferentRegistersFitToo) {
    // The probe sequence depends on the ids: try a spread of full registers with other names.
    for (int set = 0; set < 50; ++set) {
        std::vector<ve::Hash> ids = {ve::hashASCIIZ("Quad")};
        for (int i = 0; i < 200; ++i) {
            std::string name = "asset_" + std::to_string(set) + "_" + std::to_string(i);
            ids.push_back(ve::hashASCIIZ(name.c_str()));
        }
        expectAllFitAndAreFound(ids);
        if (HasFailure()) return;
    }
}

TEST(OpenGLUploadTable, EveryShippedMeshAndTextureFitsWithTheQuad) {
    std::vector<ve::Hash> ids = {ve::hashASCIIZ("Quad")};
    const char* packs[] = {"assets/kestrolan.pak"};
    for (const char* pack : packs) {
        std::vector<ve::Hash> packIds = uploadedIdsOfPack(std::string(VE_SOURCE_DIR) + "/" + pack);
        ASSERT_FALSE(packIds.empty()) << "no meshes or textures read from " << pack;
        ids.insert(ids.end(), packIds.begin(), packIds.end());
    }
    ASSERT_LE(ids.size(), ve::maxUploadedAssets);
    expectAllFitAndAreFound(ids);
}
