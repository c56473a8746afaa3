#include "frame/scan_span.h"

#include <algorithm>
#include <cmath>

namespace frame {

ScanSpan ScanSpanInFrame(const Frame* f, const TRectangularRegion* region, int count, bool columns, double perPixel) {
  ScanSpan span;
  const double w = f ? GetFrameWidth(f) : 0, d = f ? GetFrameDepth(f) : 0;
  if (count < 1 || !(w > 0) || !(d > 0)) return span;
  const TRectangularRegion r = region ? *region : TRectangularRegion{w / 2, d / 2, w, d, 0};
  if (!std::isfinite(r.cx) || !std::isfinite(r.cy) || !std::isfinite(r.width) || !std::isfinite(r.height) ||
      !std::isfinite(r.angle))
    return span;
  const double e = columns ? r.width : r.height;
  if (!(e > 0)) return span;
  span.count = static_cast<int>(std::min<double>(count, std::max(1.0, std::ceil(e * perPixel))));

  // The frame's corners on the axis the lines are numbered along: v for the
  // rows, -u for the columns (the host numbers columns from +u).
  const double a = r.angle * (M_PI / 180.0), c = std::cos(a), s = std::sin(a);
  double lo = HUGE_VAL, hi = -HUGE_VAL;
  for (const double px : {0.0, w})
    for (const double py : {0.0, d}) {
      const double t = columns ? -((px - r.cx) * c + (py - r.cy) * s) : -(px - r.cx) * s + (py - r.cy) * c;
      lo = std::min(lo, t);
      hi = std::max(hi, t);
    }
  // Line i lies at (i + 0.5) * e / count - e / 2.
  const double n = span.count;
  const double first = std::floor(((lo - 2) + e / 2) * n / e - 0.5);
  const double last = std::ceil(((hi + 2) + e / 2) * n / e - 0.5);
  span.first = static_cast<int>(std::clamp(first, 0.0, n - 1));
  span.last = static_cast<int>(std::clamp(last, -1.0, n - 1));
  if (first > n - 1 || last < 0) span.last = span.first - 1;
  return span;
}

}  // namespace frame
