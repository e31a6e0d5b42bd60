#include "Physics/common/phStack.h"

#include "Physics/common/phMemory.h"
#include "Physics/math/phMath.h"

#include <string.h>

phStack::phStack()
    : m_memory(nullptr), m_entries((phStackEntry*)phAlloc(sizeof(phStackEntry) * phk_stackInitialEntryCapacity)),
      m_index(0), m_allocation(0), m_maxAllocation(0), m_maxRequest(0), m_lastHeld(0), m_refusedSize(0xFFFFFFFF), m_entryCount(0),
      m_entryCapacity(m_entries ? phk_stackInitialEntryCapacity : 0), m_stackSize(0) {}

phStack::~phStack() {
    phAssert(m_index == 0);
    phAssert(m_entryCount == 0);
    if (m_memory) phFree(m_memory);
    phFree(m_entries);
}

void phStack::NoteRequest(i32 size) {
    u64 asked = u64(m_allocation) + u64(size);
    if (asked > m_maxRequest) m_maxRequest = asked > 0x7FFFFFFF ? 0x7FFFFFFF : u32(asked);
}

bool phStack::FitsInArena(i32 size) const { return m_memory && u64(m_index) + u64(size) <= m_stackSize; }

bool phStack::HasEntryRoom() {
    if (m_entryCount < m_entryCapacity) return true;
    i32 capacity = m_entryCapacity ? 2 * m_entryCapacity : phk_stackInitialEntryCapacity;
    phStackEntry* grown = (phStackEntry*)phAlloc(i32(sizeof(phStackEntry)) * capacity);
    if (!grown) return false;
    memcpy(grown, m_entries, sizeof(phStackEntry) * m_entryCount);
    phFree(m_entries);
    m_entries = grown;
    m_entryCapacity = capacity;
    return true;
}

void* phStack::Push(u8* data, i32 size) {
    phStackEntry* entry = m_entries + m_entryCount;
    entry->data = data;
    entry->size = size;
    if (InArena(data)) m_index += size;
    m_allocation += size;
    m_maxAllocation = phMax(m_maxAllocation, m_allocation);
    ++m_entryCount;
    return data;
}

void* phStack::Allocate(i32 size) {
    NoteRequest(size);
    if (!HasEntryRoom()) return nullptr;
    u8* data = FitsInArena(size) ? m_memory + m_index : (u8*)phAlloc(size);
    return data ? Push(data, size) : nullptr;
}

void* phStack::AllocateInArena(i32 size) {
    NoteRequest(size);
    if (!FitsInArena(size) || !HasEntryRoom()) return nullptr;
    return Push(m_memory + m_index, size);
}

void phStack::Free(void* data) {
    phAssert(m_entryCount > 0);
    phStackEntry* entry = m_entries + m_entryCount - 1;
    phAssert(data == entry->data);
    if (InArena(entry->data)) m_index -= entry->size;
    else phFree(entry->data);
    m_allocation -= entry->size;
    --m_entryCount;
}

void phStack::Grow() {
    phAssert(!m_entryCount);
    u32 asked = m_maxRequest;
    m_lastHeld = u32(m_maxAllocation);
    m_maxRequest = 0;
    m_maxAllocation = 0;
    // A need the store could not hold at an earlier Grow is not asked for again: a step of a
    // scene that stays alike would otherwise search the full store for it every time.
    if (asked <= m_stackSize || asked >= m_refusedSize) return;
    // The old arena goes first, so that the new one can take its room and whatever free room
    // borders it. The sizes are tried from the largest down, the old one last; when the store
    // holds none of them the store serves the next step directly.
    u32 kept = m_stackSize;
    u32 sizes[3] = {asked, m_lastHeld > kept ? m_lastHeld : 0, kept};
    ReleaseArena();
    for (u32 size : sizes) {
        if (size == 0) continue;
        m_memory = (u8*)phAlloc(i32(size));
        if (!m_memory) continue;
        m_stackSize = size;
        break;
    }
    if (m_stackSize < asked) m_refusedSize = asked;
}

void phStack::ReleaseArena() {
    if (m_memory) phFree(m_memory);
    m_memory = nullptr;
    m_stackSize = 0;
}

bool phStack::Trim() {
    if (m_entryCount || m_stackSize <= m_lastHeld) return false;
    // The store is short now: what it refused before is no guide any more.
    m_refusedSize = 0xFFFFFFFF;
    // The arena is taken again at its new size where the store finds room for it, which may be
    // its old place: the rest of that place is what the caller asked room for.
    u32 kept = m_lastHeld;
    ReleaseArena();
    m_memory = kept ? (u8*)phAlloc(i32(kept)) : nullptr;
    m_stackSize = m_memory ? kept : 0;
    return true;
}
