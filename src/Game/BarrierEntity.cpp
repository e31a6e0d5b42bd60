#include "Game/BarrierEntity.h"

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Math/mat4.h"

namespace game {

namespace barrier {

constexpr const c8* WALL_TEXTURE = BARRIER_ASSETS.textures[0];
constexpr const c8* ENERGY_TEXTURE = BARRIER_ASSETS.textures[1];

} // namespace barrier

ve::v2 barrierScroll(u32 snapshots) { return {(f32)snapshots / BARRIER_SCROLL_DIVISOR, 0.0f}; }

void togglePowered(BarrierEntity* barrier) {
    u32 body = barrier->bodyOpts.physicsBody;
    ve::setActive(body, *ve::getLayers(body) == 0);
    barrier->power = !barrier->power;
}

void initBarrierEntity(BarrierEntity* barrier) {
    ve::createBody(ve::engineState->scene, &barrier->bodyOpts);
    // Up and solid at every load, whatever the level stored: the first update lowers it when the
    // source is unpowered, and the body's collision then follows `power`.
    barrier->power = true;
    ve::setActive(barrier->bodyOpts.physicsBody, true);
}

void updateBarrierEntity(BarrierEntity* barrier) {
    CableEntity* cable = getCable(barrier->cableEntity);
    if (!cable) return;
    if (isPowered(cable->on) != (barrier->power != 0)) togglePowered(barrier);
}

void renderBarrierEntity(BarrierEntity* barrier) {
    if (!barrier->power) return;
    QuadTextures textures;
    if (!findQuadTextures(barrier::WALL_TEXTURE, barrier::ENERGY_TEXTURE, &textures)) return;
    u32 body = barrier->bodyOpts.physicsBody;
    ve::Primitive boxes[BARRIER_MAX_BOXES];
    u32 boxCount = BARRIER_MAX_BOXES;
    ve::getAllColliders(body, boxes, &boxCount);
    BodyPose pose = getLivePose(body);
    ve::mat4 bodyTransform = ve::transMat(pose.position) * ve::toMat4(pose.rotation);
    ve::v2 scroll = barrierScroll(ve::engineState->time);
    for (u32 i = 0; i < boxCount; i++) {
        DrawPlacement placement = colliderQuadPlacement(bodyTransform, boxes[i]);
        ve::renderer->frame.transQuad(placement.position, placement.rotation, placement.scale, textures.texture,
                                      textures.emission, UV_SCALE_ONCE, scroll, NO_OUTLINE, 0, 0);
    }
}

} // namespace game
