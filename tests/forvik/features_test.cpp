// Contour corners, triangle features and their comparison on hand-built
// element lists, and the elements of a drawn plate.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "contour/features.h"

namespace {

using namespace forvik;

TEST(MatchingFeatures, AngleSideFollowsTheTurnOfTheTriangle) {
  // True exactly when C lies clockwise of the ray A->B (cross product <= 0),
  // also where the ray's angle wraps at plus and minus a half turn.
  struct Case {
    const char* name;
    float bx, by, cx, cy;
  } cases[] = {
      {"ray along +x, C below", 10, 0, 5, -3},
      {"ray along +x, C above", 10, 0, 5, 3},
      {"ray just above -x, C just below -x", -10, 0.01f, -10, -0.01f},
      {"ray just below -x, C just above -x", -10, -0.01f, -10, 0.01f},
      {"ray just below -x, C behind below", -10, -0.01f, 5, -4},
      {"ray along -y, C to the right", 0, -10, 3, -5},
      {"ray along +y, C to the right", 0, 10, 3, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const float cross = c.bx * c.cy - c.by * c.cx;
    EXPECT_EQ(AngleSide(c.bx + 7, c.by + 3, 7, 3, c.cx + 7, c.cy + 3), cross <= 0);
    // The mirror image (y negated) turns the other way.
    EXPECT_EQ(AngleSide(c.bx + 7, -c.by - 3, 7, -3, c.cx + 7, -c.cy - 3), cross >= 0);
  }
}

LineSegment Seg(float a, float b, uint8_t orientation, double length = 10) {
  LineSegment s;
  s.a = a, s.b = b, s.orientation = orientation, s.length = length;
  return s;
}

TEST(MatchingFeatures, CornerTable) {
  struct Case {
    const char* name;
    LineSegment s1, s2;
    bool corner;
    float x, y;
  } cases[] = {
      {"same form, slopes 0.19 apart", Seg(0.1f, 0, 1), Seg(0.29f, 5, 1), false, 0, 0},
      {"same form, slopes 0.21 apart", Seg(0.1f, 0, 1), Seg(0.31f, 4.2f, 1), true, -20, -2},
      {"same form x = a y + b", Seg(0.5f, 10, 0), Seg(-0.5f, 20, 0), true, 15, 10},
      {"forms differ, opposite signs", Seg(0.9f, 0, 1), Seg(-0.8f, 100, 0), true, 100 / 1.72f, 90 / 1.72f},
      {"forms differ, same signs, sum 1.6", Seg(0.8f, 0, 0), Seg(0.8f, 10, 1), true, 8 / 0.36f, 8 / 0.36f * 0.8f + 10},
      {"forms differ, same signs, sum 1.8", Seg(0.9f, 0, 0), Seg(0.9f, 10, 1), false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ContourCorner k;
    ASSERT_EQ(CornerOf(c.s1, c.s2, &k), c.corner);
    if (!c.corner) continue;
    EXPECT_NEAR(k.x, c.x, 1e-3 * (1 + std::fabs(c.x)));
    EXPECT_NEAR(k.y, c.y, 1e-3 * (1 + std::fabs(c.y)));
    // The corner lies on both lines.
    for (const LineSegment* s : {&c.s1, &c.s2}) {
      const float u = s->orientation ? k.x : k.y, v = s->orientation ? k.y : k.x;
      EXPECT_NEAR(s->a * u + s->b, v, 1e-3 * (1 + std::fabs(v)));
    }
    EXPECT_DOUBLE_EQ(k.weight, 100);
    EXPECT_FLOAT_EQ(k.lengthSum, 20);
  }
}

// Closed contours pair the last segment with the first; indexes are rebased
// when the lists of several contours are put together; short segments are
// pruned per contour.
TEST(MatchingFeatures, ContourCornersAndConcatenation) {
  const std::vector<LineSegment> square = {Seg(0, 0, 1, 40), Seg(0, 40, 0, 40), Seg(0, 40, 1, 40), Seg(0, 0, 0, 40)};
  std::vector<ContourCorner> open, closed;
  ContourCorners(square, false, 0, open);
  ContourCorners(square, true, 0, closed);
  EXPECT_EQ(open.size(), 3u);
  ASSERT_EQ(closed.size(), 4u);
  EXPECT_EQ(closed[3].firstSegment, 3);
  EXPECT_EQ(closed[3].secondSegment, 0);
  EXPECT_FLOAT_EQ(closed[3].x, 0);
  EXPECT_FLOAT_EQ(closed[3].y, 0);

  ElementSet a, b, all;
  a.segments = {Seg(0, 0, 1, 100), Seg(0, 0, 0, 100)};
  b.segments = square;
  ContourCorners(a.segments, false, 0, a.corners);
  b.corners = closed;
  AppendElements(a, all);
  AppendElements(b, all);
  ASSERT_EQ(all.corners.size(), 5u);
  EXPECT_EQ(all.corners[1].firstSegment, 2);
  EXPECT_EQ(all.corners[4].firstSegment, 5);
  EXPECT_EQ(all.corners[4].secondSegment, 2);

  // Longest 100 and 80: segments under 9 go, in each contour on its own.
  std::vector<LineSegment> one = {Seg(0, 0, 1, 100), Seg(0, 0, 1, 8.9), Seg(0, 0, 1, 80), Seg(0, 0, 1, 9)};
  std::vector<LineSegment> small = {Seg(0, 0, 1, 10), Seg(0, 0, 1, 8.9), Seg(0, 0, 1, 9)};
  PruneShortSegments(one);
  PruneShortSegments(small);
  EXPECT_EQ(one.size(), 3u);
  EXPECT_EQ(small.size(), 3u) << "(10 + 9) / 20 keeps all";
}

CircleCandidate Circle(float x, float y, float r = 10) { return {x, y, r, 0, 500}; }

TEST(MatchingFeatures, ElementLimits) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> pos(0, 1000);
  struct Case {
    int circles, corners, usedCircles, usedCorners;
  } cases[] = {{12, 0, 10, 0}, {0, 12, 0, 10}, {6, 6, 5, 5}, {12, 2, 9, 2}, {3, 12, 3, 8}, {3, 3, 3, 3}, {2, 0, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.circles << " circles, " << c.corners << " corners");
    ElementSet set;
    for (int i = 0; i < c.circles; ++i) set.circles.push_back(Circle(pos(rng), pos(rng)));
    for (int i = 0; i < c.corners; ++i) {
      ContourCorner k;
      k.x = pos(rng), k.y = pos(rng), k.weight = 1000 - i;
      k.firstSegment = k.secondSegment = 0;
      set.corners.push_back(k);
    }
    set.segments.push_back(Seg(0, 0, 1));
    const bool built = BuildTriangleFeatures(set, c.corners - 1, c.circles - 1, 0.15f);
    ASSERT_EQ(built, c.usedCircles + c.usedCorners >= 3);
    int maxCircle = -1, maxCorner = -1;
    for (const GeometricFeature& f : set.features) {
      for (const auto& [index, circle] : {std::pair{f.elementA, f.isCircleA}, {f.elementB, f.isCircleB}, {f.elementC, f.isCircleC}})
        (circle ? maxCircle : maxCorner) = std::max(circle ? maxCircle : maxCorner, index);
    }
    EXPECT_EQ(maxCircle, c.usedCircles - 1);
    EXPECT_EQ(maxCorner, c.usedCorners - 1);
  }
}

TEST(MatchingFeatures, ThreeCirclesAndTheirAmbiguousCopies) {
  struct Case {
    const char* name;
    std::vector<CircleCandidate> circles;
    size_t features;
  } cases[] = {
      {"scalene", {Circle(0, 0), Circle(100, 0), Circle(30, 60)}, 1},
      {"two long sides equal", {Circle(0, 0), Circle(100, 0), Circle(50, 89)}, 2},     // 100, 102, 102
      {"two short sides equal", {Circle(0, 0), Circle(100, 0), Circle(50, 30)}, 2},    // 100, 58, 58
      {"equilateral", {Circle(0, 0), Circle(100, 0), Circle(50, 87)}, 2},              // both hold
      {"three coincident points", {Circle(5, 5), Circle(5, 5), Circle(5, 5)}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ElementSet set;
    set.circles = c.circles;
    ASSERT_TRUE(BuildTriangleFeatures(set, -1, 2, 0.15f));
    ASSERT_EQ(set.features.size(), c.features);
    if (c.features == 0) continue;
    const GeometricFeature& f = set.features[0];
    EXPECT_GE(f.side1, f.side2);
    EXPECT_GE(f.side2, f.side3);
    EXPECT_EQ(f.circleCount, 3);
    EXPECT_EQ(f.sideKindAB, 0);
    EXPECT_FLOAT_EQ(f.flatness, (f.side2 + f.side3) / f.side1);
    if (c.features < 2) continue;
    const GeometricFeature& g = set.features[1];
    EXPECT_NE(g.orientation, f.orientation);
    EXPECT_FLOAT_EQ(g.flatness, f.flatness);
    if (std::fabs(f.side2 - f.side3) / f.side2 < 0.05f) {
      EXPECT_EQ(g.elementA, f.elementB);
      EXPECT_EQ(g.elementB, f.elementA);
      EXPECT_EQ(g.elementC, f.elementC);
      EXPECT_FLOAT_EQ(g.side2, f.side3);
      EXPECT_FLOAT_EQ(g.ratioLarge, f.ratioSmall);
    } else {
      EXPECT_EQ(g.elementA, f.elementA);
      EXPECT_EQ(g.elementB, f.elementC);
      EXPECT_EQ(g.elementC, f.elementB);
      EXPECT_FLOAT_EQ(g.side1, f.side2);
      EXPECT_FLOAT_EQ(g.side3, f.side3);
      EXPECT_FLOAT_EQ(g.ratioLarge, 1 / f.ratioLarge);
    }
  }
}

TEST(MatchingFeatures, FeaturesAgreeTestsInOrder) {
  ElementSet pattern;
  pattern.circles = {Circle(0, 0, 10), Circle(100, 0, 20), Circle(30, 60, 15)};
  ASSERT_TRUE(BuildTriangleFeatures(pattern, -1, 2, 0.15f));
  const GeometricFeature p = pattern.features.at(0);
  ElementSet input = pattern;
  const GeometricFeature base = p;
  ASSERT_TRUE(FeaturesAgree(p, base, 1.1f, 0.9f, pattern.circles, input.circles));

  struct Case {
    const char* name;
    void (*change)(GeometricFeature&, std::vector<CircleCandidate>&);
  } cases[] = {
      {"orientation", [](GeometricFeature& s, auto&) { s.orientation = !s.orientation; }},
      {"flatness apart", [](GeometricFeature& s, auto&) { s.flatness += 0.1f; }},
      {"circle flags", [](GeometricFeature& s, auto&) { s.isCircleB = false; }},
      {"side kinds", [](GeometricFeature& s, auto&) { s.sideKindBC = 3; }},
      {"ratio large", [](GeometricFeature& s, auto&) { s.ratioLarge *= 1.11f; }},
      {"ratio small", [](GeometricFeature& s, auto&) { s.ratioSmall *= 0.89f; }},
      {"side beyond the upper scale", [](GeometricFeature& s, auto&) { s.side1 *= 1.1f; }},
      {"side below the lower scale", [](GeometricFeature& s, auto&) { s.side3 *= 0.9f; }},
      {"circle radius beyond the scale", [](GeometricFeature& s, auto& c) { c[s.elementC].radius *= 1.2f; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GeometricFeature s = base;
    std::vector<CircleCandidate> circles = input.circles;
    c.change(s, circles);
    EXPECT_FALSE(FeaturesAgree(p, s, 1.1f, 0.9f, pattern.circles, circles));
  }

  // Nearly collinear elements never agree, not even with themselves.
  ElementSet flat;
  flat.circles = {Circle(0, 0), Circle(100, 0), Circle(40, 4)};
  ASSERT_TRUE(BuildTriangleFeatures(flat, -1, 2, 0.15f));
  for (const GeometricFeature& f : flat.features) EXPECT_FALSE(FeaturesAgree(f, f, 1.1f, 0.9f, flat.circles, flat.circles));
}

// Sides between two corners: 1 when they run along a segment of either
// corner (across forms by the same rule as the segment join), else 2.
TEST(MatchingFeatures, CornerSideKinds) {
  ElementSet set;
  set.segments = {Seg(0, 0, 1), Seg(0.98f, 0, 0), Seg(0.5f, 0, 1)};
  ContourCorner k1, k2, k3;
  k1.x = 0, k1.y = 0, k1.firstSegment = 0, k1.secondSegment = 1, k1.weight = 3;
  k2.x = 100, k2.y = 0, k2.firstSegment = 2, k2.secondSegment = 2, k2.weight = 2;
  k3.x = 60, k3.y = 61, k3.firstSegment = 2, k3.secondSegment = 2, k3.weight = 1;
  set.corners = {k1, k2, k3};
  ASSERT_TRUE(BuildTriangleFeatures(set, 2, -1, 0.15f));
  ASSERT_FALSE(set.features.empty());
  const GeometricFeature& f = set.features[0];
  const auto kind = [&](int e1, int e2) {
    const auto is = [](int a, int b, int x, int y) { return (a == x && b == y) || (a == y && b == x); };
    if (is(f.elementA, f.elementB, e1, e2)) return f.sideKindAB;
    if (is(f.elementB, f.elementC, e1, e2)) return f.sideKindBC;
    return f.sideKindAC;
  };
  EXPECT_EQ(kind(0, 1), 1) << "along the flat segment of the first corner";
  EXPECT_EQ(kind(0, 2), 1) << "45 degrees, along the first corner's steep segment (other form)";
  EXPECT_EQ(kind(1, 2), 2);
}

}  // namespace
