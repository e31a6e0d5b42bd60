#include "Game/PressurePlateEntity.h"

#include "Core/engine_globals.h"
#include "Game/CubeEntity.h"
#include "Game/entityShared.h"
#include "Game/time.h"

namespace game {

namespace plate {

constexpr const c8* GLOW_TEXTURE = PRESSURE_PLATE_ASSETS.textures[0];
constexpr const c8* DARK_TEXTURE = PRESSURE_PLATE_ASSETS.textures[1];

// Where the body of a presser is now. Only a player or a cube presses a plate: a reference to
// any other type counts as absent, like one that names nothing.
b8 presserPosition(ve::EntityRef ref, ve::MetaType type, ve::v3* position) {
    ve::BodyOpts* presser = (ve::BodyOpts*)getEntityData(ref, type);
    if (!presser) return false;
    *position = getLivePose(presser->physicsBody).position;
    return true;
}

b8 isOverSquare(ve::v3 centre, ve::v3 p) {
    return centre.x - PLATE_HALF_WIDTH < p.x && p.x < centre.x + PLATE_HALF_WIDTH &&
           centre.z - PLATE_HALF_WIDTH < p.z && p.z < centre.z + PLATE_HALF_WIDTH;
}

} // namespace plate

void initPressurePlateEntity(PressurePlateEntity* plate) {
    // The plate carries nobody: it only watches its square.
    plate->bodyOpts.collisionMask = 0;
    plate->bodyOpts.flags.value = (u32)ve::BodyType::Static;
    ve::createBody(ve::engineState->scene, &plate->bodyOpts);
    if (plate->timeDependent) ve::addTimeVar(&plate->powered);
}

void updatePressurePlateEntity(PressurePlateEntity* plate) {
    plate->powered = false;
    struct Presser {
        ve::EntityRef ref;
        ve::MetaType type;
    } pressers[] = {
        {plate->player, ve::MetaType::game_PlayerEntity}, {plate->cube1, ve::MetaType::game_CubeEntity},
        {plate->cube2, ve::MetaType::game_CubeEntity},    {plate->cube3, ve::MetaType::game_CubeEntity},
        {plate->cube4, ve::MetaType::game_CubeEntity},
    };
    for (const Presser& presser : pressers) {
        ve::v3 position;
        if (!plate::presserPosition(presser.ref, presser.type, &position)) continue;
        if (plate::isOverSquare(plate->bodyOpts.position, position)) {
            plate->powered = true;
            return;
        }
    }
}

void renderPressurePlateEntity(PressurePlateEntity* plate) {
    const c8* emission = plate->powered ? plate::GLOW_TEXTURE : plate::DARK_TEXTURE;
    MeshAssetNames assets = meshAssets(PRESSURE_PLATE_ASSETS, emission);
    // Drawn at the stored pose, not the body's: a scale stored in the rotation scales the mesh.
    DrawPlacement placement = {plate->bodyOpts.position, plate->bodyOpts.rotation, SCALE_NONE};
    drawNamedMesh(placement, assets, UV_SCALE_ONCE, UV_OFFSET_NONE, rewindOutline(!plate->timeDependent));
}

} // namespace game
