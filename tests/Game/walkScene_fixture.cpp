// Writes the scene file of a small room for the script that walks through it with the real
// program: a floor and a back wall, a lamp, a player facing the wall and a cube on the floor.
// Usage: walkScene_fixture <path of the scene file to write>

#include "../harness/sceneFixture.h"
#include "../harness/testStores.h"

#include "Game/CubeEntity.h"

#include <stdio.h>

namespace {

using namespace scenefixture;

ve::Primitive cubeBox = panel(vec(0, 0, 0), vec(1, 1, 1));

void buildRoom(ve::Scene* scene) {
    addRoomWithPlayer(scene);

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
    return writeSceneFile(&scene, argv[1]) ? 0 : 1;
}
