#pragma once
// Back-to-front ordering of the frame's transparent quads.
//
// Every transparent quad defines a plane through its centre, facing where the quad faces. Each
// frame the pipeline builds a binary space partitioning tree of them in the temporary store and
// walks it from the camera: the subtree on the far side of a node's plane is written before the
// node, the subtree on the camera's side after it. Quads are placed by their centre alone and never
// split, so the order is exact for quads that do not straddle each other's planes (parallel quads,
// for instance) and a good guess otherwise. The tree is unbalanced: its shape follows push order.

#include "Platform/machineDef.h"
#include "Math/v3.h"
#include "Util/Datastructures.h"
#include "Renderer/renderInstances.h"

namespace ve {

struct Node {
    QuadInstance objectToRender; // a full copy of the quad
    Node* front;                 // null when absent
    Node* behind;                // null when absent
};

// The facing direction of a quad: its rotation applied to the unit quad's normal (0, 0, -1).
v3 quadPlaneNormal(const QuadInstance* quad);

// True when `point` lies behind the plane through `planePoint` with normal `planeNormal`, that is
// when the sign bit of dot(normal, planePoint - point) is set. "Behind" is the half-space the
// normal points into. No tolerance: a dot product of +0 (a point on the plane) is not behind, a
// negative zero is.
b8 bspIsBehind(v3 planeNormal, v3 planePoint, v3 point);

// Inserts a copy of `quad` below `root`, descending by the side its centre lies on until a free
// child slot is found. The new node comes from the temporary store and lives until the next
// frame is created.
void addTransparentFace(QuadInstance quad, Node* root);

// Writes the quads of the subtree at `node` into `out` in drawing order (farthest first as seen
// from `camPos`), starting at index *count and adding one to *count per quad. `out` must have room
// for every quad of the subtree. Recurses once per tree level.
void outputRenderOrder(v3 camPos, Node node, QuadInstance* out, u32* count);

// The pipeline's use of the above: builds the tree over a list of transparent quads (its first
// quad the root, the others inserted in push order), walks it from `camPos` into `sorted` (room
// for the whole list) and returns the number of quads written. An empty list writes nothing.
u32 sortTransparentQuads(ChunkStore* transQuads, v3 camPos, QuadInstance* sorted);

} // namespace ve
