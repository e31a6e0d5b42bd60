#include "Debug/mapeditor.h"

#include "Core/engine_globals.h"

namespace ve {

DebugState* debugState;

void debugInit(GameMemory* gameMemory) {
    // The record's own store is not kept: the record is its only allocation.
    MemoryStore stateStore = createHeapStore(platform->allocateMemory(DEBUG_STATE_BLOCK_SIZE));
    DebugState* state = (DebugState*)pushToHeap(&stateStore, sizeof(DebugState));
    VE_ASSERT_NOT_NULL(state);
    zeroSize(sizeof(DebugState), state);
    state->enabled = false;
    debugState = state;
    gameMemory->debugState = state;

    state->tmpStore = createHeapStore(platform->allocateMemory(DEBUG_TMP_STORE_SIZE));
    state->debugStore = createHeapStore(platform->allocateMemory(DEBUG_STORE_SIZE));
}

void debugReload(GameMemory* gameMemory) { debugState = gameMemory->debugState; }

void debugUpdate() { resetHeapStore(&debugState->tmpStore); }

} // namespace ve
