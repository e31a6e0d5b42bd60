// Milliseconds per physics step on three scenes, for the library and, side by side, for Bullet 3
// on the same boxes with the same time step (1/60 s), solver iterations (20), friction (0.4) and
// restitution (0.2):
//   Pyramid  a pyramid of 20 rows (210 unit boxes) standing on a floor, kept awake.
//   Drop     1,000 boxes dropped in a heap onto a floor, stepped until every one sleeps; one
//            iteration is the whole run and the counters give the steps it took.
//   Level    a typical level: 300 static boxes (floor tiles and walls) and 5 dynamic cubes that
//            are pushed around and never sleep.
// Each engine sleeps by its own rules (the library after 0.5 s under its speed limits, Bullet
// after 2 s under its own), so the step counts of the drop differ for that reason too.

#include "Memory/memory.h"
#include "Physics/common/phMemory.h"
#include "Physics/scene/phScene.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <chrono>
#include <math.h>
#include <memory>
#include <stdlib.h>
#include <vector>

namespace {

const float kDt = 1.0f / 60.0f;
const float kGravity = -9.8f;
const int kIterations = 20;
const float kFriction = 0.4f;
const float kRestitution = 0.2f;
const int kDropStepLimit = 6000;

struct BoxDesc {
    float x, y, z;
    float hx, hy, hz;
    // Rotation axis (any length) and angle in radians.
    float ax, ay, az, angle;
    bool dynamic;
};

BoxDesc staticBox(float x, float y, float z, float hx, float hy, float hz) {
    return BoxDesc{x, y, z, hx, hy, hz, 0, 1, 0, 0, false};
}

BoxDesc unitCube(float x, float y, float z, float ax = 0, float ay = 1, float az = 0, float angle = 0) {
    return BoxDesc{x, y, z, 0.5f, 0.5f, 0.5f, ax, ay, az, angle, true};
}

// ---------------------------------------------------------------------------------------------
// Scenes
// ---------------------------------------------------------------------------------------------

// A floor whose top is y = 0.
BoxDesc floorBox(float halfSize) { return staticBox(0, -0.5f, 0, halfSize, 0.5f, halfSize); }

std::vector<BoxDesc> pyramidScene(int rows) {
    std::vector<BoxDesc> boxes = {floorBox(50)};
    for (int row = 0; row < rows; ++row) {
        int count = rows - row;
        for (int i = 0; i < count; ++i)
            boxes.push_back(unitCube(float(i) - 0.5f * float(count - 1), 0.5f + float(row), 0));
    }
    return boxes;
}

std::vector<BoxDesc> dropScene(int count) {
    std::vector<BoxDesc> boxes = {floorBox(60)};
    // Ten by ten columns, loosely spaced and turned a little so that the heap tumbles.
    for (int i = 0; i < count; ++i) {
        int column = i % 100;
        int layer = i / 100;
        float x = float(column % 10) * 1.3f - 6;
        float z = float(column / 10) * 1.3f - 6;
        float y = 1 + float(layer) * 1.2f;
        boxes.push_back(unitCube(x, y, z, float(i % 3) - 1, 1, float(i % 5) - 2, 0.1f * float(i % 7)));
    }
    return boxes;
}

std::vector<BoxDesc> levelScene() {
    std::vector<BoxDesc> boxes;
    // 15 x 15 floor tiles of 2 x 0.4 x 2 and 75 wall blocks around them.
    for (int i = 0; i < 15; ++i) {
        for (int j = 0; j < 15; ++j)
            boxes.push_back(staticBox(float(i) * 2 - 14, -0.2f, float(j) * 2 - 14, 1, 0.2f, 1));
    }
    for (int i = 0; i < 75; ++i) {
        int side = i % 4;
        float along = float(i / 4) * 1.6f - 14;
        float x = side == 0 ? -15.5f : side == 1 ? 15.5f : along;
        float z = side == 2 ? -15.5f : side == 3 ? 15.5f : along;
        boxes.push_back(staticBox(x, 1.5f, z, 0.5f, 1.5f, 0.5f));
    }
    for (int i = 0; i < 5; ++i) boxes.push_back(unitCube(float(i) * 4 - 8, 0.5f, float(i % 2) * 3));
    return boxes;
}

// The push that keeps the level's cubes moving: each circles at its own pace (an acceleration).
void levelPush(int step, int cube, float* fx, float* fz) {
    float phase = float(step) * kDt * (1 + 0.3f * float(cube));
    *fx = 6 * cosf(phase);
    *fz = 6 * sinf(phase);
}

// ---------------------------------------------------------------------------------------------
// The library
// ---------------------------------------------------------------------------------------------

class OurWorld {
public:
    OurWorld(const std::vector<BoxDesc>& boxes, bool allowSleep) {
        static u8* bytes = (u8*)aligned_alloc(16, kStoreSize);
        m_store = ve::createHeapStore(buffer{kStoreSize, bytes});
        setPhysicsMemoryStore(&m_store);
        m_scene = std::make_unique<phScene>(kDt, phVec3(0, kGravity, 0), kIterations);
        for (const BoxDesc& d : boxes) {
            phBody* body = add(d, allowSleep);
            if (d.dynamic) m_dynamic.push_back(body);
        }
    }

    void step() { m_scene->Step(); }

    bool allAsleep() const {
        for (const phBody* body : m_dynamic) {
            if (body->IsAwake()) return false;
        }
        return true;
    }

    void push(int step) {
        for (size_t i = 0; i < m_dynamic.size(); ++i) {
            float fx, fz;
            levelPush(step, int(i), &fx, &fz);
            m_dynamic[i]->ApplyLinearForce(phVec3(fx, 0, fz));
        }
    }

    float highestDynamicY() const {
        float y = -1e30f;
        for (const phBody* body : m_dynamic) y = fmaxf(y, body->m_worldCenter.y);
        return y;
    }

private:
    static constexpr msi kStoreSize = msi(64) << 20;

    phBody* add(const BoxDesc& d, bool allowSleep) {
        phBodyDef def;
        def.bodyType = d.dynamic ? eDynamicBody : eStaticBody;
        def.position = phVec3(d.x, d.y, d.z);
        def.axis = phVec3(d.ax, d.ay, d.az);
        def.angle = d.angle;
        def.allowSleep = allowSleep;
        phBody* body = m_scene->CreateBody(def);

        phBoxDef box;
        phTransform local;
        phIdentity(local.position);
        phIdentity(local.rotation);
        box.Set(local, phVec3(d.hx, d.hy, d.hz) * 2.0f);
        box.SetFriction(kFriction);
        box.SetRestitution(kRestitution);
        body->AddBox(box);
        return body;
    }

    ve::MemoryStore m_store;
    std::unique_ptr<phScene> m_scene;
    std::vector<phBody*> m_dynamic;
};

// ---------------------------------------------------------------------------------------------
// Bullet
// ---------------------------------------------------------------------------------------------

class BulletWorld {
public:
    BulletWorld(const std::vector<BoxDesc>& boxes, bool allowSleep)
        : m_dispatcher(&m_config), m_world(&m_dispatcher, &m_broadphase, &m_solver, &m_config) {
        m_world.setGravity(btVector3(0, kGravity, 0));
        m_world.getSolverInfo().m_numIterations = kIterations;
        for (const BoxDesc& d : boxes) add(d, allowSleep);
    }

    ~BulletWorld() {
        for (btRigidBody* body : m_bodies) {
            m_world.removeRigidBody(body);
            delete body->getMotionState();
            delete body;
        }
        for (btCollisionShape* shape : m_shapes) delete shape;
    }

    // Exactly one fixed step of kDt.
    void step() { m_world.stepSimulation(kDt, 1, kDt); }

    bool allAsleep() const {
        for (const btRigidBody* body : m_dynamic) {
            if (body->isActive()) return false;
        }
        return true;
    }

    void push(int step) {
        for (size_t i = 0; i < m_dynamic.size(); ++i) {
            float fx, fz;
            levelPush(step, int(i), &fx, &fz);
            m_dynamic[i]->applyCentralForce(btVector3(fx, 0, fz));
        }
    }

    float highestDynamicY() const {
        float y = -1e30f;
        for (const btRigidBody* body : m_dynamic) y = fmaxf(y, float(body->getCenterOfMassPosition().y()));
        return y;
    }

private:
    void add(const BoxDesc& d, bool allowSleep) {
        btCollisionShape* shape = new btBoxShape(btVector3(d.hx, d.hy, d.hz));
        m_shapes.push_back(shape);
        btTransform tx;
        tx.setIdentity();
        tx.setOrigin(btVector3(d.x, d.y, d.z));
        btVector3 axis(d.ax, d.ay, d.az);
        tx.setRotation(btQuaternion(axis.normalized(), d.angle));

        // Density 1, as the library's boxes.
        btScalar mass = d.dynamic ? 8 * d.hx * d.hy * d.hz : 0;
        btVector3 inertia(0, 0, 0);
        if (d.dynamic) shape->calculateLocalInertia(mass, inertia);
        btRigidBody::btRigidBodyConstructionInfo info(mass, new btDefaultMotionState(tx), shape, inertia);
        info.m_friction = kFriction;
        info.m_restitution = kRestitution;
        btRigidBody* body = new btRigidBody(info);
        if (d.dynamic && !allowSleep) body->setActivationState(DISABLE_DEACTIVATION);
        m_world.addRigidBody(body);
        m_bodies.push_back(body);
        if (d.dynamic) m_dynamic.push_back(body);
    }

    btDefaultCollisionConfiguration m_config;
    btCollisionDispatcher m_dispatcher;
    btDbvtBroadphase m_broadphase;
    btSequentialImpulseConstraintSolver m_solver;
    btDiscreteDynamicsWorld m_world;
    std::vector<btCollisionShape*> m_shapes;
    std::vector<btRigidBody*> m_bodies;
    std::vector<btRigidBody*> m_dynamic;
};

// ---------------------------------------------------------------------------------------------
// Benchmarks
// ---------------------------------------------------------------------------------------------

// One step per iteration of a pyramid that stands awake; "topY" shows that it still stands.
template <typename World>
void BM_Pyramid(benchmark::State& state) {
    std::vector<BoxDesc> boxes = pyramidScene(20);
    World world(boxes, false);
    for (auto _ : state) world.step();
    state.counters["topY"] = world.highestDynamicY();
}

// One iteration is the whole drop: build (not timed), then step until every box sleeps.
template <typename World>
void BM_Drop(benchmark::State& state) {
    std::vector<BoxDesc> boxes = dropScene(1000);
    int steps = 0;
    double seconds = 0;
    for (auto _ : state) {
        World world(boxes, true);
        auto start = std::chrono::steady_clock::now();
        for (steps = 0; steps < kDropStepLimit && !world.allAsleep(); ++steps) world.step();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
    }
    state.counters["stepsUntilAsleep"] = steps;
    state.counters["msPerStep"] = steps ? 1000 * seconds / steps : 0;
}

// One step per iteration of the level, with its cubes pushed around.
template <typename World>
void BM_Level(benchmark::State& state) {
    std::vector<BoxDesc> boxes = levelScene();
    World world(boxes, false);
    int step = 0;
    for (auto _ : state) {
        world.push(step++);
        world.step();
    }
}

BENCHMARK_TEMPLATE(BM_Pyramid, OurWorld)->Name("Pyramid210/library")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Pyramid, BulletWorld)->Name("Pyramid210/bullet")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Drop, OurWorld)
    ->Name("Drop1000/library")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();
BENCHMARK_TEMPLATE(BM_Drop, BulletWorld)
    ->Name("Drop1000/bullet")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();
BENCHMARK_TEMPLATE(BM_Level, OurWorld)->Name("Level300+5/library")->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Level, BulletWorld)->Name("Level300+5/bullet")->Unit(benchmark::kMillisecond);

} // namespace
