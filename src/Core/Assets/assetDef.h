#pragma once
// Loaded assets, the asset register and the by-hash references that entity data stores.
//
// Everything here lives in the permanent store and is never freed: the register, its three arrays
// and every name, vertex, index and pixel array that the pack loader reads. The renderer keeps its
// own GPU copies keyed by the same ids.

#include "Platform/machineDef.h"
#include "Math/utilMath.h"
#include "Math/v2.h"
#include "Math/v3.h"
#include "Math/v4.h"

namespace ve {

// The kind of an entry in a pack's asset table (stored as u64 in the file).
enum AssetType : u64 {
    ASSET_MESH = 0,
    ASSET_TEXTURE = 1,
    ASSET_BASIC_MATERIAL = 2,
};

// A mesh as the renderer uploads it: four parallel vertex arrays and a triangle index list.
// Positions carry w = 1 and normals w = 0. The arrays are not owned by the record.
struct Mesh {
    Hash id;
    u64 numVertices;
    u64 numIndices;
    u64 nameLength;
    Hash refMaterial;
    c8* name; // nameLength bytes, not NUL-terminated
    v4* positions;
    v4* normals;
    v2* texCoord;
    v4* colors;
    u32* indices;
};

// RGBA8 pixels, width * height of them, the first row being the one at v = 0 (the bottom).
struct Texture {
    Hash id;
    u32 width;
    u32 height;
    u32* pixels;
    // Set when the pack's table entry gives the texture a glow record (pakFormat.h): its alpha is
    // then a glow's mask, not coverage, and the texture is opaque even when the record is lost.
    b8 alphaIsGlowMask;
    // Of such an albedo whose record names the emission that its alpha masks: the glow's colour
    // (RGBA8) and that emission. An id of all zeros: the glow is not drawn from the alpha.
    u32 glowColour;
    Hash glowEmission;
};

// The parameters of the lit shader. Roughness comes before metalness here, the other way round
// from the pack's material header.
struct BasicMat {
    Hash id;
    u32 nameLength;
    v3 diffuse;
    v3 specular;
    v3 emitCol;
    f32 roughness;
    f32 metalness;
    c8* name; // nameLength bytes, not NUL-terminated
};

// Fixed-capacity table of everything the packs held, in load order.
struct AssetRegister {
    u64 maxMeshes;
    u64 maxTextures;
    u64 maxMaterials;
    u64 meshCount;
    u64 textureCount;
    u64 materialCount;
    Mesh* meshes;
    BasicMat* materials;
    Texture* textures;
};

// References stored in entity data and scene files: the lane hash of the asset's name.
struct MeshRef {
    Hash id;
    Mesh* get();
};
struct TextureRef {
    Hash id;
    Texture* get();
};
struct BasicMatRef {
    Hash id;
    BasicMat* get();
};

// The register's arrays are sized by these records; a change here changes the permanent store's
// layout.
static_assert(sizeof(Mesh) == 112, "Mesh record is 112 bytes");
static_assert(sizeof(Texture) == 64, "Texture record is 64 bytes");
static_assert(sizeof(BasicMat) == 80, "BasicMat record is 80 bytes");

} // namespace ve
