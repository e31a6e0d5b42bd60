// Level 1: walk, press a button, watch the cable light up, take the elevator.
//
// One hall, 5 wide and 14 long, running north. The player starts looking at the button two steps
// ahead; its cable runs along the west side to the elevator at the north end. Walking the west
// side (a step to the right, then straight ahead) leads into the elevator's doors.
//
//        z = -11  +-----------+
//                 | [Elev]    |
//                 | :         |
//                 | :         |
//                 | :  (B)    |  B: button at (0, -2)
//         z = 0   |    P      |  P: player
//         z = 3   +-----------+
//               x = -2.5    x = 2.5

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    floorSlab(-2.5f, -11.0f, 2.5f, 3.0f),
    wallRun(-2.5f, -11.0f, 2.5f, -11.0f),
    wallRun(-2.5f, 3.0f, 2.5f, 3.0f),
    wallRun(-2.5f, -11.0f, -2.5f, 3.0f),
    wallRun(2.5f, -11.0f, 2.5f, 3.0f),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{0, 0.7f, -2.0f}}, TIMED),
    hud(),
    lamp("Lamp South", {{0.5f, 3.4f, -1.0f}}),
    lamp("Lamp North", {{0.0f, 3.4f, -8.0f}}),
    button("Button", {{0, 0, -2.0f}}, 0),
    cable("Button Cable", "Button", {{-2.2f, 0, -10.5f}}),
    elevator("Elevator", {{-1.1f, 0, -10.55f}}, Facing::South, "Button Cable"),
    emitter("Elevator Shimmer", {{-1.1f, 0.1f, -10.0f}}),
    hint("Hint Button", {{1.2f, 2.2f, -3.0f}}, "Look at the button\nand press E", 3.0f),
    hint("Hint Elevator", {{0.5f, 3.0f, -9.0f}}, "W A S D walk, the mouse looks.\nUse the lit elevator with E", 4.0f),
};

} // namespace

const LevelPlan level5 = {"Level 5", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
