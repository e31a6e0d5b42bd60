#include "Physics/common/phMemory.h"

#include "Memory/memory.h"

namespace detail {
ve::MemoryStore* physicsMemory = nullptr;
}

void setPhysicsMemoryStore(ve::MemoryStore* store) { detail::physicsMemory = store; }

void* phAlloc(i32 bytes) {
    // Widened with its sign: a negative count becomes a size no store can serve.
    msi size = msi(s64(bytes));
    // A request the store cannot serve is refused here, without the store's own report: the
    // library copes with null, and a full store would otherwise print a line for every request.
    msi largest = ve::largestFreeBlock(detail::physicsMemory);
    if (largest < ve::heapBlockOverhead || size > largest - ve::heapBlockOverhead) return nullptr;
    return ve::pushToHeap(detail::physicsMemory, size);
}

void phFree(void* memory) { ve::freeFromHeap(detail::physicsMemory, memory); }
