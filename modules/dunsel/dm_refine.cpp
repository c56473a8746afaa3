// From a finder L to a symbol: the two sides opposite the legs, the four
// corners, and the module counts and centres along the two clock tracks.
// Also the duplicate removal and the module threshold.
#include <algorithm>
#include <cmath>

#include "dm_location.h"
#include "dm_profile.h"

namespace dunsel {

namespace {

struct P2 {
  double x, y;
};

// Two running minima of the first-edge index over a group of lines: the
// first and the last line that reach the minimum.
struct EdgeGroup {
  int min1, min2;
  double first[2] = {0, 0}, second[2] = {0, 0};
  explicit EdgeGroup(int start) : min1(start), min2(start) {}
  void Add(int index, double x, double y) {
    if (index < min1) {
      min1 = index;
      first[0] = x;
      first[1] = y;
    }
    if (index <= min2) {
      min2 = index;
      second[0] = x;
      second[1] = y;
    }
  }
};

void WalkLine(const LocateContext& lc, SampleSlot& slot, TLine line, ScanStop stop = ScanStop::Never) {
  slot.count = 0;
  ProfileScan scan{&slot, stop};
  ScanLine(lc.frame, nullptr, &line, 1, &scan, CollectScanSample);
}

// A side line from the first edges met on a family of lines across the
// candidate's region, walked from outside the symbol towards it.
bool SideLine(const LocateContext& lc, SampleSlot& slot, const TRectangularRegion& region, int count, double angle,
              bool clip, bool fromEnd, double line[4]) {
  const int start = static_cast<int>(std::max(region.width, region.height));
  EdgeGroup outer(start), middle(start), firstHalf(start), secondHalf(start);
  for (int l = 0; l < count; ++l) {
    int x0, y0, x1, y1;
    if (!GetScanRectangularRegionLine(lc.frame, &region, count, l, angle, &x0, &y0, &x1, &y1)) continue;
    TLine t{double(x0), double(y0), double(x1), double(y1)};
    if (clip) ClipLine(lc.frame, lc.region, x0, y0, x1, y1, &t.x0, &t.y0, &t.x1, &t.y1);
    if (fromEnd) t = TLine{t.x1, t.y1, t.x0, t.y0};
    WalkLine(lc, slot, t, lc.negative ? ScanStop::AtFirstRising : ScanStop::AtFirstFalling);
    const int e = FindFirstEdge(slot, slot.count, lc.negative);
    if (e < 0) continue;
    const double x = slot.sampleX[static_cast<size_t>(e)], y = slot.sampleY[static_cast<size_t>(e)];
    (l <= count / 4 || l >= 3 * count / 4 ? outer : middle).Add(e, x, y);
    (l <= count / 2 ? firstHalf : secondHalf).Add(e, x, y);
  }
  const double pairs[4][4] = {{outer.first[0], outer.first[1], outer.second[0], outer.second[1]},
                              {middle.first[0], middle.first[1], middle.second[0], middle.second[1]},
                              {firstHalf.first[0], firstHalf.first[1], firstHalf.second[0], firstHalf.second[1]},
                              {secondHalf.first[0], secondHalf.first[1], secondHalf.second[0], secondHalf.second[1]}};
  line[0] = region.cx + region.width / 2;
  line[1] = -1;
  line[2] = -1;
  line[3] = region.cy + region.height / 2;
  SelectLegLine(pairs, line);
  return true;
}

bool Regular(int a, int b, int c) {
  a = std::abs(a);
  b = std::abs(b);
  c = std::abs(c);
  const int lo = std::min({a, b, c}), hi = std::max({a, b, c});
  return lo >= 1 && static_cast<double>(hi) / lo < 3.0;
}

struct TrackLine {
  int score = 0;
  int irregular = 0;
  double widthSum = 0;
};

// Scores one clock-track line from its runs. notedDark carries the polarity
// of the last regular window over from line to line.
bool ScoreTrackLine(const int* runs, int n, bool negative, bool& notedDark, TrackLine& out) {
  int regular = 0, irregular = 0, stretch = 2, initialStretch = 0;
  double widthSum = 0;
  bool lookAhead = true;
  auto count = [&](int a, int b, int c) {
    ++regular;
    ++stretch;
    const int lo = std::min({std::abs(a), std::abs(b), std::abs(c)}), hi = std::max({std::abs(a), std::abs(b), std::abs(c)});
    widthSum += (lo + hi) / 2.0;
  };
  for (int r = 1; r <= n - 2; ++r) {
    if (lookAhead && r <= n - 3 && Regular(runs[r], runs[r + 1], runs[r + 2])) {
      count(runs[r], runs[r + 1], runs[r + 2]);
      continue;
    }
    if (r > 1) {
      if (lookAhead) {
        initialStretch = stretch;
        lookAhead = false;
      }
      if (Regular(runs[r - 2], runs[r - 1], runs[r])) {
        count(runs[r - 2], runs[r - 1], runs[r]);
        notedDark = runs[r] > 0;
      } else {
        ++irregular;
      }
    } else {
      ++irregular;
    }
  }
  if (regular == 0 || notedDark == negative) return false;
  out.score = std::min(regular, initialStretch);
  out.irregular = irregular;
  out.widthSum = widthSum;
  return true;
}

// The best line along a track from `from` to `to`, moved inwards by 0, 1, ...
// pixels while under `offsets`; -1 when no line counts.
int BestTrackOffset(const LocateContext& lc, SampleSlot& slot, P2 from, P2 to, P2 inward, int offsets,
                    bool& notedDark, TrackLine& best) {
  const double len = std::hypot(to.x - from.x, to.y - from.y);
  if (!(len > 0)) return -1;
  const P2 dir{(to.x - from.x) / len, (to.y - from.y) / len};
  int bestOffset = -1;
  best = TrackLine{};
  for (int t = 0; t < offsets; ++t) {
    const double x0 = from.x - 8 * dir.x + t * inward.x, y0 = from.y - 8 * dir.y + t * inward.y;
    const double x1 = to.x + 8 * dir.x + t * inward.x, y1 = to.y + 8 * dir.y + t * inward.y;
    TLine line{x0, y0, x1, y1};
    if (!ClipLine(lc.frame, lc.region, x0, y0, x1, y1, &line.x0, &line.y0, &line.x1, &line.y1)) continue;
    WalkLine(lc, slot, line);
    const int last = ProfileRunLengths(slot, slot.count);
    TrackLine score;
    if (!ScoreTrackLine(slot.barSpace.data(), last + 1, lc.negative, notedDark, score)) continue;
    if (score.score > best.score) {
      best = score;
      bestOffset = t;
    }
  }
  return bestOffset;
}

// Walks the winning line again (extended by 5 pixels), writes the centres of
// its inner runs and adds its dark and light run widths.
int ClockPoints(const LocateContext& lc, SampleSlot& slot, P2 from, P2 to, P2 inward, int offset, float* xs, float* ys,
                int& dark, int& light) {
  const double len = std::hypot(to.x - from.x, to.y - from.y);
  const P2 dir{(to.x - from.x) / len, (to.y - from.y) / len};
  const double x0 = from.x - 5 * dir.x + offset * inward.x, y0 = from.y - 5 * dir.y + offset * inward.y;
  const double x1 = to.x + 5 * dir.x + offset * inward.x, y1 = to.y + 5 * dir.y + offset * inward.y;
  TLine line{x0, y0, x1, y1};
  if (!ClipLine(lc.frame, lc.region, x0, y0, x1, y1, &line.x0, &line.y0, &line.x1, &line.y1)) return 0;
  WalkLine(lc, slot, line);
  const int last = ProfileRunLengths(slot, slot.count);
  if (last < 0) return 0;
  const int* runs = slot.barSpace.data();
  int points = 0, start = std::abs(runs[0]);
  for (int r = 1; r < last && points < kMaxClockPoints; ++r) {
    const int next = start + std::abs(runs[r]);
    const size_t a = static_cast<size_t>(start), b = static_cast<size_t>(std::min(next, slot.count - 1));
    xs[points] = static_cast<float>((slot.sampleX[a] + slot.sampleX[b]) / 2.0);
    ys[points] = static_cast<float>((slot.sampleY[a] + slot.sampleY[b]) / 2.0);
    ++points;
    (r % 2 == 1 ? dark : light) += std::abs(runs[r]);
    start = next;
  }
  return points;
}

P2 Unit(P2 a, P2 b) {
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  return len > 0 ? P2{(b.x - a.x) / len, (b.y - a.y) / len} : P2{0, 0};
}

}  // namespace

void RefineCandidate(SymbolCandidate& c, const ScanFamily& horizontal, const ScanFamily& vertical, SampleSlot& slot,
                     const LocateContext& lc) {
  const TRectangularRegion& r = c.region;
  // 1. Sides of comparable length.
  if (std::min(r.width, r.height) / std::max(r.width, r.height) < lc.legRatio) {
    c.valid = false;
    return;
  }
  // 2. The sides opposite the legs.
  const int o = c.orientation;
  double side1[4], side2[4];
  SideLine(lc, slot, r, static_cast<int>(r.height), 0.0, true, o <= 2, side1);
  SideLine(lc, slot, r, static_cast<int>(r.width), -90.0, false, o == 2 || o == 3, side2);
  // 3. Corners.
  const LegSegment& i = horizontal.segments[static_cast<size_t>(c.horizontalLeg)];
  const LegSegment& j = vertical.segments[static_cast<size_t>(c.verticalLeg)];
  float fx[4], fy[4];  // far end of i, far corner, far end of j, vertex
  LineIntersection(side2[0], side2[1], side2[2], side2[3], i.x0, i.y0, i.x2, i.y2, &fx[0], &fy[0]);
  LineIntersection(side2[0], side2[1], side2[2], side2[3], side1[0], side1[1], side1[2], side1[3], &fx[1], &fy[1]);
  LineIntersection(j.x0, j.y0, j.x2, j.y2, side1[0], side1[1], side1[2], side1[3], &fx[2], &fy[2]);
  LineIntersection(j.x0, j.y0, j.x2, j.y2, i.x0, i.y0, i.x2, i.y2, &fx[3], &fy[3]);
  for (int k = 0; k < 4; ++k) {
    if (!(fx[k] > 0) || !(fy[k] > 0) || fx[k] >= lc.width || fy[k] >= lc.depth) {
      c.valid = false;
      return;
    }
  }
  const P2 farI{fx[0], fy[0]}, farCorner{fx[1], fy[1]}, farJ{fx[2], fy[2]}, vertex{fx[3], fy[3]};
  const bool jFirst = o == 1 || o == 3;  // corner 1 is the far end of j
  const P2 corner1 = jFirst ? farJ : farI, corner2 = jFirst ? farI : farJ;
  const P2 corners[4] = {vertex, corner1, corner2, farCorner};
  for (int k = 0; k < 4; ++k) {
    c.cornerX[k] = static_cast<float>(corners[k].x);
    c.cornerY[k] = static_cast<float>(corners[k].y);
  }
  P2 outline[4], sides[4];
  switch (o) {
    case 1:
      outline[0] = vertex, outline[1] = farI, outline[2] = farJ, outline[3] = vertex;
      sides[0] = farCorner, sides[1] = farJ, sides[2] = farI, sides[3] = farCorner;
      break;
    case 2:
      outline[0] = farI, outline[1] = vertex, outline[2] = farJ, outline[3] = vertex;
      sides[0] = farJ, sides[1] = farCorner, sides[2] = farI, sides[3] = farCorner;
      break;
    case 3:
      outline[0] = farI, outline[1] = vertex, outline[2] = vertex, outline[3] = farJ;
      sides[0] = farJ, sides[1] = farCorner, sides[2] = farCorner, sides[3] = farI;
      break;
    default:
      outline[0] = vertex, outline[1] = farI, outline[2] = vertex, outline[3] = farJ;
      sides[0] = farCorner, sides[1] = farJ, sides[2] = farCorner, sides[3] = farI;
      break;
  }
  for (int k = 0; k < 4; ++k) {
    c.outline[2 * k] = static_cast<int>(outline[k].x);
    c.outline[2 * k + 1] = static_cast<int>(outline[k].y);
    c.clockSides[2 * k] = sides[k].x;
    c.clockSides[2 * k + 1] = sides[k].y;
  }
  // 4. Squareness: the side from corner 2 to 3 is the other two turned by 90
  // degrees.
  const P2 u = Unit(corners[2], corners[3]), p = Unit(corners[0], corners[2]), q = Unit(corners[1], corners[3]);
  if ((u.x == 0 && u.y == 0) || (p.x == 0 && p.y == 0) || (q.x == 0 && q.y == 0) ||
      !(std::abs(u.y + p.x) <= 0.15) || !(std::abs(u.y + q.x) <= 0.15) || !(std::abs(u.x - q.y) <= 0.15) ||
      !(std::abs(u.x - p.y) <= 0.15)) {
    c.valid = false;
    return;
  }
  // 5. Clock tracks: corner 2 to 3, and corner 1 to 3.
  bool notedDark = false;
  const P2 in1 = Unit(corners[2], corners[0]), in2 = Unit(corners[1], corners[0]);
  TrackLine best1, best2;
  const int t1 = BestTrackOffset(lc, slot, corners[2], corners[3], in1, static_cast<int>(r.height) / 8 - 3, notedDark,
                                 best1);
  if (t1 < 0) {
    c.valid = false;
    return;
  }
  const int t2 = BestTrackOffset(lc, slot, corners[1], corners[3], in2, static_cast<int>(r.width) / 8 - 3, notedDark,
                                 best2);
  // 6. Module centres along both tracks.
  int dark = 0, light = 0;
  c.columnPoints = ClockPoints(lc, slot, corners[2], corners[3], in1, t1, c.columnX.data(), c.columnY.data(), dark, light);
  c.rowPoints = t2 < 0 ? 0 : ClockPoints(lc, slot, corners[1], corners[3], in2, t2, c.rowX.data(), c.rowY.data(), dark, light);
  c.darkWidth = lc.negative ? light : dark;
  c.lightWidth = lc.negative ? dark : light;
  // 7. Counts in the band of the nearest ECC 200 aspect ratio.
  if (t2 < 0) {
    c.valid = false;
    return;
  }
  const double s = std::min(r.width, r.height) / std::max(r.width, r.height);
  struct Band {
    double ratio, lo, hi;
  };
  constexpr Band bands[] = {{0.25, 0.125, 0.5},
                            {1.0 / 3, 1.0 / 6, 2.0 / 3},
                            {4.0 / 9, 2.0 / 9, 8.0 / 9},
                            {6.0 / 13, 3.0 / 13, 12.0 / 13},
                            {1.0, 0.5, 1.0}};
  const Band* band = &bands[0];
  for (const Band& b : bands)
    if (std::abs(b.ratio - s) < std::abs(band->ratio - s)) band = &b;
  const int c1 = best1.score, c2 = best2.score;
  const double countRatio = static_cast<double>(std::min(c1, c2)) / std::max(c1, c2);
  const bool widths = (best1.widthSum >= r.height / 2 && best2.widthSum >= r.width / 2) ||
                      (best1.widthSum >= r.width / 2 && best2.widthSum >= r.height / 2);
  if (countRatio < band->lo || countRatio > band->hi || c1 < best1.irregular || c2 < best2.irregular || c1 <= 1 ||
      c2 <= 1 || !widths) {
    c.valid = false;
    return;
  }
  c.modules1 = c1 + 1;
  c.modules2 = c2 + 1;
}

void RemoveDuplicateCandidates(std::vector<SymbolCandidate>& candidates, const Frame* frame) {
  for (size_t a = 0; a < candidates.size(); ++a) {
    for (size_t b = a + 1; b < candidates.size(); ++b) {
      SymbolCandidate& ca = candidates[a];
      SymbolCandidate& cb = candidates[b];
      if (!ca.valid || !cb.valid) continue;
      const double areaA = ca.region.width * ca.region.height, areaB = cb.region.width * cb.region.height;
      SymbolCandidate& small = areaA < areaB ? ca : cb;
      const SymbolCandidate& large = areaA < areaB ? cb : ca;
      if (PixelInRectangularRegion(frame, &large.region, TPoint{small.region.cx, small.region.cy}, large.axisX,
                                   large.axisY))
        small.valid = false;
    }
  }
}

namespace {

bool CountHistogramSample(void* user, int, int, unsigned value) {
  (*static_cast<std::array<int, 64>*>(user))[std::min(value, 255u) / 4]++;
  return true;
}

}  // namespace

int ModuleThreshold(const Frame* frame, const TRectangularRegion& region, std::array<int, 64>& h) {
  h.fill(0);
  ScanRectangularRegion(frame, &region, 1, &h, CountHistogramSample);
  long total = 0;
  for (int v : h) total += v;
  const double tenth = 0.1 * static_cast<double>(total);
  int dark = 40;
  long below = 0;
  for (int b = 0; b < 40; ++b) {
    if (below > tenth && h[b] >= h[b + 1] && h[b] > h[b + 2] && h[b] > h[b + 3]) {
      dark = b;
      break;
    }
    below += h[b];
  }
  int light = dark + 4;
  long above = 0;
  for (int t = 63; t > dark + 4; --t) {
    if (above > tenth && h[t] >= h[t - 1] && h[t] > h[t - 2] && h[t] > h[t - 3]) {
      light = t;
      break;
    }
    above += h[t];
  }
  return (dark + light) * 2;
}

}  // namespace dunsel
