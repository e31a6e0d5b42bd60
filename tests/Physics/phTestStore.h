#pragma once
// A fresh physics store for every test: 64 MiB like the engine's, so that a scene (whose heap
// alone takes 20 MiB) fits. The bytes are taken once per test program and reused.

#include "Memory/memory.h"
#include "Physics/common/phMemory.h"

#include <gtest/gtest.h>

#include <stdlib.h>

const msi phTestStoreSize = msi(64) << 20;

// `size` (at most phTestStoreSize) scales the store down for a scene that must find it full.
inline ve::MemoryStore* createPhysicsTestStore(msi size = phTestStoreSize) {
    static u8* bytes = (u8*)aligned_alloc(16, phTestStoreSize);
    static ve::MemoryStore store;
    store = ve::createHeapStore(buffer{size, bytes});
    setPhysicsMemoryStore(&store);
    return &store;
}

class PhysicsStoreTest : public testing::Test {
protected:
    void SetUp() override { store = createPhysicsTestStore(); }

    ve::MemoryStore* store = nullptr;
};

// Gtest's death-test regular expression for the library's assertion line.
#define PH_ASSERTION_TEXT(text) "Assertion failed: " text ", file .*, line [0-9]+"
