#pragma once
// Writes one asset pack from assets held in memory. The layout is: pack header, asset table, then
// for each asset its type header followed by its arrays. Offsets are absolute, as the loader
// expects; every header goes through the same field encoders the loader decodes with.

#include "Platform/machineDef.h"
#include "Math/v2.h"
#include "Math/v3.h"
#include "Math/v4.h"
#include "Math/utilMath.h"

#include <string>
#include <vector>

namespace pakbuild {

struct PakMesh {
    std::string name;
    std::string materialName; // hashed into the mesh's `refMaterial`; empty for none
    std::vector<ve::v4> positions;
    std::vector<ve::v4> normals;
    std::vector<ve::v2> texCoords;
    std::vector<ve::v4> colors;
    std::vector<u32> indices;
};

// RGBA8 pixels packed red in the low byte; row 0 is the bottom row (v = 0).
struct PakImage {
    std::string name;
    u32 width = 0;
    u32 height = 0;
    std::vector<u32> pixels;
    // Of an albedo whose alpha holds a glow's mask: the emission image it was taken from and the
    // glow's colour (pakFormat.h). Empty for every other image.
    std::string glowEmission;
    u32 glowColour = 0;
};

struct PakMaterial {
    std::string name;
    ve::v3 diffuse;
    ve::v3 specular;
    ve::v3 emitColor;
    f32 metalness = 0;
    f32 roughness = 1;
};

struct PakContents {
    std::vector<PakMesh> meshes;
    std::vector<PakImage> textures;
    std::vector<PakMaterial> materials;
};

ve::Hash hashName(const std::string& name);

// The whole pack file as bytes.
std::vector<u8> serializePak(const PakContents& contents);

// Writes `bytes` to a temporary file beside `path` and renames it over `path`, so a reader never
// sees half a pack. False, with a message on stderr, when anything fails.
bool writeFileReplacing(const std::string& path, const std::vector<u8>& bytes);

} // namespace pakbuild
