#include "contour/features.h"

#include <algorithm>
#include <cmath>

namespace forvik {

namespace {

constexpr float kPi = 3.14159265358979f;

struct Element {
  float x, y;  // whole-number coordinates
  bool circle;
  int index;
};

// Relation of the side between two corners to the corners' own segments:
// 1 when it runs along one of them, 2 otherwise.
int CornerSideKind(const Element& e1, const Element& e2, const ElementSet& set, float tolerance) {
  const float dx = e2.x - e1.x, dy = e2.y - e1.y;
  if (dx == 0 && dy == 0) return 2;
  LineSegment side;
  side.orientation = std::fabs(dy) <= std::fabs(dx) ? 1 : 0;
  side.a = side.orientation ? dy / dx : dx / dy;
  for (const Element* e : {&e1, &e2}) {
    const ContourCorner& c = set.corners[static_cast<size_t>(e->index)];
    for (const int s : {c.firstSegment, c.secondSegment}) {
      if (SameDirection(side, set.segments[static_cast<size_t>(s)], tolerance)) return 1;
    }
  }
  return 2;
}

int SideKind(const Element& e1, const Element& e2, const ElementSet& set, float tolerance) {
  if (e1.circle && e2.circle) return 0;
  if (e1.circle != e2.circle) return 3;
  return CornerSideKind(e1, e2, set, tolerance);
}

// The copy of an ambiguous triangle with the roles of its two nearly equal
// sides exchanged.
GeometricFeature Exchanged(const GeometricFeature& f, bool middleAndShortEqual) {
  GeometricFeature c = f;
  if (middleAndShortEqual) {
    std::swap(c.elementA, c.elementB), std::swap(c.isCircleA, c.isCircleB);
    std::swap(c.side2, c.side3), std::swap(c.ratioLarge, c.ratioSmall);
    std::swap(c.sideKindBC, c.sideKindAC);
  } else {
    std::swap(c.elementB, c.elementC), std::swap(c.isCircleB, c.isCircleC);
    std::swap(c.side1, c.side2), std::swap(c.sideKindAB, c.sideKindAC);
    c.ratioLarge = 1 / c.ratioLarge;
  }
  c.orientation = !f.orientation;
  return c;
}

}  // namespace

bool AngleSide(float x1, float y1, float x0, float y0, float x2, float y2) {
  const float a1 = std::atan2(y1 - y0, x1 - x0), a2 = std::atan2(y2 - y0, x2 - x0);
  float opposite = a1 + kPi;
  if (opposite > kPi) opposite -= 2 * kPi;
  if (a2 <= a1 && a2 >= a1 - kPi) return true;
  return a1 - kPi < -kPi && a2 >= opposite;
}

bool CornerOf(const LineSegment& s1, const LineSegment& s2, ContourCorner* out) {
  const float m1 = s1.a, c1 = s1.b, m2 = s2.a, c2 = s2.b;
  float x, y;
  if (s1.orientation == s2.orientation) {
    if (!(std::fabs(m1 - m2) >= 0.2f)) return false;
    const float t = (c2 - c1) / (m1 - m2);
    if (s1.orientation == 0) {
      y = t, x = m1 * t + c1;
    } else {
      x = t, y = m1 * t + c1;
    }
  } else {
    const bool opposite = (m1 < 0 && m2 > 0) || (m1 > 0 && m2 < 0);
    if (!opposite && !(std::fabs(m1) + std::fabs(m2) <= 1.7f)) return false;
    const float t = (m1 * c2 + c1) / (1 - m1 * m2);
    if (s1.orientation == 0) {
      x = t, y = m2 * t + c2;
    } else {
      y = t, x = m2 * t + c2;
    }
  }
  out->x = x, out->y = y;
  out->weight = s1.length * s2.length;
  out->lengthSum = static_cast<float>(s1.length + s2.length);
  out->relativeSize = 0;
  return true;
}

void PruneShortSegments(std::vector<LineSegment>& segments) {
  if (segments.size() <= 2) return;
  double l1 = 0, l2 = 0;
  for (const LineSegment& s : segments) {
    if (s.length > l1) {
      l2 = l1, l1 = s.length;
    } else if (s.length > l2) {
      l2 = s.length;
    }
  }
  const double limit = (l1 + l2) / 20;
  std::erase_if(segments, [&](const LineSegment& s) { return s.length < limit; });
}

void ContourCorners(const std::vector<LineSegment>& segments, bool closed, int base,
                    std::vector<ContourCorner>& corners) {
  const int n = static_cast<int>(segments.size());
  if (n < 2) return;
  const int pairs = closed ? n : n - 1;
  for (int i = 0; i < pairs; ++i) {
    const int j = (i + 1) % n;
    ContourCorner c;
    if (!CornerOf(segments[static_cast<size_t>(i)], segments[static_cast<size_t>(j)], &c)) continue;
    c.firstSegment = base + i;
    c.secondSegment = base + j;
    corners.push_back(c);
  }
}

void AppendElements(const ElementSet& from, ElementSet& to) {
  const int base = static_cast<int>(to.segments.size());
  to.segments.insert(to.segments.end(), from.segments.begin(), from.segments.end());
  to.circles.insert(to.circles.end(), from.circles.begin(), from.circles.end());
  for (ContourCorner c : from.corners) {
    c.firstSegment += base;
    c.secondSegment += base;
    to.corners.push_back(c);
  }
}

void SortCornersByWeight(std::vector<ContourCorner>& corners) {
  const size_t n = corners.size();
  for (size_t k = 0; k < n; ++k) {
    size_t best = k;
    for (size_t m = k + 1; m < n; ++m) {
      if (std::trunc(corners[m].weight) >= std::trunc(corners[best].weight)) best = m;
    }
    if (best != k) std::swap(corners[k], corners[best]);
  }
}

int ReducedCornerLast(int n) {
  if (n >= 15 && n <= 30) return 14;
  if (n > 30) return n / 2;
  return n;
}

void SetRelativeSizes(std::vector<ContourCorner>& corners) {
  float largest = 0;
  for (const ContourCorner& c : corners) largest = std::max(largest, c.lengthSum);
  for (ContourCorner& c : corners) c.relativeSize = largest > 0 ? static_cast<int32_t>(c.lengthSum / largest * 1000) : 0;
}

bool BuildTriangleFeatures(ElementSet& set, int q, int k, float angleTolerance) {
  SortCornersByWeight(set.corners);
  q = std::min(q, static_cast<int>(set.corners.size()) - 1);
  k = std::min(k, static_cast<int>(set.circles.size()) - 1);
  if (k < 0) {
    q = std::min(q, 9);
  } else if (q < 0) {
    k = std::min(k, 9);
  } else if (k >= 4 && q >= 4) {
    k = q = 4;
  } else if (k >= 4) {
    k = std::min(k, 9 - q);
  } else if (q >= 4) {
    q = std::min(q, 9 - k);
  }
  std::vector<Element> elements;
  for (int i = 0; i <= k; ++i) {
    const CircleCandidate& c = set.circles[static_cast<size_t>(i)];
    elements.push_back({std::trunc(c.x), std::trunc(c.y), true, i});
  }
  for (int i = 0; i <= q; ++i) {
    const ContourCorner& c = set.corners[static_cast<size_t>(i)];
    elements.push_back({std::trunc(c.x), std::trunc(c.y), false, i});
  }
  set.features.clear();
  const int n = static_cast<int>(elements.size());
  if (n < 3) return false;
  const float tolerance = angleTolerance / 2;
  const auto dist = [](const Element& p, const Element& r) { return std::hypot(p.x - r.x, p.y - r.y); };
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < n; ++j)
      for (int l = j + 1; l < n; ++l) {
        const Element* p[3] = {&elements[static_cast<size_t>(i)], &elements[static_cast<size_t>(j)],
                               &elements[static_cast<size_t>(l)]};
        // The longest side's ends; the other point is C.
        int ea = 0, eb = 1, ec = 2;
        float longest = dist(*p[0], *p[1]);
        if (dist(*p[0], *p[2]) > longest) longest = dist(*p[0], *p[2]), ea = 0, eb = 2, ec = 1;
        if (dist(*p[1], *p[2]) > longest) longest = dist(*p[1], *p[2]), ea = 1, eb = 2, ec = 0;
        // Three coincident points have no shape: no feature.
        if (!(longest > 0)) continue;
        if (dist(*p[eb], *p[ec]) > dist(*p[ea], *p[ec])) std::swap(ea, eb);
        const Element &A = *p[ea], &B = *p[eb], &C = *p[ec];
        GeometricFeature f;
        f.side1 = longest;
        f.side2 = dist(A, C);
        f.side3 = dist(B, C);
        f.ratioLarge = f.side2 / f.side1;
        f.ratioSmall = f.side3 / f.side1;
        f.flatness = (f.side2 + f.side3) / f.side1;
        f.elementA = A.index, f.elementB = B.index, f.elementC = C.index;
        f.isCircleA = A.circle, f.isCircleB = B.circle, f.isCircleC = C.circle;
        f.circleCount = A.circle + B.circle + C.circle;
        f.cornerCount = 3 - f.circleCount;
        f.sideKindAB = SideKind(A, B, set, tolerance);
        f.sideKindBC = SideKind(B, C, set, tolerance);
        f.sideKindAC = SideKind(A, C, set, tolerance);
        f.orientation = AngleSide(B.x, B.y, A.x, A.y, C.x, C.y);
        set.features.push_back(f);
        const bool longEqual = std::fabs(f.side1 - f.side2) / f.side1 < 0.05f;
        const bool shortEqual = f.side2 > 0 && std::fabs(f.side2 - f.side3) / f.side2 < 0.05f;
        if (shortEqual || longEqual) set.features.push_back(Exchanged(f, shortEqual));
      }
  return true;
}

bool FeaturesAgree(const GeometricFeature& p, const GeometricFeature& s, float upper, float lower,
                   const std::vector<CircleCandidate>& patternCircles, const std::vector<CircleCandidate>& inputCircles) {
  if (p.orientation != s.orientation) return false;
  if (!(std::fabs(1 - p.flatness) > 0.1f && std::fabs(1 - s.flatness) > 0.1f &&
        std::fabs(p.flatness - s.flatness) < 0.1f))
    return false;
  if (p.isCircleA != s.isCircleA || p.isCircleB != s.isCircleB || p.isCircleC != s.isCircleC) return false;
  if (p.sideKindAB != s.sideKindAB || p.sideKindBC != s.sideKindBC || p.sideKindAC != s.sideKindAC) return false;
  if (!(std::fabs(p.ratioLarge - s.ratioLarge) <= 0.1f * p.ratioLarge &&
        std::fabs(p.ratioSmall - s.ratioSmall) <= 0.1f * p.ratioSmall))
    return false;
  for (const auto& [ps, ss] : {std::pair{p.side1, s.side1}, {p.side2, s.side2}, {p.side3, s.side3}}) {
    if (!(ps * lower < ss && ss < ps * upper)) return false;
  }
  if (s.circleCount >= 1) {
    int count = 0;
    const std::pair<int, int> pairs[] = {{p.isCircleA ? p.elementA : -1, s.elementA},
                                         {p.isCircleB ? p.elementB : -1, s.elementB},
                                         {p.isCircleC ? p.elementC : -1, s.elementC}};
    for (const auto& [pe, se] : pairs) {
      if (pe < 0) continue;
      const float rp = patternCircles[static_cast<size_t>(pe)].radius, rs = inputCircles[static_cast<size_t>(se)].radius;
      if (rp * lower < rs && rs < rp * upper) ++count;
    }
    if (count != s.circleCount) return false;
  }
  return true;
}

}  // namespace forvik
