#pragma once
// Free functions of the library's linear-algebra kit. Small enough to be inlined everywhere.

#include "Physics/math/phQuaternion.h"
#include "Physics/math/phTransform.h"

#include <cmath>

// ---------------------------------------------------------------------------------------------
// Scalars
// ---------------------------------------------------------------------------------------------

inline r32 phAbs(r32 a) { return a < r32(0.0) ? -a : a; }
inline r32 phMin(r32 a, r32 b) { return b > a ? a : b; }
inline r32 phMax(r32 a, r32 b) { return a > b ? a : b; }
inline i32 phMin(i32 a, i32 b) { return b > a ? a : b; }
inline i32 phMax(i32 a, i32 b) { return a > b ? a : b; }
inline u8 phMax(u8 a, u8 b) { return a > b ? a : b; }
inline r32 phClamp(r32 min, r32 max, r32 a) {
    if (min > a) return min;
    if (a > max) return max;
    return a;
}
inline r32 phSign(r32 a) { return a >= r32(0.0) ? r32(1.0) : r32(-1.0); }
// 1/a, with 0 for 0: an infinite mass has a zero inverse mass.
inline r32 phInvert(r32 a) { return a == r32(0.0) ? r32(0.0) : r32(1.0) / a; }

// Neither NaN nor an infinity.
inline bool phIsFinite(r32 a) { return std::isfinite(a); }

// ---------------------------------------------------------------------------------------------
// Vectors
// ---------------------------------------------------------------------------------------------

inline r32 phDot(const phVec3& a, const phVec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline phVec3 phCross(const phVec3& a, const phVec3& b) {
    return phVec3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
inline r32 phLength(const phVec3& v) { return sqrtf(phDot(v, v)); }
// A zero-length vector is returned unchanged.
inline phVec3 phNormalize(const phVec3& v) {
    r32 l = phLength(v);
    if (l == r32(0.0)) return v;
    return v * (r32(1.0) / l);
}
inline phVec3 phAbs(const phVec3& v) { return phVec3(phAbs(v.x), phAbs(v.y), phAbs(v.z)); }
inline phVec3 phMin(const phVec3& a, const phVec3& b) {
    return phVec3(phMin(a.x, b.x), phMin(a.y, b.y), phMin(a.z, b.z));
}
inline phVec3 phMax(const phVec3& a, const phVec3& b) {
    return phVec3(phMax(a.x, b.x), phMax(a.y, b.y), phMax(a.z, b.z));
}
inline void phIdentity(phVec3& v) { v.Set(r32(0.0), r32(0.0), r32(0.0)); }

// Two unit vectors b and c that complete the unit vector a to a right-handed frame.
inline void phComputeBasis(const phVec3& a, phVec3* b, phVec3* c) {
    // 0.57735027 is the float nearest 1/sqrt(3): at least one component of a unit vector reaches
    // it, so the branch taken never crosses with a nearly parallel axis.
    if (phAbs(a.x) >= r32(0.57735027))
        b->Set(a.y, -a.x, r32(0.0));
    else
        b->Set(r32(0.0), a.z, -a.y);
    *b = phNormalize(*b);
    *c = phCross(a, *b);
}

// ---------------------------------------------------------------------------------------------
// Matrices
// ---------------------------------------------------------------------------------------------

inline phVec3 phMul(const phMat3& m, const phVec3& v) { return m * v; }
inline phMat3 phMul(const phMat3& a, const phMat3& b) { return a * b; }
inline phVec3 phMulT(const phMat3& m, const phVec3& v) {
    return phVec3(phDot(m.ex, v), phDot(m.ey, v), phDot(m.ez, v));
}
inline phMat3 phTranspose(const phMat3& m) {
    return phMat3(m.ex.x, m.ey.x, m.ez.x, m.ex.y, m.ey.y, m.ez.y, m.ex.z, m.ey.z, m.ez.z);
}
// Inverse by cofactors. The determinant is not tested: callers invert only inertia tensors of
// boxes with positive mass.
inline phMat3 phInverse(const phMat3& m) {
    phVec3 r0 = phCross(m.ey, m.ez);
    phVec3 r1 = phCross(m.ez, m.ex);
    phVec3 r2 = phCross(m.ex, m.ey);
    r32 k = r32(1.0) / phDot(m.ez, r2);
    return phMat3(phVec3(r0.x, r1.x, r2.x) * k, phVec3(r0.y, r1.y, r2.y) * k, phVec3(r0.z, r1.z, r2.z) * k);
}
inline phMat3 phDiagonal(r32 a, r32 b, r32 c) {
    return phMat3(a, r32(0.0), r32(0.0), r32(0.0), b, r32(0.0), r32(0.0), r32(0.0), c);
}
inline phMat3 phDiagonal(r32 a) { return phDiagonal(a, a, a); }
inline void phIdentity(phMat3& m) { m = phDiagonal(r32(1.0)); }
inline phMat3 phOuterProduct(const phVec3& u, const phVec3& v) {
    return phMat3(v * u.x, v * u.y, v * u.z);
}

// ---------------------------------------------------------------------------------------------
// Transforms
// ---------------------------------------------------------------------------------------------

inline phVec3 phMul(const phTransform& tx, const phVec3& v) { return tx.rotation * v + tx.position; }
// The point `v` in the transform's local frame.
inline phVec3 phMulT(const phTransform& tx, const phVec3& v) { return phMulT(tx.rotation, v - tx.position); }
inline phTransform phMul(const phTransform& t, const phTransform& u) {
    phTransform out;
    out.rotation = t.rotation * u.rotation;
    out.position = t.rotation * u.position + t.position;
    return out;
}

// ---------------------------------------------------------------------------------------------
// Finiteness
// ---------------------------------------------------------------------------------------------

inline bool phIsFinite(const phVec3& v) { return phIsFinite(v.x) && phIsFinite(v.y) && phIsFinite(v.z); }
inline bool phIsFinite(const phMat3& m) { return phIsFinite(m.ex) && phIsFinite(m.ey) && phIsFinite(m.ez); }
inline bool phIsFinite(const phQuaternion& q) { return phIsFinite(q.x) && phIsFinite(q.y) && phIsFinite(q.z) && phIsFinite(q.w); }
