#pragma once
// Geometry records shared by the broad phase, the box shape and the bodies.

#include "Physics/math/phMath.h"

// Margin by which a proxy's box is enlarged in the broad phase, in world units on every side.
// A box that moves less than this stays in its leaf and buffers no move.
const r32 phk_aabbMargin = r32(0.5);

struct phAABB {
    phVec3 min;
    phVec3 max;

    // Inclusive on every axis: a box contains itself.
    bool Contains(const phAABB& other) const {
        return min.x <= other.min.x && min.y <= other.min.y && min.z <= other.min.z &&
               max.x >= other.max.x && max.y >= other.max.y && max.z >= other.max.z;
    }

    r32 SurfaceArea() const {
        r32 x = max.x - min.x;
        r32 y = max.y - min.y;
        r32 z = max.z - min.z;
        return r32(2.0) * (x * y + x * z + y * z);
    }
};

// Boxes that only touch overlap.
inline bool phAABBtoAABB(const phAABB& a, const phAABB& b) {
    if (b.min.x > a.max.x || a.min.x > b.max.x) return false;
    if (b.min.y > a.max.y || a.min.y > b.max.y) return false;
    if (b.min.z > a.max.z || a.min.z > b.max.z) return false;
    return true;
}

inline phAABB phCombine(const phAABB& a, const phAABB& b) {
    phAABB out;
    out.min = phMin(a.min, b.min);
    out.max = phMax(a.max, b.max);
    return out;
}

inline void FattenAABB(phAABB& aabb) {
    phVec3 margin(phk_aabbMargin, phk_aabbMargin, phk_aabbMargin);
    aabb.min -= margin;
    aabb.max += margin;
}

// Mass properties of a shape: `inertia` about the body origin, `center` of mass in body space.
struct phMassData {
    phMat3 inertia;
    phVec3 center;
    r32 mass;
};

// A ray covering start + s * dir for s in [0, t]. `toi` and `normal` are written by a hit.
struct phRaycastData {
    phVec3 start;
    phVec3 dir;
    r32 t;
    r32 toi;
    phVec3 normal;
};
