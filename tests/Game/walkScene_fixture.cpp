// Writes the scene file of a small room for the script that walks through it with the real
// program: a floor and a back wall, a lamp, a player facing the wall and a cube on the floor.
// Usage: walkScene_fixture <path of the scene file to write>

#include "../support/bodyOptions.h"
#include "../support/testStores.h"

#include "Core/engine_globals.h"
#include "Core/Scene/scene.h"
#include "Game/CubeEntity.h"
#include "Game/LightEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"
#include "Math/floatMath.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include <stdio.h>

namespace {

constexpr u32 STATIC_BODY = 0x20;
constexpr u32 DYNAMIC_BODY = 0x40;
constexpr u32 LOCK_ALL_AXES = 0x700;

ve::v3 vec(f32 x, f32 y, f32 z) { return ve::v3{x, y, z}; }

// A collider of full size `size` at `offset`, turned by `degrees` about the x axis (a panel's
// local z is its thickness: 90 degrees lays a panel flat).
ve::Primitive panel(ve::v3 offset, ve::v3 size, f32 degrees = 0.0f) {
    return vetest::boxCollider(ve::transMat(offset) * ve::rotMat(vec(1, 0, 0), degrees * ve::PI / 180.0f), size);
}

ve::BodyOpts body(u32 flags, ve::v3 position, ve::Primitive* colliders, u32 colliderCount, f32 gravity) {
    ve::BodyOpts opts = vetest::bodyOptions(flags, position, colliders, colliderCount);
    opts.gravity = gravity;
    return opts;
}

template <typename Record> Record* add(ve::Scene* scene, ve::MetaType type, const char* name) {
    return (Record*)ve::createEntity(scene, type, ve::wrapASCIIZ(name))->entityData.data;
}

// The floor's top face at y = 0, facing up; a back wall 10 units ahead of the player, facing it.
ve::Primitive roomPanels[] = {panel(vec(0, -0.1f, -4), vec(20, 20, 0.2f), 90.0f),
                              panel(vec(0, 2.5f, -8), vec(20, 5, 0.2f), 180.0f)};
ve::Primitive lampBox = panel(vec(0, 0, 0), vec(0.3f, 0.3f, 0.3f));
ve::Primitive playerBox = panel(vec(0, 0, 0), vec(0.6f, 2, 0.6f));
ve::Primitive cubeBox = panel(vec(0, 0, 0), vec(1, 1, 1));

void buildRoom(ve::Scene* scene) {
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

    game::CubeEntity* cube = add<game::CubeEntity>(scene, ve::MetaType::game_CubeEntity, "Cube");
    cube->bodyOpts = body(DYNAMIC_BODY, vec(1.5f, 0.5f, -2), &cubeBox, 1, 9.81f);
    cube->drawScale = vec(1, 1, 1);
    cube->player = {ve::hashASCIIZ("Player")};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <scene file to write>\n", argv[0]);
        return 2;
    }
    vetest::TestStores stores;
    ve::Scene scene = ve::createScene(ve::wrapASCIIZ("Level 1"), ve::newSceneHeapSize, ve::permanentStore);
    buildRoom(&scene);
    buffer image = ve::serializeScene(&scene, ve::tmpStore);
    FILE* file = fopen(argv[1], "wb");
    b8 written = image.data && file && fwrite(image.data, 1, image.length, file) == image.length;
    if (file) written = fclose(file) == 0 && written;
    if (!written) fprintf(stderr, "cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
