#include "phScenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

typedef std::pair<i32, i32> IdPair;

IdPair orderedPair(i32 a, i32 b) { return a < b ? IdPair(a, b) : IdPair(b, a); }

// Every constraint of the contact manager as the proxy ids of its two boxes, counted.
std::map<IdPair, int> contactPairs(const phScene& scene) {
    std::map<IdPair, int> pairs;
    for (phContactConstraint* c = scene.m_contactManager.m_contactList; c; c = c->next) {
        EXPECT_LT(c->A->broadPhaseIndex, c->B->broadPhaseIndex);
        ++pairs[IdPair(c->A->broadPhaseIndex, c->B->broadPhaseIndex)];
    }
    return pairs;
}

std::set<IdPair> keysOf(const std::map<IdPair, int>& counted) {
    std::set<IdPair> keys;
    for (const auto& entry : counted) {
        EXPECT_EQ(entry.second, 1) << entry.first.first << "," << entry.first.second;
        keys.insert(entry.first);
    }
    return keys;
}

} // namespace

class PhBroadPhase : public PhysicsSceneTest {
protected:
    // The boxes of every live body, one per body.
    std::vector<phBox*> liveBoxes() {
        std::vector<phBox*> boxes;
        for (phBody* b = scene->m_bodyList; b; b = b->m_next) boxes.push_back(b->m_boxes);
        return boxes;
    }

    // Brute force: the pairs of fat boxes that overlap, at least one of them in `moved`.
    std::set<IdPair> bruteForcePairs(const std::set<i32>& moved) {
        std::vector<phBox*> boxes = liveBoxes();
        std::set<IdPair> pairs;
        for (size_t i = 0; i < boxes.size(); ++i) {
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                i32 a = boxes[i]->broadPhaseIndex;
                i32 b = boxes[j]->broadPhaseIndex;
                if (!moved.count(a) && !moved.count(b)) continue;
                const phDynamicAABBTree& tree = broadPhase().m_tree;
                if (phAABBtoAABB(tree.GetFatAABB(a), tree.GetFatAABB(b))) pairs.insert(orderedPair(a, b));
            }
        }
        return pairs;
    }

    // Runs a pair update and checks the pair buffer against brute force; returns the pairs.
    std::set<IdPair> updateAndCheckPairs(const std::set<i32>& moved) {
        std::set<IdPair> expected = bruteForcePairs(moved);
        scene->m_contactManager.FindNewContacts();
        phBroadPhase& bp = broadPhase();
        EXPECT_EQ(bp.m_moveCount, 0);
        std::set<IdPair> found;
        for (i32 i = 0; i < bp.m_pairCount; ++i) {
            const phContactPair& p = bp.m_pairBuffer[i];
            EXPECT_LT(p.A, p.B);
            if (i > 0) {
                EXPECT_FALSE(ContactPairSort(p, bp.m_pairBuffer[i - 1])) << i;
            }
            found.insert(IdPair(p.A, p.B));
        }
        EXPECT_EQ(found, expected);
        return found;
    }
};

TEST_F(PhBroadPhase, RandomInsertsMovesAndRemovalsReportExactlyTheBruteForcePairsOnce) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> pos(-12.0f, 12.0f);
    std::uniform_real_distribution<float> half(0.3f, 1.5f);
    std::uniform_real_distribution<float> nudge(-1.2f, 1.2f);

    std::set<IdPair> expectedContacts;
    std::set<i32> moved;
    auto create = [&]() {
        phBody* b = addBody(phVec3(pos(rng), pos(rng), pos(rng)), phVec3(half(rng), half(rng), half(rng)));
        moved.insert(b->m_boxes->broadPhaseIndex);
    };
    for (int i = 0; i < 120; ++i) create();

    for (int round = 0; round < 25; ++round) {
        std::set<IdPair> reported = updateAndCheckPairs(moved);
        expectedContacts.insert(reported.begin(), reported.end());
        EXPECT_EQ(keysOf(contactPairs(*scene)), expectedContacts) << round;
        EXPECT_EQ(scene->m_contactManager.m_contactCount, int(expectedContacts.size()));
        moved.clear();

        // Move about a third of the bodies; a move counts when the box left its fat box.
        for (phBody* b = scene->m_bodyList; b; b = b->m_next) {
            if (rng() % 3) continue;
            phVec3 target = b->m_worldCenter + phVec3(nudge(rng), nudge(rng), nudge(rng));
            phBox* box = b->m_boxes;
            phTransform tx = b->m_tx;
            tx.position = target;
            phAABB exact;
            box->ComputeAABB(tx, &exact);
            if (!broadPhase().m_tree.GetFatAABB(box->broadPhaseIndex).Contains(exact)) moved.insert(box->broadPhaseIndex);
            b->SetTransform(target);
        }

        // Remove a few bodies, some of them just moved (their ids stand in the move buffer).
        std::vector<phBody*> doomed;
        for (phBody* b = scene->m_bodyList; b; b = b->m_next) {
            if (rng() % 12 == 0) doomed.push_back(b);
        }
        for (phBody* b : doomed) {
            i32 id = b->m_boxes->broadPhaseIndex;
            moved.erase(id);
            for (auto it = expectedContacts.begin(); it != expectedContacts.end();) {
                it = (it->first == id || it->second == id) ? expectedContacts.erase(it) : std::next(it);
            }
            scene->RemoveBody(b);
        }
        // New bodies may reuse the freed ids.
        for (size_t i = 0; i < doomed.size(); ++i) create();
    }
}

TEST_F(PhBroadPhase, FatBoxesThatOnlyTouchFormAPair) {
    // Fat boxes [-1, 1] and [1, 3] on x.
    addBody(phVec3(0, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    addBody(phVec3(2, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    addBody(phVec3(2.001f, 5, 0), phVec3(0.5f, 0.5f, 0.5f));
    scene->m_contactManager.FindNewContacts();
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 1);
}

TEST_F(PhBroadPhase, APairFoundFromBothSidesIsReportedOnce) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* b = addBody(phVec3(0.5f, 0, 0), phVec3(1, 1, 1));
    // The same proxy buffered a second time.
    a->SetTransform(phVec3(5, 0, 0));
    a->SetTransform(phVec3(0, 0, 0));
    EXPECT_EQ(broadPhase().m_moveCount, 4);
    scene->m_contactManager.FindNewContacts();
    EXPECT_EQ(broadPhase().m_pairCount, 4);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 1);
    phContactConstraint* c = scene->m_contactManager.m_contactList;
    ASSERT_NE(c, nullptr);
    // The box of the smaller proxy id comes first.
    EXPECT_EQ(c->A, a->m_boxes);
    EXPECT_EQ(c->B, b->m_boxes);
}

TEST_F(PhBroadPhase, AMoveInsideTheFatBoxBuffersNothing) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    scene->m_contactManager.FindNewContacts();
    ASSERT_EQ(broadPhase().m_moveCount, 0);
    a->SetTransform(phVec3(0.5f, -0.5f, 0.25f));
    EXPECT_EQ(broadPhase().m_moveCount, 0);
    a->SetTransform(phVec3(0.51f, 0, 0));
    EXPECT_EQ(broadPhase().m_moveCount, 1);
    EXPECT_EQ(broadPhase().m_moveBuffer[0], a->m_boxes->broadPhaseIndex);
}

// The buffers grow when they are full, not before: the sixty-fifth move and pair double them,
// keeping the entries they hold.
TEST_F(PhBroadPhase, TheSixtyFifthMoveAndPairDoubleTheirBuffers) {
    phBroadPhase& bp = broadPhase();
    EXPECT_EQ(bp.m_moveCapacity, 64);
    EXPECT_EQ(bp.m_pairCapacity, 64);
    std::vector<phBody*> bodies;
    for (int i = 0; i < 64; ++i) bodies.push_back(addBody(phVec3(r32(i) * 0.1f, 0, 0), phVec3(0.5f, 0.5f, 0.5f)));
    EXPECT_EQ(bp.m_moveCapacity, 64);
    std::vector<i32> ids(bp.m_moveBuffer, bp.m_moveBuffer + bp.m_moveCount);
    addBody(phVec3(6.4f, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(bp.m_moveCapacity, 128);
    EXPECT_EQ(bp.m_moveCount, 65);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(bp.m_moveBuffer[i], ids[i]);

    // 65 overlapping boxes in a row give far more than 64 pair entries.
    scene->m_contactManager.FindNewContacts();
    EXPECT_GT(bp.m_pairCount, 64);
    EXPECT_GE(bp.m_pairCapacity, 128);
    EXPECT_EQ(bp.m_pairCapacity & (bp.m_pairCapacity - 1), 0);
}

TEST_F(PhBroadPhase, RemovedProxiesLeaveTheMoveBufferBeforeTheNextPairUpdate) {
    // Bodies created and removed in one frame, as a scene switch without a step does.
    for (int i = 0; i < 5; ++i) addBody(phVec3(r32(i), 0, 0), phVec3(1, 1, 1));
    ASSERT_EQ(broadPhase().m_moveCount, 5);
    scene->RemoveAllBodies();
    EXPECT_EQ(broadPhase().m_tree.m_root, phDynamicAABBTree::Node::Null);
    for (i32 i = 0; i < broadPhase().m_moveCount; ++i) {
        EXPECT_EQ(broadPhase().m_moveBuffer[i], phDynamicAABBTree::Node::Null);
    }
    // An update over an empty tree finds nothing and leaves no stale entry behind.
    scene->m_contactManager.FindNewContacts();
    EXPECT_EQ(broadPhase().m_pairCount, 0);
    EXPECT_EQ(broadPhase().m_moveCount, 0);

    // The same again, now with new bodies taking over the freed node ids before the update.
    for (int i = 0; i < 5; ++i) addBody(phVec3(r32(i), 0, 0), phVec3(1, 1, 1));
    scene->RemoveAllBodies();
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* b = addBody(phVec3(1, 0, 0), phVec3(1, 1, 1));
    scene->m_contactManager.FindNewContacts();
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 1);
    phContactConstraint* c = scene->m_contactManager.m_contactList;
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE((c->bodyA == a && c->bodyB == b) || (c->bodyA == b && c->bodyB == a));
}

TEST_F(PhBroadPhase, TestOverlapComparesTheFatBoxes) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    phBody* b = addBody(phVec3(1.9f, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    phBody* c = addBody(phVec3(2.1f, 0, 0), phVec3(0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(broadPhase().TestOverlap(a->m_boxes->broadPhaseIndex, b->m_boxes->broadPhaseIndex));
    EXPECT_FALSE(broadPhase().TestOverlap(a->m_boxes->broadPhaseIndex, c->m_boxes->broadPhaseIndex));
}

// ---------------------------------------------------------------------------------------------
// What the broad phase hands to the contact manager
// ---------------------------------------------------------------------------------------------

using PhContactCreation = PhysicsSceneTest;

TEST_F(PhContactCreation, OnlyBodiesThatMayCollideGetAConstraint) {
    struct Case {
        phBodyType a, b;
        i32 layersA, layersB;
        bool expected;
    } cases[] = {
        {eDynamicBody, eDynamicBody, 1, 1, true},   {eDynamicBody, eStaticBody, 1, 1, true},
        {eKinematicBody, eDynamicBody, 1, 3, true}, {eStaticBody, eStaticBody, 1, 1, false},
        {eKinematicBody, eKinematicBody, 1, 1, false}, {eStaticBody, eKinematicBody, 1, 1, false},
        {eDynamicBody, eDynamicBody, 1, 2, false},  {eDynamicBody, eDynamicBody, 0, 0xFFFF, false},
    };
    for (const Case& c : cases) {
        scene->RemoveAllBodies();
        phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1), c.a);
        phBody* b = addBody(phVec3(0.5f, 0, 0), phVec3(1, 1, 1), c.b);
        a->SetLayers(c.layersA);
        b->SetLayers(c.layersB);
        scene->m_contactManager.FindNewContacts();
        EXPECT_EQ(scene->m_contactManager.m_contactCount, c.expected ? 1 : 0) << c.a << " " << c.b;
        EXPECT_EQ(a->m_contactList != nullptr, c.expected);
        EXPECT_EQ(b->m_contactList != nullptr, c.expected);
    }
}

TEST_F(PhContactCreation, TwoBoxesOfOneBodyNeverPair) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    addBox(a, phVec3(1, 1, 1), phVec3(0.5f, 0, 0));
    scene->m_contactManager.FindNewContacts();
    EXPECT_GT(broadPhase().m_pairCount, 0);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 0);
}

TEST_F(PhContactCreation, AConstraintMixesTheBoxesAndWakesBothBodies) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* b = addBody(phVec3(0.5f, 0, 0), phVec3(1, 1, 1));
    a->m_boxes->friction = 0.4f;
    b->m_boxes->friction = 0.9f;
    a->m_boxes->restitution = 0.2f;
    b->m_boxes->restitution = 0.5f;
    a->SetToSleep();
    b->SetToSleep();
    scene->m_contactManager.FindNewContacts();
    phContactConstraint* c = scene->m_contactManager.m_contactList;
    ASSERT_NE(c, nullptr);
    EXPECT_NEAR(c->friction, 0.6f, 1e-6f);
    EXPECT_EQ(c->restitution, 0.5f);
    EXPECT_EQ(c->m_flags, 0);
    EXPECT_EQ(c->manifold, nullptr) << "boxes that do not touch yet hold no points";
    EXPECT_TRUE(a->IsAwake());
    EXPECT_TRUE(b->IsAwake());
    EXPECT_EQ(c->edgeA.other, c->bodyB);
    EXPECT_EQ(c->edgeB.other, c->bodyA);

    // Reported again: still one constraint.
    scene->m_contactManager.AddContact(c->A, c->B);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 1);
}

TEST_F(PhContactCreation, RemovingABodyRemovesItsConstraintsFromBothLists) {
    phBody* a = addBody(phVec3(0, 0, 0), phVec3(1, 1, 1));
    phBody* b = addBody(phVec3(0.5f, 0, 0), phVec3(1, 1, 1));
    phBody* c = addBody(phVec3(-0.5f, 0, 0), phVec3(1, 1, 1));
    scene->m_contactManager.FindNewContacts();
    ASSERT_EQ(scene->m_contactManager.m_contactCount, 3);
    b->SetToSleep();
    c->SetToSleep();
    scene->RemoveBody(a);
    EXPECT_EQ(scene->m_bodyCount, 2);
    EXPECT_EQ(scene->m_contactManager.m_contactCount, 1);
    // Losing a contact wakes the other body.
    EXPECT_TRUE(b->IsAwake());
    EXPECT_TRUE(c->IsAwake());
    ASSERT_NE(b->m_contactList, nullptr);
    EXPECT_EQ(b->m_contactList->other, c);
    EXPECT_EQ(b->m_contactList->next, nullptr);
    EXPECT_EQ(c->m_contactList->other, b);
    EXPECT_EQ(c->m_contactList->next, nullptr);
}
