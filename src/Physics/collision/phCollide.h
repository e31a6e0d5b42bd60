#pragma once
// The narrow phase: boxes are the only shape, so one routine, phBoxtoBox, decides whether two
// rotated boxes touch and fills a manifold with a normal and up to eight points. It is a
// separating-axis test over fifteen axes (three face axes of each box, nine edge-edge cross
// products) with tolerances that prefer face contacts; a face contact clips the incident face
// against the side planes of the reference face, an edge contact takes the closest points of
// the two supporting edges.
//
// Box edges are numbered 0 to 11 in the box's own frame; an edge is named by the two faces it
// joins: 0 (+y,+z), 1 (+x,+y), 2 (+y,-z), 3 (-x,+y), 4 (-y,+z), 5 (-x,-y), 6 (-y,-z), 7 (+x,-y),
// 8 (+x,+z), 9 (+x,-z), 10 (-x,-z), 11 (-x,+z). Feature pairs carry these ids so that the
// contact manager can match a point with the same point of the previous step.

#include "Physics/dynamics/phContact.h"

class phBox;

// A vertex of a clipped polygon with the features that produced it.
struct phClipVertex {
    phClipVertex() { f.key = -1; }

    phVec3 v;
    phFeaturePair f;
};

// Most negative float: the start of every running maximum of separations.
const r32 phk_minFloat = -phk_maxFloat;
// Two box axes closer than this to parallel (in cosine) make the edge axes degenerate.
const r32 phk_parallelCosTolerance = r32(1e-6);
// An edge axis must beat the best face axis by this relative and absolute margin, and B's face
// must beat A's by the same: face contacts are steadier than edge contacts, and one reference box
// keeps the manifold from flickering between A and B.
const r32 phk_axisRelativeTolerance = r32(0.95);
const r32 phk_axisAbsoluteTolerance = r32(0.01);
// Boxes this close (world units) already get contact points, with a positive penetration (the
// gap). The solver lets such a point close its gap but no more, so a resting face keeps its
// points (and their warm-start impulses) while it rocks by a few millimetres.
const r32 phk_contactMargin = r32(0.008);
// A clip vertex within this distance of a side plane counts as lying on it.
const r32 phk_clipOnPlaneTolerance = r32(0.005);

// Fills `m` when the boxes touch or are less than phk_contactMargin apart; writes nothing when
// they are further apart (the caller has set contactCount to 0). The normal is a unit vector from
// A towards B; penetrations are negative while the boxes overlap and at most the margin.
void phBoxtoBox(phManifold* m, phBox* a, phBox* b);

// True when `s` > phk_contactMargin: the axis keeps the boxes further apart than the margin.
// Otherwise a separation above *sMax becomes the best one found so far.
bool phTrackFaceAxis(i32* axis, i32 n, r32 s, r32* sMax, const phVec3& normal, phVec3* axisNormal);
// As phTrackFaceAxis for an unnormalised cross-product axis: `s` and `normal` are normalised by
// the axis length before they are compared and recorded.
bool phTrackEdgeAxis(i32* axis, i32 n, r32 s, r32* sMax, const phVec3& normal, phVec3* axisNormal);

// For the reference face of the box (half extents eR at rtx) whose normal is n, world space:
// the four clip edge ids in the order of the clipping passes, the face basis (two axes spanning
// the face, then its outward normal) and the extents along it (half widths, then the face's
// distance from the centre). Axis numbers 3 to 5 stand for 0 to 2.
void phComputeReferenceEdgesAndBasis(const phVec3& eR, const phTransform& rtx, phVec3 n, i32 axis, u8* out,
                                     phMat3* basis, phVec3* e);
// The four world corners of the face of the incident box (half extents e at itx) most opposed to
// n, with the feature pairs that name each corner by its two edges.
void phComputeIncidentFace(const phTransform& itx, const phVec3& e, phVec3 n, phClipVertex* out);
// Clips the incident face to the reference face and keeps the points below it or less than the
// contact margin above it: world positions, feature pairs and depths (positive above the face).
// Returns the count, 0 to 8.
i32 phClip(const phVec3& rPos, const phVec3& e, const u8* clipEdges, const phMat3& basis,
           const phClipVertex* incident, phClipVertex* outVerts, r32* outDepths);
// One Sutherland-Hodgman pass against the side plane sign * v[axis] = e, keeping the side where
// sign * v[axis] <= e. Points that leave or enter record `clipEdge`. Returns the output count.
i32 phOrthographic(r32 sign, r32 e, i32 axis, i32 clipEdge, const phClipVertex* in, i32 inCount, phClipVertex* out);

// The end points of the edge of the box (half extents e at tx) that reaches furthest along n.
void phSupportEdge(const phTransform& tx, const phVec3& e, phVec3 n, phVec3* aOut, phVec3* bOut);
// Closest points CA on line PA-QA and CB on line PB-QB. An edge of length 0 is a point; for
// parallel lines CA is PA (the axis choice only reaches this with skew edges of real boxes).
void phEdgesContact(phVec3* CA, phVec3* CB, const phVec3& PA, const phVec3& QA, const phVec3& PB, const phVec3& QB);
