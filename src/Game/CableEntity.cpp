#include "Game/CableEntity.h"

#include <math.h>

#include "Core/engine_globals.h"
#include "Game/entityShared.h"
#include "Math/mat4.h"

namespace game {

namespace cable {

constexpr const c8* CABLE_TEXTURE = CABLE_ASSETS.textures[0];
constexpr const c8* LIT_EMISSION = CABLE_ASSETS.textures[1];
constexpr const c8* DARK_EMISSION = CABLE_ASSETS.textures[2];

// A segment lies flat: its y axis along the run, its z axis pointing down. The turn about y
// that takes the +z run's axes to each run's.
f32 runTurn(u32 axis, f32 sign) {
    if (axis == CABLE_X_RUN) return sign > 0.0f ? ve::HALF_PI : 3.0f * ve::HALF_PI;
    return sign > 0.0f ? 0.0f : ve::PI;
}

ve::mat4 runRotation(u32 axis, f32 sign) {
    return ve::rotMat({0.0f, 1.0f, 0.0f}, runTurn(axis, sign)) * ve::rotMat({1.0f, 0.0f, 0.0f}, ve::HALF_PI);
}

// Appends the segments of one run along `axis` while more than the minimum of `remaining` is
// left on it, and no more than `room` segments in all. The remaining distance is f32, compared in
// double, so a remaining 1.6 held as f32 (just above 1.6) still makes a segment.
void appendRun(ve::Primitive* out, u32* count, u32 room, ve::v3* remaining, u32 axis, ve::v3 connectTo) {
    while (fabs((f64)remaining->E[axis]) > CABLE_MIN_REMAINING && *count < room) {
        f32 sign = remaining->E[axis] >= 0.0f ? 1.0f : -1.0f;
        ve::v3 centre = connectTo - *remaining;
        centre.y += CABLE_HEIGHT_OFFSET;
        centre.E[axis] += CABLE_FIRST_OFFSET * sign;
        out[(*count)++] = cableSegment(centre, axis, sign, CABLE_SEGMENT_SIZE.y);
        remaining->E[axis] -= CABLE_SEGMENT_STEP * sign;
    }
}

} // namespace cable

ve::Primitive cableSegment(ve::v3 centre, u32 axis, f32 sign, f32 halfLength) {
    ve::Primitive segment = {};
    segment.type = ve::Primitive_Type::Cuboid;
    segment.localTransform = ve::transMat(centre) * cable::runRotation(axis, sign);
    segment.cuboid.scale = {CABLE_SEGMENT_SIZE.x, halfLength, CABLE_SEGMENT_SIZE.z};
    return segment;
}

u32 cableSegmentRoom(ve::v3 distance) {
    f64 room = fabs((f64)distance.x) + fabs((f64)distance.y) + fabs((f64)distance.z);
    if (!(room >= 1.0)) return 0;
    if (room >= (f64)MAX_CABLE_SEGMENTS) return MAX_CABLE_SEGMENTS;
    return (u32)room;
}

u32 layGeneratedSegments(ve::v3 source, ve::v3 connectTo, ve::Primitive* out, u32 room) {
    ve::v3 remaining = connectTo - source;
    u32 count = 0;
    // The height difference is never walked: the whole strip lies just above the source.
    cable::appendRun(out, &count, room, &remaining, CABLE_X_RUN, connectTo);
    cable::appendRun(out, &count, room, &remaining, CABLE_Z_RUN, connectTo);
    return count;
}

ve::v3 cableStripEnd(const ve::Primitive* segments, u32 count, ve::v3 start) {
    if (count == 0) return start;
    const ve::Primitive& last = segments[count - 1];
    // A segment runs along its local y axis, `cuboid.scale.y` each way from its centre.
    ve::v4 end = last.localTransform * ve::v4{0.0f, last.cuboid.scale.y, 0.0f, 1.0f};
    return end.xyz;
}

void generateCableSegments(ve::BodyOpts* opts, ve::v3 source, ve::v3 connectTo) {
    u32 room = cableSegmentRoom(connectTo - source);
    opts->colliderCount = 0;
    opts->colliders = 0;
    if (room == 0) return;
    opts->colliders = (ve::Primitive*)ve::pushToHeap(&ve::engineState->currentScene.sceneDataHeap,
                                                     room * sizeof(ve::Primitive));
    if (!opts->colliders) return;
    opts->colliderCount = layGeneratedSegments(source, connectTo, opts->colliders, room);
}

void initCableEntity(CableEntity* cable) {
    // A pointer read from the level means nothing in this run of the program: only a source
    // found now binds it.
    cable->on = getPowerFlag(cable->button);
    if (!cable->on) return;
    // Every source's record begins with its body options; the strip starts at the stored
    // position, not at the live body.
    ve::BodyOpts* source = (ve::BodyOpts*)cable->button.get();
    if (cable->bodyOpts.colliderCount == 0) generateCableSegments(&cable->bodyOpts, source->position, cable->connectTo);
    // The body only holds the colliders: static, colliding with nothing.
    cable->bodyOpts.collisionMask = 0;
    cable->bodyOpts.flags.value = (u32)ve::BodyType::Static;
    ve::createBody(ve::engineState->scene, &cable->bodyOpts);
}

void renderCableEntity(CableEntity* cable) {
    // The source is resolved anew: one renamed or destroyed since init leaves the cable dark.
    b8 lit = getPowerFlag(cable->button) && isPowered(cable->on);
    QuadTextures textures;
    if (!findQuadTextures(cable::CABLE_TEXTURE, lit ? cable::LIT_EMISSION : cable::DARK_EMISSION, &textures)) return;
    for (u32 i = 0; i < cable->bodyOpts.colliderCount; i++) {
        // The collider transforms are drawn as world transforms: the body's pose is not applied.
        DrawPlacement placement = colliderQuadPlacement(ve::iMat4(), cable->bodyOpts.colliders[i]);
        drawQuad(placement, textures, UV_SCALE_ONCE, UV_OFFSET_NONE, NO_OUTLINE);
    }
}

} // namespace game
