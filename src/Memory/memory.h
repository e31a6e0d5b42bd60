#pragma once
// Memory stores and buffers.
//
// A MemoryStore is a first-fit heap over one buffer that it never frees: the buffer comes from a
// platform block or from another store. Free memory is a singly linked list whose nodes live in
// the free blocks themselves; every allocation carries a 16-byte header right below the returned
// pointer and is 16-byte aligned. Nothing here ever reaches the operating system.

#include "Platform/machineDef.h"

namespace ve {

namespace detail {

// Written at the first bytes of every free block. Free blocks start wherever the previous
// allocation ended, so a node is not necessarily aligned: the record is packed (alignment 1) so
// that it may be read and written at any address. Copy a field out (u64(node->size)) rather than
// binding a reference to it, as EXPECT_EQ(node->size, ...) would: such a reference is misaligned.
struct __attribute__((packed)) HeapFreeBlock {
    HeapFreeBlock* nextFreeBlock;
    u64 size; // bytes of the whole free block, node included
};

// The 16 bytes immediately below every pointer that pushToHeap returns.
struct HeapAllocatedBlockHeader {
    u8* base; // start of the block taken from the free list (0 to 15 bytes below the header)
    u64 size; // bytes of that block, counted from base
};

} // namespace detail

struct MemoryStore {
    b8 initialized;
    buffer buf;
    detail::HeapFreeBlock* firstFreeBlock; // null when nothing is free
};

// Where a heap stood when its free memory was one block (or none), as a fresh heap's is and stays
// while it is only allocated from. Rolling back to it gives back, in constant time and leaving no
// hole, everything allocated since, provided nothing allocated before the mark was freed since.
struct HeapMark {
    detail::HeapFreeBlock* freeBlock; // null when nothing was free
    u64 size;
    b8 single; // the free memory was one block or none: a rollback is possible
};

struct MemoryBlock {
    void* ptr;
    msi size;
};

MemoryStore createHeapStore(buffer buf);
void resetHeapStore(MemoryStore* store);
// Every block a heap hands out costs its size and at most this much more: a 16-byte header and
// up to 15 bytes to reach 16-byte alignment.
constexpr msi heapBlockOverhead = 31;

void* pushToHeap(MemoryStore* store, msi size);
// As pushToHeap, but a request the store cannot serve returns null quietly, without the soft
// assertion: for a caller that copes with null and asks often on a full store.
void* tryPushToHeap(MemoryStore* store, msi size);
void* pushToHeap(MemoryStore* store, msi size, void* src);
void addFreeBlockToHeap(MemoryStore* store, void* base, u64 size);
b8 freeFromHeap(MemoryStore* store, void* location);
// The size of the largest free block, what one allocation can take with its overhead.
msi largestFreeBlock(MemoryStore* store);
HeapMark markHeap(MemoryStore* store);
// False, changing nothing, when the mark was taken while the free memory was in several blocks.
b8 rollBackHeap(MemoryStore* store, HeapMark mark);

buffer createBuffer(msi length, MemoryStore* store);
void freeBuffer(buffer* buf, MemoryStore* store);
b8 resizeBuffer(MemoryStore* store, buffer* buf, msi newLength);

b8 copyBuffer(buffer from, buffer to);
b8 copyBuffer(buffer from, buffer to, msi start, msi length);
b8 copyBuffer(buffer from, buffer to, msi startRead, msi startWrite, msi length);
void zeroBuffer(buffer buf);
void zeroSize(msi size, void* ptr);
b8 cmpBuffer(buffer a, buffer b);
b8 ptrInBuffer(buffer buf, void* ptr);

} // namespace ve
