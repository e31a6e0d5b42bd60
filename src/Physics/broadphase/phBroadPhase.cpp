#include "Physics/broadphase/phBroadPhase.h"

#include "Physics/collision/phBox.h"
#include "Physics/common/phMemory.h"
#include "Physics/dynamics/phContactManager.h"

#include <algorithm>
#include <string.h>

bool ContactPairSort(const phContactPair& lhs, const phContactPair& rhs) {
    if (lhs.A < rhs.A) return true;
    if (lhs.A == rhs.A) return lhs.B < rhs.B;
    return false;
}

phBroadPhase::phBroadPhase(phContactManager* manager)
    : m_manager(manager), m_pairBuffer((phContactPair*)phAlloc(i32(sizeof(phContactPair)) * phk_broadPhaseInitialCapacity)),
      m_pairCount(0), m_pairCapacity(phk_broadPhaseInitialCapacity),
      m_moveBuffer((i32*)phAlloc(i32(sizeof(i32)) * phk_broadPhaseInitialCapacity)), m_moveCount(0),
      m_moveCapacity(phk_broadPhaseInitialCapacity), m_currentIndex(phDynamicAABBTree::Node::Null) {}

phBroadPhase::~phBroadPhase() {
    phFree(m_moveBuffer);
    phFree(m_pairBuffer);
}

// Doubles a flat array of `count` live elements of `elementSize` bytes. False, with the array and
// its capacity unchanged, when the physics store has no room.
static bool phGrowBuffer(void** buffer, i32 count, i32* capacity, i32 elementSize) {
    void* grown = phAlloc(elementSize * *capacity * 2);
    if (!grown) return false;
    memcpy(grown, *buffer, size_t(elementSize) * size_t(count));
    phFree(*buffer);
    *buffer = grown;
    *capacity *= 2;
    return true;
}

bool phBroadPhase::InsertBox(phBox* box, const phAABB& aabb) {
    i32 id = m_tree.Insert(aabb, box);
    box->broadPhaseIndex = id;
    if (id == phDynamicAABBTree::Node::Null) return false;
    if (BufferMove(id)) return true;
    // A proxy whose move is not buffered would never find its pairs: the box is refused whole.
    m_tree.Remove(id);
    box->broadPhaseIndex = phDynamicAABBTree::Node::Null;
    return false;
}

void phBroadPhase::RemoveBox(const phBox* box) {
    i32 id = box->broadPhaseIndex;
    for (i32 i = 0; i < m_moveCount; ++i) {
        if (m_moveBuffer[i] == id) m_moveBuffer[i] = phDynamicAABBTree::Node::Null;
    }
    m_tree.Remove(id);
}

void phBroadPhase::Update(i32 id, const phAABB& aabb) {
    // Without room the move is dropped: the proxy finds its new pairs when it next moves.
    if (m_tree.Update(id, aabb) && !BufferMove(id)) NoteWithoutRoom(id, id);
}

bool phBroadPhase::GrowPairBuffer(i32 index) {
    if (phGrowBuffer((void**)&m_pairBuffer, m_pairCount, &m_pairCapacity, i32(sizeof(phContactPair)))) return true;
    // Asked again from this proxy in the next pair update, when its move finds room.
    BufferMove(m_currentIndex);
    NoteWithoutRoom(m_currentIndex, index);
    return false;
}

void phBroadPhase::NoteWithoutRoom(i32 A, i32 B) {
    m_manager->NoteWithoutRoom(((phBox*)m_tree.GetUserData(A))->body, ((phBox*)m_tree.GetUserData(B))->body);
}

bool phBroadPhase::TestOverlap(i32 A, i32 B) const {
    return phAABBtoAABB(m_tree.GetFatAABB(A), m_tree.GetFatAABB(B));
}

bool phBroadPhase::BufferMove(i32 id) {
    if (m_moveCount == m_moveCapacity &&
        !phGrowBuffer((void**)&m_moveBuffer, m_moveCount, &m_moveCapacity, i32(sizeof(i32))))
        return false;
    m_moveBuffer[m_moveCount++] = id;
    return true;
}

bool phBroadPhase::TreeCallBack(i32 index) {
    // A proxy does not pair with itself.
    if (index == m_currentIndex) return true;
    // Without room the query ends: the pairs found so far are reported.
    if (m_pairCount == m_pairCapacity && !GrowPairBuffer(index)) return false;
    phContactPair* pair = m_pairBuffer + m_pairCount++;
    pair->A = phMin(index, m_currentIndex);
    pair->B = phMax(index, m_currentIndex);
    return true;
}

void phBroadPhase::UpdatePairs() {
    m_pairCount = 0;
    for (i32 i = 0; i < m_moveCount; ++i) {
        m_currentIndex = m_moveBuffer[i];
        // Removed since it was buffered.
        if (m_currentIndex == phDynamicAABBTree::Node::Null) continue;
        phAABB fatBox = m_tree.GetFatAABB(m_currentIndex);
        m_tree.Query(this, fatBox);
    }
    m_moveCount = 0;

    // Sorted, equal pairs (both proxies moved, or one moved twice) stand next to each other and
    // are reported once.
    std::sort(m_pairBuffer, m_pairBuffer + m_pairCount, ContactPairSort);
    i32 i = 0;
    while (i < m_pairCount) {
        const phContactPair* pair = m_pairBuffer + i;
        m_manager->AddContact((phBox*)m_tree.GetUserData(pair->A), (phBox*)m_tree.GetUserData(pair->B));
        ++i;
        while (i < m_pairCount && m_pairBuffer[i].A == pair->A && m_pairBuffer[i].B == pair->B) ++i;
    }

    m_tree.Validate();
}
