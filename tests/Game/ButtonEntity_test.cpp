// The button: E within reach along the player's line of sight, with nothing solid before it, flips
// it, once per press; its flag is recorded with the world only when it is time-dependent.

#include "power_harness.h"

using namespace powertest;

namespace {

class Button : public PowerTest {};

TEST_F(Button, EWithinReachFlipsItOncePerPress) {
    game::ButtonEntity* button = addButton("Button", vec(0, 0, 0)); // near face at z = -0.5
    struct Case {
        ve::v3 eye, dir;
        b8 flips;
    } cases[] = {
        {vec(0, 0, -3.0f), vec(0, 0, 1), true},   // 2.5 to the face
        {vec(0, 0, -3.1f), vec(0, 0, 1), false},  // 2.6
        {vec(0, 0, -2.0f), vec(0, 1, 0), false},  // aiming elsewhere
        {vec(0, 0, -2.0f), vec(0, 0, -1), false}, // behind the eye
    };
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0), vec(0, 0, 1), vec(0, 0, -20));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.eye.z);
        player->cam.pos = c.eye;
        player->cam.dir = c.dir;
        button->powered = 0;
        press(&keys().E);
        game::updateButtonEntity(button);
        EXPECT_EQ(button->powered, c.flips);
    }

    player->cam.pos = vec(0, 0, -2);
    player->cam.dir = vec(0, 0, 1);
    button->powered = 0;
    press(&keys().E);
    game::updateButtonEntity(button);
    hold(&keys().E);
    game::updateButtonEntity(button);
    game::updateButtonEntity(button);
    EXPECT_TRUE(button->powered) << "a held key toggles once";
    press(&keys().E);
    game::updateButtonEntity(button);
    EXPECT_FALSE(button->powered) << "a second press flips it back";
}

TEST_F(Button, EReachesOnlyTheFirstSolidBodyOnTheLineOfSight) {
    game::ButtonEntity* front = addButton("Front", vec(0, 0, 0));      // faces at z = -0.5 and 0.5
    game::ButtonEntity* behind = addButton("Behind", vec(0, 0, 1.5f)); // near face 2.2 from the eye
    addPlayer(vec(0, 0, -1.2f), vec(0, 0, 1), vec(0, 0, -20));
    struct Case {
        u32 frontLayers; // 0: collides with nothing (as a plate or a lowered barrier)
        b8 frontFlips, behindFlips;
    } cases[] = {{1, true, false}, {0, true, true}};
    for (const Case& c : cases) {
        *ve::getLayers(front->bodyOpts.physicsBody) = c.frontLayers;
        front->powered = behind->powered = 0;
        press(&keys().E);
        game::updateButtonEntity(behind);
        game::updateButtonEntity(front);
        EXPECT_EQ(front->powered, c.frontFlips) << c.frontLayers;
        EXPECT_EQ(behind->powered, c.behindFlips) << c.frontLayers;
    }
}

TEST_F(Button, WithoutItsPlayerNothingHappens) {
    game::ButtonEntity* button = addButton("Button", vec(0, 0, 0));
    addPlayer(vec(0, 0, -2), vec(0, 0, 1), vec(0, 0, -20), "Someone");
    addEntity<game::CubeEntity>(ve::MetaType::game_CubeEntity, "Player"); // a cube by that name is no player
    press(&keys().E);
    game::updateButtonEntity(button);
    EXPECT_FALSE(button->powered);
}

TEST_F(Button, OnlyATimeDependentButtonIsRecordedAndOnlyTheOtherIsOutlined) {
    game::ButtonEntity* recorded = addButton("Recorded", vec(0, 0, 0), 1, 1);
    game::ButtonEntity* kept = addButton("Kept", vec(5, 0, 0), 0, 0);
    ASSERT_EQ(state()->trackedVars.boolCount, 1u);
    EXPECT_EQ(state()->trackedVars.bools[0], &recorded->powered);

    ve::setPosition(kept->bodyOpts.physicsBody, vec(5, 1, 0));
    game::renderButtonEntity(recorded);
    game::renderButtonEntity(kept);
    ASSERT_EQ(frame().meshes.length, 2u);
    EXPECT_EQ(meshAt(0)->outline.w, 0.0f);
    EXPECT_FLOAT_EQ(meshAt(1)->outline.w, 0.05f);
    EXPECT_FLOAT_EQ(meshAt(1)->outline.y, 0.3f);
    EXPECT_EQ(meshAt(1)->position, vec(5, 1, 0)) << "drawn at the live body";
    // Powered or not, it looks the same.
    EXPECT_EQ(meshAt(0)->emission, meshAt(1)->emission);
    EXPECT_EQ(meshAt(0)->emission, game::findTexture("button_emission_img"));
    EXPECT_EQ(meshAt(0)->mesh, game::findMesh("button_mesh"));
}

} // namespace
