// Skeleton engines: pruning of end points and the directional thinning steps.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "frame/run_args.h"
#include "morphology.h"

namespace jorvel {

namespace {

constexpr uint8_t kObject = 0;
constexpr uint8_t kBackground = 255;
constexpr uint8_t kMark = 100;

// Neighbour offsets in the ring NW, N, NE, E, SE, S, SW, W.
struct Ring {
  ptrdiff_t at[8];
  explicit Ring(ptrdiff_t s) : at{-s - 1, -s, -s + 1, 1, s + 1, s, s - 1, -1} {}
};

// Steps from a neighbour for which `in` holds to the next one for which it
// does not, around the ring.
template <class In>
int Transitions(const uint8_t* p, const Ring& ring, const In& in) {
  int steps = 0;
  bool prev = in(p[ring.at[7]]);
  for (int i = 0; i < 8; ++i) {
    const bool cur = in(p[ring.at[i]]);
    steps += prev && !cur;
    prev = cur;
  }
  return steps;
}

enum Side { kN = 1, kE = 3, kS = 5, kW = 7 };

// One directional step: each object pixel, in the step's visiting order,
// is marked when it has at least two object neighbours, one object-to-other
// transition around it, `object` on side `has` and background on side
// `open`. Marks made earlier in the step are seen by later tests.
bool Step(const ThinPlane& f, const Ring& ring, Side has, Side open, bool columnMajor, bool reverseOuter,
          bool reverseInner) {
  bool changed = false;
  const int outer = columnMajor ? f.width : f.depth, inner = columnMajor ? f.depth : f.width;
  for (int o = 0; o < outer; ++o) {
    const int oo = reverseOuter ? outer - o : o + 1;
    for (int i = 0; i < inner; ++i) {
      const int ii = reverseInner ? inner - i : i + 1;
      uint8_t* p = columnMajor ? f.at(ii, oo) : f.at(oo, ii);
      if (*p != kObject) continue;
      if (p[ring.at[has]] != kObject || p[ring.at[open]] != kBackground) continue;
      int objects = 0;
      for (ptrdiff_t d : ring.at) objects += p[d] == kObject;
      if (objects < 2) continue;
      if (Transitions(p, ring, [](uint8_t v) { return v == kObject; }) != 1) continue;
      *p = kMark;
      changed = true;
    }
  }
  return changed;
}

}  // namespace

int CountCrossings(const ThinPlane& f, int r, int x, int t) {
  return Transitions(f.at(r, x), Ring(f.stride), [t](uint8_t v) { return v < t; });
}

void PruneEndPoints(const ThinPlane& binary, const ThinPlane& thin, int t) {
  const Ring ring(binary.stride);
  frame::ForRows(binary.depth, binary.width, [&](int row) {
    const int r = row + 1;
    for (int x = 1; x <= binary.width; ++x) {
      const uint8_t* p = binary.at(r, x);
      uint8_t v = kBackground;
      if (*p < t) {
        int objects = 0;
        for (ptrdiff_t d : ring.at) objects += p[d] < t;
        v = objects > 2 || CountCrossings(binary, r, x, t) >= 2 ? kObject : kBackground;
      }
      *thin.at(r, x) = v;
    }
  });
}

void ThinIterate(const ThinPlane& f, Frame* out, int maxIterations) {
  const Ring ring(f.stride);
  for (int iteration = 1;; ++iteration) {
    // Visiting orders: down the columns from the last row; along the rows;
    // up the columns from the last column; back along the rows from the last.
    bool changed = Step(f, ring, kN, kS, true, false, true);
    changed |= Step(f, ring, kE, kW, false, false, false);
    changed |= Step(f, ring, kS, kN, true, true, false);
    changed |= Step(f, ring, kW, kE, false, true, true);
    for (int r = 1; r <= f.depth; ++r) {
      uint8_t* row = f.at(r, 1);
      std::replace(row, row + f.width, kMark, kBackground);
    }
    if (!changed || (maxIterations > 0 && iteration >= maxIterations)) break;
  }
  // Staircase pass, in place on one thread.
  const ptrdiff_t s = f.stride;
  for (int r = 1; r <= f.depth; ++r) {
    for (int x = 1; x <= f.width; ++x) {
      uint8_t* p = f.at(r, x);
      if (*p != kObject) continue;
      const bool n = p[-s] == kObject, e = p[1] == kObject, so = p[s] == kObject, w = p[-1] == kObject;
      const bool nwOpen = p[-s - 1] == kBackground, neOpen = p[-s + 1] == kBackground;
      const bool swOpen = p[s - 1] == kBackground, seOpen = p[s + 1] == kBackground;
      if ((so && w && swOpen && neOpen) || (so && e && seOpen && nwOpen) || (n && e && swOpen && neOpen) ||
          (n && w && seOpen && nwOpen)) {
        *p = kBackground;
      }
    }
  }
  const frame::FrameRows dst(out);
  frame::ForRows(f.depth, f.width, [&](int row) { std::memcpy(dst.row(row), f.at(row + 1, 1), f.width); });
}

}  // namespace jorvel
