// The broad phase at the scale of a large level: a tree of 10,000 proxies. Three figures, each
// reported as time per operation ("per_op"):
//   - inserting 10,000 proxies into an empty tree;
//   - 1,000 random body moves followed by one pair update (per move, update included);
//   - box queries of a body-sized region against the full tree.

#include "Memory/memory.h"
#include "Physics/scene/phScene.h"

#include <benchmark/benchmark.h>

#include <new>
#include <random>
#include <stdlib.h>
#include <vector>

namespace {

const int kProxyCount = 10000;
const int kMovesPerUpdate = 1000;
// Side of the cube the proxies are spread over, in world units.
const float kWorldSize = 220.0f;

void usePhysicsStore() {
    static const msi size = msi(64) << 20;
    static u8* bytes = (u8*)aligned_alloc(16, size);
    static ve::MemoryStore store;
    store = ve::createHeapStore(buffer{size, bytes});
    setPhysicsMemoryStore(&store);
}

phAABB randomBox(std::mt19937& rng) {
    std::uniform_real_distribution<float> pos(0.0f, kWorldSize);
    std::uniform_real_distribution<float> half(0.25f, 1.0f);
    phVec3 c(pos(rng), pos(rng), pos(rng));
    phVec3 e(half(rng), half(rng), half(rng));
    return phAABB{c - e, c + e};
}

benchmark::Counter perOperation(double operations) {
    return benchmark::Counter(operations, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TreeInsert(benchmark::State& state) {
    usePhysicsStore();
    std::mt19937 rng(1);
    std::vector<phAABB> boxes;
    for (int i = 0; i < kProxyCount; ++i) boxes.push_back(randomBox(rng));
    for (auto _ : state) {
        phDynamicAABBTree tree;
        for (const phAABB& box : boxes) tree.Insert(box, nullptr);
        benchmark::DoNotOptimize(tree.m_root);
    }
    state.counters["per_op"] = perOperation(double(state.iterations()) * kProxyCount);
}
BENCHMARK(BM_TreeInsert)->Unit(benchmark::kMillisecond);

void BM_MovesWithPairUpdate(benchmark::State& state) {
    usePhysicsStore();
    alignas(16) static unsigned char sceneBytes[sizeof(phScene)];
    phScene* scene = new (sceneBytes) phScene(1.0f / 60.0f, phVec3(0, -9.8f, 0), 20);
    std::mt19937 rng(2);
    std::vector<phBody*> bodies;
    for (int i = 0; i < kProxyCount; ++i) {
        phAABB box = randomBox(rng);
        phBodyDef bd;
        bd.bodyType = eDynamicBody;
        bd.position = (box.min + box.max) * 0.5f;
        // Layer 0: pairs are found and reported, but no contact is kept. Without the narrow phase
        // nothing would ever drop them, and the measurement is of the broad phase.
        bd.layers = 0;
        phBody* body = scene->CreateBody(bd);
        phBoxDef sd;
        phTransform tx;
        phIdentity(tx.position);
        phIdentity(tx.rotation);
        sd.Set(tx, box.max - box.min);
        body->AddBox(sd);
        bodies.push_back(body);
    }
    scene->m_contactManager.FindNewContacts();

    std::uniform_int_distribution<int> pick(0, kProxyCount - 1);
    std::uniform_real_distribution<float> step(-3.0f, 3.0f);
    long pairs = 0;
    for (auto _ : state) {
        for (int i = 0; i < kMovesPerUpdate; ++i) {
            phBody* body = bodies[pick(rng)];
            phVec3 target = body->m_worldCenter + phVec3(step(rng), step(rng), step(rng));
            body->SetTransform(target);
        }
        scene->m_contactManager.FindNewContacts();
        pairs += scene->m_contactManager.m_broadphase.m_pairCount;
    }
    state.counters["per_op"] = perOperation(double(state.iterations()) * kMovesPerUpdate);
    state.counters["pairs_per_update"] = double(pairs) / double(state.iterations());
    scene->~phScene();
}
BENCHMARK(BM_MovesWithPairUpdate)->Unit(benchmark::kMillisecond);

struct CountingQuery {
    bool TreeCallBack(i32) {
        ++found;
        return true;
    }
    long found = 0;
};

void BM_TreeQuery(benchmark::State& state) {
    usePhysicsStore();
    std::mt19937 rng(3);
    phDynamicAABBTree tree;
    for (int i = 0; i < kProxyCount; ++i) tree.Insert(randomBox(rng), nullptr);
    std::vector<phAABB> queries;
    for (int i = 0; i < 1024; ++i) queries.push_back(randomBox(rng));

    CountingQuery counter;
    size_t next = 0;
    for (auto _ : state) {
        tree.Query(&counter, queries[next++ & 1023]);
    }
    benchmark::DoNotOptimize(counter.found);
    state.counters["per_op"] = perOperation(double(state.iterations()));
    state.counters["hits_per_query"] = double(counter.found) / double(state.iterations());
}
BENCHMARK(BM_TreeQuery);

} // namespace
