#pragma once
// The library's 3-vector. Default construction leaves the components uninitialised: vectors are
// filled in bulk by the solver and zeroing them first would be wasted work.

#include "Math/v3.h"
#include "Physics/common/phSettings.h"

struct phVec3 {
    union {
        r32 v[3];
        struct {
            r32 x;
            r32 y;
            r32 z;
        };
    };

    phVec3() {}
    phVec3(r32 _x, r32 _y, r32 _z) : x(_x), y(_y), z(_z) {}

    void Set(r32 _x, r32 _y, r32 _z) {
        x = _x;
        y = _y;
        z = _z;
    }
    void SetAll(r32 a) { Set(a, a, a); }

    phVec3& operator+=(const phVec3& rhs) {
        x += rhs.x;
        y += rhs.y;
        z += rhs.z;
        return *this;
    }
    phVec3& operator-=(const phVec3& rhs) {
        x -= rhs.x;
        y -= rhs.y;
        z -= rhs.z;
        return *this;
    }
    phVec3& operator*=(r32 f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    phVec3& operator/=(r32 f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }

    r32& operator[](i32 i) {
        phAssert(i >= 0 && i < 3);
        return v[i];
    }
    r32 operator[](i32 i) const {
        phAssert(i >= 0 && i < 3);
        return v[i];
    }

    phVec3 operator-() const { return phVec3(-x, -y, -z); }
    phVec3 operator+(const phVec3& rhs) const { return phVec3(x + rhs.x, y + rhs.y, z + rhs.z); }
    phVec3 operator-(const phVec3& rhs) const { return phVec3(x - rhs.x, y - rhs.y, z - rhs.z); }
    phVec3 operator*(r32 f) const { return phVec3(x * f, y * f, z * f); }
    phVec3 operator/(r32 f) const { return phVec3(x / f, y / f, z / f); }

    operator ve::v3() const {
        ve::v3 out;
        out.x = x;
        out.y = y;
        out.z = z;
        return out;
    }
};

inline phVec3 operator*(r32 f, const phVec3& rhs) { return rhs * f; }
