#include "Physics/common/phHeap.h"

#include "Physics/common/phMemory.h"
#include "Physics/math/phMath.h"

#include <string.h>

phHeap::phHeap() {
    m_memory = (phHeader*)phAlloc(phk_heapSize);
    m_freeBlocks = (phFreeBlock*)phAlloc(sizeof(phFreeBlock) * phk_heapInitialCapacity);
    m_freeBlockCapacity = m_freeBlocks ? phk_heapInitialCapacity : 0;
    m_freeBlockCount = 0;
    // Without its block the heap lists no free region and refuses every allocation.
    if (!m_memory) return;
    m_memory->next = nullptr;
    m_memory->prev = nullptr;
    m_memory->size = phk_heapSize;
    AddFreeBlock(m_memory, phk_heapSize);
}

phHeap::~phHeap() {
    phFree(m_memory);
    phFree(m_freeBlocks);
}

void phHeap::AddFreeBlock(phHeader* header, i32 size) {
    if (m_freeBlockCount == m_freeBlockCapacity) {
        i32 capacity = phMax(2 * m_freeBlockCapacity, phk_heapInitialCapacity);
        phFreeBlock* grown = (phFreeBlock*)phAlloc(i32(sizeof(phFreeBlock)) * capacity);
        // No room to list the region: it stays out of the heap's reach, which is smaller by it.
        if (!grown) return;
        memcpy(grown, m_freeBlocks, sizeof(phFreeBlock) * m_freeBlockCount);
        phFree(m_freeBlocks);
        m_freeBlocks = grown;
        m_freeBlockCapacity = capacity;
    }
    m_freeBlocks[m_freeBlockCount].header = header;
    m_freeBlocks[m_freeBlockCount].size = size;
    ++m_freeBlockCount;
}

// The array is unordered: the last entry fills the hole.
void phHeap::RemoveFreeBlock(i32 index) {
    phAssert(m_freeBlockCount);
    --m_freeBlockCount;
    m_freeBlocks[index] = m_freeBlocks[m_freeBlockCount];
}

void* phHeap::Allocate(i32 size) {
    // Rounded up to the header's alignment, so that the header placed behind this allocation, and
    // the pointers and floats of the records stored in it, are never misaligned.
    i32 alignMask = i32(alignof(phHeader)) - 1;
    i32 need = ((size + alignMask) & ~alignMask) + i32(sizeof(phHeader));
    i32 index = 0;
    while (index < m_freeBlockCount && m_freeBlocks[index].size < need) ++index;
    if (index == m_freeBlockCount) return nullptr;

    phFreeBlock* block = m_freeBlocks + index;
    phHeader* header = block->header;
    i32 remainder = block->size - need;
    if (remainder < i32(sizeof(phHeader))) {
        // Too little is left for a header of its own (or nothing at all, possibly at the very end
        // of the block): the allocation takes the whole region and the entry goes.
        header->size = block->size;
        RemoveFreeBlock(index);
        return header + 1;
    }

    phHeader* rest = (phHeader*)((u8*)header + need);
    rest->next = header->next;
    rest->prev = header;
    rest->size = remainder;
    if (header->next) header->next->prev = rest;
    header->next = rest;
    header->size = need;
    block->header = rest;
    block->size = remainder;
    return header + 1;
}

void phHeap::Free(void* memory) {
    phAssert(memory);
    phHeader* header = (phHeader*)memory - 1;
    phHeader* next = header->next;
    phHeader* prev = header->prev;

    i32 nextBlockIndex = ~0;
    i32 prevBlockIndex = ~0;
    for (i32 i = 0; i < m_freeBlockCount; ++i) {
        phHeader* candidate = m_freeBlocks[i].header;
        if (candidate == next) nextBlockIndex = i;
        if (candidate == prev) prevBlockIndex = i;
    }

    if (prevBlockIndex != ~0) {
        phFreeBlock* prevBlock = m_freeBlocks + prevBlockIndex;
        prev->next = next;
        if (next) next->prev = prev;
        prevBlock->size += header->size;
        prev->size = prevBlock->size;
        if (nextBlockIndex != ~0) {
            // Both neighbours free: the next entry takes over the whole merged region and the
            // previous neighbour's entry leaves the array.
            phFreeBlock* nextBlock = m_freeBlocks + nextBlockIndex;
            nextBlock->header = prev;
            nextBlock->size += prev->size;
            prev->size = nextBlock->size;
            prev->next = next->next;
            if (next->next) next->next->prev = prev;
            RemoveFreeBlock(prevBlockIndex);
        }
        return;
    }

    if (nextBlockIndex != ~0) {
        phFreeBlock* nextBlock = m_freeBlocks + nextBlockIndex;
        nextBlock->header = header;
        nextBlock->size += header->size;
        header->size = nextBlock->size;
        header->next = next->next;
        if (next->next) next->next->prev = header;
        return;
    }

    AddFreeBlock(header, header->size);
}
