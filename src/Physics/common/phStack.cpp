#include "Physics/common/phStack.h"

#include "Physics/common/phMemory.h"

#include <string.h>

phStack::phStack()
    : m_memory(nullptr), m_entries((phStackEntry*)phAlloc(sizeof(phStackEntry) * phk_stackInitialEntryCapacity)),
      m_index(0), m_allocation(0), m_entryCount(0), m_entryCapacity(m_entries ? phk_stackInitialEntryCapacity : 0),
      m_stackSize(0) {}

phStack::~phStack() {
    phAssert(m_index == 0);
    phAssert(m_entryCount == 0);
    if (m_memory) phFree(m_memory);
    phFree(m_entries);
}

bool phStack::Reserve(u32 size) {
    phAssert(!m_index);
    if (size == 0) return true;
    // An equal size takes a fresh arena too; only a smaller request keeps the old one.
    if (size < m_stackSize) return true;
    // The old arena goes first, so that its room can serve the new one.
    if (m_memory) phFree(m_memory);
    m_memory = (u8*)phAlloc(i32(size));
    if (m_memory) {
        m_stackSize = size;
        return true;
    }
    // No room: the old arena is taken again (its own room, free now, holds it), so the stack keeps
    // what it had.
    m_memory = m_stackSize ? (u8*)phAlloc(i32(m_stackSize)) : nullptr;
    if (!m_memory) m_stackSize = 0;
    return false;
}

void phStack::Release() {
    phAssert(!m_index);
    if (m_memory) phFree(m_memory);
    m_memory = nullptr;
    m_stackSize = 0;
}

void* phStack::Allocate(i32 size) {
    phAssert(m_index + size <= m_stackSize);
    if (m_entryCount == m_entryCapacity) {
        i32 capacity = m_entryCapacity ? 2 * m_entryCapacity : phk_stackInitialEntryCapacity;
        phStackEntry* grown = (phStackEntry*)phAlloc(i32(sizeof(phStackEntry)) * capacity);
        // The step takes six entries, far fewer than the table starts with: only a stack built in a
        // store without room for its table gets here, and it cannot serve a step.
        phAssert(grown);
        memcpy(grown, m_entries, sizeof(phStackEntry) * m_entryCount);
        phFree(m_entries);
        m_entries = grown;
        m_entryCapacity = capacity;
    }
    phStackEntry* entry = m_entries + m_entryCount;
    entry->data = m_memory + m_index;
    entry->size = size;
    m_index += size;
    m_allocation += size;
    ++m_entryCount;
    return entry->data;
}

void phStack::Free(void* data) {
    phAssert(m_entryCount > 0);
    phStackEntry* entry = m_entries + m_entryCount - 1;
    phAssert(data == entry->data);
    m_index -= entry->size;
    m_allocation -= entry->size;
    --m_entryCount;
}
