// Level 4: the Timeshield. The player is not rewound. The barrier stands while the cube rests on
// the plate, and the same plate powers the elevator behind it: lift the cube to pass, then hold
// SPACE so that the cube returns to the plate while you stay where you are.
//
//        z = -14  +-[Elev]-------+
//                 |  :           |
//         z = -8  +--:--=====----+   the door and its barrier, x from -1 to 1
//                 |  :     :     |
//                 |  [P]....     |   P: plate at (-2.5, -3) with the cube on it
//         z = 0   |  :    P      |
//         z = 2   +--------------+
//               x = -4         x = 4

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    hall(-4, -14, 4, 2),
    doorway(-4, -8, 4, -8, 0, 2),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{-1.2f, 1.0f, -5}}, 0),
    hud(),
    lamp("Lamp Hall", {{0, 3.4f, -3}}),
    lamp("Lamp Elevator", {{1, 3.4f, -11}}),
    cube("Cube", {{-2.5f, 0, -3}}, TIMED),
    plate("Plate", {{-2.5f, 0, -3}}, "Cube", nullptr, TIMED),
    cable("Barrier Cable", "Plate", {{-0.3f, 0, -7.2f}}),
    barrier("Barrier", {{0, 0, -8}}, Facing::North, 2, "Barrier Cable"),
    cable("Elevator Cable", "Plate", {{-2.5f, 0, -13.2f}}),
    elevator("Elevator", {{-2, 0, -13.55f}}, Facing::South, "Elevator Cable"),
    hint("Hint Shield", {{2.2f, 2.2f, -5.0f}}, Facing::North, "Timeshield Active: the\nrewind leaves you where\nyou are.", 3.0f),
    hint("Hint Lift", {{-1.3f, 2.0f, -3.6f}}, Facing::North, "Lift the cube off the\nplate and go through.", 3.0f),
    hint("Hint Rewind", {{1.5f, 2.3f, -10.5f}}, Facing::North, "Hold SPACE: the world\nruns back, you stay.", 3.0f),
};

} // namespace

const LevelPlan level4 = {"Level 4", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
