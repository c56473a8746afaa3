#include "plate/plate_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace kelmar::plate {
namespace {

struct Triple {
  int i, j, k;
};
constexpr Triple kTriples[10] = {{0, 1, 2}, {0, 1, 3}, {0, 1, 4}, {0, 2, 3}, {0, 2, 4},
                                 {0, 3, 4}, {1, 2, 3}, {1, 2, 4}, {1, 3, 4}, {2, 3, 4}};

inline bool Collinear(const int* o, const Triple& t) {
  const long d = static_cast<long>(t.k - t.i) * o[t.j] - static_cast<long>(t.k - t.j) * o[t.i] -
                 static_cast<long>(t.j - t.i) * o[t.k];
  return std::labs(d) < 3;
}

// Triples decided once line `last` is chosen: those whose highest line it is.
inline int ScoreAt(const int* o, int last) {
  int s = 0;
  for (const Triple& t : kTriples)
    if (t.k == last) s += Collinear(o, t);
  return s;
}

// Triples still open once lines 0..last are chosen.
constexpr int kOpenAfter[5] = {10, 10, 9, 6, 0};

}  // namespace

FitChoice BestFiveLineFit(const FitLine (&lines)[5], bool flatCounts) {
  FitChoice best;
  int o[5];
  bool done = false;
  int partial[5] = {};
  auto search = [&](auto&& self, int level) -> void {
    for (int n = 0; n < lines[level].count && !done; ++n) {
      o[level] = lines[level].offsets[n];
      partial[level] = (level ? partial[level - 1] : 0) + ScoreAt(o, level);
      if (partial[level] + kOpenAfter[level] <= best.score) continue;  // cannot beat the best
      if (level < 4) {
        self(self, level + 1);
        continue;
      }
      best.score = partial[4];
      for (int i = 0; i < 5; ++i) best.pick[i] = o[i];
      bool flat = flatCounts;
      for (int i = 0; i < 4 && flat; ++i) flat = std::abs(o[i + 1] - o[i]) <= 1;
      if (flat) best.score = 10;
      if (best.score == 10) done = true;
    }
  };
  search(search, 0);
  if (best.score >= 0)
    for (const Triple& t : kTriples)
      if (!Collinear(best.pick, t)) ++best.failed[t.i], ++best.failed[t.j], ++best.failed[t.k];
  return best;
}

int DroppedLine(const FitChoice& c) {
  int most = -1;
  for (int i = 0; i < 5; ++i) most = std::max(most, c.failed[i]);
  for (int i = 0; i < 5; ++i) {
    if (c.failed[i] != most) continue;
    if (i == 0 ? c.present(4) : c.present(0)) return i;
  }
  return -1;
}

BorderFit LowerBorderFit(const FitChoice& c) {
  BorderFit fit;
  const int* v = c.pick;
  auto all = [&](std::initializer_list<int> need) {
    for (int i : need)
      if (!c.present(i)) return false;
    return true;
  };
  double slope = 0, offset = 0;
  if (c.score == 10) {
    if (!all({0, 1, 2, 3, 4})) return fit;
    offset = (v[0] + v[1] + v[2] + v[3] + v[4]) / 5.0;
    slope = (v[4] - v[0]) / 4.0;
  } else if (c.score >= 4) {
    switch (DroppedLine(c)) {
      case 0:
        if (!all({1, 2, 3, 4})) return fit;
        slope = (v[4] - v[1]) / 3.0;
        offset = (v[1] + v[2] + v[3] + v[4]) / 4.0 - slope / 2;
        break;
      case 1:
      case 3:
        if (!all({0, 2, 4})) return fit;
        slope = (v[4] - v[0]) / 4.0;
        offset = (v[0] + v[2] + v[4]) / 3.0;
        break;
      case 4:
        if (!all({0, 1, 2, 3})) return fit;
        slope = (v[3] - v[0]) / 3.0;
        offset = (v[0] + v[1] + v[2] + v[3]) / 4.0 + slope / 2;
        break;
      default:  // without c, and when no line can be dropped
        if (!all({0, 1, 3, 4})) return fit;
        slope = (v[4] - v[0]) / 4.0;
        offset = (v[0] + v[1] + v[3] + v[4]) / 4.0;
        break;
    }
  } else {
    return fit;
  }
  fit.ok = true;
  fit.slope = static_cast<int>(std::trunc(slope));
  fit.offset = static_cast<int>(std::trunc(offset));
  return fit;
}

}  // namespace kelmar::plate
