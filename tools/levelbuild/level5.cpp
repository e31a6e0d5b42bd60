// Level 5: a cube outside time. The barrier stands while either plate is pressed (OR), so a cube
// put on the far plate shuts the player in; the far plate also powers the elevator, which stands
// in the first hall. Rewinding takes the player back through the barrier, and the teal cube, which
// is not rewound, stays on its plate. The teal cube stands in view from the start, under the hint
// that says what SPACE does to a carried cube and which cube keeps its place.
//
//        z = -18  +--------------+
//                 |   [B]        |   B: plate B at (1, -14)
//                 |    ....:     |
//         z = -8  +-----=====:---+   the door and its barrier, x from -1 to 1
//                 |       ...|   |   |: OR gate at (3, -6.6)
//              [Elev]        :   |   the elevator in the west wall, doors east
//                 |   [T]    [A] |   A: plate A at (3, -3.9) with the cube on it
//                 |              |   T: the teal cube at (-1.8, -3.6)
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
    lamp("Lamp Hall", {{0, 3.4f, -3}}),
    lamp("Lamp Far", {{0, 3.4f, -13}}),
    cube("Cube", {{3, 0, -3.9f}}, TIMED),
    cube("Teal Cube", {{-1.8f, 0, -3.6f}}, 0),
    plate("Plate A", {{3, 0, -3.9f}}, "Cube", nullptr, TIMED),
    plate("Plate B", {{1, 0, -14}}, "Teal Cube", "Cube", TIMED),
    cable("Plate A Cable", "Plate A", {{3, 0, -6.1f}}),
    cable("Plate B Cable", "Plate B", {{3.2f, 0, -7.8f}}),
    orGate("Or Gate", {{3, 0, -6.6f}}, "Plate A Cable", "Plate B Cable"),
    cable("Or Cable", "Or Gate", {{0.8f, 0, -7.0f}}),
    barrier("Barrier", {{0, 0, -8}}, Facing::North, 2, "Or Cable"),
    cable("Elevator Cable", "Plate B", {{-3.2f, 0, -4.0f}}),
    elevator("Elevator", {{-4.55f, 0, -4}}, Facing::East, "Elevator Cable"),
    hint("Hint Shield", {{2.2f, 2.5f, -6.5f}}, Facing::North, "Timeshield Inactive:\nrewinding takes you\nback too.", 3.0f),
    hint("Hint Teal", {{-1.3f, 1.8f, -3.2f}}, Facing::North, "SPACE drops what you\ncarry. The teal cube\nkeeps its place when\ntime runs back.", 2.5f),
    hint("Hint Elevator", {{-2.6f, 2.6f, -6.0f}}, Facing::North, "This elevator runs\non the far plate.", 3.0f),
    hint("Hint Or", {{1.5f, 2.4f, -12.5f}}, Facing::North, "The barrier stands while\neither plate is pressed.", 3.0f),
};

} // namespace

const LevelPlan level5 = {"Level 5", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
