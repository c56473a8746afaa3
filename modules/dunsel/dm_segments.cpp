// Edge matrices of the two scan-line families and the edge segments linked
// across them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "dm_location.h"
#include "dm_profile.h"

namespace dunsel {

namespace {

// True when the three points lie within 45 (factor 0.5) or about 18 (0.1)
// degrees of a straight line through the middle one.
bool Straight(double ax, double ay, double bx, double by, double factor) {
  const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, dot = ax * bx + ay * by;
  return factor * a2 * b2 > std::abs(dot * dot - a2 * b2);
}

}  // namespace

void ScanEdgeMatrix(ScanFamily& f, SampleSlot& slot, const LocateContext& lc, int direction) {
  const TRectangularRegion& r = *lc.region;
  const double angle = direction == kHorizontal ? 0.0 : -90.0;
  // Width and height limited to the frame.
  const double across = direction == kHorizontal ? std::min(r.height, static_cast<double>(lc.depth))
                                                 : std::min(r.width, static_cast<double>(lc.width));
  const double along = direction == kHorizontal ? std::min(r.width, static_cast<double>(lc.width))
                                                : std::min(r.height, static_cast<double>(lc.depth));
  f.lines = across > 0 ? static_cast<int>(across) / 7 : 0;
  f.columns = along > 0 ? static_cast<int>(along) + 1 : 1;
  const size_t cells = static_cast<size_t>(f.lines) * f.columns;
  if (f.marks.size() < cells) {
    f.marks.resize(cells);
    f.xs.resize(cells);
    f.ys.resize(cells);
  }
  if (f.lineCoord.size() < static_cast<size_t>(f.lines)) f.lineCoord.resize(static_cast<size_t>(f.lines));
  for (int i = 0; i < f.lines; ++i) {
    int* marks = f.marks.data() + static_cast<size_t>(i) * f.columns;
    int* xs = f.xs.data() + static_cast<size_t>(i) * f.columns;
    int* ys = f.ys.data() + static_cast<size_t>(i) * f.columns;
    std::fill(marks, marks + f.columns, 0);
    std::fill(xs, xs + f.columns, 0);
    std::fill(ys, ys + f.columns, 0);
    int x0, y0, x1, y1;
    if (!GetScanRectangularRegionLine(lc.frame, lc.region, f.lines, i, angle, &x0, &y0, &x1, &y1)) {
      f.lineCoord[static_cast<size_t>(i)] = direction == kHorizontal ? y0 : x0;
      continue;
    }
    f.lineCoord[static_cast<size_t>(i)] = direction == kHorizontal ? y0 : x0;
    TLine line{};
    ClipLine(lc.frame, lc.region, x0, y0, x1, y1, &line.x0, &line.y0, &line.x1, &line.y1);
    slot.count = 0;
    ProfileScan scan{&slot};
    ScanLine(lc.frame, nullptr, &line, 1, &scan, CollectScanSample);
    const int n = slot.count;
    MarkEdges(slot, n, 3);
    // A turned line can hold more samples than a row has columns.
    const int copy = std::min(n, f.columns);
    std::copy(slot.barSpace.begin(), slot.barSpace.begin() + copy, marks);
    std::copy(slot.sampleX.begin(), slot.sampleX.begin() + copy, xs);
    std::copy(slot.sampleY.begin(), slot.sampleY.begin() + copy, ys);
  }
}

bool BuildLegSegments(ScanFamily& f, int k) {
  f.segments.clear();
  f.tripleStart.clear();
  if (2 * k >= f.lines) return false;
  const int window = 8 * k;
  const int cols = f.columns;
  // The marked columns of each line used, in order: most of a row is
  // unmarked.
  std::vector<std::vector<int>> marked(static_cast<size_t>(f.lines));
  for (int row = 0; row < f.lines; row += k) {
    std::vector<int>& m = marked[static_cast<size_t>(row)];
    const int* marks = f.marks.data() + static_cast<size_t>(row) * cols;
    for (int c = 0; c < cols; ++c)
      if (marks[c] != 0) m.push_back(c);
  }
  auto range = [](const std::vector<int>& m, int lo, int hi) {
    return std::pair(std::lower_bound(m.begin(), m.end(), lo), std::upper_bound(m.begin(), m.end(), hi));
  };
  for (int q = k; q + k < f.lines; q += k) {
    const int p = q - k, r = q + k;
    f.tripleStart.push_back(static_cast<int>(f.segments.size()));
    const double cp = f.lineCoord[static_cast<size_t>(p)], cq = f.lineCoord[static_cast<size_t>(q)],
                 cr = f.lineCoord[static_cast<size_t>(r)];
    const std::vector<int>& mp = marked[static_cast<size_t>(p)];
    const std::vector<int>& mr = marked[static_cast<size_t>(r)];
    for (int c : marked[static_cast<size_t>(q)]) {
      if (c < 1) continue;
      const int mark = f.at(f.marks, q, c);
      // The window is kept inside the row.
      const int lo = std::max(0, c - window), hi = std::min(cols - 1, c + window);
      const auto [rFirst, rLast] = range(mr, lo, hi);
      const auto [pFirst, pLast] = range(mp, lo, hi);
      for (auto jt = rFirst; jt != rLast; ++jt) {
        const int j = *jt;
        if (f.at(f.marks, r, j) != mark) continue;
        const double ax = c - j, ay = cq - cr;
        for (auto lt = pFirst; lt != pLast; ++lt) {
          const int l = *lt;
          if (f.at(f.marks, p, l) != mark) continue;
          const double bx = c - l, by = cq - cp;
          if (!Straight(ax, ay, bx, by, 0.5)) continue;
          LegSegment s{f.at(f.xs, p, l), f.at(f.xs, q, c), f.at(f.xs, r, j),
                       f.at(f.ys, p, l), f.at(f.ys, q, c), f.at(f.ys, r, j),
                       f.at(f.marks, p, l) == kRisingMark, true};
          f.segments.push_back(s);
        }
      }
    }
  }
  f.tripleStart.push_back(static_cast<int>(f.segments.size()));
  if (f.segments.empty()) return false;

  // Chaining: a segment takes over a later one that starts with its last two
  // points and goes on straight; only segments that took one over remain.
  // The later segments that can match begin on the next triple of rows; each
  // triple's segments are looked up by their first two points, which no
  // segment of a later triple has changed yet when it is looked up (a texture
  // makes thousands of segments per triple).
  const int triples = static_cast<int>(f.tripleStart.size()) - 1;
  std::vector<LegSegment>& s = f.segments;
  using Start = std::array<int, 5>;  // x0, y0, x1, y1, index
  std::vector<Start> starts(s.size());
  for (size_t j = 0; j < s.size(); ++j) starts[j] = Start{s[j].x0, s[j].y0, s[j].x1, s[j].y1, static_cast<int>(j)};
  for (int t = 0; t < triples; ++t)
    std::sort(starts.begin() + f.tripleStart[static_cast<size_t>(t)],
              starts.begin() + f.tripleStart[static_cast<size_t>(t) + 1]);
  for (int t = 0; t < triples; ++t) {
    for (int i = f.tripleStart[static_cast<size_t>(t)]; i < f.tripleStart[static_cast<size_t>(t) + 1]; ++i) {
      LegSegment& a = s[static_cast<size_t>(i)];
      if (!a.alive()) continue;
      bool absorbed = false;
      for (int next = t + 1; next < triples; ++next) {
        bool found = false;
        // The segments of the next triple that start where a ends, in list
        // order.
        const auto first = starts.begin() + f.tripleStart[static_cast<size_t>(next)];
        const auto last = starts.begin() + f.tripleStart[static_cast<size_t>(next) + 1];
        const Start lo{a.x1, a.y1, a.x2, a.y2, 0};
        for (auto it = std::lower_bound(first, last, lo);
             it != last && (*it)[0] == a.x1 && (*it)[1] == a.y1 && (*it)[2] == a.x2 && (*it)[3] == a.y2; ++it) {
          LegSegment& b = s[static_cast<size_t>((*it)[4])];
          if (!b.alive()) continue;
          if (!Straight(a.x1 - a.x0, a.y1 - a.y0, a.x1 - b.x2, a.y1 - b.y2, 0.1)) continue;
          a.x1 = b.x1;
          a.x2 = b.x2;
          a.y1 = b.y1;
          a.y2 = b.y2;
          b.erase();
          absorbed = found = true;
          break;
        }
        if (!found) break;
      }
      if (!absorbed) a.erase();
    }
  }
  return true;
}

PassBudget BudgetOfRegion(int64_t area) {
  // Ordinary pictures stay well below both bounds: a symbol of fine modules
  // that fills its frame makes about one segment per 170 pixels and one
  // scanned pair per 250, and the largest symbol (144 x 144) at the finest
  // modules read (3 px) makes about 1100 segments and 800 scanned pairs in
  // the pass that reads it, whatever the frame around it. A fine
  // texture (a checkerboard of single pixels, noise) makes a segment every
  // 10 to 100 pixels and a scanned pair every one to twenty, and the pairs
  // grow with the square of the segments.
  constexpr int64_t kPixelsPerSegment = 128, kPixelsPerExtent = 64, kLeast = 64, kMost = 4096;
  return PassBudget{static_cast<int>(std::clamp(area / kPixelsPerSegment, kLeast, kMost)),
                    std::clamp(area / kPixelsPerExtent, kLeast, kMost)};
}

void KeepLongestSegments(ScanFamily& f, int most) {
  std::vector<LegSegment>& s = f.segments;
  std::vector<int> alive;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i].alive()) alive.push_back(static_cast<int>(i));
  if (alive.size() <= static_cast<size_t>(most)) return;
  auto length2 = [&](int i) {
    const LegSegment& a = s[static_cast<size_t>(i)];
    return static_cast<int64_t>(a.x2 - a.x0) * (a.x2 - a.x0) + static_cast<int64_t>(a.y2 - a.y0) * (a.y2 - a.y0);
  };
  // A finder leg runs along the whole symbol; a texture's segments are many
  // and mostly short.
  std::nth_element(alive.begin(), alive.begin() + most, alive.end(), [&](int a, int b) {
    const int64_t la = length2(a), lb = length2(b);
    return la != lb ? la > lb : a < b;
  });
  for (auto it = alive.begin() + most; it != alive.end(); ++it) s[static_cast<size_t>(*it)].erase();
}

void JoinLegSegments(ScanFamily& f, int direction, int gap) {
  std::vector<LegSegment>& s = f.segments;
  // Most traced segments were taken over by the chaining: walk the others.
  std::vector<int> alive;
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i].alive()) alive.push_back(static_cast<int>(i));
  for (size_t ai = 0; ai < alive.size(); ++ai) {
    LegSegment& a = s[static_cast<size_t>(alive[ai])];
    if (!a.alive()) continue;
    for (size_t bi = ai + 1; bi < alive.size(); ++bi) {
      LegSegment& b = s[static_cast<size_t>(alive[bi])];
      if (!b.alive()) continue;
      const int dx = std::abs(a.x2 - b.x0), dy = std::abs(a.y2 - b.y0);
      const bool near = direction == kVertical ? (dx <= gap && dy < 8) : (dx < 8 && dy <= gap);
      if (!near) continue;
      if (!Straight(a.x0 - a.x1, a.y0 - a.y1, b.x2 - a.x1, b.y2 - a.y1, 0.1)) continue;
      a.x1 = b.x1;
      a.x2 = b.x2;
      a.y1 = b.y1;
      a.y2 = b.y2;
      b.erase();
    }
  }
}

}  // namespace dunsel
