#pragma once
// Single-precision scalar helpers. Results must be identical on every machine: no fast-math,
// sine and square root from the processor's instructions, arc cosine from the C runtime.

#include "Platform/machineDef.h"
#include "Platform/ve_intrinsics.h"

#include <math.h>

namespace ve {

// The single-precision pi (bits 0x40490FDB) and half pi (bits 0x3FC90FDB).
constexpr f32 PI = 3.14159274f;
constexpr f32 HALF_PI = 1.57079637f;

inline f32 sq(f32 x) { return x * x; }
inline f32 sqrt(f32 x) { return intr_sqrt(x); }
inline f32 sin(f32 x) { return intr_sin(x); }
inline f32 cos(f32 x) { return sin(x + HALF_PI); }
inline f32 tan(f32 x) { return sin(x) / cos(x); }
// Multiplied by pi first, then divided, so toRad(180) is exactly PI.
inline f32 toRad(f32 deg) { return deg * PI / 180.0f; }
// No clamping: a cosine pushed past 1 by rounding gives NaN, and callers live with that.
inline f32 arccos(f32 x) { return acosf(x); }
inline f32 min(f32 a, f32 b) { return a < b ? a : b; }
inline f32 max(f32 a, f32 b) { return a > b ? a : b; }

} // namespace ve
