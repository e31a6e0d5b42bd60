// Saving and loading scene files of mixed entity types through the real SDL file services, in a
// temporary working directory. A level holds tens of entities: a hundred must load in well under
// 10 ms.

#include "Core/Scene/scene.h"
#include "Core/engine_globals.h"
#include "Meta/entity_type_list.h"
#include "Meta/introspection.h"
#include "Platform/SDL/sdl_platformAPI.h"
#include "Util/serialization.h"
#include "Util/string.h"

#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct BenchWorld {
    ve::PlatformAPI platform;
    ve::MemoryStore tmp;
    ve::MemoryStore permanent;
};

BenchWorld* world() {
    static BenchWorld* w = [] {
        BenchWorld* created = (BenchWorld*)calloc(1, sizeof(BenchWorld));
        char directory[] = "/tmp/kestrolan_scene_benchXXXXXX";
        if (!mkdtemp(directory) || chdir(directory) != 0 || mkdir("assets", 0755) != 0) abort();
        ve::initPlatformAPI(&created->platform);
        const msi storeSize = msi(256) << 20;
        created->tmp = ve::createHeapStore({storeSize, (u8*)malloc(storeSize)});
        created->permanent = ve::createHeapStore({storeSize, (u8*)malloc(storeSize)});
        return created;
    }();
    ve::platform = &w->platform;
    ve::tmpStore = &w->tmp;
    ve::permanentStore = &w->permanent;
    return w;
}

// `count` entities cycling through the entity types; physical ones get two colliders, floating
// texts a line of text, as a level has.
ve::Scene mixedScene(const char* name, u32 count, ve::MemoryStore* store) {
    ve::Scene scene = ve::createScene(ve::wrapASCIIZ(name), (msi(count) + 64) * 1024, store);
    for (u32 i = 0; i < count; i++) {
        ve::EntityType* type = &ve::entityTypes[i % ve::entityTypeCount];
        char entityName[32];
        snprintf(entityName, sizeof(entityName), "Entity %u", i);
        ve::Entity* entity = ve::createEntity(&scene, type->metaData->type, ve::wrapASCIIZ(entityName));
        if (ve::findStructMemberMetaData(type->metaData, ve::wrapASCIIZ("bodyOpts"))) {
            ve::BodyOpts* opts = (ve::BodyOpts*)entity->entityData.data;
            opts->position = {(f32)i, 1.0f, -2.0f};
            opts->rotation.E11 = opts->rotation.E22 = opts->rotation.E33 = 1.0f;
            opts->colliderCount = 2;
            opts->colliders = (ve::Primitive*)ve::pushToHeap(&scene.sceneDataHeap, 2 * sizeof(ve::Primitive));
            memset(opts->colliders, 0, 2 * sizeof(ve::Primitive));
            opts->colliders[1].cuboid.scale = {1, 2, 3};
            opts->flags.value = 0x40;
        }
        ve::StructMemberMetaData* text = ve::findStructMemberMetaData(type->metaData, ve::wrapASCIIZ("text"));
        if (text) *(string*)(entity->entityData.data + text->offsetInStruct) = ve::wrapASCIIZ("Press E to use the elevator");
    }
    return scene;
}

void BM_SaveScene(benchmark::State& state) {
    BenchWorld* w = world();
    u32 count = (u32)state.range(0);
    ve::Scene scene = mixedScene("Bench Save", count, &w->permanent);
    for (auto _ : state) {
        ve::resetHeapStore(&w->tmp);
        if (!ve::saveScene(&scene)) state.SkipWithError("save failed");
    }
    ve::freeScene(&scene);
    state.counters["entities"] = count;
}
BENCHMARK(BM_SaveScene)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_LoadScene(benchmark::State& state) {
    BenchWorld* w = world();
    u32 count = (u32)state.range(0);
    char name[32];
    snprintf(name, sizeof(name), "Bench Load %u", count);
    ve::Scene saved = mixedScene(name, count, &w->permanent);
    if (!ve::saveScene(&saved)) abort();
    ve::freeScene(&saved);
    for (auto _ : state) {
        ve::resetHeapStore(&w->tmp);
        ve::Scene scene;
        if (ve::loadScene(&scene, ve::wrapASCIIZ(name), &w->permanent).failure || scene.entities.length != count)
            state.SkipWithError("load failed");
        ve::freeScene(&scene);
    }
    state.counters["entities"] = count;
}
BENCHMARK(BM_LoadScene)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The parse alone, from an image already in memory.
void BM_LoadSceneImage(benchmark::State& state) {
    BenchWorld* w = world();
    u32 count = (u32)state.range(0);
    ve::Scene saved = mixedScene("Bench Image", count, &w->permanent);
    ve::resetHeapStore(&w->tmp);
    buffer image = ve::serializeScene(&saved, &w->tmp);
    ve::freeScene(&saved);
    for (auto _ : state) {
        ve::Scene scene;
        ve::readSceneImage(&scene, ve::wrapASCIIZ("Bench Image"), image, &w->permanent);
        ve::freeScene(&scene);
    }
    state.counters["bytes"] = (double)image.length;
}
BENCHMARK(BM_LoadSceneImage)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
