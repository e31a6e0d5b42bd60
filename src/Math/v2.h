#pragma once
// Two-component vector: texture coordinates and editor fields; no arithmetic of its own.

#include "Platform/machineDef.h"

namespace ve {

union v2 {
    struct {
        f32 x, y;
    };
    f32 E[2];
};

} // namespace ve
