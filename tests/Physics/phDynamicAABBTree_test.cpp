#include "Physics/broadphase/phDynamicAABBTree.h"
#include "Physics/common/phRender.h"
#include "phTestStore.h"

#include <gtest/gtest.h>

#include <math.h>
#include <random>
#include <set>
#include <vector>

namespace {

typedef phDynamicAABBTree::Node Node;

phAABB boxAt(const phVec3& center, const phVec3& half) { return phAABB{center - half, center + half}; }

phAABB randomBox(std::mt19937& rng, r32 worldSize) {
    std::uniform_real_distribution<float> pos(-worldSize, worldSize);
    std::uniform_real_distribution<float> size(0.1f, 2.0f);
    return boxAt(phVec3(pos(rng), pos(rng), pos(rng)), phVec3(size(rng), size(rng), size(rng)));
}

bool sameBox(const phAABB& a, const phAABB& b) {
    return a.min.x == b.min.x && a.min.y == b.min.y && a.min.z == b.min.z && a.max.x == b.max.x &&
           a.max.y == b.max.y && a.max.z == b.max.z;
}

// Checks every structural invariant below `index` and returns the number of leaves there.
int checkSubtree(const phDynamicAABBTree& tree, i32 index, i32 parent) {
    const Node& n = tree.m_nodes[index];
    EXPECT_EQ(n.parent, parent) << index;
    if (n.IsLeaf()) {
        EXPECT_EQ(n.height, 0) << index;
        EXPECT_EQ(n.left, Node::Null) << index;
        return 1;
    }
    EXPECT_EQ(n.userData, nullptr) << index;
    const Node& l = tree.m_nodes[n.left];
    const Node& r = tree.m_nodes[n.right];
    EXPECT_EQ(n.height, 1 + std::max(l.height, r.height)) << index;
    EXPECT_TRUE(n.aabb.Contains(l.aabb)) << index;
    EXPECT_TRUE(n.aabb.Contains(r.aabb)) << index;
    EXPECT_TRUE(sameBox(n.aabb, phCombine(l.aabb, r.aabb))) << index;
    return checkSubtree(tree, n.left, index) + checkSubtree(tree, n.right, index);
}

void checkTree(const phDynamicAABBTree& tree, int leafCount) {
    tree.Validate();
    if (leafCount == 0) {
        EXPECT_EQ(tree.m_root, Node::Null);
        EXPECT_EQ(tree.m_count, 0);
        return;
    }
    tree.ValidateStructure(tree.m_root);
    EXPECT_EQ(checkSubtree(tree, tree.m_root, Node::Null), leafCount);
    EXPECT_EQ(tree.m_count, 2 * leafCount - 1);
}

struct CollectingCallback {
    bool TreeCallBack(i32 id) {
        found.push_back(id);
        return int(found.size()) < stopAfter;
    }

    std::vector<i32> found;
    int stopAfter = 1 << 30;
};

// Slab test of the segment p0-p1 against the box, in double precision.
bool segmentTouchesBox(const phVec3& p0, const phVec3& p1, const phAABB& box) {
    double t0 = 0.0, t1 = 1.0;
    for (int i = 0; i < 3; ++i) {
        double d = double(p1[i]) - double(p0[i]);
        if (fabs(d) < 1e-12) {
            if (p0[i] < box.min[i] || p0[i] > box.max[i]) return false;
            continue;
        }
        double a = (double(box.min[i]) - p0[i]) / d;
        double b = (double(box.max[i]) - p0[i]) / d;
        if (a > b) std::swap(a, b);
        t0 = std::max(t0, a);
        t1 = std::min(t1, b);
        if (t0 > t1) return false;
    }
    return true;
}

} // namespace

using PhTree = PhysicsStoreTest;

TEST_F(PhTree, TheFirstLeafIsTheRootAndRemovingTheLastEmptiesTheTree) {
    phDynamicAABBTree tree;
    EXPECT_EQ(tree.m_root, Node::Null);
    EXPECT_EQ(tree.m_capacity, 1024);
    int owner = 0;
    i32 id = tree.Insert(boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)), &owner);
    EXPECT_EQ(tree.m_root, id);
    EXPECT_EQ(tree.m_nodes[id].parent, Node::Null);
    EXPECT_EQ(tree.GetUserData(id), &owner);
    EXPECT_TRUE(sameBox(tree.GetFatAABB(id), boxAt(phVec3(0, 0, 0), phVec3(1.5f, 1.5f, 1.5f))));
    tree.Remove(id);
    EXPECT_EQ(tree.m_root, Node::Null);
    checkTree(tree, 0);
}

TEST_F(PhTree, RandomInsertsRemovalsAndMovesKeepTheTreeSoundAndShallow) {
    phDynamicAABBTree tree;
    std::mt19937 rng(1234);
    std::vector<i32> live;
    std::vector<phAABB> boxes(8192);
    int maxHeightSeen = 0;

    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 150; ++i) {
            phAABB box = randomBox(rng, 100.0f);
            i32 id = tree.Insert(box, nullptr);
            boxes[id] = box;
            live.push_back(id);
        }
        std::shuffle(live.begin(), live.end(), rng);
        for (int i = 0; i < 60; ++i) {
            tree.Remove(live.back());
            live.pop_back();
        }
        std::uniform_real_distribution<float> step(-1.5f, 1.5f);
        for (i32 id : live) {
            phVec3 move(step(rng), step(rng), step(rng));
            phAABB moved{boxes[id].min + move, boxes[id].max + move};
            bool leavesFatBox = !tree.GetFatAABB(id).Contains(moved);
            EXPECT_EQ(tree.Update(id, moved), leavesFatBox);
            boxes[id] = moved;
            // The leaf's fat box always holds the current box.
            ASSERT_TRUE(tree.GetFatAABB(id).Contains(moved));
        }
        checkTree(tree, int(live.size()));
        int height = tree.m_nodes[tree.m_root].height;
        maxHeightSeen = std::max(maxHeightSeen, height);
        // Logarithmic: well within twice the height of a perfectly balanced tree.
        EXPECT_LE(height, 2 * int(ceil(log2(double(live.size())))) + 1) << live.size();
    }
    EXPECT_GT(maxHeightSeen, 0);
}

TEST_F(PhTree, AnUpdateInsideTheFatBoxChangesNothing) {
    phDynamicAABBTree tree;
    i32 a = tree.Insert(boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)), nullptr);
    tree.Insert(boxAt(phVec3(5, 0, 0), phVec3(1, 1, 1)), nullptr);
    phAABB fat = tree.GetFatAABB(a);
    // Equal bounds count as inside.
    EXPECT_FALSE(tree.Update(a, fat));
    EXPECT_FALSE(tree.Update(a, boxAt(phVec3(0.4f, -0.4f, 0), phVec3(1, 1, 1))));
    EXPECT_TRUE(sameBox(tree.GetFatAABB(a), fat));

    EXPECT_TRUE(tree.Update(a, boxAt(phVec3(0.6f, 0, 0), phVec3(1, 1, 1))));
    EXPECT_TRUE(sameBox(tree.GetFatAABB(a), boxAt(phVec3(0.6f, 0, 0), phVec3(1.5f, 1.5f, 1.5f))));
    checkTree(tree, 2);
}

TEST_F(PhTree, TheNodeThatOverflowsTheArrayDoublesItAndKeepsIds) {
    phDynamicAABBTree tree;
    std::mt19937 rng(5);
    std::vector<i32> ids;
    std::vector<int> owners(513);
    // 512 leaves use 1023 nodes; the 513th leaf needs nodes 1024 and 1025.
    for (int i = 0; i < 512; ++i) ids.push_back(tree.Insert(randomBox(rng, 50.0f), &owners[i]));
    EXPECT_EQ(tree.m_count, 1023);
    EXPECT_EQ(tree.m_capacity, 1024);
    std::vector<phAABB> fatBefore;
    for (i32 id : ids) fatBefore.push_back(tree.GetFatAABB(id));

    ids.push_back(tree.Insert(randomBox(rng, 50.0f), &owners[512]));
    EXPECT_EQ(tree.m_count, 1025);
    EXPECT_EQ(tree.m_capacity, 2048);
    for (int i = 0; i < 512; ++i) {
        EXPECT_EQ(tree.GetUserData(ids[i]), &owners[i]);
        EXPECT_TRUE(sameBox(tree.GetFatAABB(ids[i]), fatBefore[i]));
    }
    checkTree(tree, 513);
}

TEST_F(PhTree, FreedNodesAreReusedLastFreedFirst) {
    phDynamicAABBTree tree;
    tree.Insert(boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)), nullptr);
    i32 b = tree.Insert(boxAt(phVec3(9, 0, 0), phVec3(1, 1, 1)), nullptr);
    tree.Insert(boxAt(phVec3(-9, 0, 0), phVec3(1, 1, 1)), nullptr);
    i32 parentOfB = tree.m_nodes[b].parent;
    tree.Remove(b);
    // The removal freed b's parent, then b itself: b comes back first, then the parent.
    EXPECT_EQ(tree.m_freeList, b);
    EXPECT_EQ(tree.m_nodes[b].next, parentOfB);
    EXPECT_EQ(tree.m_nodes[b].height, -1);
    i32 d = tree.Insert(boxAt(phVec3(20, 0, 0), phVec3(1, 1, 1)), nullptr);
    EXPECT_EQ(d, b);
    EXPECT_EQ(tree.m_nodes[d].parent, parentOfB);
    checkTree(tree, 3);
}

TEST_F(PhTree, EqualDescentCostsGoRight) {
    phDynamicAABBTree tree;
    i32 left = tree.Insert(boxAt(phVec3(-10, 0, 0), phVec3(1, 1, 1)), nullptr);
    i32 right = tree.Insert(boxAt(phVec3(10, 0, 0), phVec3(1, 1, 1)), nullptr);
    i32 root = tree.m_root;
    ASSERT_EQ(tree.m_nodes[root].left, left);
    ASSERT_EQ(tree.m_nodes[root].right, right);

    // Halfway between the two: both children cost the same.
    i32 middle = tree.Insert(boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)), nullptr);
    i32 parent = tree.m_nodes[middle].parent;
    EXPECT_EQ(tree.m_nodes[parent].left, right);
    EXPECT_EQ(tree.m_nodes[parent].right, middle);
    EXPECT_EQ(tree.m_nodes[parent].parent, root);
    checkTree(tree, 3);
}

TEST_F(PhTree, AFarAwayLeafBecomesTheSiblingOfTheWholeTree) {
    phDynamicAABBTree tree;
    tree.Insert(boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)), nullptr);
    tree.Insert(boxAt(phVec3(3, 0, 0), phVec3(1, 1, 1)), nullptr);
    i32 oldRoot = tree.m_root;
    i32 far = tree.Insert(boxAt(phVec3(1000, 0, 0), phVec3(1, 1, 1)), nullptr);
    EXPECT_EQ(tree.m_nodes[tree.m_root].left, oldRoot);
    EXPECT_EQ(tree.m_nodes[tree.m_root].right, far);
}

TEST_F(PhTree, QueryReportsExactlyTheOverlappingLeaves) {
    phDynamicAABBTree tree;
    std::mt19937 rng(99);
    std::vector<phAABB> fat;
    for (int i = 0; i < 500; ++i) {
        i32 id = tree.Insert(randomBox(rng, 30.0f), nullptr);
        if (int(fat.size()) <= id) fat.resize(id + 1);
        fat[id] = tree.GetFatAABB(id);
    }
    for (int q = 0; q < 200; ++q) {
        phAABB query = randomBox(rng, 30.0f);
        CollectingCallback cb;
        tree.Query(&cb, query);
        std::set<i32> got(cb.found.begin(), cb.found.end());
        EXPECT_EQ(got.size(), cb.found.size());
        std::set<i32> expected;
        for (int id = 0; id < int(fat.size()); ++id) {
            if (tree.m_nodes[id].height == 0 && phAABBtoAABB(query, fat[id])) expected.insert(id);
        }
        EXPECT_EQ(got, expected);
    }
}

TEST_F(PhTree, AQueryStopsWhenTheCallbackSaysSoAndAnEmptyTreeReportsNothing) {
    phDynamicAABBTree tree;
    CollectingCallback empty;
    tree.Query(&empty, boxAt(phVec3(0, 0, 0), phVec3(100, 100, 100)));
    EXPECT_TRUE(empty.found.empty());

    for (int i = 0; i < 10; ++i) tree.Insert(boxAt(phVec3(r32(i), 0, 0), phVec3(1, 1, 1)), nullptr);
    CollectingCallback stopping;
    stopping.stopAfter = 3;
    tree.Query(&stopping, boxAt(phVec3(5, 0, 0), phVec3(100, 100, 100)));
    EXPECT_EQ(stopping.found.size(), 3u);
}

TEST_F(PhTree, RayQueryReportsEveryLeafTheSegmentCrosses) {
    phDynamicAABBTree tree;
    std::mt19937 rng(77);
    std::vector<i32> ids;
    for (int i = 0; i < 300; ++i) ids.push_back(tree.Insert(randomBox(rng, 20.0f), nullptr));

    std::uniform_real_distribution<float> pos(-25.0f, 25.0f);
    for (int q = 0; q < 300; ++q) {
        phRaycastData ray;
        ray.start.Set(pos(rng), pos(rng), pos(rng));
        phVec3 to(pos(rng), pos(rng), pos(rng));
        // Some rays run exactly along an axis.
        if (q % 4 == 0) to.Set(to.x, ray.start.y, ray.start.z);
        ray.dir = phNormalize(to - ray.start);
        ray.t = phLength(to - ray.start);
        CollectingCallback cb;
        tree.Query(&cb, ray);
        std::set<i32> got(cb.found.begin(), cb.found.end());
        phVec3 end = ray.start + ray.dir * ray.t;
        for (i32 id : ids) {
            // Conservative: a crossed leaf is never missed; a reported one is at least near.
            if (segmentTouchesBox(ray.start, end, tree.GetFatAABB(id))) {
                EXPECT_TRUE(got.count(id)) << q << " " << id;
            }
        }
        for (i32 id : got) {
            phAABB grown = tree.GetFatAABB(id);
            grown.min -= phVec3(0.01f, 0.01f, 0.01f);
            grown.max += phVec3(0.01f, 0.01f, 0.01f);
            EXPECT_TRUE(segmentTouchesBox(ray.start, end, grown)) << q << " " << id;
        }
    }
}

namespace {

struct LineCounter : phRender {
    void SetPenColor(r32 r, r32 g, r32 b, r32 a) override { color = phVec3(r, g, b), alpha = a; }
    void SetPenPosition(r32 x, r32 y, r32 z) override { pen.Set(x, y, z); }
    void SetScale(r32, r32, r32) override {}
    void Line(r32 x, r32 y, r32 z) override {
        // Every edge of a box runs along one axis.
        int changed = (x != pen.x) + (y != pen.y) + (z != pen.z);
        EXPECT_EQ(changed, 1);
        ++lines;
    }
    void SetTriNormal(r32, r32, r32) override {}
    void Triangle(r32, r32, r32, r32, r32, r32, r32, r32, r32) override {}
    void Point() override {}

    phVec3 pen{0, 0, 0};
    phVec3 color{0, 0, 0};
    r32 alpha = 0;
    int lines = 0;
};

} // namespace

TEST_F(PhTree, RenderDrawsTwelveEdgesPerNode) {
    phDynamicAABBTree tree;
    LineCounter empty;
    tree.Render(&empty);
    EXPECT_EQ(empty.lines, 0);

    for (int i = 0; i < 5; ++i) tree.Insert(boxAt(phVec3(r32(3 * i), 0, 0), phVec3(1, 1, 1)), nullptr);
    LineCounter counter;
    tree.Render(&counter);
    EXPECT_EQ(counter.lines, 12 * 9);
    EXPECT_EQ(counter.color.x, 1.0f);
    EXPECT_EQ(counter.color.y, 0.5f);
    EXPECT_EQ(counter.alpha, 1.0f);
}

using PhTreeDeathTest = PhysicsStoreTest;

TEST_F(PhTreeDeathTest, UnknownOrInternalIdsStop) {
    EXPECT_DEATH(
        {
            phDynamicAABBTree tree;
            tree.Remove(1024);
        },
        PH_ASSERTION_TEXT("id >= 0 && id < m_capacity"));
    EXPECT_DEATH(
        {
            phDynamicAABBTree tree;
            tree.Insert(boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)), nullptr);
            tree.Insert(boxAt(phVec3(5, 0, 0), phVec3(1, 1, 1)), nullptr);
            tree.Update(tree.m_root, boxAt(phVec3(0, 0, 0), phVec3(1, 1, 1)));
        },
        PH_ASSERTION_TEXT("m_nodes\\[ id \\]\\.IsLeaf\\( \\)"));
}
