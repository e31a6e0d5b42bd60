#include "Physics/common/phMemory.h"

#include "Memory/memory.h"

namespace detail {
ve::MemoryStore* physicsMemory = nullptr;
}

void setPhysicsMemoryStore(ve::MemoryStore* store) { detail::physicsMemory = store; }

void* phAlloc(i32 bytes) {
    // Widened with its sign: a negative count becomes a size no store can serve.
    void* memory = ve::pushToHeap(detail::physicsMemory, msi(s64(bytes)));
    phAssert(memory != nullptr && "physics memory store exhausted");
    return memory;
}

void phFree(void* memory) { ve::freeFromHeap(detail::physicsMemory, memory); }
