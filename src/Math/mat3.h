#pragma once
// 3x3 matrix, column-major. E<row><column>; the letters name the elements row by row
// (a b c / d e f / g h i) and are stored column by column. The physics library's 3x3 matrix has
// the same layout, so rotations are copied between the two byte for byte.

#include "Math/v3.h"

namespace ve {

union mat3 {
    struct {
        f32 E11, E21, E31, E12, E22, E32, E13, E23, E33;
    };
    struct {
        f32 a, d, g, b, e, h, c, f, i;
    };
    struct {
        v3 col1, col2, col3;
    };
    f32 E[3][3]; // [column][row]
};

inline mat3 iMat3() {
    mat3 m = {};
    m.E11 = m.E22 = m.E33 = 1.0f;
    return m;
}

inline v3 operator*(mat3 m, v3 v) { return m.col1 * v.x + m.col2 * v.y + m.col3 * v.z; }
inline mat3 operator*(mat3 l, mat3 r) {
    mat3 m;
    m.col1 = l * r.col1;
    m.col2 = l * r.col2;
    m.col3 = l * r.col3;
    return m;
}
inline mat3 operator*(mat3 m, f32 s) {
    mat3 result;
    for (int k = 0; k < 9; ++k) result.E[k / 3][k % 3] = m.E[k / 3][k % 3] * s;
    return result;
}
inline mat3 operator*(f32 s, mat3 m) { return m * s; }

inline mat3 trnspos(mat3 m) {
    mat3 t;
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row) t.E[row][column] = m.E[column][row];
    return t;
}

inline f32 det(mat3 m) {
    return m.a * (m.e * m.i - m.f * m.h) - m.b * (m.d * m.i - m.f * m.g) + m.c * (m.d * m.h - m.e * m.g);
}

// Adjugate times 1/det; a singular matrix gives infinities or NaNs, never an error.
inline mat3 invert(mat3 m) {
    mat3 adj;
    adj.a = m.e * m.i - m.f * m.h;
    adj.b = m.c * m.h - m.b * m.i;
    adj.c = m.b * m.f - m.c * m.e;
    adj.d = m.f * m.g - m.d * m.i;
    adj.e = m.a * m.i - m.c * m.g;
    adj.f = m.c * m.d - m.a * m.f;
    adj.g = m.d * m.h - m.e * m.g;
    adj.h = m.b * m.g - m.a * m.h;
    adj.i = m.a * m.e - m.b * m.d;
    return adj * (1.0f / det(m));
}

} // namespace ve
