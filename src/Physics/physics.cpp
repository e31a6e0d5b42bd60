#include "Physics/physics.h"

#include "Core/engine_globals.h"
#include "Math/axisAngle.h"
#include "Math/mat4.h"

namespace ve {

// Entries per chunk of the body store.
constexpr msi BODY_STORE_ENTRIES_PER_CHUNK = 100;

void initPhysics() {
    engineState->physicsBodies = createChunkStore(sizeof(phBody*), BODY_STORE_ENTRIES_PER_CHUNK, permanentStore);
}

namespace detail {
// The library keeps rotations as three axis columns, like the engine's column-major mat3.
mat3 toEngineRotation(const phMat3& rotation) {
    mat3 result;
    result.col1 = rotation.ex;
    result.col2 = rotation.ey;
    result.col3 = rotation.ez;
    return result;
}
} // namespace detail

phBody* getBody(u32 index) { return *(phBody**)engineState->physicsBodies[index]; }

void physicsUpdate(phScene* scene) { scene->Step(); }

void updateObject(u32 index) {
    phBody* body = getBody(index);
    phTransform transform = body->GetTransform();
    // The rewind wrote the transform's raw fields; the library's derived data (quaternion, world
    // centre, proxies) is rebuilt from them here.
    AxisAngle rotation = axisAngleFromMat(toMat4(detail::toEngineRotation(transform.rotation)));
    body->SetTransform(transform.position, phVec3(rotation.axis.x, rotation.axis.y, rotation.axis.z), rotation.angle);
    body->SetAngularVelocity(body->m_angularVelocity);
    body->SetLinearVelocity(body->m_linearVelocity);
    body->SetToAwake();
    body->SynchronizeProxies();
}

} // namespace ve
