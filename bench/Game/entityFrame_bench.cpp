// The game's per-frame entity work for a furnished room.
//
//   BM_UpdateAndRenderRoom: CPU time of one frame's entity passes, a fresh render frame, every
//     entity's update (the player walking with W held and turning with the mouse, one cube carried,
//     nine resting) and every entity's render (11 meshes with their asset lookups, 5 point
//     lights, 100 wall quads, the camera), over 1 player, 10 cubes, 4 lamps and a wall of 100
//     colliders. No physics step and no drawing: the renderer is silent. Headless.
// The run fails unless the last frame holds exactly what that scene draws.

#include "../harness/headlessEngine.h"
#include "bodyOptions.h"

#include "Core/Assets/assets.h"
#include "Core/engine_globals.h"
#include "Core/Scene/scene.h"
#include "Game/CubeEntity.h"
#include "Game/LightEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"
#include "Util/string.h"

#include <benchmark/benchmark.h>

#include <string.h>

#include <string>

namespace {

constexpr u32 CUBE_COUNT = 10;
constexpr u32 LAMP_COUNT = 4;
constexpr u32 WALL_PANEL_COUNT = 100;
constexpr u32 STATIC_BODY = 0x20;
constexpr u32 DYNAMIC_BODY = 0x40;
constexpr u32 LOCK_ALL_AXES = 0x700;

ve::v3 vec(f32 x, f32 y, f32 z) { return ve::v3{x, y, z}; }

ve::Primitive box(ve::v3 offset, ve::v3 size) { return vetest::boxCollider(ve::transMat(offset), size); }

ve::BodyOpts body(u32 flags, ve::v3 position, ve::Primitive* colliders, u32 colliderCount) {
    return vetest::bodyOptions(flags, position, colliders, colliderCount);
}

template <typename Record> Record* add(ve::Scene* scene, ve::MetaType type, std::string name) {
    ve::Entity* entity = ve::createEntity(scene, type, ve::wrapASCIIZ(name.c_str()));
    return (Record*)entity->entityData.data;
}

template <typename Asset> Asset namedAsset(const c8* name) {
    Asset asset = {};
    asset.id = ve::hashASCIIZ(name);
    return asset;
}

// Assets with names only: the lookups hash and scan as in play, and nothing is drawn.
void registerNamedAssets() {
    for (const c8* name : {"light_mesh", "cube_mesh"}) ve::registerMesh(ve::assets, namedAsset<ve::Mesh>(name));
    for (const c8* name : {"light_img", "light_emission_img", "cube_img", "cube_emission_img", "ground_img", "ground_emission_img"})
        ve::registerTexture(ve::assets, namedAsset<ve::Texture>(name));
    for (const c8* name : {"light_mat", "cube_mat"}) ve::registerMaterial(ve::assets, namedAsset<ve::BasicMat>(name));
}

ve::Primitive wallPanels[WALL_PANEL_COUNT];
ve::Primitive cubeBox = box(vec(0, 0, 0), vec(1, 1, 1));
ve::Primitive lampBox = box(vec(0, 0, 0), vec(0.3f, 0.3f, 0.3f));
ve::Primitive playerBox = box(vec(0, 0, 0), vec(0.6f, 2, 0.6f));

// The room: a wall of 10 by 10 panels behind a floor line, lamps in the corners, a row of
// cubes in front of the player and the first of them carried.
void buildRoom(ve::Scene* scene) {
    for (u32 i = 0; i < WALL_PANEL_COUNT; i++)
        wallPanels[i] = box(vec((f32)(i % 10) * 2.0f - 9.0f, (f32)(i / 10) * 2.0f + 1.0f, -10), vec(2, 2, 0.2f));
    add<game::WallEntity>(scene, ve::MetaType::game_WallEntity, "Walls")->bodyOpts =
        body(STATIC_BODY, vec(0, 0, 0), wallPanels, WALL_PANEL_COUNT);

    for (u32 i = 0; i < LAMP_COUNT; i++)
        add<game::LightEntity>(scene, ve::MetaType::game_LightEntity, "Lamp " + std::to_string(i))->bodyOpts =
            body(STATIC_BODY, vec((f32)(i % 2) * 16.0f - 8.0f, 5, (f32)(i / 2) * -8.0f), &lampBox, 1);

    game::PlayerEntity* player = add<game::PlayerEntity>(scene, ve::MetaType::game_PlayerEntity, "Player");
    player->bodyOpts = body(DYNAMIC_BODY | LOCK_ALL_AXES, vec(0, 1, 2), &playerBox, 1);
    player->cam.pos = vec(0, 1, 2);
    player->cam.dir = vec(0, 1, -8);
    player->walkSpeed = 60.0f;
    player->cap = 4.0f;

    for (u32 i = 0; i < CUBE_COUNT; i++) {
        game::CubeEntity* cube = add<game::CubeEntity>(scene, ve::MetaType::game_CubeEntity, "Cube " + std::to_string(i));
        cube->bodyOpts = body(DYNAMIC_BODY, vec((f32)i * 1.5f - 7.0f, 0.5f, -4), &cubeBox, 1);
        cube->drawScale = vec(1, 1, 1);
        cube->player = {ve::hashASCIIZ("Player")};
        cube->attached = i == 0;
    }
}

// What one frame of the room must hold: a mesh per cube and lamp, a light per lamp and the
// player's, a quad per wall panel, and the player's camera.
b8 frameHoldsTheRoom(ve::RenderFrame* frame, game::PlayerEntity* player) {
    return frame->meshes.length == CUBE_COUNT + LAMP_COUNT && frame->pointLights.length == LAMP_COUNT + 1 &&
           frame->quads.length == WALL_PANEL_COUNT && memcmp(&frame->cam, &player->cam, sizeof(ve::Camera)) == 0;
}

// Started once per process (the benchmark runs its function several times): the engine with the
// room initialised, W held and the mouse moving.
ve::EngineState* startRoomEngine() {
    static ve::GameMemory gameMemory = {};
    static ve::GameInput input;
    if (gameMemory.engineState) return gameMemory.engineState;
    benchharness::startHeadlessEngine(&gameMemory, benchharness::createSilentRenderer);
    registerNamedAssets();
    buildRoom(&gameMemory.engineState->currentScene);
    ve::initScene(&gameMemory.engineState->currentScene);

    memset((void*)&input, 0, sizeof(input));
    input.physicsDelta = 1.0f / 60.0f;
    input.deltaTime = 1.0 / 60.0;
    input.keyboard.W.isDown = 1;
    input.mouse.delta = {0.5f, 0.0f};
    ve::input = &input;
    return gameMemory.engineState;
}

void BM_UpdateAndRenderRoom(benchmark::State& run) {
    ve::EngineState* state = startRoomEngine();
    for (auto _ : run) {
        ve::renderer->frame = ve::rendererCreateFrame();
        ve::updateScene(&state->currentScene);
        ve::renderScene(&state->currentScene);
    }
    game::PlayerEntity* player = (game::PlayerEntity*)ve::EntityRef{ve::hashASCIIZ("Player")}.get();
    if (!frameHoldsTheRoom(&ve::renderer->frame, player)) run.SkipWithError("the last frame does not hold the room");
}
BENCHMARK(BM_UpdateAndRenderRoom)->Unit(benchmark::kMicrosecond);

} // namespace
