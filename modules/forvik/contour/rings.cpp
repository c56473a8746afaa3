#include "contour/rings.h"

#include <cmath>

namespace forvik {

std::vector<RingPair> PairRings(const std::vector<CircleCandidate>& c, int lastIndex) {
  std::vector<RingPair> rings;
  for (int i = 0; i <= lastIndex; ++i) {
    for (int j = i + 1; j <= lastIndex; ++j) {
      int o = i, n = j;
      if (c[static_cast<size_t>(o)].radius < c[static_cast<size_t>(n)].radius) std::swap(o, n);
      const CircleCandidate& out = c[static_cast<size_t>(o)];
      const CircleCandidate& in = c[static_cast<size_t>(n)];
      // Equal radii (and removed candidates, radius -1) make no ring.
      if (!(in.radius < out.radius) || in.radius < 0) continue;
      const float d = std::sqrt((out.x - in.x) * (out.x - in.x) + (out.y - in.y) * (out.y - in.y));
      if (!(d < 0.1f * out.radius)) continue;
      rings.push_back({(out.x + in.x) / 2, (out.y + in.y) / 2, out.radius, in.radius, o, n});
    }
  }
  return rings;
}

}  // namespace forvik
