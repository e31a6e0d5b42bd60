#include "Physics/dynamics/phBody.h"

#include "Physics/scene/phScene.h"

#include <new>

phBody::phBody(const phBodyDef& def, phScene* scene) {
    m_linearVelocity = def.linearVelocity;
    m_angularVelocity = def.angularVelocity;
    phIdentity(m_force);
    phIdentity(m_torque);

    m_q.Set(phNormalize(def.axis), def.angle);
    m_tx.rotation = m_q.ToMat3();
    m_tx.position = def.position;

    m_sleepTime = r32(0.0);
    m_gravityScale = def.gravityScale;
    m_layers = def.layers;
    m_userData = def.userData;
    m_linearDamping = def.linearDamping;
    m_angularDamping = def.angularDamping;
    m_scene = scene;
    m_flags = 0;

    switch (def.bodyType) {
    case eDynamicBody: m_flags |= eDynamic; break;
    case eKinematicBody: m_flags |= eKinematic; break;
    default:
        m_flags |= eStatic;
        phIdentity(m_linearVelocity);
        phIdentity(m_angularVelocity);
        break;
    }

    if (def.allowSleep) m_flags |= eAllowSleep;
    if (def.awake) m_flags |= eAwake;
    if (def.active) m_flags |= eActive;
    if (def.lockAxisX) m_flags |= eLockAxisX;
    if (def.lockAxisY) m_flags |= eLockAxisY;
    if (def.lockAxisZ) m_flags |= eLockAxisZ;

    m_boxes = nullptr;
    m_contactList = nullptr;
    m_next = nullptr;
    m_prev = nullptr;
    m_islandIndex = 0;
    m_reportedNotFinite = false;
    m_withoutRoom = false;
    // A definition that is not finite gives a body at the origin to fall back to.
    m_finiteCenter = phVec3(r32(0.0), r32(0.0), r32(0.0));
    m_finiteQ = phQuaternion(r32(0.0), r32(0.0), r32(0.0), r32(1.0));
    // A body may never get a box (entities without colliders): it still needs defined mass data,
    // a unit inverse mass for a dynamic body and centres at its origin.
    CalculateMassData();
}

// ---------------------------------------------------------------------------------------------
// Boxes
// ---------------------------------------------------------------------------------------------

namespace {

// Whether the box describes matter: a size above zero and a finite density above zero, at a
// finite place. A box of size or density zero (or below, or not a number) would give its body no
// mass, or a mass that is not a number, and gravity would not move it.
bool phIsSoundBox(const phBoxDef& def) {
    const phVec3& e = def.m_e;
    if (!(e.x > r32(0.0) && e.y > r32(0.0) && e.z > r32(0.0)) || !phIsFinite(e)) return false;
    if (!(def.m_density > r32(0.0)) || !phIsFinite(def.m_density)) return false;
    return phIsFinite(def.m_tx.position) && phIsFinite(def.m_tx.rotation) && phIsFinite(def.m_friction) &&
           phIsFinite(def.m_restitution);
}

} // namespace

phBox* phBody::AddBox(const phBoxDef& def) {
    if (!phIsSoundBox(def)) return nullptr;
    // The box's bounding box enters the broad phase at the body's pose.
    EnsureFinite();
    void* memory = m_scene->m_heap.Allocate(i32(sizeof(phBox)));
    if (!memory) return nullptr;
    phBox* box = new (memory) phBox;
    box->local = def.m_tx;
    box->e = def.m_e;
    box->body = this;
    box->friction = def.m_friction;
    box->restitution = def.m_restitution;
    box->density = def.m_density;
    box->sensor = def.m_sensor;
    box->userData = nullptr;

    phAABB aabb;
    box->ComputeAABB(m_tx, &aabb);
    if (!m_scene->m_contactManager.m_broadphase.InsertBox(box, aabb)) {
        m_scene->m_heap.Free(memory);
        return nullptr;
    }
    box->next = m_boxes;
    m_boxes = box;
    CalculateMassData();
    m_scene->m_newBox = true;
    return box;
}

void phBody::RemoveBox(const phBox* box) {
    phAssert(box);
    phAssert(box->body == this);

    phBox** link = &m_boxes;
    bool found = false;
    while (*link) {
        if (*link == box) {
            *link = box->next;
            found = true;
            break;
        }
        link = &(*link)->next;
    }
    phAssert(found);

    phContactManager* manager = &m_scene->m_contactManager;
    phContactEdge* edge = m_contactList;
    while (edge) {
        phContactConstraint* constraint = edge->constraint;
        edge = edge->next;
        if (constraint->A == box || constraint->B == box) manager->RemoveContact(constraint);
    }

    manager->m_broadphase.RemoveBox(box);
    CalculateMassData();
    m_scene->m_heap.Free((void*)box);
}

void phBody::RemoveAllBoxes() {
    phBroadPhase* broadPhase = &m_scene->m_contactManager.m_broadphase;
    phBox* box = m_boxes;
    while (box) {
        phBox* next = box->next;
        broadPhase->RemoveBox(box);
        m_scene->m_heap.Free(box);
        box = next;
    }
    m_boxes = nullptr;
    m_scene->m_contactManager.RemoveContactsFromBody(this);
}

// ---------------------------------------------------------------------------------------------
// Forces, impulses, velocities
// ---------------------------------------------------------------------------------------------

void phBody::ApplyLinearForce(const phVec3& force) {
    m_force += force * m_mass;
    SetToAwake();
}

void phBody::ApplyForceAtWorldPoint(const phVec3& force, const phVec3& point) {
    m_force += force * m_mass;
    m_torque += phCross(point - m_worldCenter, force);
    SetToAwake();
}

void phBody::ApplyLinearImpulse(const phVec3& impulse) {
    m_linearVelocity += impulse * m_invMass;
    SetToAwake();
}

void phBody::ApplyLinearImpulseAtWorldPoint(const phVec3& impulse, const phVec3& point) {
    m_linearVelocity += impulse * m_invMass;
    m_angularVelocity += m_invInertiaWorld * phCross(point - m_worldCenter, impulse);
    SetToAwake();
}

void phBody::ApplyTorque(const phVec3& torque) { m_torque += torque; }

void phBody::SetToAwake() {
    if (IsAwake()) return;
    m_flags |= eAwake;
    m_sleepTime = r32(0.0);
}

void phBody::SetToSleep() {
    m_flags &= ~eAwake;
    m_sleepTime = r32(0.0);
    phIdentity(m_linearVelocity);
    phIdentity(m_angularVelocity);
    phIdentity(m_force);
    phIdentity(m_torque);
}

phVec3 phBody::GetVelocityAtWorldPoint(const phVec3& p) const {
    return m_linearVelocity + phCross(m_angularVelocity, p - m_worldCenter);
}

void phBody::WakeOnNonZero(const phVec3& v) {
    if (phDot(v, v) > r32(0.0)) SetToAwake();
}

void phBody::SetLinearVelocity(const phVec3& v) {
    if (m_flags & eStatic) phAssert(false);
    WakeOnNonZero(v);
    m_linearVelocity = v;
}

void phBody::SetAngularVelocity(phVec3 v) {
    if (m_flags & eStatic) phAssert(false);
    WakeOnNonZero(v);
    m_angularVelocity = v;
}

bool phBody::CanCollide(const phBody* other) const {
    if (this == other) return false;
    if (!(m_flags & eDynamic) && !(other->m_flags & eDynamic)) return false;
    return (m_layers & other->m_layers) != 0;
}

// ---------------------------------------------------------------------------------------------
// Transform and mass
// ---------------------------------------------------------------------------------------------

void phBody::SetTransform(const phVec3& position) {
    m_worldCenter = position;
    SynchronizeProxies();
    KeepAsFinite();
}

void phBody::SetTransform(const phVec3& position, const phVec3& axis, r32 angle) {
    m_worldCenter = position;
    m_q.Set(axis, angle);
    m_tx.rotation = m_q.ToMat3();
    SynchronizeProxies();
    KeepAsFinite();
}

void phBody::CalculateMassData() {
    phMat3 inertia = phDiagonal(r32(0.0));
    m_invInertiaModel = phDiagonal(r32(0.0));
    m_invInertiaWorld = phDiagonal(r32(0.0));
    m_invMass = r32(0.0);
    m_mass = r32(0.0);
    r32 mass = r32(0.0);

    if (m_flags & (eStatic | eKinematic)) {
        phIdentity(m_localCenter);
        m_worldCenter = m_tx.position;
        return;
    }

    phVec3 lc(r32(0.0), r32(0.0), r32(0.0));
    for (const phBox* box = m_boxes; box; box = box->next) {
        if (box->density == r32(0.0)) continue;
        phMassData md;
        box->ComputeMass(&md);
        mass += md.mass;
        inertia += md.inertia;
        lc += md.center * md.mass;
    }

    if (mass > r32(0.0)) {
        m_mass = mass;
        m_invMass = r32(1.0) / mass;
        lc *= m_invMass;
        // The inertia about the origin, moved to the centre of mass (parallel axis theorem).
        inertia -= (phDiagonal(phDot(lc, lc)) - phOuterProduct(lc, lc)) * mass;
        m_invInertiaModel = phInverse(inertia);
        if (m_flags & eLockAxisX) phIdentity(m_invInertiaModel.ex);
        if (m_flags & eLockAxisY) phIdentity(m_invInertiaModel.ey);
        if (m_flags & eLockAxisZ) phIdentity(m_invInertiaModel.ez);
    } else {
        // No dense box: the body moves as a unit mass and never rotates.
        m_invMass = r32(1.0);
    }

    m_localCenter = lc;
    m_worldCenter = phMul(m_tx, lc);
    KeepAsFinite();
}

void phBody::SynchronizeProxies() {
    m_tx.position = m_worldCenter - phMul(m_tx.rotation, m_localCenter);
    phBroadPhase* broadPhase = &m_scene->m_contactManager.m_broadphase;
    for (const phBox* box = m_boxes; box; box = box->next) {
        phAABB aabb;
        box->ComputeAABB(m_tx, &aabb);
        if (!phIsFinite(aabb.min) || !phIsFinite(aabb.max)) continue;
        broadPhase->Update(box->broadPhaseIndex, aabb);
    }
}

// ---------------------------------------------------------------------------------------------
// States that are not finite
// ---------------------------------------------------------------------------------------------

void phBody::EnsureFinite() {
    bool finite = phIsFinite(m_worldCenter) && phIsFinite(m_q) && phIsFinite(m_tx.position) &&
                  phIsFinite(m_tx.rotation) && phIsFinite(m_linearVelocity) && phIsFinite(m_angularVelocity) &&
                  phIsFinite(m_force) && phIsFinite(m_torque);
    if (!finite) RestoreFiniteState();
}

void phBody::KeepAsFinite() {
    if (!phIsFinite(m_worldCenter) || !phIsFinite(m_q)) return;
    m_finiteCenter = m_worldCenter;
    m_finiteQ = m_q;
}

void phBody::RestoreFiniteState() {
    if (!m_reportedNotFinite) {
        fprintf(stderr, "Physics: a body's state was not finite; it is put back at (%g, %g, %g) and stopped\n",
                double(m_finiteCenter.x), double(m_finiteCenter.y), double(m_finiteCenter.z));
        m_reportedNotFinite = true;
    }
    m_worldCenter = m_finiteCenter;
    m_q = m_finiteQ;
    m_tx.rotation = m_q.ToMat3();
    phIdentity(m_linearVelocity);
    phIdentity(m_angularVelocity);
    phIdentity(m_force);
    phIdentity(m_torque);
    SynchronizeProxies();
}

// ---------------------------------------------------------------------------------------------
// Debugging
// ---------------------------------------------------------------------------------------------

void phBody::Render(phRender* render) const {
    bool awake = IsAwake();
    for (const phBox* box = m_boxes; box; box = box->next) box->Render(m_tx, awake, render);
}

static void phDumpVec3(FILE* file, const char* prefix, const phVec3& v) {
    fprintf(file, "%s( r32( %.15lf ), r32( %.15lf ), r32( %.15lf ) );\n", prefix, double(v.x), double(v.y), double(v.z));
}

static void phDumpFlag(FILE* file, const char* field, i32 flags, i32 bit) {
    fprintf(file, "\tbd.%s = bool( %d );\n", field, flags & bit);
}

static void phDumpBox(FILE* file, const phBox* box, i32 index) {
    fprintf(file, "\t{\n");
    fprintf(file, "\t\tphBoxDef sd;\n");
    fprintf(file, "\t\tsd.SetFriction( r32( %.15lf ) );\n", double(box->friction));
    fprintf(file, "\t\tsd.SetRestitution( r32( %.15lf ) );\n", double(box->restitution));
    fprintf(file, "\t\tsd.SetDensity( r32( %.15lf ) );\n", double(box->density));
    fprintf(file, "\t\tsd.SetSensor( bool( %d ) );\n", i32(box->sensor));
    fprintf(file, "\t\tphTransform boxTx;\n");
    phDumpVec3(file, "\t\tphVec3 xAxis", box->local.rotation.ex);
    phDumpVec3(file, "\t\tphVec3 yAxis", box->local.rotation.ey);
    phDumpVec3(file, "\t\tphVec3 zAxis", box->local.rotation.ez);
    fprintf(file, "\t\tboxTx.rotation.SetRows( xAxis, yAxis, zAxis );\n");
    phDumpVec3(file, "\t\tboxTx.position.Set", box->local.position);
    phVec3 extents = box->e * r32(2.0);
    fprintf(file, "\t\tsd.Set( boxTx, phVec3( r32( %.15lf ), r32( %.15lf ), r32( %.15lf ) ) );\n", double(extents.x),
            double(extents.y), double(extents.z));
    fprintf(file, "\t\tbodies[ %d ]->AddBox( sd );\n", index);
    fprintf(file, "\t}\n");
}

void phBody::Dump(FILE* file, i32 index) const {
    fprintf(file, "{\n");
    fprintf(file, "\tphBodyDef bd;\n");

    switch (m_flags & (eStatic | eDynamic | eKinematic)) {
    case eDynamic: fprintf(file, "\tbd.bodyType = phBodyType( %d );\n", i32(eDynamicBody)); break;
    case eKinematic: fprintf(file, "\tbd.bodyType = phBodyType( %d );\n", i32(eKinematicBody)); break;
    case eStatic: fprintf(file, "\tbd.bodyType = phBodyType( %d );\n", i32(eStaticBody)); break;
    default: break;
    }

    phDumpVec3(file, "\tbd.position.Set", m_tx.position);
    phVec3 axis;
    r32 angle;
    m_q.ToAxisAngle(&axis, &angle);
    phDumpVec3(file, "\tbd.axis.Set", axis);
    fprintf(file, "\tbd.angle = r32( %.15lf );\n", double(angle));
    phDumpVec3(file, "\tbd.linearVelocity.Set", m_linearVelocity);
    phDumpVec3(file, "\tbd.angularVelocity.Set", m_angularVelocity);
    fprintf(file, "\tbd.gravityScale = r32( %.15lf );\n", double(m_gravityScale));
    fprintf(file, "\tbd.layers = %d;\n", m_layers);
    phDumpFlag(file, "allowSleep", m_flags, eAllowSleep);
    phDumpFlag(file, "awake", m_flags, eAwake);
    phDumpFlag(file, "lockAxisX", m_flags, eLockAxisX);
    phDumpFlag(file, "lockAxisY", m_flags, eLockAxisY);
    phDumpFlag(file, "lockAxisZ", m_flags, eLockAxisZ);
    fprintf(file, "\tbodies[ %d ] = scene.CreateBody( bd );\n\n", index);

    for (const phBox* box = m_boxes; box; box = box->next) phDumpBox(file, box, index);

    fprintf(file, "}\n\n");
}
