// The solid L of the finder pattern: pairs of a horizontal-scan and a
// vertical-scan segment that meet at a right angle, with polarities and
// placement of one of four orientations, measured out to the symbol's extent
// by the first edge-free test lines beyond it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <vector>

#include "dm_location.h"
#include "dm_profile.h"

namespace dunsel {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

struct P2 {
  double x, y;
};
P2 operator+(P2 a, P2 b) { return {a.x + b.x, a.y + b.y}; }
P2 operator-(P2 a, P2 b) { return {a.x - b.x, a.y - b.y}; }
P2 operator*(double k, P2 a) { return {k * a.x, k * a.y}; }
P2 Mean4(P2 a, P2 b, P2 c, P2 d) { return 0.25 * (a + b + c + d); }

int64_t Sq(int64_t v) { return v * v; }

// Squared distance of a segment end from the corner, differences rounded.
int64_t RoundedDistance2(int x, int y, float cx, float cy) {
  return Sq(RoundReal(static_cast<float>(x) - cx)) + Sq(RoundReal(static_cast<float>(y) - cy));
}

// Index of the first line of a family, taken in the given order, whose
// profile has no edge; -1 when every line has one.
int FirstEdgeFreeLine(const LocateContext& lc, SampleSlot& slot, const TRectangularRegion& region, int count,
                      double angle, int from, int to, bool clip) {
  const int step = from <= to ? 1 : -1;
  for (int idx = from;; idx += step) {
    int x0, y0, x1, y1;
    if (idx >= 0 && idx < count && GetScanRectangularRegionLine(lc.frame, &region, count, idx, angle, &x0, &y0, &x1, &y1)) {
      TLine line{static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1), static_cast<double>(y1)};
      if (clip) ClipLine(lc.frame, &region, x0, y0, x1, y1, &line.x0, &line.y0, &line.x1, &line.y1);
      slot.count = 0;
      ProfileScan scan{&slot, ScanStop::AtAnyEdge};
      ScanLine(lc.frame, nullptr, &line, 1, &scan, CollectScanSample);
      if (!ProfileHasEdge(slot, slot.count)) return idx;
    }
    if (idx == to) break;
  }
  return -1;
}

}  // namespace

bool LineIntersection(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3, float* x,
                      float* y) {
  *x = *y = -1.0f;
  const double dx1 = x1 - x0, dy1 = y1 - y0, dx2 = x3 - x2, dy2 = y3 - y2;
  if ((std::abs(dx1) < 1 && std::abs(dy1) < 1) || (dx2 == 0 && dy2 == 0)) return false;
  // Each line along its dominant axis: y = m x + b (a) or x = m y + b (b).
  const bool a1 = std::abs(dx1) >= std::abs(dy1), a2 = std::abs(dx2) >= std::abs(dy2);
  const double m1 = a1 ? dy1 / dx1 : dx1 / dy1, b1 = a1 ? y0 - m1 * x0 : x0 - m1 * y0;
  const double m2 = a2 ? dy2 / dx2 : dx2 / dy2, b2 = a2 ? y2 - m2 * x2 : x2 - m2 * y2;
  double rx, ry;
  // Parallel legs have no crossing.
  constexpr double kTiny = 1e-9;
  if (a1 && a2) {
    if (std::abs(m1 - m2) < kTiny) return false;
    rx = (b2 - b1) / (m1 - m2);
    ry = m1 * rx + b1;
  } else if (!a1 && !a2) {
    if (std::abs(m1 - m2) < kTiny) return false;
    ry = (b2 - b1) / (m1 - m2);
    rx = m1 * ry + b1;
  } else if (a1) {
    if (std::abs(1 - m1 * m2) < kTiny) return false;
    rx = (m2 * b1 + b2) / (1 - m1 * m2);
    ry = m1 * rx + b1;
  } else {
    if (std::abs(1 - m1 * m2) < kTiny) return false;
    ry = (m2 * b1 + b2) / (1 - m1 * m2);
    rx = m1 * ry + b1;
  }
  if (!std::isfinite(rx) || !std::isfinite(ry)) return false;
  *x = static_cast<float>(rx);
  *y = static_cast<float>(ry);
  return true;
}

PairWork PairFinderLegs(const ScanFamily& horizontal, const ScanFamily& vertical, SampleSlot& slot,
                        const LocateContext& lc, int64_t extentBudget, std::vector<SymbolCandidate>& out) {
  PairWork work;
  const double ratio2 = static_cast<double>(lc.legRatio) * lc.legRatio;
  // A pair fails a cheap test, has its extent scanned, or would pass the bound.
  enum class Tried { Rejected, Scanned, OverBound };
  auto tryPair = [&](size_t hi, size_t vi) {
    const LegSegment& i = horizontal.segments[hi];
    const int64_t li2 = Sq(i.x2 - i.x0) + Sq(i.y2 - i.y0);
    const LegSegment& j = vertical.segments[vi];
    ++work.pairs;
    const int64_t lj2 = Sq(j.x2 - j.x0) + Sq(j.y2 - j.y0);
    // 1. Comparable legs.
    const int64_t shorter = std::min(li2, lj2), longer = std::max(li2, lj2);
    if (longer == 0 || static_cast<double>(shorter) / static_cast<double>(longer) < ratio2) return Tried::Rejected;
    // The ends' distance (step 6) is the cheapest test that most pairs
    // fail; every test must pass, so it goes first.
    const int64_t ends = std::min({Sq(i.x0 - j.x0) + Sq(i.y0 - j.y0), Sq(i.x0 - j.x2) + Sq(i.y0 - j.y2),
                                   Sq(i.x2 - j.x0) + Sq(i.y2 - j.y0), Sq(i.x2 - j.x2) + Sq(i.y2 - j.y2)});
    if (ends > li2 + lj2) return Tried::Rejected;
    // 2. The corner lies near one end of each leg.
    float cx, cy;
    if (!LineIntersection(i.x0, i.y0, i.x2, i.y2, j.x0, j.y0, j.x2, j.y2, &cx, &cy)) return Tried::Rejected;
    if (std::abs(cx) > 1e6f || std::abs(cy) > 1e6f) return Tried::Rejected;
    const int64_t i0 = RoundedDistance2(i.x0, i.y0, cx, cy), i2 = RoundedDistance2(i.x2, i.y2, cx, cy);
    const int64_t j0 = RoundedDistance2(j.x0, j.y0, cx, cy), j2 = RoundedDistance2(j.x2, j.y2, cx, cy);
    const int64_t iNear = std::min(i0, i2), iFar = std::max(i0, i2), jNear = std::min(j0, j2), jFar = std::max(j0, j2);
    if (static_cast<double>(li2) > 1.21 * static_cast<double>(iFar) ||
        static_cast<double>(lj2) > 1.21 * static_cast<double>(jFar))
      return Tried::Rejected;
    // 3. A right angle.
    const P2 corner{cx, cy};
    const P2 a = (i0 > i2 ? P2{double(i.x0), double(i.y0)} : P2{double(i.x2), double(i.y2)}) - corner;
    const P2 b = (j0 > j2 ? P2{double(j.x0), double(j.y0)} : P2{double(j.x2), double(j.y2)}) - corner;
    const double dot = a.x * b.x + a.y * b.y, aa = a.x * a.x + a.y * a.y, bb = b.x * b.x + b.y * b.y;
    if (!(aa > 0 && bb > 0) || dot * dot / (aa * bb) >= 0.01) return Tried::Rejected;
    // 4. Orientation from the polarities.
    const bool ri = i.risingFirst != lc.negative, rj = j.risingFirst != lc.negative;
    const int orientation = !ri ? (rj ? 1 : 2) : (rj ? 4 : 3);
    // 5. Placement of the legs' middles.
    const double lenI = std::sqrt(static_cast<double>(li2)), lenJ = std::sqrt(static_cast<double>(lj2));
    const P2 u{(i.x2 - i.x0) / lenI, (i.y2 - i.y0) / lenI};
    const P2 d = P2{(j.x0 + j.x2) / 2.0, (j.y0 + j.y2) / 2.0} - P2{(i.x0 + i.x2) / 2.0, (i.y0 + i.y2) / 2.0};
    const double cross = d.x * u.y - d.y * u.x, along = d.x * u.x + d.y * u.y;
    const double hj = lenJ / 2, hiHalf = lenI / 2;
    const bool pHigh = cross >= hj - 5, pLow = cross <= 5 - hj, qHigh = along >= hiHalf - 5, qLow = along <= 5 - hiHalf;
    const bool placed = orientation == 1 ? pHigh && qLow
                        : orientation == 2 ? pHigh && qHigh
                        : orientation == 3 ? pLow && qHigh
                                           : pLow && qLow;
    if (!placed) return Tried::Rejected;
    // 6. The corner outside neither leg (the ends' distance is tested above).
    if (li2 <= iNear || lj2 <= jNear) return Tried::Rejected;
    // The extent is the costly test: a texture passes the others by the
    // thousand.
    if (work.extents == extentBudget) return Tried::OverBound;
    ++work.extents;
    // 7. Extent: the first edge-free test line beyond the symbol.
    const P2 v{(j.x0 - j.x2) / lenJ, (j.y0 - j.y2) / lenJ}, w{-v.y, v.x};
    const double lv = lenJ, lh = lenI;
    const P2 f{double(i.x0), double(i.y0)}, e{double(i.x2), double(i.y2)};
    const P2 jf{double(j.x0), double(j.y0)}, jl{double(j.x2), double(j.y2)};
    const double angle = std::asin(std::clamp(v.y, -1.0, 1.0)) * kDegreesPerRadian;
    P2 c1;
    switch (orientation) {
      case 1: c1 = Mean4(f + 2 * lv * v + lh * w, f + 2 * lv * v, f, e); break;
      case 2: c1 = Mean4(e + 2 * lv * v - lh * w, e + 2 * lv * v, e, f); break;
      case 3: c1 = Mean4(e - 2 * lv * v - lh * w, e - 2 * lv * v, e, f); break;
      default: c1 = Mean4(f - 2 * lv * v + lh * w, f - 2 * lv * v, f, e); break;
    }
    const double s = orientation == 1 || orientation == 4 ? 1.0 : -1.0;
    const P2 c2 = Mean4(jf, jl, jf + s * 2 * lh * w, jl + s * 2 * lh * w);
    const TRectangularRegion region1{c1.x, c1.y, 2 * lv, lh, angle};
    const TRectangularRegion region2{c2.x, c2.y, lv, 2 * lh, angle};
    const int n1 = static_cast<int>(2 * lv), n2 = static_cast<int>(2 * lh);
    const bool outward1 = orientation <= 2;  // family 1 walks its indices downwards
    const int k1 = outward1 ? FirstEdgeFreeLine(lc, slot, region1, n1, -90.0, static_cast<int>(lv + 5), 0,
                                                orientation != 1)
                            : FirstEdgeFreeLine(lc, slot, region1, n1, -90.0, static_cast<int>(lv - 5), n1 - 1, true);
    if (k1 < 0) return Tried::Scanned;
    const bool upward2 = orientation == 1 || orientation == 4;
    const int k2 = upward2 ? FirstEdgeFreeLine(lc, slot, region2, n2, 0.0, static_cast<int>(lh - 5), n2 - 1, true)
                           : FirstEdgeFreeLine(lc, slot, region2, n2, 0.0, static_cast<int>(lh + 5), 0, true);
    if (k2 < 0) return Tried::Scanned;
    const int e1 = outward1 ? static_cast<int>(2 * lv - k1) : k1;
    const int e2 = upward2 ? k2 : static_cast<int>(2 * lh - k2);
    // 8. Corners and the legs within them.
    const double sa = orientation <= 2 ? 1.0 : -1.0, sb = orientation == 1 || orientation == 4 ? 1.0 : -1.0;
    const P2 k1p = corner + sa * e1 * v, k2p = corner + sb * e2 * w, k3p = k1p + k2p - corner;
    bool inside;
    switch (orientation) {
      case 1: inside = i.y0 >= cy - 5 && i.y2 <= k2p.y + 5 && j.x2 >= cx - 5 && j.x0 <= k1p.x + 5; break;
      case 2: inside = i.y0 >= k2p.y - 5 && i.y2 <= cy + 5 && j.x2 >= cx - 5 && j.x0 <= k1p.x + 5; break;
      case 3: inside = i.y0 >= k2p.y - 5 && i.y2 <= cy + 5 && j.x2 >= k1p.x - 5 && j.x0 <= cx + 5; break;
      default: inside = i.y0 >= cy - 5 && i.y2 <= k2p.y + 5 && j.x2 >= k1p.x - 5 && j.x0 <= cx + 5; break;
    }
    if (!inside) return Tried::Scanned;
    SymbolCandidate& c = out.emplace_back();
    c.horizontalLeg = static_cast<int>(hi);
    c.verticalLeg = static_cast<int>(vi);
    c.orientation = orientation;
    c.axisX = static_cast<float>(v.x);
    c.axisY = static_cast<float>(v.y);
    const P2 centre = Mean4(corner, k1p, k2p, k3p);
    c.region = {centre.x, centre.y, e1 + 5.0, e2 + 5.0, angle};
    c.valid = true;
    return Tried::Scanned;
  };
  std::vector<size_t> verticalAlive;
  for (size_t vi = 0; vi < vertical.segments.size(); ++vi)
    if (vertical.segments[vi].alive() && vertical.segments[vi].linked) verticalAlive.push_back(vi);
  // The horizontal segments take turns, each scanning the extent of its next
  // pair that passed the other tests: when the bound ends the pass, the pairs
  // left untried are those of segments with many such pairs (a texture's),
  // wherever they lie in the list.
  struct Turn {
    size_t hi, next;  // the segment and its next vertical one
  };
  std::vector<Turn> turns;
  for (size_t hi = 0; hi < horizontal.segments.size(); ++hi)
    if (horizontal.segments[hi].alive() && horizontal.segments[hi].linked) turns.push_back({hi, 0});
  const size_t firstOut = out.size();
  bool ended = false;
  while (!turns.empty() && !ended) {
    size_t left = 0;
    for (size_t t = 0; t < turns.size() && !ended; ++t) {
      Turn turn = turns[t];
      Tried tried = Tried::Rejected;
      while (tried == Tried::Rejected && turn.next < verticalAlive.size())
        tried = tryPair(turn.hi, verticalAlive[turn.next++]);
      ended = tried == Tried::OverBound;
      if (turn.next < verticalAlive.size()) turns[left++] = turn;
    }
    turns.resize(left);
  }
  // Later stages take the candidates in their legs' list order: a picture
  // under the bound answers as when each segment's pairs were tried at once.
  std::sort(out.begin() + static_cast<std::ptrdiff_t>(firstOut), out.end(),
            [](const SymbolCandidate& a, const SymbolCandidate& b) {
              return a.horizontalLeg != b.horizontalLeg ? a.horizontalLeg < b.horizontalLeg
                                                        : a.verticalLeg < b.verticalLeg;
            });
  return work;
}

void SelectLegLine(const double pairs[4][4], double line[4]) {
  // 1. The main axis: the coordinate in which the groups' points spread most.
  float spreadX = 0, spreadY = 0;
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b)
      for (int k = 0; k < 2; ++k) {
        spreadX += static_cast<float>(std::abs(pairs[a][2 * k] - pairs[b][2 * k]));
        spreadY += static_cast<float>(std::abs(pairs[a][2 * k + 1] - pairs[b][2 * k + 1]));
      }
  const bool mainY = spreadY / 12.0f > spreadX / 12.0f;
  const int main = mainY ? 1 : 0, other = 1 - main;
  // 2. One point of each group, spread furthest along the main axis.
  double pt[4][2];
  float best = -1;
  for (int m = 0; m < 16; ++m) {
    double cand[4][2];
    for (int g = 0; g < 4; ++g) {
      const int which = (m >> g) & 1;
      cand[g][0] = pairs[g][2 * which];
      cand[g][1] = pairs[g][2 * which + 1];
    }
    float sum = 0;
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b) sum += static_cast<float>(std::abs(cand[a][main] - cand[b][main]));
    if (sum / 6.0f > best) {
      best = sum / 6.0f;
      std::copy(&cand[0][0], &cand[0][0] + 8, &pt[0][0]);
    }
  }
  // 3. Whole slopes of the six pairs.
  auto slope = [&](int a, int b) {
    const double dm = pt[a][main] - pt[b][main];
    if (dm == 0) return 0;
    return static_cast<int>(std::abs((pt[a][other] - pt[b][other]) / dm));
  };
  // 4. Triples whose slopes agree widen the line to their points.
  struct Triple {
    int p, q, r;          // the points whose slopes are compared
    int order[3];         // the order the ends look at them
  };
  constexpr int a = 0, b = 1, c = 2, d = 3;
  const Triple triples[] = {{a, b, c, {a, b, c}}, {a, c, d, {a, d, c}}, {a, b, d, {a, b, d}}, {b, c, d, {d, b, c}}};
  for (const Triple& t : triples) {
    const int s1 = slope(t.p, t.q), s2 = slope(t.p, t.r), s3 = slope(t.q, t.r);
    const double mean = (s1 + s2 + s3) / 3.0;
    const double rms = std::sqrt(((s1 - mean) * (s1 - mean) + (s2 - mean) * (s2 - mean) + (s3 - mean) * (s3 - mean)) / 3);
    if (rms >= 0.1) continue;
    for (int k : t.order) {
      const double* p = pt[k];
      if (mainY) {
        if (p[1] > line[1]) line[0] = p[0], line[1] = p[1];
        if (p[1] < line[3]) line[2] = p[0], line[3] = p[1];
      } else {
        if (p[0] < line[0]) line[0] = p[0], line[1] = p[1];
        if (p[0] > line[2]) line[2] = p[0], line[3] = p[1];
      }
    }
  }
}

}  // namespace dunsel
