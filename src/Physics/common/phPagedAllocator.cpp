#include "Physics/common/phPagedAllocator.h"

#include "Physics/common/phMemory.h"

phPagedAllocator::phPagedAllocator(i32 elementSize, i32 elementsPerPage)
    : m_blockSize(elementSize), m_blocksPerPage(elementsPerPage), m_pages(nullptr), m_pageCount(0),
      m_freeList(nullptr) {
    // Every block must hold the free-list link while it is free.
    phAssert(elementSize >= i32(sizeof(phBlock)) && elementsPerPage > 0);
}

phPagedAllocator::~phPagedAllocator() { Clear(); }

bool phPagedAllocator::AddPage() {
    phPage* page = (phPage*)phAlloc(i32(sizeof(phPage)) + m_blockSize * m_blocksPerPage);
    if (!page) return false;
    ++m_pageCount;
    page->next = m_pages;
    page->data = (phBlock*)(page + 1);
    m_pages = page;

    // Chain the page's blocks in address order, ahead of the blocks already free.
    u8* first = (u8*)page->data;
    for (i32 i = 0; i < m_blocksPerPage - 1; ++i) {
        phBlock* block = (phBlock*)(first + m_blockSize * i);
        block->next = (phBlock*)(first + m_blockSize * (i + 1));
    }
    ((phBlock*)(first + m_blockSize * (m_blocksPerPage - 1)))->next = m_freeList;
    m_freeList = page->data;
    return true;
}

void* phPagedAllocator::Allocate() {
    if (!m_freeList && !AddPage()) return nullptr;
    phBlock* block = m_freeList;
    m_freeList = block->next;
    return block;
}

void phPagedAllocator::Free(void* data) {
    phBlock* block = (phBlock*)data;
    block->next = m_freeList;
    m_freeList = block;
}

void phPagedAllocator::Clear() {
    phPage* page = m_pages;
    for (i32 i = 0; i < m_pageCount; ++i) {
        phPage* next = page->next;
        phFree(page);
        page = next;
    }
    m_pages = nullptr;
    m_pageCount = 0;
    m_freeList = nullptr;
}
