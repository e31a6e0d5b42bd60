#pragma once
// A rigid transform: a local point p lies at rotation * p + position in the outer frame.

#include "Physics/math/phMat3.h"

struct phTransform {
    phVec3 position;
    phMat3 rotation;

    phTransform() {}
};
