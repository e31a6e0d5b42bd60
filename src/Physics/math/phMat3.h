#pragma once
// The library's 3x3 matrix: three axis vectors `ex`, `ey`, `ez`, the images of the unit axes, so
// that M * v = ex * v.x + ey * v.y + ez * v.z. The engine copies body rotations between this and
// the column-major ve::mat3 byte for byte, so the layout below is fixed (checked at the bottom).

#include "Math/mat3.h"
#include "Physics/math/phVec3.h"

#include <math.h>
#include <stddef.h>

struct phMat3 {
    phVec3 ex;
    phVec3 ey;
    phVec3 ez;

    phMat3() {}
    phMat3(r32 a, r32 b, r32 c, r32 d, r32 e, r32 f, r32 g, r32 h, r32 i)
        : ex(a, b, c), ey(d, e, f), ez(g, h, i) {}
    phMat3(const phVec3& x, const phVec3& y, const phVec3& z) : ex(x), ey(y), ez(z) {}

    void Set(r32 a, r32 b, r32 c, r32 d, r32 e, r32 f, r32 g, r32 h, r32 i) {
        ex.Set(a, b, c);
        ey.Set(d, e, f);
        ez.Set(g, h, i);
    }
    void SetRows(const phVec3& x, const phVec3& y, const phVec3& z) {
        ex = x;
        ey = y;
        ez = z;
    }

    // Rotation by `angle` radians about `axis`. The axis is used as given: callers normalise it.
    void Set(const phVec3& axis, r32 angle) {
        r32 s = sinf(angle);
        r32 c = cosf(angle);
        r32 x = axis.x;
        r32 y = axis.y;
        r32 z = axis.z;
        r32 t = r32(1.0) - c;
        ex.Set(x * x * t + c, x * y * t + z * s, z * x * t - y * s);
        ey.Set(x * y * t - z * s, y * y * t + c, y * z * t + x * s);
        ez.Set(z * x * t + y * s, y * z * t - x * s, z * z * t + c);
    }

    phMat3& operator*=(const phMat3& rhs) {
        *this = *this * rhs;
        return *this;
    }
    phMat3& operator*=(r32 f) {
        ex *= f;
        ey *= f;
        ez *= f;
        return *this;
    }
    phMat3& operator+=(const phMat3& rhs) {
        ex += rhs.ex;
        ey += rhs.ey;
        ez += rhs.ez;
        return *this;
    }
    phMat3& operator-=(const phMat3& rhs) {
        ex -= rhs.ex;
        ey -= rhs.ey;
        ez -= rhs.ez;
        return *this;
    }

    phVec3& operator[](u32 index) {
        switch (index) {
        case 0: return ex;
        case 1: return ey;
        case 2: return ez;
        default: phAssert(false); return ex;
        }
    }
    const phVec3& operator[](u32 index) const {
        switch (index) {
        case 0: return ex;
        case 1: return ey;
        case 2: return ez;
        default: phAssert(false); return ex;
        }
    }

    // The rows of the matrix (the axes are its columns).
    phVec3 Column0() const { return phVec3(ex.x, ey.x, ez.x); }
    phVec3 Column1() const { return phVec3(ex.y, ey.y, ez.y); }
    phVec3 Column2() const { return phVec3(ex.z, ey.z, ez.z); }

    phVec3 operator*(const phVec3& rhs) const { return ex * rhs.x + ey * rhs.y + ez * rhs.z; }
    // This applied after `rhs`.
    phMat3 operator*(const phMat3& rhs) const { return phMat3(*this * rhs.ex, *this * rhs.ey, *this * rhs.ez); }
    phMat3 operator*(r32 f) const { return phMat3(ex * f, ey * f, ez * f); }
    phMat3 operator+(const phMat3& rhs) const { return phMat3(ex + rhs.ex, ey + rhs.ey, ez + rhs.ez); }
    phMat3 operator-(const phMat3& rhs) const { return phMat3(ex - rhs.ex, ey - rhs.ey, ez - rhs.ez); }
};

static_assert(sizeof(phMat3) == sizeof(ve::mat3), "phMat3 must have the size of ve::mat3");
static_assert(offsetof(phMat3, ex) == offsetof(ve::mat3, col1), "ex must lie over col1");
static_assert(offsetof(phMat3, ey) == offsetof(ve::mat3, col2), "ey must lie over col2");
static_assert(offsetof(phMat3, ez) == offsetof(ve::mat3, col3), "ez must lie over col3");
