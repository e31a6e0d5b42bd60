#pragma once
// The library's only collision shape: a box rotated and placed relative to its body. Every box
// operation works on the box's world transform, the body transform composed with `local`.

#include "Physics/common/phGeometry.h"

class phBody;
class phRender;

const r32 phk_boxDefaultFriction = r32(0.4);
const r32 phk_boxDefaultRestitution = r32(0.2);
const r32 phk_boxDefaultDensity = r32(1.0);

// Creation parameters of a box.
class phBoxDef {
public:
    phBoxDef() {
        phIdentity(m_tx.position);
        phIdentity(m_tx.rotation);
        phIdentity(m_e);
        m_friction = phk_boxDefaultFriction;
        m_restitution = phk_boxDefaultRestitution;
        m_density = phk_boxDefaultDensity;
        m_sensor = false;
    }

    // `extents` are full sizes; the box keeps half of them.
    void Set(const phTransform& tx, const phVec3& extents) {
        m_tx = tx;
        m_e = extents * r32(0.5);
    }
    void SetFriction(r32 friction) { m_friction = friction; }
    void SetRestitution(r32 restitution) { m_restitution = restitution; }
    void SetDensity(r32 density) { m_density = density; }
    void SetSensor(bool sensor) { m_sensor = sensor; }

    phTransform m_tx;
    phVec3 m_e;
    r32 m_friction;
    r32 m_restitution;
    r32 m_density;
    bool m_sensor;
};

class phBox {
public:
    // Points on the surface count as inside.
    bool TestPoint(const phTransform& tx, const phVec3& p) const;
    // Slab test; on a hit fills `toi` and `normal` of `raycast`. A ray starting inside the box
    // hits at toi 0 with the normal pointing back along the ray.
    bool Raycast(const phTransform& tx, phRaycastData* raycast) const;
    void ComputeAABB(const phTransform& tx, phAABB* aabb) const;
    // Mass, centre and inertia about the body origin, from the density and the extents.
    void ComputeMass(phMassData* md) const;
    void Render(const phTransform& tx, bool awake, phRender* render) const;

    void SetUserdata(void* data) { userData = data; }
    void* GetUserdata() const { return userData; }
    void SetSensor(bool isSensor) { sensor = isSensor; }

    phTransform local;
    // Half extents along the box's own axes.
    phVec3 e;
    phBox* next;
    phBody* body;
    r32 friction;
    r32 restitution;
    r32 density;
    i32 broadPhaseIndex;
    void* userData;
    bool sensor;
};
