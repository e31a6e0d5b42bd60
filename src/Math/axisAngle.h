#pragma once
// Axis-angle rotations and their extraction from a transform.

#include "Math/mat4.h"

namespace ve {

struct AxisAngle {
    f32 angle; // radians
    v3 axis;
};

// Axis and angle of the rotation part of m (scale is divided out of the first three columns).
inline AxisAngle axisAngleFromMat(mat4 m) {
    mat4 r = getRotation(m);
    f32 c = (r.E11 + r.E22 + r.E33 - 1.0f) * 0.5f;
    if (c > 0.999f) return {0.0f, {1.0f, 0.0f, 0.0f}};

    if (c < -0.999f) {
        // Half a turn: the antisymmetric part vanishes, the axis comes from the symmetric part.
        // 0.7071f is the float nearest 0.7071 (bits 0x3F350481), not the float nearest sqrt(1/2).
        const f32 diag = 0.7071f;
        f32 xx = (r.E11 + 1.0f) * 0.5f;
        f32 yy = (r.E22 + 1.0f) * 0.5f;
        f32 zz = (r.E33 + 1.0f) * 0.5f;
        f32 xy = (r.E21 + r.E12) * 0.25f;
        f32 xz = (r.E31 + r.E13) * 0.25f;
        f32 yz = (r.E32 + r.E23) * 0.25f;
        if (xx > yy && xx > zz) {
            if (xx < 0.001f) return {PI, {0.0f, diag, diag}};
            f32 x = sqrt(xx);
            return {PI, {x, xy / x, xz / x}};
        }
        if (yy > zz) {
            if (yy < 0.001f) return {PI, {diag, 0.0f, diag}};
            f32 y = sqrt(yy);
            return {PI, {xy / y, y, yz / y}};
        }
        if (zz < 0.001f) return {PI, {diag, diag, 0.0f}};
        f32 z = sqrt(zz);
        return {PI, {xz / z, yz / z, z}};
    }

    v3 axis = {r.E32 - r.E23, r.E13 - r.E31, r.E21 - r.E12};
    // Squares formed in double precision, summed in single precision.
    f32 length = sqrt((f32)((f64)axis.x * axis.x) + (f32)((f64)axis.y * axis.y) + (f32)((f64)axis.z * axis.z));
    return {arccos(c), axis / length};
}

} // namespace ve
