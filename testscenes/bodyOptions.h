#pragma once
// Body options and colliders written by hand, as a level stores them, for tests, fixture writers
// and benchmarks that build scenes without a level file. Header only, without GoogleTest.

#include "Math/mat4.h"
#include "Physics/physics.h"

namespace vetest {

// A box collider whose local transform is `local` and whose full size before that transform's
// scale is `size`.
inline ve::Primitive boxCollider(ve::mat4 local, ve::v3 size) {
    ve::Primitive collider = {};
    collider.type = ve::Primitive_Type::Cuboid;
    collider.localTransform = local;
    collider.cuboid.scale = size;
    return collider;
}

// Options with an identity rotation, full gravity (9.81), all collision layers and no damping.
inline ve::BodyOpts bodyOptions(u32 flags, ve::v3 position, ve::Primitive* colliders, u32 colliderCount) {
    ve::BodyOpts opts = {};
    opts.position = position;
    opts.rotation = ve::iMat3();
    opts.colliders = colliders;
    opts.colliderCount = colliderCount;
    opts.gravity = 9.81f;
    opts.collisionMask = ve::ALL_LAYERS;
    opts.flags.value = flags;
    return opts;
}

} // namespace vetest
