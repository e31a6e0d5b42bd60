// Level 1: walk, press a button, watch the cable light up, take the elevator.
//
// A short hall running north. The player starts looking at the button a step ahead; its cable
// runs north to the elevator in the north wall. A step to the right (west: the camera's right
// when facing north) until the wall and a walk straight ahead lead into the elevator's doors.
//
//        z = -5.1 +-[Elev]-+
//                 |   :    |
//                 |  (B)   |  B: button at (0, -2.2)
//         z = 0   |   P    |  P: player
//         z = 3   +--------+
//              x = -1.7  x = 1.7

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    hall(-1.7f, -5.1f, 1.7f, 3.0f),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{0, 0.9f, -2.2f}}, TIMED),
    hud(),
    lamp("Lamp South", {{0.8f, 3.4f, 1.0f}}),
    lamp("Lamp North", {{0.8f, 3.4f, -3.0f}}),
    button("Button", {{0, 0, -2.2f}}, TIMED),
    cable("Button Cable", "Button", {{0, 0, -4.4f}}),
    elevator("Elevator", {{-0.35f, 0, -4.75f}}, Facing::South, "Button Cable"),
    emitter("Elevator Shimmer", {{-0.35f, 0.1f, -4.2f}}),
    hint("Hint Button", {{1.5f, 1.55f, -2.3f}}, Facing::North, "Look at the button\nand press E", 3.0f),
    hint("Hint Elevator", {{0.45f, 2.25f, -3.9f}}, Facing::North, "Walk with W A S D, look\nwith the mouse. Use the\nlit elevator with E.", 3.0f),
};

} // namespace

const LevelPlan level1 = {"Level 1", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
