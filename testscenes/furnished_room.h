#pragma once
// A furnished room built straight from render-frame records, as the game's entities would push
// it: wall panels and cables as opaque quads, a lamp, cubes (two with the teal outline), a button,
// a pressure plate and an elevator as meshes, two energy barriers and a floating-text billboard as
// transparent quads, the floating text's glyphs drawn into its colour buffer, a player's, a lamp's
// and an elevator's light, and the HUD's clock, crosshair and status lines.
//
// Textures are made here from numbers at the sizes the game's art uses (256 by 256, the lamp's 128,
// the sky's 512), so the frame costs what a level costs while the picture stays fixed when the
// shipped art changes. Header-only, for the pipeline's GL test and its benchmark.

#include "pipeline_scene.h"

namespace furnished {

using pipescene::rgba;
using pipescene::vec2;
using pipescene::vec3;
using pipescene::vec4;

// =============================================================================================
// Textures
// =============================================================================================

// Smooth value noise in [0, 1), repeating every `period` cells.
inline f32 latticeValue(s32 x, s32 y, s32 period, u32 seed) {
    u32 h = (u32)((x % period + period) % period) * 73856093u ^ (u32)((y % period + period) % period) * 19349663u ^
            seed * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (f32)(h & 0xFFFF) / 65536.0f;
}

inline f32 smoothNoise(f32 x, f32 y, s32 period, u32 seed) {
    s32 x0 = (s32)floorf(x), y0 = (s32)floorf(y);
    f32 fx = x - (f32)x0, fy = y - (f32)y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    f32 top = latticeValue(x0, y0, period, seed) * (1 - fx) + latticeValue(x0 + 1, y0, period, seed) * fx;
    f32 bottom = latticeValue(x0, y0 + 1, period, seed) * (1 - fx) + latticeValue(x0 + 1, y0 + 1, period, seed) * fx;
    return top * (1 - fy) + bottom * fy;
}

inline u8 toByte(f32 value) { return (u8)(fminf(fmaxf(value, 0.0f), 1.0f) * 255.0f + 0.5f); }

// A square texture of `size` texels: a base colour shaded by noise, with a border band of
// `borderColor` `border` texels wide (0 for none). `alpha` applies to every texel.
struct Look {
    f32 r, g, b;
    f32 noise;
    f32 borderR, borderG, borderB;
    u32 border;
    u8 alpha;
};

inline ve::Texture* uploadLook(pipescene::OwnedTexture* owned, const c8* name, u32 size, Look look, u32 seed) {
    std::vector<u32> pixels((size_t)size * size);
    for (u32 y = 0; y < size; ++y) {
        for (u32 x = 0; x < size; ++x) {
            f32 n = smoothNoise((f32)x / 16.0f, (f32)y / 16.0f, std::max((s32)size / 16, 1), seed) - 0.5f;
            u32 edge = std::min(std::min(x, y), std::min(size - 1 - x, size - 1 - y));
            b8 onBorder = edge < look.border;
            f32 r = onBorder ? look.borderR : look.r + n * look.noise;
            f32 g = onBorder ? look.borderG : look.g + n * look.noise;
            f32 b = onBorder ? look.borderB : look.b + n * look.noise;
            pixels[(size_t)y * size + x] = rgba(toByte(r), toByte(g), toByte(b), look.alpha);
        }
    }
    return pipescene::uploadPixels(owned, name, size, size, std::move(pixels));
}

// The glyph atlas: 16 by 6 cells of 16 by 24 texels, each a pattern of bars on transparent texels.
inline ve::Texture* uploadFont(pipescene::OwnedTexture* owned) {
    const u32 width = 256, height = 144;
    std::vector<u32> pixels((size_t)width * height, rgba(255, 255, 255, 0));
    for (u32 y = 0; y < height; ++y) {
        for (u32 x = 0; x < width; ++x) {
            u32 cell = (y / 24) * 16 + x / 16;
            u32 cx = x % 16, cy = y % 24;
            b8 stem = cx >= 4 + cell % 5 && cx < 7 + cell % 5 && cy > 3 && cy < 20;
            b8 bar = cy >= 6 + (cell * 7) % 11 && cy < 9 + (cell * 7) % 11 && cx > 3 && cx < 13;
            if (stem || bar) pixels[(size_t)y * width + x] = rgba(255, 255, 255, 255);
        }
    }
    return pipescene::uploadPixels(owned, "room_font", width, height, std::move(pixels));
}

// =============================================================================================
// Assets
// =============================================================================================

struct RoomAssets {
    pipescene::CubeData cubeData;
    ve::Mesh skyMesh, cube;
    pipescene::OwnedTexture skyFaces[6];
    pipescene::OwnedTexture ground, groundEmission, cubeTexture, cubeEmission, button, buttonEmission, gold,
        black, elevator, elevatorEmission, lamp, lampEmission, cable, cableEmission, energy, font;
    ve::BasicMat groundMat, cubeMat, buttonMat, plateMat, elevatorMat, lampMat;
};

inline ve::BasicMat makeMaterial(const c8* name, f32 roughness, f32 metalness) {
    ve::BasicMat material = {};
    material.id = ve::hashASCIIZ(name);
    material.diffuse = vec3(1, 1, 1);
    material.specular = vec3(1, 1, 1);
    material.roughness = roughness;
    material.metalness = metalness;
    return material;
}

inline void uploadRoomAssets(RoomAssets* assets) {
    pipescene::fillCube(&assets->cubeData);
    assets->skyMesh = pipescene::makeMesh("skybox_mesh", &assets->cubeData);
    ve::uploadMesh(&assets->skyMesh);
    assets->cube = pipescene::makeMesh("room_cube", &assets->cubeData);
    ve::uploadMesh(&assets->cube);

    // One sky image for all six faces, as the engine passes it.
    uploadLook(&assets->skyFaces[0], "room_sky", 512, {0.35f, 0.45f, 0.6f, 0.3f, 0, 0, 0, 0, 255}, 1);
    ve::Texture* faces[6];
    for (u32 i = 0; i < 6; ++i) faces[i] = &assets->skyFaces[0].texture;
    ve::createSkybox(faces);

    uploadLook(&assets->ground, "room_ground", 256, {0.55f, 0.56f, 0.58f, 0.25f, 0.3f, 0.31f, 0.33f, 6, 255}, 2);
    uploadLook(&assets->groundEmission, "room_ground_emission", 256, {0, 0, 0, 0, 0.05f, 0.25f, 0.3f, 2, 255}, 3);
    uploadLook(&assets->cubeTexture, "room_cube_img", 256, {0.7f, 0.5f, 0.3f, 0.2f, 0.2f, 0.2f, 0.22f, 20, 255}, 4);
    uploadLook(&assets->cubeEmission, "room_cube_emission", 256, {0, 0, 0, 0, 0.2f, 0.9f, 1.0f, 8, 255}, 5);
    uploadLook(&assets->button, "room_button", 256, {0.7f, 0.1f, 0.1f, 0.2f, 0.3f, 0.3f, 0.3f, 30, 255}, 6);
    uploadLook(&assets->buttonEmission, "room_button_emission", 256, {0, 0, 0, 0, 0.9f, 0.2f, 0.1f, 10, 255}, 7);
    uploadLook(&assets->gold, "room_gold", 256, {0.85f, 0.65f, 0.2f, 0.2f, 0, 0, 0, 0, 255}, 8);
    uploadLook(&assets->black, "room_black", 4, {0, 0, 0, 0, 0, 0, 0, 0, 255}, 9);
    uploadLook(&assets->elevator, "room_elevator", 256, {0.4f, 0.42f, 0.45f, 0.2f, 0.15f, 0.15f, 0.17f, 12, 255}, 10);
    uploadLook(&assets->elevatorEmission, "room_elevator_emission", 256, {0, 0, 0, 0, 0.3f, 0.9f, 0.4f, 4, 255}, 11);
    uploadLook(&assets->lamp, "room_lamp", 128, {0.9f, 0.85f, 0.7f, 0.1f, 0, 0, 0, 0, 255}, 12);
    uploadLook(&assets->lampEmission, "room_lamp_emission", 128, {1.0f, 0.9f, 0.6f, 0.1f, 0, 0, 0, 0, 255}, 13);
    uploadLook(&assets->cable, "room_cable", 128, {0.15f, 0.15f, 0.18f, 0.1f, 0.4f, 0.4f, 0.4f, 16, 255}, 14);
    uploadLook(&assets->cableEmission, "room_cable_emission", 128, {0, 0, 0, 0, 0.1f, 0.8f, 1.0f, 40, 255}, 15);
    uploadLook(&assets->energy, "room_energy", 256, {0.2f, 0.5f, 1.0f, 0.6f, 0.6f, 0.9f, 1.0f, 10, 110}, 16);
    uploadFont(&assets->font);

    assets->groundMat = makeMaterial("room_ground_mat", 0.8f, 0.1f);
    assets->cubeMat = makeMaterial("room_cube_mat", 0.5f, 0.3f);
    assets->buttonMat = makeMaterial("room_button_mat", 0.4f, 0.2f);
    assets->plateMat = makeMaterial("room_plate_mat", 0.3f, 0.8f);
    assets->elevatorMat = makeMaterial("room_elevator_mat", 0.6f, 0.5f);
    assets->lampMat = makeMaterial("room_lamp_mat", 0.9f, 0.0f);
}

// =============================================================================================
// The room
// =============================================================================================

constexpr f32 ROOM_HALF_WIDTH = 6.0f;
constexpr f32 ROOM_HEIGHT = 4.0f;
const ve::v4 TEAL_OUTLINE = {{0.1f, 0.3f, 0.3f, 0.05f}};
const ve::v4 NO_OUTLINE = {{0, 0, 0, 0}};

inline ve::mat3 rotation(ve::v3 axis, f32 degrees) { return ve::toMat3(ve::rotMat(axis, ve::toRad(degrees))); }

// One wall panel as the wall entity draws a collider: full size `size`, the ground texture
// repeated once per two units.
inline void pushPanel(ve::RenderFrame* frame, RoomAssets* assets, ve::v3 centre, ve::mat3 turn, ve::v2 size) {
    frame->quad(centre, turn, vec3(size.x, size.y, 1), &assets->ground.texture, &assets->groundEmission.texture,
                vec2(size.x * 0.5f, size.y * 0.5f), vec2(0, 0), NO_OUTLINE);
}

inline void pushWalls(ve::RenderFrame* frame, RoomAssets* assets) {
    const f32 w = ROOM_HALF_WIDTH, h = ROOM_HEIGHT;
    const ve::v3 up = vec3(0, 1, 0), side = vec3(1, 0, 0);
    // Floor and ceiling in two halves each, as levels build them from several boxes.
    for (f32 x : {-w * 0.5f, w * 0.5f}) {
        pushPanel(frame, assets, vec3(x, 0, 0), rotation(side, 90), vec2(w, 2 * w));
        pushPanel(frame, assets, vec3(x, h, 0), rotation(side, -90), vec2(w, 2 * w));
    }
    // Four walls of two panels each.
    for (u32 wall = 0; wall < 4; ++wall) {
        f32 degrees = 90.0f * (f32)wall;
        ve::mat3 turn = rotation(up, degrees);
        ve::v3 inward = turn * vec3(0, 0, -1);
        ve::v3 along = turn * vec3(1, 0, 0);
        for (f32 offset : {-w * 0.5f, w * 0.5f}) {
            pushPanel(frame, assets, inward * -w + along * offset + vec3(0, h * 0.5f, 0), turn, vec2(w, h));
        }
    }
}

// Flat cable segments on the floor from the button towards the barriers, and a gate sign on the
// far wall.
inline void pushCables(ve::RenderFrame* frame, RoomAssets* assets) {
    ve::mat3 flat = rotation(vec3(1, 0, 0), 90);
    for (u32 i = 0; i < 4; ++i) {
        frame->quad(vec3(-2.5f + 2.0f * (f32)i, 0.02f, 3.0f), flat * rotation(vec3(0, 0, 1), 90), vec3(0.4f, 2, 2),
                    &assets->cable.texture, &assets->cableEmission.texture, vec2(1, 1), vec2(0, 0), NO_OUTLINE);
    }
    frame->quad(vec3(2, 2.5f, 5.95f), ve::iMat3(), vec3(1, 1, 1), &assets->gold.texture, &assets->gold.texture,
                vec2(1, 1), vec2(0, 0), NO_OUTLINE);
}

inline void pushMesh(ve::RenderFrame* frame, RoomAssets* assets, ve::v3 position, ve::mat3 turn, ve::v3 scale,
                     ve::Texture* texture, ve::BasicMat* material, ve::Texture* emission, ve::v4 outline) {
    frame->mesh(position, turn, scale, &assets->cube, texture, material, emission, vec2(1, 1), vec2(0, 0), outline);
}

inline void pushProps(ve::RenderFrame* frame, RoomAssets* assets) {
    const ve::v3 up = vec3(0, 1, 0);
    // The lamp under the ceiling and its light.
    pushMesh(frame, assets, vec3(0, 3.6f, 1), ve::iMat3(), vec3(0.5f, 0.3f, 0.5f), &assets->lamp.texture,
             &assets->lampMat, &assets->lampEmission.texture, NO_OUTLINE);
    frame->pointLight(vec3(0, 3.6f, 1), vec3(6, 4, 2.5f), vec3(1, 0.4f, 0.1f));
    // Cubes: two outside the rewind (teal outline), one time-dependent.
    pushMesh(frame, assets, vec3(-2, 0.5f, 2), rotation(up, 20), vec3(1, 1, 1), &assets->cubeTexture.texture,
             &assets->cubeMat, &assets->cubeEmission.texture, TEAL_OUTLINE);
    pushMesh(frame, assets, vec3(1.5f, 0.5f, 0.5f), rotation(up, -35), vec3(1, 1, 1), &assets->cubeTexture.texture,
             &assets->cubeMat, &assets->cubeEmission.texture, TEAL_OUTLINE);
    pushMesh(frame, assets, vec3(-0.5f, 0.5f, 4), rotation(up, 5), vec3(1, 1, 1), &assets->cubeTexture.texture,
             &assets->cubeMat, &assets->cubeEmission.texture, NO_OUTLINE);
    // A button on a post and a pressure plate, both outlined.
    pushMesh(frame, assets, vec3(-4, 1.2f, 5.7f), ve::iMat3(), vec3(0.4f, 0.4f, 0.2f), &assets->button.texture,
             &assets->buttonMat, &assets->buttonEmission.texture, TEAL_OUTLINE);
    pushMesh(frame, assets, vec3(3, 0.05f, 3), ve::iMat3(), vec3(2, 0.1f, 2), &assets->gold.texture,
             &assets->plateMat, &assets->gold.texture, TEAL_OUTLINE);
    // The elevator cabin in the far corner, lit, with its light above it.
    pushMesh(frame, assets, vec3(4, 1.5f, 4.5f), rotation(up, 180), vec3(2, 3, 2), &assets->elevator.texture,
             &assets->elevatorMat, &assets->elevatorEmission.texture, NO_OUTLINE);
    frame->pointLight(vec3(4, 4.5f, 4.5f), vec3(2, 1.5f, 1), vec3(1, 0.4f, 0.1f));
}

// Two barriers across the room, and the floating text: its glyphs into its own colour buffer,
// shown on a billboard.
inline void pushTransparency(ve::RenderFrame* frame, RoomAssets* assets, u32 textFbo, u32 textColorBuf) {
    for (f32 z : {1.5f, 3.5f}) {
        frame->transQuad(vec3(-3.0f, 1.5f, z), ve::iMat3(), vec3(2.5f, 3, 1), &assets->black.texture,
                         &assets->energy.texture, vec2(1, 1), vec2(0.25f, 0), NO_OUTLINE, 0, 0);
    }
    const c8 text[] = "PRESS E\nTO RIDE";
    for (u32 i = 0; text[i]; ++i) {
        u32 cell = (u32)text[i] % 96;
        ve::v2 corner = vec2((f32)(cell % 16) / 16.0f, (f32)(5 - cell / 16) / 6.0f);
        frame->transQuad(vec3(-0.95f + 0.04f * (f32)(i % 8), 0.9f - 0.14f * (f32)(i / 8), 0), ve::iMat3(),
                         vec3(0.07f, 0.0951282f, 0), &assets->font.texture, &assets->font.texture,
                         vec2(1.0f / 16.0f, 1.0f / 6.0f), corner, NO_OUTLINE, textFbo, 0);
    }
    frame->transQuad(vec3(1, 2.2f, 4), ve::iMat3(), vec3(2, 2 * 900.0f / 1440.0f, 1), &assets->black.texture,
                     &assets->black.texture, vec2(1, 1), vec2(0, 0), NO_OUTLINE, 0, textColorBuf);
}

// The clock at the top left, the crosshair, and the two status lines at the bottom.
inline void pushHud(ve::RenderFrame* frame, RoomAssets* assets) {
    auto line = [&](const c8* text, ve::v2 start, f32 size) {
        for (u32 i = 0; text[i]; ++i) {
            u32 cell = (u32)text[i] % 96;
            frame->hudElement(vec3(start.x + (f32)i * size / 1.75f, start.y, 0), ve::iMat3(),
                              vec3(size, size * 53.0f / 39.0f, 0), &assets->font.texture, &assets->black.texture,
                              vec2(1.0f / 16.0f, 1.0f / 6.0f),
                              vec2((f32)(cell % 16) / 16.0f, (f32)(5 - cell / 16) / 6.0f), NO_OUTLINE);
        }
    };
    line("00:01:23 >", vec2(-0.95f, 0.9f), 0.07f);
    line("+", vec2(0, 0), 0.07f);
    line("Timeshield Inactive", vec2(-0.95f, -0.9f), 0.04f);
    line("Level 1", vec2(0.7f, -0.9f), 0.04f);
}

// The player stands near the door and looks across the room towards the elevator.
inline ve::Camera playerCamera() {
    ve::Camera camera = pipescene::makeCamera(vec3(-3.5f, 1.6f, -4.5f), vec3(2, 1.2f, 3.5f));
    // The game's projection: 60 degrees vertically, near 0.001, far 1000, aspect 16:9.
    camera.proj = ve::perspectiveMat(ve::toRad(60.0f), 0.001f, 1000.0f, 1.7777778f);
    return camera;
}

// The floating text's colour buffer, created once per program like the entity's init does.
struct TextBuffer {
    u32 fbo, colorBuf;
};

inline TextBuffer createTextBuffer() {
    ve::v2 names = ve::createCustomColorBuffer();
    return {(u32)names.x, (u32)names.y};
}

// Fills `frame` with the room. Clears the text buffer first, as the floating text's render does.
inline void fillRoom(ve::RenderFrame* frame, RoomAssets* assets, TextBuffer text) {
    ve::clearCustomColorBuffer(text.fbo, vec4(0, 0, 0, 0));
    frame->cam = playerCamera();
    frame->setClearCol(vec3(0, 0, 0));
    frame->pointLight(frame->cam.pos, vec3(2, 2, 2), vec3(1, 0.4f, 0.1f));
    pushWalls(frame, assets);
    pushCables(frame, assets);
    pushProps(frame, assets);
    pushTransparency(frame, assets, text.fbo, text.colorBuf);
    pushHud(frame, assets);
}

} // namespace furnished
