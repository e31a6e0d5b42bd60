#pragma once
// A balanced binary tree of axis-aligned boxes whose leaves are the broad phase's proxies. Nodes
// live in one array and are addressed by index; a proxy id is the index of its leaf and stays the
// same for the proxy's whole life. Leaves hold "fat" boxes (enlarged by phk_aabbMargin) so that a
// box moving a little stays in its leaf. Insertion picks a sibling by the surface-area cost and
// every node on the path back to the root is rebalanced by at most one rotation.

#include "Physics/common/phGeometry.h"

class phRender;

// Node array room at construction; it doubles when full.
const i32 phk_treeInitialCapacity = 1024;

class phDynamicAABBTree {
public:
    struct Node {
        static constexpr i32 Null = -1;

        bool IsLeaf() const { return right == Null; }

        // Leaf: the proxy's fat box. Internal node: the union of its children's boxes.
        phAABB aabb;
        union {
            i32 parent;
            // While the node is on the free list.
            i32 next;
        };
        i32 left;
        i32 right;
        // The proxy's owner (a phBox) in a leaf, null in an internal node.
        void* userData;
        // 0 for a leaf, 1 + the larger child height inside, -1 on the free list.
        i32 height;
    };

    // Explicit traversal stack of the queries.
    static constexpr i32 k_stackCapacity = 256;

    phDynamicAABBTree();
    ~phDynamicAABBTree();

    // Stores `aabb` fattened; returns the proxy id.
    i32 Insert(const phAABB& aabb, void* userData);
    void Remove(i32 id);
    // False, and nothing changed, while the stored fat box still contains `aabb`.
    bool Update(i32 id, const phAABB& aabb);

    void* GetUserData(i32 id) const {
        phAssert(id >= 0 && id < m_capacity);
        return m_nodes[id].userData;
    }
    const phAABB& GetFatAABB(i32 id) const {
        phAssert(id >= 0 && id < m_capacity);
        return m_nodes[id].aabb;
    }

    // Calls cb->TreeCallBack(id) for every leaf whose fat box overlaps `aabb`; a false result
    // ends the walk.
    template <typename T>
    void Query(T* cb, const phAABB& aabb) const;
    // Calls cb->TreeCallBack(id) for every leaf whose fat box the segment from rayCast.start to
    // rayCast.start + rayCast.dir * rayCast.t may cross; a false result ends the walk. The segment
    // is read afresh at every node, so a callback that shortens `t` prunes the rest of the walk.
    template <typename T>
    void Query(T* cb, const phRaycastData& rayCast) const;

    // Free-list and root checks run after every pair update.
    void Validate() const;
    // Recursive check of parent links and leaf shape below `index`.
    void ValidateStructure(i32 index) const;
    void Render(phRender* render) const;

    i32 m_root;
    Node* m_nodes;
    i32 m_count;
    i32 m_capacity;
    i32 m_freeList;

private:
    // Depth-first walk from the root over the nodes whose box passes `overlaps`.
    template <typename T, typename Overlaps>
    void Walk(T* cb, Overlaps overlaps) const;

    i32 AllocateNode();
    // Doubles the node array; false, with the tree unchanged, when the physics store has no room.
    bool Grow();
    void DeallocateNode(i32 index);
    void AddToFreeList(i32 index);
    void InsertLeaf(i32 id);
    void RemoveLeaf(i32 id);
    void SyncHeirarchy(i32 index);
    i32 Balance(i32 index);
    void RenderNode(phRender* render, i32 index) const;
};

// Segment against box by separating axes: the three box axes, then the cross products of the
// segment with them (padded by 1e-6 so that an axis-parallel segment is not lost to rounding).
inline bool phSegmentMayCrossAABB(const phVec3& p0, const phVec3& p1, const phAABB& aabb) {
    phVec3 e = aabb.max - aabb.min;
    phVec3 d = p1 - p0;
    phVec3 m = p0 + p1 - aabb.min - aabb.max;
    phVec3 absD = phAbs(d);
    if (phAbs(m.x) > e.x + absD.x) return false;
    if (phAbs(m.y) > e.y + absD.y) return false;
    if (phAbs(m.z) > e.z + absD.z) return false;
    absD += phVec3(r32(1.0e-6), r32(1.0e-6), r32(1.0e-6));
    if (phAbs(m.y * d.z - m.z * d.y) > e.y * absD.z + e.z * absD.y) return false;
    if (phAbs(m.z * d.x - m.x * d.z) > e.x * absD.z + e.z * absD.x) return false;
    if (phAbs(m.x * d.y - m.y * d.x) > e.x * absD.y + e.y * absD.x) return false;
    return true;
}

template <typename T, typename Overlaps>
void phDynamicAABBTree::Walk(T* cb, Overlaps overlaps) const {
    if (m_root == Node::Null) return;
    i32 stack[k_stackCapacity];
    i32 sp = 1;
    stack[0] = m_root;
    while (sp) {
        phAssert(sp < k_stackCapacity);
        i32 id = stack[--sp];
        if (id == Node::Null) continue;
        const Node* n = m_nodes + id;
        if (!overlaps(n->aabb)) continue;
        if (n->IsLeaf()) {
            if (!cb->TreeCallBack(id)) return;
            continue;
        }
        // The right child is pushed last and so visited first.
        stack[sp++] = n->left;
        stack[sp++] = n->right;
    }
}

template <typename T>
void phDynamicAABBTree::Query(T* cb, const phAABB& aabb) const {
    Walk(cb, [&aabb](const phAABB& nodeBox) { return phAABBtoAABB(aabb, nodeBox); });
}

template <typename T>
void phDynamicAABBTree::Query(T* cb, const phRaycastData& rayCast) const {
    Walk(cb, [&rayCast](const phAABB& nodeBox) {
        return phSegmentMayCrossAABB(rayCast.start, rayCast.start + rayCast.dir * rayCast.t, nodeBox);
    });
}
