#include "Renderer/bsp_tree.h"

#include <string.h>

#include "Core/engine_globals.h"
#include "Memory/memory.h"

namespace ve {

v3 quadPlaneNormal(const QuadInstance* quad) { return -quad->rotation.col3; }

b8 bspIsBehind(v3 planeNormal, v3 planePoint, v3 point) {
    f32 side = inner(planeNormal, planePoint - point);
    // The sign bit, not `side < 0`: a negative zero must count as behind.
    u32 bits;
    memcpy(&bits, &side, sizeof(bits));
    return (bits >> 31) != 0;
}

namespace bsp_detail {

b8 isBehindNode(const Node* node, v3 point) {
    const QuadInstance* quad = &node->objectToRender;
    return bspIsBehind(quadPlaneNormal(quad), quad->position, point);
}

// Depth-first walk over node pointers, so that each level of recursion costs a few words of stack
// rather than a copy of a node.
void writeSubtreeInOrder(v3 camPos, const Node* node, QuadInstance* out, u32* count) {
    b8 cameraBehind = isBehindNode(node, camPos);
    const Node* farSide = cameraBehind ? node->front : node->behind;
    const Node* nearSide = cameraBehind ? node->behind : node->front;
    if (farSide) writeSubtreeInOrder(camPos, farSide, out, count);
    out[*count] = node->objectToRender;
    *count += 1;
    if (nearSide) writeSubtreeInOrder(camPos, nearSide, out, count);
}

} // namespace bsp_detail

void addTransparentFace(QuadInstance quad, Node* root) {
    Node* node = root;
    for (;;) {
        Node** child = bsp_detail::isBehindNode(node, quad.position) ? &node->behind : &node->front;
        if (*child) {
            node = *child;
            continue;
        }
        Node* leaf = (Node*)pushToHeap(tmpStore, sizeof(Node));
        // The frame's lists come from the same store; running out here means the frame as a whole
        // did not fit, and a tree with a hole would draw the wrong set of quads.
        VE_ASSERT_NOT_NULL(leaf);
        leaf->objectToRender = quad;
        leaf->front = nullptr;
        leaf->behind = nullptr;
        *child = leaf;
        return;
    }
}

void outputRenderOrder(v3 camPos, Node node, QuadInstance* out, u32* count) {
    bsp_detail::writeSubtreeInOrder(camPos, &node, out, count);
}

u32 sortTransparentQuads(ChunkStore* transQuads, v3 camPos, QuadInstance* sorted) {
    if (transQuads->length == 0) return 0;
    // The root is not allocated: it lives here for the length of the walk.
    Node root;
    root.objectToRender = *(QuadInstance*)(*transQuads)[0];
    root.front = nullptr;
    root.behind = nullptr;
    for (msi i = 1; i < transQuads->length; ++i) addTransparentFace(*(QuadInstance*)(*transQuads)[i], &root);
    u32 count = 0;
    outputRenderOrder(camPos, root, sorted, &count);
    return count;
}

} // namespace ve
