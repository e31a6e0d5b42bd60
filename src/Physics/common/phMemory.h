#pragma once
// Every byte the physics library uses comes from one engine memory store, so that a snapshot of
// the engine's physics block holds the whole physics state. `phAlloc` and `phFree` are the only
// ways into it; the stack, heap and paged allocators sit on top of them.

#include "Physics/common/phSettings.h"

namespace ve {
struct MemoryStore;
}

namespace detail {
// Null until setPhysicsMemoryStore; the engine sets it again after every reload.
extern ve::MemoryStore* physicsMemory;
} // namespace detail

void setPhysicsMemoryStore(ve::MemoryStore* store);

// `bytes` from the physics store, or null when it has no room. Every caller copes with null: a body
// or box that does not fit is refused, a pair without room gets no contact, a buffer that cannot
// grow keeps what it has, a heap without its block refuses every allocation, a region the heap
// cannot list stays unused. One exception: the step's stack must find room for the small table of
// its allocations, when it is built or at the latest in the first step (a phAssert stops that step
// otherwise); the engine builds the scene first, in a store of its own.
void* phAlloc(i32 bytes);
// A pointer that the store did not hand out (outside its block) is ignored.
void phFree(void* memory);
