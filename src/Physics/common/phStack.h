#pragma once
// A last-in-first-out arena for the temporary arrays of one scene step. The step reserves its
// whole need once, then allocations only move an index; they must be freed in exactly the reverse
// order of allocation. Sizes are not rounded: each allocation starts where the previous ended.

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

    // Makes the arena at least `size` bytes. Only while the stack is empty.
    // False when the physics store has no room: the stack then keeps the arena it had.
    bool Reserve(u32 size);
    // Gives the arena back to the physics store. Only while the stack is empty.
    void Release();
    void* Allocate(i32 size);
    // Releases the newest allocation; `data` must be it.
    void Free(void* data);

    u8* m_memory;
    phStackEntry* m_entries;
    u32 m_index;
    i32 m_allocation;
    i32 m_entryCount;
    i32 m_entryCapacity;
    u32 m_stackSize;
};
