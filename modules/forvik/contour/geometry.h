// Straight lines in slope form, as the arc search and the segment fits use
// them, and the circle records the detectors share.
#pragma once

#include <cstdint>

namespace forvik {

enum LineKind : int32_t {
  kSloped = 0,      // y = a x + b
  kVertical = 1,    // x = b
  kHorizontal = 2,  // y = b
};

struct LineEq {
  float a = 0;
  float b = 0;
  int32_t kind = kSloped;
};

struct CircleCandidate {
  float x = 0;
  float y = 0;
  float radius = 0;  // -1 marks a removed candidate
  float quality = 0;
  int32_t score = 0;
};

// Perpendicular bisector of the chord (x1, y1)-(x2, y2); false for a chord
// of two equal points, which has none.
bool PerpendicularBisector(float x1, float y1, float x2, float y2, LineEq* out);

// Where two lines meet; false for parallel lines. Sloped lines whose slopes
// agree to the thousandth count as parallel; a vertical line is parallel only
// to another vertical one.
bool IntersectLines(const LineEq& l1, const LineEq& l2, float* x, float* y);

}  // namespace forvik
