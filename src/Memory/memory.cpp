#include "Memory/memory.h"

#include "Math/integerMath.h"

#include <stdint.h>
#include <string.h>

namespace ve {

// ---------------------------------------------------------------------------------------------
// Free list
// ---------------------------------------------------------------------------------------------

namespace detail {

// Points the link in front of a list position (the previous node, or the list head when there
// is none) at `next`.
static void linkFreeBlockAfter(MemoryStore* store, HeapFreeBlock* previous, HeapFreeBlock* next) {
    if (previous) {
        previous->nextFreeBlock = next;
    } else {
        store->firstFreeBlock = next;
    }
}

// Makes the whole buffer one free block. A buffer too small to hold a node has nothing to give.
static void makeWholeStoreFree(MemoryStore* store) {
    store->firstFreeBlock = nullptr;
    if (!store->buf.data || store->buf.length < sizeof(HeapFreeBlock)) return;
    HeapFreeBlock* whole = (HeapFreeBlock*)store->buf.data;
    whole->nextFreeBlock = nullptr;
    whole->size = store->buf.length;
    store->firstFreeBlock = whole;
}

} // namespace detail

MemoryStore createHeapStore(buffer buf) {
    VE_ASSERT_NOT_NULL(buf.data);
    MemoryStore store = {};
    store.initialized = true;
    store.buf = buf;
    detail::makeWholeStoreFree(&store);
    return store;
}

void resetHeapStore(MemoryStore* store) {
    if (!store || !store->initialized) return;
    detail::makeWholeStoreFree(store);
}

void addFreeBlockToHeap(MemoryStore* store, void* base, u64 size) {
    VE_ASSERT_NOT_NULL(store);
    u8* block = (u8*)base;

    // Merge with the first neighbour met in list order; only one, so a block freed between two
    // free blocks joins one of them and the other stays a separate block.
    detail::HeapFreeBlock* previous = nullptr;
    for (detail::HeapFreeBlock* node = store->firstFreeBlock; node; previous = node, node = node->nextFreeBlock) {
        if ((u8*)node + node->size == block) {
            node->size += size;
            return;
        }
        if (block + size == (u8*)node) {
            detail::HeapFreeBlock* merged = (detail::HeapFreeBlock*)block;
            merged->nextFreeBlock = node->nextFreeBlock;
            merged->size = size + node->size;
            detail::linkFreeBlockAfter(store, previous, merged);
            return;
        }
    }

    // No neighbour: keep the list roughly ascending by size, so first fit tends to pick the
    // smallest block that serves.
    previous = nullptr;
    detail::HeapFreeBlock* next = store->firstFreeBlock;
    while (next && next->size < size) {
        previous = next;
        next = next->nextFreeBlock;
    }
    detail::HeapFreeBlock* inserted = (detail::HeapFreeBlock*)block;
    inserted->nextFreeBlock = next;
    inserted->size = size;
    detail::linkFreeBlockAfter(store, previous, inserted);
}

// ---------------------------------------------------------------------------------------------
// Allocation
// ---------------------------------------------------------------------------------------------

void* tryPushToHeap(MemoryStore* store, msi size) {
    VE_ASSERT_NOT_NULL(store);
    VE_ASSERT(store->initialized == true);

    // A request so large that its overhead wraps around cannot fit any store.
    msi need = size > ~(msi)0 - heapBlockOverhead ? ~(msi)0 : max(size + heapBlockOverhead, heapBlockOverhead);

    detail::HeapFreeBlock* previous = nullptr;
    detail::HeapFreeBlock* block = store->firstFreeBlock;
    while (block && block->size < need) {
        previous = block;
        block = block->nextFreeBlock;
    }
    if (!block) return nullptr;

    detail::linkFreeBlockAfter(store, previous, block->nextFreeBlock);
    u64 kept = block->size;
    // Split only when the rest can hold a node; otherwise the allocation keeps the few spare
    // bytes, so no free block smaller than a node ever exists.
    if (kept > need + sizeof(detail::HeapFreeBlock)) {
        addFreeBlockToHeap(store, (u8*)block + need, kept - need);
        kept = need;
    }

    u8* base = (u8*)block;
    detail::HeapAllocatedBlockHeader* header = (detail::HeapAllocatedBlockHeader*)(((uintptr_t)base + 15) & ~(uintptr_t)15);
    header->base = base;
    header->size = kept;
    return (u8*)header + sizeof(detail::HeapAllocatedBlockHeader);
}

void* pushToHeap(MemoryStore* store, msi size) {
    void* result = tryPushToHeap(store, size);
    if (!result) (void)VE_SOFT_ASSERT(false && "No Memory Available!");
    return result;
}

void* pushToHeap(MemoryStore* store, msi size, void* src) {
    void* result = pushToHeap(store, size);
    if (result && size) memcpy(result, src, size);
    return result;
}

b8 freeFromHeap(MemoryStore* store, void* location) {
    if (!store) return false;
    uintptr_t storeStart = (uintptr_t)store->buf.data;
    uintptr_t storeEnd = storeStart + store->buf.length;
    uintptr_t at = (uintptr_t)location;
    // Every allocation has its header inside the store and is 16-byte aligned; anything else was
    // not handed out by this store (a buffer of another store is refused here).
    if (at < storeStart + sizeof(detail::HeapAllocatedBlockHeader) || at >= storeEnd || (at & 15) != 0) return false;

    detail::HeapAllocatedBlockHeader* header = (detail::HeapAllocatedBlockHeader*)(at - sizeof(detail::HeapAllocatedBlockHeader));
    uintptr_t base = (uintptr_t)header->base;
    if (base < storeStart || base > (uintptr_t)header || header->size > storeEnd - base ||
        base + header->size < at) {
        return false;
    }
    addFreeBlockToHeap(store, header->base, header->size);
    return true;
}

msi largestFreeBlock(MemoryStore* store) {
    VE_ASSERT_NOT_NULL(store);
    msi largest = 0;
    for (detail::HeapFreeBlock* node = store->firstFreeBlock; node; node = node->nextFreeBlock)
        largest = max(largest, (msi)node->size);
    return largest;
}

HeapMark markHeap(MemoryStore* store) {
    VE_ASSERT_NOT_NULL(store);
    detail::HeapFreeBlock* first = store->firstFreeBlock;
    if (!first) return {nullptr, 0, true};
    return {first, first->size, first->nextFreeBlock == nullptr};
}

b8 rollBackHeap(MemoryStore* store, HeapMark mark) {
    VE_ASSERT_NOT_NULL(store);
    if (!mark.single) return false;
    // Everything allocated since the mark came out of the one free block, so that block, whole
    // again, is all the free memory there is.
    store->firstFreeBlock = mark.freeBlock;
    if (mark.freeBlock) {
        mark.freeBlock->nextFreeBlock = nullptr;
        mark.freeBlock->size = mark.size;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Buffers
// ---------------------------------------------------------------------------------------------

buffer createBuffer(msi length, MemoryStore* store) {
    VE_ASSERT_NOT_NULL(store);
    if (length == 0) return {};
    u8* data = (u8*)pushToHeap(store, length);
    if (!data) return {};
    return {length, data};
}

void freeBuffer(buffer* buf, MemoryStore* store) {
    VE_ASSERT_NOT_NULL(store);
    if (!buf || buf->length == 0) return;
    if (freeFromHeap(store, buf->data)) *buf = {};
}

b8 resizeBuffer(MemoryStore* store, buffer* buf, msi newLength) {
    VE_ASSERT_NOT_NULL(store);
    if (newLength == 0) {
        freeBuffer(buf, store);
        return true;
    }
    buffer resized = createBuffer(newLength, store);
    // The store has already reported the shortage; the old contents stay where they are.
    if (!resized.data) return false;
    buffer kept = {min(buf->length, newLength), buf->data};
    copyBuffer(kept, resized);
    freeBuffer(buf, store);
    *buf = resized;
    return true;
}

// Copies move forward from the first byte (memmove gives that result for a shift to a lower
// address and stays correct for every other overlap).
b8 copyBuffer(buffer from, buffer to) {
    if (from.length > to.length) return false;
    if (from.length) memmove(to.data, from.data, from.length);
    return true;
}

b8 copyBuffer(buffer from, buffer to, msi start, msi length) {
    if (start > from.length || length > from.length - start) return false;
    return copyBuffer({length, from.data + start}, to);
}

b8 copyBuffer(buffer from, buffer to, msi startRead, msi startWrite, msi length) {
    if (startRead > from.length || length > from.length - startRead) return false;
    if (startWrite > to.length || length > to.length - startWrite) return false;
    if (length) memmove(to.data + startWrite, from.data + startRead, length);
    return true;
}

void zeroBuffer(buffer buf) {
    if (buf.length) memset(buf.data, 0, buf.length);
}

void zeroSize(msi size, void* ptr) {
    zeroBuffer({size, (u8*)ptr});
}

b8 cmpBuffer(buffer a, buffer b) {
    if (a.length != b.length) return false;
    if (a.data == b.data || a.length == 0) return true;
    return memcmp(a.data, b.data, a.length) == 0;
}

b8 ptrInBuffer(buffer buf, void* ptr) {
    uintptr_t at = (uintptr_t)ptr;
    uintptr_t start = (uintptr_t)buf.data;
    return at >= start && at - start < buf.length;
}

} // namespace ve
