#include "Physics/collision/phCollide.h"
#include "phPiles.h"
#include "phStepScenes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string.h>
#include <vector>

namespace {

// Kinetic plus potential energy of a body with one unit box of density 1 (mass 1).
double energyOfUnitBox(const phBody* body) {
    const double inertia = 1.0 / 6.0;
    double v2 = phDot(body->m_linearVelocity, body->m_linearVelocity);
    double w2 = phDot(body->m_angularVelocity, body->m_angularVelocity);
    return 0.5 * v2 + 0.5 * inertia * w2 - double(kGravityY) * body->m_worldCenter.y;
}

bool underSleepTolerances(const phBody* body) {
    return speedSquared(body) <= phk_sleepLinearTolerance &&
           phDot(body->m_angularVelocity, body->m_angularVelocity) <= phk_sleepAngularTolerance;
}

bool everyBodyAsleep(const std::vector<phBody*>& bodies) {
    for (const phBody* body : bodies) {
        if (body->IsAwake()) return false;
    }
    return true;
}

// Steps until the body sleeps; returns the number of steps, or -1 after `limit`.
int stepUntilAsleep(phScene* scene, const phBody* body, int limit) {
    for (int i = 1; i <= limit; ++i) {
        scene->Step();
        if (!body->IsAwake()) return i;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Integration
// ---------------------------------------------------------------------------------------------

TEST_F(SceneTest, FreeFallFollowsTheIntegratorsClosedForm) {
    phBody* body = addDynamicBox(world(), vec3(0, 10, 0));
    const int steps = 60;
    stepScene(world(), steps);

    // Velocity first, then position with the new velocity: after n steps v = n g dt and
    // y = y0 + g dt^2 n (n + 1) / 2.
    double g = kGravityY, dt = kTick;
    EXPECT_NEAR(body->m_linearVelocity.y, steps * g * dt, 1e-4);
    EXPECT_NEAR(body->m_worldCenter.y, 10 + g * dt * dt * steps * (steps + 1) / 2, 1e-3);
    EXPECT_EQ(body->m_linearVelocity.x, 0);
    EXPECT_EQ(body->m_linearVelocity.z, 0);
    EXPECT_EQ(body->m_tx.position.y, body->m_worldCenter.y) << "the origin follows the centre";
    EXPECT_TRUE(body->IsAwake());
}

TEST_F(SceneTest, GravityScaleAndDampingShapeTheFall) {
    BoxBodyDesc weightless;
    weightless.position = vec3(0, 5, 0);
    phBody* floating = addBoxBody(world(), weightless);
    floating->SetGravityScale(0);
    phBody* damped = addDynamicBox(world(), vec3(10, 5, 0));
    damped->SetLinearDamping(1);
    phBody* free = addDynamicBox(world(), vec3(20, 5, 0));
    stepScene(world(), 30);

    EXPECT_EQ(floating->m_worldCenter.y, 5);
    EXPECT_LT(free->m_linearVelocity.y, damped->m_linearVelocity.y);
    EXPECT_LT(damped->m_linearVelocity.y, 0);
}

TEST_F(SceneTest, AnEmptySceneStepsWithoutChange) {
    stepScene(world(), 3);
    EXPECT_EQ(world()->m_bodyCount, 0);
    EXPECT_EQ(world()->m_contactManager.m_contactCount, 0);
    EXPECT_EQ(world()->m_stack.m_index, 0u);
}

TEST_F(SceneTest, ForcesAreClearedAfterEveryStep) {
    phBody* body = addDynamicBox(world(), vec3(0, 5, 0));
    world()->SetGravity(vec3(0, 0, 0));
    body->ApplyLinearForce(vec3(60, 0, 0));
    body->ApplyTorque(vec3(0, 6, 0));
    world()->Step();
    EXPECT_NEAR(body->m_linearVelocity.x, 1, 1e-5);
    EXPECT_GT(body->m_angularVelocity.y, 0);
    phVec3 v = body->m_linearVelocity;

    world()->Step();
    EXPECT_EQ(body->m_force.x, 0);
    EXPECT_EQ(body->m_torque.y, 0);
    EXPECT_EQ(body->m_linearVelocity.x, v.x) << "no force, no acceleration";
}

// ---------------------------------------------------------------------------------------------
// Resting and sleeping
// ---------------------------------------------------------------------------------------------

TEST_F(SceneTest, BoxComesToRestOnTheFloorWithinTheSlopAndSleeps) {
    addFloor(world());
    phBody* box = addDynamicBox(world(), vec3(0, 0.7f, 0));

    int quietSteps = 0;
    int sleptAt = -1;
    for (int i = 1; i <= 300 && sleptAt < 0; ++i) {
        world()->Step();
        quietSteps = underSleepTolerances(box) ? quietSteps + 1 : 0;
        if (!box->IsAwake()) sleptAt = i;
    }

    ASSERT_GT(sleptAt, 0) << "the box must fall asleep";
    // Half a second of quiet at 60 steps per second.
    EXPECT_GE(quietSteps, 30);
    EXPECT_LE(quietSteps, 32);
    EXPECT_LT(sleptAt, 120);
    r32 bottom = box->m_worldCenter.y - 0.5f;
    EXPECT_GE(bottom, -phk_penetrationSlop - 1e-3f);
    EXPECT_LE(bottom, 1e-3f);
    const r32 zero[3] = {0, 0, 0};
    EXPECT_EQ(memcmp(box->m_linearVelocity.v, zero, sizeof(zero)), 0);
    EXPECT_EQ(memcmp(box->m_angularVelocity.v, zero, sizeof(zero)), 0);

    // Asleep, it stays exactly where it is.
    phVec3 rest = box->m_worldCenter;
    stepScene(world(), 60);
    EXPECT_FALSE(box->IsAwake());
    EXPECT_EQ(memcmp(rest.v, box->m_worldCenter.v, sizeof(rest.v)), 0);
}

TEST_F(SceneTest, ABoxRestsAlikeWhicheverBodyTheConstraintNamesFirst) {
    // Pairs name the box of the older proxy first: the floor in one world, the box in the other.
    addFloor(world());
    phBody* boxOnOlderFloor = addDynamicBox(world(), vec3(0, 0.7f, 0));
    phBody* boxBeforeFloor = addDynamicBox(world(), vec3(100, 0.7f, 0));
    BoxBodyDesc laterFloor;
    laterFloor.type = eStaticBody;
    laterFloor.position = vec3(100, -0.5f, 0);
    laterFloor.halfExtents = vec3(5, 0.5f, 5);
    addBoxBody(world(), laterFloor);

    for (int i = 0; i < 90; ++i) {
        world()->Step();
        // The same sums in another order: equal up to rounding.
        ASSERT_NEAR(boxOnOlderFloor->m_worldCenter.y, boxBeforeFloor->m_worldCenter.y, 1e-5f) << i;
        ASSERT_NEAR(boxOnOlderFloor->m_linearVelocity.y, boxBeforeFloor->m_linearVelocity.y, 1e-4f) << i;
    }
    EXPECT_NEAR(boxBeforeFloor->m_worldCenter.y, 0.5f, phk_penetrationSlop);
}

TEST_F(SceneTest, AnAppliedForceWakesASleepingBox) {
    addFloor(world());
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f, 0));
    ASSERT_GT(stepUntilAsleep(world(), box, 300), 0);

    box->ApplyLinearForce(vec3(0, 20, 0));
    EXPECT_TRUE(box->IsAwake());
    r32 before = box->m_worldCenter.y;
    world()->Step();
    EXPECT_GT(box->m_worldCenter.y, before);
}

TEST_F(SceneTest, ADroppedBoxWakesTheSleepingBoxItLandsOn) {
    addFloor(world());
    phBody* lower = addDynamicBox(world(), vec3(0, 0.5f, 0));
    ASSERT_GT(stepUntilAsleep(world(), lower, 300), 0);

    phBody* upper = addDynamicBox(world(), vec3(0, 3, 0));
    bool woke = false;
    for (int i = 0; i < 120 && !woke; ++i) {
        world()->Step();
        woke = lower->IsAwake();
    }
    EXPECT_TRUE(woke);
    // The pair settles and sleeps again as one island.
    ASSERT_GT(stepUntilAsleep(world(), upper, 600), 0);
    EXPECT_FALSE(lower->IsAwake());
    EXPECT_NEAR(upper->m_worldCenter.y, 1.5f, phk_penetrationSlop * 2 + 1e-3f);
}

TEST_F(SceneTest, IslandsOnOneFloorAreSolvedApart) {
    addFloor(world());
    phBody* left = addDynamicBox(world(), vec3(-5, 1, 0));
    phBody* right = addDynamicBox(world(), vec3(5, 1, 0));
    ASSERT_GT(stepUntilAsleep(world(), left, 300), 0);
    EXPECT_FALSE(right->IsAwake());
    // Both stood on the floor, which joined each of their islands.
    EXPECT_NEAR(left->m_worldCenter.y, 0.5f, phk_penetrationSlop + 1e-3f);
    EXPECT_NEAR(right->m_worldCenter.y, 0.5f, phk_penetrationSlop + 1e-3f);

    // Waking one does not wake the other through the shared static floor.
    left->ApplyLinearForce(vec3(0, 20, 0));
    stepScene(world(), 5);
    EXPECT_TRUE(left->IsAwake());
    EXPECT_FALSE(right->IsAwake());
}

TEST_F(SceneTest, StackOfFiveStandsStillAndSleeps) {
    addFloor(world());
    std::vector<phBody*> stack;
    for (int i = 0; i < 5; ++i) stack.push_back(addDynamicBox(world(), vec3(0, 0.5f + i, 0)));
    phBody* top = stack.back();
    phVec3 start = top->m_worldCenter;

    r32 drift = 0;
    for (int i = 0; i < 600; ++i) {
        world()->Step();
        drift = fmaxf(drift, phLength(top->m_worldCenter - start));
    }
    EXPECT_LT(drift, 0.02f);
    for (const phBody* body : stack) EXPECT_FALSE(body->IsAwake());
}

// Unit cubes of the given densities resting on each other on the floor, the first at the bottom:
// a heavy cube on light ones must stand as still as cubes of equal mass, and sleep.
TEST_F(SceneTest, AHeavyCubeOnLightOnesStandsAndSleeps) {
    struct Case {
        const char* what;
        std::vector<r32> densities;
        // Each cube starts this far above the top of the one below it (the lowest above the
        // floor) and lands on it.
        r32 drop;
        int sleepsWithin;
    };
    const Case cases[] = {
        {"100 on 1", {1, 100}, 0, 240},
        {"100 on 1 on 1", {1, 1, 100}, 0, 240},
        {"100 on 1 on 1 dropped 1 cm", {1, 1, 100}, 0.01f, 240},
        {"100 on 1 on 1 dropped 4 cm", {1, 1, 100}, 0.04f, 240},
        {"100 on 1 dropped 10 cm", {1, 100}, 0.1f, 240},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        addFloor(world());
        std::vector<phBody*> stack;
        for (size_t i = 0; i < c.densities.size(); ++i) {
            BoxBodyDesc desc;
            desc.position = vec3(0, 0.5f + r32(i) * (1 + c.drop) + c.drop, 0);
            desc.density = c.densities[i];
            stack.push_back(addBoxBody(world(), desc));
        }
        phVec3 start = stack.back()->m_worldCenter;
        EXPECT_GT(stepUntilAsleep(world(), stack.back(), c.sleepsWithin), 0);
        phVec3 moved = stack.back()->m_worldCenter - start;
        EXPECT_LT(sqrtf(moved.x * moved.x + moved.z * moved.z), 0.05f) << "the heavy cube swayed";
        r32 lowestStanding = r32(c.densities.size()) - 0.5f - phk_penetrationSlop * r32(c.densities.size() - 1);
        EXPECT_GT(stack.back()->m_worldCenter.y, lowestStanding) << "the heavy cube sank into a light one";
        for (const phBody* body : stack) EXPECT_FALSE(body->IsAwake());
    }
}

// A unit cube pressed `depth` into each of two static blocks at its sides, on the floor or 3 m
// above it: the opposing pushes must not pump energy into it, and it must come to rest (held, or
// squeezed out and landed).
TEST_F(SceneTest, ACubeWedgedBetweenTwoBlocksGainsNoEnergyAndComesToRest) {
    for (r32 height : {0.5f, 3.0f}) {
        for (r32 depth : {0.05f, 0.15f, 0.30f}) {
            SCOPED_TRACE(testing::Message() << "height " << height << " depth " << depth);
            scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
            addFloor(world());
            for (r32 side : {-1.0f, 1.0f}) {
                BoxBodyDesc block;
                block.type = eStaticBody;
                block.position = vec3(side * (1 - depth), height, 0);
                addBoxBody(world(), block);
            }
            phBody* cube = addDynamicBox(world(), vec3(0, height, 0));
            double start = energyOfUnitBox(cube), highest = start;
            int asleepAt = -1;
            for (int i = 1; i <= 900 && asleepAt < 0; ++i) {
                world()->Step();
                highest = fmax(highest, energyOfUnitBox(cube));
                if (!cube->IsAwake()) asleepAt = i;
            }
            EXPECT_LE(highest, start + 1.0);
            EXPECT_GT(asleepAt, 0) << "it never came to rest";
        }
    }
}

TEST_F(SceneTest, TurningSleepOffWakesEveryBodyAndKeepsIslandsAwake) {
    addFloor(world());
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f, 0));
    ASSERT_GT(stepUntilAsleep(world(), box, 300), 0);

    world()->SetAllowSleep(false);
    EXPECT_TRUE(box->IsAwake());
    stepScene(world(), 300);
    EXPECT_TRUE(box->IsAwake());
}

TEST_F(SceneTest, ABodyThatMayNotSleepKeepsItsIslandAwake) {
    addFloor(world());
    BoxBodyDesc restless;
    restless.position = vec3(0, 0.5f, 0);
    restless.allowSleep = false;
    phBody* lower = addBoxBody(world(), restless);
    phBody* upper = addDynamicBox(world(), vec3(0, 1.5f, 0));
    phBody* alone = addDynamicBox(world(), vec3(5, 0.5f, 0));

    stepScene(world(), 300);
    EXPECT_TRUE(lower->IsAwake());
    EXPECT_TRUE(upper->IsAwake());
    EXPECT_FALSE(alone->IsAwake());
}

TEST_F(SceneTest, MotionRestartsTheSleepTimer) {
    addFloor(world());
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f, 0));
    // Quiet for most of the half second that sleep needs.
    stepScene(world(), 25);
    ASSERT_TRUE(box->IsAwake());
    ASSERT_GT(box->m_sleepTime, 0.3f);

    box->SetLinearVelocity(vec3(2, 0, 0));
    world()->Step();
    EXPECT_EQ(box->m_sleepTime, 0) << "a moving body starts its quiet time again";

    // It slides to a stop and must then be quiet for another half second before it sleeps.
    int quietSteps = 0;
    for (int i = 0; i < 300 && box->IsAwake(); ++i) {
        world()->Step();
        quietSteps = underSleepTolerances(box) ? quietSteps + 1 : 0;
    }
    EXPECT_FALSE(box->IsAwake());
    EXPECT_GE(quietSteps, 30);
}

TEST_F(SceneTest, AStaticFloorServesEveryIslandOfAStep) {
    // Two stacks far apart are two islands that share the floor. The floor must join the second
    // island as well as the first; if it kept the first island's mark, the second stack's floor
    // contacts would point at another body's velocities and the stack would sink through.
    phBody* floor = addFloor(world());
    std::vector<phBody*> boxes;
    for (int stack = 0; stack < 2; ++stack) {
        for (int level = 0; level < 3; ++level) {
            BoxBodyDesc desc;
            desc.position = vec3(r32(stack) * 10 - 5, 0.5f + r32(level), 0);
            desc.allowSleep = false;
            boxes.push_back(addBoxBody(world(), desc));
        }
    }
    for (int i = 0; i < 120; ++i) {
        world()->Step();
        ASSERT_FALSE(floor->m_flags & phBody::eIsland) << "the floor is free for the next island, step " << i;
    }
    for (size_t i = 0; i < boxes.size(); ++i) {
        r32 built = 0.5f + r32(i % 3);
        EXPECT_NEAR(boxes[i]->m_worldCenter.y, built, phk_penetrationSlop) << "box " << i;
    }
}

TEST_F(SceneTest, AnAwakeBoxPushedIntoASleepingOneIsStopped) {
    addFloor(world());
    // Close enough for their pair to exist while both sleep.
    phBody* sleeper = addDynamicBox(world(), vec3(0, 0.5f, 0));
    phBody* pusher = addDynamicBox(world(), vec3(1.3f, 0.5f, 0));
    ASSERT_GT(stepUntilAsleep(world(), sleeper, 300), 0);
    ASSERT_FALSE(pusher->IsAwake());

    // Only the pusher wakes; the narrow phase must still test its pair with the sleeper.
    pusher->SetLinearVelocity(vec3(-3, 0, 0));
    ASSERT_FALSE(sleeper->IsAwake());
    r32 closest = 10;
    for (int i = 0; i < 60; ++i) {
        world()->Step();
        closest = fminf(closest, pusher->m_worldCenter.x - sleeper->m_worldCenter.x);
    }
    EXPECT_GT(closest, 1 - phk_penetrationSlop - 0.02f) << "the boxes may touch, not pass into each other";
    EXPECT_GT(sleeper->m_worldCenter.x, -2.0f) << "and the sleeper was pushed, not passed";
}

TEST_F(SceneTest, ABoxJustAboveTheFloorFallsFreelyAndLandsWithoutAGap) {
    addFloor(world());
    // Within the contact margin: the pair has points from the first step on.
    const r32 gap = 0.005f;
    ASSERT_LT(gap, phk_contactMargin);
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f + gap, 0));

    world()->Step();
    EXPECT_NEAR(box->m_linearVelocity.y, kGravityY * kTick, 1e-5f) << "a point with a gap neither holds nor pushes";
    ASSERT_GT(phPointCount(box->m_contactList->constraint), 0);
    EXPECT_GT(box->m_contactList->constraint->manifold->contacts[0].penetration, 0);

    // The next step would carry it past the floor; the contact lets it close the gap, no more.
    world()->Step();
    EXPECT_NEAR(box->m_worldCenter.y, 0.5f, 1e-4f);
    EXPECT_LT(box->m_linearVelocity.y, 0) << "it arrives still moving, as a falling box does";
    stepScene(world(), 30);
    EXPECT_NEAR(box->m_worldCenter.y, 0.5f, 1e-3f);
}

// Takes the physics store until its largest free block is at most `room` bytes.
void fillStoreLeaving(ve::MemoryStore* store, msi room) {
    for (msi size = msi(1) << 26; size >= 16; size /= 2)
        while (ve::largestFreeBlock(store) >= room + size + ve::heapBlockOverhead) phAlloc(i32(size));
}

// A nearly full store: each cube is either refused when it is made or simulated in full, and no
// cube is held still two steps running. Cubes tumbling in columns of three land on the floor or on
// the cubes below them, and none falls through for want of room for its pairs. A walled pit of
// cubes packed 1 mm apart, whose solver state the store cannot hold at once, rests where it was
// packed. A cube asked for while cubes land in a nearly full store, with the scene heap full, is
// refused, and the cubes made before it land all the same. A cube dropped onto that pit asleep,
// with the store filled so that the step's arrays cannot hold the whole pile again, lands on it,
// and the pile, solved in pieces, rests and sleeps again.
TEST_F(SceneTest, ANearlyFullStoreRefusesOrSimulatesEveryCube) {
    enum Layout { eColumns, ePit };
    // What happens once the cubes are made.
    enum Then {
        eStepOn,
        // After the first twenty steps the store is filled to leave 256 KiB, and the scene heap
        // whole, and one more cube is asked for.
        eOneMoreWhenFull,
        // Once every cube sleeps, the store is filled to leave 4 KiB, and a cube is dropped onto
        // the middle of the pile from half a metre above it.
        eDropOnThePileAsleep,
    };
    struct Case {
        const char* name;
        Layout layout;
        // Cubes asked for; a pit is `side` x `side` cubes a layer.
        int count, side;
        msi storeBytes;
        Then then;
        int leastAccepted;
    };
    const msi mebibyte = msi(1) << 20;
    for (const Case& c : {Case{"9,000 loose cubes", eColumns, 9000, 0, 64 * mebibyte, eStepOn, 9000},
                          Case{"12,000 loose cubes", eColumns, 12000, 0, 64 * mebibyte, eStepOn, 9000},
                          Case{"a walled pit of 8 x 8 x 6", ePit, 384, 8, 23 * mebibyte, eStepOn, 384},
                          // Room for the pit's pairs only with each manifold's block sized to its
                          // points: with room for eight in every one, about a hundred cubes are
                          // held still in every step.
                          Case{"a walled pit of 8 x 8 x 6 in 21.8 MiB", ePit, 384, 8, 21 * mebibyte + 8 * mebibyte / 10,
                               eStepOn, 384},
                          Case{"one more cube with the store full", eColumns, 255, 0, 64 * mebibyte, eOneMoreWhenFull, 255},
                          Case{"a cube dropped on the pit with the store full", ePit, 384, 8, 23 * mebibyte,
                               eDropOnThePileAsleep, 384}}) {
        SCOPED_TRACE(c.name);
        // A fresh store for each, as the engine's is when it builds its one scene.
        scene.reset();
        store = createPhysicsTestStore(c.storeBytes);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        BoxBodyDesc floor;
        floor.type = eStaticBody;
        floor.position = vec3(0, -0.5f, 0);
        floor.halfExtents = vec3(200, 0.5f, 200);
        addBoxBody(world(), floor);
        const r32 pitch = 1.001f, pitHalf = r32(c.side) * pitch / 2;
        for (int wall = 0; c.layout == ePit && wall < 4; ++wall) {
            BoxBodyDesc side;
            side.type = eStaticBody;
            r32 offset = (pitHalf + 0.501f) * (wall % 2 ? 1 : -1);
            side.position = wall < 2 ? vec3(offset, 5, 0) : vec3(0, 5, offset);
            side.halfExtents = wall < 2 ? vec3(0.5f, 5, pitHalf + 1) : vec3(pitHalf + 1, 5, 0.5f);
            addBoxBody(world(), side);
        }
        std::vector<phBody*> cubes;
        std::vector<r32> startY;
        for (int i = 0; i < c.count; ++i) {
            BoxBodyDesc cube;
            if (c.layout == eColumns) {
                int column = i / 3, side = 64;
                cube.position =
                    vec3(r32(column % side) * 2 - 64, 0.6f + r32(i % 3) * 1.2f, r32(column / side) * 2 - 64);
                cube.axis = vec3(r32(i % 3) - 1, 1, r32(i % 5) - 2);
                cube.angle = 0.1f * r32(i % 7);
            } else {
                int layer = i / (c.side * c.side), row = i / c.side % c.side, column = i % c.side;
                cube.position = vec3(pitch * (r32(column) + 0.5f) - pitHalf, 0.501f + pitch * r32(layer),
                                     pitch * (r32(row) + 0.5f) - pitHalf);
            }
            if (phBody* made = addBoxBody(world(), cube)) {
                cubes.push_back(made);
                startY.push_back(cube.position.y);
            }
        }
        EXPECT_GE(int(cubes.size()), c.leastAccepted);
        if (c.then == eOneMoreWhenFull) {
            stepScene(world(), 20);
            fillStoreLeaving(store, 256 << 10);
            while (world()->m_heap.Allocate(16)) {
            }
            EXPECT_EQ(addDynamicBox(world(), vec3(-70, 0.6f, -70)), nullptr);
        }
        phBody* dropped = nullptr;
        if (c.then == eDropOnThePileAsleep) {
            ASSERT_GT(stepUntilAsleep(world(), cubes.back(), 300), 0);
            // A step of the pile asleep holds the arrays alone, and the store takes back the rest
            // of the arena before it is filled, as it does when it runs short.
            stepScene(world(), 1);
            ASSERT_TRUE(world()->m_stack.Trim());
            fillStoreLeaving(store, 4 << 10);
            dropped = addDynamicBox(world(), vec3(0, startY.back() + 1.5f, 0));
            ASSERT_NE(dropped, nullptr);
        }
        int pieces = 0, heldSteps = 0, mostHeldSteps = 0;
        for (int step = 0; step < 300; ++step) {
            world()->Step();
            pieces += world()->m_shortfall.pieces;
            heldSteps = world()->m_shortfall.heldBodies > 0 ? heldSteps + 1 : 0;
            mostHeldSteps = std::max(mostHeldSteps, heldSteps);
        }
        EXPECT_LE(mostHeldSteps, 1) << "cubes were held still for good";
        if (dropped) {
            EXPECT_GT(pieces, 0) << "the pile was never too large for the step's arrays";
            EXPECT_NEAR(dropped->m_worldCenter.y, startY.back() + 1, phk_penetrationSlop + 0.01f);
            EXPECT_TRUE(everyBodyAsleep(cubes));
        }
        int fallen = 0, hanging = 0, sunk = 0;
        for (size_t i = 0; i < cubes.size(); ++i) {
            r32 y = cubes[i]->m_worldCenter.y;
            fallen += y < 0.4f ? 1 : 0;
            // The highest of a column starts at 3 m and lands at most 2.6 m up.
            hanging += c.layout == eColumns && y > 2.6f ? 1 : 0;
            sunk += c.layout == ePit && startY[i] - y > phk_penetrationSlop + 0.01f ? 1 : 0;
        }
        EXPECT_EQ(fallen, 0) << "cubes fell through the floor";
        EXPECT_EQ(hanging, 0) << "cubes were not simulated";
        EXPECT_EQ(sunk, 0) << "cubes sank into the pile";
        EXPECT_LE(deepestOverlap(world()), phk_penetrationSlop + 0.01f);
    }
}

// A body with a pair that found no room in the store is held where it is for the step, so that it
// cannot pass into the other box of that pair; the rest of its island moves on against it.
TEST_F(SceneTest, APairWithoutRoomHoldsItsBodyAndNotItsIsland) {
    addFloor(world());
    phBody* lower = addDynamicBox(world(), vec3(0, 0.5f, 0));
    phBody* upper = addDynamicBox(world(), vec3(0, 1.5f, 0));
    stepScene(world(), 10);
    upper->SetLinearVelocity(vec3(2, 0, 0));
    phVec3 lowerAt = lower->m_worldCenter, upperAt = upper->m_worldCenter;
    lower->m_withoutRoom = true;
    world()->Step();
    EXPECT_EQ(world()->m_shortfall.heldBodies, 1);
    EXPECT_EQ(lower->m_worldCenter.x, lowerAt.x);
    EXPECT_EQ(lower->m_worldCenter.y, lowerAt.y);
    EXPECT_GT(upper->m_worldCenter.x - upperAt.x, 0.025f) << "the cube on the held one slides on";
    EXPECT_NEAR(upper->m_worldCenter.y, upperAt.y, 0.005f);
}

// ---------------------------------------------------------------------------------------------
// Piles and stacks
// ---------------------------------------------------------------------------------------------

// A pyramid of unit cubes 1 cm apart on the floor; the last body is the top one.
std::vector<phBody*> addPyramid(phScene* scene, int rows, bool allowSleep) {
    std::vector<phBody*> boxes;
    for (int row = 0; row < rows; ++row) {
        int count = rows - row;
        for (int i = 0; i < count; ++i) {
            BoxBodyDesc desc;
            desc.position = vec3(pyramidCubeX(i, count), 0.5f + r32(row), 0);
            desc.allowSleep = allowSleep;
            boxes.push_back(addBoxBody(scene, desc));
        }
    }
    return boxes;
}

TEST_F(SceneTest, APyramidOfTwentyRowsStandsAndSleeps) {
    addFloor(world());
    const int rows = 20;
    std::vector<phBody*> boxes = addPyramid(world(), rows, true);
    int sleptAt = -1;
    for (int i = 1; i <= 600 && sleptAt < 0; ++i) {
        world()->Step();
        if (everyBodyAsleep(boxes)) sleptAt = i;
    }
    EXPECT_GT(sleptAt, 0) << "the pyramid falls asleep within 600 steps";
    EXPECT_NEAR(boxes.back()->m_worldCenter.y, 0.5f + r32(rows - 1), 0.05f) << "its top stands";
    for (const phBody* box : boxes) EXPECT_GT(box->m_worldCenter.y, 0.4f) << "nothing sinks into the floor";
}

TEST_F(SceneTest, APyramidKeptAwakeStandsStill) {
    addFloor(world());
    const int rows = 10;
    std::vector<phBody*> boxes = addPyramid(world(), rows, false);
    stepScene(world(), 500);
    r32 fastest = 0;
    for (int i = 0; i < 100; ++i) {
        world()->Step();
        for (const phBody* box : boxes) fastest = fmaxf(fastest, sqrtf(speedSquared(box)));
    }
    EXPECT_NEAR(boxes.back()->m_worldCenter.y, 0.5f + r32(rows - 1), 0.05f);
    EXPECT_LT(fastest, 0.1f) << "resting boxes do not bounce";
    EXPECT_TRUE(boxes.back()->IsAwake());
}

TEST_F(SceneTest, StacksOfTenCubesShiftedAFewCentimetresStandAndSleep) {
    addFloor(world());
    const int stacks = 4, height = 10;
    std::vector<phBody*> boxes;
    std::vector<phVec3> built;
    for (int s = 0; s < stacks; ++s) {
        for (int level = 0; level < height; ++level) {
            // Up to 3.8 cm either way, 1 cm gaps: each cube drops onto the one below.
            phVec3 at = vec3(r32(s) * 3 + stackShift(s, level, 0), 0.5f + r32(level) * 1.01f, stackShift(s, level, 1));
            boxes.push_back(addDynamicBox(world(), at));
            built.push_back(at);
        }
    }
    stepScene(world(), 600);
    EXPECT_TRUE(everyBodyAsleep(boxes));
    for (size_t i = 0; i < boxes.size(); ++i) {
        phVec3 moved = boxes[i]->m_worldCenter - built[i];
        EXPECT_LT(sqrtf(moved.x * moved.x + moved.z * moved.z), 0.05f) << "box " << i << " drifted";
        // Once the gaps have closed the cube stands at 0.5 + level; the contacts below it may
        // together sink it a little, never by 10 cm.
        r32 closed = 0.5f + r32(i % height);
        EXPECT_GT(boxes[i]->m_worldCenter.y, closed - 0.1f) << "box " << i << " sank";
    }
}

// Steps `steps` times; returns the fastest linear speed of any of the bodies over the last 100.
r32 fastestOverTheLastHundredSteps(phScene* scene, const std::vector<phBody*>& bodies, int steps) {
    r32 fastest = 0;
    for (int i = 1; i <= steps; ++i) {
        scene->Step();
        if (i <= steps - 100) continue;
        for (const phBody* body : bodies) fastest = fmaxf(fastest, sqrtf(speedSquared(body)));
    }
    return fastest;
}

// Ten cubes dropped one above the other 1.2 m apart, each turned a little about its own axis:
// they land on each other and build a slightly twisted and tilted tower that rocks on its lower
// joints. The iterations alone leave each joint a little short of its solution, one step behind
// the motion, and the rocking then never dies down.
TEST_F(SceneTest, ATowerOfDroppedTurnedCubesSettlesAndSleeps) {
    addFloor(world());
    std::vector<phBody*> tower;
    for (int level = 0; level < 10; ++level) {
        int i = level * 100 + 2;
        BoxBodyDesc desc;
        desc.position = vec3(-3.4f, 1 + r32(level) * 1.2f, -6);
        desc.axis = vec3(r32(i % 3) - 1, 1, r32(i % 5) - 2);
        desc.angle = 0.1f * r32(i % 7);
        tower.push_back(addBoxBody(world(), desc));
    }
    r32 fastest = fastestOverTheLastHundredSteps(world(), tower, 600);
    EXPECT_LT(fastest, 0.1f) << "the tower settles";
    EXPECT_TRUE(everyBodyAsleep(tower));
    int standing = 0;
    for (const phBody* box : tower) standing += box->m_worldCenter.y > 4 ? 1 : 0;
    EXPECT_GE(standing, 5) << "most of it still stands";
}

TEST_F(SceneTest, AShovedTowerOfTenRocksBackToRest) {
    addFloor(world());
    std::vector<phBody*> tower;
    for (int level = 0; level < 10; ++level) tower.push_back(addDynamicBox(world(), vec3(0, 0.5f + r32(level), 0)));
    world()->Step();
    tower.back()->SetLinearVelocity(vec3(0.3f, 0, 0));

    r32 fastest = fastestOverTheLastHundredSteps(world(), tower, 600);
    EXPECT_LT(fastest, 0.1f) << "the rocking dies down";
    EXPECT_TRUE(everyBodyAsleep(tower));
    phVec3 top = tower.back()->m_worldCenter;
    EXPECT_NEAR(top.y, 9.5f, 0.05f);
    EXPECT_LT(sqrtf(top.x * top.x + top.z * top.z), 0.1f) << "the tower stands upright";
}

// One iteration cannot carry the weight of nine cubes down to the floor; the pass from the
// bottom up after the iterations stops each cube on the one below it all the same, and the
// penetration that is left stays within the slop of each joint.
TEST_F(SceneTest, ATowerOfTenStandsOnASingleIterationPerStep) {
    addFloor(world());
    world()->SetIterations(1);
    std::vector<phBody*> tower;
    for (int level = 0; level < 10; ++level) tower.push_back(addDynamicBox(world(), vec3(0, 0.5f + r32(level), 0)));
    stepScene(world(), 300);
    phVec3 top = tower.back()->m_worldCenter;
    EXPECT_NEAR(top.y, 9.5f, 0.1f) << "the stack does not sink into itself";
    EXPECT_LT(sqrtf(top.x * top.x + top.z * top.z), 0.05f) << "nor lean";
    EXPECT_TRUE(everyBodyAsleep(tower));
}

TEST_F(SceneTest, ACubeDroppedFromHalfAMetreRestsOnTheFloor) {
    addFloor(world());
    phBody* cube = addDynamicBox(world(), vec3(0, 1.0f, 0));
    ASSERT_GT(stepUntilAsleep(world(), cube, 600), 0);
    EXPECT_GE(cube->m_worldCenter.y, 0.44f);
    EXPECT_LE(cube->m_worldCenter.y, 0.50f);
}

// ---------------------------------------------------------------------------------------------
// Friction, restitution, energy
// ---------------------------------------------------------------------------------------------

struct SlopeRun {
    r32 travelled;
    r32 acceleration;
};

// A unit box placed on a static slope of `angle` degrees (friction 0.4 on both): its travel down
// the slope after two seconds and its acceleration measured over the second second.
SlopeRun slideOnSlope(phScene* scene, r32 angle) {
    phVec3 axis = vec3(0, 0, 1);
    BoxBodyDesc slope;
    slope.type = eStaticBody;
    slope.halfExtents = vec3(20, 0.5f, 3);
    slope.axis = axis;
    slope.angle = degrees(angle);
    addBoxBody(scene, slope);

    phMat3 rot;
    rot.Set(axis, degrees(angle));
    BoxBodyDesc box;
    box.axis = axis;
    box.angle = degrees(angle);
    box.position = rot.ey * 1.0f;
    phBody* body = addBoxBody(scene, box);

    phVec3 downhill = -rot.ex;
    stepScene(scene, 60);
    r32 v1 = phDot(body->m_linearVelocity, downhill);
    stepScene(scene, 60);
    r32 v2 = phDot(body->m_linearVelocity, downhill);
    return SlopeRun{phDot(body->m_worldCenter - box.position, downhill), (v2 - v1) / 1.0f};
}

TEST_F(SceneTest, BoxHoldsOnATwentyDegreeSlope) {
    SlopeRun run = slideOnSlope(world(), 20);
    EXPECT_LT(fabsf(run.travelled), 0.01f);
}

TEST_F(SceneTest, BoxSlidesDownAThirtyDegreeSlopeWithCoulombAcceleration) {
    SlopeRun run = slideOnSlope(world(), 30);
    r32 expected = -kGravityY * (sinf(degrees(30)) - 0.4f * cosf(degrees(30)));
    EXPECT_NEAR(run.acceleration, expected, 0.1f * expected);
    EXPECT_GT(run.travelled, 1.0f);
}

// A unit box on a static ramp of friction 0.4 (the tangent of 21.8 degrees) tilted 25 degrees
// and turned `turn` degrees about the vertical: how far it slides down in two seconds (about
// 1.18 m at the Coulomb acceleration).
r32 slideOnTurnedRamp(phScene* scene, r32 turn) {
    phQuaternion q = phQuaternion(vec3(0, 1, 0), degrees(turn)) * phQuaternion(vec3(0, 0, 1), degrees(25));
    phVec3 axis;
    r32 angle;
    q.ToAxisAngle(&axis, &angle);
    phMat3 rot = q.ToMat3();
    BoxBodyDesc ramp;
    ramp.type = eStaticBody;
    ramp.halfExtents = vec3(20, 0.5f, 20);
    ramp.axis = axis;
    ramp.angle = angle;
    addBoxBody(scene, ramp);

    BoxBodyDesc box = ramp;
    box.type = eDynamicBody;
    box.halfExtents = vec3(0.5f, 0.5f, 0.5f);
    box.position = rot.ey * 1.0f;
    phBody* body = addBoxBody(scene, box);
    stepScene(scene, 120);
    return phDot(body->m_worldCenter - box.position, -rot.ex);
}

// A unit box on the floor shoved at 5 m/s along (cos heading, 0, sin heading): where it stops.
r32 slideOnTheFloor(phScene* scene, r32 heading) {
    addFloor(scene);
    phBody* body = addDynamicBox(scene, vec3(0, 0.5f, 0));
    stepScene(scene, 30);
    phVec3 start = body->m_worldCenter;
    body->SetLinearVelocity(vec3(5 * cosf(degrees(heading)), 0, 5 * sinf(degrees(heading))));
    stepScene(scene, 180);
    return phLength(body->m_worldCenter - start);
}

TEST_F(SceneTest, FrictionIsTheSameInEveryDirection) {
    struct Case {
        const char* what;
        r32 (*run)(phScene*, r32);
        r32 turned;
    };
    const Case cases[] = {
        {"ramp turned 22.5 degrees", slideOnTurnedRamp, 22.5f},
        {"ramp turned 45 degrees", slideOnTurnedRamp, 45},
        {"slide along the diagonal", slideOnTheFloor, 45},
        {"slide at 30 degrees", slideOnTheFloor, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        r32 straight = c.run(world(), 0);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        r32 turned = c.run(world(), c.turned);
        ASSERT_GT(straight, 0.5f);
        EXPECT_NEAR(turned, straight, 0.01f * straight);
    }
}

// A grid of `columns` x `rows` unit cubes on the floor, `spacing` apart (overlapping below 1 m).
void addCubeGrid(phScene* scene, int columns, int rows, r32 spacing, r32 y) {
    for (int i = 0; i < columns * rows; ++i)
        addDynamicBox(scene, vec3(r32(i % columns) * spacing, y, r32(i / columns) * spacing));
}

phBody* addSlab(phScene* scene, const phVec3& at, const phVec3& halfExtents, r32 mass) {
    BoxBodyDesc slab;
    slab.position = at;
    slab.halfExtents = halfExtents;
    slab.density = mass / (8 * halfExtents.x * halfExtents.y * halfExtents.z);
    return addBoxBody(scene, slab);
}

// Bodies placed into each other or landing hard on each other: every overlap is below 10 cm
// within 240 steps, one placed never grows past where it started, no body is launched or sinks through
// the floor, and at the end every touching pair rests within the slop. A kinematic body moving
// into a row of cubes pushes the row along.
TEST_F(SceneTest, OverlapsComeApartAndRestWithinTheSlop) {
    struct Case {
        const char* what;
        void (*build)(phScene*);
        // Where the last body made must have got to along x, for a push (or -1e9 for none).
        r32 lastReachesX;
    };
    const Case cases[] = {
        {"10 x 10 cubes 0.6 m apart", [](phScene* s) { addCubeGrid(s, 10, 10, 0.6f, 0.5f); }, -1e9f},
        {"10 x 10 cubes 0.8 m apart", [](phScene* s) { addCubeGrid(s, 10, 10, 0.8f, 0.5f); }, -1e9f},
        {"two cubes 0.6 m into each other under 100 kg",
         [](phScene* s) {
             addCubeGrid(s, 2, 1, 0.4f, 0.5f);
             addSlab(s, vec3(0.2f, 1.25f, 0), vec3(1.5f, 0.25f, 0.5f), 100);
         },
         -1e9f},
        {"100 kg dropped 20 cm onto two 1 kg cubes",
         [](phScene* s) {
             addCubeGrid(s, 2, 1, 1.1f, 0.5f);
             addSlab(s, vec3(0.55f, 1.7f, 0), vec3(1, 0.5f, 0.5f), 100);
         },
         -1e9f},
        {"20 dominoes falling",
         [](phScene* s) {
             for (int i = 0; i < 20; ++i) {
                 BoxBodyDesc domino;
                 domino.position = vec3(r32(i) * 0.4f, 0.5f, 0);
                 domino.halfExtents = vec3(0.05f, 0.5f, 0.25f);
                 domino.axis = vec3(0, 0, 1);
                 domino.angle = i == 0 ? degrees(-15) : 0;
                 addBoxBody(s, domino);
             }
         },
         -1e9f},
        {"300 cubes of 1 to 100 kg dropped as a pile",
         [](phScene* s) {
             for (int i = 0; i < 300; ++i) {
                 BoxBodyDesc cube;
                 // Each layer over the gaps of the one below, the cubes apart until they land.
                 r32 shift = r32(i / 100) * 0.75f;
                 cube.position =
                     vec3(r32(i % 10) * 1.5f + shift, 0.7f + r32(i / 100) * 1.5f, r32(i / 10 % 10) * 1.5f + shift);
                 cube.axis = vec3(1, 1, 0);
                 cube.angle = degrees(r32(i * 37 % 20));
                 cube.density = r32(1 + i * 53 % 100);
                 addBoxBody(s, cube);
             }
         },
         -1e9f},
        {"a kinematic body at 1.5 m/s into a row of cubes",
         [](phScene* s) {
             addCubeGrid(s, 5, 1, 1.05f, 0.5f);
             BoxBodyDesc pusher;
             pusher.type = eKinematicBody;
             pusher.position = vec3(-1.1f, 0.55f, 0);
             pusher.halfExtents = vec3(0.5f, 0.5f, 1.5f);
             addBoxBody(s, pusher)->SetLinearVelocity(vec3(1.5f, 0, 0));
             addDynamicBox(s, vec3(4 * 1.05f + 1.05f, 0.5f, 0));
         },
         // The pusher travels 6 m in 240 steps: the row ahead of it goes at least 4 m.
         4 * 1.05f + 1.05f + 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        addFloor(world());
        c.build(world());
        world()->Step();
        r32 start = deepestOverlap(world()), highest = 0;
        for (int i = 2; i <= 600; ++i) {
            world()->Step();
            r32 deepest = deepestOverlap(world());
            if (start > 0.1f) {
                ASSERT_LE(deepest, start + 1e-3f) << "an overlap grew at step " << i;
            }
            if (i >= 240) {
                ASSERT_LT(deepest, 0.1f) << "an overlap was not undone by step " << i;
            }
            if (i == 240 && c.lastReachesX > -1e9f) {
                EXPECT_GE(world()->m_bodyList->m_worldCenter.x, c.lastReachesX);
            }
        }
        for (const phBody* body = world()->m_bodyList; body->m_next; body = body->m_next) {
            highest = phMax(highest, body->m_worldCenter.y);
            EXPECT_GT(body->m_worldCenter.y, 0) << "a body fell through the floor";
        }
        EXPECT_LT(highest, 3.5f) << "a body was launched";
        if (c.lastReachesX <= -1e9f) {
            EXPECT_LE(deepestOverlap(world()), phk_penetrationSlop + 0.01f);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Bodies moving together
// ---------------------------------------------------------------------------------------------

// The bodies of a moving-together case, listed so that each one touches the next (a stack from the
// bottom, a row from the pushed end), and the kinematic body that carries them (or null).
struct Rig {
    std::vector<phBody*> chain;
    phBody* carrier = nullptr;
};

// `count` unit cubes stacked from `bottom` up, touching.
std::vector<phBody*> addCubeStack(phScene* scene, const phVec3& bottom, int count) {
    std::vector<phBody*> stack;
    for (int i = 0; i < count; ++i) stack.push_back(addDynamicBox(scene, bottom + vec3(0, r32(i), 0)));
    return stack;
}

// A static floor of the given friction whose top face is the plane y = 0.
void addFloorOfFriction(phScene* scene, r32 friction) {
    BoxBodyDesc floor;
    floor.type = eStaticBody;
    floor.position = vec3(0, -0.5f, 0);
    floor.halfExtents = vec3(100, 0.5f, 100);
    floor.friction = friction;
    addBoxBody(scene, floor);
}

// Two stacked cubes on a frictionless floor, both shoved along x at `speed`.
Rig slidingPair(phScene* scene, r32 speed) {
    addFloorOfFriction(scene, 0);
    Rig rig{addCubeStack(scene, vec3(0, 0.5f, 0), 2)};
    for (phBody* cube : rig.chain) cube->SetLinearVelocity(vec3(speed, 0, 0));
    return rig;
}

// The centre of a kinematic slab 20 m long whose top face is the plane y = 0.
const phVec3 kSlabCentre = vec3(0, -0.25f, 0);

// The slab moving at `velocity`, with `count` cubes stacked on it.
Rig carriedStack(phScene* scene, const phVec3& velocity, int count) {
    BoxBodyDesc slab;
    slab.type = eKinematicBody;
    slab.position = kSlabCentre;
    slab.halfExtents = vec3(10, 0.25f, 2);
    Rig rig{addCubeStack(scene, vec3(-8, 0.5f, 0), count), addBoxBody(scene, slab)};
    rig.carrier->SetLinearVelocity(velocity);
    return rig;
}

// Each step of a case calls its drive before the scene steps.
void pullTheLowerCube(Rig* rig) { rig->chain[0]->ApplyLinearForce(vec3(12, 0, 0)); }
void pushTheFirstBox(Rig* rig) { rig->chain[0]->ApplyLinearForce(vec3(200, 0, 0)); }
// A conveyor: the slab is put back where it started before every step, so that only its surface
// moves.
void holdTheConveyor(Rig* rig) { rig->carrier->SetTransform(kSlabCentre); }
void leaveAlone(Rig*) {}

// Bodies that move together, shoved, pulled, carried, falling or pushed, stay together as they
// would at rest: no joint of the chain opens a gap, drifts sideways or sinks deeper than 6 cm,
// and a pair that slides or is pulled covers the distance of one body of their joint mass.
TEST_F(SceneTest, BodiesMovingTogetherStayTogether) {
    struct Case {
        const char* what;
        Rig (*build)(phScene*);
        void (*drive)(Rig*);
        int steps;
        // Where the first body of the chain gets to along x (NAN: anywhere), within 2 %.
        r32 travel;
        // The most that the offset from one body to the next may grow along itself (a gap) and
        // turn across it (a drift), and that any pair may overlap, in metres.
        r32 gap;
        r32 drift;
        r32 depth;
    };
    const Case cases[] = {
        {"a pair sliding at 2 m/s", [](phScene* s) { return slidingPair(s, 2); }, leaveAlone, 120, 4, 0.01f, 0.05f,
         0.06f},
        {"a pair sliding at 5 m/s", [](phScene* s) { return slidingPair(s, 5); }, leaveAlone, 120, 10, 0.01f, 0.05f,
         0.06f},
        // (12 N - 0.4 * 2 kg * 9.8 m/s^2) / 2 kg = 2.08 m/s^2 for two seconds.
        {"12 N on the lower cube of a pair",
         [](phScene* s) {
             addFloor(s);
             return Rig{addCubeStack(s, vec3(0, 0.5f, 0), 2)};
         },
         pullTheLowerCube, 120, 4.16f, 0.01f, 0.05f, 0.06f},
        {"a pair falling at 5 m/s",
         [](phScene* s) {
             Rig rig{addCubeStack(s, vec3(0, 100, 0), 2)};
             for (phBody* cube : rig.chain) cube->SetLinearVelocity(vec3(0, -5, 0));
             return rig;
         },
         leaveAlone, 60, NAN, 0.01f, 0.01f, 0.06f},
        {"a pair on a slab at 1 m/s", [](phScene* s) { return carriedStack(s, vec3(1, 0, 0), 2); }, leaveAlone, 300,
         NAN, 0.01f, 0.15f, 0.06f},
        {"a pair on a conveyor at 2 m/s", [](phScene* s) { return carriedStack(s, vec3(2, 0, 0), 2); },
         holdTheConveyor, 300, NAN, 0.01f, 0.15f, 0.06f},
        {"three cubes on a lift at 0.25 m/s", [](phScene* s) { return carriedStack(s, vec3(0, 0.25f, 0), 3); },
         leaveAlone, 240, NAN, 0.01f, 0.05f, 0.06f},
        {"three cubes on a lift at 1 m/s", [](phScene* s) { return carriedStack(s, vec3(0, 1, 0), 3); }, leaveAlone,
         240, NAN, 0.01f, 0.05f, 0.06f},
        {"three cubes on a lift at 3 m/s", [](phScene* s) { return carriedStack(s, vec3(0, 3, 0), 3); }, leaveAlone,
         120, NAN, 0.01f, 0.05f, 0.06f},
        // The pushed box presses into the second past the slop, but never turns aside and past it.
        {"200 N on the first of a row of 20 boxes",
         [](phScene* s) {
             addFloor(s);
             Rig rig;
             for (int i = 0; i < 20; ++i) rig.chain.push_back(addDynamicBox(s, vec3(r32(i) * 1.05f, 0.5f, 0)));
             return rig;
         },
         pushTheFirstBox, 180, NAN, 0.05f, 0.5f, 0.1f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        Rig rig = c.build(world());
        std::vector<phVec3> offsets;
        for (size_t i = 1; i < rig.chain.size(); ++i)
            offsets.push_back(rig.chain[i]->m_worldCenter - rig.chain[i - 1]->m_worldCenter);
        phVec3 start = rig.chain[0]->m_worldCenter;
        r32 gap = 0, drift = 0, deepest = 0;
        for (int step = 0; step < c.steps; ++step) {
            c.drive(&rig);
            world()->Step();
            deepest = phMax(deepest, deepestOverlap(world()));
            for (size_t i = 1; i < rig.chain.size(); ++i) {
                phVec3 along = phNormalize(offsets[i - 1]);
                phVec3 moved = rig.chain[i]->m_worldCenter - rig.chain[i - 1]->m_worldCenter - offsets[i - 1];
                r32 grown = phDot(moved, along);
                gap = phMax(gap, grown);
                drift = phMax(drift, phLength(moved - along * grown));
            }
        }
        if (!isnan(c.travel)) {
            EXPECT_NEAR(rig.chain[0]->m_worldCenter.x - start.x, c.travel, 0.02f * c.travel);
        }
        EXPECT_LE(gap, c.gap) << "a gap opened";
        EXPECT_LE(drift, c.drift) << "a body drifted off the one it touches";
        EXPECT_LE(deepest, c.depth) << "a body sank into another";
    }
}

// A unit cube hitting a wall at 30 m/s with restitution 0.2 rebounds at 6 m/s, however deep into
// the wall the step of the impact carries it.
TEST_F(SceneTest, AWallReboundDoesNotDependOnTheImpactPhase) {
    for (int phase = 0; phase < 8; ++phase) {
        SCOPED_TRACE(phase);
        scene.emplace(kTick, vec3(0, 0, 0), kIterations);
        BoxBodyDesc wall;
        wall.type = eStaticBody;
        wall.position = vec3(10, 0, 0);
        wall.halfExtents = vec3(0.5f, 5, 5);
        addBoxBody(world(), wall);
        phBody* cube = addDynamicBox(world(), vec3(r32(phase) * 0.0625f, 0, 0));
        cube->SetLinearVelocity(vec3(30, 0, 0));
        r32 rebound = 0;
        for (int i = 0; i < 60; ++i) {
            world()->Step();
            rebound = phMax(rebound, -cube->m_linearVelocity.x);
        }
        EXPECT_GT(rebound, 5.4f);
        EXPECT_LE(rebound, 6.6f);
    }
}

bool hasFiniteState(const phBody* body) {
    return phIsFinite(body->m_worldCenter) && phIsFinite(body->m_q) && phIsFinite(body->m_linearVelocity) &&
           phIsFinite(body->m_angularVelocity);
}

// One body's state made non-finite (as a write through the engine's access record could) reaches
// no other body: not the cube resting on it, not the cubes on the same floor. It is put back and
// stopped itself. A time step that is not a number changes nothing.
TEST_F(SceneTest, NoBodysNonFiniteStateReachesAnother) {
    const r32 nan = r32(NAN), inf = r32(INFINITY);
    struct Case {
        const char* what;
        void (*damage)(phBody* body, r32 bad);
        r32 bad;
    };
    const Case cases[] = {
        {"linear velocity", [](phBody* b, r32 bad) { b->m_linearVelocity.x = bad; }, nan},
        {"angular velocity", [](phBody* b, r32 bad) { b->m_angularVelocity.z = bad; }, inf},
        {"force", [](phBody* b, r32 bad) { b->m_force.y = bad; }, -inf},
        {"position", [](phBody* b, r32 bad) { b->SetTransform(vec3(bad, 0.5f, 0)); }, nan},
        {"rotation", [](phBody* b, r32 bad) { b->m_q.w = bad; }, nan},
        {"time step", [](phBody* b, r32 bad) { b->m_scene->m_dt = bad; }, nan},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
        addFloor(world());
        phBody* damaged = addDynamicBox(world(), vec3(0, 0.5f, 0));
        std::vector<phBody*> others = {addDynamicBox(world(), vec3(0, 1.5f, 0))};
        for (int i = 1; i <= 4; ++i) others.push_back(addDynamicBox(world(), vec3(r32(i) * 10, 0.5f, 0)));
        stepScene(world(), 30);
        phVec3 before = others[0]->m_worldCenter;
        c.damage(damaged, c.bad);
        damaged->SetToAwake();
        testing::internal::CaptureStderr();
        stepScene(world(), 120);
        testing::internal::GetCapturedStderr();
        for (const phBody* other : others) EXPECT_TRUE(hasFiniteState(other));
        EXPECT_NEAR(others[0]->m_worldCenter.y, before.y, 0.05f) << "the cube on top stays on top";
        EXPECT_TRUE(hasFiniteState(damaged));
    }
}

// A velocity that is finite before the step and overflows inside it (the lower of two stacked
// cubes driven down at 3e38 m/s): both cubes are put back in that step, no contact keeps an impulse
// that is not finite, and afterwards both move freely when pushed.
TEST_F(SceneTest, AVelocityThatOverflowsInAStepLeavesNothingStuck) {
    addFloor(world());
    phBody* lower = addDynamicBox(world(), vec3(0, 0.5f, 0));
    phBody* upper = addDynamicBox(world(), vec3(0, 1.5f, 0));
    stepScene(world(), 30);
    lower->m_linearVelocity = vec3(0, -3e38f, 0);
    testing::internal::CaptureStderr();
    world()->Step();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(hasFiniteState(lower));
    EXPECT_TRUE(hasFiniteState(upper));
    for (const phContactEdge* edge = lower->m_contactList; edge; edge = edge->next) {
        const phManifold* m = edge->constraint->manifold;
        for (i32 i = 0; m && i < m->contactCount; ++i) {
            EXPECT_TRUE(phIsFinite(m->contacts[i].normalImpulse));
            EXPECT_TRUE(phIsFinite(m->contacts[i].tangentImpulse[0]) && phIsFinite(m->contacts[i].tangentImpulse[1]));
        }
    }

    phVec3 lowerStart = lower->m_worldCenter, upperStart = upper->m_worldCenter;
    for (int i = 0; i < 60; ++i) {
        for (phBody* body : {lower, upper}) body->SetLinearVelocity(vec3(3, body->m_linearVelocity.y, 0));
        world()->Step();
    }
    EXPECT_GT(lower->m_worldCenter.x - lowerStart.x, 1.0f);
    EXPECT_GT(upper->m_worldCenter.x - upperStart.x, 1.0f);
}

TEST_F(SceneTest, ADroppedBoxNeverGainsEnergy) {
    addFloor(world());
    BoxBodyDesc desc;
    desc.position = vec3(0, 2, 0);
    desc.axis = vec3(1, 0.3f, 0.6f);
    desc.angle = 0.8f;
    phBody* box = addBoxBody(world(), desc);

    double start = energyOfUnitBox(box);
    double highest = start;
    for (int i = 0; i < 240; ++i) {
        world()->Step();
        highest = fmax(highest, energyOfUnitBox(box));
    }
    EXPECT_LE(highest, start);
    EXPECT_LT(energyOfUnitBox(box), 0.6 * -kGravityY) << "it ends near the floor";
}

TEST_F(SceneTest, RestitutionBouncesOnlyHardImpacts) {
    addFloor(world());
    BoxBodyDesc bouncy;
    bouncy.position = vec3(0, 3, 0);
    bouncy.restitution = 0.5f;
    phBody* box = addBoxBody(world(), bouncy);

    r32 impact = 0, rebound = 0;
    for (int i = 0; i < 120 && rebound <= 0; ++i) {
        r32 before = box->m_linearVelocity.y;
        world()->Step();
        if (box->m_linearVelocity.y > 0) {
            impact = before;
            rebound = box->m_linearVelocity.y;
        }
    }
    ASSERT_LT(impact, -1.0f);
    EXPECT_NEAR(rebound, -0.5f * impact, 0.15f * -impact);
}

TEST_F(SceneTest, LockedRotationStaysLocked) {
    addFloor(world());
    BoxBodyDesc desc;
    desc.position = vec3(0, 2, 0);
    desc.axis = vec3(1, 0, 1);
    desc.angle = 0.6f;
    desc.lockAxes = true;
    phBody* box = addBoxBody(world(), desc);
    phMat3 start = box->m_tx.rotation;

    // It lands on a corner and an edge but never turns.
    for (int i = 0; i < 200; ++i) {
        world()->Step();
        ASSERT_EQ(phDot(box->m_angularVelocity, box->m_angularVelocity), 0) << i;
    }
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(phLength(box->m_tx.rotation[k] - start[k]), 0, 1e-5f);
    EXPECT_LT(box->m_worldCenter.y, 1.0f) << "it fell onto the floor";
}

TEST_F(SceneTest, SensorsTouchButNeverPush) {
    BoxBodyDesc slab;
    slab.type = eStaticBody;
    slab.halfExtents = vec3(5, 0.2f, 5);
    slab.sensor = true;
    addBoxBody(world(), slab);
    phBody* box = addDynamicBox(world(), vec3(0, 1, 0));

    bool touched = false;
    for (int i = 0; i < 60; ++i) {
        world()->Step();
        for (phContactEdge* e = box->m_contactList; e; e = e->next)
            touched |= (e->constraint->m_flags & phContactConstraint::eColliding) != 0;
    }
    EXPECT_TRUE(touched);
    EXPECT_LT(box->m_worldCenter.y, -1.0f) << "it fell through";
}

// ---------------------------------------------------------------------------------------------
// Lifecycle and determinism
// ---------------------------------------------------------------------------------------------

TEST_F(SceneTest, RemoveAllBodiesLeavesAnEmptySceneThatStepsOn) {
    addFloor(world());
    for (int i = 0; i < 4; ++i) addDynamicBox(world(), vec3(0, 0.5f + i, 0));
    stepScene(world(), 10);
    ASSERT_GT(world()->m_contactManager.m_contactCount, 0);

    world()->RemoveAllBodies();
    EXPECT_EQ(world()->m_bodyList, nullptr);
    EXPECT_EQ(world()->m_bodyCount, 0);
    EXPECT_EQ(world()->m_contactManager.m_contactCount, 0);
    stepScene(world(), 2);

    addFloor(world());
    EXPECT_EQ(world()->m_bodyCount, 1);
    phBody* box = addDynamicBox(world(), vec3(0, 0.5f, 0));
    stepScene(world(), 30);
    EXPECT_NEAR(box->m_worldCenter.y, 0.5f, phk_penetrationSlop + 1e-3f);
}

// The state a replay must reproduce, for every body in list order.
std::vector<u8> snapshotBodies(const phScene* scene) {
    std::vector<u8> bytes;
    auto append = [&bytes](const void* data, size_t size) {
        const u8* p = (const u8*)data;
        bytes.insert(bytes.end(), p, p + size);
    };
    for (const phBody* body = scene->m_bodyList; body; body = body->m_next) {
        append(&body->m_tx, sizeof(body->m_tx));
        append(&body->m_q, sizeof(body->m_q));
        append(&body->m_worldCenter, sizeof(body->m_worldCenter));
        append(&body->m_linearVelocity, sizeof(body->m_linearVelocity));
        append(&body->m_angularVelocity, sizeof(body->m_angularVelocity));
        append(&body->m_sleepTime, sizeof(body->m_sleepTime));
        append(&body->m_flags, sizeof(body->m_flags));
    }
    return bytes;
}

// A heap of tumbling boxes, stepped `steps` times.
std::vector<u8> runPile(phScene* scene, int steps) {
    addFloor(scene);
    for (int i = 0; i < 40; ++i) {
        BoxBodyDesc desc;
        desc.position = vec3(r32(i % 4) * 0.7f - 1, 1 + r32(i) * 0.9f, r32(i % 3) * 0.6f - 0.6f);
        desc.axis = vec3(r32(i % 5) - 2, 1, r32(i % 7) - 3);
        desc.angle = 0.3f * r32(i);
        desc.halfExtents = vec3(0.4f + 0.05f * r32(i % 3), 0.3f + 0.1f * r32(i % 2), 0.5f);
        addBoxBody(scene, desc);
    }
    std::vector<u8> trace;
    for (int i = 0; i < steps; ++i) {
        scene->Step();
        if (i % 50 == 49) {
            std::vector<u8> snap = snapshotBodies(scene);
            trace.insert(trace.end(), snap.begin(), snap.end());
        }
    }
    return trace;
}

TEST_F(SceneTest, TwoIdenticalRunsAreBitIdentical) {
    std::vector<u8> first = runPile(world(), 400);

    // The second run lives at other addresses: nothing may depend on where memory lies.
    scene.reset();
    void* shift = ve::pushToHeap(store, 4096 + 48);
    ASSERT_NE(shift, nullptr);
    scene.emplace(kTick, vec3(0, kGravityY, 0), kIterations);
    std::vector<u8> second = runPile(world(), 400);

    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(memcmp(first.data(), second.data(), first.size()), 0);
}

} // namespace
