// The lamp: its mesh and its point light at the live body, and its light without its mesh.

#include "game_harness.h"

#include "Game/LightEntity.h"

using namespace gametest;
using gluetest::DYNAMIC_FLAGS;

namespace {

class Light : public GameTest {
protected:
    ve::Primitive lampBox = gluetest::cuboidAt(vec(0, 0, 0), vec(0.5f, 0.5f, 0.5f));

    game::LightEntity* addLamp(ve::v3 position) {
        game::LightEntity* lamp = addEntity<game::LightEntity>(ve::MetaType::game_LightEntity, "Lamp");
        lamp->bodyOpts = gluetest::bodyOpts(DYNAMIC_FLAGS, position, &lampBox, 1);
        lamp->bodyOpts.gravity = 0.0f;
        ve::initScene(&state()->currentScene);
        return lamp;
    }
};

TEST_F(Light, ALampDrawsItsMeshAndOneWarmLightAtItsLiveBody) {
    registerGameAssets();
    game::LightEntity* lamp = addLamp(vec(0, 3, 0));
    ve::setPosition(lamp->bodyOpts.physicsBody, vec(1, 4, 2));
    runFrame(TICK);

    ASSERT_EQ(frame().meshes.length, 1u);
    ve::MeshInstance* mesh = meshAt(0);
    EXPECT_EQ(mesh->position, vec(1, 4, 2));
    EXPECT_EQ(mesh->scale, vec(1, 1, 1));
    EXPECT_EQ(mesh->mesh, game::findMesh("light_mesh"));
    EXPECT_EQ(mesh->texture, game::findTexture("light_img"));
    EXPECT_EQ(mesh->material, game::findBasicMat("light_mat"));
    EXPECT_EQ(mesh->emission, game::findTexture("light_emission_img"));
    EXPECT_EQ(mesh->outline.w, 0.0f);

    ASSERT_EQ(frame().pointLights.length, 1u);
    EXPECT_EQ(lightAt(0)->position, vec(1, 4, 2));
    EXPECT_EQ(lightAt(0)->color, vec(6, 4, 2.5f));
    EXPECT_EQ(lightAt(0)->attenuation, vec(1, 0.4f, 0.1f));
}

TEST_F(Light, ALampWithoutItsMeshStillLightsAndReportsTheMeshOnce) {
    std::vector<std::string> printed = printedBy([&] {
        addLamp(vec(0, 3, 0));
        runFrame(TICK);
        runFrame(TICK);
    });
    EXPECT_EQ(frame().meshes.length, 0u);
    EXPECT_EQ(frame().pointLights.length, 1u);
    std::vector<std::string> expected = {"Missing asset: light_mesh", "Missing asset: light_img",
                                         "Missing asset: light_mat", "Missing asset: light_emission_img"};
    EXPECT_EQ(printed, expected);
}

} // namespace
