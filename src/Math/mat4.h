#pragma once
// 4x4 matrix, column-major. E<row><column>; the letters name the elements row by row
// (a b c d / e f g h / i j k l / m n o p) and are stored column by column. The translation of an
// affine transform is col4.

#include "Math/mat3.h"
#include "Math/v4.h"

namespace ve {

union mat4 {
    struct {
        f32 E11, E21, E31, E41, E12, E22, E32, E42, E13, E23, E33, E43, E14, E24, E34, E44;
    };
    struct {
        f32 a, e, i, m, b, f, j, n, c, g, k, o, d, h, l, p;
    };
    struct {
        v4 col1, col2, col3, col4;
    };
    f32 E[4][4]; // [column][row]
};

inline mat4 iMat4() {
    mat4 m = {};
    m.E11 = m.E22 = m.E33 = m.E44 = 1.0f;
    return m;
}

inline v4 operator*(mat4 m, v4 v) { return m.col1 * v.x + m.col2 * v.y + m.col3 * v.z + m.col4 * v.w; }

// L·R: column j of the result is L times column j of R.
inline mat4 operator*(mat4 l, mat4 r) {
    mat4 result;
    result.col1 = l * r.col1;
    result.col2 = l * r.col2;
    result.col3 = l * r.col3;
    result.col4 = l * r.col4;
    return result;
}

inline mat4 transMat(v3 dir) {
    mat4 m = iMat4();
    m.col4 = {dir.x, dir.y, dir.z, 1.0f};
    return m;
}

inline mat4 scaleMat(v3 s) {
    mat4 m = {};
    m.E11 = s.x;
    m.E22 = s.y;
    m.E33 = s.z;
    m.E44 = 1.0f;
    return m;
}

// Rodrigues' rotation about a unit axis; a positive angle (radians) turns counter-clockwise when
// the axis points at the viewer.
inline mat4 rotMat(v3 axis, f32 angle) {
    f32 c = cos(angle);
    f32 s = sin(angle);
    f32 t = 1.0f - c;
    f32 x = axis.x, y = axis.y, z = axis.z;
    mat4 m = iMat4();
    m.E11 = t * x * x + c;
    m.E12 = t * x * y - s * z;
    m.E13 = t * x * z + s * y;
    m.E21 = t * x * y + s * z;
    m.E22 = t * y * y + c;
    m.E23 = t * y * z - s * x;
    m.E31 = t * x * z - s * y;
    m.E32 = t * y * z + s * x;
    m.E33 = t * z * z + c;
    return m;
}

// The view looks along +z of view space (clip w = view z); depth maps near to -1, far to +1.
inline mat4 perspectiveMat(f32 fov, f32 near, f32 far, f32 aspect) {
    f32 f = 1.0f / tan(fov / 2.0f);
    mat4 m = {};
    m.E11 = f / aspect;
    m.E22 = f;
    m.E33 = (far + near) / (far - near);
    m.E34 = -2.0f * far * near / (far - near);
    m.E43 = 1.0f;
    return m;
}

// Rows 1 to 3 are the view's +x (side), +y (up) and +z (forward) axes.
inline mat4 lookAt(v3 pos, v3 target, v3 up) {
    v3 f = normalized(target - pos);
    v3 s = normalized(cross(up, f));
    v3 u = cross(f, s); // unit already, up to rounding: not normalised again
    mat4 m = {};
    m.E11 = s.x, m.E12 = s.y, m.E13 = s.z, m.E14 = -inner(s, pos);
    m.E21 = u.x, m.E22 = u.y, m.E23 = u.z, m.E24 = -inner(u, pos);
    m.E31 = f.x, m.E32 = f.y, m.E33 = f.z, m.E34 = -inner(f, pos);
    m.E44 = 1.0f;
    return m;
}

inline mat3 toMat3(mat4 m) {
    mat3 r;
    r.col1 = m.col1.xyz;
    r.col2 = m.col2.xyz;
    r.col3 = m.col3.xyz;
    return r;
}

inline mat4 toMat4(mat3 m) {
    mat4 r = {};
    r.col1.xyz = m.col1;
    r.col2.xyz = m.col2;
    r.col3.xyz = m.col3;
    r.E44 = 1.0f;
    return r;
}

inline v3 getTranslation(mat4 m) { return {m.E14, m.E24, m.E34}; }
inline v3 getScale(mat4 m) { return {len(m.col1.xyz), len(m.col2.xyz), len(m.col3.xyz)}; }

inline mat4 getRotation(mat4 m) {
    mat4 r = {};
    r.col1.xyz = m.col1.xyz / len(m.col1.xyz);
    r.col2.xyz = m.col2.xyz / len(m.col2.xyz);
    r.col3.xyz = m.col3.xyz / len(m.col3.xyz);
    r.E44 = 1.0f;
    return r;
}

} // namespace ve
