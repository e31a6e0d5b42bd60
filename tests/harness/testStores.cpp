#include "testStores.h"

#include "Core/engine_globals.h"
#include "Physics/physics.h"
#include "Physics/scene/phScene.h"

#include <new>
#include <stdlib.h>

namespace vetest {

TestStores::TestStores(msi tmpSize, msi permanentSize) : tmpBlock(new u8[tmpSize]), permanentBlock(new u8[permanentSize]) {
    tmp = ve::createHeapStore({tmpSize, tmpBlock.get()});
    permanent = ve::createHeapStore({permanentSize, permanentBlock.get()});
    ve::tmpStore = &tmp;
    ve::permanentStore = &permanent;
}

TestStores::~TestStores() {
    ve::tmpStore = nullptr;
    ve::permanentStore = nullptr;
}

TestEngineState::TestEngineState() {
    // Most of the record is the time history: calloc leaves its pages untouched until used.
    state = (ve::EngineState*)calloc(1, sizeof(ve::EngineState));
    const msi physicsSize = msi(64) << 20;
    physicsBlock.reset(new u8[physicsSize]);
    state->physicsStore = ve::createHeapStore({physicsSize, physicsBlock.get()});
    ve::engineState = state;
    ve::usePhysicsStore(&state->physicsStore);
    // On the C heap like the record: the test stores hold nothing of the scene's.
    state->scene = new (malloc(sizeof(phScene))) phScene(1.0f / 60.0f, phVec3(0.0f, -9.8f, 0.0f), 20);
    ve::initPhysics();
}

TestEngineState::~TestEngineState() {
    ve::engineState = nullptr;
    free(state->scene);
    free(state);
}

msi freeBytes(ve::MemoryStore* store) {
    msi total = 0;
    for (ve::detail::HeapFreeBlock* block = store->firstFreeBlock; block; block = block->nextFreeBlock) total += block->size;
    return total;
}

msi freeBlockCount(ve::MemoryStore* store) {
    msi count = 0;
    for (ve::detail::HeapFreeBlock* block = store->firstFreeBlock; block; block = block->nextFreeBlock) count++;
    return count;
}

} // namespace vetest
