#pragma once
// Procedural assets and the fixed scene that the frame pipeline's tests and its benchmark draw.
//
// Everything is made here from numbers (a cube, a sky, solid and patterned textures, a glyph), so
// the picture does not change when the shipped art does. Needs a current GL context and a built
// renderer; header-only so that the benchmark can include it without the test harness library.

#include "Math/mat4.h"
#include "Math/utilMath.h"
#include "Renderer/OpenGL/opengl_globals.h"
#include "Renderer/OpenGL/opengl_renderer.h"
#include "Renderer/renderer.h"

#include <math.h>

#include <vector>

namespace pipescene {

inline ve::v2 vec2(f32 x, f32 y) { return ve::v2{{x, y}}; }
inline ve::v3 vec3(f32 x, f32 y, f32 z) { return ve::v3{{x, y, z}}; }
inline ve::v4 vec4(f32 x, f32 y, f32 z, f32 w) { return ve::v4{{x, y, z, w}}; }

inline u32 rgba(u8 r, u8 g, u8 b, u8 a) { return (u32)r | ((u32)g << 8) | ((u32)b << 16) | ((u32)a << 24); }

constexpr s32 WIDTH = 1440;
constexpr s32 HEIGHT = 900;

// =============================================================================================
// Geometry
// =============================================================================================

// A unit cube (corners at +-0.5) with its own normals and texture coordinates per face: 24
// vertices, 36 indices, the layout uploadMesh expects.
struct CubeData {
    ve::v4 positions[24];
    ve::v4 normals[24];
    ve::v2 texCoords[24];
    ve::v4 colors[24];
    u32 indices[36];
};

inline void fillCube(CubeData* cube) {
    const ve::v3 faceNormals[6] = {vec3(1, 0, 0),  vec3(-1, 0, 0), vec3(0, 1, 0),
                                   vec3(0, -1, 0), vec3(0, 0, 1),  vec3(0, 0, -1)};
    for (u32 face = 0; face < 6; ++face) {
        ve::v3 n = faceNormals[face];
        // Two axes spanning the face.
        ve::v3 u = fabsf(n.y) > 0.5f ? vec3(1, 0, 0) : vec3(0, 1, 0);
        ve::v3 v = ve::cross(n, u);
        const f32 corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (u32 c = 0; c < 4; ++c) {
            ve::v3 p = (n + u * corners[c][0] + v * corners[c][1]) * 0.5f;
            u32 k = face * 4 + c;
            cube->positions[k] = vec4(p.x, p.y, p.z, 1);
            cube->normals[k] = vec4(n.x, n.y, n.z, 0);
            cube->texCoords[k] = vec2((corners[c][0] + 1) * 0.5f, (corners[c][1] + 1) * 0.5f);
            cube->colors[k] = vec4(1, 1, 1, 1);
        }
        const u32 order[6] = {0, 1, 2, 0, 2, 3};
        for (u32 i = 0; i < 6; ++i) cube->indices[face * 6 + i] = face * 4 + order[i];
    }
}

inline ve::Mesh makeMesh(const c8* name, CubeData* cube) {
    ve::Mesh mesh = {};
    mesh.id = ve::hashASCIIZ(name);
    mesh.numVertices = 24;
    mesh.numIndices = 36;
    mesh.positions = cube->positions;
    mesh.normals = cube->normals;
    mesh.texCoord = cube->texCoords;
    mesh.colors = cube->colors;
    mesh.indices = cube->indices;
    return mesh;
}

// =============================================================================================
// Textures
// =============================================================================================

// A texture record that owns its pixels for the life of the program (the upload copies them, but
// the record must stay valid as long as frames point at it).
struct OwnedTexture {
    ve::Texture texture;
    std::vector<u32> pixels;
};

// `glowEmission` names the emission whose glow's mask the alpha holds, of colour `glowColour`.
inline ve::Texture* uploadPixels(OwnedTexture* owned, const c8* name, u32 width, u32 height,
                                 std::vector<u32> pixels, const c8* glowEmission = nullptr, u32 glowColour = 0) {
    owned->pixels = std::move(pixels);
    owned->texture = {};
    owned->texture.id = ve::hashASCIIZ(name);
    if (glowEmission) owned->texture.glowEmission = ve::hashASCIIZ(glowEmission);
    owned->texture.glowColour = glowColour;
    owned->texture.width = width;
    owned->texture.height = height;
    owned->texture.pixels = owned->pixels.data();
    ve::uploadTexture(&owned->texture);
    return &owned->texture;
}

inline ve::Texture* uploadSolid(OwnedTexture* owned, const c8* name, u32 color) {
    return uploadPixels(owned, name, 1, 1, {color});
}

// 8 by 8: a vertical bar two texels wide in the middle, opaque white; transparent elsewhere. Its
// margins are what the HUD and render-to-texture regressions are about.
inline ve::Texture* uploadGlyph(OwnedTexture* owned, const c8* name) {
    std::vector<u32> pixels(64, rgba(255, 255, 255, 0));
    for (u32 row = 1; row < 7; ++row) {
        pixels[row * 8 + 3] = rgba(255, 255, 255, 255);
        pixels[row * 8 + 4] = rgba(255, 255, 255, 255);
    }
    return uploadPixels(owned, name, 8, 8, std::move(pixels));
}

inline ve::Texture* uploadChecker(OwnedTexture* owned, const c8* name, u32 a, u32 b) {
    std::vector<u32> pixels(64);
    for (u32 i = 0; i < 64; ++i) pixels[i] = (((i % 8) + (i / 8)) & 1) ? a : b;
    return uploadPixels(owned, name, 8, 8, std::move(pixels));
}

// =============================================================================================
// Camera and records
// =============================================================================================

inline ve::Camera makeCamera(ve::v3 eye, ve::v3 target) {
    ve::Camera camera = {};
    camera.view = ve::lookAt(eye, target, vec3(0, 1, 0));
    camera.proj = ve::perspectiveMat(ve::toRad(60.0f), 0.1f, 100.0f, (f32)WIDTH / (f32)HEIGHT);
    camera.pos = eye;
    camera.dir = ve::normalized(target - eye);
    camera.up = vec3(0, 1, 0);
    return camera;
}

// The window pixel (x from the left, y from the bottom, as glReadPixels counts) where a world
// point lands.
struct ScreenPoint {
    s32 x, y;
};

inline ScreenPoint project(const ve::Camera& camera, ve::v3 world) {
    ve::v4 clip = camera.proj * (camera.view * vec4(world.x, world.y, world.z, 1));
    f32 ndcX = clip.x / clip.w;
    f32 ndcY = clip.y / clip.w;
    return {(s32)((ndcX + 1) * 0.5f * WIDTH), (s32)((ndcY + 1) * 0.5f * HEIGHT)};
}

// A rotation about the y axis by `degrees`.
inline ve::mat3 yaw(f32 degrees) { return ve::toMat3(ve::rotMat(vec3(0, 1, 0), ve::toRad(degrees))); }

// =============================================================================================
// The shared assets and the fixed scene
// =============================================================================================

struct SceneAssets {
    CubeData cubeData;
    ve::Mesh skyMesh;
    ve::Mesh cube;
    OwnedTexture skyFaces[6];
    OwnedTexture white, red, blue, glyph, checker, halfRed, halfBlue, glow, missing;
    ve::BasicMat material;
    ve::BasicMat mirror; // roughness 0
};

// Uploads everything the scenes use: the sky ("skybox_mesh" and a cube map of six muted colours),
// a cube, and the textures. "missing" is filled but never uploaded.
inline void uploadSceneAssets(SceneAssets* assets) {
    fillCube(&assets->cubeData);
    assets->skyMesh = makeMesh("skybox_mesh", &assets->cubeData);
    ve::uploadMesh(&assets->skyMesh);
    assets->cube = makeMesh("pipeline_cube", &assets->cubeData);
    ve::uploadMesh(&assets->cube);

    const u32 faceColors[6] = {rgba(90, 110, 140, 255), rgba(80, 100, 130, 255), rgba(140, 160, 190, 255),
                               rgba(50, 45, 40, 255),   rgba(85, 105, 135, 255), rgba(75, 95, 125, 255)};
    ve::Texture* faces[6];
    for (u32 i = 0; i < 6; ++i) {
        OwnedTexture* face = &assets->skyFaces[i];
        face->pixels = std::vector<u32>(4, faceColors[i]);
        face->texture = {};
        face->texture.width = 2;
        face->texture.height = 2;
        face->texture.pixels = face->pixels.data();
        faces[i] = &face->texture;
    }
    ve::createSkybox(faces);

    uploadSolid(&assets->white, "pipeline_white", rgba(255, 255, 255, 255));
    uploadSolid(&assets->red, "pipeline_red", rgba(255, 0, 0, 255));
    uploadSolid(&assets->blue, "pipeline_blue", rgba(0, 0, 255, 255));
    uploadGlyph(&assets->glyph, "pipeline_glyph");
    uploadChecker(&assets->checker, "pipeline_checker", rgba(230, 200, 60, 255), rgba(40, 120, 200, 255));
    uploadSolid(&assets->halfRed, "pipeline_half_red", rgba(255, 0, 0, 128));
    uploadSolid(&assets->halfBlue, "pipeline_half_blue", rgba(0, 0, 255, 128));
    uploadSolid(&assets->glow, "pipeline_glow", rgba(255, 180, 60, 255));
    assets->missing.pixels = {rgba(1, 2, 3, 4)};
    assets->missing.texture = {};
    assets->missing.texture.id = ve::hashASCIIZ("pipeline_never_uploaded");
    assets->missing.texture.width = 1;
    assets->missing.texture.height = 1;
    assets->missing.texture.pixels = assets->missing.pixels.data();

    assets->material = {};
    assets->material.id = ve::hashASCIIZ("pipeline_material");
    assets->material.diffuse = vec3(1, 1, 1);
    assets->material.specular = vec3(1, 1, 1);
    assets->material.roughness = 0.6f;
    assets->material.metalness = 0.1f;
    assets->mirror = assets->material;
    assets->mirror.id = ve::hashASCIIZ("pipeline_mirror");
    assets->mirror.roughness = 0.0f;
}

// A row of HUD glyphs in normalised device coordinates, 0.07 wide and 0.04 apart, as the game's
// text is laid out.
inline void pushHudText(ve::RenderFrame* frame, ve::Texture* glyph, ve::v3 start, u32 glyphCount) {
    for (u32 i = 0; i < glyphCount; ++i) {
        frame->hudElement(start + vec3(0.04f * (f32)i, 0, 0), ve::iMat3(), vec3(0.07f, 0.1f, 1), glyph, nullptr,
                          vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0));
    }
}

// The fixed scene of the golden image and the benchmark: a floor, three lit cubes (two with
// outlines, one of them teal like the game's time-shielded objects), an emissive cube that blooms,
// an opaque quad, two overlapping transparent quads, four lights and a line of HUD text.
inline void fillFixedScene(ve::RenderFrame* frame, SceneAssets* assets) {
    frame->cam = makeCamera(vec3(0, 2.5f, -6), vec3(0, 0.5f, 0));
    frame->setClearCol(vec3(0, 0, 0));
    frame->pointLight(vec3(-2, 3, -2), vec3(12, 11, 10), vec3(0, 0, 0));
    frame->pointLight(vec3(2.5f, 2, -1), vec3(6, 8, 12), vec3(0, 0, 0));
    frame->pointLight(vec3(0, 1.5f, 2), vec3(8, 6, 4), vec3(0, 0, 0));
    frame->pointLight(vec3(0, 5, -4), vec3(10, 10, 10), vec3(0, 0, 0));

    ve::mat3 flat = ve::toMat3(ve::rotMat(vec3(1, 0, 0), ve::toRad(90)));
    frame->quad(vec3(0, 0, 0), flat, vec3(10, 10, 1), &assets->checker.texture, nullptr, vec2(4, 4), vec2(0, 0),
                vec4(0, 0, 0, 0));
    frame->mesh(vec3(-1.8f, 0.5f, 0), yaw(20), vec3(1, 1, 1), &assets->cube, &assets->white.texture,
                &assets->material, nullptr, vec2(1, 1), vec2(0, 0), vec4(0.1f, 0.3f, 0.3f, 0.05f));
    frame->mesh(vec3(0, 0.75f, 1), yaw(45), vec3(1.5f, 1.5f, 1.5f), &assets->cube, &assets->checker.texture,
                &assets->material, nullptr, vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0));
    frame->mesh(vec3(1.9f, 0.4f, -0.2f), yaw(-30), vec3(0.8f, 0.8f, 0.8f), &assets->cube, &assets->red.texture,
                &assets->material, nullptr, vec2(1, 1), vec2(0, 0), vec4(1, 1, 0, 0.08f));
    frame->mesh(vec3(0.9f, 1.6f, -1.5f), yaw(10), vec3(0.3f, 0.3f, 0.3f), &assets->cube, &assets->white.texture,
                &assets->material, &assets->glow.texture, vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0));
    frame->quad(vec3(-3, 1.5f, 2), yaw(-20), vec3(1.5f, 1.5f, 1), &assets->checker.texture, nullptr, vec2(1, 1),
                vec2(0, 0), vec4(0, 0, 0, 0));
    frame->transQuad(vec3(-0.6f, 1, -2), ve::iMat3(), vec3(1.6f, 1.2f, 1), &assets->halfBlue.texture, nullptr,
                     vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0), 0, 0);
    frame->transQuad(vec3(0.2f, 1.2f, -2.8f), ve::iMat3(), vec3(1.2f, 1, 1), &assets->halfRed.texture, nullptr,
                     vec2(1, 1), vec2(0, 0), vec4(0, 0, 0, 0), 0, 0);
    pushHudText(frame, &assets->glyph.texture, vec3(-0.9f, 0.85f, 0), 12);
}

} // namespace pipescene
