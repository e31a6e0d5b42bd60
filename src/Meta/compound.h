#pragma once
// Plain 64-bit, 128-bit and UUID records. The introspection table numbers them beside the math
// types; nothing in the engine uses them yet.

#include "Platform/machineDef.h"

namespace ve {

// A 64-bit value seen as its two 32-bit halves (low half first, as stored little-endian).
struct comp64 {
    u32 lo;
    u32 hi;
};

// A 128-bit value seen as its two 64-bit halves (low half first).
struct comp128 {
    u64 lo;
    u64 hi;
};

// A random (version 4) UUID: 16 bytes in the order they are written out.
struct UUID4 {
    u64 lo;
    u64 hi;
};

} // namespace ve
