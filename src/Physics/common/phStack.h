#pragma once
// A last-in-first-out arena for the temporary arrays of one scene step. The step asks for each
// array when it needs it: the arena serves the request while it has room left, the physics store
// serves what does not fit, and null answers a request that neither can hold. Between steps, Grow
// makes the arena as large as the most that was asked for at once (or, when the store cannot hold
// that, the most that was held), so that the next step of a scene that stays alike is served by
// the arena alone, moving an index. Allocations must be freed in
// exactly the reverse order of allocation. Sizes are not rounded: an allocation from the arena
// starts where the previous one ended.

#include "Physics/common/phSettings.h"

// Initial room of the table of live allocations; it doubles when full.
const i32 phk_stackInitialEntryCapacity = 64;

class phStack {
public:
    struct phStackEntry {
        u8* data;
        i32 size;
    };

    phStack();
    ~phStack();

    // `size` bytes, or null when neither the arena nor the physics store has room for them.
    void* Allocate(i32 size);
    // `size` bytes of the arena, or null when it has no room left for them; the store is not
    // asked. The request counts towards the arena's growth like any other.
    void* AllocateInArena(i32 size);
    // Releases the newest allocation; `data` must be it.
    void Free(void* data);
    // Only while the stack is empty: takes an arena as large as the most bytes asked for at once
    // since the last Grow, else as the most held at once, when that is more than the arena has
    // and the physics store has room; otherwise the arena stays as it is.
    void Grow();
    // Only while the stack is empty: gives back to the physics store, for memory that outlives a
    // step, the part of the arena beyond what the last step held at once (all of it before a first
    // Grow). False when the stack is in use or has nothing to give.
    bool Trim();

    u8* m_memory;
    phStackEntry* m_entries;
    // Bytes of the arena in use.
    u32 m_index;
    // Bytes handed out and not yet freed, from the arena and from the store.
    i32 m_allocation;
    // The most that m_allocation reached since the last Grow, and the most it would have reached
    // had every request been served.
    i32 m_maxAllocation;
    u32 m_maxRequest;
    // m_maxAllocation of the step before the last Grow.
    u32 m_lastHeld;
    // The smallest request that a Grow found the store unable to hold, and asks no more for
    // (all ones while none was refused).
    u32 m_refusedSize;
    i32 m_entryCount;
    i32 m_entryCapacity;
    u32 m_stackSize;

private:
    void NoteRequest(i32 size);
    bool FitsInArena(i32 size) const;
    // Room in the entry table for one more allocation, doubling it when full.
    bool HasEntryRoom();
    void* Push(u8* data, i32 size);
    void ReleaseArena();
    bool InArena(const u8* data) const { return data >= m_memory && data < m_memory + m_stackSize; }
};
