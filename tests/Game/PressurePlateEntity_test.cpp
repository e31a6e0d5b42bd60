// The pressure plate: powered in every update in which the player's or a cube's body stands over
// its square, whatever the height; never by anything else.

#include "power_harness.h"

#include "Game/WallEntity.h"

using namespace powertest;

namespace {

class Plate : public PowerTest {
protected:
    game::PressurePlateEntity* addPlate(ve::v3 centre, b8 timeDependent = 1) {
        game::PressurePlateEntity* plate =
            addEntity<game::PressurePlateEntity>(ve::MetaType::game_PressurePlateEntity, "Plate");
        plate->bodyOpts = boxOpts(gluetest::DYNAMIC_FLAGS | gluetest::LOCK_X, centre, vec(2, 0.1f, 2));
        plate->timeDependent = timeDependent;
        plate->powered = 1; // as the level stored it
        game::initPressurePlateEntity(plate);
        return plate;
    }
};

TEST_F(Plate, InitMakesItAStaticBodyThatCollidesWithNothing) {
    game::PressurePlateEntity* plate = addPlate(vec(0, 0, 0), 1);
    EXPECT_EQ(plate->bodyOpts.collisionMask, 0u);
    EXPECT_EQ(plate->bodyOpts.flags.value, 32u);
    EXPECT_EQ(*ve::getLayers(plate->bodyOpts.physicsBody), 0u);
    ASSERT_EQ(state()->trackedVars.boolCount, 1u);
    EXPECT_EQ(state()->trackedVars.bools[0], &plate->powered);
    game::PressurePlateEntity* untracked = addEntity<game::PressurePlateEntity>(ve::MetaType::game_PressurePlateEntity, "Other");
    game::initPressurePlateEntity(untracked);
    EXPECT_EQ(state()->trackedVars.boolCount, 1u);
}

TEST_F(Plate, ABodyStrictlyInsideTheSquarePowersItAtAnyHeight) {
    game::PressurePlateEntity* plate = addPlate(vec(10, 0, 20));
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0), vec(0, 0, 1), vec(0, 0, 0));
    game::CubeEntity* cube = addCube("Cube", vec(0, 0, 0));
    plate->player = refTo("Player");
    plate->cube3 = refTo("Cube");
    struct Case {
        ve::v3 playerAt, cubeAt;
        b8 powered;
    } cases[] = {
        {vec(10.99f, 0, 20), vec(50, 0, 50), true},
        {vec(11.0f, 0, 20), vec(50, 0, 50), false},
        {vec(9.01f, 0, 20), vec(50, 0, 50), true},
        {vec(50, 0, 50), vec(10, 30, 20), true},       // lifted high above
        {vec(50, 0, 50), vec(10, -5, 20.99f), true},   // below, inside
        {vec(50, 0, 50), vec(10, 0, 21.0f), false},    // just outside in z
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.playerAt.x + c.cubeAt.z);
        ve::setPosition(player->bodyOpts.physicsBody, c.playerAt);
        ve::setPosition(cube->bodyOpts.physicsBody, c.cubeAt);
        game::updatePressurePlateEntity(plate);
        EXPECT_EQ(plate->powered, c.powered);
    }
}

TEST_F(Plate, ItWatchesTheSquareAroundItsStoredPositionNotItsLiveBody) {
    game::PressurePlateEntity* plate = addPlate(vec(0, 0, 0));
    game::PlayerEntity* player = addPlayer(vec(0, 0, 0), vec(0, 0, 1), vec(0, 0, 0));
    plate->player = refTo("Player");
    ve::setPosition(plate->bodyOpts.physicsBody, vec(30, 0, 30));
    struct Case {
        ve::v3 playerAt;
        b8 powered;
    } cases[] = {{vec(0.5f, 0, 0), true}, {vec(30, 0, 30), false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.playerAt.x);
        ve::setPosition(player->bodyOpts.physicsBody, c.playerAt);
        game::updatePressurePlateEntity(plate);
        EXPECT_EQ(plate->powered, c.powered);
    }
}

TEST_F(Plate, ReferencesThatNameNothingOrAnotherTypeNeverPowerIt) {
    game::PressurePlateEntity* plate = addPlate(vec(0, 0, 0));
    game::updatePressurePlateEntity(plate);
    EXPECT_FALSE(plate->powered) << "five references to nothing; the stored value does not last";

    // A wall and a button standing on the plate are not pressers; a cube named as the player
    // is not the player either.
    game::WallEntity* wall = addEntity<game::WallEntity>(ve::MetaType::game_WallEntity, "Wall");
    wall->bodyOpts = boxOpts(gluetest::STATIC_FLAGS, vec(0, 0, 0));
    ve::createBody(state()->scene, &wall->bodyOpts);
    addButton("Button", vec(0, 0, 0));
    addCube("Cube", vec(0, 0, 0));
    plate->cube1 = refTo("Wall");
    plate->cube2 = refTo("Button");
    plate->player = refTo("Cube");
    game::updatePressurePlateEntity(plate);
    EXPECT_FALSE(plate->powered);

    plate->cube4 = refTo("Cube");
    game::updatePressurePlateEntity(plate);
    EXPECT_TRUE(plate->powered) << "cubes on it power it without a player";
}

TEST_F(Plate, ItIsDrawnAtItsStoredPoseGlowingWhilePowered) {
    game::PressurePlateEntity* plate = addPlate(vec(1, 2, 3), 0);
    ve::setPosition(plate->bodyOpts.physicsBody, vec(7, 7, 7));
    plate->powered = 1;
    game::renderPressurePlateEntity(plate);
    plate->powered = 0;
    game::renderPressurePlateEntity(plate);
    ASSERT_EQ(frame().meshes.length, 2u);
    EXPECT_EQ(meshAt(0)->position, vec(1, 2, 3));
    EXPECT_EQ(meshAt(0)->scale, vec(1, 1, 1));
    EXPECT_EQ(meshAt(0)->emission, game::findTexture("gold_img"));
    EXPECT_EQ(meshAt(1)->emission, game::findTexture("black_img"));
    EXPECT_EQ(meshAt(1)->texture, game::findTexture("gold_img"));
    EXPECT_FLOAT_EQ(meshAt(1)->outline.w, 0.05f);
}

} // namespace
