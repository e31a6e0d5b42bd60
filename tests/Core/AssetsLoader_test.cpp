// The pack loader and the asset register, fed packs written byte by byte from the format through
// an in-memory stand-in for the platform's files.

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"
#include "Math/utilMath.h"

#include "../harness/byteWriter.h"
#include "../harness/memoryFiles.h"

#include <gtest/gtest.h>

#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace bytewriter;

// "<prefix><i><suffix>", built without string concatenation (g++ 12 warns falsely on it).
std::string numbered(const char* prefix, int i, const char* suffix = "") {
    char text[64];
    snprintf(text, sizeof(text), "%s%d%s", prefix, i, suffix);
    return text;
}

// ---------------------------------------------------------------------------------------------
// A hand-laid pack: one mesh (a triangle), one 2 x 2 texture and one material, at these offsets:
//   0 header (32) | 32 table, 3 entries of 56 | 200 mesh header (88) | 288 name "tri_mesh" (8)
//   296 positions (48) | 344 normals (48) | 392 texture coordinates (24) | 416 colours (48)
//   464 indices (12) | 476 texture header (16) | 492 pixels (16) | 508 material header (56)
//   564 name "tri_mat" (7) | 571 end
// Every field is a plain number that a test may damage before the bytes are written.
// ---------------------------------------------------------------------------------------------

ve::Hash hashOf(const char* name) { return ve::hashASCIIZ((c8*)name); }

struct Entry {
    ve::Hash id;
    u64 type;
    u64 fileOffset;
    u64 glowRecordOffset = 0;
};

struct FixturePack {
    u32 magic = 0x004B5056;
    u32 version = 1;
    u64 numberOfAssets = 3;
    u64 tableOffset = 32;
    Entry entries[3] = {{hashOf("tri_mesh"), 0, 200}, {hashOf("tri_img"), 1, 476}, {hashOf("tri_mat"), 2, 508}};
    // Mesh header.
    ve::Hash refMaterial = hashOf("tri_mat");
    u64 numVertices = 3, numIndices = 3, meshNameLength = 8;
    u64 nameOffset = 288, positionsOffset = 296, normalsOffset = 344, texCoordsOffset = 392, colorsOffset = 416,
        indicesOffset = 464;
    u32 indices[3] = {0, 1, 2};
    // Texture header.
    u32 width = 2, height = 2;
    u64 pixelsOffset = 492;
    u32 pixels[4] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0x80FFFFFFu};
    // Material header.
    u32 materialNameLength = 7;
    u64 materialNameOffset = 564;
    // A glow record at FIXTURE_SIZE, written when the emission it names is not all zeros.
    ve::Hash glowEmission = {};
    u32 glowColour = 0xFF4080FFu;
};

const u64 FIXTURE_SIZE = 571;
const u64 MESH_END = 476, TEXTURE_END = 508, MATERIAL_END = 571;

// Vertex k of the triangle: position (k, 2k, 3k, 1), normal (0, 0, -1, 0), uv (k/2, 1 - k/2), white.
std::vector<u8> writeFixture(const FixturePack& p) {
    std::vector<u8> out;
    putLE(&out, p.magic, 4);
    putLE(&out, p.version, 4);
    putLE(&out, p.numberOfAssets, 8);
    putLE(&out, p.tableOffset, 8);
    putLE(&out, 0, 8);
    for (const Entry& entry : p.entries) {
        putHash(&out, entry.id);
        putLE(&out, entry.type, 8);
        putLE(&out, entry.fileOffset, 8);
        putLE(&out, 0, 8); // varSize
        putLE(&out, entry.glowRecordOffset, 8);
        putLE(&out, 0, 8);
    }
    EXPECT_EQ(out.size(), 200u);
    putHash(&out, p.refMaterial);
    for (u64 field : {p.numVertices, p.numIndices, p.meshNameLength, p.nameOffset, p.positionsOffset, p.normalsOffset,
                      p.texCoordsOffset, p.colorsOffset, p.indicesOffset}) {
        putLE(&out, field, 8);
    }
    putText(&out, "tri_mesh");
    for (int k = 0; k < 3; ++k) {
        for (f32 value : {(f32)k, 2.0f * k, 3.0f * k, 1.0f}) putF32(&out, value);
    }
    for (int k = 0; k < 3; ++k) {
        for (f32 value : {0.0f, 0.0f, -1.0f, 0.0f}) putF32(&out, value);
    }
    for (int k = 0; k < 3; ++k) {
        putF32(&out, k / 2.0f);
        putF32(&out, 1 - k / 2.0f);
    }
    for (int k = 0; k < 12; ++k) putF32(&out, 1.0f);
    for (u32 index : p.indices) putLE(&out, index, 4);
    EXPECT_EQ(out.size(), MESH_END);
    putLE(&out, p.width, 4);
    putLE(&out, p.height, 4);
    putLE(&out, p.pixelsOffset, 8);
    for (u32 pixel : p.pixels) putLE(&out, pixel, 4);
    EXPECT_EQ(out.size(), TEXTURE_END);
    putLE(&out, p.materialNameLength, 4);
    for (f32 value : {0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f}) putF32(&out, value); // diffuse, specular, emit
    putF32(&out, 0.25f); // metalness
    putF32(&out, 0.75f); // roughness
    putLE(&out, p.materialNameOffset, 8);
    putText(&out, "tri_mat");
    EXPECT_EQ(out.size(), FIXTURE_SIZE);
    if (!(b8)p.glowEmission) return out;
    putHash(&out, p.glowEmission);
    putLE(&out, p.glowColour, 4);
    putLE(&out, 0, 4);
    return out;
}

// The fixture's texture with a glow record naming `emission`.
void giveGlowRecord(FixturePack* pack, const char* emission) {
    pack->entries[1].glowRecordOffset = FIXTURE_SIZE;
    pack->glowEmission = hashOf(emission);
}

// ---------------------------------------------------------------------------------------------
// Fixture: a permanent store, a register of 100/100/100 and the in-memory files.
// ---------------------------------------------------------------------------------------------

u64 freeBytes(ve::MemoryStore* store) {
    u64 total = 0;
    for (ve::detail::HeapFreeBlock* block = store->firstFreeBlock; block; block = block->nextFreeBlock) total += block->size;
    return total;
}

class AssetLoader : public ::testing::Test {
protected:
    void SetUp() override {
        memory.resize(8 << 20);
        store = ve::createHeapStore(buffer{memory.size(), memory.data()});
        ve::permanentStore = &store;
        memfiles::installMemoryFileSystem(&files);
        register_ = {};
        ve::createAssetRegister(&register_, 100, 100, 100);
        ve::assets = &register_;
    }
    void TearDown() override {
        ve::assets = nullptr;
        ve::permanentStore = nullptr;
        ve::platform = nullptr;
    }

    void addFile(const char* name, std::vector<u8> bytes) { files.files.push_back({name, std::move(bytes)}); }
    void loadAll(msi keepFree = 0) { ve::loadAllPakFiles(&register_, keepFree); }

    std::vector<u8> memory;
    ve::MemoryStore store;
    memfiles::MemoryFileSystem files;
    ve::AssetRegister register_;
};

void expectFixtureMesh(const ve::Mesh* mesh) {
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->numVertices, 3u);
    EXPECT_EQ(mesh->numIndices, 3u);
    ASSERT_EQ(mesh->nameLength, 8u);
    EXPECT_EQ(std::string(mesh->name, 8), "tri_mesh");
    EXPECT_TRUE(mesh->refMaterial == hashOf("tri_mat"));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(mesh->positions[k].y, 2.0f * k);
        EXPECT_EQ(mesh->positions[k].w, 1.0f);
        EXPECT_EQ(mesh->normals[k].z, -1.0f);
        EXPECT_EQ(mesh->texCoord[k].x, k / 2.0f);
        EXPECT_EQ(mesh->colors[k].w, 1.0f);
        EXPECT_EQ(mesh->indices[k], (u32)k);
    }
}

void expectFixtureTexture(const ve::Texture* texture) {
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 2u);
    EXPECT_EQ(texture->height, 2u);
    EXPECT_EQ(texture->pixels[0], 0xFF0000FFu);
    EXPECT_EQ(texture->pixels[3], 0x80FFFFFFu);
}

void expectFixtureMaterial(const ve::BasicMat* material) {
    ASSERT_NE(material, nullptr);
    ASSERT_EQ(material->nameLength, 7u);
    EXPECT_EQ(std::string(material->name, 7), "tri_mat");
    EXPECT_FLOAT_EQ(material->diffuse.x, 0.9f);
    EXPECT_FLOAT_EQ(material->specular.y, 0.5f);
    EXPECT_FLOAT_EQ(material->emitCol.z, 0.1f);
    // The header stores metalness first; each value lands in the field of its own name.
    EXPECT_FLOAT_EQ(material->roughness, 0.75f);
    EXPECT_FLOAT_EQ(material->metalness, 0.25f);
}

// ---------------------------------------------------------------------------------------------
// Well-formed packs
// ---------------------------------------------------------------------------------------------

TEST_F(AssetLoader, CreatesTheRegisterWithItsMaximaAndEmptyCounts) {
    EXPECT_EQ(register_.maxMeshes, 100u);
    EXPECT_EQ(register_.maxTextures, 100u);
    EXPECT_EQ(register_.maxMaterials, 100u);
    EXPECT_EQ(register_.meshCount + register_.textureCount + register_.materialCount, 0u);
    // The three arrays come from the permanent store, mesh array first.
    EXPECT_TRUE(ve::ptrInBuffer(store.buf, register_.meshes));
    EXPECT_LT((u8*)register_.meshes, (u8*)register_.textures);
    EXPECT_LT((u8*)register_.textures, (u8*)register_.materials);
}

TEST_F(AssetLoader, LoadsEveryKindFromAHandWrittenPack) {
    addFile("one.pak", writeFixture(FixturePack{}));
    loadAll();
    EXPECT_EQ(register_.meshCount, 1u);
    EXPECT_EQ(register_.textureCount, 1u);
    EXPECT_EQ(register_.materialCount, 1u);
    expectFixtureMesh(ve::getMesh(&register_, hashOf("tri_mesh")));
    expectFixtureTexture(ve::getTexture(&register_, hashOf("tri_img")));
    expectFixtureMaterial(ve::getBasicMat(&register_, hashOf("tri_mat")));
    EXPECT_TRUE(files.printed.empty());
    // Every array lives in the permanent store.
    EXPECT_TRUE(ve::ptrInBuffer(store.buf, register_.meshes[0].indices));
    EXPECT_TRUE(ve::ptrInBuffer(store.buf, register_.textures[0].pixels));
}

TEST_F(AssetLoader, ReferencesFindAssetsInTheEngineRegister) {
    addFile("one.pak", writeFixture(FixturePack{}));
    loadAll();
    ve::MeshRef meshRef = {hashOf("tri_mesh")};
    ve::TextureRef textureRef = {hashOf("tri_img")};
    ve::BasicMatRef materialRef = {hashOf("tri_mat")};
    EXPECT_EQ(meshRef.get(), &register_.meshes[0]);
    EXPECT_EQ(textureRef.get(), &register_.textures[0]);
    EXPECT_EQ(materialRef.get(), &register_.materials[0]);
    // Kinds are not mixed up: a mesh id is no texture.
    ve::TextureRef wrongKind = {hashOf("tri_mesh")};
    EXPECT_EQ(wrongKind.get(), nullptr);
}

TEST_F(AssetLoader, WithoutPacksTheRegisterStaysEmptyAndLookupsAreNull) {
    addFile("level1.vsf", {1, 2, 3});
    loadAll();
    EXPECT_EQ(register_.meshCount + register_.textureCount + register_.materialCount, 0u);
    EXPECT_EQ(ve::getMesh(&register_, hashOf("tri_mesh")), nullptr);
    EXPECT_EQ(ve::getTexture(&register_, hashOf("tri_img")), nullptr);
    EXPECT_EQ(ve::getBasicMat(&register_, hashOf("tri_mat")), nullptr);
    EXPECT_TRUE(files.printed.empty());
}

TEST_F(AssetLoader, SkipsOtherVersionsAndMagicNumbersWithoutAWord) {
    FixturePack version2;
    version2.version = 2;
    FixturePack foreign;
    foreign.magic = 0x21474E50;
    addFile("new.pak", writeFixture(version2));
    addFile("foreign.pak", writeFixture(foreign));
    FixturePack version1;
    version1.entries[1].id = hashOf("only_img");
    addFile("old.pak", writeFixture(version1));
    loadAll();
    EXPECT_EQ(register_.textureCount, 1u);
    EXPECT_EQ(register_.meshCount, 1u);
    EXPECT_NE(ve::getTexture(&register_, hashOf("only_img")), nullptr);
    EXPECT_EQ(ve::getTexture(&register_, hashOf("tri_img")), nullptr);
    EXPECT_TRUE(files.printed.empty());
}

TEST_F(AssetLoader, APackWithoutAssetsAddsNothingAndSaysSo) {
    FixturePack empty;
    empty.numberOfAssets = 0;
    empty.tableOffset = 1ull << 40; // never read for no entries
    addFile("empty.pak", writeFixture(empty));
    loadAll();
    EXPECT_EQ(register_.meshCount + register_.textureCount + register_.materialCount, 0u);
    EXPECT_EQ(files.printed, (std::vector<std::string>{"Pack \"empty.pak\" holds no assets"}));
}

TEST_F(AssetLoader, AMeshWithoutVerticesIsRegisteredWithEmptyArrays) {
    FixturePack pack;
    pack.numVertices = 0;
    pack.numIndices = 0;
    addFile("zero.pak", writeFixture(pack));
    loadAll();
    ve::Mesh* mesh = ve::getMesh(&register_, hashOf("tri_mesh"));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->numVertices, 0u);
    EXPECT_EQ(mesh->numIndices, 0u);
    EXPECT_NE(mesh->positions, nullptr);
    EXPECT_NE(mesh->indices, nullptr);
    EXPECT_TRUE(files.printed.empty());
}

TEST_F(AssetLoader, DuplicatesAreAllRegisteredAndTheFirstListedWins) {
    FixturePack first;
    FixturePack second;
    second.width = 1;
    second.height = 1;
    addFile("a.pak", writeFixture(first));
    addFile("b.pak", writeFixture(second));
    loadAll();
    ASSERT_EQ(register_.textureCount, 2u);
    EXPECT_EQ(register_.textures[1].width, 1u);
    ve::Texture* found = ve::getTexture(&register_, hashOf("tri_img"));
    EXPECT_EQ(found, &register_.textures[0]);
    EXPECT_EQ(found->width, 2u);
}

TEST_F(AssetLoader, AssetsAreRegisteredInTableOrder) {
    FixturePack pack;
    pack.entries[0] = {hashOf("second_img"), 1, 476};
    pack.entries[2] = {hashOf("first_img"), 1, 476};
    pack.entries[1] = {hashOf("middle_img"), 1, 476};
    addFile("order.pak", writeFixture(pack));
    loadAll();
    ASSERT_EQ(register_.textureCount, 3u);
    EXPECT_TRUE(register_.textures[0].id == hashOf("second_img"));
    EXPECT_TRUE(register_.textures[1].id == hashOf("middle_img"));
    EXPECT_TRUE(register_.textures[2].id == hashOf("first_img"));
}

// The texture's glow record, after the rest of the pack: the emission whose mask its alpha holds,
// whose texels are the glow's colour times that alpha (here 255, 255, 255 and 128), from an earlier
// pack or later in the same one.
TEST_F(AssetLoader, AnAlbedoReadsTheGlowItsAlphaMasks) {
    const u32 colour = 0xFF4080FFu, halfColour = 0xFF204080u;
    FixturePack emission;
    emission.entries[1].id = hashOf("tri_glow");
    for (u32& pixel : emission.pixels) pixel = colour;
    emission.pixels[3] = halfColour;
    emission.numberOfAssets = 2; // the mesh and the emission
    FixturePack albedo;
    giveGlowRecord(&albedo, "tri_glow");
    albedo.glowColour = colour;
    addFile("emission.pak", writeFixture(emission));
    addFile("glow.pak", writeFixture(albedo));
    loadAll();
    EXPECT_TRUE(files.printed.empty()) << files.printed[0];
    ve::Texture* texture = ve::getTexture(&register_, hashOf("tri_img"));
    expectFixtureTexture(texture);
    EXPECT_TRUE(texture->alphaIsGlowMask);
    EXPECT_TRUE(texture->glowEmission == hashOf("tri_glow"));
    EXPECT_EQ(texture->glowColour, colour);
}

// ---------------------------------------------------------------------------------------------
// Damaged packs
// ---------------------------------------------------------------------------------------------

struct DamageCase {
    const char* what;
    void (*damage)(FixturePack* pack);
    const char* message; // expected in the one line printed
    u64 meshes, textures, materials;
};

const DamageCase DAMAGE_CASES[] = {
    {"vertex count times 16 wraps", [](FixturePack* p) { p->numVertices = 1ull << 60; }, "lies outside the file", 0, 1, 1},
    {"index count times 4 wraps", [](FixturePack* p) { p->numIndices = (1ull << 62) + 1; }, "lies outside the file", 0, 1, 1},
    {"offset plus length wraps", [](FixturePack* p) { p->positionsOffset = UINT64_MAX - 8; }, "lies outside the file", 0, 1, 1},
    {"offset beyond a signed file position", [](FixturePack* p) { p->normalsOffset = 1ull << 63; }, "lies outside the file",
     0, 1, 1},
    {"colours end past the file", [](FixturePack* p) { p->colorsOffset = FIXTURE_SIZE - 47; }, "lies outside the file", 0, 1, 1},
    {"name longer than the file", [](FixturePack* p) { p->meshNameLength = 4096; }, "lies outside the file", 0, 1, 1},
    {"mesh header past the end", [](FixturePack* p) { p->entries[0].fileOffset = FIXTURE_SIZE - 10; }, "mesh header", 0, 1, 1},
    {"index equal to the vertex count", [](FixturePack* p) { p->indices[2] = 3; }, "index 3", 0, 1, 1},
    {"texture of width 0", [](FixturePack* p) { p->width = 0; }, "texture of 0 by 2 pixels has no pixels", 1, 0, 1},
    {"texture of 0 by 0", [](FixturePack* p) { p->width = p->height = 0; }, "texture of 0 by 0 pixels has no pixels", 1,
     0, 1},
    {"texture wider than 16384", [](FixturePack* p) { p->width = 16385; }, "16385 by 2", 1, 0, 1},
    {"texture taller than 16384", [](FixturePack* p) { p->height = 0xFFFFFFFFu; }, "larger than 16384", 1, 0, 1},
    {"pixels past the end", [](FixturePack* p) { p->width = 20; }, "texture: its data lies outside the file", 1, 0, 1},
    {"texture header offset wraps", [](FixturePack* p) { p->entries[1].fileOffset = UINT64_MAX - 3; }, "texture header", 1, 0,
     1},
    {"glow record past the end", [](FixturePack* p) { p->entries[1].glowRecordOffset = FIXTURE_SIZE - 23; },
     "drawn without its glow: its glow record lies outside the file", 1, 1, 1},
    {"glow record naming the texture itself", [](FixturePack* p) { giveGlowRecord(p, "tri_img"); },
     "names the texture itself", 1, 1, 1},
    {"glow record naming no texture", [](FixturePack* p) { giveGlowRecord(p, "tri_mesh"); }, "names no loaded texture",
     1, 1, 1},
    {"glow record naming another texture", [](FixturePack* p) { giveGlowRecord(p, "healthy_img"); },
     "names a texture that is not its glow times its alpha", 1, 1, 1},
    {"glow record offset on a mesh entry", [](FixturePack* p) { p->entries[0].glowRecordOffset = MESH_END; },
     "loaded with its glow record ignored: a mesh has no glow, only a texture has one", 1, 1, 1},
    {"glow record offset on a material entry", [](FixturePack* p) { p->entries[2].glowRecordOffset = MESH_END; },
     "loaded with its glow record ignored: a material has no glow, only a texture has one", 1, 1, 1},
    {"pack without assets", [](FixturePack* p) { p->numberOfAssets = 0; }, "Pack \"broken.pak\" holds no assets", 0, 0,
     0},
    {"material name past the end", [](FixturePack* p) { p->materialNameLength = 8; }, "material: its data", 1, 1, 0},
    {"material name offset wraps", [](FixturePack* p) { p->materialNameOffset = UINT64_MAX; }, "material: its data", 1, 1, 0},
    {"unknown asset type", [](FixturePack* p) { p->entries[1].type = 3; }, "unknown asset type 3", 1, 0, 1},
    {"huge asset type", [](FixturePack* p) { p->entries[2].type = UINT64_MAX; }, "unknown asset type", 1, 1, 0},
};

// Test names and printed parameters say which damage a case is, the same in every build.
void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.what; }

std::string damageCaseName(const ::testing::TestParamInfo<DamageCase>& info) {
    std::string name;
    bool wordStart = true;
    for (const char* at = info.param.what; *at; ++at) {
        if (!isalnum((unsigned char)*at)) {
            wordStart = true;
            continue;
        }
        name += wordStart ? (char)toupper((unsigned char)*at) : *at;
        wordStart = false;
    }
    return name;
}

class DamagedPack : public AssetLoader, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedPack, SkipsTheDamagedAssetWithOneLineAndKeepsTheRest) {
    const DamageCase& c = GetParam();
    FixturePack healthy;
    healthy.entries[0].id = hashOf("healthy_mesh");
    healthy.entries[1].id = hashOf("healthy_img");
    healthy.entries[2].id = hashOf("healthy_mat");
    addFile("healthy.pak", writeFixture(healthy));
    FixturePack damaged;
    c.damage(&damaged);
    addFile("broken.pak", writeFixture(damaged));
    loadAll();

    ASSERT_EQ(files.printed.size(), 1u) << c.what;
    const std::string& line = files.printed[0];
    EXPECT_NE(line.find("Pack \"broken.pak\""), std::string::npos) << line;
    EXPECT_NE(line.find(c.message), std::string::npos) << c.what << ": " << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
    // The damaged pack's sound assets and the whole of the next pack are registered.
    EXPECT_EQ(register_.meshCount, c.meshes + 1) << c.what;
    EXPECT_EQ(register_.textureCount, c.textures + 1) << c.what;
    EXPECT_EQ(register_.materialCount, c.materials + 1) << c.what;
    expectFixtureMesh(ve::getMesh(&register_, hashOf("healthy_mesh")));
    expectFixtureTexture(ve::getTexture(&register_, hashOf("healthy_img")));
    expectFixtureMaterial(ve::getBasicMat(&register_, hashOf("healthy_mat")));
    // No glow survives damage, and an alpha that the table entry calls a glow's mask is still one:
    // the texture stays opaque rather than see-through.
    ve::Texture* damagedTexture = ve::getTexture(&register_, hashOf("tri_img"));
    if (!damagedTexture) return;
    EXPECT_FALSE((b8)damagedTexture->glowEmission) << c.what;
    EXPECT_EQ(damagedTexture->alphaIsGlowMask, damaged.entries[1].glowRecordOffset != 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(AllDamages, DamagedPack, ::testing::ValuesIn(DAMAGE_CASES), damageCaseName);

TEST_F(AssetLoader, TheMessageNamesTheAssetById) {
    FixturePack pack;
    pack.entries[1].type = 9;
    addFile("x.pak", writeFixture(pack));
    loadAll();
    ASSERT_EQ(files.printed.size(), 1u);
    ve::Hash id = hashOf("tri_img");
    u8 bytes[16];
    memcpy(bytes, &id, 16);
    char hex[33];
    for (int i = 0; i < 16; ++i) snprintf(hex + 2 * i, 3, "%02x", bytes[i]);
    EXPECT_NE(files.printed[0].find(std::string("asset 1 (id ") + hex + ")"), std::string::npos) << files.printed[0];
}

TEST_F(AssetLoader, ATableOutsideTheFileSkipsThePack) {
    const u64 counts[] = {100, 1ull << 58, UINT64_MAX / 56 + 1};
    for (u64 count : counts) {
        files.printed.clear();
        files.files.clear();
        FixturePack pack;
        pack.numberOfAssets = count;
        addFile("big.pak", writeFixture(pack));
        loadAll();
        EXPECT_EQ(register_.meshCount + register_.textureCount + register_.materialCount, 0u) << count;
        ASSERT_EQ(files.printed.size(), 1u) << count;
        EXPECT_NE(files.printed[0].find("table"), std::string::npos) << files.printed[0];
    }
}

TEST_F(AssetLoader, APackCutShortAtEveryByteKeepsOnlyWholeAssets) {
    const std::vector<u8> whole = writeFixture(FixturePack{});
    for (u64 length = 0; length <= whole.size(); ++length) {
        SCOPED_TRACE(length);
        files.files.clear();
        files.printed.clear();
        register_.meshCount = register_.textureCount = register_.materialCount = 0;
        addFile("cut.pak", std::vector<u8>(whole.begin(), whole.begin() + length));
        loadAll();
        EXPECT_EQ(register_.meshCount, length >= MESH_END ? 1u : 0u);
        EXPECT_EQ(register_.textureCount, length >= TEXTURE_END ? 1u : 0u);
        EXPECT_EQ(register_.materialCount, length >= MATERIAL_END ? 1u : 0u);
        if (register_.meshCount) expectFixtureMesh(&register_.meshes[0]);
        if (register_.textureCount) expectFixtureTexture(&register_.textures[0]);
        if (register_.materialCount) expectFixtureMaterial(&register_.materials[0]);
        // A file of no bytes is named; then, before the version's low byte, the (zero-filled) version
        // reads 0: not a version 1 pack, so silent. From there on it is a pack whose header is cut
        // short.
        if (length == 0) {
            EXPECT_EQ(files.printed, (std::vector<std::string>{"Pack \"cut.pak\" skipped: the file is empty"}));
        }
        if (length > 0 && length < 5) {
            EXPECT_TRUE(files.printed.empty());
        }
        if (length >= 5 && length < 32) {
            EXPECT_EQ(files.printed.size(), 1u);
        }
        for (const std::string& line : files.printed) EXPECT_NE(line.find("cut.pak"), std::string::npos) << line;
    }
}

TEST_F(AssetLoader, ASkippedMeshGivesItsMemoryBack) {
    FixturePack pack;
    pack.numberOfAssets = 1; // the mesh alone
    pack.indices[0] = 99;
    addFile("bad.pak", writeFixture(pack));
    u64 before = freeBytes(&store);
    loadAll();
    EXPECT_EQ(register_.meshCount, 0u);
    EXPECT_EQ(freeBytes(&store), before);
}

TEST_F(AssetLoader, PartsPointingPastTheFileTakeNoMemory) {
    FixturePack pack;
    pack.numberOfAssets = 2;
    pack.numVertices = 1ull << 24; // 256 MiB of positions: more than the store holds
    pack.width = 16384;
    pack.height = 16384;
    addFile("liar.pak", writeFixture(pack));
    u64 before = freeBytes(&store);
    loadAll();
    EXPECT_EQ(freeBytes(&store), before);
    EXPECT_EQ(files.printed.size(), 2u);
}

TEST_F(AssetLoader, AFullRegisterSkipsFurtherAssetsOfThatKind) {
    register_.maxTextures = 2;
    for (int i = 0; i < 3; ++i) addFile(numbered("p", i, ".pak").c_str(), writeFixture(FixturePack{}));
    loadAll();
    EXPECT_EQ(register_.textureCount, 2u);
    EXPECT_EQ(register_.meshCount, 3u);
    EXPECT_EQ(register_.materialCount, 3u);
    ASSERT_EQ(files.printed.size(), 1u);
    EXPECT_NE(files.printed[0].find("p2.pak"), std::string::npos);
    EXPECT_NE(files.printed[0].find("holds 2 textures"), std::string::npos) << files.printed[0];
}

TEST_F(AssetLoader, The101stMeshIsSkippedNotWrittenPastTheRegister) {
    for (int i = 0; i < 101; ++i) {
        FixturePack pack;
        pack.numberOfAssets = 1;
        pack.entries[0].id = hashOf(numbered("mesh", i).c_str());
        addFile(numbered("m", i, ".pak").c_str(), writeFixture(pack));
    }
    loadAll();
    EXPECT_EQ(register_.meshCount, 100u);
    EXPECT_EQ(ve::getMesh(&register_, hashOf("mesh100")), nullptr);
    EXPECT_NE(ve::getMesh(&register_, hashOf("mesh99")), nullptr);
    ASSERT_EQ(files.printed.size(), 1u);
    EXPECT_NE(files.printed[0].find("holds 100 meshes"), std::string::npos);
}

TEST_F(AssetLoader, AFloodOfBadEntriesPrintsABoundedNumberOfLines) {
    // 40 entries of an unknown type, all pointing at the same place.
    std::vector<u8> bytes;
    putLE(&bytes, 0x004B5056, 4);
    putLE(&bytes, 1, 4);
    putLE(&bytes, 40, 8);
    putLE(&bytes, 32, 8);
    putLE(&bytes, 0, 8);
    for (int j = 0; j < 40; ++j) {
        putHash(&bytes, hashOf("junk"));
        putLE(&bytes, 7, 8);
        for (int k = 0; k < 4; ++k) putLE(&bytes, 0, 8);
    }
    addFile("junk.pak", bytes);
    loadAll();
    ASSERT_EQ(files.printed.size(), 9u);
    EXPECT_NE(files.printed.back().find("32 more damaged assets skipped"), std::string::npos) << files.printed.back();
}

// ---------------------------------------------------------------------------------------------
// The register's own rules
// ---------------------------------------------------------------------------------------------

TEST_F(AssetLoader, RegisterAppendsCopiesInOrderAndLookupsScanTheUsedEntriesOnly) {
    ve::Texture texture = {};
    texture.id = hashOf("a");
    texture.width = 7;
    ve::registerTexture(&register_, texture);
    texture.width = 8;
    ve::registerTexture(&register_, texture);
    EXPECT_EQ(register_.textureCount, 2u);
    EXPECT_EQ(ve::getTexture(&register_, hashOf("a"))->width, 7u);
    // An entry beyond the count is not found even when its id matches.
    register_.textures[5].id = hashOf("ghost");
    EXPECT_EQ(ve::getTexture(&register_, hashOf("ghost")), nullptr);
    // A hash that differs only in `hi` does not match.
    ve::Hash almost = hashOf("a");
    almost.hi ^= 1;
    EXPECT_EQ(ve::getTexture(&register_, almost), nullptr);
}

using AssetRegisterDeathTest = AssetLoader;

TEST_F(AssetRegisterDeathTest, RegisteringIntoAFullArrayStops) {
    register_.maxMeshes = 0;
    EXPECT_DEATH(ve::registerMesh(&register_, ve::Mesh{}), "ASSERTION FAILED:.*assets->meshCount < assets->maxMeshes");
    register_.maxMaterials = 0;
    EXPECT_DEATH(ve::registerMaterial(&register_, ve::BasicMat{}),
                 "ASSERTION FAILED:.*assets->materialCount < assets->maxMaterials");
    register_.maxTextures = 0;
    EXPECT_DEATH(ve::registerTexture(&register_, ve::Texture{}),
                 "ASSERTION FAILED:.*assets->textureCount < assets->maxTextures");
    register_.textures = nullptr;
    EXPECT_DEATH(ve::registerTexture(&register_, ve::Texture{}), "ASSERTION FAILED:.*assets->textures");
}

TEST_F(AssetRegisterDeathTest, LoadingIntoNoRegisterStops) {
    addFile("one.pak", writeFixture(FixturePack{}));
    ve::PlatformFileList list = files.api.openFileList(string{3, (u8*)"pak"});
    EXPECT_DEATH(ve::loadPakFile(nullptr, list, 0, 0), "ASSERTION FAILED:.*: assets");
    files.api.closeFileList(list);
}

} // namespace
