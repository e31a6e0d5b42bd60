// The pack's on-disk records, checked against bytes written by hand from the format: every number
// little-endian, no padding between fields (the in-memory records are larger, because `Hash` is
// 16-byte aligned).

#include "Core/Assets/pakFormat.h"
#include "Core/Assets/assetDef.h"

#include "../harness/byteWriter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace bytewriter;

TEST(PakFormat, RecordSizesAreTheFileSizesNotTheStructSizes) {
    EXPECT_EQ(ve::pakRecordSize<ve::AssetPackHeader>(), 32u);
    EXPECT_EQ(ve::pakRecordSize<ve::AssetHeaderTableEntry>(), 56u);
    EXPECT_EQ(ve::pakRecordSize<ve::MeshAssetHeader>(), 88u);
    EXPECT_EQ(ve::pakRecordSize<ve::TextureAssetHeader>(), 16u);
    EXPECT_EQ(ve::pakRecordSize<ve::BasicMatAssetHeader>(), 56u);
    EXPECT_EQ(ve::pakRecordSize<ve::GlowRecord>(), 24u);
    // The reason the records are never written with one memcpy:
    EXPECT_GT(sizeof(ve::AssetHeaderTableEntry), 56u);
    EXPECT_GT(sizeof(ve::MeshAssetHeader), 88u);
}

TEST(PakFormat, PackHeaderDecodesFieldByField) {
    std::vector<u8> bytes = {'V', 'P', 'K', 0};
    putLE(&bytes, 1, 4);
    putLE(&bytes, 0x0102030405060708ull, 8);
    putLE(&bytes, 0x20, 8);
    putLE(&bytes, 0xAABB, 8);
    ASSERT_EQ(bytes.size(), 32u);
    ve::AssetPackHeader header = ve::decodePakRecord<ve::AssetPackHeader>(bytes.data());
    EXPECT_EQ(header.magicNumber, ve::PAK_MAGIC_NUMBER);
    EXPECT_EQ(header.version, 1u);
    EXPECT_EQ(header.numberOfAssets, 0x0102030405060708ull);
    EXPECT_EQ(header.assetHeaderTableOffset, 0x20u);
    EXPECT_EQ(header._reserved1, 0xAABBu);

    std::vector<u8> encoded(32, 0xEE);
    ve::encodePakRecord(header, encoded.data());
    EXPECT_EQ(encoded, bytes);
}

TEST(PakFormat, TableEntryHasTheHashFirstAndNoPadding) {
    std::vector<u8> bytes;
    for (int i = 0; i < 16; ++i) bytes.push_back((u8)(0x10 + i)); // assetID, lo then hi
    putLE(&bytes, 2, 8);                                           // type
    putLE(&bytes, 0x1234, 8);                                      // fileOffset
    putLE(&bytes, 77, 8);                                          // varSize
    putLE(&bytes, 5, 8);
    putLE(&bytes, 6, 8);
    ASSERT_EQ(bytes.size(), 56u);
    ve::AssetHeaderTableEntry entry = ve::decodePakRecord<ve::AssetHeaderTableEntry>(bytes.data());
    EXPECT_EQ(entry.assetID.lo, 0x1716151413121110ull);
    EXPECT_EQ(entry.assetID.hi, 0x1F1E1D1C1B1A1918ull);
    EXPECT_EQ(entry.type, (u64)ve::ASSET_BASIC_MATERIAL);
    EXPECT_EQ(entry.fileOffset, 0x1234u);
    EXPECT_EQ(entry.varSize, 77u);
    EXPECT_EQ(entry.glowRecordOffset, 5u);
    EXPECT_EQ(entry._reserved1, 6u);

    std::vector<u8> encoded(56);
    ve::encodePakRecord(entry, encoded.data());
    EXPECT_EQ(encoded, bytes);
}

TEST(PakFormat, MeshHeaderOffsetsFollowTheCounts) {
    std::vector<u8> bytes(16, 0xAB); // refMaterial
    const u64 fields[9] = {3, 6, 9, 100, 200, 300, 400, 500, 600};
    for (u64 field : fields) putLE(&bytes, field, 8);
    ASSERT_EQ(bytes.size(), 88u);
    ve::MeshAssetHeader header = ve::decodePakRecord<ve::MeshAssetHeader>(bytes.data());
    EXPECT_EQ(header.refMaterial.lo, 0xABABABABABABABABull);
    EXPECT_EQ(header.numVertices, 3u);
    EXPECT_EQ(header.numIndices, 6u);
    EXPECT_EQ(header.nameLength, 9u);
    EXPECT_EQ(header.fileOffsetNameData, 100u);
    EXPECT_EQ(header.fileOffsetVPosData, 200u);
    EXPECT_EQ(header.fileOffsetNormalData, 300u);
    EXPECT_EQ(header.fileOffsetTexCoordData, 400u);
    EXPECT_EQ(header.fileOffsetColorData, 500u);
    EXPECT_EQ(header.fileOffsetIndicesData, 600u);

    std::vector<u8> encoded(88);
    ve::encodePakRecord(header, encoded.data());
    EXPECT_EQ(encoded, bytes);
}

TEST(PakFormat, TextureHeaderIsWidthHeightOffset) {
    std::vector<u8> bytes;
    putLE(&bytes, 640, 4);
    putLE(&bytes, 480, 4);
    putLE(&bytes, 0x40, 8);
    ve::TextureAssetHeader header = ve::decodePakRecord<ve::TextureAssetHeader>(bytes.data());
    EXPECT_EQ(header.width, 640u);
    EXPECT_EQ(header.height, 480u);
    EXPECT_EQ(header.fileOffsetPixelData, 0x40u);
}

TEST(PakFormat, MaterialHeaderStoresMetalnessBeforeRoughness) {
    std::vector<u8> bytes;
    putLE(&bytes, 7, 4); // nameLength
    for (f32 value : {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f}) putF32(&bytes, value);
    putF32(&bytes, 0.25f); // metalness
    putF32(&bytes, 0.75f); // roughness
    putLE(&bytes, 0x99, 8);
    ASSERT_EQ(bytes.size(), 56u);
    ve::BasicMatAssetHeader header = ve::decodePakRecord<ve::BasicMatAssetHeader>(bytes.data());
    EXPECT_EQ(header.nameLength, 7u);
    EXPECT_FLOAT_EQ(header.diffuse.y, 0.2f);
    EXPECT_FLOAT_EQ(header.specular.x, 0.4f);
    EXPECT_FLOAT_EQ(header.emitColor.z, 0.9f);
    EXPECT_FLOAT_EQ(header.metalness, 0.25f);
    EXPECT_FLOAT_EQ(header.roughness, 0.75f);
    EXPECT_EQ(header.fileOffsetNameData, 0x99u);
}

TEST(AssetRecords, LoadedRecordsHaveTheRegisterSizes) {
    // The register's arrays are sized 112, 64 and 80 bytes per entry.
    EXPECT_EQ(sizeof(ve::Mesh), 112u);
    EXPECT_EQ(sizeof(ve::Texture), 64u);
    EXPECT_EQ(sizeof(ve::BasicMat), 80u);
    EXPECT_EQ(offsetof(ve::Mesh, refMaterial), 48u);
    EXPECT_EQ(offsetof(ve::Mesh, indices), 104u);
    EXPECT_LT(offsetof(ve::BasicMat, roughness), offsetof(ve::BasicMat, metalness));
    EXPECT_EQ(sizeof(ve::MeshRef), 16u);
}

} // namespace
