#include "pakWriter.h"

#include "Core/Assets/assetDef.h"
#include "Core/Assets/pakFormat.h"

#include <stdio.h>
#include <string.h>

namespace pakbuild {

ve::Hash hashName(const std::string& name) {
    return ve::hashBuffer(buffer{name.size(), (u8*)name.data()});
}

namespace {

// Appends raw bytes and returns the absolute offset where they start.
u64 appendBytes(std::vector<u8>* out, const void* data, size_t size) {
    u64 offset = out->size();
    out->resize(out->size() + size);
    if (size != 0) memcpy(out->data() + offset, data, size);
    return offset;
}

template <typename T> u64 appendArray(std::vector<u8>* out, const std::vector<T>& values) {
    return appendBytes(out, values.data(), values.size() * sizeof(T));
}

// Reserves room for a header that is filled in once the offsets of its data are known.
template <typename Record> u64 reserveRecord(std::vector<u8>* out) {
    u64 offset = out->size();
    out->resize(out->size() + ve::pakRecordSize<Record>());
    return offset;
}

template <typename Record> void fillRecord(std::vector<u8>* out, u64 offset, const Record& record) {
    ve::encodePakRecord(record, out->data() + offset);
}

// The table entry of the asset whose header starts at `headerOffset`: its data runs from there to
// the current end of the pack.
ve::AssetHeaderTableEntry tableEntry(const std::vector<u8>& out, const std::string& name, ve::AssetType type,
                                     u64 headerOffset) {
    ve::AssetHeaderTableEntry entry = {};
    entry.assetID = hashName(name);
    entry.type = type;
    entry.fileOffset = headerOffset;
    entry.varSize = out.size() - headerOffset;
    return entry;
}

ve::AssetHeaderTableEntry appendMesh(std::vector<u8>* out, const PakMesh& mesh) {
    u64 headerOffset = reserveRecord<ve::MeshAssetHeader>(out);
    ve::MeshAssetHeader header = {};
    if (!mesh.materialName.empty()) header.refMaterial = hashName(mesh.materialName);
    header.numVertices = mesh.positions.size();
    header.numIndices = mesh.indices.size();
    header.nameLength = mesh.name.size();
    header.fileOffsetNameData = appendBytes(out, mesh.name.data(), mesh.name.size());
    header.fileOffsetVPosData = appendArray(out, mesh.positions);
    header.fileOffsetNormalData = appendArray(out, mesh.normals);
    header.fileOffsetTexCoordData = appendArray(out, mesh.texCoords);
    header.fileOffsetColorData = appendArray(out, mesh.colors);
    header.fileOffsetIndicesData = appendArray(out, mesh.indices);
    fillRecord(out, headerOffset, header);
    return tableEntry(*out, mesh.name, ve::ASSET_MESH, headerOffset);
}

ve::AssetHeaderTableEntry appendTexture(std::vector<u8>* out, const PakImage& image) {
    u64 headerOffset = reserveRecord<ve::TextureAssetHeader>(out);
    ve::TextureAssetHeader header = {};
    header.width = image.width;
    header.height = image.height;
    header.fileOffsetPixelData = appendArray(out, image.pixels);
    fillRecord(out, headerOffset, header);
    u64 glowOffset = 0;
    if (!image.glowEmission.empty()) {
        glowOffset = reserveRecord<ve::GlowRecord>(out);
        ve::GlowRecord glow = {};
        glow.emissionID = hashName(image.glowEmission);
        glow.colour = image.glowColour;
        fillRecord(out, glowOffset, glow);
    }
    ve::AssetHeaderTableEntry entry = tableEntry(*out, image.name, ve::ASSET_TEXTURE, headerOffset);
    entry.glowRecordOffset = glowOffset;
    return entry;
}

ve::AssetHeaderTableEntry appendMaterial(std::vector<u8>* out, const PakMaterial& material) {
    u64 headerOffset = reserveRecord<ve::BasicMatAssetHeader>(out);
    ve::BasicMatAssetHeader header = {};
    header.nameLength = (u32)material.name.size();
    header.diffuse = material.diffuse;
    header.specular = material.specular;
    header.emitColor = material.emitColor;
    header.metalness = material.metalness;
    header.roughness = material.roughness;
    header.fileOffsetNameData = appendBytes(out, material.name.data(), material.name.size());
    fillRecord(out, headerOffset, header);
    return tableEntry(*out, material.name, ve::ASSET_BASIC_MATERIAL, headerOffset);
}

} // namespace

std::vector<u8> serializePak(const PakContents& contents) {
    std::vector<u8> out;
    u64 assetCount = contents.meshes.size() + contents.textures.size() + contents.materials.size();
    u64 headerOffset = reserveRecord<ve::AssetPackHeader>(&out);
    u64 tableOffset = out.size();
    out.resize(out.size() + assetCount * ve::PAK_TABLE_ENTRY_SIZE);

    std::vector<ve::AssetHeaderTableEntry> entries;
    for (const PakMesh& mesh : contents.meshes) entries.push_back(appendMesh(&out, mesh));
    for (const PakImage& image : contents.textures) entries.push_back(appendTexture(&out, image));
    for (const PakMaterial& material : contents.materials) entries.push_back(appendMaterial(&out, material));
    for (u64 j = 0; j < entries.size(); ++j) fillRecord(&out, tableOffset + j * ve::PAK_TABLE_ENTRY_SIZE, entries[j]);

    ve::AssetPackHeader header = {};
    header.magicNumber = ve::PAK_MAGIC_NUMBER;
    header.version = ve::PAK_VERSION;
    header.numberOfAssets = assetCount;
    header.assetHeaderTableOffset = tableOffset;
    fillRecord(&out, headerOffset, header);
    return out;
}

bool writeFileReplacing(const std::string& path, const std::vector<u8>& bytes) {
    std::string temporary = path + ".tmp";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "pakbuild: cannot create %s\n", temporary.c_str());
        return false;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = (fclose(file) == 0) && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "pakbuild: cannot write %s\n", path.c_str());
        remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace pakbuild
