#pragma once
// Square root and sine from the processor's own instructions rather than a library call.

#include "Platform/machineDef.h"

#include <xmmintrin.h>

namespace ve {

// sqrtss: the correctly rounded single-precision square root (the same value the x87 square
// root gives once rounded to single precision).
inline f32 intr_sqrt(f32 x) {
    return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(x)));
}

// The x87 sine on the exact single-precision argument, rounded back to single precision. The
// instruction takes radians up to 2^63 in magnitude; beyond that it leaves the argument as is.
inline f32 intr_sin(f32 x) {
    long double value = x;
    __asm__("fsin" : "+t"(value));
    return (f32)value;
}

} // namespace ve
