#include "Physics/physics.h"

#include "Core/console.h"
#include "Core/engine_globals.h"
#include "Game/time.h"
#include "Math/axisAngle.h"
#include "Physics/common/phMemory.h"
#include "Physics/dynamics/phIsland.h"
#include "Physics/scene/phScene.h"

#include <cmath>
#include <float.h>
#include <new>

namespace ve {

// =============================================================================================
// Conversions between the engine's and the library's math
// =============================================================================================

namespace bodyglue {

static_assert(sizeof(phVec3) == sizeof(v3), "a body's vectors are read in place as v3");
static_assert(sizeof(i32) == sizeof(u32), "a body's layers are read in place as u32");
// `phFlags` is the library's flag word, read and written in place.
static_assert((u32)BodyType::Static == phBody::eStatic && (u32)BodyType::Dynamic == phBody::eDynamic &&
              (u32)BodyType::Kinematic == phBody::eKinematic, "the body type bits are the library's");
static_assert((u32)AxisLock::X == phBody::eLockAxisX && (u32)AxisLock::Y == phBody::eLockAxisY &&
              (u32)AxisLock::Z == phBody::eLockAxisZ, "the axis-lock bits are the library's");

phVec3 toPh(v3 v) { return phVec3(v.x, v.y, v.z); }
phMat3 toPh(mat3 m) { return phMat3(toPh(m.col1), toPh(m.col2), toPh(m.col3)); }

// The library keeps rotations as three axis columns, like the engine's column-major mat3.
mat3 toEngine(const phMat3& m) {
    mat3 result;
    result.col1 = m.ex;
    result.col2 = m.ey;
    result.col3 = m.ez;
    return result;
}

b8 isFinite(v3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// `m` with every column scaled to unit length. False when a column has zero or non-finite
// length: such a matrix (the zeroed rotation of an entity created in the editor, a damaged file)
// describes no rotation, and normalising it would divide by zero.
b8 unitColumns(mat3 m, mat3* unit) {
    v3* columns[3] = {&m.col1, &m.col2, &m.col3};
    for (v3* column : columns) {
        f32 length = len(*column);
        if (!(length > 0.0f) || !std::isfinite(length)) return false;
        *column = *column / length;
    }
    *unit = m;
    return true;
}

// `m` with unit columns, or the identity where that is impossible.
mat3 rotationOrIdentity(mat3 m) {
    mat3 unit;
    return unitColumns(m, &unit) ? unit : iMat3();
}

// The rotation of `m` (columns normalised first) as an axis and an angle, found through a
// quaternion. `axisAngleFromMat` is not used here: it snaps every angle below about 2.56 degrees
// to 0, so a body handed back after a rewind, or built from a slightly tilted level, would lose
// its tilt. A degenerate matrix gives the identity.
AxisAngle orientationOf(mat3 m) {
    const AxisAngle identity = {0.0f, {1.0f, 0.0f, 0.0f}};
    mat3 r;
    if (!unitColumns(m, &r)) return identity;

    // The largest of w, x, y, z is found first, so the division below is by at least 1/2.
    f32 trace = r.E11 + r.E22 + r.E33;
    f32 x, y, z, w;
    if (trace > 0.0f) {
        f32 s = 2.0f * sqrtf(trace + 1.0f); // 4 w
        w = 0.25f * s;
        x = (r.E32 - r.E23) / s;
        y = (r.E13 - r.E31) / s;
        z = (r.E21 - r.E12) / s;
    } else if (r.E11 > r.E22 && r.E11 > r.E33) {
        f32 s = 2.0f * sqrtf(1.0f + r.E11 - r.E22 - r.E33); // 4 x
        w = (r.E32 - r.E23) / s;
        x = 0.25f * s;
        y = (r.E12 + r.E21) / s;
        z = (r.E13 + r.E31) / s;
    } else if (r.E22 > r.E33) {
        f32 s = 2.0f * sqrtf(1.0f + r.E22 - r.E11 - r.E33); // 4 y
        w = (r.E13 - r.E31) / s;
        x = (r.E12 + r.E21) / s;
        y = 0.25f * s;
        z = (r.E23 + r.E32) / s;
    } else {
        f32 s = 2.0f * sqrtf(1.0f + r.E33 - r.E11 - r.E22); // 4 z
        w = (r.E21 - r.E12) / s;
        x = (r.E13 + r.E31) / s;
        y = (r.E23 + r.E32) / s;
        z = 0.25f * s;
    }

    v3 vector = {x, y, z};
    f32 sine = len(vector); // sin(angle / 2), up to the quaternion's length
    if (!(sine > 0.0f) || !std::isfinite(sine) || !std::isfinite(w)) return identity;
    return {2.0f * atan2f(sine, w), vector / sine};
}

// =============================================================================================
// Ids that name no body
// =============================================================================================

// What an id that names no live body reads and writes through `getBodyStruct` and `getLayers`:
// a body at the origin that collides with nothing. It is rewritten on every use, so nothing
// written through it is kept.
struct DetachedBody {
    v3 position;
    mat3 rotation;
    u32 layers;
    f32 linearDamping;
    f32 angularDamping;
    phFlags flags;
};

DetachedBody detachedBody;

DetachedBody* resetDetachedBody() {
    detachedBody = {};
    detachedBody.rotation = iMat3();
    return &detachedBody;
}

// One entry of the body store. A rate setter's out-of-range value is told once per body: a game
// entity may repeat the call every frame.
struct BodyEntry {
    phBody* body;
    b8 rateReported;
};

BodyEntry* entryAt(u32 index) { return (BodyEntry*)engineState->physicsBodies[index]; }

b8 isStaticBody(const phBody* body) { return (body->m_flags & phBody::eStatic) != 0; }
b8 isDynamicBody(const phBody* body) { return (body->m_flags & phBody::eDynamic) != 0; }

// =============================================================================================
// Damaged options
//
// The one place where option values reach the library. A value outside its range (which also
// refuses NaN and the infinities: no comparison holds for NaN) becomes a safe value in the body,
// with one printed line naming the field; a sound value passes bit for bit.
// =============================================================================================

b8 isWithin(f32 x, f32 bound) { return fabsf(x) <= bound; }
b8 isWithin(v3 v, f32 bound) { return isWithin(v.x, bound) && isWithin(v.y, bound) && isWithin(v.z, bound); }

// `value` when each component lies within +-bound, else zero.
v3 checkedVector(v3 value, f32 bound, const c8* field) {
    if (isWithin(value, bound)) return value;
    printFormattedLine("Body options: %s (%g, %g, %g) is out of range; using (0, 0, 0)", field, value.x, value.y,
                       value.z);
    return v3{0.0f, 0.0f, 0.0f};
}

// `value` when it lies in [low, high], else `safe`.
f32 checkedScalar(f32 value, f32 low, f32 high, f32 safe, const c8* field) {
    if (value >= low && value <= high) return value;
    printFormattedLine("Body options: %s %g is out of range; using %g", field, value, safe);
    return safe;
}

// A rotation with a non-finite element becomes the identity. A zero column is no damage (the
// editor creates entities with a zeroed rotation); `orientationOf` turns it into the identity.
mat3 checkedRotation(mat3 rotation) {
    if (isFinite(rotation.col1) && isFinite(rotation.col2) && isFinite(rotation.col3)) return rotation;
    printFormattedLine("Body options: rotation is not finite; using the identity");
    return iMat3();
}

// =============================================================================================
// Building a body and changing its layers
// =============================================================================================

// The library's body type from the options' type bits. Anything but exactly one bit set is
// repaired: the whole flag word becomes Static, which also clears the locks.
phBodyType repairBodyType(phFlags* flags) {
    u32 typeBits = (u32)flags->eStatic + (u32)flags->eDynamic + (u32)flags->eKinematic;
    if (typeBits != 1) {
        flags->value = (u32)BodyType::Static;
        return eStaticBody;
    }
    if (flags->eDynamic) return eDynamicBody;
    if (flags->eKinematic) return eKinematicBody;
    return eStaticBody;
}

phBodyDef bodyDefOf(BodyOpts* opts) {
    phBodyDef def; // awake, active and allowed to sleep: the options' own bits for these are unread
    def.bodyType = repairBodyType(&opts->flags);
    def.position = toPh(checkedVector(opts->position, MAX_BODY_POSITION, "position"));
    AxisAngle orientation = orientationOf(checkedRotation(opts->rotation));
    def.axis = toPh(orientation.axis);
    def.angle = orientation.angle;
    // The scene's gravity is 9.8 downward; a `gravity` of 9.81 gives a scale of exactly 1.
    f32 gravity = checkedScalar(opts->gravity, -MAX_BODY_RATE, MAX_BODY_RATE, 9.81f, "gravity");
    def.gravityScale = (f32)((f64)gravity / 9.81);
    def.layers = (i32)opts->collisionMask;
    // Negative damping is damage too: the step's factor 1 / (1 + dt * damping) would grow the
    // velocity every step, or divide by zero.
    def.linearDamping = checkedScalar(opts->linearFriction, 0.0f, FLT_MAX, def.linearDamping, "linearFriction");
    def.angularDamping = checkedScalar(opts->angularFriction, 0.0f, FLT_MAX, def.angularDamping, "angularFriction");
    def.lockAxisX = opts->flags.eLockAxisX;
    def.lockAxisY = opts->flags.eLockAxisY;
    def.lockAxisZ = opts->flags.eLockAxisZ;
    def.linearVelocity = toPh(checkedVector(opts->linearVelocity, MAX_BODY_RATE, "linearVelocity"));
    def.angularVelocity = toPh(checkedVector(opts->angularVelocity, MAX_BODY_RATE, "angularVelocity"));
    return def;
}

// The box of collider `index`: friction, restitution and density are the library's defaults for
// every box (the options have no fields for them). The collider transform's column lengths
// scale the cuboid's full size, and the box keeps half of it. `reach` bounds the size and the
// offset (the body type's bound, see `MAX_DYNAMIC_BOX_REACH`); a damaged size gives a unit cube,
// a damaged offset no box, for there is no sound place to put it.
b8 boxDefOf(const Primitive* collider, u32 index, f32 reach, phBoxDef* def) {
    v3 offset = getTranslation(collider->localTransform);
    v3 size = getScale(collider->localTransform) * collider->cuboid.scale;
    if (!isWithin(offset, reach)) {
        printFormattedLine("Body options: colliders[%u] offset (%g, %g, %g) is out of range; it gets no box", index,
                           offset.x, offset.y, offset.z);
        return false;
    }
    // A size of zero is damage as well: such a box has no matter, and the library refuses it.
    if (!isWithin(size, reach) || size.x == 0.0f || size.y == 0.0f || size.z == 0.0f) {
        printFormattedLine("Body options: colliders[%u] size (%g, %g, %g) is out of range; using (1, 1, 1)", index,
                           size.x, size.y, size.z);
        size = v3{1.0f, 1.0f, 1.0f};
    }
    phTransform local;
    local.position = toPh(offset);
    local.rotation = toPh(rotationOrIdentity(toMat3(collider->localTransform)));
    def->Set(local, phVec3(fabsf(size.x), fabsf(size.y), fabsf(size.z)));
    return true;
}

// False when a box found no room in the physics store (every box the options describe is sound by
// now, so that is the only refusal left).
b8 addColliderBoxes(phBody* body, BodyOpts* opts) {
    if (!opts->colliders) {
        VE_SOFT_ASSERT(opts->colliderCount == 0);
        return true;
    }
    f32 reach = isDynamicBody(body) ? MAX_DYNAMIC_BOX_REACH : MAX_STATIC_BOX_REACH;
    for (u32 i = 0; i < opts->colliderCount; i++) {
        const Primitive* collider = &opts->colliders[i];
        // Cuboid is the only shape: anything else comes from damaged options.
        if (!VE_SOFT_ASSERT(collider->type == Primitive_Type::Cuboid)) continue;
        phBoxDef def;
        if (boxDefOf(collider, i, reach, &def) && !body->AddBox(def)) return false;
    }
    return true;
}

// The name of the current scene's entity whose data begins with `opts`, for messages; empty when
// the options belong to no entity of it.
string ownerName(const BodyOpts* opts) {
    Scene* scene = &engineState->currentScene;
    for (msi i = 0; i < scene->entities.length; i++) {
        Entity* entity = (Entity*)scene->entities[i];
        if (entity->entityData.data == (u8*)opts) return entity->name;
    }
    return string{};
}

// Longest part of an entity name that a message quotes.
constexpr msi QUOTED_NAME_BYTES = 64;

// What the glue has told of the physics store's room since the body store was made or the scene's
// bodies were last removed: a level that asks for thousands of bodies too many names the first
// few, then one line counts the rest (at the next step), and a step that fell short is told once.
struct RoomReport {
    u32 refusedBodies;
    u32 toldRefusals;
    b8 shortfallTold;
};

RoomReport roomReport;

// Refused bodies named one line each before the rest are counted.
constexpr u32 NAMED_REFUSALS = 3;

void reportNoRoom(const BodyOpts* opts) {
    roomReport.refusedBodies++;
    if (roomReport.refusedBodies > NAMED_REFUSALS) return;
    string name = ownerName(opts);
    printFormattedLine("Physics: no room for the body of entity \"%.*s\" in the physics store; it has no body",
                       (int)min(name.length, QUOTED_NAME_BYTES), (const c8*)name.data);
    roomReport.toldRefusals = roomReport.refusedBodies;
}

void reportUntoldRefusals() {
    if (roomReport.refusedBodies == roomReport.toldRefusals) return;
    printFormattedLine("Physics: %u more bodies found no room in the physics store; they have no body",
                       roomReport.refusedBodies - roomReport.toldRefusals);
    roomReport.toldRefusals = roomReport.refusedBodies;
}

void reportShortfall(const phStepShortfall& shortfall) {
    if (roomReport.shortfallTold || !phFellShort(shortfall)) return;
    printFormattedLine("Physics: a step needed more than the physics store could hold (the largest request it "
                       "refused: %llu bytes): %d pieces of islands were solved apart, %d islands were solved in "
                       "parts, %d bodies were held still and %d pairs found no room; this is told once",
                       (unsigned long long)shortfall.largestRefusal, shortfall.pieces, shortfall.partedIslands,
                       shortfall.heldBodies, shortfall.pairsWithoutRoom);
    roomReport.shortfallTold = true;
}

// A new scene's bodies are told of afresh; what the old one's left untold is told first.
void restartRoomReport() {
    reportUntoldRefusals();
    roomReport = {};
}

// Whether a setter may pass `value` to the body. A value that is not finite would make the body's
// state NaN, and the step would then have to stop it: it is refused here, with one line, and the
// body is left as it is.
b8 acceptsFinite(v3 value, const c8* setter) {
    if (isFinite(value)) return true;
    printFormattedLine("Physics: %s (%g, %g, %g) is not finite; the body is left as it is", setter, value.x, value.y,
                       value.z);
    return false;
}

// A finite velocity or acceleration for a body, each component within MAX_BODY_RATE like the
// options at creation: a larger one overflows in the solver. Beyond it, one line and the clamped
// value (the line once per body).
b8 acceptsRate(u32 index, v3* value, const c8* setter) {
    if (!acceptsFinite(*value, setter)) return false;
    if (isWithin(*value, MAX_BODY_RATE)) return true;
    BodyEntry* entry = entryAt(index);
    if (!entry->rateReported)
        printFormattedLine("Physics: %s (%g, %g, %g) is out of range; each component is held within %g", setter,
                           value->x, value->y, value->z, MAX_BODY_RATE);
    entry->rateReported = true;
    f32* components[3] = {&value->x, &value->y, &value->z};
    for (f32* c : components) *c = fmaxf(-MAX_BODY_RATE, fminf(*c, MAX_BODY_RATE));
    return true;
}

// Contacts found under a body's old layers are stale, and a proxy that does not move is never
// paired again by the broad phase: the contacts are dropped (which wakes the bodies they
// touched) and a move of every proxy is buffered, so the next step's first pair update sees the
// body with its new layers before it tests collisions. A new contact wakes a resting neighbour.
// A move the full physics store has no room for is counted with the step's pairs without room.
void refreshPairs(phBody* body) {
    phScene* scene = body->m_scene;
    phContactManager* contacts = &scene->m_contactManager;
    contacts->RemoveContactsFromBody(body);
    for (phBox* box = body->m_boxes; box; box = box->next) {
        if (!contacts->m_broadphase.BufferMove(box->broadPhaseIndex)) contacts->NoteWithoutRoom(body, body);
    }
    scene->m_newBox = true;
    body->SetToAwake();
}

// A body moved by hand leaves the pairs of its old place behind until the next step: a sleeping
// body that rested on it keeps a pair whose manifold may already be empty, which the island walk
// never crosses, so nothing would wake it. Every non-static body paired with `body` is woken.
void wakeBodiesInContact(phBody* body) {
    for (phContactEdge* edge = body->m_contactList; edge; edge = edge->next) {
        if (!isStaticBody(edge->other)) edge->other->SetToAwake();
    }
}

// The library places a body by its centre of mass, which lies off the body origin when its boxes
// do: where that centre is with the origin at `origin` under `rotation`.
phVec3 centreOfMassAt(const phBody* body, phVec3 origin, const phMat3& rotation) {
    return origin + phMul(rotation, body->m_localCenter);
}

// Puts the body origin at `origin` under the rotation of `rotation`. The library keeps its
// rotation as a quaternion that the axis columns are made from.
void placeOrigin(phBody* body, phVec3 origin, mat3 rotation) {
    AxisAngle orientation = orientationOf(rotation);
    phVec3 axis = toPh(orientation.axis);
    phMat3 placed = phQuaternion(axis, orientation.angle).ToMat3();
    body->SetTransform(centreOfMassAt(body, origin, placed), axis, orientation.angle);
}

// Keeps the nearest hit of a body the ray may stop at, and shortens the ray to it so the scene's
// query looks no further. A hit no nearer than the one kept keeps the first found.
struct NearestOnRay : phQueryCallback {
    bool ReportShape(phBox* box) override {
        const phBody* body = box->body;
        if (body == viewer || (body->m_layers == 0 && body != sought)) return true;
        if (ray.toi >= ray.t && found) return true;
        found = body;
        ray.t = ray.toi;
        return true;
    }

    phRaycastData ray;
    const phBody* viewer;
    const phBody* sought;
    const phBody* found;
};

} // namespace bodyglue

// =============================================================================================
// The body store
// =============================================================================================

void usePhysicsStore(MemoryStore* store) { setPhysicsMemoryStore(store); }

phScene* createPhysicsScene(MemoryStore* store, f32 tickLength, v3 gravity, u32 iterations) {
    void* place = pushToHeap(store, sizeof(phScene));
    VE_ASSERT_NOT_NULL(place);
    return new (place) phScene(tickLength, bodyglue::toPh(gravity), (i32)iterations);
}

void initPhysics() {
    engineState->physicsBodies = createChunkStore(sizeof(bodyglue::BodyEntry), BODY_STORE_ENTRIES_PER_CHUNK, permanentStore);
    // Entry NO_BODY (0) is never a body: entity data that never ran createBody (zeroed by the
    // editor, or read from a scene file, which does not store the id) then names no body.
    bodyglue::BodyEntry none = {};
    void* reserved = push(&engineState->physicsBodies, &none);
    VE_ASSERT_NOT_NULL(reserved);
    bodyglue::roomReport = {};
}

void createBody(phScene* scene, BodyOpts* opts) {
    phBodyDef def = bodyglue::bodyDefOf(opts);
    // The id the body gets, the entry pushed below, so that a ray query can name the body it finds.
    def.userData = (void*)(uintptr_t)engineState->physicsBodies.length;
    phBody* body = scene->CreateBody(def);
    // A body that does not fit whole is refused: the entity goes on without one, as it would with
    // an id that names no body, and so does the game.
    if (body && !bodyglue::addColliderBoxes(body, opts)) {
        scene->RemoveBody(body);
        body = 0;
    }
    if (!body) {
        bodyglue::reportNoRoom(opts);
        opts->physicsBody = NO_BODY;
        return;
    }
    bodyglue::BodyEntry entry = {body, false};
    void* stored = push(&engineState->physicsBodies, &entry);
    if (!VE_SOFT_ASSERT_NOT_NULL(stored)) {
        // Without an id nothing could reach the body again.
        scene->RemoveBody(body);
        opts->physicsBody = NO_BODY;
        return;
    }
    opts->physicsBody = (u32)(engineState->physicsBodies.length - 1);
}

void removeAllBodies(phScene* scene) {
    scene->RemoveAllBodies();
    bodyglue::restartRoomReport();
    // Retired entries of earlier scenes are null already, and entry 0 always is: the walk back
    // stops at the first null, so each entry is retired once.
    ChunkStore* store = &engineState->physicsBodies;
    for (msi i = store->length; i > 0; i--) {
        bodyglue::BodyEntry* entry = bodyglue::entryAt((u32)(i - 1));
        if (!entry->body) break;
        entry->body = 0;
    }
}

phBody* getBody(u32 index) {
    if (index >= engineState->physicsBodies.length) return 0;
    return bodyglue::entryAt(index)->body;
}

// =============================================================================================
// Reading a body
// =============================================================================================

b8 getBodyStruct(u32 index, BodyOptsAccess* bodyOptsAccess) {
    phBody* body = getBody(index);
    if (!body) {
        bodyglue::DetachedBody* detached = bodyglue::resetDetachedBody();
        *bodyOptsAccess = {&detached->position, &detached->rotation,       &detached->layers,
                           &detached->linearDamping, &detached->angularDamping, &detached->flags};
        return false;
    }
    bodyOptsAccess->position = (v3*)&body->m_tx.position;
    bodyOptsAccess->rotation = (mat3*)&body->m_tx.rotation;
    bodyOptsAccess->collisionMask = (u32*)&body->m_layers;
    bodyOptsAccess->linearFriction = &body->m_linearDamping;
    bodyOptsAccess->angularFriction = &body->m_angularDamping;
    bodyOptsAccess->flags = (phFlags*)&body->m_flags;
    return true;
}

mat4 getTransform(u32 index) {
    phBody* body = getBody(index);
    if (!body) return iMat4();
    return transMat(body->m_tx.position) * toMat4(bodyglue::toEngine(body->m_tx.rotation));
}

u32* getLayers(u32 index) {
    phBody* body = getBody(index);
    if (!body) return &bodyglue::resetDetachedBody()->layers;
    return (u32*)&body->m_layers;
}

v3 getLinearVeloctiy(u32 index) {
    phBody* body = getBody(index);
    if (!body) return v3{0.0f, 0.0f, 0.0f};
    return body->GetLinearVelocity();
}

f32 slopCrossingSpeed(f32 tickLength) { return phk_penetrationSlop / tickLength; }

b8 isHit(u32 index, v3 start, v3 dir, f32 maxLength) {
    phBody* body = getBody(index);
    if (!body || !body->m_boxes) return false;
    phRaycastData ray;
    ray.start = bodyglue::toPh(start);
    ray.dir = bodyglue::toPh(dir);
    ray.t = maxLength;
    // Only the head of the box list, the box added last, is tested.
    return body->m_boxes->Raycast(body->GetTransform(), &ray);
}

u32 firstBodyOnRay(v3 start, v3 dir, f32 maxLength, u32 viewer, u32 sought) {
    bodyglue::NearestOnRay nearest;
    nearest.ray.start = bodyglue::toPh(start);
    nearest.ray.dir = bodyglue::toPh(dir);
    nearest.ray.t = maxLength;
    nearest.viewer = getBody(viewer);
    nearest.sought = getBody(sought);
    nearest.found = nullptr;
    engineState->scene->RayCast(&nearest, nearest.ray);
    // Bodies the glue built carry their id (see createBody).
    return nearest.found ? (u32)(uintptr_t)nearest.found->m_userData : NO_BODY;
}

void getAllColliders(u32 index, Primitive* colliders, u32* count) {
    u32 room = *count;
    *count = 0;
    phBody* body = getBody(index);
    if (!body) return;
    for (const phBox* box = body->m_boxes; box && *count < room; box = box->next) {
        Primitive* collider = &colliders[*count];
        collider->type = Primitive_Type::Cuboid;
        collider->localTransform = transMat(box->local.position) * toMat4(bodyglue::toEngine(box->local.rotation));
        collider->cuboid.scale = box->e;
        (*count)++;
    }
}

// =============================================================================================
// Acting on a body
// =============================================================================================

void setLinearVelocity(u32 index, v3 velocity) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    // The library stops the program for a static body's velocity.
    if (!VE_SOFT_ASSERT(!bodyglue::isStaticBody(body))) return;
    if (!bodyglue::acceptsRate(index, &velocity, "setLinearVelocity")) return;
    body->SetLinearVelocity(bodyglue::toPh(velocity));
}

void applyForce(u32 index, v3 force) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    if (!bodyglue::acceptsRate(index, &force, "applyForce")) return;
    body->ApplyLinearForce(bodyglue::toPh(force));
}

void setPosition(u32 index, v3 pos) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    if (!bodyglue::acceptsFinite(pos, "setPosition")) return;
    bodyglue::wakeBodiesInContact(body);
    body->SetTransform(bodyglue::centreOfMassAt(body, bodyglue::toPh(pos), body->m_tx.rotation));
}

void setActive(u32 index, b8 value) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    i32 layers = value ? (i32)ALL_LAYERS : 0;
    if (body->m_layers == layers) return;
    body->SetLayers(layers);
    bodyglue::refreshPairs(body);
}

void setPose(u32 index, v3 position, mat3 rotation) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    // A damaged position would spread NaN to every body it touches; a damaged rotation is the
    // identity (see orientationOf).
    if (!bodyglue::isWithin(position, MAX_BODY_POSITION)) {
        printFormattedLine("Body options: position (%g, %g, %g) is out of range; the body stays", position.x,
                           position.y, position.z);
        return;
    }
    bodyglue::wakeBodiesInContact(body);
    bodyglue::placeOrigin(body, bodyglue::toPh(position), rotation);
}

void wakeBody(u32 index) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    if (!bodyglue::isStaticBody(body)) body->SetToAwake();
}

void physicsUpdate(phScene* scene) {
    bodyglue::reportUntoldRefusals();
    scene->Step();
    bodyglue::reportShortfall(scene->m_shortfall);
}

void clearForces(phScene* scene) {
    for (phBody* body = scene->m_bodyList; body; body = body->m_next) {
        phIdentity(body->m_force);
        phIdentity(body->m_torque);
    }
}

// =============================================================================================
// The time rewind
// =============================================================================================

void addTimeVars(u32 index) {
    EngineState* state = engineState;
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;
    // Only a dynamic body moves under the physics that a rewind undoes, and the re-application
    // sets velocities, which the library refuses for a static body.
    if (!VE_SOFT_ASSERT(bodyglue::isDynamicBody(body))) return;
    if (!VE_SOFT_ASSERT(state->timedPhysicBodyCount < TIMED_BODY_SLOTS)) return;
    // A body is rewound whole or not at all: with only part of its floats recorded, the rest would
    // keep their present values under a rewound pose. Once the history holds snapshots no float is
    // taken anyway, and re-applying the body's own state is harmless.
    if (!VE_SOFT_ASSERT(state->time != 0 || state->trackedVars.floatCount + TIMED_BODY_FLOATS <= TIME_FLOAT_LIMIT))
        return;

    // Position, the rotation's columns, linear and angular velocity. The quaternion, the centre of
    // mass and the proxies are derived data that updateObject rebuilds.
    phVec3* vectors[] = {&body->m_tx.position,   &body->m_tx.rotation.ex, &body->m_tx.rotation.ey,
                         &body->m_tx.rotation.ez, &body->m_linearVelocity, &body->m_angularVelocity};
    static_assert(sizeof(vectors) / sizeof(vectors[0]) * 3 == TIMED_BODY_FLOATS);
    for (phVec3* vector : vectors)
        for (s32 i = 0; i < 3; i++) addTimeVar(&vector->v[i]);
    // Appended even when the history refused the floats: re-applying a body's own state is
    // harmless.
    state->timedPhysicBodyIds[state->timedPhysicBodyCount++] = index;
}

void updateObject(u32 index) {
    phBody* body = getBody(index);
    if (!VE_SOFT_ASSERT_NOT_NULL(body)) return;

    // The force applied by this frame's entity updates stays: the rewind ticks have dropped what
    // piled up while SPACE was held (see stepBack), and this frame's step is the first to run.
    bodyglue::wakeBodiesInContact(body);
    // The rewound position is the body origin.
    bodyglue::placeOrigin(body, body->m_tx.position, bodyglue::toEngine(body->m_tx.rotation));
    if (bodyglue::isStaticBody(body)) {
        // Made static in the editor after it was registered: it goes back with the others, but
        // the library gives a static body no velocity, and a rewound one would push what it
        // touches.
        phIdentity(body->m_linearVelocity);
        phIdentity(body->m_angularVelocity);
    } else {
        body->SetAngularVelocity(body->m_angularVelocity);
        body->SetLinearVelocity(body->m_linearVelocity);
        body->SetToAwake();
    }
    body->SynchronizeProxies();
}

// =============================================================================================
// The editor's collider list
// =============================================================================================

void addColliderSceneLoad(BodyOpts* bodyOpts, Primitive collider) {
    MemoryStore* heap = &engineState->currentScene.sceneDataHeap;
    // An array read from a scene file has exactly `colliderCount` entries: appending always
    // moves the list into a block one entry larger.
    u32 kept = bodyOpts->colliders ? bodyOpts->colliderCount : 0;
    Primitive* grown = (Primitive*)pushToHeap(heap, ((msi)kept + 1) * sizeof(Primitive));
    if (!VE_SOFT_ASSERT_NOT_NULL(grown)) return;
    for (u32 i = 0; i < kept; i++) grown[i] = bodyOpts->colliders[i];
    grown[kept] = collider;
    if (bodyOpts->colliders && ptrInBuffer(heap->buf, bodyOpts->colliders)) freeFromHeap(heap, bodyOpts->colliders);
    bodyOpts->colliders = grown;
    bodyOpts->colliderCount = kept + 1;
}

void removeColliderSceneLoad(BodyOpts* bodyOpts, u32 index) {
    if (index >= bodyOpts->colliderCount) VE_ASSERT(false);
    for (u32 i = index; i + 1 < bodyOpts->colliderCount; i++) bodyOpts->colliders[i] = bodyOpts->colliders[i + 1];
    bodyOpts->colliderCount--;
}

} // namespace ve
