#include "artKit.h"

#include <math.h>

namespace art {

Rgba rgb(f32 r, f32 g, f32 b) { return Rgba{r, g, b, 1}; }

Rgba mix(Rgba from, Rgba to, f32 t) {
    return Rgba{from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
                from.a + (to.a - from.a) * t};
}

Rgba scaled(Rgba colour, f32 factor) { return Rgba{colour.r * factor, colour.g * factor, colour.b * factor, colour.a}; }

f32 clamp01(f32 x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

f32 smoothstep(f32 edge0, f32 edge1, f32 x) {
    f32 t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

f32 band(f32 x, f32 centre, f32 halfWidth, u32 size) {
    f32 pixel = 1.0f / (f32)size;
    return 1 - smoothstep(halfWidth - pixel * 0.5f, halfWidth + pixel * 0.5f, fabsf(x - centre));
}

f32 edgeDistance(f32 u, f32 v) { return fminf(fminf(u, 1 - u), fminf(v, 1 - v)); }

f32 latticeNoise(s32 x, s32 y, u32 seed) {
    u32 h = (u32)x * 374761393u + (u32)y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (f32)(h & 0xFFFFFF) / (f32)0x1000000;
}

f32 tiledNoise(f32 x, f32 y, s32 period, u32 seed) {
    s32 x0 = (s32)floorf(x), y0 = (s32)floorf(y);
    f32 fx = x - (f32)x0, fy = y - (f32)y0;
    auto at = [&](s32 ix, s32 iy) {
        return latticeNoise(((ix % period) + period) % period, ((iy % period) + period) % period, seed);
    };
    f32 sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    f32 bottom = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    f32 top = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return bottom + (top - bottom) * sy;
}

u32 packRgba(Rgba colour) {
    auto channel = [](f32 x) { return (u32)lroundf(clamp01(x) * 255.0f); };
    return channel(colour.r) | channel(colour.g) << 8 | channel(colour.b) << 16 | channel(colour.a) << 24;
}

pakbuild::PakImage makeImage(const char* name, u32 width, u32 height, const std::function<Rgba(f32 u, f32 v)>& shade) {
    pakbuild::PakImage image;
    image.name = name;
    image.width = width;
    image.height = height;
    image.pixels.resize((size_t)width * height);
    for (u32 y = 0; y < height; ++y) {
        for (u32 x = 0; x < width; ++x) {
            Rgba sum = {0, 0, 0, 0};
            for (u32 s = 0; s < 4; ++s) {
                f32 u = ((f32)x + 0.25f + 0.5f * (f32)(s & 1)) / (f32)width;
                f32 v = ((f32)y + 0.25f + 0.5f * (f32)(s >> 1)) / (f32)height;
                Rgba c = shade(u, v);
                sum = Rgba{sum.r + c.r, sum.g + c.g, sum.b + c.b, sum.a + c.a};
            }
            image.pixels[(size_t)y * width + x] = packRgba(Rgba{sum.r / 4, sum.g / 4, sum.b / 4, sum.a / 4});
        }
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// Meshes
// ---------------------------------------------------------------------------------------------

namespace {

u32 addVertex(MeshBuilder* builder, ve::v3 position, ve::v3 normal, f32 u, f32 v) {
    pakbuild::PakMesh& mesh = builder->mesh;
    ve::v4 p = {{position.x, position.y, position.z, 1}};
    ve::v4 n = {{normal.x, normal.y, normal.z, 0}};
    ve::v4 white = {{1, 1, 1, 1}};
    ve::v2 uv = {{u, v}};
    mesh.positions.push_back(p);
    mesh.normals.push_back(n);
    mesh.texCoords.push_back(uv);
    mesh.colors.push_back(white);
    return (u32)mesh.positions.size() - 1;
}

// Two triangles over four vertices in the order bottom-left, bottom-right, top-right, top-left, as
// the built-in quad: (0, 1, 3) and (1, 2, 3).
void addQuadIndices(MeshBuilder* builder, u32 first) {
    const u32 corners[6] = {0, 1, 3, 1, 2, 3};
    for (u32 corner : corners) builder->mesh.indices.push_back(first + corner);
}

} // namespace

void addFace(MeshBuilder* builder, ve::v3 centre, ve::v3 right, ve::v3 up, UvRect uv) {
    ve::v3 normal = -ve::normalized(ve::cross(right, up));
    u32 first = addVertex(builder, centre - right - up, normal, uv.u0, uv.v0);
    addVertex(builder, centre + right - up, normal, uv.u1, uv.v0);
    addVertex(builder, centre + right + up, normal, uv.u1, uv.v1);
    addVertex(builder, centre - right + up, normal, uv.u0, uv.v1);
    addQuadIndices(builder, first);
}

namespace {
// For a face with outward normal n and upward direction `up`, right = cross(n, up) gives
// cross(right, up) = -n, the winding of `addFace`.
void addBoxFaces(MeshBuilder* builder, ve::v3 low, ve::v3 high, UvRect uv, f32 facing) {
    ve::v3 centre = (low + high) * 0.5f;
    ve::v3 half = (high - low) * 0.5f;
    const ve::v3 axes[3] = {{{1, 0, 0}}, {{0, 1, 0}}, {{0, 0, 1}}};
    for (u32 axis = 0; axis < 3; ++axis) {
        for (f32 sign : {1.0f, -1.0f}) {
            ve::v3 outward = axes[axis] * sign;
            // Sides stand upright; the top and bottom have v running along z.
            ve::v3 up = axis == 1 ? axes[2] * sign : axes[1];
            ve::v3 right = ve::cross(outward * facing, up);
            f32 halfRight = fabsf(right.x) * half.x + fabsf(right.y) * half.y + fabsf(right.z) * half.z;
            f32 halfUp = fabsf(up.x) * half.x + fabsf(up.y) * half.y + fabsf(up.z) * half.z;
            f32 halfOut = axis == 0 ? half.x : (axis == 1 ? half.y : half.z);
            addFace(builder, centre + outward * halfOut, right * halfRight, up * halfUp, uv);
        }
    }
}
} // namespace

void addBox(MeshBuilder* builder, ve::v3 low, ve::v3 high, UvRect uv) { addBoxFaces(builder, low, high, uv, 1); }

void addInwardBox(MeshBuilder* builder, ve::v3 low, ve::v3 high, UvRect uv) { addBoxFaces(builder, low, high, uv, -1); }

void addSphere(MeshBuilder* builder, ve::v3 centre, f32 radius, u32 rings, u32 segments, UvRect uv) {
    const f32 pi = 3.14159265358979f;
    u32 first = (u32)builder->mesh.positions.size();
    for (u32 ring = 0; ring <= rings; ++ring) {
        f32 theta = pi * (f32)ring / (f32)rings; // 0 at the top
        for (u32 segment = 0; segment <= segments; ++segment) {
            f32 phi = 2 * pi * (f32)segment / (f32)segments;
            ve::v3 normal = {{sinf(theta) * cosf(phi), cosf(theta), sinf(theta) * sinf(phi)}};
            f32 u = uv.u0 + (uv.u1 - uv.u0) * (f32)segment / (f32)segments;
            f32 v = uv.v1 - (uv.v1 - uv.v0) * (f32)ring / (f32)rings;
            addVertex(builder, centre + normal * radius, normal, u, v);
        }
    }
    // Seen from outside, growing `segment` runs to the right and shrinking `ring` runs up, so the
    // corners (ring + 1, s), (ring + 1, s + 1), (ring, s + 1), (ring, s) wind like `addFace`. The
    // triangles that collapse onto a pole are left out.
    u32 stride = segments + 1;
    for (u32 ring = 0; ring < rings; ++ring) {
        for (u32 segment = 0; segment < segments; ++segment) {
            u32 bottomLeft = first + (ring + 1) * stride + segment;
            u32 bottomRight = bottomLeft + 1;
            u32 topLeft = first + ring * stride + segment;
            u32 topRight = topLeft + 1;
            if (ring != rings - 1) {
                for (u32 index : {bottomLeft, bottomRight, topLeft}) builder->mesh.indices.push_back(index);
            }
            if (ring != 0) {
                for (u32 index : {bottomRight, topRight, topLeft}) builder->mesh.indices.push_back(index);
            }
        }
    }
}

} // namespace art
