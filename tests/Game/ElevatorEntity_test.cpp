// The elevator: a powered one used with E asks for the next level by raising the last digit of
// the scene's name, thanks the player in the last level, and R asks for the current level again.

#include "power_harness.h"

#include <stdio.h>

using namespace powertest;

namespace {

class Elevator : public PowerTest {
protected:
    game::ButtonEntity* source = nullptr;
    game::ElevatorEntity* elevator = nullptr;
    game::PlayerEntity* player = nullptr;

    void SetUp() override {
        PowerTest::SetUp();
        source = addSourceAndCable("Source", "Cable", vec(20, 0, 0), 1);
        elevator = addEntity<game::ElevatorEntity>(ve::MetaType::game_ElevatorEntity, "Elevator");
        elevator->bodyOpts = boxOpts(gluetest::STATIC_FLAGS, vec(0, 0, 5), vec(2, 2, 2)); // near face z = 4
        elevator->cableEntity = refTo("Cable");
        elevator->playerEntity = refTo("Player");
        elevator->power = (b8*)0x10; // whatever a level file held
        game::initElevatorEntity(elevator);
        player = addPlayer(vec(0, 0, 2), vec(0, 0, 1), vec(0, 0, -10)); // 2 units from the face
    }

    void nameScene(const char* name) {
        scene()->name = ve::allocAndCopyString(ve::wrapASCIIZ(name), &scene()->sceneDataHeap);
    }
    std::string sceneName() { return std::string((const char*)scene()->name.data, scene()->name.length); }

    // The update in a frame with E pressed; returns what it printed to the standard output.
    std::string useWithE() {
        press(&keys().E);
        testing::internal::CaptureStdout();
        game::updateElevatorEntity(elevator);
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(Elevator, InitBindsTheSourceOfItsCable) {
    EXPECT_EQ(elevator->power, &source->powered);
    elevator->cableEntity = refTo("Nothing");
    game::initElevatorEntity(elevator);
    EXPECT_EQ(elevator->power, nullptr);
}

// A scene initialises in entity order: an elevator placed before its cable binds the source
// while the cable's `on` still holds what the level file held.
TEST_F(Elevator, AnElevatorInitialisedBeforeItsCableIsUsableOnceTheSourceIsPowered) {
    startNewScene();
    nameScene("Level 2");
    source = addButton("Source", vec(20, 0, 0));
    elevator = addEntity<game::ElevatorEntity>(ve::MetaType::game_ElevatorEntity, "Elevator");
    elevator->bodyOpts = boxOpts(gluetest::STATIC_FLAGS, vec(0, 0, 5), vec(2, 2, 2));
    elevator->cableEntity = refTo("Cable");
    elevator->playerEntity = refTo("Player");
    game::CableEntity* cable = addEntity<game::CableEntity>(ve::MetaType::game_CableEntity, "Cable");
    cable->button = refTo("Source");
    cable->on = nullptr; // not bound yet
    game::initElevatorEntity(elevator);
    game::initCableEntity(cable);
    player = addPlayer(vec(0, 0, 2), vec(0, 0, 1), vec(0, 0, -10));
    source->powered = 1;
    useWithE();
    EXPECT_EQ(sceneName(), "Level 3");
    EXPECT_EQ(state()->loadScene.data, scene()->name.data);
}

TEST_F(Elevator, UsingItRaisesTheLevelDigitInPlaceAndTheSwitchFollowsTheFrame) {
    addFile("Level 2.vsf", enginetest::writeEmptySceneFile());
    nameScene("Level 1");
    EXPECT_EQ(useWithE(), "");
    EXPECT_EQ(sceneName(), "Level 2") << "the current name is raised at once";
    EXPECT_EQ(state()->loadScene.data, scene()->name.data);
    EXPECT_EQ(state()->loadScene.length, 7u);
    EXPECT_NE(ve::getEntity(scene(), ve::hashASCIIZ("Elevator")), nullptr) << "no switch inside the update";

    h.events.clear();
    clearEdges();
    runFrame();
    std::vector<std::string> switched = eventsStartingWith("submit");
    EXPECT_EQ(switched.size(), 1u);
    EXPECT_EQ(h.events.back(), "releaseColorBuffers") << "the switch comes after the submit";
    EXPECT_EQ(sceneName(), "Level 2");
    EXPECT_EQ(scene()->entities.length, 0u);
    EXPECT_EQ(state()->loadScene.data, nullptr);
}

TEST_F(Elevator, LevelsOneToFiveLeadOnAndEveryOtherNameThanksThePlayer) {
    struct Case {
        const char* name;
        const char* after;
        const char* printed;
    } cases[] = {
        {"Level 1", "Level 2", ""},
        {"Level 5", "Level 6", ""},
        {"Level 6", "Level 6", "Thanks for playing!\n"},
        {"Level 0", "Level 0", "Thanks for playing!\n"},
        {"New Scene", "New Scene", "Thanks for playing!\n"},
        {"", "", "Thanks for playing!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nameScene(c.name);
        state()->loadScene = {};
        EXPECT_EQ(useWithE(), c.printed);
        EXPECT_EQ(sceneName(), c.after);
        EXPECT_EQ(state()->loadScene.data != nullptr, c.printed[0] == 0);
    }
}

TEST_F(Elevator, OnlyAPressAimedWithinReachAtAPoweredElevatorUsesIt) {
    nameScene("Level 3");
    struct Case {
        const char* what;
        ve::v3 eye;
        b8 powered, pressed;
        const char* cable;
    } cases[] = {
        {"from 3.1 units", vec(0, 0, 0.9f), 1, 1, "Cable"},
        {"unpowered", vec(0, 0, 2), 0, 1, "Cable"},
        {"E held, not pressed", vec(0, 0, 2), 1, 0, "Cable"},
        {"no source bound", vec(0, 0, 2), 1, 1, "Nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        player->cam.pos = c.eye;
        source->powered = c.powered;
        elevator->cableEntity = refTo(c.cable);
        game::initElevatorEntity(elevator);
        c.pressed ? press(&keys().E) : hold(&keys().E);
        game::updateElevatorEntity(elevator);
        EXPECT_EQ(sceneName(), "Level 3");
        EXPECT_EQ(state()->loadScene.data, nullptr);
    }
}

TEST_F(Elevator, RAloneAsksForTheCurrentLevelAgain) {
    nameScene("Level 4");
    source->powered = 0;
    elevator->playerEntity = refTo("Nobody");
    press(&keys().R);
    game::updateElevatorEntity(elevator);
    EXPECT_EQ(state()->loadScene.data, scene()->name.data);
    EXPECT_EQ(sceneName(), "Level 4");
}

TEST_F(Elevator, ItIsLitWithItsLightWhilePoweredOrUnboundAndDarkOtherwise) {
    source->powered = 1;
    game::renderElevatorEntity(elevator);
    source->powered = 0;
    game::renderElevatorEntity(elevator);
    elevator->power = nullptr;
    game::renderElevatorEntity(elevator);
    ASSERT_EQ(frame().meshes.length, 3u);
    EXPECT_EQ(meshAt(0)->emission, game::findTexture("elevator_emission_img"));
    EXPECT_EQ(meshAt(1)->emission, game::findTexture("black_img"));
    EXPECT_EQ(meshAt(2)->emission, game::findTexture("elevator_emission_img"));
    EXPECT_EQ(meshAt(0)->position, vec(0, 0, 5));
    ASSERT_EQ(frame().pointLights.length, 2u);
    EXPECT_EQ(lightAt(0)->position, vec(0, 3, 5));
    EXPECT_EQ(lightAt(0)->color, vec(2, 1.5f, 1));
    EXPECT_EQ(lightAt(0)->attenuation, vec(1, 0.4f, 0.1f));
}

} // namespace
