// Writes the six levels of the script that rides the elevator with the real program: "Level 1" to
// "Level 6" are the same small room, in which the player stands two units before an elevator that
// a pressed button powers through a cable, with the HUD and three floating texts.
// Usage: elevatorScene_fixture <directory to write "Level 1.vsf" to "Level 6.vsf" into>

#include "../support/testStores.h"

#include "Core/engine_globals.h"
#include "Core/Scene/scene.h"
#include "Game/ButtonEntity.h"
#include "Game/CableEntity.h"
#include "Game/ElevatorEntity.h"
#include "Game/FloatingTextEntity.h"
#include "Game/HUDEntity.h"
#include "Game/LightEntity.h"
#include "Game/PlayerEntity.h"
#include "Game/WallEntity.h"
#include "Math/floatMath.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include <stdio.h>

#include <string>

namespace {

constexpr u32 STATIC_BODY = 0x20;
constexpr u32 DYNAMIC_BODY = 0x40;
constexpr u32 LOCK_ALL_AXES = 0x700;
constexpr u32 LEVEL_COUNT = 6;

ve::v3 vec(f32 x, f32 y, f32 z) { return ve::v3{x, y, z}; }

ve::Primitive box(ve::v3 offset, ve::v3 size, f32 degreesAboutX = 0.0f) {
    ve::Primitive collider = {};
    collider.type = ve::Primitive_Type::Cuboid;
    collider.localTransform = ve::transMat(offset) * ve::rotMat(vec(1, 0, 0), degreesAboutX * ve::PI / 180.0f);
    collider.cuboid.scale = size;
    return collider;
}

ve::BodyOpts body(u32 flags, ve::v3 position, ve::Primitive* colliders, u32 colliderCount, f32 gravity) {
    ve::BodyOpts opts = {};
    opts.position = position;
    opts.rotation = ve::iMat3();
    opts.colliders = colliders;
    opts.colliderCount = colliderCount;
    opts.gravity = gravity;
    opts.collisionMask = 0xFFFF;
    opts.flags.value = flags;
    return opts;
}

template <typename Record> Record* add(ve::Scene* scene, ve::MetaType type, const char* name) {
    return (Record*)ve::createEntity(scene, type, ve::wrapASCIIZ(name))->entityData.data;
}

ve::EntityRef refTo(const char* name) { return {ve::hashASCIIZ(name)}; }

// The floor's top face at y = 0; a back wall 10 units ahead of the player.
ve::Primitive roomPanels[] = {box(vec(0, -0.1f, -4), vec(20, 20, 0.2f), 90.0f),
                              box(vec(0, 2.5f, -8), vec(20, 5, 0.2f), 180.0f)};
ve::Primitive lampBox = box(vec(0, 0, 0), vec(0.3f, 0.3f, 0.3f));
ve::Primitive playerBox = box(vec(0, 0, 0), vec(0.6f, 2, 0.6f));
ve::Primitive buttonBox = box(vec(0, 0, 0), vec(0.5f, 0.5f, 0.5f));
// Its near face at z = 0: two units from the player's eye at z = 2.
ve::Primitive elevatorBox = box(vec(0, 0, 0), vec(2, 2, 2));

const c8* const SIGN_TEXTS[3] = {"Going up", "Press E\nat the door", "R: again"};
const c8* const SIGN_NAMES[3] = {"Sign 1", "Sign 2", "Sign 3"};

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
    buffer image = ve::serializeScene(&scene, ve::tmpStore);
    std::string path = directory + "/" + name + ".vsf";
    FILE* file = fopen(path.c_str(), "wb");
    b8 written = image.data && file && fwrite(image.data, 1, image.length, file) == image.length;
    if (file) written = fclose(file) == 0 && written;
    if (!written) fprintf(stderr, "cannot write %s\n", path.c_str());
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
