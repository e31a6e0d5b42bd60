#pragma once
// Small worlds for the narrow phase, contact and step tests: a fixture that owns a scene built
// the way the engine builds it (one tick of 1/60 s, gravity (0, -9.8, 0), 20 iterations) and
// helpers that add one-box bodies.

#include "Physics/dynamics/phIsland.h"
#include "Physics/scene/phScene.h"
#include "phTestStore.h"

#include <math.h>
#include <optional>

const r32 kTick = r32(1.0) / r32(60.0);
const r32 kGravityY = r32(-9.8);
const i32 kIterations = 20;

inline phVec3 vec3(r32 x, r32 y, r32 z) { return phVec3(x, y, z); }

inline r32 degrees(r32 angle) { return angle * phPI / r32(180.0); }

struct BoxBodyDesc {
    phBodyType type = eDynamicBody;
    phVec3 position = vec3(0, 0, 0);
    phVec3 halfExtents = vec3(0.5f, 0.5f, 0.5f);
    phVec3 axis = vec3(0, 1, 0);
    r32 angle = 0;
    r32 friction = phk_boxDefaultFriction;
    r32 restitution = phk_boxDefaultRestitution;
    r32 density = 1;
    i32 layers = 1;
    bool sensor = false;
    bool allowSleep = true;
    bool lockAxes = false;
};

// A body with one box centred on its origin; null when the scene refuses either.
inline phBody* addBoxBody(phScene* scene, const BoxBodyDesc& desc) {
    phBodyDef def;
    def.bodyType = desc.type;
    def.position = desc.position;
    def.axis = desc.axis;
    def.angle = desc.angle;
    def.layers = desc.layers;
    def.allowSleep = desc.allowSleep;
    def.lockAxisX = desc.lockAxes;
    def.lockAxisY = desc.lockAxes;
    def.lockAxisZ = desc.lockAxes;
    phBody* body = scene->CreateBody(def);
    if (!body) return nullptr;

    phBoxDef box;
    phTransform local;
    phIdentity(local.position);
    phIdentity(local.rotation);
    box.Set(local, desc.halfExtents * r32(2.0));
    box.SetFriction(desc.friction);
    box.SetRestitution(desc.restitution);
    box.SetDensity(desc.density);
    box.SetSensor(desc.sensor);
    if (body->AddBox(box)) return body;
    scene->RemoveBody(body);
    return nullptr;
}

inline phBody* addDynamicBox(phScene* scene, const phVec3& position) {
    BoxBodyDesc desc;
    desc.position = position;
    return addBoxBody(scene, desc);
}

// A static slab whose top face is the plane y = 0.
inline phBody* addFloor(phScene* scene) {
    BoxBodyDesc desc;
    desc.type = eStaticBody;
    desc.position = vec3(0, -0.5f, 0);
    desc.halfExtents = vec3(50, 0.5f, 50);
    return addBoxBody(scene, desc);
}

inline void stepScene(phScene* scene, i32 steps) {
    for (i32 i = 0; i < steps; ++i) scene->Step();
}

inline r32 speedSquared(const phBody* body) { return phDot(body->m_linearVelocity, body->m_linearVelocity); }

// The deepest overlap of any touching pair of the scene (0 when none overlaps).
inline r32 deepestOverlap(const phScene* scene) {
    r32 deepest = 0;
    for (const phContactConstraint* c = scene->m_contactManager.m_contactList; c; c = c->next) {
        for (i32 j = 0; j < phPointCount(c); ++j) deepest = phMax(deepest, -c->manifold->contacts[j].penetration);
    }
    return deepest;
}

class SceneTest : public PhysicsStoreTest {
protected:
    void SetUp() override {
        PhysicsStoreTest::SetUp();
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
    }
    void TearDown() override { scene.reset(); }

    phScene* world() { return &*scene; }

    std::optional<phScene> scene;
};
