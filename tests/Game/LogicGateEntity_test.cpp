// The logic gates: NOT of the first cable's source, AND and OR of both, with the output kept
// while a needed cable is missing; drawn with the operation's icon.

#include "power_harness.h"

using namespace powertest;

namespace {

class Gate : public PowerTest {
protected:
    game::ButtonEntity* first = nullptr;
    game::ButtonEntity* second = nullptr;

    void SetUp() override {
        PowerTest::SetUp();
        first = addSourceAndCable("First", "Cable1", vec(0, 0, 0));
        second = addSourceAndCable("Second", "Cable2", vec(0, 0, 5));
    }

    game::LogicGateEntity* addGate(game::LogicGateType type, const char* cable1 = "Cable1",
                                   const char* cable2 = "Cable2") {
        game::LogicGateEntity* gate = addEntity<game::LogicGateEntity>(ve::MetaType::game_LogicGateEntity, "Gate");
        gate->bodyOpts = boxOpts(gluetest::DYNAMIC_FLAGS, vec(1, 2, 3));
        gate->type = type;
        gate->cable1 = refTo(cable1);
        gate->cable2 = refTo(cable2);
        game::initLogicGateEntity(gate);
        return gate;
    }
};

TEST_F(Gate, TheThreeOperationsFollowTheirTruthTables) {
    using game::LogicGateType;
    struct Case {
        LogicGateType type;
        b8 in1, in2, out;
    } cases[] = {
        {LogicGateType::AND, 0, 0, 0}, {LogicGateType::AND, 0, 1, 0}, {LogicGateType::AND, 1, 0, 0},
        {LogicGateType::AND, 1, 1, 1}, {LogicGateType::OR, 0, 0, 0},  {LogicGateType::OR, 0, 1, 1},
        {LogicGateType::OR, 1, 0, 1},  {LogicGateType::OR, 1, 1, 1},  {LogicGateType::NOT, 0, 1, 1},
        {LogicGateType::NOT, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (u32)c.type << " " << (int)c.in1 << (int)c.in2);
        game::LogicGateEntity* gate = addGate(c.type);
        first->powered = c.in1;
        second->powered = c.in2;
        gate->powered = !c.out;
        game::updateLogicGateEntity(gate);
        EXPECT_EQ(gate->powered, c.out);
        ve::destroyEntity(scene(), ve::hashASCIIZ("Gate"));
    }
}

TEST_F(Gate, AMissingNeededCableKeepsTheOutputAndNOTNeedsOnlyTheFirst) {
    first->powered = 1;
    second->powered = 1;
    game::LogicGateEntity* andGate = addGate(game::LogicGateType::AND, "Cable1", "Nothing");
    game::updateLogicGateEntity(andGate);
    EXPECT_FALSE(andGate->powered);
    andGate->powered = 1;
    andGate->cable1 = refTo("Nothing");
    andGate->cable2 = refTo("Cable2");
    first->powered = 0;
    game::updateLogicGateEntity(andGate);
    EXPECT_TRUE(andGate->powered);

    game::LogicGateEntity* notGate = addEntity<game::LogicGateEntity>(ve::MetaType::game_LogicGateEntity, "Not");
    notGate->type = game::LogicGateType::NOT;
    notGate->cable1 = refTo("Cable1");
    game::updateLogicGateEntity(notGate);
    EXPECT_TRUE(notGate->powered);

    // A cable whose source was never found reads as unpowered.
    addCable("Loose", "Nobody");
    notGate->cable1 = refTo("Loose");
    notGate->powered = 0;
    game::updateLogicGateEntity(notGate);
    EXPECT_TRUE(notGate->powered);
}

TEST_F(Gate, AnANDOrORGateWithoutASecondCableKeepsItsPreviousOutput) {
    struct Case {
        game::LogicGateType type;
        b8 in1, previous;
    } cases[] = {
        {game::LogicGateType::AND, 0, 1}, {game::LogicGateType::AND, 1, 1},
        {game::LogicGateType::OR, 0, 1},  {game::LogicGateType::OR, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (u32)c.type << " " << (int)c.in1 << " after " << (int)c.previous);
        game::LogicGateEntity* gate = addGate(c.type, "Cable1", "Nothing");
        first->powered = c.in1;
        gate->powered = c.previous;
        game::updateLogicGateEntity(gate);
        EXPECT_EQ(gate->powered, c.previous);
        ve::destroyEntity(scene(), ve::hashASCIIZ("Gate"));
    }
}

TEST_F(Gate, ItIsDrawnAtItsStoredPoseWithItsIconLitWhilePowered) {
    struct Case {
        game::LogicGateType type;
        b8 powered;
        const char* texture;
        const char* emission;
    } cases[] = {
        {game::LogicGateType::AND, 1, "and_img", "and_img"},   {game::LogicGateType::AND, 0, "and_img", "black_img"},
        {game::LogicGateType::NOT, 1, "not_img", "not_img"},   {game::LogicGateType::OR, 1, "black_img", "black_img"},
        {game::LogicGateType::OR, 0, "black_img", "black_img"}, {(game::LogicGateType)7, 1, "black_img", "black_img"},
    };
    game::LogicGateEntity* gate = addGate(game::LogicGateType::AND);
    ve::setPosition(gate->bodyOpts.physicsBody, vec(9, 9, 9));
    for (const Case& c : cases) {
        gate->type = c.type;
        gate->powered = c.powered;
        game::renderLogicGateEntity(gate);
    }
    ASSERT_EQ(frame().quads.length, 6u);
    for (u32 i = 0; i < 6; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(quadAt(i)->texture, game::findTexture(cases[i].texture));
        EXPECT_EQ(quadAt(i)->emission, game::findTexture(cases[i].emission));
        EXPECT_EQ(quadAt(i)->position, vec(1, 2, 3));
        EXPECT_EQ(quadAt(i)->scale, vec(1, 1, 1));
    }
    EXPECT_EQ(gate->bodyOpts.collisionMask, 0u);
}

} // namespace
