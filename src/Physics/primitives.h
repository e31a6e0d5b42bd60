#pragma once
// Collider shapes of a body's options. Plain data: listed by the introspection table, stored in
// scene files (80 bytes per collider) and edited field by field in the map editor.

#include "Platform/machineDef.h"
#include "Math/mat4.h"
#include "Math/v3.h"

namespace ve {

// The one collider shape there is.
enum class Primitive_Type : u32 {
    Cuboid = 0,
};

// The size of a box along its own x, y and z axes, in metres (the three floats and `scale` share
// memory). In body options it is the full size before the scale of the collider's transform; what
// the physics glue hands back from a live body is the half size.
struct Cuboid {
    union {
        struct {
            f32 width;
            f32 height;
            f32 depth;
        };
        v3 scale;
    };
};

// One collider of a body.
struct Primitive {
    Primitive_Type type; // always Cuboid
    // Pose relative to the body origin, column-major: col1..col3 are the box's local axes (their
    // lengths scale the size), col4 the offset.
    mat4 localTransform;
    union {
        Cuboid cuboid;
    };
};

// Scene files store a collider as exactly these 80 bytes.
static_assert(sizeof(Primitive) == 80, "Primitive is 80 bytes");

} // namespace ve
