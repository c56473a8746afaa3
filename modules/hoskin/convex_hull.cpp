#include "convex_hull.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace hoskin {

int ConvexHull(float* points, int count, float* out) {
  if (count <= 0) return 0;
  struct P {
    float x, y;
  };
  P* p = reinterpret_cast<P*>(points);
  // By x, then y: points of equal x in any order would lose extreme points.
  std::sort(p, p + count, [](const P& a, const P& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  std::vector<P> chain;
  chain.reserve(static_cast<size_t>(count) + 1);
  // The upper pass never pops into the lower chain (`floor` nodes stay).
  size_t floor = 2;
  const auto add = [&](const P& q) {
    while (chain.size() >= floor) {
      const P& a = chain[chain.size() - 2];
      const P& b = chain.back();
      if ((b.x - a.x) * (q.y - a.y) > (b.y - a.y) * (q.x - a.x)) break;
      chain.pop_back();
    }
    chain.push_back(q);
  };
  for (int i = 0; i < count; ++i) add(p[i]);
  floor = chain.size() + 1;
  for (int i = count - 2; i >= 0; --i) add(p[i]);
  if (chain.size() > 1) chain.pop_back();  // the first point again
  // Only repeated points: one.
  while (chain.size() > 1 && chain.back().x == chain.front().x && chain.back().y == chain.front().y) chain.pop_back();
  for (size_t i = 0; i < chain.size(); ++i) {
    out[2 * i] = chain[i].x;
    out[2 * i + 1] = chain[i].y;
  }
  return static_cast<int>(chain.size());
}

void ComputeRegionRectangle(const float* hull, int hullCount, float cx, float cy, float corners[8]) {
  std::fill(corners, corners + 8, 0.0f);
  if (hullCount < 2) return;
  int best = 0;
  float bestLength = -1;
  for (int k = 0; k + 1 < hullCount; ++k) {
    const float l = std::hypot(hull[2 * k + 2] - hull[2 * k], hull[2 * k + 3] - hull[2 * k + 1]);
    if (l > bestLength) best = k, bestLength = l;
  }
  if (bestLength <= 0) return;
  const float ax = hull[2 * best], ay = hull[2 * best + 1];
  const float ux = (hull[2 * best + 2] - ax) / bestLength, uy = (hull[2 * best + 3] - ay) / bestLength;
  const float nx = -uy, ny = ux;
  float depth = 0, d1 = 0, d2 = 0;
  for (int k = 0; k < hullCount; ++k) {
    const float px = hull[2 * k], py = hull[2 * k + 1];
    depth = std::max(depth, std::fabs(nx * (px - ax) + ny * (py - ay)));
    const float along = ux * (px - cx) + uy * (py - cy);
    if (along < 0) {
      d1 = std::max(d1, -along);
    } else {
      d2 = std::max(d2, along);
    }
  }
  // F: where the edge's line meets the perpendicular through the centre.
  const float t = ux * (cx - ax) + uy * (cy - ay);
  const float fx = ax + ux * t, fy = ay + uy * t;
  corners[0] = fx - ux * d1, corners[1] = fy - uy * d1;
  corners[2] = fx + ux * d2, corners[3] = fy + uy * d2;
  corners[4] = corners[2] + nx * depth, corners[5] = corners[3] + ny * depth;
  corners[6] = corners[0] + nx * depth, corners[7] = corners[1] + ny * depth;
}

}  // namespace hoskin
