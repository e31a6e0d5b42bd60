#pragma once
// Unit quaternion (x, y, z, w) with `w` the scalar part: the rotation by angle a about the unit
// axis n is (n sin(a/2), cos(a/2)). A body's quaternion is the authority the step integrates;
// its rotation matrix is derived from it.

#include "Physics/math/phMat3.h"

struct phQuaternion {
    union {
        r32 v[4];
        struct {
            r32 x;
            r32 y;
            r32 z;
            r32 w;
        };
    };

    phQuaternion() {}
    phQuaternion(r32 a, r32 b, r32 c, r32 d) : x(a), y(b), z(c), w(d) {}
    phQuaternion(const phVec3& axis, r32 radians) { Set(axis, radians); }

    // The axis is not normalised here.
    void Set(const phVec3& axis, r32 radians);
    void ToAxisAngle(phVec3* axis, r32* angle) const;
    // Advances the rotation by the angular velocity `dv` (radians per second) over `dt` seconds.
    void Integrate(const phVec3& dv, r32 dt);
    phMat3 ToMat3() const;

    // Hamilton product with this quaternion on the left.
    phQuaternion operator*(const phQuaternion& rhs) const {
        return phQuaternion(w * rhs.x + x * rhs.w + y * rhs.z - z * rhs.y,
                            w * rhs.y + y * rhs.w + z * rhs.x - x * rhs.z,
                            w * rhs.z + z * rhs.w + x * rhs.y - y * rhs.x,
                            w * rhs.w - x * rhs.x - y * rhs.y - z * rhs.z);
    }
    phQuaternion& operator*=(const phQuaternion& rhs) {
        *this = *this * rhs;
        return *this;
    }
};

// The identity (0, 0, 0, 1) for a zero quaternion; a quaternion too large to scale (1/length at
// most 1e-8) is returned unchanged.
phQuaternion phNormalize(const phQuaternion& q);
