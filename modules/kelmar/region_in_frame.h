// A region cut to the part of it that a frame can fill, so that buffers and
// scan counts follow the frame rather than absurd region sizes.
#pragma once

#include <algorithm>
#include <cmath>

#include "talvix.h"

namespace kelmar {

// A region whose sides are at most the frame's width + depth keeps its size
// and place, its angle reduced to less than a whole turn. A larger one keeps
// that angle, its sides cut to the frame's extent along them: it holds the
// same frame pixels. Non-finite numbers (but infinite sides) and negative
// sides past that size give an empty region.
inline TRectangularRegion RegionPartInFrame(const TRectangularRegion& r, int width, int depth) {
  const double reach = double(width) + double(depth);
  if (!std::isfinite(r.cx) || !std::isfinite(r.cy) || !std::isfinite(r.angle) || std::isnan(r.width) ||
      std::isnan(r.height))
    return {width * 0.5, depth * 0.5, 0.0, 0.0, 0.0};
  // Whole turns dropped: a huge angle in degrees loses its direction once
  // turned into radians.
  const TRectangularRegion turned{r.cx, r.cy, r.width, r.height, std::fmod(r.angle, 360.0)};
  if (std::fabs(r.width) <= reach && std::fabs(r.height) <= reach) return turned;
  // The host scans nothing of a region with a negative side.
  if (r.width < 0 || r.height < 0) return {width * 0.5, depth * 0.5, 0.0, 0.0, turned.angle};
  // The frame's corners, a pixel out for rounding, in the region's own axes.
  const double a = turned.angle * (M_PI / 180.0), c = std::cos(a), s = std::sin(a);
  double u0 = HUGE_VAL, u1 = -HUGE_VAL, v0 = HUGE_VAL, v1 = -HUGE_VAL;
  for (const double x : {-1.0, width + 1.0}) {
    for (const double y : {-1.0, depth + 1.0}) {
      const double u = (x - r.cx) * c + (y - r.cy) * s, v = -(x - r.cx) * s + (y - r.cy) * c;
      u0 = std::min(u0, u), u1 = std::max(u1, u), v0 = std::min(v0, v), v1 = std::max(v1, v);
    }
  }
  const double hw = r.width / 2, hh = r.height / 2;
  u0 = std::max(u0, -hw), u1 = std::min(u1, hw), v0 = std::max(v0, -hh), v1 = std::min(v1, hh);
  if (u0 > u1 || v0 > v1) return {width * 0.5, depth * 0.5, 0.0, 0.0, turned.angle};  // the region misses the frame
  const double uc = (u0 + u1) / 2, vc = (v0 + v1) / 2;
  return {r.cx + uc * c - vc * s, r.cy + uc * s + vc * c, u1 - u0, v1 - v0, turned.angle};
}

}  // namespace kelmar
