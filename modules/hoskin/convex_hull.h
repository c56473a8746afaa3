// The convex hull of the pattern regions' cell points, and the oriented
// rectangle laid along the hull's longest edge.
#pragma once

namespace hoskin {

// Monotone chain over `count` (x, y) float pairs, which it sorts in place by
// x, then y. Writes the hull into out (at most count pairs), counter-clockwise
// in a y-up system from the leftmost point; collinear and repeated points are
// dropped. Answers the number of hull points (0 for no input).
int ConvexHull(float* points, int count, float* out);

// Corners (x0, y0 .. x3, y3) of the rectangle along the longest hull edge
// (the closing edge not considered) through the box centre (cx, cy).
void ComputeRegionRectangle(const float* hull, int hullCount, float cx, float cy, float corners[8]);

}  // namespace hoskin
