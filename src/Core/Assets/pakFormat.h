#pragma once
// The asset pack file format, shared by the loader and the pack builder.
//
// All numbers are little-endian and every offset is absolute from the start of the file. The
// records below mirror the file's headers field by field, but they are NOT byte images of them:
// `Hash` is 16-byte aligned, so `sizeof(AssetHeaderTableEntry)` is 64 while the file's entry is 56
// bytes. Always go through `decodePakRecord` / `encodePakRecord`, which walk the fields in file
// order with their natural sizes.

#include "Platform/machineDef.h"
#include "Math/utilMath.h"
#include "Math/v3.h"

#include <string.h>

namespace ve {

constexpr u32 PAK_MAGIC_NUMBER = 0x004B5056; // "VPK\0"
constexpr u32 PAK_VERSION = 1;

constexpr msi PAK_HEADER_SIZE = 32;
constexpr msi PAK_TABLE_ENTRY_SIZE = 56;
constexpr msi PAK_MESH_HEADER_SIZE = 88;
constexpr msi PAK_TEXTURE_HEADER_SIZE = 16;
constexpr msi PAK_MATERIAL_HEADER_SIZE = 56;

// Bytes of one element of each mesh array.
constexpr msi PAK_POSITION_SIZE = 16; // v4
constexpr msi PAK_NORMAL_SIZE = 16;   // v4
constexpr msi PAK_TEXCOORD_SIZE = 8;  // v2
constexpr msi PAK_COLOR_SIZE = 16;    // v4
constexpr msi PAK_INDEX_SIZE = 4;     // u32
constexpr msi PAK_PIXEL_SIZE = 4;     // RGBA8

// A glow folded into its albedo. Where an emission image is one colour times a mask, the pack
// builder stores the mask in the alpha of the albedo drawn with it (an opaque albedo's alpha
// carries nothing else) and gives the albedo's table entry the offset of a glow record naming the
// emission and the colour. The emission keeps its image, for every other albedo it is drawn with;
// drawn with this albedo, the renderer samples the albedo alone. Packs written before the record
// have 0 there: plain textures.
constexpr msi PAK_GLOW_RECORD_SIZE = 24;

struct AssetPackHeader {
    u32 magicNumber;
    u32 version;
    u64 numberOfAssets;
    u64 assetHeaderTableOffset;
    u64 _reserved1;
};

struct AssetHeaderTableEntry {
    Hash assetID;
    u64 type; // AssetType
    u64 fileOffset; // of the asset's type header
    u64 varSize;    // written by the builder, never read by the loader
    u64 glowRecordOffset; // of an albedo whose alpha is a glow's mask: its GlowRecord; 0 otherwise

    u64 _reserved1;
};

struct MeshAssetHeader {
    Hash refMaterial;
    u64 numVertices;
    u64 numIndices;
    u64 nameLength;
    u64 fileOffsetNameData;
    u64 fileOffsetVPosData;
    u64 fileOffsetNormalData;
    u64 fileOffsetTexCoordData;
    u64 fileOffsetColorData;
    u64 fileOffsetIndicesData;
};

struct TextureAssetHeader {
    u32 width;
    u32 height;
    u64 fileOffsetPixelData;
};

// The glow whose mask an albedo's alpha holds.
struct GlowRecord {
    Hash emissionID; // the emission image the mask was taken from
    u32 colour;      // RGBA8, red in the low byte: the glow where the mask is 255
    u32 _reserved;
};

// Metalness comes before roughness in the file, the other way round from `BasicMat`.
struct BasicMatAssetHeader {
    u32 nameLength;
    v3 diffuse;
    v3 specular;
    v3 emitColor;
    f32 metalness;
    f32 roughness;
    u64 fileOffsetNameData;
};

// The one list of each record's fields in file order. `visit` sees every field once.
template <typename Visit> constexpr void visitPakFields(AssetPackHeader& r, Visit&& visit) {
    visit(r.magicNumber);
    visit(r.version);
    visit(r.numberOfAssets);
    visit(r.assetHeaderTableOffset);
    visit(r._reserved1);
}
template <typename Visit> constexpr void visitPakFields(AssetHeaderTableEntry& r, Visit&& visit) {
    visit(r.assetID);
    visit(r.type);
    visit(r.fileOffset);
    visit(r.varSize);
    visit(r.glowRecordOffset);
    visit(r._reserved1);
}
template <typename Visit> constexpr void visitPakFields(MeshAssetHeader& r, Visit&& visit) {
    visit(r.refMaterial);
    visit(r.numVertices);
    visit(r.numIndices);
    visit(r.nameLength);
    visit(r.fileOffsetNameData);
    visit(r.fileOffsetVPosData);
    visit(r.fileOffsetNormalData);
    visit(r.fileOffsetTexCoordData);
    visit(r.fileOffsetColorData);
    visit(r.fileOffsetIndicesData);
}
template <typename Visit> constexpr void visitPakFields(TextureAssetHeader& r, Visit&& visit) {
    visit(r.width);
    visit(r.height);
    visit(r.fileOffsetPixelData);
}
template <typename Visit> constexpr void visitPakFields(GlowRecord& r, Visit&& visit) {
    visit(r.emissionID);
    visit(r.colour);
    visit(r._reserved);
}
template <typename Visit> constexpr void visitPakFields(BasicMatAssetHeader& r, Visit&& visit) {
    visit(r.nameLength);
    visit(r.diffuse);
    visit(r.specular);
    visit(r.emitColor);
    visit(r.metalness);
    visit(r.roughness);
    visit(r.fileOffsetNameData);
}

// Size of a record in the file: the sum of its fields' sizes, no padding.
template <typename Record> constexpr msi pakRecordSize() {
    Record record{};
    msi size = 0;
    visitPakFields(record, [&size](auto& field) { size += sizeof(field); });
    return size;
}

// The fields are copied as raw bytes: this is a little-endian machine, like the file.
template <typename Record> Record decodePakRecord(const u8* bytes) {
    Record record{};
    visitPakFields(record, [&bytes](auto& field) {
        memcpy(&field, bytes, sizeof(field));
        bytes += sizeof(field);
    });
    return record;
}
template <typename Record> void encodePakRecord(Record record, u8* bytes) {
    visitPakFields(record, [&bytes](auto& field) {
        memcpy(bytes, &field, sizeof(field));
        bytes += sizeof(field);
    });
}

static_assert(pakRecordSize<AssetPackHeader>() == PAK_HEADER_SIZE);
static_assert(pakRecordSize<AssetHeaderTableEntry>() == PAK_TABLE_ENTRY_SIZE);
static_assert(pakRecordSize<MeshAssetHeader>() == PAK_MESH_HEADER_SIZE);
static_assert(pakRecordSize<TextureAssetHeader>() == PAK_TEXTURE_HEADER_SIZE);
static_assert(pakRecordSize<BasicMatAssetHeader>() == PAK_MATERIAL_HEADER_SIZE);
static_assert(pakRecordSize<GlowRecord>() == PAK_GLOW_RECORD_SIZE);

} // namespace ve
