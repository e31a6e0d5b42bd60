#include "Physics/common/phMemory.h"

#include "Memory/memory.h"
#include "Physics/common/phStack.h"

namespace detail {
ve::MemoryStore* physicsMemory = nullptr;
phStack* spareArena = nullptr;
} // namespace detail

void setPhysicsMemoryStore(ve::MemoryStore* store) { detail::physicsMemory = store; }

void setPhysicsSpareArena(phStack* stack) { detail::spareArena = stack; }

void* phAlloc(i32 bytes) {
    // Widened with its sign: a negative count becomes a size no store can serve.
    msi size = msi(s64(bytes));
    // Quietly: the library copes with null, and a full store would otherwise report every request.
    void* memory = ve::tryPushToHeap(detail::physicsMemory, size);
    if (memory || !detail::spareArena || !detail::spareArena->Trim()) return memory;
    return ve::tryPushToHeap(detail::physicsMemory, size);
}

void phFree(void* memory) { ve::freeFromHeap(detail::physicsMemory, memory); }
