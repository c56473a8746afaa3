#include "contour/geometry.h"

namespace forvik {

bool PerpendicularBisector(float x1, float y1, float x2, float y2, LineEq* out) {
  if (x1 == x2 && y1 == y2) return false;
  if (y1 == y2) {
    *out = {0.0f, (x1 + x2) / 2, kVertical};
    return true;
  }
  if (x1 == x2) {
    *out = {0.0f, (y1 + y2) / 2, kHorizontal};
    return true;
  }
  const float a = -(x2 - x1) / (y2 - y1);
  *out = {a, (y1 + y2) / 2 - a * (x1 + x2) / 2, kSloped};
  return true;
}

bool IntersectLines(const LineEq& l1, const LineEq& l2, float* x, float* y) {
  if (l1.kind == kVertical && l2.kind == kHorizontal) {
    *x = l1.b;
    *y = l2.b;
    return true;
  }
  if (l1.kind == kHorizontal && l2.kind == kVertical) {
    *x = l2.b;
    *y = l1.b;
    return true;
  }
  if (l1.kind == l2.kind && l1.kind != kSloped) return false;
  if (l1.kind == kVertical) {
    *x = l1.b;
    *y = l2.a * l1.b + l2.b;
    return true;
  }
  if (l2.kind == kVertical) {
    *x = l2.b;
    *y = l1.a * l2.b + l1.b;
    return true;
  }
  // Sloped or horizontal (slope 0): parallel when the slope keys agree.
  if (static_cast<int>(l1.a * 1000.0f) == static_cast<int>(l2.a * 1000.0f)) return false;
  *x = (l1.b - l2.b) / (l2.a - l1.a);
  *y = l2.a * *x + l2.b;
  return true;
}

}  // namespace forvik
