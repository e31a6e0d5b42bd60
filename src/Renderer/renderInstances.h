#pragma once
// The records that entities hand to the render frame. They are plain data with their fields in a
// fixed order: the introspection table lists them and scene files store some of them (the player's
// camera, the particle emitter) byte for byte, so fields must not be reordered.

#include "Platform/machineDef.h"
#include "Math/v2.h"
#include "Math/v3.h"
#include "Math/v4.h"
#include "Math/mat3.h"
#include "Math/mat4.h"
#include "Core/Assets/assetDef.h"

namespace ve {

// What the renderer reads from the player. `dir` and `up` are kept for game code only.
struct Camera {
    mat4 view; // world to view
    mat4 proj; // view to clip
    v3 pos;    // eye position in world space (lighting, transparent ordering)
    v3 dir;
    v3 up;
};

struct PointLight {
    v3 position;
    v3 color;       // colour times intensity; the shader divides by the squared distance
    v3 attenuation; // stored with the light; the OpenGL back end ignores it
};

// One unit quad in the plane z = 0 (corners at +-0.5) facing -z before rotation, placed with
// M = T(position) R(rotation) S(scale).
struct QuadInstance {
    v3 position;
    mat3 rotation;
    v3 scale;
    Texture* texture; // never null
    v2 uvScale;       // uv = texcoord * uvScale + uvOffset
    v2 uvOffset;
    v4 outline;       // rgb colour, width in w; w = 0 draws the quad normally
    u32 fbo;          // render-to-texture target, 0 otherwise
    u32 colorBuf;     // GL texture shown as a camera-facing billboard, 0 otherwise
    Texture* emission;
};

struct MeshInstance {
    v3 position;
    mat3 rotation;
    v3 scale;
    Mesh* mesh;
    Texture* texture;
    BasicMat* material;
    v2 uvScale;
    v2 uvOffset;
    v4 outline; // rgb colour and shell width; a width above 0.01 draws a stencilled outline
    Texture* emission;
};

enum ParticleSpawnerType : u32 {
    Sphere = 0,
    Circle = 1,
    Ring = 2,
    Line = 3,
};

// Emitter settings; also the whole data record of the particle emitter entity. Pairs of values
// (`beginSize0`/`beginSize1` ...) are the bounds of a random range.
struct ParticleSystem {
    v3 position;
    v3 initVelocity;
    v3 beginColor;
    v3 endColor;
    ParticleSpawnerType spawnType;
    u32 particlesPerSecond;
    f32 beginSize0;
    f32 beginSize1;
    f32 endSize0;
    f32 endSize1;
    f32 lifeTime0;
    f32 lifeTime1;
    f32 drag0;
    f32 drag1;
    f32 spawnArea;
    f32 varVelocity;
    TextureRef texture;
};

} // namespace ve
