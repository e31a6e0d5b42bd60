#pragma once
// A started headless engine (real engine state, stores and physics scene) with helpers that build
// bodies through the physics glue from hand-made options, as entity init functions do.

#include "../Core/engine_harness.h"
#include "bodyOptions.h"

#include "Game/time.h"
#include "Math/axisAngle.h"
#include "Physics/physics.h"

#include <gtest/gtest.h>

#include <math.h>

#include <ostream>
#include <string>
#include <vector>

// Exact comparison and readable failure output for vectors in assertions.
namespace ve {
inline bool operator==(v3 a, v3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline void PrintTo(v3 v, std::ostream* out) { *out << "(" << v.x << ", " << v.y << ", " << v.z << ")"; }
} // namespace ve

namespace gluetest {

using enginetest::TICK;

constexpr u32 STATIC_FLAGS = (u32)ve::BodyType::Static;
constexpr u32 DYNAMIC_FLAGS = (u32)ve::BodyType::Dynamic;
constexpr u32 KINEMATIC_FLAGS = (u32)ve::BodyType::Kinematic;
constexpr u32 LOCK_X = (u32)ve::AxisLock::X;
constexpr u32 LOCK_Y = (u32)ve::AxisLock::Y;
constexpr u32 LOCK_Z = (u32)ve::AxisLock::Z;

inline ve::v3 vec(f32 x, f32 y, f32 z) { return ve::v3{x, y, z}; }

// A collider whose local transform is `local` and whose full size before that transform's scale
// is `size`.
inline ve::Primitive cuboid(ve::mat4 local, ve::v3 size) { return vetest::boxCollider(local, size); }

inline ve::Primitive cuboidAt(ve::v3 offset, ve::v3 size) { return cuboid(ve::transMat(offset), size); }

// Options as a level stores them: identity rotation, full gravity, all layers, no damping.
inline ve::BodyOpts bodyOpts(u32 flags, ve::v3 position, ve::Primitive* colliders, u32 colliderCount) {
    ve::BodyOpts opts = vetest::bodyOptions(flags, position, colliders, colliderCount);
    opts.physicsBody = 0xDEADBEEF; // must be overwritten
    return opts;
}

// A rotation of `degrees` about the unit axis `axis`, as the engine's 3x3 matrix.
inline ve::mat3 rotation(ve::v3 axis, f32 degrees) { return ve::toMat3(ve::rotMat(axis, degrees * ve::PI / 180.0f)); }

inline f32 maxDifference(ve::mat3 a, ve::mat3 b) {
    f32 largest = 0.0f;
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) largest = fmaxf(largest, fabsf(a.E[c][r] - b.E[c][r]));
    return largest;
}

inline ve::mat3 bodyRotation(const phBody* body) {
    ve::mat3 m;
    m.col1 = body->m_tx.rotation.ex;
    m.col2 = body->m_tx.rotation.ey;
    m.col3 = body->m_tx.rotation.ez;
    return m;
}

inline ve::v3 toV3(const phVec3& v) { return v; }

inline f32 distance(ve::v3 a, ve::v3 b) { return ve::len(a - b); }

// The constraint between two bodies, null when they have none.
inline phContactConstraint* contactBetween(const phBody* a, const phBody* b) {
    for (phContactEdge* edge = a->m_contactList; edge; edge = edge->next)
        if (edge->other == b) return edge->constraint;
    return nullptr;
}

class GlueTest : public enginetest::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        startEngine();
        state()->currentScene.enabled = 1;
    }

    phScene* scene() { return state()->scene; }

    // Builds the body through the glue and returns its id.
    u32 create(ve::BodyOpts* opts) {
        ve::createBody(scene(), opts);
        return opts->physicsBody;
    }

    // A body with one centred box of `size`.
    u32 createBox(u32 flags, ve::v3 position, ve::v3 size = vec(1, 1, 1), f32 gravity = 9.81f) {
        // The options' colliders are read during createBody only.
        ve::Primitive box = cuboidAt(vec(0, 0, 0), size);
        ve::BodyOpts opts = bodyOpts(flags, position, &box, 1);
        opts.gravity = gravity;
        return create(&opts);
    }

    // Runs `call` and returns the lines it printed through the platform.
    template <typename Call> std::vector<std::string> printedBy(Call call) {
        h.files.printed.clear();
        call();
        return h.files.printed;
    }

    // Runs `call` and returns what it wrote to the standard error stream (soft assertions).
    template <typename Call> std::string stderrOf(Call call) {
        testing::internal::CaptureStderr();
        call();
        return testing::internal::GetCapturedStderr();
    }
};

} // namespace gluetest
