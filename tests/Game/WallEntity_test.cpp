// The wall: one ground quad per collider of the live body, newest collider first, sized and
// textured from the collider, and a wall with more colliders than are drawn.

#include "game_harness.h"

#include "Game/WallEntity.h"

using namespace gametest;
using gluetest::STATIC_FLAGS;

namespace {

class Wall : public GameTest {
protected:
    std::vector<ve::Primitive> colliders;

    void SetUp() override {
        GameTest::SetUp();
        registerGameAssets();
    }

    // A wall whose body is built, as scene initialisation builds it, from `colliders`.
    game::WallEntity* addWall(ve::v3 position, ve::mat3 rotation = ve::iMat3()) {
        game::WallEntity* wall = addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Walls");
        wall->bodyOpts = gluetest::bodyOpts(STATIC_FLAGS, position, colliders.data(), (u32)colliders.size());
        wall->bodyOpts.rotation = rotation;
        ve::initScene(&state()->currentScene);
        return wall;
    }
};

TEST_F(Wall, EachColliderIsOneQuadNewestFirstSizedByItsBox) {
    colliders = {gluetest::cuboidAt(vec(0, 0, 0), vec(4, 2, 0.2f)),
                 gluetest::cuboidAt(vec(0, 3, 0), vec(6, 1, 0.5f)),
                 gluetest::cuboid(ve::transMat(vec(5, 0, 0)) * ve::rotMat(vec(0, 1, 0), ve::PI / 2), vec(2, 8, 1))};
    addWall(vec(10, 0, 0));
    runFrame(TICK);

    struct Expected {
        ve::v3 position, scale;
        f32 uvX, uvY;
    } expected[] = {
        {vec(15, 0, 0), vec(2, 8, 1), 1.0f, 4.0f},
        {vec(10, 3, 0), vec(6, 1, 0.5f), 3.0f, 0.5f},
        {vec(10, 0, 0), vec(4, 2, 0.2f), 2.0f, 1.0f},
    };
    ASSERT_EQ(frame().quads.length, 3u);
    for (u32 i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        ve::QuadInstance* quad = quadAt(i);
        EXPECT_LT(distance(quad->position, expected[i].position), 1e-5f);
        EXPECT_LT(distance(quad->scale, expected[i].scale), 1e-5f);
        EXPECT_NEAR(quad->uvScale.x, expected[i].uvX, 1e-5f);
        EXPECT_NEAR(quad->uvScale.y, expected[i].uvY, 1e-5f);
        EXPECT_EQ(quad->uvOffset.x, 0.0f);
        EXPECT_EQ(quad->texture, game::findTexture("ground_img"));
        EXPECT_EQ(quad->emission, game::findTexture("ground_emission_img"));
        EXPECT_EQ(quad->outline.w, 0.0f);
    }
    // The turned panel faces along +x: its quad's normal (the rotation's z column) lies on x.
    EXPECT_NEAR(fabsf(quadAt(0)->rotation.col3.x), 1.0f, 1e-5f);
}

TEST_F(Wall, APanelTurnsWithItsBody) {
    colliders = {gluetest::cuboidAt(vec(2, 0, 0), vec(4, 2, 0.2f))};
    addWall(vec(0, 0, 0), gluetest::rotation(vec(0, 1, 0), 90));
    runFrame(TICK);
    ASSERT_EQ(frame().quads.length, 1u);
    // The offset along the body's x ends up on -z after a quarter turn about y.
    EXPECT_LT(distance(quadAt(0)->position, vec(0, 0, -2)), 1e-5f);
    EXPECT_LT(distance(quadAt(0)->scale, vec(4, 2, 0.2f)), 1e-5f);
}

TEST_F(Wall, AWallOfMoreThanAHundredCollidersDrawsAHundred) {
    for (int i = 0; i < 101; i++) colliders.push_back(gluetest::cuboidAt(vec((f32)i, 0, 0), vec(1, 1, 0.1f)));
    addWall(vec(0, 0, 0));
    runFrame(TICK);
    ASSERT_EQ(frame().quads.length, (msi)game::WALL_MAX_DRAWN_COLLIDERS);
    // Newest first: the first quad is the last collider.
    EXPECT_LT(distance(quadAt(0)->position, vec(100, 0, 0)), 1e-4f);
}

TEST_F(Wall, AWallWithoutGroundTexturesDrawsNothing) {
    state()->assets->textureCount = 0;
    colliders = {gluetest::cuboidAt(vec(0, 0, 0), vec(4, 2, 0.2f))};
    addWall(vec(0, 0, 0));
    runFrame(TICK);
    EXPECT_EQ(frame().quads.length, 0u);
}

} // namespace
