// Milliseconds per physics step for the library and, side by side in the same run, for Bullet 3 on
// the same boxes with the same time step (1/60 s), solver iterations (20) and contact values
// (friction 0.4, restitution 0.2). Bullet multiplies the two bodies' values where the library
// mixes friction as the square root of the product and restitution as the larger one, so Bullet's
// bodies get the square roots and both see a contact friction of 0.4 and restitution of 0.2.
//
// Every run is 600 steps of a freshly built scene (building is not timed) and ends by checking
// the state it timed; a scene that fell apart is reported as an error, not as a time:
//   Pyramid   20 rows (210 unit boxes, 1 cm apart) on a floor, kept awake and with sleeping.
//             The top box must stay within 5 cm of 19.5 m.
//   Drop      1,000 boxes dropped in ten layers onto a floor; it settled when no box moved
//             faster than 0.1 m/s over the last 100 steps, and fell asleep when every box slept.
//   Stacks    twenty stacks of ten cubes, 1 cm apart and shifted by up to 3.8 cm; no cube may
//             drift sideways by more than a quarter of its width.
//   Level     300 static slabs with 5 cubes resting on them, kept awake.
//   Rest      1,000, 4,000 and (the library alone) 7,000 to 13,000 boxes dropped in ten layers,
//             1.8 m apart so that no two start overlapping, run for 2,400 steps (msPerStep: the
//             whole run) and then 120 more with every box asleep (asleepMsPerStep). Before it reports, the run checks that every
//             box is finite and none sank, and for the library that the boxes came to rest (none
//             faster than 0.1 m/s over the last 100 steps of the run) and fell asleep by
//             themselves; then that every box stays asleep, finite and unmoved through the timed
//             rest. Bullet's pile keeps creeping (boxes at up to about 1 m/s after a minute) and
//             never deactivates with these contact values: its boxes are put to sleep where they
//             are, so that the asleep step compares like with like, and `rested` says whether it
//             had come to rest. The library's run uses the engine's 64 MiB physics store, and
//             storeMiB is the most of it in use after any step of the run; `pieces` is the most
//             pieces one step cut an island into for want of room for its arrays, and heldAtEnd
//             the bodies the last step of the run held still for want of room.
// Times are the thread's CPU time, so that other programs on a loaded machine count less; the
// counter msPerStep is that time over the 600 steps. Run with --benchmark_repetitions and
// --benchmark_enable_random_interleaving to compare the two on a busy machine.

#include "Memory/memory.h"
#include "Physics/common/phMemory.h"
#include "Physics/scene/phScene.h"

#include "phPiles.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <math.h>
#include <memory>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <vector>

namespace {

const float kDt = 1.0f / 60.0f;
const float kGravity = -9.8f;
const int kIterations = 20;
const float kFriction = 0.4f;
const float kRestitution = 0.2f;
const int kSteps = 600;
// The drop has settled when no box moved faster than this over the last kSettleWindow steps.
const float kSettledSpeed = 0.1f;
const int kSettleWindow = 100;
// A pyramid or stack stands while its top stays this close to where it was built.
const float kStandTolerance = 0.05f;
// Deepest a box may rest in the floor. Falling boxes may pass further for a step or two (a box at
// 15 m/s covers 25 cm per step before its contact exists), so only the settle window counts.
const float kSinkLimit = 0.1f;
// A stack stands while none of its cubes moved sideways further than this from where it was built.
const float kStackDriftLimit = 0.25f;

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

const int kPyramidRows = 20;
const float kPyramidTop = 0.5f + float(kPyramidRows - 1);

// The last box is the top one.
std::vector<BoxDesc> pyramidScene() {
    std::vector<BoxDesc> boxes = {floorBox(50)};
    for (int row = 0; row < kPyramidRows; ++row) {
        int count = kPyramidRows - row;
        for (int i = 0; i < count; ++i)
            boxes.push_back(unitCube(pyramidCubeX(i, count), 0.5f + float(row), 0));
    }
    return boxes;
}

std::vector<BoxDesc> dropScene() {
    std::vector<BoxDesc> boxes = {floorBox(60)};
    // Ten layers of ten by ten, loosely spaced and turned a little so that the heap tumbles.
    for (int i = 0; i < 1000; ++i) {
        int column = i % 100;
        int layer = i / 100;
        float x = float(column % 10) * 1.3f - 6;
        float z = float(column / 10) * 1.3f - 6;
        float y = 1 + float(layer) * 1.2f;
        boxes.push_back(unitCube(x, y, z, float(i % 3) - 1, 1, float(i % 5) - 2, 0.1f * float(i % 7)));
    }
    return boxes;
}

// Boxes dropped in ten layers of a square of columns, 1.8 m apart: more than a unit cube's
// diagonal, so that none starts inside another, whatever its turn.
std::vector<BoxDesc> restScene(int count) {
    std::vector<BoxDesc> boxes = {floorBox(60)};
    int perLayer = count / 10;
    int side = int(ceilf(sqrtf(float(perLayer))));
    for (int i = 0; i < count; ++i) {
        int column = i % perLayer;
        int layer = i / perLayer;
        float x = (float(column % side) - 0.5f * float(side - 1)) * 1.8f;
        float z = (float(column / side) - 0.5f * float(side - 1)) * 1.8f;
        float y = 1 + float(layer) * 1.8f;
        boxes.push_back(unitCube(x, y, z, float(i % 3) - 1, 1, float(i % 5) - 2, 0.1f * float(i % 7)));
    }
    return boxes;
}

const int kStackCount = 20;
const int kStackHeight = 10;
const float kStackGap = 0.01f;

// Stack s is boxes 1 + s * kStackHeight onwards, bottom first.
std::vector<BoxDesc> stacksScene() {
    std::vector<BoxDesc> boxes = {floorBox(50)};
    for (int s = 0; s < kStackCount; ++s) {
        float x = float(s % 5) * 3 - 6;
        float z = float(s / 5) * 3 - 4.5f;
        for (int level = 0; level < kStackHeight; ++level) {
            float y = 0.5f + float(level) * (1 + kStackGap);
            boxes.push_back(unitCube(x + stackShift(s, level, 0), y, z + stackShift(s, level, 1)));
        }
    }
    return boxes;
}

std::vector<BoxDesc> levelScene() {
    std::vector<BoxDesc> boxes;
    // 20 x 15 floor slabs of 2 x 0.4 x 2, their tops at y = 0.
    for (int i = 0; i < 20; ++i) {
        for (int j = 0; j < 15; ++j)
            boxes.push_back(staticBox(float(i) * 2 - 19, -0.2f, float(j) * 2 - 14, 1, 0.2f, 1));
    }
    for (int i = 0; i < 5; ++i) boxes.push_back(unitCube(float(i) * 4 - 8.5f, 0.5f, float(i % 2) * 3 + 0.3f));
    return boxes;
}

// ---------------------------------------------------------------------------------------------
// What both worlds report
// ---------------------------------------------------------------------------------------------

struct BodyState {
    float x, y, z;
    float speed;
    // The lowest point of the box, for a unit cube: centre minus half the sum of the absolute
    // y components of its three axes.
    float bottom;
    bool awake;
};

// Thread CPU seconds: time the scheduler gave to other programs does not count.
double threadSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
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
            if (body && d.dynamic) m_dynamic.push_back(body);
        }
    }

    void step() { m_scene->Step(); }

    int dynamicCount() const { return int(m_dynamic.size()); }

    double storeMiB() const { return double(m_store.buf.length - freeBytesOf(m_store)) / double(1 << 20); }

    // What the last step could not have of the store.
    phStepShortfall shortfall() const { return m_scene->m_shortfall; }

    // The library's boxes must fall asleep by themselves.
    bool putToSleep() { return false; }

    BodyState state(int i) const {
        const phBody* body = m_dynamic[size_t(i)];
        const phVec3& c = body->m_worldCenter;
        const phMat3& r = body->m_tx.rotation;
        float reach = 0.5f * (fabsf(r.ex.y) + fabsf(r.ey.y) + fabsf(r.ez.y));
        return BodyState{c.x, c.y, c.z, phLength(body->m_linearVelocity), c.y - reach, body->IsAwake()};
    }

private:
    // The engine's physics store.
    static constexpr msi kStoreSize = msi(64) << 20;

    static msi freeBytesOf(const ve::MemoryStore& store) {
        msi free = 0;
        for (auto* block = store.firstFreeBlock; block; block = (decltype(block))block->nextFreeBlock) free += block->size;
        return free;
    }

    phBody* add(const BoxDesc& d, bool allowSleep) {
        phBodyDef def;
        def.bodyType = d.dynamic ? eDynamicBody : eStaticBody;
        def.position = phVec3(d.x, d.y, d.z);
        def.axis = phVec3(d.ax, d.ay, d.az);
        def.angle = d.angle;
        def.allowSleep = allowSleep;
        // A body that the full store refuses (its own or its box's room) is left out.
        phBody* body = m_scene->CreateBody(def);
        if (!body) return nullptr;

        phBoxDef box;
        phTransform local;
        phIdentity(local.position);
        phIdentity(local.rotation);
        box.Set(local, phVec3(d.hx, d.hy, d.hz) * 2.0f);
        box.SetFriction(kFriction);
        box.SetRestitution(kRestitution);
        if (body->AddBox(box)) return body;
        m_scene->RemoveBody(body);
        return nullptr;
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

    int dynamicCount() const { return int(m_dynamic.size()); }

    double storeMiB() const { return 0; }

    phStepShortfall shortfall() const { return phStepShortfall(); }

    // Every box stopped and deactivated where it is.
    bool putToSleep() {
        for (btRigidBody* body : m_dynamic) {
            body->setLinearVelocity(btVector3(0, 0, 0));
            body->setAngularVelocity(btVector3(0, 0, 0));
            body->setActivationState(ISLAND_SLEEPING);
        }
        return true;
    }

    BodyState state(int i) const {
        const btRigidBody* body = m_dynamic[size_t(i)];
        const btTransform& tx = body->getCenterOfMassTransform();
        const btMatrix3x3& r = tx.getBasis();
        btVector3 c = tx.getOrigin();
        // Row 1 of the basis holds the y components of the three axes.
        float reach = 0.5f * float(fabs(r[1][0]) + fabs(r[1][1]) + fabs(r[1][2]));
        return BodyState{float(c.x()),
                         float(c.y()),
                         float(c.z()),
                         float(body->getLinearVelocity().length()),
                         float(c.y()) - reach,
                         body->isActive()};
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
        info.m_friction = sqrtf(kFriction);
        info.m_restitution = sqrtf(kRestitution);
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
// Runs
// ---------------------------------------------------------------------------------------------

// What a run of kSteps steps timed and what state it left.
struct RunResult {
    double seconds = 0;
    // The first step after which every dynamic box slept, or -1.
    int sleepStep = -1;
    // Fastest box over the last kSettleWindow steps.
    float lateSpeed = 0;
    // Deepest any box rested below the floor's top over the last kSettleWindow steps (positive
    // when sunk).
    float deepestSink = 0;
    int awakeAtEnd = 0;
    std::vector<BodyState> end;
};

template <typename World>
bool everyBoxAsleep(const World& world) {
    for (int i = 0; i < world.dynamicCount(); ++i) {
        if (world.state(i).awake) return false;
    }
    return true;
}

// Steps a fresh world kSteps times, timing only the steps; the state is read between steps.
template <typename World>
RunResult runScene(const std::vector<BoxDesc>& boxes, bool allowSleep) {
    World world(boxes, allowSleep);
    RunResult result;
    for (int step = 1; step <= kSteps; ++step) {
        double start = threadSeconds();
        world.step();
        result.seconds += threadSeconds() - start;

        bool late = step > kSteps - kSettleWindow;
        for (int i = 0; i < world.dynamicCount(); ++i) {
            BodyState s = world.state(i);
            if (!late) continue;
            result.deepestSink = fmaxf(result.deepestSink, -s.bottom);
            result.lateSpeed = fmaxf(result.lateSpeed, s.speed);
        }
        if (result.sleepStep < 0 && allowSleep && everyBoxAsleep(world)) result.sleepStep = step;
    }
    for (int i = 0; i < world.dynamicCount(); ++i) {
        result.end.push_back(world.state(i));
        result.awakeAtEnd += result.end.back().awake ? 1 : 0;
    }
    return result;
}

void reportRun(benchmark::State& state, const RunResult& run) {
    state.SetIterationTime(run.seconds);
    state.counters["msPerStep"] = 1000 * run.seconds / kSteps;
    state.counters["sleepStep"] = run.sleepStep;
    state.counters["awake"] = run.awakeAtEnd;
    state.counters["lateSpeed"] = run.lateSpeed;
    state.counters["sinkCm"] = 100 * run.deepestSink;
}

// Whether the run may be reported as a time: nothing sank through the floor.
bool checkSinking(benchmark::State& state, const RunResult& run) {
    if (run.deepestSink <= kSinkLimit) return true;
    char text[96];
    snprintf(text, sizeof(text), "a box sank %.1f cm into the floor", 100 * run.deepestSink);
    state.SkipWithError(text);
    return false;
}

template <typename World, bool kAllowSleep>
void BM_Pyramid(benchmark::State& state) {
    std::vector<BoxDesc> boxes = pyramidScene();
    for (auto _ : state) {
        RunResult run = runScene<World>(boxes, kAllowSleep);
        reportRun(state, run);
        float top = run.end.back().y;
        state.counters["topY"] = top;
        if (!checkSinking(state, run)) break;
        if (fabsf(top - kPyramidTop) > kStandTolerance) {
            char text[96];
            snprintf(text, sizeof(text), "collapsed: top at %.2f m, built at %.2f m", top, kPyramidTop);
            state.SkipWithError(text);
            break;
        }
    }
}

template <typename World>
void BM_Drop(benchmark::State& state) {
    std::vector<BoxDesc> boxes = dropScene();
    for (auto _ : state) {
        RunResult run = runScene<World>(boxes, true);
        reportRun(state, run);
        // A heap that has not settled or not fallen asleep is reported by its counters (settled,
        // asleep, lateSpeed, awake, sinkCm) beside the time: Bullet does neither here with these
        // contact values.
        state.counters["settled"] = run.lateSpeed <= kSettledSpeed ? 1 : 0;
        state.counters["asleep"] = run.sleepStep > 0 ? 1 : 0;
    }
}

template <typename World>
void BM_Stacks(benchmark::State& state) {
    std::vector<BoxDesc> boxes = stacksScene();
    for (auto _ : state) {
        RunResult run = runScene<World>(boxes, true);
        reportRun(state, run);
        int standing = 0;
        float drift = 0;
        for (int s = 0; s < kStackCount; ++s) {
            float stackDrift = 0;
            for (int level = 0; level < kStackHeight; ++level) {
                size_t i = size_t(s * kStackHeight + level);
                // Box 0 of the scene is the floor.
                float dx = run.end[i].x - boxes[i + 1].x, dz = run.end[i].z - boxes[i + 1].z;
                stackDrift = fmaxf(stackDrift, sqrtf(dx * dx + dz * dz));
            }
            drift = fmaxf(drift, stackDrift);
            standing += stackDrift <= kStackDriftLimit ? 1 : 0;
        }
        state.counters["standing"] = standing;
        state.counters["driftCm"] = 100 * drift;
        if (!checkSinking(state, run)) break;
        if (standing < kStackCount) {
            char text[64];
            snprintf(text, sizeof(text), "%d of %d stacks fell", kStackCount - standing, kStackCount);
            state.SkipWithError(text);
            break;
        }
    }
}

template <typename World>
void BM_Level(benchmark::State& state) {
    std::vector<BoxDesc> boxes = levelScene();
    for (auto _ : state) {
        RunResult run = runScene<World>(boxes, false);
        reportRun(state, run);
        if (!checkSinking(state, run)) break;
    }
}

const int kRestRunSteps = 2400;
const int kAsleepSteps = 120;

bool isFinite(const BodyState& s) { return std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z) && std::isfinite(s.speed); }

// The first complaint about the boxes, or null: every one finite, at rest and, when `asleep` is
// set, asleep.
template <typename World>
const char* restProblem(const World& world, bool asleep) {
    for (int i = 0; i < world.dynamicCount(); ++i) {
        BodyState s = world.state(i);
        if (!isFinite(s)) return "a box is not finite";
        if (-s.bottom > kSinkLimit) return "a box sank into the floor";
        if (asleep && s.awake) return "not every box fell asleep";
    }
    return nullptr;
}

template <typename World>
int awakeCount(const World& world) {
    int awake = 0;
    for (int i = 0; i < world.dynamicCount(); ++i) awake += world.state(i).awake ? 1 : 0;
    return awake;
}

template <typename World>
void BM_Rest(benchmark::State& state) {
    std::vector<BoxDesc> boxes = restScene(int(state.range(0)));
    for (auto _ : state) {
        World world(boxes, true);
        double run = 0, peakStore = 0;
        int sleepStep = -1, mostPieces = 0;
        float lateSpeed = 0;
        for (int step = 1; step <= kRestRunSteps; ++step) {
            double start = threadSeconds();
            world.step();
            run += threadSeconds() - start;
            peakStore = fmax(peakStore, world.storeMiB());
            mostPieces = std::max(mostPieces, world.shortfall().pieces);
            if (sleepStep < 0 && everyBoxAsleep(world)) sleepStep = step;
            if (step <= kRestRunSteps - kSettleWindow) continue;
            for (int i = 0; i < world.dynamicCount(); ++i) lateSpeed = fmaxf(lateSpeed, world.state(i).speed);
        }
        bool rested = lateSpeed <= kSettledSpeed && sleepStep > 0;
        const char* problem = restProblem(world, false);
        if (!problem && !rested && !world.putToSleep()) problem = "the boxes did not come to rest and sleep";
        if (!problem) problem = restProblem(world, true);
        std::vector<BodyState> before;
        for (int i = 0; i < world.dynamicCount(); ++i) before.push_back(world.state(i));

        double asleep = 0;
        for (int step = 0; step < kAsleepSteps && !problem; ++step) {
            double start = threadSeconds();
            world.step();
            asleep += threadSeconds() - start;
            problem = restProblem(world, true);
        }
        for (int i = 0; i < world.dynamicCount() && !problem; ++i) {
            BodyState s = world.state(i);
            if (s.x != before[size_t(i)].x || s.y != before[size_t(i)].y || s.z != before[size_t(i)].z)
                problem = "a sleeping box moved";
        }

        state.SetIterationTime(run);
        state.counters["msPerStep"] = 1000 * run / kRestRunSteps;
        state.counters["asleepMsPerStep"] = 1000 * asleep / kAsleepSteps;
        state.counters["sleepStep"] = sleepStep;
        state.counters["lateSpeed"] = lateSpeed;
        state.counters["rested"] = rested ? 1 : 0;
        state.counters["storeMiB"] = peakStore;
        state.counters["pieces"] = mostPieces;
        state.counters["heldAtEnd"] = world.shortfall().heldBodies;
        state.counters["refused"] = double(int(state.range(0)) - world.dynamicCount());
        if (problem) {
            char text[128];
            snprintf(text, sizeof(text), "%s (fastest %.2f m/s late in the run, %d awake, %d held still)", problem,
                     lateSpeed, awakeCount(world), world.shortfall().heldBodies);
            state.SkipWithError(text);
            break;
        }
    }
}

#define PH_SIDE_BY_SIDE(name, function, ...)                                                              \
    BENCHMARK_TEMPLATE(function, OurWorld __VA_OPT__(, ) __VA_ARGS__)                                      \
        ->Name(name "/library")                                                                            \
        ->Unit(benchmark::kMillisecond)                                                                    \
        ->Iterations(1)                                                                                    \
        ->UseManualTime();                                                                                 \
    BENCHMARK_TEMPLATE(function, BulletWorld __VA_OPT__(, ) __VA_ARGS__)                                   \
        ->Name(name "/bullet")                                                                             \
        ->Unit(benchmark::kMillisecond)                                                                    \
        ->Iterations(1)                                                                                    \
        ->UseManualTime()

PH_SIDE_BY_SIDE("Pyramid210Awake", BM_Pyramid, false);
PH_SIDE_BY_SIDE("Pyramid210Sleeping", BM_Pyramid, true);
PH_SIDE_BY_SIDE("Drop1000", BM_Drop);
PH_SIDE_BY_SIDE("Stacks20x10", BM_Stacks);
PH_SIDE_BY_SIDE("Level300+5", BM_Level);
#define PH_REST_SIDE_BY_SIDE(name, boxCount)                                                              \
    BENCHMARK_TEMPLATE(BM_Rest, OurWorld)                                                                  \
        ->Name(name "/library")                                                                            \
        ->Arg(boxCount)                                                                                    \
        ->Unit(benchmark::kMillisecond)                                                                    \
        ->Iterations(1)                                                                                    \
        ->UseManualTime();                                                                                 \
    BENCHMARK_TEMPLATE(BM_Rest, BulletWorld)                                                               \
        ->Name(name "/bullet")                                                                             \
        ->Arg(boxCount)                                                                                    \
        ->Unit(benchmark::kMillisecond)                                                                    \
        ->Iterations(1)                                                                                    \
        ->UseManualTime()

PH_REST_SIDE_BY_SIDE("Rest1000", 1000);
PH_REST_SIDE_BY_SIDE("Rest4000", 4000);
// Up to a nearly full engine store and past it: the boxes it refuses are counted (`refused`), and
// the rest must come to rest and sleep like the smaller piles, none below the floor. The library
// alone: Bullet takes minutes here and has no store to fill.
BENCHMARK_TEMPLATE(BM_Rest, OurWorld)
    ->Name("RestFull/library")
    ->Arg(7000)
    ->Arg(9000)
    ->Arg(12000)
    ->Arg(13000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime();

} // namespace
