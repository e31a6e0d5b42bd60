// Back-to-front ordering of transparent quads: the side test, insertion and the walk, and the
// property that parallel quads come out farthest first.

#include "Renderer/bsp_tree.h"
#include "Core/engine_globals.h"
#include "Memory/memory.h"

#include <gtest/gtest.h>

#include <math.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

ve::v3 vec3(f32 x, f32 y, f32 z) { return ve::v3{{x, y, z}}; }

// A rotation whose third column is minus `normal`, so the quad faces along `normal`; the first two
// columns complete an orthonormal basis.
ve::mat3 facing(ve::v3 normal) {
    ve::v3 n = ve::normalized(normal);
    ve::v3 helper = fabsf(n.y) < 0.9f ? vec3(0, 1, 0) : vec3(1, 0, 0);
    ve::v3 side = ve::normalized(ve::cross(helper, n));
    ve::mat3 rotation;
    rotation.col1 = side;
    rotation.col2 = ve::cross(n, side);
    rotation.col3 = -n;
    return rotation;
}

// A quad tagged with `tag` in uvOffset.x, so the walk's output can be told apart.
ve::QuadInstance quadAt(ve::v3 position, ve::v3 normal, f32 tag) {
    ve::QuadInstance quad = {};
    quad.position = position;
    quad.rotation = facing(normal);
    quad.scale = vec3(1, 1, 1);
    quad.uvScale = ve::v2{{1, 1}};
    quad.uvOffset = ve::v2{{tag, 0}};
    return quad;
}

ve::Node rootOf(ve::QuadInstance quad) {
    ve::Node root = {};
    root.objectToRender = quad;
    return root;
}

class BspTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        memory.resize(16 << 20);
        store = ve::createHeapStore(buffer{memory.size(), memory.data()});
        ve::tmpStore = &store;
    }
    void TearDown() override { ve::tmpStore = nullptr; }

    // Builds the tree from `quads` in order (the first one the root) and walks it from `camera`;
    // returns the tags in drawing order.
    std::vector<f32> walkTags(const std::vector<ve::QuadInstance>& quads, ve::v3 camera) {
        ve::resetHeapStore(&store);
        ve::Node root = rootOf(quads[0]);
        for (size_t i = 1; i < quads.size(); ++i) ve::addTransparentFace(quads[i], &root);
        std::vector<ve::QuadInstance> out(quads.size());
        u32 count = 0;
        ve::outputRenderOrder(camera, root, out.data(), &count);
        EXPECT_EQ(count, quads.size());
        std::vector<f32> tags;
        for (u32 i = 0; i < count; ++i) tags.push_back(out[i].uvOffset.x);
        return tags;
    }

    std::vector<u8> memory;
    ve::MemoryStore store;
};

TEST(BspSideTest, SignBitOfTheDotProductDecides) {
    const f32 negativeZero = -0.0f;
    struct Case {
        ve::v3 normal, planePoint, point;
        b8 behind;
        const char* what;
    };
    const Case cases[] = {
        {vec3(0, 0, 1), vec3(0, 0, 0), vec3(0, 0, 5), 1, "the side the normal points into"},
        {vec3(0, 0, 1), vec3(0, 0, 0), vec3(0, 0, -5), 0, "the side the normal points away from"},
        {vec3(0, 0, 1), vec3(0, 0, 0), vec3(3, -2, 0), 0, "on the plane, +0"},
        {vec3(1, 0, 0), vec3(2, 0, 0), vec3(2.0f, 7, 7), 0, "on an offset plane, +0"},
        // Every product is -0: (-0 - +0) * 1 three times.
        {vec3(1, 1, 1), vec3(negativeZero, negativeZero, negativeZero), vec3(0, 0, 0), 1, "a negative zero"},
        {vec3(0, 0, 1), vec3(0, 0, 0), vec3(0, 0, 1e-30f), 1, "no tolerance, tiny positive"},
        {vec3(0, 0, 1), vec3(0, 0, 0), vec3(0, 0, -1e-30f), 0, "no tolerance, tiny negative"},
        {vec3(0, -1, 0), vec3(0, 4, 0), vec3(0, 1, 0), 1, "a normal along -y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ve::bspIsBehind(c.normal, c.planePoint, c.point), c.behind) << c.what;
    }
}

TEST(BspSideTest, AQuadFacesWhereItsRotationTurnsMinusZ) {
    ve::QuadInstance quad = quadAt(vec3(0, 0, 0), vec3(0, 1, 0), 0);
    ve::v3 n = ve::quadPlaneNormal(&quad);
    EXPECT_FLOAT_EQ(n.x, 0.0f);
    EXPECT_FLOAT_EQ(n.y, 1.0f);
    EXPECT_FLOAT_EQ(n.z, 0.0f);
    ve::QuadInstance unrotated = {};
    unrotated.rotation = ve::iMat3();
    EXPECT_EQ(ve::quadPlaneNormal(&unrotated).z, -1.0f);
}

TEST_F(BspTreeTest, OneQuadIsWrittenOnceAtTheCountersIndex) {
    ve::QuadInstance quad = quadAt(vec3(1, 2, 3), vec3(0, 0, 1), 42);
    ve::QuadInstance out[4] = {};
    u32 count = 2;
    ve::outputRenderOrder(vec3(0, 0, 10), rootOf(quad), out, &count);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(out[2].uvOffset.x, 42.0f);
    EXPECT_EQ(out[2].position.y, 2.0f);
    EXPECT_EQ(out[1].uvOffset.x, 0.0f) << "nothing written before the counter's index";
    EXPECT_EQ(out[3].uvOffset.x, 0.0f) << "nothing written after the one quad";
}

TEST_F(BspTreeTest, TheFartherOfTwoParallelQuadsComesFirstInEitherPushOrder) {
    ve::v3 camera = vec3(0, 0, 10);
    for (ve::v3 normal : {vec3(0, 0, 1), vec3(0, 0, -1)}) {
        ve::QuadInstance nearQuad = quadAt(vec3(0, 0, 2), normal, 1);
        ve::QuadInstance farQuad = quadAt(vec3(0.3f, 0, -4), normal, 2);
        EXPECT_EQ(walkTags({nearQuad, farQuad}, camera), (std::vector<f32>{2, 1}));
        EXPECT_EQ(walkTags({farQuad, nearQuad}, camera), (std::vector<f32>{2, 1}));
    }
}

TEST_F(BspTreeTest, ACameraOnTheRootsPlaneWalksBehindThenRootThenFront) {
    // Root faces +z at z = 0; "behind" is z > 0, "front" is z < 0.
    ve::QuadInstance root = quadAt(vec3(0, 0, 0), vec3(0, 0, 1), 0);
    ve::QuadInstance behindQuad = quadAt(vec3(0, 0, 3), vec3(0, 0, 1), 1);
    ve::QuadInstance frontQuad = quadAt(vec3(0, 0, -3), vec3(0, 0, 1), 2);
    EXPECT_EQ(walkTags({root, behindQuad, frontQuad}, vec3(5, -1, 0)), (std::vector<f32>{1, 0, 2}));
    // Off the plane on the behind side the order turns round.
    EXPECT_EQ(walkTags({root, behindQuad, frontQuad}, vec3(5, -1, 9)), (std::vector<f32>{2, 0, 1}));
}

TEST_F(BspTreeTest, ACentreOnAnExistingPlaneGoesToTheFront) {
    ve::Node root = rootOf(quadAt(vec3(0, 0, 0), vec3(0, 0, 1), 0));
    ve::addTransparentFace(quadAt(vec3(4, -2, 0), vec3(1, 0, 0), 1), &root);
    ASSERT_NE(root.front, nullptr);
    EXPECT_EQ(root.behind, nullptr);
    EXPECT_EQ(root.front->objectToRender.uvOffset.x, 1.0f);
    EXPECT_EQ(root.front->front, nullptr);
    EXPECT_EQ(root.front->behind, nullptr);
}

TEST_F(BspTreeTest, InsertionFollowsCentresOnlyAndNeverSplits) {
    // A wide quad straddling the root's plane still lands on its centre's side, whole.
    ve::Node root = rootOf(quadAt(vec3(0, 0, 0), vec3(0, 0, 1), 0));
    ve::QuadInstance straddling = quadAt(vec3(0, 0, 0.5f), vec3(1, 0, 0), 1);
    straddling.scale = vec3(100, 100, 1);
    ve::addTransparentFace(straddling, &root);
    ve::addTransparentFace(quadAt(vec3(0, 0, 2), vec3(0, 0, 1), 2), &root);
    ASSERT_NE(root.behind, nullptr);
    EXPECT_EQ(root.front, nullptr);
    EXPECT_EQ(root.behind->objectToRender.uvOffset.x, 1.0f);
    EXPECT_EQ(root.behind->objectToRender.scale.x, 100.0f);
    // The third quad descends below the second (x = 0 is on the second's plane: front).
    ASSERT_NE(root.behind->front, nullptr);
    EXPECT_EQ(root.behind->front->objectToRender.uvOffset.x, 2.0f);
}

TEST_F(BspTreeTest, NodesComeFromTheTemporaryStore) {
    ve::Node root = rootOf(quadAt(vec3(0, 0, 0), vec3(0, 0, 1), 0));
    ve::addTransparentFace(quadAt(vec3(0, 0, 1), vec3(0, 0, 1), 1), &root);
    ASSERT_NE(root.behind, nullptr);
    EXPECT_TRUE(ve::ptrInBuffer(buffer{memory.size(), memory.data()}, root.behind));
}

// Parallel quads at distinct depths along a random axis, facing either way, pushed in random order,
// seen from a random point: any two quads on the same side of the camera come out farther first,
// and with the camera beyond all of them the whole walk is sorted by decreasing distance.
TEST_F(BspTreeTest, ParallelQuadsWalkFarthestFirstForRandomScenes) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<f32> unit(-1.0f, 1.0f);
    for (int trial = 0; trial < 300; ++trial) {
        ve::v3 axis;
        do axis = vec3(unit(rng), unit(rng), unit(rng));
        while (ve::len(axis) < 0.2f);
        axis = ve::normalized(axis);
        const int quadCount = 1 + (int)(rng() % 24);
        std::vector<ve::QuadInstance> quads;
        std::vector<f32> depthOfTag;
        for (int i = 0; i < quadCount; ++i) {
            // Depths a whole unit apart with some jitter; lateral offsets do not change the plane.
            f32 depth = (f32)(i * 2) + 0.5f * unit(rng);
            ve::v3 lateral = ve::cross(axis, vec3(unit(rng), unit(rng), unit(rng))) * 3.0f;
            ve::v3 normal = (rng() & 1) ? axis : -axis;
            quads.push_back(quadAt(axis * depth + lateral, normal, (f32)i));
            depthOfTag.push_back(depth);
        }
        std::shuffle(quads.begin(), quads.end(), rng);
        const b8 cameraOutside = (trial % 2) == 0;
        f32 cameraDepth = cameraOutside ? ((rng() & 1) ? -5.0f : (f32)(quadCount * 2) + 3.0f)
                                        : (f32)(rng() % (quadCount * 2)) - 0.5f + 0.1f * unit(rng);
        ve::v3 camera = axis * cameraDepth + ve::cross(axis, vec3(unit(rng), unit(rng), unit(rng))) * 5.0f;

        std::vector<f32> tags = walkTags(quads, camera);
        ASSERT_EQ(tags.size(), (size_t)quadCount);
        std::vector<f32> sortedTags = tags;
        std::sort(sortedTags.begin(), sortedTags.end());
        for (int i = 0; i < quadCount; ++i) ASSERT_EQ(sortedTags[i], (f32)i) << "each quad exactly once";
        for (int i = 0; i < quadCount; ++i) {
            for (int j = i + 1; j < quadCount; ++j) {
                f32 di = depthOfTag[(int)tags[i]] - cameraDepth;
                f32 dj = depthOfTag[(int)tags[j]] - cameraDepth;
                if ((di < 0) != (dj < 0)) continue; // opposite sides never overlap on screen
                ASSERT_GT(fabsf(di), fabsf(dj)) << "trial " << trial << ": positions " << i << " and " << j;
            }
        }
    }
}

TEST_F(BspTreeTest, ADegenerateChainOfThousandsOfQuadsWalksSorted) {
    // Pushed nearest first, every quad lands below the previous one: a tree as deep as the list.
    const int quadCount = 3000;
    std::vector<ve::QuadInstance> quads;
    for (int i = 0; i < quadCount; ++i) quads.push_back(quadAt(vec3(0, 0, (f32)-i), vec3(0, 0, 1), (f32)i));
    std::vector<f32> tags = walkTags(quads, vec3(0, 0, 10));
    ASSERT_EQ(tags.size(), (size_t)quadCount);
    for (int i = 0; i < quadCount; ++i) ASSERT_EQ(tags[i], (f32)(quadCount - 1 - i));
}

TEST_F(BspTreeTest, SortingAListWritesEveryQuadOfItWhateverItsLength) {
    for (u32 length : {0u, 1u, 5u, 6u, 23u}) {
        ve::resetHeapStore(&store);
        ve::ChunkStore list = ve::createChunkStore(sizeof(ve::QuadInstance), 5, &store);
        for (u32 i = 0; i < length; ++i) {
            ve::QuadInstance quad = quadAt(vec3(0, 0, (f32)i), vec3(0, 0, 1), (f32)i);
            ve::push(&list, &quad);
        }
        std::vector<ve::QuadInstance> sorted(length + 1);
        sorted[length].uvOffset.x = -1.0f;
        u32 count = ve::sortTransparentQuads(&list, vec3(0, 0, -10), sorted.data());
        EXPECT_EQ(count, length);
        // Camera at z = -10 looks at quads spread along +z: the one at the highest z is farthest.
        for (u32 i = 0; i < count; ++i) EXPECT_EQ(sorted[i].uvOffset.x, (f32)(length - 1 - i));
        EXPECT_EQ(sorted[length].uvOffset.x, -1.0f) << "no write past the list";
    }
}

} // namespace
