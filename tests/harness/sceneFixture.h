#pragma once
// Building blocks of the fixture writers that make scene files for the scripts driving the real
// program: colliders, body options as a level stores them, entities added by type and name, and
// writing a scene to a file through the engine's own serializer. Header-only; needs the stores of
// testStores.h.

#include "bodyOptions.h"

#include "Core/engine_globals.h"
#include "Core/Scene/scene.h"
#include "Game/LightEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"
#include "Math/floatMath.h"
#include "Math/mat4.h"
#include "Physics/physics.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include <stdio.h>

namespace scenefixture {

constexpr u32 STATIC_BODY = (u32)ve::BodyType::Static;
constexpr u32 DYNAMIC_BODY = (u32)ve::BodyType::Dynamic;
constexpr u32 LOCK_ALL_AXES = (u32)ve::AxisLock::All;

inline ve::v3 vec(f32 x, f32 y, f32 z) { return ve::v3{x, y, z}; }

// A collider of full size `size` at `offset`, turned by `degrees` about the x axis (a panel's
// local z is its thickness: 90 degrees lays a panel flat).
inline ve::Primitive panel(ve::v3 offset, ve::v3 size, f32 degrees = 0.0f) {
    return vetest::boxCollider(ve::transMat(offset) * ve::rotMat(vec(1, 0, 0), degrees * ve::PI / 180.0f), size);
}

inline ve::BodyOpts body(u32 flags, ve::v3 position, ve::Primitive* colliders, u32 colliderCount, f32 gravity) {
    ve::BodyOpts opts = vetest::bodyOptions(flags, position, colliders, colliderCount);
    opts.gravity = gravity;
    return opts;
}

template <typename Record> Record* add(ve::Scene* scene, ve::MetaType type, const char* name) {
    return (Record*)ve::createEntity(scene, type, ve::wrapASCIIZ(name))->entityData.data;
}

inline ve::EntityRef refTo(const char* name) { return {ve::hashASCIIZ(name)}; }

// The small room of the scripts: a floor whose top face is at y = 0, a back wall 10 units ahead
// of the player, a lamp, and the player ("Player") standing at (0, 1, 2) and looking at the wall.
inline ve::Primitive roomPanels[] = {panel(vec(0, -0.1f, -4), vec(20, 20, 0.2f), 90.0f),
                                     panel(vec(0, 2.5f, -8), vec(20, 5, 0.2f), 180.0f)};
inline ve::Primitive lampBox = panel(vec(0, 0, 0), vec(0.3f, 0.3f, 0.3f));
inline ve::Primitive playerBox = panel(vec(0, 0, 0), vec(0.6f, 2, 0.6f));

inline game::PlayerEntity* addRoomWithPlayer(ve::Scene* scene) {
    add<game::WallEntity>(scene, ve::MetaType::game_WallEntity, "Walls")->bodyOpts =
        body(STATIC_BODY, vec(0, 0, 0), roomPanels, 2, 0.0f);
    add<game::LightEntity>(scene, ve::MetaType::game_LightEntity, "Lamp")->bodyOpts =
        body(STATIC_BODY, vec(0, 3, -3), &lampBox, 1, 0.0f);

    game::PlayerEntity* player = add<game::PlayerEntity>(scene, ve::MetaType::game_PlayerEntity, "Player");
    player->bodyOpts = body(DYNAMIC_BODY | LOCK_ALL_AXES, vec(0, 1, 2), &playerBox, 1, 9.81f);
    player->cam.pos = vec(0, 1, 2);
    player->cam.dir = vec(0, 1, -8); // the point to look at
    player->walkSpeed = 60.0f;
    player->cap = 4.0f;
    return player;
}

// The scene as the engine saves it, into the file at `path`. False, with a line on the standard
// error stream, when it cannot be written.
inline b8 writeSceneFile(ve::Scene* scene, const char* path) {
    buffer image = ve::serializeScene(scene, ve::tmpStore);
    FILE* file = fopen(path, "wb");
    b8 written = image.data && file && fwrite(image.data, 1, image.length, file) == image.length;
    if (file) written = fclose(file) == 0 && written;
    if (!written) fprintf(stderr, "cannot write %s\n", path);
    return written;
}

} // namespace scenefixture
