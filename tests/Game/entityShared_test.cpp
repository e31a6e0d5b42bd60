// The helpers that the entity types share: typed references, named assets with their one report,
// the named draws that skip a missing asset, the rewind outline and the player's line of sight.

#include "game_harness.h"

#include "Game/CubeEntity.h"
#include "Game/WallEntity.h"

using namespace gametest;

namespace {

class EntityShared : public GameTest {};

TEST_F(EntityShared, AReferenceResolvesOnlyToAnEntityOfTheExpectedType) {
    game::PlayerEntity* player = addEntity<game::PlayerEntity>(ve::MetaType::game_PlayerEntity, "Player");
    addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Walls");

    struct Case {
        const char* name;
        ve::MetaType type;
        void* expected;
    } cases[] = {
        {"Player", ve::MetaType::game_PlayerEntity, player},
        {"Walls", ve::MetaType::game_PlayerEntity, nullptr}, // a wall is a smaller record
        {"Player", ve::MetaType::game_CubeEntity, nullptr},
        {"Nobody", ve::MetaType::game_PlayerEntity, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(game::getEntityData(refTo(c.name), c.type), c.expected);
        EXPECT_EQ(game::getNamedEntityData(c.name, c.type), c.expected);
    }
    EXPECT_EQ(game::getPlayer(refTo("Player")), player);
    EXPECT_EQ(game::getPlayer(refTo("Walls")), nullptr);
    game::CableEntity* cable = addEntity<game::CableEntity>(ve::MetaType::game_CableEntity, "Cable");
    EXPECT_EQ(game::getCable(refTo("Cable")), cable);
    EXPECT_EQ(game::getCable(refTo("Player")), nullptr);
}

TEST_F(EntityShared, ARenamedEntityNoLongerAnswersToItsOldName) {
    addEntity<game::PlayerEntity>(ve::MetaType::game_PlayerEntity, "Player");
    ve::Entity* entity = ve::getEntity(&state()->currentScene, ve::hashASCIIZ("Player"));
    ASSERT_TRUE(ve::renameEntity(&state()->currentScene, entity, ve::wrapASCIIZ("Hero")));
    EXPECT_EQ(game::getPlayer(refTo("Player")), nullptr);
    EXPECT_NE(game::getPlayer(refTo("Hero")), nullptr);
}

TEST_F(EntityShared, AMissingAssetIsReportedOnceByName) {
    registerMesh("present_mesh");
    std::vector<std::string> printed = printedBy([] {
        EXPECT_NE(game::findMesh("present_mesh"), nullptr);
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(game::findMesh("shared_test_absent_mesh"), nullptr);
            EXPECT_EQ(game::findTexture("shared_test_absent_img"), nullptr);
        }
        EXPECT_EQ(game::findBasicMat("shared_test_absent_mat"), nullptr);
    });
    std::vector<std::string> expected = {"Missing asset: shared_test_absent_mesh",
                                         "Missing asset: shared_test_absent_img",
                                         "Missing asset: shared_test_absent_mat"};
    EXPECT_EQ(printed, expected);
}

TEST_F(EntityShared, ANamedDrawWithAMissingAssetPushesNothing) {
    registerMesh("m");
    registerTexture("t");
    registerMaterial("mat");
    registerTexture("e");
    game::DrawPlacement placement = {vec(1, 2, 3), ve::iMat3(), vec(1, 1, 1)};
    game::MeshAssetNames complete = {"m", "t", "mat", "e"};
    game::MeshAssetNames noEmission = {"m", "t", "mat", "shared_test_no_emission"};
    game::MeshAssetNames noMesh = {"shared_test_no_mesh", "t", "mat", "e"};

    EXPECT_FALSE(game::drawNamedMesh(placement, noEmission, game::UV_SCALE_ONCE, game::UV_OFFSET_NONE, game::NO_OUTLINE));
    EXPECT_FALSE(game::drawNamedMesh(placement, noMesh, game::UV_SCALE_ONCE, game::UV_OFFSET_NONE, game::NO_OUTLINE));
    EXPECT_FALSE(game::drawNamedQuad(placement, "t", "shared_test_no_emission", game::UV_SCALE_ONCE,
                                     game::UV_OFFSET_NONE, game::NO_OUTLINE));
    EXPECT_EQ(frame().meshes.length, 0u);
    EXPECT_EQ(frame().quads.length, 0u);

    EXPECT_TRUE(game::drawNamedMesh(placement, complete, game::UV_SCALE_ONCE, game::UV_OFFSET_NONE, game::NO_OUTLINE));
    EXPECT_TRUE(game::drawNamedQuad(placement, "t", "e", game::UV_SCALE_ONCE, game::UV_OFFSET_NONE, game::NO_OUTLINE));
    ASSERT_EQ(frame().meshes.length, 1u);
    ASSERT_EQ(frame().quads.length, 1u);
    EXPECT_EQ(meshAt(0)->mesh, game::findMesh("m"));
    EXPECT_EQ(meshAt(0)->emission, game::findTexture("e"));
    EXPECT_EQ(meshAt(0)->position, vec(1, 2, 3));
    EXPECT_EQ(quadAt(0)->texture, game::findTexture("t"));
}

TEST_F(EntityShared, TheRewindOutlineIsTealWithWidthOnlyOutsideTheRewind) {
    ve::v4 outside = game::rewindOutline(true);
    ve::v4 inside = game::rewindOutline(false);
    EXPECT_FLOAT_EQ(outside.x, 0.1f);
    EXPECT_FLOAT_EQ(outside.y, 0.3f);
    EXPECT_FLOAT_EQ(outside.z, 0.3f);
    EXPECT_FLOAT_EQ(outside.w, 0.05f);
    EXPECT_EQ(inside.w, 0.0f);
}

TEST_F(EntityShared, ThePlayerLooksAtABodyOnlyAlongItsSightAndWithinReach) {
    u32 box = createBox(gluetest::STATIC_FLAGS, vec(0, 0, -3)); // near face at z = -2.5
    game::PlayerEntity player = {};
    player.cam.pos = vec(0, 0, 0);

    struct Case {
        ve::v3 dir;
        f32 reach;
        b8 expected;
    } cases[] = {
        {vec(0, 0, -1), 2.6f, true},
        {vec(0, 0, -1), 2.4f, false},
        {vec(0, 0, 1), 10.0f, false},
        {vec(1, 0, 0), 10.0f, false},
    };
    for (const Case& c : cases) {
        player.cam.dir = c.dir;
        EXPECT_EQ(game::isPlayerLookingAt(&player, box, c.reach), c.expected) << c.reach;
    }
    EXPECT_FALSE(game::isPlayerLookingAt(nullptr, box, 10.0f));

    // A body without boxes, right on the line of sight, is never looked at.
    ve::BodyOpts noBoxes = gluetest::bodyOpts(gluetest::STATIC_FLAGS, vec(0, 0, -1), nullptr, 0);
    player.cam.dir = vec(0, 0, -1);
    EXPECT_FALSE(game::isPlayerLookingAt(&player, create(&noBoxes), 10.0f));
}

TEST_F(EntityShared, TheLivePoseIsTheBodysNotTheStoredOptions) {
    u32 body = createBox(gluetest::DYNAMIC_FLAGS, vec(0, 5, 0));
    ve::setPosition(body, vec(4, 5, 6));
    game::BodyPose pose = game::getLivePose(body);
    EXPECT_EQ(pose.position, vec(4, 5, 6));
    EXPECT_EQ(game::getLivePose(ve::NO_BODY).position, vec(0, 0, 0));
}

} // namespace

namespace {

// Walls, barriers and cables draw one unit quad over each box collider: at the collider's place
// under the parent, as large as the box's full face.
TEST(ColliderQuad, CoversTheBoxFullFaceWhereverTheParentPutsIt) {
    struct Case {
        ve::mat4 parent;
        ve::mat4 local;
        ve::v3 position;
        ve::v3 scale;
    };
    ve::mat4 turn = ve::rotMat(ve::v3{0, 1, 0}, ve::PI / 2);
    const Case cases[] = {
        {ve::iMat4(), ve::transMat({1, 2, 3}), {1, 2, 3}, {2, 4, 0.2f}},
        {ve::transMat({10, 0, 0}), ve::transMat({1, 2, 3}), {11, 2, 3}, {2, 4, 0.2f}},
        {turn, ve::transMat({1, 0, 0}), {0, 0, -1}, {2, 4, 0.2f}},
        {ve::transMat({0, 5, 0}), ve::scaleMat({3, 1, 1}), {0, 5, 0}, {6, 4, 0.2f}},
    };
    for (const Case& c : cases) {
        ve::Primitive collider = {};
        collider.type = ve::Primitive_Type::Cuboid;
        collider.localTransform = c.local;
        collider.cuboid.scale = {1, 2, 0.1f}; // half extents
        game::DrawPlacement placement = game::colliderQuadPlacement(c.parent, collider);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(placement.position.E[k], c.position.E[k], 1e-5f) << k;
            EXPECT_NEAR(placement.scale.E[k], c.scale.E[k], 1e-5f) << k;
        }
    }
}

} // namespace
