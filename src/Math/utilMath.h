#pragma once
// Identifiers (the lane hash of a name) and the plane record.

#include "Math/Hash/lane_hash.h"
#include "Math/v3.h"

namespace ve {

// A 128-bit identifier. All zero means "no identifier".
union Hash {
    struct {
        u64 lo; // bytes 0..7, little-endian
        u64 hi; // bytes 8..15
    };
    lane_hash h;

    explicit operator b8() const { return (lo | hi) != 0; }
    b8 operator!() const { return (lo | hi) == 0; }
};

inline b8 operator==(Hash l, Hash r) { return l.lo == r.lo && l.hi == r.hi; }
inline b8 operator!=(Hash l, Hash r) { return !(l == r); }

Hash hashBuffer(buffer buf);
Hash hashString(string str);
Hash hashASCIIZ(const c8* string);

union plane {
    struct {
        f32 a, b, c, d;
    };
    v3 normal;
};

} // namespace ve
