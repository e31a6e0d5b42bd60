#pragma once
// The rigid body: its state, the boxes attached to it, the mass and inertia derived from them,
// forces, impulses, velocities and sleeping. Bodies are created and destroyed only through the
// scene, which takes their memory from its heap. Every member is public: the engine's glue, its
// time rewind and the map editor read and write body fields directly.

#include "Physics/collision/phBox.h"

#include <stdio.h>

class phScene;
class phRender;
struct phContactEdge;

enum phBodyType : i32 {
    eStaticBody = 0,
    eDynamicBody = 1,
    eKinematicBody = 2,
};

// Creation parameters of a body.
class phBodyDef {
public:
    phBodyDef() {
        axis.Set(r32(0.0), r32(0.0), r32(0.0));
        angle = r32(0.0);
        position.Set(r32(0.0), r32(0.0), r32(0.0));
        linearVelocity.Set(r32(0.0), r32(0.0), r32(0.0));
        angularVelocity.Set(r32(0.0), r32(0.0), r32(0.0));
        gravityScale = r32(1.0);
        layers = 1;
        userData = nullptr;
        linearDamping = r32(0.0);
        angularDamping = r32(0.1);
        bodyType = eStaticBody;
        allowSleep = true;
        awake = true;
        active = true;
        lockAxisX = false;
        lockAxisY = false;
        lockAxisZ = false;
    }

    // Rotation axis (normalised by the body) and angle in radians.
    phVec3 axis;
    r32 angle;
    phVec3 position;
    phVec3 linearVelocity;
    phVec3 angularVelocity;
    r32 gravityScale;
    i32 layers;
    void* userData;
    r32 linearDamping;
    r32 angularDamping;
    phBodyType bodyType;
    bool allowSleep;
    bool awake;
    bool active;
    // Lock rotation about that world axis.
    bool lockAxisX;
    bool lockAxisY;
    bool lockAxisZ;
};

class phBody {
public:
    // Bits of m_flags: the one definition of each, which the engine's body options (ve::phFlags,
    // ve::BodyType, ve::AxisLock) and its editor share; 8 is unused. Exactly one of the three type
    // bits is set.
    enum {
        eAwake = 0x001,
        eActive = 0x002,
        eAllowSleep = 0x004,
        eIsland = 0x010,
        eStatic = 0x020,
        eDynamic = 0x040,
        eKinematic = 0x080,
        eLockAxisX = 0x100,
        eLockAxisY = 0x200,
        eLockAxisZ = 0x400,
    };

    phBody(const phBodyDef& def, phScene* scene);

    // Null, with the body unchanged, for a box whose size or density is not above zero or whose
    // values are not finite, and when the scene heap or the broad phase has no room for it.
    phBox* AddBox(const phBoxDef& def);
    void RemoveBox(const phBox* box);
    // Detaches every box and removes the body's contacts. The mass data is left as it was.
    void RemoveAllBoxes();

    // Forces are accelerations: they are scaled by the mass before they accumulate.
    void ApplyLinearForce(const phVec3& force);
    void ApplyForceAtWorldPoint(const phVec3& force, const phVec3& point);
    void ApplyLinearImpulse(const phVec3& impulse);
    void ApplyLinearImpulseAtWorldPoint(const phVec3& impulse, const phVec3& point);
    // Does not wake the body.
    void ApplyTorque(const phVec3& torque);

    bool IsAwake() const { return (m_flags & eAwake) != 0; }
    void SetToAwake();
    // Clears velocities, force and torque as well.
    void SetToSleep();

    r32 GetMass() const { return m_mass; }
    r32 GetInvMass() const { return m_invMass; }
    r32 GetGravityScale() const { return m_gravityScale; }
    void SetGravityScale(r32 scale) { m_gravityScale = scale; }
    i32 GetFlags() const { return m_flags; }
    i32 GetLayers() const { return m_layers; }
    // The broad phase is not touched: contacts follow at the next collision test.
    void SetLayers(i32 layers) { m_layers = layers; }
    void* GetUserData() const { return m_userData; }
    const phQuaternion& GetQuaternion() const { return m_q; }
    const phVec3& GetLinearVelocity() const { return m_linearVelocity; }
    const phVec3& GetAngularVelocity() const { return m_angularVelocity; }
    r32 GetLinearDamping() const { return m_linearDamping; }
    void SetLinearDamping(r32 damping) { m_linearDamping = damping; }
    r32 GetAngularDamping() const { return m_angularDamping; }
    void SetAngularDamping(r32 damping) { m_angularDamping = damping; }

    phVec3 GetLocalPoint(const phVec3& p) const { return phMulT(m_tx, p); }
    phVec3 GetWorldPoint(const phVec3& p) const { return phMul(m_tx, p); }
    phVec3 GetLocalVector(const phVec3& v) const { return phMulT(m_tx.rotation, v); }
    phVec3 GetWorldVector(const phVec3& v) const { return phMul(m_tx.rotation, v); }
    phVec3 GetVelocityAtWorldPoint(const phVec3& p) const;

    // Not for static bodies. A non-zero velocity wakes the body.
    void SetLinearVelocity(const phVec3& v);
    void SetAngularVelocity(phVec3 v);

    // False for the body itself and for two bodies of which neither is dynamic; otherwise true
    // when the layer masks share a bit.
    bool CanCollide(const phBody* other) const;

    phTransform GetTransform() const { return m_tx; }
    // Both forms take the position of the centre of mass; the origin follows from it.
    void SetTransform(const phVec3& position);
    void SetTransform(const phVec3& position, const phVec3& axis, r32 angle);

    void Render(phRender* render) const;
    // Writes the body as source text that rebuilds it (with a scene `scene` and an array
    // `bodies`).
    void Dump(FILE* file, i32 index) const;

    void CalculateMassData();
    // Recomputes the origin from the centre of mass and refreshes every box's proxy. A pose that
    // is not finite leaves the proxies where they were: a bounding box that is not a number
    // overlaps every other one in the broad phase.
    void SynchronizeProxies();

    // One body's state that is not finite (a NaN or an infinity written into it, or pushed out of
    // range) must never reach another body. The step calls EnsureFinite on every body before its
    // pairs are tested and before it is solved: a body with any pose, velocity or force component
    // that is not finite is put back at its last finite pose and stopped, and the first time this
    // happens to it one line is printed. KeepAsFinite records the pose after each step that left
    // it finite.
    void EnsureFinite();
    void KeepAsFinite();
    void RestoreFiniteState();

    // Inverse inertia in body space, locked axes zeroed.
    phMat3 m_invInertiaModel;
    // Inverse inertia in world space, refreshed by the step.
    phMat3 m_invInertiaWorld;
    r32 m_mass;
    r32 m_invMass;
    phVec3 m_linearVelocity;
    // Radians per second.
    phVec3 m_angularVelocity;
    // Accumulated for the next step, cleared by it.
    phVec3 m_force;
    phVec3 m_torque;
    // Body origin and rotation in the world.
    phTransform m_tx;
    // The rotation as a quaternion: the authority the step integrates.
    phQuaternion m_q;
    // Centre of mass in body space and in the world.
    phVec3 m_localCenter;
    phVec3 m_worldCenter;
    // Seconds spent slow enough to sleep.
    r32 m_sleepTime;
    r32 m_gravityScale;
    i32 m_layers;
    i32 m_flags;
    // Newest first, linked through phBox::next.
    phBox* m_boxes;
    void* m_userData;
    phScene* m_scene;
    phBody* m_next;
    phBody* m_prev;
    i32 m_islandIndex;
    r32 m_linearDamping;
    r32 m_angularDamping;
    phContactEdge* m_contactList;
    // The last pose found finite (see EnsureFinite).
    phVec3 m_finiteCenter;
    phQuaternion m_finiteQ;
    // Whether a state that was not finite has been reported for this body.
    bool m_reportedNotFinite;
    // A pair of the body found no room in the physics store for its contact or its points since
    // the step's island walk last reached the body: the next step holds the body still, and moves
    // the rest of its island against it, rather than let it pass through what it touches. Never
    // set on a static body.
    bool m_withoutRoom;

private:
    void WakeOnNonZero(const phVec3& v);
};
