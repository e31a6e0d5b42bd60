#include "Core/Assets/assets.h"

#include "Core/Assets/pakFormat.h"
#include "Core/console.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"

#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace ve {

// ---------------------------------------------------------------------------------------------
// The register
// ---------------------------------------------------------------------------------------------

void createAssetRegister(AssetRegister* assets, u64 maxMeshes, u64 maxTextures, u64 maxMaterials) {
    assets->maxMeshes = maxMeshes;
    assets->maxTextures = maxTextures;
    assets->maxMaterials = maxMaterials;
    assets->meshes = (Mesh*)pushToHeap(permanentStore, maxMeshes * sizeof(Mesh));
    assets->textures = (Texture*)pushToHeap(permanentStore, maxTextures * sizeof(Texture));
    assets->materials = (BasicMat*)pushToHeap(permanentStore, maxMaterials * sizeof(BasicMat));
}

void registerMesh(AssetRegister* assets, Mesh mesh) {
    VE_ASSERT(assets->meshCount < assets->maxMeshes);
    assets->meshes[assets->meshCount++] = mesh;
}

void registerTexture(AssetRegister* assets, Texture texture) {
    VE_ASSERT(assets->textures);
    VE_ASSERT(assets->textureCount < assets->maxTextures);
    assets->textures[assets->textureCount++] = texture;
}

void registerMaterial(AssetRegister* assets, BasicMat material) {
    VE_ASSERT(assets->materialCount < assets->maxMaterials);
    assets->materials[assets->materialCount++] = material;
}

namespace detail {
// Every asset record starts with its id, so one scan serves all three arrays.
void* findAssetById(void* records, msi recordSize, u64 count, Hash id) {
    u8* record = (u8*)records;
    for (u64 i = 0; i < count; ++i, record += recordSize) {
        if (*(Hash*)record == id) return record;
    }
    return nullptr;
}
} // namespace detail

Mesh* getMesh(AssetRegister* assets, Hash id) {
    if (!assets) return nullptr;
    return (Mesh*)detail::findAssetById(assets->meshes, sizeof(Mesh), assets->meshCount, id);
}

Texture* getTexture(AssetRegister* assets, Hash id) {
    if (!assets) return nullptr;
    return (Texture*)detail::findAssetById(assets->textures, sizeof(Texture), assets->textureCount, id);
}

BasicMat* getBasicMat(AssetRegister* assets, Hash id) {
    if (!assets) return nullptr;
    return (BasicMat*)detail::findAssetById(assets->materials, sizeof(BasicMat), assets->materialCount, id);
}

Mesh* MeshRef::get() { return getMesh(ve::assets, id); }
Texture* TextureRef::get() { return getTexture(ve::assets, id); }
BasicMat* BasicMatRef::get() { return getBasicMat(ve::assets, id); }

// ---------------------------------------------------------------------------------------------
// Reading one pack
//
// Every part of a pack is checked where its bytes come in: sizes are formed without wrapping and
// within what a file position can address, and the last byte of every part is read before any
// memory is taken for it, so a count or offset that points past the end of the file costs nothing.
// The platform zero-fills and flags a short read (`fileHasError`); every read is followed by that
// check.
// ---------------------------------------------------------------------------------------------

namespace detail {

// After this many skipped assets of one pack the rest are only counted, so a pack of junk cannot
// flood the console.
constexpr u32 PAK_MAX_SKIP_MESSAGES = 8;

struct PakReader {
    PlatformFileList files;
    u32 index;
    string name; // the pack's file name, for messages
    MemoryStore* store;
    msi keepFree; // bytes that must stay free in one block of `store` after every asset
    u32 skippedAssets;
};

// One part of an asset: `count` elements of `elementSize` bytes at `offset`, read into a new block
// whose address goes to `*destination`.
struct PakPart {
    u64 offset;
    u64 count;
    u64 elementSize;
    void** destination;
};

// One line about an asset (`subject`, "asset 3" or "texture"): what became of it and why.
void reportAbout(PakReader* reader, const c8* subject, Hash id, const c8* outcome, const c8* reason) {
    if (reader->skippedAssets++ >= PAK_MAX_SKIP_MESSAGES) return;
    u8 idBytes[16];
    memcpy(idBytes, &id, sizeof(idBytes));
    c8 idText[33];
    for (u32 i = 0; i < 16; ++i) snprintf(idText + 2 * i, 3, "%02x", idBytes[i]);
    printFormattedLine("Pack \"%.*s\": %s (id %s) %s: %s", (int)reader->name.length, (const c8*)reader->name.data,
                       subject, idText, outcome, reason);
}

// About entry `assetIndex` of the pack's table.
void reportAsset(PakReader* reader, u64 assetIndex, Hash id, const c8* outcome, const c8* reason) {
    c8 subject[32];
    snprintf(subject, sizeof(subject), "asset %llu", (unsigned long long)assetIndex);
    reportAbout(reader, subject, id, outcome, reason);
}

void reportSkippedAsset(PakReader* reader, u64 assetIndex, Hash id, const c8* reasonFormat, ...) {
    c8 reason[256];
    va_list args;
    va_start(args, reasonFormat);
    vsnprintf(reason, sizeof(reason), reasonFormat, args);
    va_end(args);
    reportAsset(reader, assetIndex, id, "skipped", reason);
}

// Size in bytes of `count` elements of `elementSize` bytes at `offset`; false when the product or
// the end position wraps or lies beyond what a signed file offset reaches.
b8 measurePart(u64 offset, u64 count, u64 elementSize, u64* bytes) {
    if (elementSize != 0 && count > (u64)INT64_MAX / elementSize) return false;
    u64 size = count * elementSize;
    if (offset > (u64)INT64_MAX - size) return false;
    *bytes = size;
    return true;
}

// Reads all of `dst` at `offset`; false when the file ended first. An empty read touches nothing.
b8 readPakBytes(PakReader* reader, u64 offset, buffer dst) {
    if (dst.length == 0) return true;
    platform->readFile(reader->files, reader->index, (s64)offset, dst);
    return !platform->fileHasError(reader->files, reader->index);
}

// Whether the measured part [offset, offset + bytes) lies inside the file: reads its last byte.
b8 partInFile(PakReader* reader, u64 offset, u64 bytes) {
    if (bytes == 0) return true;
    u8 lastByte;
    return readPakBytes(reader, offset + bytes - 1, buffer{1, &lastByte});
}

template <typename Record> b8 readPakRecord(PakReader* reader, u64 offset, Record* record) {
    u8 bytes[pakRecordSize<Record>()] = {};
    u64 size;
    b8 complete = measurePart(offset, 1, sizeof(bytes), &size) && readPakBytes(reader, offset, buffer{size, bytes});
    *record = decodePakRecord<Record>(bytes);
    return complete;
}

void freePakParts(PakReader* reader, PakPart* parts, u32 count) {
    for (u32 i = count; i-- > 0;) {
        freeFromHeap(reader->store, *parts[i].destination);
        *parts[i].destination = nullptr;
    }
}

// Checks every part first, then takes a block for each and reads it, in order. On failure the
// blocks taken so far go back to the store and `*why` says what was wrong.
b8 readPakParts(PakReader* reader, PakPart* parts, u32 count, const c8** why) {
    u64 needed = reader->keepFree;
    for (u32 i = 0; i < count; ++i) {
        u64 bytes;
        if (!measurePart(parts[i].offset, parts[i].count, parts[i].elementSize, &bytes) ||
            !partInFile(reader, parts[i].offset, bytes)) {
            *why = "its data lies outside the file";
            return false;
        }
        // Each part lies within the file, which a signed offset reaches: the sum cannot wrap.
        needed += bytes + heapBlockOverhead;
    }
    // A part taken from a smaller block leaves the largest one as it was, and one taken from the
    // largest leaves it at least `keepFree`.
    if (largestFreeBlock(reader->store) < needed) {
        *why = "the permanent store must keep its room for the scenes";
        return false;
    }
    for (u32 i = 0; i < count; ++i) {
        u64 bytes = parts[i].count * parts[i].elementSize;
        void* block = pushToHeap(reader->store, bytes);
        if (!block) {
            freePakParts(reader, parts, i);
            *why = "the permanent store is full";
            return false;
        }
        *parts[i].destination = block;
        if (!readPakBytes(reader, parts[i].offset, buffer{bytes, (u8*)block})) {
            freePakParts(reader, parts, i + 1);
            *why = "its data lies outside the file";
            return false;
        }
    }
    return true;
}

// The first index that is not below `numVertices`, or -1 when all are.
s64 findIndexOutOfRange(const u32* indices, u64 numIndices, u64 numVertices) {
    for (u64 i = 0; i < numIndices; ++i) {
        if (indices[i] >= numVertices) return (s64)i;
    }
    return -1;
}

// One kind of asset, as the messages name it.
struct PakAssetKind { const c8* name; const c8* plural; };
constexpr PakAssetKind PAK_MESH = {"mesh", "meshes"}, PAK_TEXTURE = {"texture", "textures"},
                       PAK_MATERIAL = {"material", "materials"};

// What every kind begins with: room in the register for one more (`count` of `max` used), and the
// type header at the entry's offset. False, with a line, when either is missing.
template <typename Header>
b8 readAssetHeader(PakReader* reader, u64 assetIndex, AssetHeaderTableEntry entry, PakAssetKind kind, u64 count,
                   u64 max, Header* header) {
    if (count >= max) {
        reportSkippedAsset(reader, assetIndex, entry.assetID, "the register holds %llu %s already",
                           (unsigned long long)max, kind.plural);
        return false;
    }
    if (!readPakRecord(reader, entry.fileOffset, header)) {
        reportSkippedAsset(reader, assetIndex, entry.assetID, "its %s header lies outside the file", kind.name);
        return false;
    }
    return true;
}

// Only a texture's entry may give a glow record (its alpha is the glow's mask); on a mesh's or a
// material's entry the offset is damage. The asset itself is sound and is kept.
void reportGlowRecordOfNonTexture(PakReader* reader, u64 assetIndex, AssetHeaderTableEntry entry, PakAssetKind kind) {
    if (entry.glowRecordOffset == 0) return;
    c8 reason[64];
    snprintf(reason, sizeof(reason), "a %s has no glow, only a texture has one", kind.name);
    reportAsset(reader, assetIndex, entry.assetID, "loaded with its glow record ignored", reason);
}

// readPakParts with a line when the parts cannot be had.
b8 readAssetParts(PakReader* reader, u64 assetIndex, AssetHeaderTableEntry entry, PakAssetKind kind, PakPart* parts,
                  u32 count) {
    const c8* why = "";
    if (readPakParts(reader, parts, count, &why)) return true;
    reportSkippedAsset(reader, assetIndex, entry.assetID, "%s: %s", kind.name, why);
    return false;
}

void loadPakMesh(PakReader* reader, AssetRegister* assets, u64 assetIndex, AssetHeaderTableEntry entry) {
    MeshAssetHeader header;
    if (!readAssetHeader(reader, assetIndex, entry, PAK_MESH, assets->meshCount, assets->maxMeshes, &header)) return;
    Mesh mesh = {};
    mesh.id = entry.assetID;
    mesh.numVertices = header.numVertices;
    mesh.numIndices = header.numIndices;
    mesh.nameLength = header.nameLength;
    mesh.refMaterial = header.refMaterial;
    PakPart parts[] = {
        {header.fileOffsetNameData, header.nameLength, 1, (void**)&mesh.name},
        {header.fileOffsetVPosData, header.numVertices, PAK_POSITION_SIZE, (void**)&mesh.positions},
        {header.fileOffsetNormalData, header.numVertices, PAK_NORMAL_SIZE, (void**)&mesh.normals},
        {header.fileOffsetTexCoordData, header.numVertices, PAK_TEXCOORD_SIZE, (void**)&mesh.texCoord},
        {header.fileOffsetColorData, header.numVertices, PAK_COLOR_SIZE, (void**)&mesh.colors},
        {header.fileOffsetIndicesData, header.numIndices, PAK_INDEX_SIZE, (void**)&mesh.indices},
    };
    const u32 partCount = sizeof(parts) / sizeof(parts[0]);
    if (!readAssetParts(reader, assetIndex, entry, PAK_MESH, parts, partCount)) return;
    s64 bad = findIndexOutOfRange(mesh.indices, mesh.numIndices, mesh.numVertices);
    if (bad >= 0) {
        reportSkippedAsset(reader, assetIndex, entry.assetID, "mesh index %u at %lld is not below its %llu vertices",
                           mesh.indices[bad], (long long)bad, (unsigned long long)mesh.numVertices);
        freePakParts(reader, parts, partCount);
        return;
    }
    registerMesh(assets, mesh);
    reportGlowRecordOfNonTexture(reader, assetIndex, entry, PAK_MESH);
}

// The glow that the entry says the texture's alpha masks. A record outside the file is dropped with
// a line; the alpha stays a mask all the same, so the texture is drawn opaque, without its glow.
void readGlowRecord(PakReader* reader, u64 assetIndex, AssetHeaderTableEntry entry, Texture* texture) {
    texture->alphaIsGlowMask = entry.glowRecordOffset != 0;
    if (!texture->alphaIsGlowMask) return;
    GlowRecord glow;
    if (!readPakRecord(reader, entry.glowRecordOffset, &glow)) {
        reportAsset(reader, assetIndex, entry.assetID, "drawn without its glow", "its glow record lies outside the file");
        return;
    }
    texture->glowEmission = glow.emissionID;
    texture->glowColour = glow.colour;
}

void loadPakTexture(PakReader* reader, AssetRegister* assets, u64 assetIndex, AssetHeaderTableEntry entry) {
    TextureAssetHeader header;
    if (!readAssetHeader(reader, assetIndex, entry, PAK_TEXTURE, assets->textureCount, assets->maxTextures, &header)) {
        return;
    }
    // The renderer cannot make an image of no pixels: uploaded, it would spoil the texture units of
    // the textures drawn after it.
    if (header.width == 0 || header.height == 0) {
        reportSkippedAsset(reader, assetIndex, entry.assetID, "texture of %u by %u pixels has no pixels", header.width,
                           header.height);
        return;
    }
    if (header.width > MAX_TEXTURE_SIDE || header.height > MAX_TEXTURE_SIDE) {
        reportSkippedAsset(reader, assetIndex, entry.assetID, "texture of %u by %u pixels is larger than %u on a side",
                           header.width, header.height, MAX_TEXTURE_SIDE);
        return;
    }
    Texture texture = {};
    texture.id = entry.assetID;
    texture.width = header.width;
    texture.height = header.height;
    readGlowRecord(reader, assetIndex, entry, &texture);
    PakPart pixels = {header.fileOffsetPixelData, (u64)header.width * header.height, PAK_PIXEL_SIZE,
                      (void**)&texture.pixels};
    if (!readAssetParts(reader, assetIndex, entry, PAK_TEXTURE, &pixels, 1)) return;
    registerTexture(assets, texture);
}

void loadPakMaterial(PakReader* reader, AssetRegister* assets, u64 assetIndex, AssetHeaderTableEntry entry) {
    BasicMatAssetHeader header;
    if (!readAssetHeader(reader, assetIndex, entry, PAK_MATERIAL, assets->materialCount, assets->maxMaterials,
                         &header)) {
        return;
    }
    BasicMat material = {};
    material.id = entry.assetID;
    material.nameLength = header.nameLength;
    material.diffuse = header.diffuse;
    material.specular = header.specular;
    material.emitCol = header.emitColor;
    material.roughness = header.roughness;
    material.metalness = header.metalness;
    PakPart name = {header.fileOffsetNameData, header.nameLength, 1, (void**)&material.name};
    if (!readAssetParts(reader, assetIndex, entry, PAK_MATERIAL, &name, 1)) return;
    registerMaterial(assets, material);
    reportGlowRecordOfNonTexture(reader, assetIndex, entry, PAK_MATERIAL);
}

// ---------------------------------------------------------------------------------------------
// Glow records against the textures they name
//
// A record says that the albedo's alpha is the mask of one emission: that emission's texels are
// the glow's colour times the alpha (the pack builder's fold, to within its rounding). The renderer
// then draws the pair from the albedo alone, so a record naming anything else would draw a glow that
// no image holds: it is dropped. The emission may come later in its pack, so records are checked
// once the whole pack is in.
// ---------------------------------------------------------------------------------------------

// How far, in levels of 255, an emission texel may lie from the colour times the mask: the
// builder's own tolerance of one and a half, plus half a level for the mask's rounding.
constexpr f32 GLOW_TEXEL_TOLERANCE = 2.0f;

u32 channelOf(u32 texel, u32 channel) { return (texel >> (8 * channel)) & 0xFFu; }

// Whether every texel of `emission` is opaque and the glow's colour times the albedo's alpha.
b8 isGlowOfMask(const Texture* emission, const Texture* albedo) {
    u64 texelCount = (u64)albedo->width * albedo->height;
    for (u64 i = 0; i < texelCount; ++i) {
        u32 texel = emission->pixels[i];
        if (channelOf(texel, 3) != 0xFFu) return false;
        f32 mask = (f32)channelOf(albedo->pixels[i], 3) / 255.0f;
        for (u32 channel = 0; channel < 3; ++channel) {
            f32 expected = (f32)channelOf(albedo->glowColour, channel) * mask;
            if (fabsf(expected - (f32)channelOf(texel, channel)) > GLOW_TEXEL_TOLERANCE) return false;
        }
    }
    return true;
}

// Why the glow record of `albedo` cannot stand, or null when it names the emission its alpha masks.
const c8* glowRecordFault(AssetRegister* assets, const Texture* albedo) {
    if (albedo->glowEmission == albedo->id) return "its glow record names the texture itself";
    const Texture* emission = getTexture(assets, albedo->glowEmission);
    if (!emission) return "its glow record names no loaded texture";
    if (emission->width != albedo->width || emission->height != albedo->height || !isGlowOfMask(emission, albedo)) {
        return "its glow record names a texture that is not its glow times its alpha";
    }
    return nullptr;
}

// The records of the textures from `firstTexture` on, those of the pack just read.
void checkGlowRecords(PakReader* reader, AssetRegister* assets, u64 firstTexture) {
    for (u64 i = firstTexture; i < assets->textureCount; ++i) {
        Texture* albedo = &assets->textures[i];
        if (!(b8)albedo->glowEmission) continue;
        const c8* fault = glowRecordFault(assets, albedo);
        if (!fault) continue;
        reportAbout(reader, "texture", albedo->id, "drawn without its glow", fault);
        albedo->glowEmission = {};
        albedo->glowColour = 0;
    }
}

void loadPakAsset(PakReader* reader, AssetRegister* assets, u64 assetIndex, AssetHeaderTableEntry entry) {
    switch (entry.type) {
    case ASSET_MESH: loadPakMesh(reader, assets, assetIndex, entry); return;
    case ASSET_TEXTURE: loadPakTexture(reader, assets, assetIndex, entry); return;
    case ASSET_BASIC_MATERIAL: loadPakMaterial(reader, assets, assetIndex, entry); return;
    }
    reportSkippedAsset(reader, assetIndex, entry.assetID, "unknown asset type %llu", (unsigned long long)entry.type);
}

} // namespace detail

void loadPakFile(AssetRegister* assets, PlatformFileList files, u32 index, msi keepFree) {
    VE_ASSERT(assets);
    detail::PakReader reader = {files, index, files.names[index], permanentStore, keepFree, 0};
    const int nameLength = (int)reader.name.length;
    const c8* name = (const c8*)reader.name.data;
    AssetPackHeader header;
    b8 complete = detail::readPakRecord(&reader, 0, &header);
    // A file of no bytes has no magic number to tell whose it is; a pack file cut to nothing is
    // its likeliest cause, and without a word the game would only miss every asset.
    if (!complete && !detail::partInFile(&reader, 0, 1)) {
        printFormattedLine("Pack \"%.*s\" skipped: the file is empty", nameLength, name);
        return;
    }
    // Anything that is not a version 1 pack is not ours to judge: skipped without a word.
    if (header.magicNumber != PAK_MAGIC_NUMBER || header.version != PAK_VERSION) return;
    if (!complete) {
        printFormattedLine("Pack \"%.*s\" skipped: the file ends inside its header", nameLength, name);
        return;
    }
    if (header.numberOfAssets == 0) {
        printFormattedLine("Pack \"%.*s\" holds no assets", nameLength, name);
        return;
    }
    u64 tableBytes;
    if (!detail::measurePart(header.assetHeaderTableOffset, header.numberOfAssets, PAK_TABLE_ENTRY_SIZE, &tableBytes) ||
        !detail::partInFile(&reader, header.assetHeaderTableOffset, tableBytes)) {
        printFormattedLine("Pack \"%.*s\" skipped: its table of %llu assets lies outside the file", nameLength, name,
                           (unsigned long long)header.numberOfAssets);
        return;
    }
    // The table's last byte has been read, so every entry below lies inside the file.
    const u64 firstTexture = assets->textureCount;
    for (u64 j = 0; j < header.numberOfAssets; ++j) {
        AssetHeaderTableEntry entry;
        detail::readPakRecord(&reader, header.assetHeaderTableOffset + PAK_TABLE_ENTRY_SIZE * j, &entry);
        detail::loadPakAsset(&reader, assets, j, entry);
    }
    detail::checkGlowRecords(&reader, assets, firstTexture);
    if (reader.skippedAssets > detail::PAK_MAX_SKIP_MESSAGES) {
        printFormattedLine("Pack \"%.*s\": %u more damaged assets skipped", nameLength, name,
                           reader.skippedAssets - detail::PAK_MAX_SKIP_MESSAGES);
    }
}

void loadAllPakFiles(AssetRegister* assets, msi keepFree) {
    static const c8 pakType[] = "pak";
    PlatformFileList files = platform->openFileList(string{sizeof(pakType) - 1, (u8*)pakType});
    for (u32 i = 0; i < files.count; ++i) loadPakFile(assets, files, i, keepFree);
    platform->closeFileList(files);
}

} // namespace ve
