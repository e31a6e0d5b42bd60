#pragma once
// Every byte the physics library uses comes from one engine memory store, so that a snapshot of
// the engine's physics block holds the whole physics state. `phAlloc` and `phFree` are the only
// ways into it; the stack, heap and paged allocators sit on top of them.

#include "Physics/common/phSettings.h"

namespace ve {
struct MemoryStore;
}

class phStack;

namespace detail {
// Null until setPhysicsMemoryStore; the engine sets it again after every reload.
extern ve::MemoryStore* physicsMemory;
// The stack whose idle arena is trimmed when the store has no room for a request (see phAlloc).
extern phStack* spareArena;
} // namespace detail

void setPhysicsMemoryStore(ve::MemoryStore* store);
// Names the stack whose arena is trimmed when a request finds the store full; null for none. The
// scene names its step's stack: what outlives a step (bodies, pairs, points, tree nodes) comes
// before arena room that the last step did not use.
void setPhysicsSpareArena(phStack* stack);

// `bytes` from the physics store, or null when it has no room, not even once the spare arena, when
// idle, is trimmed. Every caller copes with null: a body or box that does not fit is refused, a
// pair without room gets no contact, a buffer that cannot grow keeps what it has, a step array
// that finds no room is asked for in parts (see the scene's step).
void* phAlloc(i32 bytes);
// A pointer that the store did not hand out (outside its block) is ignored.
void phFree(void* memory);
