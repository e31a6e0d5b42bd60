// The barrier: up and solid at load, lowered and passable while its cable's source is unpowered,
// drawn as scrolling energy quads while up.

#include "power_harness.h"

using namespace powertest;

namespace {

class Barrier : public PowerTest {
protected:
    game::ButtonEntity* source = nullptr;
    game::BarrierEntity* barrier = nullptr;

    void SetUp() override {
        PowerTest::SetUp();
        source = addSourceAndCable("Source", "Cable", vec(0, 0, 0));
        barrier = addEntity<game::BarrierEntity>(ve::MetaType::game_BarrierEntity, "Barrier");
        barrier->bodyOpts = boxOpts(gluetest::STATIC_FLAGS, vec(0, 1, 4), vec(4, 2, 0.2f));
        barrier->cableEntity = refTo("Cable");
        barrier->power = 0; // as the level stored it
        game::initBarrierEntity(barrier);
    }
    u32 layers() { return *ve::getLayers(barrier->bodyOpts.physicsBody); }
};

TEST_F(Barrier, ItStartsUpAndItsLayersFollowTheSource) {
    EXPECT_TRUE(barrier->power);
    EXPECT_EQ(layers(), 0xFFFFu);
    struct Step {
        b8 sourcePowered, up;
        u32 layers;
    } steps[] = {{0, 0, 0u}, {0, 0, 0u}, {1, 1, 0xFFFFu}, {1, 1, 0xFFFFu}, {0, 0, 0u}};
    for (const Step& step : steps) {
        source->powered = step.sourcePowered;
        game::updateBarrierEntity(barrier);
        EXPECT_EQ(barrier->power, step.up);
        EXPECT_EQ(layers(), step.layers);
    }
    // Without its cable it keeps its state.
    barrier->cableEntity = refTo("Nothing");
    source->powered = 1;
    game::updateBarrierEntity(barrier);
    EXPECT_FALSE(barrier->power);
}

TEST_F(Barrier, WhileUpEachBoxIsAnEnergyQuadScrolledByTheHistory) {
    state()->time = 100;
    game::renderBarrierEntity(barrier);
    ASSERT_EQ(frame().transQuads.length, 1u);
    ve::QuadInstance* quad = entryOf<ve::QuadInstance>(&frame().transQuads, 0);
    EXPECT_FLOAT_EQ(quad->uvOffset.x, 0.5f);
    EXPECT_EQ(quad->uvOffset.y, 0.0f);
    EXPECT_EQ(quad->emission, game::findTexture("energywall_img"));
    EXPECT_EQ(quad->texture, game::findTexture("black_img"));
    EXPECT_EQ(quad->position, vec(0, 1, 4));
    EXPECT_NEAR(quad->scale.x, 4.0f, 1e-5f);
    EXPECT_NEAR(quad->scale.y, 2.0f, 1e-5f);
    EXPECT_EQ(quad->fbo, 0u);
    EXPECT_EQ(quad->colorBuf, 0u);

    source->powered = 0;
    game::updateBarrierEntity(barrier);
    game::renderBarrierEntity(barrier);
    EXPECT_EQ(frame().transQuads.length, 1u) << "hidden while down";
    EXPECT_FLOAT_EQ(game::barrierScroll(0).x, 0.0f);
}

} // namespace
