#pragma once
// A platform table whose files live in memory, for headless tests of code that reads and writes
// files through `ve::platform`: listing by extension in the order the files were added, positioned
// reads and writes with a remembered position, `fileHasError` for short transfers, and a console
// that collects the printed lines. Writes to chosen files can be made to fail.

#include "Platform/ve_platform.h"
#include "Memory/memory.h"

#include <memory>
#include <string>
#include <vector>

namespace vetest {

struct MemoryFile {
    std::string name;
    std::vector<u8> bytes;
};

struct MemoryPlatform {
    ve::PlatformAPI api;
    std::vector<MemoryFile> files; // the asset directory, in listing order
    std::vector<std::string> printed;
    // Writes to a file of this name store only half of their bytes and report the shortfall.
    std::string failingWrites;
    int openLists; // lists opened and not yet closed
};

// Points `ve::platform` at a fresh in-memory platform and returns it.
MemoryPlatform* installMemoryPlatform();
MemoryFile* findMemoryFile(MemoryPlatform* platform, const std::string& name);
void putMemoryFile(MemoryPlatform* platform, const std::string& name, const std::vector<u8>& bytes);

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
