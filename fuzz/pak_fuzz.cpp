// Fuzzes the pack loader: any bytes as one pack file. The loader must neither crash nor hang, must
// keep the register within its maxima, and must register only assets that satisfy its checks.

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"

#include "../tests/support/memoryFiles.h"

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace {

void checkRegister(const ve::AssetRegister& assets) {
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
        if (assets.textures[t].width > ve::MAX_TEXTURE_SIDE || assets.textures[t].height > ve::MAX_TEXTURE_SIDE) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<u8> memory(64 << 20);
    static memfiles::MemoryFileSystem files;
    ve::MemoryStore store = ve::createHeapStore(buffer{memory.size(), memory.data()});
    ve::permanentStore = &store;
    files.files.clear();
    files.printed.clear();
    files.files.push_back({"fuzz.pak", std::vector<u8>(data, data + size)});
    // The same bytes twice: a damaged pack must not keep the next one from loading.
    files.files.push_back({"again.pak", std::vector<u8>(data, data + size)});
    memfiles::installMemoryFileSystem(&files);

    ve::AssetRegister assets = {};
    ve::createAssetRegister(&assets, 100, 100, 100);
    ve::loadAllPakFiles(&assets);
    checkRegister(assets);
    return 0;
}
