#pragma once
// Loading asset packs into the register, and finding assets by id.
//
// Packs are untrusted input: the loader checks every count, offset and length at the moment the
// bytes come in, skips a damaged asset (or a damaged pack) with one line on the console and goes on
// with the rest. A pack with another magic number or version is skipped without a word; an empty
// file and a pack without assets are named in one line each.

#include "Platform/machineDef.h"
#include "Platform/ve_platform.h"
#include "Core/Assets/assetDef.h"

namespace ve {

// Largest texture side the loader accepts, in pixels.
constexpr u32 MAX_TEXTURE_SIDE = 16384;

// Sets the maxima and takes the three arrays from the permanent store. The register itself comes
// zero-filled, so the counts start at 0.
void createAssetRegister(AssetRegister* assets, u64 maxMeshes, u64 maxTextures, u64 maxMaterials);

// Every file with the extension "pak" under the asset directory, in list order. An asset that
// would leave no free block of `keepFree` bytes in the permanent store is skipped with a line
// naming its pack: the store must still hold the scenes, and many table entries may share one
// large part of a small pack.
void loadAllPakFiles(AssetRegister* assets, msi keepFree);
// The pack at `index` of `files`. Assets are registered in table order.
void loadPakFile(AssetRegister* assets, PlatformFileList files, u32 index, msi keepFree);

// Append a copy of the record; the caller makes sure there is room.
void registerMesh(AssetRegister* assets, Mesh mesh);
void registerTexture(AssetRegister* assets, Texture texture);
void registerMaterial(AssetRegister* assets, BasicMat material);

// The first entry in load order whose id matches on all 16 bytes, or null.
Mesh* getMesh(AssetRegister* assets, Hash id);
Texture* getTexture(AssetRegister* assets, Hash id);
BasicMat* getBasicMat(AssetRegister* assets, Hash id);

} // namespace ve
