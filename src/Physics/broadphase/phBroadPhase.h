#pragma once
// The broad phase: one fat box per box collider in a dynamic AABB tree. The proxies inserted or
// moved since the last pair update are buffered; a pair update queries the tree with each of them
// and hands every distinct overlapping pair, once, to the contact manager.

#include "Physics/broadphase/phDynamicAABBTree.h"

class phBox;
class phContactManager;

// Initial room of the pair and move buffers; both double when full.
const i32 phk_broadPhaseInitialCapacity = 64;

// Two proxy ids, A the smaller.
struct phContactPair {
    i32 A;
    i32 B;
};

// Orders pairs by A, then by B.
bool ContactPairSort(const phContactPair& lhs, const phContactPair& rhs);

class phBroadPhase {
public:
    explicit phBroadPhase(phContactManager* manager);
    ~phBroadPhase();

    // False, with no proxy, when the tree or the move buffer cannot grow.
    bool InsertBox(phBox* box, const phAABB& aabb);
    // Removes the proxy and drops it from the move buffer, so that the next pair update never
    // queries the freed node (or a node handed out again in the meantime).
    void RemoveBox(const phBox* box);
    // `aabb` is the box's current world box; a move is buffered only when it left its fat box.
    void Update(i32 id, const phAABB& aabb);
    bool TestOverlap(i32 A, i32 B) const;

    void UpdatePairs();

    // The tree's query callback during a pair update.
    bool TreeCallBack(i32 index);

    phContactManager* m_manager;

    phContactPair* m_pairBuffer;
    i32 m_pairCount;
    i32 m_pairCapacity;

    // Proxy ids in the order of their events; an id may stand here several times.
    i32* m_moveBuffer;
    i32 m_moveCount;
    i32 m_moveCapacity;

    phDynamicAABBTree m_tree;
    // The proxy whose query is running during a pair update.
    i32 m_currentIndex;

    // Buffers a move of the proxy, so that the next pair update pairs it anew; false when the
    // buffer is full and cannot grow.
    bool BufferMove(i32 id);

private:
    // Doubles the full pair buffer for the pair of the running query with `index`; false, with
    // that pair told to have no room, when the physics store cannot hold the larger buffer.
    bool GrowPairBuffer(i32 index);
    // A pair of the two proxies (or a move of one, given twice) found no room: told to the
    // contact manager with the proxies' bodies.
    void NoteWithoutRoom(i32 A, i32 B);
};
