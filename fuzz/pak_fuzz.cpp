// Fuzzes the pack loader: any bytes as one pack file, loaded as the engine's start-up loads it,
// into a permanent store of the engine's size that already holds the engine state record. The
// loader must neither crash nor hang, must keep the register within its maxima, must register
// only assets that satisfy its checks, and must leave the scenes their room, so that the first
// scene's heap can always be created.

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Core/engine_main.h"
#include "Memory/memory.h"

#include "../tests/harness/memoryFiles.h"

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

namespace {

void checkRegister(ve::AssetRegister& assets) {
    if (assets.meshCount > assets.maxMeshes || assets.textureCount > assets.maxTextures ||
        assets.materialCount > assets.maxMaterials) {
        __builtin_trap();
    }
    for (u64 m = 0; m < assets.meshCount; ++m) {
        const ve::Mesh& mesh = assets.meshes[m];
        for (u64 i = 0; i < mesh.numIndices; ++i) {
            if (mesh.indices[i] >= mesh.numVertices) __builtin_trap();
        }
    }
    for (u64 t = 0; t < assets.textureCount; ++t) {
        const ve::Texture& texture = assets.textures[t];
        if (texture.width == 0 || texture.height == 0) __builtin_trap();
        if (texture.width > ve::MAX_TEXTURE_SIDE || texture.height > ve::MAX_TEXTURE_SIDE) __builtin_trap();
        // A glow drawn from the alpha belongs to an alpha that is a mask, and names another
        // texture of the same size.
        if (!(b8)texture.glowEmission) continue;
        const ve::Texture* emission = ve::getTexture(&assets, texture.glowEmission);
        if (!texture.alphaIsGlowMask || !emission || texture.glowEmission == texture.id ||
            emission->width != texture.width || emission->height != texture.height) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static u8* memory = (u8*)malloc(ve::PERMANENT_STORE_SIZE);
    static memfiles::MemoryFileSystem files;
    ve::MemoryStore store = ve::createHeapStore(buffer{ve::PERMANENT_STORE_SIZE, memory});
    // The state record is the permanent store's first allocation, before any pack is read.
    if (!ve::pushToHeap(&store, sizeof(ve::EngineState))) __builtin_trap();
    ve::permanentStore = &store;
    files.files.clear();
    files.printed.clear();
    files.files.push_back({"fuzz.pak", std::vector<u8>(data, data + size)});
    // The same bytes twice: a damaged pack must not keep the next one from loading.
    files.files.push_back({"again.pak", std::vector<u8>(data, data + size)});
    memfiles::installMemoryFileSystem(&files);

    ve::AssetRegister assets = {};
    ve::createAssetRegister(&assets, ve::MAX_MESHES, ve::MAX_TEXTURES, ve::MAX_MATERIALS);
    ve::loadAllPakFiles(&assets, ve::SCENE_STORE_RESERVE);
    checkRegister(assets);
    if (ve::largestFreeBlock(&store) < ve::SCENE_STORE_RESERVE) __builtin_trap();
    return 0;
}
