#pragma once
// The piles of unit cubes that the step tests and the step benchmark both build: where a cube of
// a pyramid row stands, and how far a cube of a stack is shifted off the stack's axis.

// The centre along x of cube `i` of a pyramid row of `count` cubes, 1 cm apart, centred on 0.
inline float pyramidCubeX(int i, int count) { return (float(i) - 0.5f * float(count - 1)) * 1.01f; }

// Up to 3.8 cm either way, varying along the stack and from stack to stack; axis 0 is x, 1 is z.
inline float stackShift(int stack, int level, int axis) {
    int step = (stack * 7 + level * 5 + axis * 3) % 9;
    return 0.0095f * float(step - 4);
}
