#include "Game/WallEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"

namespace game {

void initWallEntity(WallEntity* wall) { ve::createBody(ve::engineState->scene, &wall->bodyOpts); }

void renderWallEntity(WallEntity* wall) {
    QuadTextures ground;
    if (!findQuadTextures(WALL_ASSETS.textures[0], WALL_ASSETS.textures[1], &ground)) return;
    u32 body = wall->bodyOpts.physicsBody;
    BodyPose pose = getLivePose(body);
    ve::Primitive colliders[WALL_MAX_DRAWN_COLLIDERS];
    u32 colliderCount = WALL_MAX_DRAWN_COLLIDERS;
    ve::getAllColliders(body, colliders, &colliderCount);

    ve::mat4 parent = ve::transMat(pose.position) * ve::toMat4(pose.rotation);
    for (u32 i = 0; i < colliderCount; i++) {
        DrawPlacement placement = colliderQuadPlacement(parent, colliders[i]);
        // One texture repeat per 2 units, so panels of every size show texels of one size.
        ve::v2 uvScale = {placement.scale.x * 0.5f, placement.scale.y * 0.5f};
        drawQuad(placement, ground, uvScale, UV_OFFSET_NONE, NO_OUTLINE);
    }
}

} // namespace game
