// The pack the build writes into assets/, loaded through the real platform layer: every asset the
// game names is there, and every mesh, texture and material follows the rules the renderer and the
// game rely on (vertex layout, winding, alpha, sizes, the font's glyph grid).

#include "Core/Assets/assets.h"
#include "Core/Assets/pakFormat.h"
#include "Core/engine_globals.h"
#include "Game/entityAssets.h"
#include "Memory/memory.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Math/utilMath.h"

#include "../harness/diskFiles.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const char* const MESH_NAMES[] = {"cube_mesh", "light_mesh", "button_mesh", "pressure_plate_mesh", "elevator_mesh",
                                  "skybox_mesh"};
const char* const TEXTURE_NAMES[] = {"light_img", "light_emission_img", "cube_img", "cube_emission_img", "button_img",
                                     "button_emission_img", "gold_img", "black_img", "elevator_img", "elevator_emission_img",
                                     "ground_img", "ground_emission_img", "cable_img", "cable_emission_img", "energywall_img",
                                     "and_img", "not_img", "font_img", "skybox_img"};
const char* const MATERIAL_NAMES[] = {"light_mat", "cube_mat", "button_mat", "pressure_plate_mat", "elevator_mat"};

ve::Hash hashOf(const char* name) { return ve::hashASCIIZ((c8*)name); }

class ShippedPack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        memory = new std::vector<u8>(64 << 20);
        store = ve::createHeapStore(buffer{memory->size(), memory->data()});
        ve::permanentStore = &store;
        ve::initPlatformAPI(&api);
        ve::platform = &api;
        ve::createAssetRegister(&assets, 100, 100, 100);
        ve::loadAllPakFiles(&assets, 0);
        packBytes = new std::vector<u8>(diskfiles::readWholeFile(VE_SOURCE_DIR "/assets/kestrolan.pak"));
    }
    static void TearDownTestSuite() {
        ve::permanentStore = nullptr;
        ve::platform = nullptr;
        delete memory;
        delete packBytes;
    }

    static ve::Mesh* mesh(const char* name) { return ve::getMesh(&assets, hashOf(name)); }
    static ve::Texture* texture(const char* name) { return ve::getTexture(&assets, hashOf(name)); }

    static std::vector<u8>* memory;
    static std::vector<u8>* packBytes;
    static ve::MemoryStore store;
    static ve::PlatformAPI api;
    static ve::AssetRegister assets;
};

std::vector<u8>* ShippedPack::memory;
std::vector<u8>* ShippedPack::packBytes;
ve::MemoryStore ShippedPack::store;
ve::PlatformAPI ShippedPack::api;
ve::AssetRegister ShippedPack::assets;

// ---------------------------------------------------------------------------------------------
// Contents
// ---------------------------------------------------------------------------------------------

TEST_F(ShippedPack, HoldsEveryAssetTheGameNames) {
    // The entity types' own table, which their draws and the level check read.
    for (const game::EntityAssetNames& type : game::ENTITY_ASSETS) {
        if (type.mesh) {
            EXPECT_NE(mesh(type.mesh), nullptr) << type.mesh;
        }
        if (type.material) {
            EXPECT_NE(ve::getBasicMat(&assets, hashOf(type.material)), nullptr) << type.material;
        }
        for (const char* name : type.textures) {
            if (name) {
                EXPECT_NE(texture(name), nullptr) << name;
            }
        }
    }
    for (const char* name : MESH_NAMES) EXPECT_NE(mesh(name), nullptr) << name;
    for (const char* name : TEXTURE_NAMES) EXPECT_NE(texture(name), nullptr) << name;
    for (const char* name : MATERIAL_NAMES) EXPECT_NE(ve::getBasicMat(&assets, hashOf(name)), nullptr) << name;
}

TEST_F(ShippedPack, FitsTheRenderersUploadTableAndStaysSmall) {
    // The upload table has 50 slots and the built-in quad takes one; the sky goes elsewhere.
    u64 uploaded = assets.meshCount + assets.textureCount - (texture("skybox_img") ? 1 : 0);
    EXPECT_LE(uploaded, 49u);
    ASSERT_FALSE(packBytes->empty());
    EXPECT_LT(packBytes->size(), 16u << 20);
}

// The loaded register against the file's bytes read at the format's own offsets, independently of
// the loader and of the builder's encoders.
TEST_F(ShippedPack, RegisterMatchesTheFileReadByOffsets) {
    const std::vector<u8>& bytes = *packBytes;
    ASSERT_GE(bytes.size(), 32u);
    auto u32At = [&](u64 offset) { u32 v; memcpy(&v, &bytes[offset], 4); return v; };
    auto u64At = [&](u64 offset) { u64 v; memcpy(&v, &bytes[offset], 8); return v; };
    auto f32At = [&](u64 offset) { f32 v; memcpy(&v, &bytes[offset], 4); return v; };
    ASSERT_EQ(u32At(0), 0x004B5056u);
    ASSERT_EQ(u32At(4), 1u);
    u64 count = u64At(8), table = u64At(16);
    u64 kinds[3] = {0, 0, 0};
    for (u64 j = 0; j < count; ++j) {
        u64 entry = table + 56 * j;
        ve::Hash id;
        memcpy(&id, &bytes[entry], 16);
        u64 type = u64At(entry + 16), header = u64At(entry + 24);
        ASSERT_LT(type, 3u);
        ++kinds[type];
        if (type == 0) {
            ve::Mesh* loaded = ve::getMesh(&assets, id);
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->numVertices, u64At(header + 16));
            EXPECT_EQ(loaded->numIndices, u64At(header + 24));
            EXPECT_EQ(memcmp(loaded->positions, &bytes[u64At(header + 48)], loaded->numVertices * 16), 0);
            EXPECT_EQ(memcmp(loaded->indices, &bytes[u64At(header + 80)], loaded->numIndices * 4), 0);
            EXPECT_TRUE(id == ve::hashBuffer(buffer{loaded->nameLength, (u8*)loaded->name}));
        } else if (type == 1) {
            ve::Texture* loaded = ve::getTexture(&assets, id);
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->width, u32At(header));
            EXPECT_EQ(loaded->height, u32At(header + 4));
            EXPECT_EQ(memcmp(loaded->pixels, &bytes[u64At(header + 8)], (size_t)loaded->width * loaded->height * 4), 0);
        } else {
            ve::BasicMat* loaded = ve::getBasicMat(&assets, id);
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->metalness, f32At(header + 40));
            EXPECT_EQ(loaded->roughness, f32At(header + 44));
            EXPECT_EQ(loaded->emitCol.x, f32At(header + 28));
            EXPECT_TRUE(id == ve::hashBuffer(buffer{loaded->nameLength, (u8*)loaded->name}));
        }
    }
    EXPECT_EQ(kinds[0], assets.meshCount);
    EXPECT_EQ(kinds[1], assets.textureCount);
    EXPECT_EQ(kinds[2], assets.materialCount);
}

// ---------------------------------------------------------------------------------------------
// Meshes
// ---------------------------------------------------------------------------------------------

ve::v3 xyz(ve::v4 v) { return ve::v3{{v.x, v.y, v.z}}; }

TEST_F(ShippedPack, MeshesFollowTheVertexLayout) {
    for (const char* name : MESH_NAMES) {
        SCOPED_TRACE(name);
        ve::Mesh* m = mesh(name);
        ASSERT_NE(m, nullptr);
        ASSERT_GT(m->numVertices, 0u);
        EXPECT_EQ(m->numIndices % 3, 0u);
        for (u64 i = 0; i < m->numVertices; ++i) {
            ASSERT_EQ(m->positions[i].w, 1.0f) << i;
            ASSERT_EQ(m->normals[i].w, 0.0f) << i;
            ASSERT_NEAR(ve::len(xyz(m->normals[i])), 1.0f, 1e-4f) << i;
            ASSERT_TRUE(m->colors[i].x == 1 && m->colors[i].y == 1 && m->colors[i].z == 1 && m->colors[i].w == 1) << i;
            ASSERT_TRUE(std::isfinite(m->texCoord[i].x) && std::isfinite(m->texCoord[i].y)) << i;
        }
        for (u64 i = 0; i < m->numIndices; ++i) ASSERT_LT(m->indices[i], m->numVertices) << i;
    }
}

// Sign of cross(p1 - p0, p2 - p0) against the triangle's normal.
f32 windingAgainstNormal(ve::v3 p0, ve::v3 p1, ve::v3 p2, ve::v3 normal) {
    return ve::inner(ve::cross(p1 - p0, p2 - p0), normal);
}

TEST_F(ShippedPack, EveryTriangleWindsLikeTheBuiltInQuad) {
    // The renderer's built-in quad: corners (-0.5,-0.5), (0.5,-0.5), (0.5,0.5), (-0.5,0.5) in z = 0,
    // normals (0, 0, -1), triangles (0, 1, 3) and (1, 2, 3).
    const ve::v3 quad[4] = {{{-0.5f, -0.5f, 0}}, {{0.5f, -0.5f, 0}}, {{0.5f, 0.5f, 0}}, {{-0.5f, 0.5f, 0}}};
    const ve::v3 quadNormal = {{0, 0, -1}};
    const f32 quadSign = windingAgainstNormal(quad[0], quad[1], quad[3], quadNormal);
    ASSERT_LT(quadSign, 0.0f);
    ASSERT_LT(windingAgainstNormal(quad[1], quad[2], quad[3], quadNormal), 0.0f);

    for (const char* name : MESH_NAMES) {
        SCOPED_TRACE(name);
        ve::Mesh* m = mesh(name);
        ASSERT_NE(m, nullptr);
        for (u64 t = 0; t + 2 < m->numIndices; t += 3) {
            u32 a = m->indices[t], b = m->indices[t + 1], c = m->indices[t + 2];
            ve::v3 normal = xyz(m->normals[a]) + xyz(m->normals[b]) + xyz(m->normals[c]);
            f32 sign = windingAgainstNormal(xyz(m->positions[a]), xyz(m->positions[b]), xyz(m->positions[c]), normal);
            ASSERT_LT(sign, 0.0f) << "triangle " << t / 3 << " winds against its normal (or is degenerate)";
        }
    }
}

// Normals of the convex solids point away from their centre; the sky's point towards it.
TEST_F(ShippedPack, ConvexSolidsFaceOutwardsAndTheSkyInwards) {
    struct Facing {
        const char* name;
        f32 sign;
    };
    for (Facing facing : {Facing{"cube_mesh", 1}, Facing{"light_mesh", 1}, Facing{"skybox_mesh", -1}}) {
        ve::Mesh* m = mesh(facing.name);
        ASSERT_NE(m, nullptr);
        for (u64 i = 0; i < m->numVertices; ++i) {
            ASSERT_GT(ve::inner(xyz(m->normals[i]), xyz(m->positions[i])) * facing.sign, 0.0f) << facing.name << " " << i;
        }
    }
}

struct Bounds {
    ve::v3 low, high;
};

Bounds boundsOf(const ve::Mesh* m) {
    Bounds b = {xyz(m->positions[0]), xyz(m->positions[0])};
    for (u64 i = 1; i < m->numVertices; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            b.low.E[axis] = fminf(b.low.E[axis], m->positions[i].E[axis]);
            b.high.E[axis] = fmaxf(b.high.E[axis], m->positions[i].E[axis]);
        }
    }
    return b;
}

TEST_F(ShippedPack, ShapesFitTheLevels) {
    struct Expected {
        const char* name;
        f32 low[3], high[3], tolerance;
    };
    const Expected shapes[] = {
        {"cube_mesh", {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, 1e-6f},
        {"pressure_plate_mesh", {-0.9f, 0, -0.9f}, {0.9f, 0.08f, 0.9f}, 1e-5f},
        {"button_mesh", {-0.25f, 0, -0.25f}, {0.25f, 1, 0.25f}, 0.05f},
        {"elevator_mesh", {-1.2f, 0, -0.3f}, {1.2f, 3, 0.3f}, 0.2f},
        {"light_mesh", {-0.15f, -0.15f, -0.15f}, {0.15f, 0.15f, 0.15f}, 0.1f},
        {"skybox_mesh", {-1, -1, -1}, {1, 1, 1}, 1e-6f},
    };
    for (const Expected& shape : shapes) {
        ve::Mesh* m = mesh(shape.name);
        ASSERT_NE(m, nullptr) << shape.name;
        Bounds b = boundsOf(m);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(b.low.E[axis], shape.low[axis], shape.tolerance) << shape.name << " axis " << axis;
            EXPECT_NEAR(b.high.E[axis], shape.high[axis], shape.tolerance) << shape.name << " axis " << axis;
        }
    }
    // Origins: the plate, the button and the elevator stand on theirs (exactly), centred in x and z.
    for (const char* name : {"pressure_plate_mesh", "button_mesh", "elevator_mesh"}) {
        Bounds b = boundsOf(mesh(name));
        EXPECT_EQ(b.low.y, 0.0f) << name;
        EXPECT_NEAR(b.low.x + b.high.x, 0.0f, 1e-5f) << name;
        EXPECT_NEAR(b.low.z + b.high.z, 0.0f, 1e-5f) << name;
    }
    EXPECT_EQ(mesh("skybox_mesh")->numIndices, 36u);
}

TEST_F(ShippedPack, GameMeshesReferToTheirMaterials) {
    const char* const pairs[][2] = {{"cube_mesh", "cube_mat"},
                                    {"light_mesh", "light_mat"},
                                    {"button_mesh", "button_mat"},
                                    {"pressure_plate_mesh", "pressure_plate_mat"},
                                    {"elevator_mesh", "elevator_mat"}};
    for (const auto& pair : pairs) {
        ASSERT_NE(mesh(pair[0]), nullptr);
        EXPECT_TRUE(mesh(pair[0])->refMaterial == hashOf(pair[1])) << pair[0];
    }
}

TEST_F(ShippedPack, MaterialsKeepTheLightingFinite) {
    for (const char* name : MATERIAL_NAMES) {
        ve::BasicMat* material = ve::getBasicMat(&assets, hashOf(name));
        ASSERT_NE(material, nullptr) << name;
        EXPECT_GE(material->roughness, 0.05f) << name;
        EXPECT_LE(material->roughness, 1.0f) << name;
        EXPECT_GE(material->metalness, 0.0f) << name;
        EXPECT_LE(material->metalness, 1.0f) << name;
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(material->diffuse.E[i]) && material->diffuse.E[i] >= 0) << name;
    }
}

// ---------------------------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------------------------

u32 alphaOf(u32 pixel) { return pixel >> 24; }
u32 channelOf(u32 pixel, int channel) { return (pixel >> (8 * channel)) & 0xFF; }

TEST_F(ShippedPack, OpaqueAndEmissionTexturesAreOpaqueEverywhere) {
    for (const char* name : TEXTURE_NAMES) {
        if (!strcmp(name, "energywall_img") || !strcmp(name, "font_img")) continue;
        ve::Texture* t = texture(name);
        ASSERT_NE(t, nullptr) << name;
        // Its alpha holds the mask of its emission's glow instead (next test).
        if ((b8)t->glowEmission) continue;
        ASSERT_GT(t->width * t->height, 0u) << name;
        u64 translucent = 0;
        for (u64 i = 0; i < (u64)t->width * t->height; ++i) translucent += alphaOf(t->pixels[i]) != 255;
        EXPECT_EQ(translucent, 0u) << name;
    }
    ve::Texture* black = texture("black_img");
    for (u64 i = 0; i < (u64)black->width * black->height; ++i) ASSERT_EQ(black->pixels[i], 0xFF000000u);
}

// The glows that are one colour times a mask are folded into their albedo: the mask in the
// albedo's alpha, the emission and the colour in its glow record; the emission keeps its image
// for other albedos. Those of two colours stay as they are.
TEST_F(ShippedPack, SingleColourGlowsLiveInTheirAlbedosAlpha) {
    struct Pair {
        const char *albedo, *emission;
        b8 folded;
    };
    const Pair pairs[] = {{"ground_img", "ground_emission_img", 1}, {"cube_img", "cube_emission_img", 1},
                          {"elevator_img", "elevator_emission_img", 1}, {"button_img", "button_emission_img", 0},
                          {"light_img", "light_emission_img", 0}, {"cable_img", "cable_emission_img", 0}};
    for (const Pair& pair : pairs) {
        ve::Texture* albedo = texture(pair.albedo);
        ve::Texture* emission = texture(pair.emission);
        ASSERT_TRUE(albedo && emission) << pair.albedo;
        EXPECT_EQ(albedo->glowEmission == ve::hashASCIIZ(pair.emission), pair.folded) << pair.albedo;
        EXPECT_FALSE((b8)emission->glowEmission) << pair.emission;
        if (!pair.folded) continue;
        ASSERT_EQ(emission->width * emission->height, albedo->width * albedo->height) << pair.emission;
        // Every texel of the emission is the colour times the mask in the albedo's alpha, to within
        // the builder's rounding; somewhere the mask is full, and mostly it is empty.
        u64 fullTexels = 0, darkTexels = 0, far = 0;
        for (u64 i = 0; i < (u64)albedo->width * albedo->height; ++i) {
            u32 mask = alphaOf(albedo->pixels[i]);
            fullTexels += mask == 255;
            darkTexels += mask == 0;
            for (int channel = 0; channel < 3; ++channel) {
                f64 glow = channelOf(albedo->glowColour, channel) * mask / 255.0;
                far += fabs(glow - channelOf(emission->pixels[i], channel)) > 2.0;
            }
        }
        EXPECT_EQ(far, 0u) << pair.albedo;
        EXPECT_GT(fullTexels, 0u) << pair.albedo;
        EXPECT_GT(darkTexels, fullTexels) << pair.albedo;
    }
}

TEST_F(ShippedPack, EnergyWallIsSeeThroughAndTilesAlongU) {
    ve::Texture* t = texture("energywall_img");
    ASSERT_NE(t, nullptr);
    u32 lowest = 255, highest = 0;
    for (u64 i = 0; i < (u64)t->width * t->height; ++i) {
        lowest = std::min(lowest, alphaOf(t->pixels[i]));
        highest = std::max(highest, alphaOf(t->pixels[i]));
    }
    EXPECT_GE(lowest, 26u); // never discarded (alpha below 0.01) and never invisible
    EXPECT_LE(highest, 230u);
    EXPECT_GT(highest - lowest, 40u); // a pattern, not a flat tint
    // Scrolling along u shows the seam between the last column and the first: it must be no harder
    // than the steps inside the texture.
    for (u32 y = 0; y < t->height; ++y) {
        const u32* row = t->pixels + (size_t)y * t->width;
        for (int channel = 0; channel < 4; ++channel) {
            int largestStep = 0;
            for (u32 x = 0; x + 1 < t->width; ++x) {
                largestStep = std::max(largestStep, abs((int)channelOf(row[x + 1], channel) - (int)channelOf(row[x], channel)));
            }
            int seam = abs((int)channelOf(row[0], channel) - (int)channelOf(row[t->width - 1], channel));
            ASSERT_LE(seam, largestStep + 1) << "row " << y << " channel " << channel;
        }
    }
}

TEST_F(ShippedPack, SkyIsSquareAndNoTextureIsTooLarge) {
    ve::Texture* sky = texture("skybox_img");
    ASSERT_NE(sky, nullptr);
    EXPECT_EQ(sky->width, sky->height);
    for (u64 i = 0; i < assets.textureCount; ++i) {
        EXPECT_LE(assets.textures[i].width, ve::MAX_TEXTURE_SIDE);
        EXPECT_LE(assets.textures[i].height, ve::MAX_TEXTURE_SIDE);
    }
}

// ---------------------------------------------------------------------------------------------
// The font atlas
// ---------------------------------------------------------------------------------------------

const u32 FONT_WIDTH = 624, FONT_HEIGHT = 573, CELL_WIDTH = 39, ROW_PITCH = 104, CELL_ROWS = 53;

struct CellInk {
    u32 pixels = 0;
    u32 lowestRow = UINT32_MAX, highestRow = 0; // within the cell, 0 at the bottom
    u32 columnSums[CELL_WIDTH] = {};
};

CellInk inkOfCell(const ve::Texture* font, u32 k) {
    u32 column = k % 16, glyphRow = 5 - k / 16;
    CellInk ink;
    for (u32 y = 0; y < CELL_ROWS; ++y) {
        for (u32 x = 0; x < CELL_WIDTH; ++x) {
            u32 alpha = alphaOf(font->pixels[(size_t)(glyphRow * ROW_PITCH + y) * FONT_WIDTH + column * CELL_WIDTH + x]);
            if (alpha == 0) continue;
            ++ink.pixels;
            ink.lowestRow = std::min(ink.lowestRow, y);
            ink.highestRow = std::max(ink.highestRow, y);
            ink.columnSums[x] += alpha;
        }
    }
    return ink;
}

TEST_F(ShippedPack, FontInkStaysInsideTheGlyphGrid) {
    ve::Texture* font = texture("font_img");
    ASSERT_NE(font, nullptr);
    ASSERT_EQ(font->width, FONT_WIDTH);
    ASSERT_EQ(font->height, FONT_HEIGHT);
    // The space character samples texel (0, 0); with repeat filtering all four corners meet there.
    const u64 corners[] = {0, FONT_WIDTH - 1, (u64)(FONT_HEIGHT - 1) * FONT_WIDTH, (u64)FONT_HEIGHT * FONT_WIDTH - 1};
    for (u64 corner : corners) {
        EXPECT_EQ(alphaOf(font->pixels[corner]), 0u) << corner;
    }
    const f32 inkLeft = CELL_WIDTH * (1 - 0.57f) / 2, inkRight = CELL_WIDTH - inkLeft;
    for (u32 y = 0; y < FONT_HEIGHT; ++y) {
        for (u32 x = 0; x < FONT_WIDTH; ++x) {
            u32 pixel = font->pixels[(size_t)y * FONT_WIDTH + x];
            if (alphaOf(pixel) == 0) continue;
            ASSERT_EQ(pixel & 0xFFFFFFu, 0xFFFFFFu) << "ink is white at " << x << "," << y;
            ASSERT_LE(y % ROW_PITCH, CELL_ROWS - 1) << "ink between glyph rows at " << x << "," << y;
            ASSERT_GE((f32)(x % CELL_WIDTH), inkLeft) << "ink left of the advance at " << x << "," << y;
            ASSERT_LE((f32)(x % CELL_WIDTH + 1), inkRight) << "ink right of the advance at " << x << "," << y;
        }
    }
}

TEST_F(ShippedPack, EveryCellHoldsItsGlyphTheRightWayUp) {
    ve::Texture* font = texture("font_img");
    ASSERT_NE(font, nullptr);
    for (u32 k = 0; k < 96; ++k) EXPECT_GT(inkOfCell(font, k).pixels, 10u) << "cell " << k;
    // Rows are stored bottom first: the underscore sits low in its cell, the caret high, the full
    // stop low and the apostrophe high.
    auto cellOf = [](char c) { return (u32)(c - 33); };
    EXPECT_LT(inkOfCell(font, cellOf('_')).highestRow, 20u);
    EXPECT_GT(inkOfCell(font, cellOf('^')).lowestRow, 26u);
    EXPECT_LT(inkOfCell(font, cellOf('.')).highestRow, 20u);
    EXPECT_GT(inkOfCell(font, cellOf('\'')).lowestRow, 26u);
}

TEST_F(ShippedPack, RewindMarkerPointsLeftAndItsTwinRight) {
    ve::Texture* font = texture("font_img");
    ASSERT_NE(font, nullptr);
    CellInk rewind = inkOfCell(font, 94), forward = inkOfCell(font, 95);
    // Each arrowhead is thin at its tip and full at its base: the rewind marker's tips are on the
    // left of each half, the forward marker's on the right.
    EXPECT_LT(rewind.columnSums[10], rewind.columnSums[18]);
    EXPECT_LT(rewind.columnSums[20], rewind.columnSums[28]);
    EXPECT_GT(forward.columnSums[10], forward.columnSums[18]);
    EXPECT_GT(forward.columnSums[20], forward.columnSums[28]);
    for (u32 x = 0; x < CELL_WIDTH; ++x) EXPECT_EQ(rewind.columnSums[x], forward.columnSums[CELL_WIDTH - 1 - x]) << x;
}

} // namespace
