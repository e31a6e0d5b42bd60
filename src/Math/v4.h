#pragma once
// Four-component vector. All views lie over the same four floats.
//
// Pitfall: the `yzw`/`gba` view lies over the FIRST three floats, exactly like `xyz` (the
// declaration below keeps that layout on purpose, the introspection table and the editor list the
// members in this order). Use `.y`, `.z`, `.w` for the last three components.

#include "Math/v3.h"

namespace ve {

union v4 {
    struct {
        f32 x, y, z, w;
    };
    struct {
        f32 r, g, b, a;
    };
    struct {
        union {
            v3 xyz;
            v3 rgb;
        };
        f32 _ignored;
    };
    struct {
        union {
            v3 yzw;
            v3 gba;
        };
        f32 _ignored2;
    };
    struct {
        union {
            v2 xy;
            v2 rg;
        };
        union {
            v2 zw;
            v2 ba;
        };
    };
    struct {
        f32 _ignored3;
        union {
            v2 yz;
            v2 gb;
        };
        f32 _ignored4;
    };
    f32 E[4];
};

inline v4 operator+(v4 l, v4 r) { return {l.x + r.x, l.y + r.y, l.z + r.z, l.w + r.w}; }
inline v4 operator-(v4 l, v4 r) { return {l.x - r.x, l.y - r.y, l.z - r.z, l.w - r.w}; }
inline v4 operator-(v4 v) { return {-v.x, -v.y, -v.z, -v.w}; }
inline v4 operator*(v4 v, f32 s) { return {v.x * s, v.y * s, v.z * s, v.w * s}; }
inline v4 operator*(f32 s, v4 v) { return v * s; }
inline v4 operator/(v4 v, f32 s) { return {v.x / s, v.y / s, v.z / s, v.w / s}; }
inline f32 inner(v4 l, v4 r) { return l.x * r.x + l.y * r.y + l.z * r.z + l.w * r.w; }

} // namespace ve
