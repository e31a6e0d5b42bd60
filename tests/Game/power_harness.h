#pragma once
// Levels in miniature for the power entities: a player with a camera, sources (buttons, plates,
// gates), cables and consumers built through the real type rows and init functions, with every
// asset they draw registered by name.

#include "game_harness.h"

#include "Game/BarrierEntity.h"
#include "Game/ButtonEntity.h"
#include "Game/CableEntity.h"
#include "Game/CubeEntity.h"
#include "Game/ElevatorEntity.h"
#include "Game/LogicGateEntity.h"
#include "Game/PressurePlateEntity.h"

namespace powertest {

using gametest::vec;

inline const char* const POWER_MESHES[] = {"button_mesh", "pressure_plate_mesh", "elevator_mesh"};
inline const char* const POWER_TEXTURES[] = {
    "button_img", "button_emission_img", "gold_img",       "black_img", "elevator_img", "elevator_emission_img",
    "cable_img",  "cable_emission_img",  "energywall_img", "and_img",   "not_img"};
inline const char* const POWER_MATERIALS[] = {"button_mat", "pressure_plate_mat", "elevator_mat"};

class PowerTest : public gametest::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        for (const char* name : POWER_MESHES) registerMesh(name);
        for (const char* name : POWER_TEXTURES) registerTexture(name);
        for (const char* name : POWER_MATERIALS) registerMaterial(name);
    }

    ve::Scene* scene() { return &state()->currentScene; }

    // One box of `size` centred on the body origin, stored in the scene heap as a level's
    // colliders are.
    ve::Primitive* storedBox(ve::v3 size) {
        ve::Primitive* box = (ve::Primitive*)ve::pushToHeap(&scene()->sceneDataHeap, sizeof(ve::Primitive));
        *box = gluetest::cuboidAt(vec(0, 0, 0), size);
        return box;
    }

    ve::BodyOpts boxOpts(u32 flags, ve::v3 position, ve::v3 size = vec(1, 1, 1)) {
        ve::BodyOpts opts = gluetest::bodyOpts(flags, position, storedBox(size), 1);
        opts.gravity = 0.0f;
        return opts;
    }

    // A player whose eye is at `eye` looking along `dir`, with a weightless unit body at `body`.
    game::PlayerEntity* addPlayer(ve::v3 eye, ve::v3 dir, ve::v3 body = vec(0, 0, 0), const char* name = "Player") {
        game::PlayerEntity* player = addEntity<game::PlayerEntity>(ve::MetaType::game_PlayerEntity, name);
        player->bodyOpts = boxOpts(gluetest::DYNAMIC_FLAGS, body);
        ve::createBody(state()->scene, &player->bodyOpts);
        player->cam.pos = eye;
        player->cam.dir = dir;
        return player;
    }

    game::CubeEntity* addCube(const char* name, ve::v3 position) {
        game::CubeEntity* cube = addEntity<game::CubeEntity>(ve::MetaType::game_CubeEntity, name);
        cube->bodyOpts = boxOpts(gluetest::DYNAMIC_FLAGS, position);
        ve::createBody(state()->scene, &cube->bodyOpts);
        return cube;
    }

    // A unit button at `position`, initialised.
    game::ButtonEntity* addButton(const char* name, ve::v3 position, b8 powered = 0, b8 timeDependent = 1) {
        game::ButtonEntity* button = addEntity<game::ButtonEntity>(ve::MetaType::game_ButtonEntity, name);
        button->bodyOpts = boxOpts(gluetest::STATIC_FLAGS, position);
        button->powered = powered;
        button->timeDependent = timeDependent;
        button->player = refTo("Player");
        button->drawScale = vec(1, 1, 1);
        game::initButtonEntity(button);
        return button;
    }

    // A cable from the source named `source` to `connectTo`, initialised (segments generated).
    game::CableEntity* addCable(const char* name, const char* source, ve::v3 connectTo = vec(4, 0, 0)) {
        game::CableEntity* cable = addEntity<game::CableEntity>(ve::MetaType::game_CableEntity, name);
        cable->button = refTo(source);
        cable->connectTo = connectTo;
        cable->on = (b8*)0x10; // whatever a level file held
        game::initCableEntity(cable);
        return cable;
    }

    // A button named `source` at `position` with a cable named `cable` from it, both initialised:
    // the line of power that a barrier, a gate or an elevator names. Returns the button.
    game::ButtonEntity* addSourceAndCable(const char* source, const char* cable, ve::v3 position, b8 powered = 0) {
        game::ButtonEntity* button = addButton(source, position, powered);
        addCable(cable, source);
        return button;
    }
};

} // namespace powertest
