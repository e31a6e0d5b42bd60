#pragma once
// Memory and an engine state for headless tests of code that reaches the engine's globals: the
// temporary and permanent stores, and an engine state record with a physics scene and a body
// store. Files and the console come from the in-memory platform of memoryFiles.h.

#include "Memory/memory.h"

#include <memory>

namespace ve {
struct EngineState;
}

namespace vetest {

// Stores for the engine's globals `ve::tmpStore` and `ve::permanentStore`, over heap blocks that
// live as long as the record.
struct TestStores {
    std::unique_ptr<u8[]> tmpBlock, permanentBlock; // not cleared: a fresh store needs no zeroes
    ve::MemoryStore tmp, permanent;
    explicit TestStores(msi tmpSize = 64 << 20, msi permanentSize = 64 << 20);
    ~TestStores();
};

// An engine state record with a physics scene and a body store, for code that reaches them
// through `ve::engineState` (the scene switch removes every body; initialising a scene resets the
// time history). Create it after `TestStores`: the body store lives on the permanent store.
struct TestEngineState {
    ve::EngineState* state;
    std::unique_ptr<u8[]> physicsBlock;
    TestEngineState();
    ~TestEngineState();
};

// The number of free bytes of a store and the length of its free list: two stores in the same
// state agree on both.
msi freeBytes(ve::MemoryStore* store);
msi freeBlockCount(ve::MemoryStore* store);

} // namespace vetest
