// Writes the six levels of the script that rides the elevator with the real program: "Level 1" to
// "Level 6" are the same small room, in which the player stands two units before an elevator that
// a pressed button powers through a cable, with the HUD and three floating texts.
// Usage: elevatorScene_fixture <directory to write "Level 1.vsf" to "Level 6.vsf" into>

#include "../harness/sceneFixture.h"
#include "../harness/testStores.h"

#include "Game/ButtonEntity.h"
#include "Game/CableEntity.h"
#include "Game/ElevatorEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/HUDEntity.h"

#include <stdio.h>

#include <string>

namespace {

using namespace scenefixture;

constexpr u32 LEVEL_COUNT = 6;

ve::Primitive buttonBox = panel(vec(0, 0, 0), vec(0.5f, 0.5f, 0.5f));
// Its near face at z = 0: two units from the player's eye at z = 2.
ve::Primitive elevatorBox = panel(vec(0, 0, 0), vec(2, 2, 2));

const c8* const SIGN_TEXTS[3] = {"Going up", "Press E\nat the door", "R: again"};
const c8* const SIGN_NAMES[3] = {"Sign 1", "Sign 2", "Sign 3"};

void buildRoom(ve::Scene* scene) {
    addRoomWithPlayer(scene);

    game::ButtonEntity* button = add<game::ButtonEntity>(scene, ve::MetaType::game_ButtonEntity, "Button");
    button->bodyOpts = body(STATIC_BODY, vec(3, 0.25f, -1), &buttonBox, 1, 0.0f);
    button->powered = 1;
    button->player = refTo("Player");
    button->drawScale = vec(0.5f, 0.5f, 0.5f);

    game::CableEntity* cable = add<game::CableEntity>(scene, ve::MetaType::game_CableEntity, "Cable");
    cable->button = refTo("Button");
    cable->connectTo = vec(0, 0, -1);

    game::ElevatorEntity* elevator = add<game::ElevatorEntity>(scene, ve::MetaType::game_ElevatorEntity, "Elevator");
    elevator->bodyOpts = body(STATIC_BODY, vec(0, 1, -1), &elevatorBox, 1, 0.0f);
    elevator->cableEntity = refTo("Cable");
    elevator->playerEntity = refTo("Player");

    add<game::HUDEntity>(scene, ve::MetaType::game_HUDEntity, "HUD");
    for (u32 i = 0; i < 3; i++) {
        game::FloatingTextEntity* sign = add<game::FloatingTextEntity>(scene, ve::MetaType::game_FloatingTextEntity, SIGN_NAMES[i]);
        sign->position = vec(-4.0f + 4.0f * (f32)i, 3.5f, -7.5f);
        sign->hudEntity = refTo("HUD");
        sign->text = ve::wrapASCIIZ(SIGN_TEXTS[i]);
        sign->size = 3.0f;
    }
}

b8 writeLevel(const std::string& directory, u32 level) {
    std::string name = "Level " + std::to_string(level);
    ve::Scene scene = ve::createScene(ve::wrapASCIIZ(name.c_str()), ve::newSceneHeapSize, ve::permanentStore);
    buildRoom(&scene);
    std::string path = directory + "/" + name + ".vsf";
    b8 written = writeSceneFile(&scene, path.c_str());
    ve::freeScene(&scene);
    return written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <directory for the level files>\n", argv[0]);
        return 2;
    }
    vetest::TestStores stores;
    for (u32 level = 1; level <= LEVEL_COUNT; level++)
        if (!writeLevel(argv[1], level)) return 1;
    return 0;
}
