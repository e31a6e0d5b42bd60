#pragma once
// The debug-drawing interface. The library only calls it; whoever wants to see the physics world
// implements it. The order of the operations is the order of the table and must not change.

#include "Physics/common/phSettings.h"

class phRender {
public:
    virtual void SetPenColor(r32 r, r32 g, r32 b, r32 a = r32(1.0)) = 0;
    virtual void SetPenPosition(r32 x, r32 y, r32 z) = 0;
    virtual void SetScale(r32 sx, r32 sy, r32 sz) = 0;
    // A line from the pen position to (x, y, z).
    virtual void Line(r32 x, r32 y, r32 z) = 0;
    // The unit normal of the triangles that follow.
    virtual void SetTriNormal(r32 x, r32 y, r32 z) = 0;
    virtual void Triangle(r32 ax, r32 ay, r32 az, r32 bx, r32 by, r32 bz, r32 cx, r32 cy, r32 cz) = 0;
    // A point at the pen position.
    virtual void Point() = 0;

protected:
    ~phRender() {}
};
