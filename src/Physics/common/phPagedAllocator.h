#pragma once
// A pool of equal blocks carved from pages of `m_blocksPerPage` blocks. Freed blocks go to the head
// of a free list threaded through the blocks themselves, so the last block freed is the next one
// handed out. Pages are returned to the physics store only by Clear.

#include "Physics/common/phSettings.h"

class phPagedAllocator {
public:
    struct phBlock {
        phBlock* next;
    };

    struct phPage {
        phPage* next;
        // The first block, right behind this header.
        phBlock* data;
    };

    phPagedAllocator(i32 elementSize, i32 elementsPerPage);
    ~phPagedAllocator();

    // One block; its contents are whatever the previous owner left. Null when a new page finds no
    // room in the physics store.
    void* Allocate();
    void Free(void* data);
    // Gives every page back; the allocator is empty again.
    void Clear();

    i32 m_blockSize;
    i32 m_blocksPerPage;
    phPage* m_pages;
    i32 m_pageCount;
    phBlock* m_freeList;

private:
    // A page whose blocks go to the head of the free list, in address order.
    bool AddPage();
};
