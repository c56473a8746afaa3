// Cutting an ordered point list into straight segments.
#pragma once

#include <cstdint>
#include <vector>

namespace forvik {

struct LineSegment {
  float x0 = 0, y0 = 0;  // first point
  float x1 = 0, y1 = 0;  // last point
  float a = 0, b = 0;    // fitted line
  uint8_t orientation = 1;  // 1: y = a x + b; 0: x = a y + b
  double length = 0;
  int32_t first = 0;  // point indexes of the ends
  int32_t last = 0;
};

// Whether two segments run the same way: slopes within half the tolerance
// in one form; across forms (directions (1, a) and (a', 1)) the slopes have
// the same sign and |a| + |a'| lies within half the tolerance of 2.
bool SameDirection(const LineSegment& s1, const LineSegment& s2, float angleTolerance);

// Appends the straight segments of the points 0..lastIndex (x = -1 marks a
// missing point) to `segments`. maxResidual is the largest RMS residual of a
// straight fit in pixels; closed: the list's end joins its start.
void ExtractLineSegments(const float* xs, const float* ys, int lastIndex, float maxResidual, float angleTolerance,
                         bool closed, std::vector<LineSegment>& segments);

}  // namespace forvik
