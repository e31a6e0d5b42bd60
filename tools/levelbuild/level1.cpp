// Level 1: walk, press a button, watch the cable light up, take the elevator.
//
// A short hall running north. The player starts looking at the button a step ahead; its cable
// runs along the west side to the elevator in the north wall. A step to the right (west: the
// camera's right when facing north) and a walk straight ahead lead into the elevator's doors.
//
//        z = -5.2 +--[Elev]---+
//                 |  :        |
//                 |  :...(B)  |  B: button at (0, -2.3)
//         z = 0   |      P    |  P: player
//         z = 4   +-----------+
//               x = -2.5    x = 2.5

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    floorSlab(-2.5f, -5.2f, 2.5f, 4.0f),
    wallRun(-2.5f, -5.2f, 2.5f, -5.2f),
    wallRun(-2.5f, 4.0f, 2.5f, 4.0f),
    wallRun(-2.5f, -5.2f, -2.5f, 4.0f),
    wallRun(2.5f, -5.2f, 2.5f, 4.0f),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{0, 0.9f, -2.3f}}, TIMED),
    hud(),
    lamp("Lamp South", {{1.0f, 3.4f, 1.0f}}),
    lamp("Lamp North", {{0.5f, 3.4f, -3.5f}}),
    button("Button", {{0, 0, -2.3f}}, TIMED),
    cable("Button Cable", "Button", {{-2.2f, 0, -4.5f}}),
    elevator("Elevator", {{-1.1f, 0, -4.85f}}, Facing::South, "Button Cable"),
    emitter("Elevator Shimmer", {{-1.1f, 0.1f, -4.2f}}),
    hint("Hint Button", {{1.2f, 2.2f, -3.0f}}, "Look at the button\nand press E", 3.0f),
    hint("Hint Elevator", {{0.5f, 3.0f, -9.0f}}, "W A S D walk, the mouse looks.\nUse the lit elevator with E", 4.0f),
};

} // namespace

const LevelPlan level1 = {"Level 1", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
