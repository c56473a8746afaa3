// Plane geometry of the scan lines: segments, quadrilaterals given as four
// corners and the first again, and the clipping and projection the decoder
// needs. Coordinates are frame pixels (memory rows).
#pragma once

namespace hoskin {

struct Point {
  double x = 0, y = 0;
};

struct Segment {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Corners 0 to 3 and corner 0 again.
struct Quad {
  Point p[5];
  void Close() { p[4] = p[0]; }
};

// True when the two segments cross (both parameters in 0 .. 1); parallel
// segments never cross.
bool SegmentsIntersect(const Segment& a, const Segment& b);
// True when the segment crosses any of the edges 0-1, 1-2, 2-3, 3-0.
bool QuadEdgesCross(const Quad& q, const Segment& s);
// Even-odd test: inside when an odd number of edges lie at or left of the
// point at its height.
bool PointInQuad(const Quad& q, float x, float y);
// True when a corner of either lies inside the other or an edge of b crosses a.
bool QuadsOverlap(const Quad& a, const Quad& b);
// Where the line through p and q meets the edges (edge parameter in [0, 1)),
// at most two points ordered along the line from p; false when none.
bool LineQuadIntersections(const Quad& quad, Point p, Point q, Point* first, Point* second);
// The part of the quadrilateral spanned by p and q across it: corners on the
// edges 0->1 and 3->2 at the fractions of p and q from the edge 0-3.
void ProjectQuad(const Quad& quad, Point p, Point q, Quad* out);
// Rotates the segment about the centre by angle degrees, then puts its ends
// back on the lines through corners 0, 3 and corners 1, 2.
void TiltScanLine(const Quad& quad, double angle, Point centre, Segment* s);
// The tilt in degrees of the scan lines of a region pass (attempts 2 to 7
// give +a, -a, +2a, -2a, +3a, -3a; others 0).
double ScanTilt(const Quad& corners, double x0, double y0, double x1, double y1, int attempt);
// Parametric clipping of the segment against a convex polygon of either
// winding; the segment is left unchanged when it lies wholly outside.
void ClipSegment(const Quad& polygon, Segment* s);
// The corners of a rectangle (centre, width, height, angle in degrees about
// its middle).
Quad RegionCorners(double cx, double cy, double w, double h, double angle);

}  // namespace hoskin
