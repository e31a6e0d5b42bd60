// The game's meshes, in metres, y up. Sizes follow the levels: the cube is the unit cube around
// its origin, the plate and the button stand on their origin, the elevator's origin is the bottom
// centre of its frame.

#include "kestrolanArt.h"

namespace art {

namespace {

ve::v3 point(f32 x, f32 y, f32 z) { return ve::v3{{x, y, z}}; }

pakbuild::PakMesh finish(MeshBuilder* builder, const char* name, const char* materialName) {
    builder->mesh.name = name;
    builder->mesh.materialName = materialName;
    return builder->mesh;
}

pakbuild::PakMesh makeCube() {
    MeshBuilder builder;
    addBox(&builder, point(-0.5f, -0.5f, -0.5f), point(0.5f, 0.5f, 0.5f), FULL_UV);
    return finish(&builder, "cube_mesh", "cube_mat");
}

// A small glowing bulb of radius 0.15 around the light's position.
pakbuild::PakMesh makeLight() {
    MeshBuilder builder;
    addSphere(&builder, point(0, 0, 0), 0.15f, 12, 24, FULL_UV);
    return finish(&builder, "light_mesh", "light_mat");
}

// A pedestal 0.5 wide and 1 high: plinth, column, top plate and the red cap. The pedestal's parts
// take the lower half of the button texture, the cap the upper half (with a margin, so that
// filtering never mixes the two).
pakbuild::PakMesh makeButton() {
    const UvRect body = {0.02f, 0.02f, 0.98f, 0.48f};
    const UvRect cap = {0.02f, 0.52f, 0.98f, 0.98f};
    MeshBuilder builder;
    addBox(&builder, point(-0.25f, 0, -0.25f), point(0.25f, 0.1f, 0.25f), body);
    addBox(&builder, point(-0.15f, 0.1f, -0.15f), point(0.15f, 0.88f, 0.15f), body);
    addBox(&builder, point(-0.25f, 0.88f, -0.25f), point(0.25f, 0.94f, 0.25f), body);
    addBox(&builder, point(-0.16f, 0.94f, -0.16f), point(0.16f, 1.0f, 0.16f), cap);
    return finish(&builder, "button_mesh", "button_mat");
}

// A gold plate 1.8 by 0.08 by 1.8 on a slightly larger rim, standing on its origin.
pakbuild::PakMesh makePressurePlate() {
    MeshBuilder builder;
    addBox(&builder, point(-0.9f, 0, -0.9f), point(0.9f, 0.05f, 0.9f), FULL_UV);
    addBox(&builder, point(-0.8f, 0.05f, -0.8f), point(0.8f, 0.08f, 0.8f), FULL_UV);
    return finish(&builder, "pressure_plate_mesh", "pressure_plate_mat");
}

// A door frame 2.4 wide and 3 high, 0.6 deep, with closed doors set back inside it. The frame takes
// the left half of the elevator texture, the doors the right half.
pakbuild::PakMesh makeElevator() {
    const UvRect frame = {0.02f, 0.02f, 0.48f, 0.98f};
    const UvRect doors = {0.52f, 0.02f, 0.98f, 0.98f};
    MeshBuilder builder;
    addBox(&builder, point(-1.2f, 0, -0.3f), point(-0.9f, 2.7f, 0.3f), frame);
    addBox(&builder, point(0.9f, 0, -0.3f), point(1.2f, 2.7f, 0.3f), frame);
    addBox(&builder, point(-1.2f, 2.7f, -0.3f), point(1.2f, 3.0f, 0.3f), frame);
    addBox(&builder, point(-0.9f, 0, 0.05f), point(0.9f, 2.7f, 0.15f), doors);
    return finish(&builder, "elevator_mesh", "elevator_mat");
}

// The sky is drawn from inside a cube of exactly 36 indices; its faces look inwards.
pakbuild::PakMesh makeSkybox() {
    MeshBuilder builder;
    addInwardBox(&builder, point(-1, -1, -1), point(1, 1, 1), FULL_UV);
    return finish(&builder, "skybox_mesh", "");
}

} // namespace

void addMeshes(pakbuild::PakContents* contents) {
    contents->meshes.push_back(makeCube());
    contents->meshes.push_back(makeLight());
    contents->meshes.push_back(makeButton());
    contents->meshes.push_back(makePressurePlate());
    contents->meshes.push_back(makeElevator());
    contents->meshes.push_back(makeSkybox());
}

} // namespace art
