#pragma once
// The map editor's state and its three hooks into the engine: set-up at start-up, re-binding on
// every engine reload, and its step at the end of every frame.
//
// For now the editor owns only its memory: set-up takes its three platform blocks and the frame
// step empties its per-frame store. It opens no windows and F11 does nothing yet.

#include "Platform/ve_platform.h"
#include "Memory/memory.h"

namespace ve {

// Sizes of the editor's platform blocks, in the order set-up takes them.
constexpr msi DEBUG_STATE_BLOCK_SIZE = 536870912; // 512 MiB: the block that holds the record
constexpr msi DEBUG_TMP_STORE_SIZE = 33554432;    // 32 MiB, emptied every frame
constexpr msi DEBUG_STORE_SIZE = 67108864;        // 64 MiB, the editor's long-lived allocations

// One record for the whole run; the platform keeps its address in `GameMemory::debugState`.
struct DebugState {
    MemoryStore debugStore;
    buffer tmpStoreBuffer; // nothing writes it; it stays empty
    MemoryStore tmpStore;
    b8 enabled; // the editor is open
};

extern DebugState* debugState;

// Takes the editor's three blocks, creates its record and stores it in `gameMemory`.
void debugInit(GameMemory* gameMemory);
// Re-binds `ve::debugState` to the record the platform keeps.
void debugReload(GameMemory* gameMemory);
// The editor's frame: its per-frame store is emptied.
void debugUpdate();

} // namespace ve
