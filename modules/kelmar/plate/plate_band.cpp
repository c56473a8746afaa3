#include "plate/plate_band.h"

#include <algorithm>
#include <cstdlib>

namespace kelmar::plate {

Transitions FindTransitions(const uint8_t* p, int from, int usable, int* pos, int capacity) {
  Transitions t;
  for (int j = std::max(from, 4); j < usable - 4; ++j) {
    const int d = p[j + 1] - p[j];
    if (std::abs(d) <= 9) continue;
    if (!(std::abs(p[j + 1] - p[j - 1]) > 27 || std::abs(p[j + 2] - p[j]) > 27 || std::abs(p[j + 3] - p[j]) > 35 ||
          std::abs(p[j + 2] - p[j - 1]) > 35))
      continue;
    if (t.count < capacity) pos[t.count++] = j + 2;
    const bool falling = p[j + 1] <= p[j - 1];
    t.brightSum += falling ? p[j - 4] : p[j + 4];
    t.darkSum += falling ? p[j + 4] : p[j - 4];
    j += 4;
  }
  return t;
}

BandWindow BestBandWindow(const int* pos, int n) {
  BandWindow best;
  for (int a = 0; a + 9 < n; ++a) {
    if (n - a <= best.count) break;  // no later a can hold more
    for (int b = n - 1; b - a >= 9; --b) {
      const int span = pos[b] - pos[a];
      if (span >= 350) continue;
      bool even = true;
      for (int k = a; k < b && even; ++k) even = pos[k + 1] - pos[k] <= 0.3 * span;
      if (!even) continue;
      // The first valid b from the end holds the most transitions for this a.
      if (b - a + 1 > best.count) best = {a, b, b - a + 1};
      break;
    }
  }
  return best;
}

}  // namespace kelmar::plate
