#pragma once
// 2x2 matrix, column-major. E<row><column>; the letters name the elements row by row
// (a b over c d) and are stored column by column. Used as a field only.

#include "Math/v2.h"

namespace ve {

union mat2 {
    struct {
        f32 E11, E21, E12, E22;
    };
    struct {
        f32 a, c, b, d;
    };
    struct {
        v2 col1, col2;
    };
    f32 E[2][2]; // [column][row]
};

} // namespace ve
