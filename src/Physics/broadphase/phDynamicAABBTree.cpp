#include "Physics/broadphase/phDynamicAABBTree.h"

#include "Physics/common/phMemory.h"
#include "Physics/common/phRender.h"

#include <string.h>

phDynamicAABBTree::phDynamicAABBTree() {
    m_root = Node::Null;
    m_capacity = phk_treeInitialCapacity;
    m_count = 0;
    m_nodes = (Node*)phAlloc(i32(sizeof(Node)) * m_capacity);
    AddToFreeList(0);
}

phDynamicAABBTree::~phDynamicAABBTree() { phFree(m_nodes); }

// ---------------------------------------------------------------------------------------------
// Proxies
// ---------------------------------------------------------------------------------------------

i32 phDynamicAABBTree::Insert(const phAABB& aabb, void* userData) {
    // A leaf takes two nodes, itself and the parent it gets below its sibling; both are made room
    // for first, so that a full physics store refuses the proxy rather than half inserting it.
    if (m_count + 2 > m_capacity && !Grow()) return Node::Null;
    i32 id = AllocateNode();
    Node* node = m_nodes + id;
    node->aabb = aabb;
    FattenAABB(node->aabb);
    node->userData = userData;
    node->height = 0;
    InsertLeaf(id);
    return id;
}

void phDynamicAABBTree::Remove(i32 id) {
    phAssert(id >= 0 && id < m_capacity);
    phAssert(m_nodes[ id ].IsLeaf( ));
    RemoveLeaf(id);
    DeallocateNode(id);
}

bool phDynamicAABBTree::Update(i32 id, const phAABB& aabb) {
    phAssert(id >= 0 && id < m_capacity);
    phAssert(m_nodes[ id ].IsLeaf( ));
    if (m_nodes[id].aabb.Contains(aabb)) return false;
    RemoveLeaf(id);
    m_nodes[id].aabb = aabb;
    FattenAABB(m_nodes[id].aabb);
    InsertLeaf(id);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Node pool
// ---------------------------------------------------------------------------------------------

void phDynamicAABBTree::AddToFreeList(i32 index) {
    for (i32 i = index; i < m_capacity - 1; ++i) {
        m_nodes[i].next = i + 1;
        m_nodes[i].height = -1;
    }
    m_nodes[m_capacity - 1].next = Node::Null;
    m_nodes[m_capacity - 1].height = -1;
    m_freeList = index;
}

bool phDynamicAABBTree::Grow() {
    // Grown only with at most one node free: the nodes keep their ids, and the new ones are
    // chained behind the one free node, if any, so that it is still handed out first.
    i32 oldCapacity = m_capacity;
    Node* grown = (Node*)phAlloc(i32(sizeof(Node)) * oldCapacity * 2);
    if (!grown) return false;
    memcpy(grown, m_nodes, sizeof(Node) * size_t(oldCapacity));
    phFree(m_nodes);
    m_nodes = grown;
    m_capacity = oldCapacity * 2;
    i32 oldFree = m_freeList;
    AddToFreeList(oldCapacity);
    if (oldFree != Node::Null) {
        m_nodes[oldFree].next = oldCapacity;
        m_freeList = oldFree;
    }
    return true;
}

i32 phDynamicAABBTree::AllocateNode() {
    if (m_freeList == Node::Null) {
        bool grown = Grow();
        phAssert(grown);
    }
    i32 index = m_freeList;
    Node* node = m_nodes + index;
    m_freeList = node->next;
    node->height = 0;
    node->left = Node::Null;
    node->right = Node::Null;
    node->parent = Node::Null;
    node->userData = nullptr;
    ++m_count;
    return index;
}

void phDynamicAABBTree::DeallocateNode(i32 index) {
    phAssert(index >= 0 && index < m_capacity);
    m_nodes[index].next = m_freeList;
    m_nodes[index].height = -1;
    m_freeList = index;
    --m_count;
}

// ---------------------------------------------------------------------------------------------
// Structure
// ---------------------------------------------------------------------------------------------

// The child link of `parent` that names `oldChild` now names `newChild`; with no parent,
// `newChild` becomes the root.
static void phReplaceChild(phDynamicAABBTree* tree, i32 parent, i32 oldChild, i32 newChild) {
    if (parent == phDynamicAABBTree::Node::Null) {
        tree->m_root = newChild;
        return;
    }
    phDynamicAABBTree::Node* p = tree->m_nodes + parent;
    if (p->left == oldChild)
        p->left = newChild;
    else
        p->right = newChild;
}

void phDynamicAABBTree::InsertLeaf(i32 id) {
    if (m_root == Node::Null) {
        m_root = id;
        m_nodes[id].parent = Node::Null;
        return;
    }

    // Descend while one child is cheaper than making a new parent right here. The cost of a
    // choice is the surface area it adds to the tree.
    phAABB leafBox = m_nodes[id].aabb;
    i32 search = m_root;
    while (!m_nodes[search].IsLeaf()) {
        const Node* node = m_nodes + search;
        r32 combinedArea = phCombine(leafBox, node->aabb).SurfaceArea();
        r32 branchCost = r32(2.0) * combinedArea;
        r32 inheritedCost = r32(2.0) * (combinedArea - node->aabb.SurfaceArea());

        r32 descentCost[2];
        i32 children[2] = {node->left, node->right};
        for (i32 i = 0; i < 2; ++i) {
            const Node* child = m_nodes + children[i];
            r32 cost = phCombine(leafBox, child->aabb).SurfaceArea() + inheritedCost;
            if (!child->IsLeaf()) cost -= child->aabb.SurfaceArea();
            descentCost[i] = cost;
        }

        if (descentCost[0] > branchCost && descentCost[1] > branchCost) break;
        // A tie goes right.
        search = descentCost[1] > descentCost[0] ? node->left : node->right;
    }

    i32 sibling = search;
    i32 oldParent = m_nodes[sibling].parent;
    i32 newParent = AllocateNode();
    Node* p = m_nodes + newParent;
    p->parent = oldParent;
    p->userData = nullptr;
    p->aabb = phCombine(leafBox, m_nodes[sibling].aabb);
    p->height = m_nodes[sibling].height + 1;
    phReplaceChild(this, oldParent, sibling, newParent);
    p->left = sibling;
    p->right = id;
    m_nodes[sibling].parent = newParent;
    m_nodes[id].parent = newParent;

    SyncHeirarchy(m_nodes[id].parent);
}

void phDynamicAABBTree::RemoveLeaf(i32 id) {
    if (id == m_root) {
        m_root = Node::Null;
        return;
    }

    i32 parent = m_nodes[id].parent;
    i32 grandParent = m_nodes[parent].parent;
    i32 sibling = m_nodes[parent].left == id ? m_nodes[parent].right : m_nodes[parent].left;

    phReplaceChild(this, grandParent, parent, sibling);
    m_nodes[sibling].parent = grandParent;
    DeallocateNode(parent);
    SyncHeirarchy(grandParent);
}

void phDynamicAABBTree::SyncHeirarchy(i32 index) {
    while (index != Node::Null) {
        index = Balance(index);
        Node* node = m_nodes + index;
        const Node* left = m_nodes + node->left;
        const Node* right = m_nodes + node->right;
        node->height = 1 + phMax(left->height, right->height);
        node->aabb = phCombine(left->aabb, right->aabb);
        index = node->parent;
    }
}

// One rotation at A when its children's heights differ by more than one: the taller child C (or
// B) takes A's place, A takes the taller grandchild's sibling slot. Returns the node now at A's
// place.
i32 phDynamicAABBTree::Balance(i32 iA) {
    Node* A = m_nodes + iA;
    if (A->IsLeaf() || A->height < 2) return iA;

    i32 iB = A->left;
    i32 iC = A->right;
    Node* B = m_nodes + iB;
    Node* C = m_nodes + iC;
    i32 balance = C->height - B->height;

    if (balance > 1) {
        i32 iF = C->left;
        i32 iG = C->right;
        Node* F = m_nodes + iF;
        Node* G = m_nodes + iG;
        phReplaceChild(this, A->parent, iA, iC);
        C->left = iA;
        C->parent = A->parent;
        A->parent = iC;
        if (F->height > G->height) {
            C->right = iF;
            A->right = iG;
            G->parent = iA;
            A->aabb = phCombine(B->aabb, G->aabb);
            C->aabb = phCombine(A->aabb, F->aabb);
            A->height = 1 + phMax(B->height, G->height);
            C->height = 1 + phMax(A->height, F->height);
        } else {
            C->right = iG;
            A->right = iF;
            F->parent = iA;
            A->aabb = phCombine(B->aabb, F->aabb);
            C->aabb = phCombine(A->aabb, G->aabb);
            A->height = 1 + phMax(B->height, F->height);
            C->height = 1 + phMax(A->height, G->height);
        }
        return iC;
    }

    if (balance < -1) {
        i32 iD = B->left;
        i32 iE = B->right;
        Node* D = m_nodes + iD;
        Node* E = m_nodes + iE;
        phReplaceChild(this, A->parent, iA, iB);
        B->right = iA;
        B->parent = A->parent;
        A->parent = iB;
        if (D->height > E->height) {
            B->left = iD;
            A->left = iE;
            E->parent = iA;
            A->aabb = phCombine(C->aabb, E->aabb);
            B->aabb = phCombine(A->aabb, D->aabb);
            A->height = 1 + phMax(C->height, E->height);
            B->height = 1 + phMax(A->height, D->height);
        } else {
            B->left = iE;
            A->left = iD;
            D->parent = iA;
            A->aabb = phCombine(C->aabb, D->aabb);
            B->aabb = phCombine(A->aabb, E->aabb);
            A->height = 1 + phMax(C->height, D->height);
            B->height = 1 + phMax(A->height, E->height);
        }
        return iB;
    }

    return iA;
}

// ---------------------------------------------------------------------------------------------
// Checks and drawing
// ---------------------------------------------------------------------------------------------

void phDynamicAABBTree::Validate() const {
    i32 freeNodes = 0;
    i32 index = m_freeList;
    while (index != Node::Null) {
        phAssert(index >= 0 && index < m_capacity);
        index = m_nodes[index].next;
        ++freeNodes;
    }
    phAssert(m_count + freeNodes == m_capacity);
    if (m_root != Node::Null) phAssert(m_nodes[m_root].parent == Node::Null);
}

void phDynamicAABBTree::ValidateStructure(i32 index) const {
    const Node* n = m_nodes + index;
    if (n->IsLeaf()) {
        phAssert(n->right == Node::Null);
        phAssert(n->height == 0);
        return;
    }
    phAssert(n->left >= 0 && n->left < m_capacity);
    phAssert(n->right >= 0 && n->right < m_capacity);
    phAssert(m_nodes[n->left].parent == index);
    phAssert(m_nodes[n->right].parent == index);
    ValidateStructure(n->left);
    ValidateStructure(n->right);
}

void phDynamicAABBTree::Render(phRender* render) const {
    if (m_root == Node::Null) return;
    render->SetPenColor(r32(1.0), r32(0.5), r32(0.5), r32(1.0));
    RenderNode(render, m_root);
}

void phDynamicAABBTree::RenderNode(phRender* render, i32 index) const {
    phAssert(index >= 0 && index < m_capacity);
    const Node* n = m_nodes + index;
    const phVec3& lo = n->aabb.min;
    const phVec3& hi = n->aabb.max;

    // Four edges along x, then the four along y and the four along z, each from the low face.
    for (i32 axis = 0; axis < 3; ++axis) {
        i32 u = (axis + 1) % 3;
        i32 v = (axis + 2) % 3;
        for (i32 corner = 0; corner < 4; ++corner) {
            phVec3 from = lo;
            from[u] = (corner & 1) ? hi[u] : lo[u];
            from[v] = (corner & 2) ? hi[v] : lo[v];
            phVec3 to = from;
            to[axis] = hi[axis];
            render->SetPenPosition(from.x, from.y, from.z);
            render->Line(to.x, to.y, to.z);
        }
    }

    if (n->IsLeaf()) return;
    RenderNode(render, n->left);
    RenderNode(render, n->right);
}
