#include "kestrolanArt.h"

namespace art {

namespace {
pakbuild::PakMaterial makeMaterial(const char* name, ve::v3 diffuse, f32 roughness, f32 metalness, ve::v3 emitColor) {
    pakbuild::PakMaterial material;
    material.name = name;
    material.diffuse = diffuse;
    material.specular.x = material.specular.y = material.specular.z = 1;
    material.emitColor = emitColor;
    material.roughness = roughness;
    material.metalness = metalness;
    return material;
}

ve::v3 grey(f32 value) { return ve::v3{{value, value, value}}; }
} // namespace

// Roughness stays at 0.05 or more: the lighting divides by it squared.
void addMaterials(pakbuild::PakContents* contents) {
    const ve::v3 warm = {{1, 0.9f, 0.7f}};
    contents->materials.push_back(makeMaterial("light_mat", grey(1), 0.3f, 0.0f, warm));
    contents->materials.push_back(makeMaterial("cube_mat", grey(1), 0.45f, 0.1f, grey(0)));
    contents->materials.push_back(makeMaterial("button_mat", grey(1), 0.35f, 0.3f, grey(0)));
    contents->materials.push_back(makeMaterial("pressure_plate_mat", grey(1), 0.25f, 0.9f, grey(0)));
    contents->materials.push_back(makeMaterial("elevator_mat", grey(1), 0.4f, 0.5f, grey(0)));
}

bool makeKestrolanArt(pakbuild::PakContents* contents, const char* fontPath) {
    addMeshes(contents);
    addTextures(contents);
    addMaterials(contents);
    return addFontAtlas(contents, fontPath);
}

} // namespace art
