// The circular-arc search along contour point lists and the merging of
// circles found twice.
#pragma once

#include <vector>

#include "contour/geometry.h"

namespace forvik {

// A point list: float coordinates, a point at (-1, -1) being removed.
struct PointList {
  std::vector<float> xs, ys;
  int size() const { return static_cast<int>(xs.size()); }
  void clear() { xs.clear(), ys.clear(); }
  void push(float x, float y) { xs.push_back(x), ys.push_back(y); }
};

struct ArcSearch {
  int step;  // spacing of the searched list in traced pixels: 4, 8, 16 or 32
  float minRadius;
  float maxRadius;
  float tolerance;
  bool closed;  // the contour closes on itself: the search wraps once
  bool arcs;    // false: only a contour that is one circle throughout counts
  int minScore;
};

// Searches `sub` for circular arcs and appends each accepted one to
// `candidates`; the points of `main` (when given) that an accepted arc covers
// are removed. `bisectors` is scratch storage.
void FindContourCircles(const PointList& sub, PointList* main, const ArcSearch& search,
                        std::vector<CircleCandidate>& candidates, std::vector<LineEq>& bisectors);

// Merges candidates that lie within each other (strict: of similar radius as
// well), orders them by score, highest first, and answers the highest index
// of a remaining candidate (-1 when none).
int MergeDuplicateCircles(std::vector<CircleCandidate>& candidates, int lastIndex, bool strict);

}  // namespace forvik
