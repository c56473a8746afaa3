// Bisectors, intersections, the arc search and the merge on generated lists.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "contour/circle_search.h"

namespace {

using namespace forvik;

TEST(LineGeometry, IntersectionTable) {
  const LineEq vertical{0, 10, kVertical}, horizontal{0, 5, kHorizontal};
  const LineEq flat1{0.0004f, 1, kSloped}, flat2{0.0009f, 3, kSloped};
  const LineEq nearFlat{0.0005f, 2, kSloped}, diag{1, 0, kSloped}, anti{-1, 10, kSloped};
  struct Case {
    const char* name;
    LineEq l1, l2;
    bool meet;
    float x, y;
  } cases[] = {
      {"slope keys 0 and 0 are parallel", flat1, flat2, false, 0, 0},
      {"vertical meets horizontal", vertical, horizontal, true, 10, 5},
      {"horizontal meets vertical", horizontal, vertical, true, 10, 5},
      {"vertical meets a near-horizontal line", vertical, nearFlat, true, 10, 2.005f},
      {"near-horizontal meets vertical", nearFlat, vertical, true, 10, 2.005f},
      {"two verticals", vertical, LineEq{0, 3, kVertical}, false, 0, 0},
      {"two horizontals", horizontal, LineEq{0, 3, kHorizontal}, false, 0, 0},
      {"crossing diagonals", diag, anti, true, 5, 5},
      {"horizontal and diagonal", horizontal, diag, true, 5, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float x = -7, y = -7;
    ASSERT_EQ(IntersectLines(c.l1, c.l2, &x, &y), c.meet);
    if (!c.meet) continue;
    EXPECT_NEAR(x, c.x, 1e-4);
    EXPECT_NEAR(y, c.y, 1e-4);
  }
}

TEST(LineGeometry, BisectorTable) {
  struct Case {
    float x1, y1, x2, y2;
    bool ok;
    LineEq want;
  } cases[] = {
      {0, 0, 4, 0, true, {0, 2, kVertical}},
      {3, 1, 3, 5, true, {0, 3, kHorizontal}},
      {0, 0, 2, 2, true, {-1, 2, kSloped}},
      {5, 5, 5, 5, false, {}},
  };
  for (const Case& c : cases) {
    LineEq l;
    ASSERT_EQ(PerpendicularBisector(c.x1, c.y1, c.x2, c.y2, &l), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(l.kind, c.want.kind);
    EXPECT_FLOAT_EQ(l.a, c.want.a);
    EXPECT_FLOAT_EQ(l.b, c.want.b);
  }
}

// n points spaced `spacing` pixels of arc apart on a circle, from angle a0.
PointList Arc(double cx, double cy, double r, double spacing, int n, double a0 = 0, double noise = 0,
              unsigned seed = 1) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-noise, noise);
  PointList p;
  for (int k = 0; k < n; ++k) {
    const double t = a0 + k * spacing / r;
    p.push(static_cast<float>(cx + r * std::cos(t) + u(rng)), static_cast<float>(cy + r * std::sin(t) + u(rng)));
  }
  return p;
}

// The main list behind a sub-list of spacing `step` traced pixels: every
// second pixel, so step/2 main points per sub point.
PointList MainOf(double cx, double cy, double r, int step, int subPoints, double a0 = 0) {
  return Arc(cx, cy, r, 2.0, subPoints * step / 2, a0);
}

ArcSearch Search(int step, bool closed, bool arcs) {
  switch (step) {
    case 4: return {4, 0.0f, 20.0f, 1.0f, closed, arcs, 0};
    case 8: return {8, 13.0f, 40.0f, 1.0f, closed, arcs, 0};
    default: return {16, 26.0f, 100.0f, 1.0f, closed, arcs, 0};
  }
}

// Points of a full turn at a spacing of `step` traced pixels.
int TurnPoints(double r, int step) { return static_cast<int>(2 * std::numbers::pi * r / step); }

TEST(ArcSearch, FullCircleExactAndNoisy) {
  for (double noise : {0.0, 0.4}) {
    for (bool arcs : {false, true}) {
      SCOPED_TRACE(testing::Message() << "noise " << noise << " arcs " << arcs);
      const double r = 30;
      const int n = TurnPoints(r, 8);
      PointList sub = Arc(100.5, 80.25, r, 8, n, 0, noise);
      PointList main = MainOf(100.5, 80.25, r, 8, n);
      std::vector<CircleCandidate> found;
      std::vector<LineEq> scratch;
      FindContourCircles(sub, &main, Search(8, true, arcs), found, scratch);
      ASSERT_GE(found.size(), 1u);
      const int last = MergeDuplicateCircles(found, static_cast<int>(found.size()) - 1, true);
      ASSERT_EQ(last, 0);
      EXPECT_NEAR(found[0].x, 100.5, 0.3);
      EXPECT_NEAR(found[0].y, 80.25, 0.3);
      EXPECT_NEAR(found[0].radius, r, 0.3);
      if (!arcs && noise == 0) {
        EXPECT_EQ(found[0].score, 1000);
      }
    }
  }
}

TEST(ArcSearch, OneBadWindowWithArcsOffGivesNothing) {
  PointList sub = Arc(60, 60, 30, 8, TurnPoints(30, 8));
  sub.xs[10] += 6;  // one point well off the circle
  std::vector<CircleCandidate> found;
  std::vector<LineEq> scratch;
  FindContourCircles(sub, nullptr, Search(8, true, false), found, scratch);
  EXPECT_TRUE(found.empty());
  FindContourCircles(sub, nullptr, Search(8, true, true), found, scratch);
  EXPECT_FALSE(found.empty()) << "with arcs on, the rest of the circle still counts";
}

// A closed "D": half a circle, then its diameter back to the start. The arc
// ends where the straight part begins and covers half the circumference.
TEST(ArcSearch, HalfCircleScoresAboutHalf) {
  const double r = 30;
  PointList sub = Arc(60, 60, r, 8, TurnPoints(r, 8) / 2 + 1);
  const float x0 = sub.xs.back(), y0 = sub.ys.back(), x1 = sub.xs.front(), y1 = sub.ys.front();
  const int chord = static_cast<int>(2 * r / 8);
  for (int k = 1; k < chord; ++k) sub.push(x0 + (x1 - x0) * k / chord, y0 + (y1 - y0) * k / chord);
  std::vector<CircleCandidate> found;
  std::vector<LineEq> scratch;
  FindContourCircles(sub, nullptr, Search(8, true, true), found, scratch);
  ASSERT_GE(found.size(), 1u);
  EXPECT_NEAR(found[0].score, 500, 60);
  EXPECT_NEAR(found[0].radius, r, 0.2);
}

// A closed contour whose list starts inside an arc: the part before index 0
// and the part after it are one circle, found once.
TEST(ArcSearch, ArcAcrossTheListStartIsFoundOnce) {
  const double r = 30;
  // Two thirds of a circle, then a straight run back to where it began; the
  // list starts a quarter of the way into the arc.
  PointList sub;
  const int arcPoints = TurnPoints(r, 8) * 2 / 3;
  PointList arc = Arc(60, 60, r, 8, arcPoints, 0);
  PointList main;
  const int shift = arcPoints / 4;
  for (int k = shift; k < arcPoints; ++k) sub.push(arc.xs[k], arc.ys[k]);
  const float x0 = arc.xs.back(), y0 = arc.ys.back(), x1 = arc.xs.front(), y1 = arc.ys.front();
  const int chord = 8;
  for (int k = 1; k < chord; ++k) sub.push(x0 + (x1 - x0) * k / chord, y0 + (y1 - y0) * k / chord);
  for (int k = 0; k < shift; ++k) sub.push(arc.xs[k], arc.ys[k]);
  for (int k = 0; k < sub.size(); ++k) {
    // Main list: 4 points per sub point, the sub point repeated is enough for the removal.
    for (int m = 0; m < 4; ++m) main.push(sub.xs[k], sub.ys[k]);
  }
  std::vector<CircleCandidate> found;
  std::vector<LineEq> scratch;
  FindContourCircles(sub, &main, Search(8, true, true), found, scratch);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].x, 60, 0.5);
  EXPECT_NEAR(found[0].y, 60, 0.5);
  EXPECT_NEAR(found[0].radius, r, 0.5);
  // The covered main points are blanked, the straight part's are not.
  int blanked = 0;
  for (int k = 0; k < main.size(); ++k) blanked += main.xs[k] == -1.0f && main.ys[k] == -1.0f;
  EXPECT_GT(blanked, (arcPoints - 8) * 4);
  EXPECT_LT(blanked, (arcPoints + 2) * 4);
}

// An arc still open at the end of a list whose first main point a coarser
// level removed, with no candidate of its own call: it stands alone and
// nothing else is touched.
TEST(ArcSearch, OpenArcWithoutEarlierCandidateIsRegisteredOnItsOwn) {
  std::vector<CircleCandidate> found = {{500, 500, 70, 0, 400}};  // from a coarser level
  const double r = 15;
  const int n = TurnPoints(r, 4) / 2;
  PointList sub = Arc(40, 40, r, 4, n);
  PointList main = MainOf(40, 40, r, 4, n);
  main.xs[0] = main.ys[0] = -1.0f;
  std::vector<LineEq> scratch;
  FindContourCircles(sub, &main, Search(4, false, true), found, scratch);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].x, 500);
  EXPECT_EQ(found[0].radius, 70);
  EXPECT_EQ(found[0].score, 400);
  EXPECT_NEAR(found[1].radius, r, 0.3);
}

TEST(MergeCircles, Table) {
  struct Case {
    const char* name;
    std::vector<CircleCandidate> in;
    bool strict;
    int last;
    std::vector<CircleCandidate> out;  // the first last + 1 entries
  } cases[] = {
      {"1 px apart, radii 20 and 21",
       {{10, 10, 20, 0, 800}, {11, 10, 21, 0, 600}},
       true,
       0,
       {{10.5f, 10, 20.5f, 0, 700}}},
      {"concentric 40 and 35 merge", {{0, 0, 40, 0, 900}, {0, 0, 35, 0, 500}}, true, 0, {{0, 0, 37.5f, 0, 700}}},
      {"concentric 40 and 20 stay apart when strict",
       {{0, 0, 40, 0, 300}, {0, 0, 20, 0, 900}},
       true,
       1,
       {{0, 0, 20, 0, 900}, {0, 0, 40, 0, 300}}},
      {"concentric 40 and 20 merge when not strict", {{0, 0, 40, 0, 0}, {0, 0, 20, 0, 0}}, false, 0, {{0, 0, 30, 0, 0}}},
      {"apart, sorted by score",
       {{0, 0, 10, 0, 100}, {100, 0, 10, 0, 300}, {200, 0, 10, 0, 200}},
       true,
       2,
       {{100, 0, 10, 0, 300}, {200, 0, 10, 0, 200}, {0, 0, 10, 0, 100}}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(MergeDuplicateCircles(c.in, static_cast<int>(c.in.size()) - 1, c.strict), c.last);
    for (size_t k = 0; k < c.out.size(); ++k) {
      EXPECT_FLOAT_EQ(c.in[k].x, c.out[k].x) << k;
      EXPECT_FLOAT_EQ(c.in[k].y, c.out[k].y) << k;
      EXPECT_FLOAT_EQ(c.in[k].radius, c.out[k].radius) << k;
      EXPECT_EQ(c.in[k].score, c.out[k].score) << k;
    }
  }
  std::vector<CircleCandidate> none;
  EXPECT_EQ(MergeDuplicateCircles(none, -1, true), -1);
}

}  // namespace
