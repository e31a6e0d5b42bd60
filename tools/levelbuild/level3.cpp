// Level 3: logic. A NOT gate lowers the barrier while a cube rests on the first plate; behind it an
// OR gate wants either button and an AND gate wants the OR and the second plate.
//
//        z = -18  +----[Elev]----+
//                 |      :       |
//                 | [P2]..&      |   &: AND gate at (0, -15), fed by plate 2 and the OR gate
//                 |      :       |
//                 | (L)..|..(R)  |   |: OR gate at (0, -12), fed by buttons L and R
//         z = -8  +----=====-----+   the door and its barrier, x from -1 to 1
//                 |      :       |
//                 |[C1]      [C2]|   C1, C2: the cubes, both in view from the start
//                 | [P1]..!      |   !: NOT gate at (0, -5), fed by plate 1
//                 |              |
//         z = 0   |      P       |
//         z = 2   +--------------+
//               x = -5         x = 5

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    hall(-5, -18, 5, 2),
    doorway(-5, -8, 5, -8, 0, 2),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{0, 1.2f, -8}}, TIMED),
    hud(),
    lamp("Lamp Hall", {{0, 3.4f, -2.5f}}),
    lamp("Lamp Gates", {{0, 3.4f, -13}}),
    cube("Cube 1", {{-3.8f, 0, -6.8f}}, TIMED),
    cube("Cube 2", {{3.8f, 0, -6.8f}}, TIMED),
    plate("Plate 1", {{-2.7f, 0, -5}}, "Cube 1", "Cube 2", TIMED),
    cable("Plate 1 Cable", "Plate 1", {{-0.5f, 0, -5}}),
    notGate("Not Gate", {{0, 0, -5}}, "Plate 1 Cable"),
    cable("Not Cable", "Not Gate", {{0, 0, -7.2f}}),
    barrier("Barrier", {{0, 0, -8}}, Facing::North, 2, "Not Cable"),
    button("Button L", {{-2.7f, 0, -12}}, TIMED),
    button("Button R", {{2.7f, 0, -12}}, TIMED),
    cable("Button L Cable", "Button L", {{-0.5f, 0, -12}}),
    cable("Button R Cable", "Button R", {{0.5f, 0, -12}}),
    orGate("Or Gate", {{0, 0, -12}}, "Button L Cable", "Button R Cable"),
    cable("Or Cable", "Or Gate", {{0, 0, -14.2f}}),
    plate("Plate 2", {{-2.7f, 0, -15}}, "Cube 1", "Cube 2", TIMED),
    cable("Plate 2 Cable", "Plate 2", {{-0.5f, 0, -15}}),
    andGate("And Gate", {{0, 0, -15}}, "Plate 2 Cable", "Or Cable"),
    cable("And Cable", "And Gate", {{0, 0, -17.2f}}),
    elevator("Elevator", {{0, 0, -17.55f}}, Facing::South, "And Cable"),
    hint("Hint Not", {{-0.8f, 2.1f, -5.2f}}, Facing::North, "NOT turns the power around:\na cube on the plate lowers\nthe barrier.", 3.0f),
    // Read from the start: the far room needs the second cube, so it must come through the door.
    hint("Hint Cubes", {{3.9f, 2.1f, -5.2f}}, Facing::North, "Two cubes, two plates: take\nthe other cube through\nthe door.", 3.0f),
    hint("Hint Or", {{2.2f, 2.4f, -13.5f}}, Facing::North, "OR wants one input,\nAND wants both.", 3.0f),
};

} // namespace

const LevelPlan level3 = {"Level 3", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
