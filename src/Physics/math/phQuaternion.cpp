#include "Physics/math/phQuaternion.h"

#include <math.h>

void phQuaternion::Set(const phVec3& axis, r32 radians) {
    r32 halfAngle = r32(0.5) * radians;
    r32 s = sinf(halfAngle);
    x = s * axis.x;
    y = s * axis.y;
    z = s * axis.z;
    w = cosf(halfAngle);
}

void phQuaternion::ToAxisAngle(phVec3* axis, r32* angle) const {
    phAssert(w <= r32( 1.0 ));
    *angle = r32(2.0) * acosf(w);
    r32 l = sqrtf(r32(1.0) - w * w);
    if (l == r32(0.0)) {
        axis->Set(r32(0.0), r32(0.0), r32(0.0));
        return;
    }
    l = r32(1.0) / l;
    axis->Set(x * l, y * l, z * l);
}

void phQuaternion::Integrate(const phVec3& dv, r32 dt) {
    phQuaternion q(dv.x * dt, dv.y * dt, dv.z * dt, r32(0.0));
    q *= *this;
    x += q.x * r32(0.5);
    y += q.y * r32(0.5);
    z += q.z * r32(0.5);
    w += q.w * r32(0.5);
    *this = phNormalize(*this);
}

phMat3 phQuaternion::ToMat3() const {
    r32 x2 = x + x;
    r32 y2 = y + y;
    r32 z2 = z + z;
    r32 xx = x * x2;
    r32 xy = x * y2;
    r32 xz = x * z2;
    r32 xw = w * x2;
    r32 yy = y * y2;
    r32 yz = y * z2;
    r32 yw = w * y2;
    r32 zz = z * z2;
    r32 zw = w * z2;
    return phMat3(phVec3(r32(1.0) - yy - zz, xy + zw, xz - yw),
                  phVec3(xy - zw, r32(1.0) - xx - zz, yz + xw),
                  phVec3(xz + yw, yz - xw, r32(1.0) - xx - yy));
}

phQuaternion phNormalize(const phQuaternion& q) {
    r32 d = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
    if (d == r32(0.0)) return phQuaternion(r32(0.0), r32(0.0), r32(0.0), r32(1.0));
    r32 l = r32(1.0) / sqrtf(d);
    if (l <= r32(1.0e-8)) return q;
    return phQuaternion(q.x * l, q.y * l, q.z * l, q.w * l);
}
