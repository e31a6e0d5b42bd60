#pragma once
// Three-component vector. All views lie over the same three floats.

#include "Math/floatMath.h"
#include "Math/v2.h"

namespace ve {

union v3 {
    struct {
        f32 x, y, z;
    };
    struct {
        f32 r, g, b;
    };
    struct {
        v2 xy;
        f32 _ignored;
    };
    struct {
        f32 _ignored2;
        v2 yz;
    };
    f32 E[3];
};

inline v3 operator+(v3 l, v3 r) { return {l.x + r.x, l.y + r.y, l.z + r.z}; }
inline v3 operator-(v3 l, v3 r) { return {l.x - r.x, l.y - r.y, l.z - r.z}; }
inline v3 operator-(v3 v) { return {-v.x, -v.y, -v.z}; }
inline v3 operator*(v3 v, f32 s) { return {v.x * s, v.y * s, v.z * s}; }
inline v3 operator*(f32 s, v3 v) { return v * s; }
// Component-wise product, not the dot product (that is `inner`).
inline v3 operator*(v3 l, v3 r) { return {l.x * r.x, l.y * r.y, l.z * r.z}; }
inline v3 operator/(v3 v, f32 s) { return {v.x / s, v.y / s, v.z / s}; }
inline v3& operator+=(v3& l, v3 r) { return l = l + r; }
inline v3& operator-=(v3& l, v3 r) { return l = l - r; }
inline v3& operator*=(v3& l, f32 s) { return l = l * s; }

inline f32 inner(v3 l, v3 r) { return l.x * r.x + l.y * r.y + l.z * r.z; }
inline v3 cross(v3 l, v3 r) {
    return {l.y * r.z - l.z * r.y, l.z * r.x - l.x * r.z, l.x * r.y - l.y * r.x};
}
inline f32 lensq(v3 v) { return inner(v, v); }
inline f32 len(v3 v) { return sqrt(lensq(v)); }
// No guard: the zero vector gives NaN components.
inline v3 normalized(v3 v) { return v / len(v); }
// No clamping: two equal unit vectors may give NaN when rounding pushes the cosine above 1.
inline f32 angle(v3 l, v3 r) { return arccos(inner(l, r) / (len(l) * len(r))); }

} // namespace ve
