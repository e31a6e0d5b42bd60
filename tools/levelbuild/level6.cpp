// Level 6: the switch outside time. The switch in the far hall raises the barrier behind you and,
// with the plate in the first hall (AND), powers the elevator. The switch is not rewound, so
// rewinding takes you back through the barrier while the switch stays on; the teal cube comes
// along if you pick it up while the world runs backwards.
//
//        z = -16  +--------------+
//                 | [T]     (S)  |   S: the switch at (1.9, -12); T: the teal cube
//                 |          :   |
//         z = -8  +-----=====:---+   the door and its barrier, x from -1 to 1
//                 |          :   |
//                 |          :  [Elev]  the elevator in the east wall, doors west
//                 | [P]......&...|   &: AND gate at (1.9, -3), fed by the plate and the switch
//         z = 0   |      P       |
//         z = 2   +--------------+
//               x = -5         x = 5

#include "levels.h"

namespace levels {

namespace {

const Panel panels[] = {
    hall(-5, -16, 5, 2),
    doorway(-5, -8, 5, -8, 0, 2),
};

const Piece pieces[] = {
    player({{0, 0, 0}}, {{0, 1.2f, -8}}, TIMED),
    hud(),
    lamp("Lamp Hall", {{-1, 3.4f, -3}}),
    lamp("Lamp Far", {{0, 3.4f, -12}}),
    plate("Plate", {{-3, 0, -3}}, "Teal Cube", nullptr, TIMED),
    cable("Plate Cable", "Plate", {{1.2f, 0, -3}}),
    button("Switch", {{1.9f, 0, -12}}, 0),
    cable("Switch Cable", "Switch", {{1.9f, 0, -3.8f}}),
    barrier("Barrier", {{0, 0, -8}}, Facing::North, 2, "Switch Cable"),
    andGate("And Gate", {{1.9f, 0, -3}}, "Plate Cable", "Switch Cable"),
    cable("And Cable", "And Gate", {{4.1f, 0, -3}}),
    elevator("Elevator", {{4.55f, 0, -4}}, Facing::West, "And Cable"),
    cube("Teal Cube", {{-3, 0, -13}}, 0),
    hint("Hint And", {{3.0f, 2.4f, -5.2f}}, Facing::North, "The elevator wants the plate\nAND the switch.", 3.0f),
    // Read from the start, before the way back is shut: what the switch beyond the door does.
    hint("Hint Switch", {{-1.3f, 2.4f, -5.2f}}, Facing::North, "The switch beyond the door\nraises the barrier behind\nyou, and it stays on when\ntime runs back.", 3.0f),
    // Faces the player coming through the door, beside the teal cube it speaks of.
    hint("Hint Carry", {{-1.0f, 2.6f, -12.5f}}, Facing::North, "Hold SPACE, then E: a\nteal cube picked up now\ntravels back with you.\nKeep SPACE down: pressed\nagain, it drops the cube.", 3.0f),
};

} // namespace

const LevelPlan level6 = {"Level 6", panels, sizeof(panels) / sizeof(panels[0]), pieces,
                          sizeof(pieces) / sizeof(pieces[0])};

} // namespace levels
