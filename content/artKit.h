#pragma once
// Small helpers for generating the game's art: images from a colour function of (u, v), and meshes
// built from faces that wind the way the renderer expects.
//
// Conventions the renderer imposes:
// - Image rows are stored bottom first: row 0 is v = 0.
// - Colours are display values (the shader raises them to the power 2.2).
// - A triangle (p0, p1, p2) faces along its normal n when cross(p1 - p0, p2 - p0) points AWAY from
//   n, like the renderer's built-in quad (corners (-x,-y), (+x,-y), (-x,+y) with normal -z). The view
//   is left-handed, so this is the counter-clockwise-on-screen winding for the side n points at.

#include "pakWriter.h"

#include <functional>

namespace art {

struct Rgba {
    f32 r, g, b, a;
};

Rgba rgb(f32 r, f32 g, f32 b);
Rgba mix(Rgba from, Rgba to, f32 t);
Rgba scaled(Rgba colour, f32 factor); // rgb times factor, alpha kept
f32 clamp01(f32 x);
f32 smoothstep(f32 edge0, f32 edge1, f32 x);
// 1 inside the band |x - centre| < halfWidth, with a soft edge of one pixel of a `size` image.
f32 band(f32 x, f32 centre, f32 halfWidth, u32 size);
// Distance from (u, v) to the nearest edge of the unit square.
f32 edgeDistance(f32 u, f32 v);
// Deterministic white noise in [0, 1) per integer lattice point.
f32 latticeNoise(s32 x, s32 y, u32 seed);
// Smooth value noise that repeats every `period` lattice cells in both directions.
f32 tiledNoise(f32 x, f32 y, s32 period, u32 seed);

u32 packRgba(Rgba colour);
// Samples `shade` at every pixel centre, 2 x 2 supersampled for clean edges.
pakbuild::PakImage makeImage(const char* name, u32 width, u32 height, const std::function<Rgba(f32 u, f32 v)>& shade);

// A region of a texture, mapped onto one face: u from u0 to u1, v from v0 to v1.
struct UvRect {
    f32 u0, v0, u1, v1;
};
constexpr UvRect FULL_UV = {0, 0, 1, 1};

struct MeshBuilder {
    pakbuild::PakMesh mesh;
};

// One rectangle: centre c, half extents along `right` and `up` (not normalised: their lengths are
// the half sizes). It faces along -normalize(cross(right, up)); u runs along `right`, v along `up`.
void addFace(MeshBuilder* builder, ve::v3 centre, ve::v3 right, ve::v3 up, UvRect uv);
// An axis-aligned box from `low` to `high`, every face facing outwards, sides upright.
void addBox(MeshBuilder* builder, ve::v3 low, ve::v3 high, UvRect uv);
// The same box seen from inside: every face faces the centre.
void addInwardBox(MeshBuilder* builder, ve::v3 low, ve::v3 high, UvRect uv);
// A latitude-longitude sphere with smooth outward normals.
void addSphere(MeshBuilder* builder, ve::v3 centre, f32 radius, u32 rings, u32 segments, UvRect uv);

} // namespace art
