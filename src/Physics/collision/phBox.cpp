#include "Physics/collision/phBox.h"

#include "Physics/common/phRender.h"

// Corner k has the sign pattern of the bits of k: bit 2 for x, bit 1 for y, bit 0 for z (clear is
// minus), so the order runs (-,-,-), (-,-,+), (-,+,-), ... (+,+,+).
static phVec3 phBoxCorner(const phVec3& e, i32 k) {
    return phVec3((k & 4) ? e.x : -e.x, (k & 2) ? e.y : -e.y, (k & 1) ? e.z : -e.z);
}

// The twelve outward-facing triangles of the box over the corners above.
static const i32 kBoxIndices[36] = {
    0, 6, 4, 0, 2, 6, 0, 3, 2, 0, 1, 3, 2, 7, 6, 2, 3, 7,
    4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1, 1, 5, 7, 1, 7, 3,
};

bool phBox::TestPoint(const phTransform& tx, const phVec3& p) const {
    phTransform world = phMul(tx, local);
    phVec3 q = phMulT(world, p);
    for (i32 i = 0; i < 3; ++i) {
        if (q[i] > e[i] || q[i] < -e[i]) return false;
    }
    return true;
}

bool phBox::Raycast(const phTransform& tx, phRaycastData* raycast) const {
    phTransform world = phMul(tx, local);
    phVec3 d = phMulT(world.rotation, raycast->dir);
    phVec3 p = phMulT(world, raycast->start);
    r32 tmin = r32(0.0);
    r32 tmax = raycast->t;
    // A ray starting inside never crosses a face on its way in: its normal faces back along it.
    phVec3 n0 = -phNormalize(d);

    for (i32 i = 0; i < 3; ++i) {
        if (phAbs(d[i]) < r32(1.0e-8)) {
            // Parallel to this slab: outside it the ray can never enter.
            if (p[i] < -e[i] || p[i] > e[i]) return false;
            continue;
        }
        r32 inv = r32(1.0) / d[i];
        r32 s = phSign(d[i]);
        r32 ei = e[i] * s;
        phVec3 n(r32(0.0), r32(0.0), r32(0.0));
        n[i] = -s;
        r32 t0 = -(ei + p[i]) * inv;
        r32 t1 = (ei - p[i]) * inv;
        if (t0 > tmin) {
            n0 = n;
            tmin = t0;
        }
        tmax = phMin(tmax, t1);
        if (tmin > tmax) return false;
    }

    raycast->normal = world.rotation * n0;
    raycast->toi = tmin;
    return true;
}

void phBox::ComputeAABB(const phTransform& tx, phAABB* aabb) const {
    phTransform world = phMul(tx, local);
    phVec3 min(phk_maxFloat, phk_maxFloat, phk_maxFloat);
    phVec3 max(-phk_maxFloat, -phk_maxFloat, -phk_maxFloat);
    for (i32 k = 0; k < 8; ++k) {
        phVec3 v = phMul(world, phBoxCorner(e, k));
        min = phMin(min, v);
        max = phMax(max, v);
    }
    aabb->min = min;
    aabb->max = max;
}

void phBox::ComputeMass(phMassData* md) const {
    r32 ex2 = r32(4.0) * e.x * e.x;
    r32 ey2 = r32(4.0) * e.y * e.y;
    r32 ez2 = r32(4.0) * e.z * e.z;
    r32 mass = r32(8.0) * e.x * e.y * e.z * density;
    r32 x = r32(0.0833333358) * mass * (ey2 + ez2);
    r32 y = r32(0.0833333358) * mass * (ex2 + ez2);
    r32 z = r32(0.0833333358) * mass * (ex2 + ey2);

    // About the box centre in body axes, then moved to the body origin (parallel axis theorem).
    phMat3 I = local.rotation * phDiagonal(x, y, z) * phTranspose(local.rotation);
    const phVec3& c = local.position;
    I += (phDiagonal(phDot(c, c)) - phOuterProduct(c, c)) * mass;

    md->center = c;
    md->inertia = I;
    md->mass = mass;
}

void phBox::Render(const phTransform& tx, bool, phRender* render) const {
    phTransform world = phMul(tx, local);
    phVec3 corners[8];
    for (i32 k = 0; k < 8; ++k) corners[k] = phMul(world, phBoxCorner(e, k));

    for (i32 i = 0; i < 36; i += 3) {
        const phVec3& a = corners[kBoxIndices[i]];
        const phVec3& b = corners[kBoxIndices[i + 1]];
        const phVec3& c = corners[kBoxIndices[i + 2]];
        phVec3 n = phNormalize(phCross(b - a, c - a));
        render->SetTriNormal(n.x, n.y, n.z);
        render->Triangle(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z);
    }
}
