// The time history's per-tick cost with the most a level can register: seven timed bodies
// (126 floats), three more floats up to the limit of 129, and the limit of 4 booleans.
//
//   BM_SaveTimeVars: one recording step that takes a snapshot (constant 1: every tick records).
//   BM_StepBack: one rewind step: the newest snapshot written back, forces dropped.
//   BM_ReapplyTimedBodies: the hand-back of all seven bodies on SPACE release.
// Headless: a started engine over calloc'd blocks, without packs or a renderer.

#include "../harness/headlessEngine.h"

#include "Core/engine_main.h"
#include "Game/time.h"
#include "Physics/physics.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <string.h>

namespace {

// Start-up only builds the table; nothing here draws.
ve::Renderer createNoRenderer() { return {}; }

// Started once per process: the engine's blocks are never given back.
ve::EngineState* startFullyRegisteredEngine() {
    static ve::GameMemory gameMemory = {};
    if (gameMemory.engineState) return gameMemory.engineState;
    benchharness::startHeadlessEngine(&gameMemory, createNoRenderer);
    ve::EngineState* state = gameMemory.engineState;

    static ve::Primitive box = {};
    box.localTransform = ve::iMat4();
    box.cuboid.scale = ve::v3{1.0f, 1.0f, 1.0f};
    for (u32 i = 0; i < ve::TIMED_BODY_SLOTS; i++) {
        ve::BodyOpts opts = {};
        opts.position = ve::v3{(f32)i * 3.0f, 10.0f, 0.0f};
        opts.rotation = ve::iMat3();
        opts.colliders = &box;
        opts.colliderCount = 1;
        opts.gravity = 9.81f;
        opts.collisionMask = ve::ALL_LAYERS;
        opts.flags.value = (u32)ve::BodyType::Dynamic;
        ve::createBody(&state->scene, &opts);
        ve::addTimeVars(opts.physicsBody);
    }
    static f32 extraFloats[3];
    static b8 flags[4];
    for (f32& f : extraFloats) ve::addTimeVar(&f);
    for (b8& b : flags) ve::addTimeVar(&b);
    state->timeSaveDelayConst = 1;
    return state;
}

void BM_SaveTimeVars(benchmark::State& run) {
    ve::EngineState* state = startFullyRegisteredEngine();
    if (state->trackedVars.floatCount != ve::TIME_FLOAT_LIMIT || state->trackedVars.boolCount != ve::TIME_BOOL_LIMIT) {
        run.SkipWithError("registration is not at its limits");
        return;
    }
    for (auto _ : run) {
        // Snapshots land at spread-out places of the 168 MB history, as in a long level.
        if (state->time >= ve::TIME_HISTORY_LENGTH) state->time = 0;
        ve::saveTimeVars();
    }
    benchmark::DoNotOptimize(state->pastTime[0]);
}
BENCHMARK(BM_SaveTimeVars)->Unit(benchmark::kNanosecond);

void BM_StepBack(benchmark::State& run) {
    ve::EngineState* state = startFullyRegisteredEngine();
    for (auto _ : run) {
        if (state->time == 0) state->time = ve::TIME_HISTORY_LENGTH;
        ve::stepBack();
    }
    benchmark::DoNotOptimize(state->time);
}
BENCHMARK(BM_StepBack)->Unit(benchmark::kNanosecond);

void BM_ReapplyTimedBodies(benchmark::State& run) {
    ve::EngineState* state = startFullyRegisteredEngine();
    // Tilted poses, as a rewind leaves them (the other benchmarks may have written anything).
    for (u32 i = 0; i < state->timedPhysicBodyCount; i++) {
        phBody* body = ve::getBody(state->timedPhysicBodyIds[i]);
        body->SetTransform(body->m_worldCenter, phVec3(0.0f, 0.6f, 0.8f), 0.3f + (f32)i * 0.2f);
    }
    for (auto _ : run)
        for (u32 i = 0; i < state->timedPhysicBodyCount; i++) ve::updateObject(state->timedPhysicBodyIds[i]);
    benchmark::DoNotOptimize(state->timedPhysicBodyCount);
}
BENCHMARK(BM_ReapplyTimedBodies)->Unit(benchmark::kNanosecond);

} // namespace
