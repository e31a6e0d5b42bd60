#pragma once
// Scene building helpers shared by the physics tests.

#include "Physics/scene/phScene.h"
#include "phTestStore.h"

#include <new>

// A box of full size `size` and `density` at `offset` from its body's origin, unrotated.
inline phBoxDef boxDef(const phVec3& size, r32 density = 1, const phVec3& offset = phVec3(0, 0, 0)) {
    phBoxDef sd;
    phTransform tx;
    tx.position = offset;
    phIdentity(tx.rotation);
    sd.Set(tx, size);
    sd.SetDensity(density);
    return sd;
}

// A scene as the engine builds it, on a fresh physics store.
class PhysicsSceneTest : public PhysicsStoreTest {
protected:
    void SetUp() override {
        PhysicsStoreTest::SetUp();
        scene = new (sceneBytes) phScene(r32(1.0 / 60.0), phVec3(0, r32(-9.8), 0), 20);
    }
    void TearDown() override { scene->~phScene(); }

    // A body with one box of half extents `half` centred on its origin.
    phBody* addBody(const phVec3& position, const phVec3& half, phBodyType type = eDynamicBody) {
        phBodyDef bd;
        bd.bodyType = type;
        bd.position = position;
        phBody* body = scene->CreateBody(bd);
        addBox(body, half);
        return body;
    }

    phBox* addBox(phBody* body, const phVec3& half, const phVec3& offset = phVec3(0, 0, 0)) {
        return body->AddBox(boxDef(half * r32(2.0), 1, offset));
    }

    phBroadPhase& broadPhase() { return scene->m_contactManager.m_broadphase; }

    alignas(16) unsigned char sceneBytes[sizeof(phScene)];
    phScene* scene = nullptr;
};
