// The cable: bound to its source's flag at init, its segments generated as an x run then a z run
// when the level stores none, drawn flat and glowing while the source is powered.

#include "power_harness.h"

#include "Game/HUDEntity.h"
#include "Game/WallEntity.h"

using namespace powertest;

namespace {

constexpr f32 EPS = 1e-5f;

class Cable : public PowerTest {
protected:
    ve::v3 centreOf(game::CableEntity* cable, u32 i) { return ve::getTranslation(cable->bodyOpts.colliders[i].localTransform); }

    static void expectAxes(ve::mat4 m, ve::v3 x, ve::v3 y, ve::v3 z) {
        ve::v3 axes[3] = {m.col1.xyz, m.col2.xyz, m.col3.xyz};
        ve::v3 expected[3] = {x, y, z};
        for (int a = 0; a < 3; a++)
            for (int k = 0; k < 3; k++) EXPECT_NEAR(axes[a].E[k], expected[a].E[k], EPS) << "axis " << a;
    }
};

TEST_F(Cable, SegmentsRunAlongXThenZJustAboveTheSource) {
    struct Case {
        ve::v3 source, connectTo;
        std::vector<ve::v3> centres;
    } cases[] = {
        {vec(0, 0, 0), vec(4, 0, -4), {vec(1.2f, 0.02f, 0), vec(3.2f, 0.02f, 0), vec(4, 0.02f, -1.2f), vec(4, 0.02f, -3.2f)}},
        {vec(0, 0, 0), vec(5, 0, 0), {vec(1.2f, 0.02f, 0), vec(3.2f, 0.02f, 0)}},
        {vec(0, 0, 0), vec(1.6f, 0, 0), {vec(1.2f, 0.02f, 0)}}, // 1.6 as f32 exceeds the double 1.6
        {vec(1, 2, 3), vec(-4, 7, 3), {vec(-0.2f, 2.02f, 3), vec(-2.2f, 2.02f, 3)}},
        {vec(0, 0, 0), vec(0.5f, 0.3f, 0.4f), {}},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(index);
        std::string name = "Source" + std::to_string(index);
        std::string cableName = "Cable" + std::to_string(index++);
        addButton(name.c_str(), c.source);
        game::CableEntity* cable = addCable(cableName.c_str(), name.c_str(), c.connectTo);
        ASSERT_EQ(cable->bodyOpts.colliderCount, c.centres.size());
        for (u32 i = 0; i < c.centres.size(); i++) {
            ve::v3 centre = centreOf(cable, i);
            for (int k = 0; k < 3; k++) EXPECT_NEAR(centre.E[k], c.centres[i].E[k], EPS) << "segment " << i;
            EXPECT_EQ(cable->bodyOpts.colliders[i].cuboid.scale, vec(0.2f, 1.0f, 1.0f));
        }
    }
}

TEST_F(Cable, EachRunTurnsItsSegmentsFlatAlongIt) {
    addButton("Source", vec(0, 0, 0));
    game::CableEntity* plusXminusZ = addCable("A", "Source", vec(4, 0, -4));
    expectAxes(plusXminusZ->bodyOpts.colliders[0].localTransform, vec(0, 0, -1), vec(1, 0, 0), vec(0, -1, 0));
    expectAxes(plusXminusZ->bodyOpts.colliders[3].localTransform, vec(-1, 0, 0), vec(0, 0, -1), vec(0, -1, 0));
    game::CableEntity* minusXplusZ = addCable("B", "Source", vec(-3, 0, 3));
    expectAxes(minusXplusZ->bodyOpts.colliders[0].localTransform, vec(0, 0, 1), vec(-1, 0, 0), vec(0, -1, 0));
    expectAxes(minusXplusZ->bodyOpts.colliders[1].localTransform, vec(1, 0, 0), vec(0, 0, 1), vec(0, -1, 0));
}

TEST_F(Cable, ItBindsToTheSourcesFlagAndBuildsABodyThatCollidesWithNothing) {
    game::ButtonEntity* button = addButton("Source", vec(0, 0, 0));
    game::CableEntity* cable = addCable("Cable", "Source");
    EXPECT_EQ(cable->on, &button->powered);
    EXPECT_NE(cable->bodyOpts.physicsBody, ve::NO_BODY);
    EXPECT_EQ(cable->bodyOpts.flags.value, 32u);
    EXPECT_EQ(*ve::getLayers(cable->bodyOpts.physicsBody), 0u);
}

TEST_F(Cable, WithoutASourceOrWithANonSourceItIsUnboundAndGeneratesNothing) {
    game::WallEntity* wall = addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Wall");
    wall->bodyOpts = boxOpts(gluetest::STATIC_FLAGS, vec(0, 0, 0));
    addEntity<game::HUDEntity>(ve::MetaType::game_HUDEntity, "HUD"); // no body options at all
    for (const char* source : {"Nobody", "Wall", "HUD"}) {
        SCOPED_TRACE(source);
        u32 bodies = (u32)state()->scene->m_bodyCount;
        game::CableEntity* cable = addCable((std::string("Cable to ") + source).c_str(), source);
        EXPECT_EQ(cable->on, nullptr);
        EXPECT_EQ(cable->bodyOpts.colliderCount, 0u);
        EXPECT_EQ((u32)state()->scene->m_bodyCount, bodies);
        game::renderCableEntity(cable);
        EXPECT_EQ(frame().quads.length, 0u);
    }
}

TEST_F(Cable, AFarAwayEndIsBoundedAndStoredSegmentsAreKept) {
    addButton("Source", vec(0, 0, 0));
    game::CableEntity* far = addCable("Far", "Source", vec(1e30f, 0, 0));
    EXPECT_EQ(far->bodyOpts.colliderCount, game::MAX_CABLE_SEGMENTS);
    game::CableEntity* nan = addCable("NaN", "Source", vec(NAN, 0, 3));
    EXPECT_EQ(nan->bodyOpts.colliderCount, 0u);

    game::CableEntity* stored = addEntity<game::CableEntity>(ve::MetaType::game_CableEntity, "Stored");
    stored->bodyOpts = boxOpts(gluetest::DYNAMIC_FLAGS, vec(0, 0, 0), vec(3, 1, 1));
    ve::Primitive* box = stored->bodyOpts.colliders;
    stored->button = refTo("Source");
    stored->connectTo = vec(9, 0, 9);
    game::initCableEntity(stored);
    EXPECT_EQ(stored->bodyOpts.colliders, box);
    EXPECT_EQ(stored->bodyOpts.colliderCount, 1u);
    game::renderCableEntity(stored);
    ASSERT_EQ(frame().quads.length, 1u);
    EXPECT_EQ(quadAt(0)->scale, vec(6, 2, 2)) << "twice the stored size, at the stored transform";
}

TEST_F(Cable, TheStripGlowsExactlyWhileTheSourceIsPowered) {
    game::ButtonEntity* button = addButton("Source", vec(0, 0, 0));
    game::CableEntity* cable = addCable("Cable", "Source", vec(4, 0, 0));
    game::renderCableEntity(cable);
    button->powered = 1;
    game::renderCableEntity(cable);
    ve::Entity* source = ve::getEntity(scene(), ve::hashASCIIZ("Source"));
    ve::renameEntity(scene(), source, ve::wrapASCIIZ("Renamed"));
    game::renderCableEntity(cable);
    ASSERT_EQ(frame().quads.length, 6u);
    ve::Texture* dark = game::findTexture("black_img");
    ve::Texture* lit = game::findTexture("cable_emission_img");
    ve::Texture* expected[6] = {dark, dark, lit, lit, dark, dark};
    for (u32 i = 0; i < 6; i++) EXPECT_EQ(quadAt(i)->emission, expected[i]) << i;
    EXPECT_EQ(quadAt(0)->texture, game::findTexture("cable_img"));
    EXPECT_NEAR(quadAt(0)->position.x, 1.2f, EPS);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(quadAt(0)->scale.E[k], vec(0.4f, 2, 2).E[k], EPS);
    EXPECT_EQ(quadAt(0)->outline.w, 0.0f);
}

} // namespace
