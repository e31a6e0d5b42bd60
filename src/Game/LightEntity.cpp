#include "Game/LightEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"

namespace game {

// A warm lamp, bright enough to light a room on its own.
constexpr ve::v3 LAMP_LIGHT_COLOR = {6.0f, 4.0f, 2.5f};

void initLightEntity(LightEntity* light) { ve::createBody(ve::engineState->scene, &light->bodyOpts); }

void renderLightEntity(LightEntity* light) {
    BodyPose pose = getLivePose(light->bodyOpts.physicsBody);
    drawNamedMesh({pose.position, pose.rotation, SCALE_NONE}, meshAssets(LIGHT_ASSETS, LIGHT_ASSETS.textures[1]), UV_SCALE_ONCE, UV_OFFSET_NONE, NO_OUTLINE);
    // The light shines even when the lamp's mesh is missing from the packs.
    ve::renderer->frame.pointLight(pose.position, LAMP_LIGHT_COLOR, POINT_LIGHT_ATTENUATION);
}

} // namespace game
