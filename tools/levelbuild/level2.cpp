// Level 2: carry a cube onto a pressure plate; lower a barrier with a button.
//
// Two halls joined by a door. The barrier in the door stands while its button is on, and the
// button starts on. Behind the door, the plate powers the elevator while a cube rests on it.
//
//        z = -16  +----[Elev]---+
//                 |      :      |
//                 | [P]..:      |   P: plate at (-2, -11)
//         z = -8  +----=====----+   the door and its barrier, x from -1 to 1
//                 |          :  |
//                 |          (B)|   B: button at (1.5, -3.6), its cable runs north to the door
//                 |  [C]        |   C: cube at (-2.5, -3)
//         z = 0   |      P      |   P: player
//         z = 2   +-------------+
//               x = -4        x = 4

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    hall(-4, -16, 4, 2),
    doorway(-4, -8, 4, -8, 0, 2),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{0, 1.2f, -8}}, TIMED),
    hud(),
    lamp("Lamp Hall", {{0, 3.4f, -3}}),
    lamp("Lamp Plate", {{0, 3.4f, -12}}),
    button("Button", {{1.5f, 0, -3.6f}}, STARTS_ON | TIMED),
    cable("Button Cable", "Button", {{1.5f, 0, -7.8f}}),
    barrier("Barrier", {{0, 0, -8}}, Facing::North, 2, "Button Cable"),
    cube("Cube", {{-2.5f, 0, -3}}, TIMED),
    plate("Plate", {{-2, 0, -11}}, "Cube", nullptr, TIMED),
    cable("Plate Cable", "Plate", {{1.4f, 0, -15.2f}}),
    elevator("Elevator", {{0.5f, 0, -15.55f}}, Facing::South, "Plate Cable"),
    hint("Hint Barrier", {{3.4f, 2.3f, -4.0f}}, Facing::North, "The barrier stands while\nits cable is lit:\npress the button.", 3.0f),
    hint("Hint Cube", {{-1.2f, 2.2f, -3.5f}}, Facing::North, "E picks a cube up\nand puts it down.", 3.0f),
    hint("Hint Plate", {{1.0f, 2.3f, -11.0f}}, Facing::North, "A cube on the plate\npowers the elevator.", 3.0f),
};

} // namespace

const LevelPlan level2 = {"Level 2", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
