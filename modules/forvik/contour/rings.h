// Rings: pairs of nearly concentric circles of different radius.
#pragma once

#include <vector>

#include "contour/geometry.h"

namespace forvik {

struct RingPair {
  float x, y;  // mean of the two centres
  float outer, inner;
  int outerIndex, innerIndex;
};

// Every pair of the candidates 0..lastIndex whose radii differ and whose
// centres lie closer than a tenth of the larger radius; the larger circle is
// the outer one, whichever scored higher. A circle may be in several rings.
std::vector<RingPair> PairRings(const std::vector<CircleCandidate>& candidates, int lastIndex);

}  // namespace forvik
