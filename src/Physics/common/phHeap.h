#pragma once
// A first-fit heap over one 20 MiB block taken from the physics store, from which bodies and boxes
// are taken. Every region, used or free, starts with a header; the headers form one doubly linked
// list over the block in address order, so a freed region finds its neighbours in constant time.
// The free regions are listed in an unordered array, which is the authority for their sizes.

#include "Physics/common/phSettings.h"

const i32 phk_heapSize = 20971520;
const i32 phk_heapInitialCapacity = 1024;

class phHeap {
public:
    struct phHeader {
        phHeader* next;
        phHeader* prev;
        // The region's length in bytes, this header included.
        i32 size;
    };

    struct phFreeBlock {
        phHeader* header;
        i32 size;
    };

    phHeap();
    ~phHeap();

    // `size` bytes, or null when no free region is large enough.
    void* Allocate(i32 size);
    // Gives a region back, merging it with the free neighbours on either side.
    void Free(void* memory);

    phHeader* m_memory;
    phFreeBlock* m_freeBlocks;
    i32 m_freeBlockCount;
    i32 m_freeBlockCapacity;

private:
    void AddFreeBlock(phHeader* header, i32 size);
    void RemoveFreeBlock(i32 index);
};
