#include "Physics/common/phMemory.h"

#include "Memory/memory.h"

namespace detail {
ve::MemoryStore* physicsMemory = nullptr;
}

void setPhysicsMemoryStore(ve::MemoryStore* store) { detail::physicsMemory = store; }

void* phAlloc(i32 bytes) {
    // Widened with its sign: a negative count becomes a size no store can serve.
    return ve::pushToHeap(detail::physicsMemory, msi(s64(bytes)));
}

void phFree(void* memory) { ve::freeFromHeap(detail::physicsMemory, memory); }
