// Segment extraction on generated point lists, each segment's line checked
// against a least-squares fit computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "contour/line_segments.h"

namespace {

using forvik::ExtractLineSegments;
using forvik::LineSegment;
using forvik::SameDirection;

struct Pts {
  std::vector<float> xs, ys;
  void add(float x, float y) { xs.push_back(x), ys.push_back(y); }
  void gap(int n) {
    for (int i = 0; i < n; ++i) add(-1, -1);
  }
  int last() const { return static_cast<int>(xs.size()) - 1; }
};

// Pixels every `step` along the polyline through the corners (each corner
// once), rounded as traced border pixels are.
Pts Polyline(std::vector<std::pair<float, float>> corners, float step, bool closed) {
  if (closed) corners.push_back(corners.front());
  Pts p;
  for (size_t k = 0; k + 1 < corners.size(); ++k) {
    const auto [x0, y0] = corners[k];
    const auto [x1, y1] = corners[k + 1];
    const int n = static_cast<int>(std::lround(std::hypot(x1 - x0, y1 - y0) / step));
    for (int i = 0; i < n; ++i) p.add(std::round(x0 + (x1 - x0) * i / n), std::round(y0 + (y1 - y0) * i / n));
  }
  if (!closed) p.add(corners.back().first, corners.back().second);
  return p;
}

// Rotates a closed list so that it starts at index `start`.
Pts StartAt(const Pts& p, int start) {
  Pts out;
  const int n = p.last() + 1;
  for (int i = 0; i < n; ++i) out.add(p.xs[(start + i) % n], p.ys[(start + i) % n]);
  return out;
}

// Least squares over the truncated coordinates of the points first..last
// (wrapping), missing points left out, in the segment's form.
void ExpectFit(const Pts& p, const LineSegment& s) {
  const int n = p.last() + 1;
  const int end = s.last >= s.first ? s.last : s.last + n;
  double su = 0, sv = 0, suv = 0, suu = 0, k = 0;
  for (int i = s.first; i <= end; ++i) {
    if (p.xs[i % n] == -1.0f) continue;
    const double x = std::trunc(p.xs[i % n]), y = std::trunc(p.ys[i % n]);
    const double u = s.orientation ? x : y, v = s.orientation ? y : x;
    su += u, sv += v, suv += u * v, suu += u * u, ++k;
  }
  const double a = (k * suv - su * sv) / (k * suu - su * su), b = (sv - a * su) / k;
  EXPECT_NEAR(s.a, a, 1e-4 * (1 + std::fabs(a)));
  EXPECT_NEAR(s.b, b, 1e-3 * (1 + std::fabs(b)));
}

struct Want {
  float x0, y0, x1, y1;
};

TEST(LineSegments, GeneratedLists) {
  Pts gap5 = Polyline({{0, 3}, {14, 3}}, 1, false), gap3 = gap5;
  gap5.gap(5), gap3.gap(3);
  for (int x = 20; x <= 34; ++x) gap5.add(static_cast<float>(x), 3);
  for (int x = 18; x <= 32; ++x) gap3.add(static_cast<float>(x), 3);
  Pts under, over;  // rows alternating one pixel either side of y = 20
  for (int x = 0; x < 30; ++x) under.add(static_cast<float>(x), x % 2 ? 21.0f : 19.0f);
  over = under;
  Pts far;
  for (int i = 0; i < 100; ++i) far.add(1500.0f + 2 * i, std::trunc(0.3f * (1500.0f + 2 * i)) + 900);
  Pts fewBent;
  for (float x : {0.0f, 2.0f, 4.0f, 6.0f}) fewBent.add(x, 0);
  for (float y : {2.0f, 4.0f}) fewBent.add(6, y);

  struct Case {
    const char* name;
    Pts points;
    float maxResidual;
    bool closed;
    std::vector<Want> want;  // ends within 1.5 px; empty: none
    bool checkFit = true;
  } cases[] = {
      {"3 collinear points", Polyline({{1, 1}, {5, 3}}, 1.118f, false), 1.0f, false, {{1, 1, 5, 3}}},
      {"fewer than 8, bent", fewBent, 0.5f, false, {}},
      {"horizontal run of 20", Polyline({{0, 7}, {19, 7}}, 1, false), 1.0f, false, {{0, 7, 19, 7}}},
      {"an L", Polyline({{0, 0}, {30, 0}, {30, 30}}, 2, false), 1.0f, false, {{0, 0, 30, 0}, {30, 0, 30, 30}}},
      {"collinear runs 6 px apart stay two", gap5, 1.0f, false, {{0, 3, 14, 3}, {20, 3, 34, 3}}},
      {"collinear runs 4 px apart join", gap3, 1.0f, false, {{0, 3, 32, 3}}},
      {"alternating 1 px under the limit", under, 1.05f, false, {{0, 19, 29, 21}}, false},
      {"alternating 1 px over the limit", over, 0.95f, false, {}},
      {"long line far from the origin", far, 1.0f, false, {{1500, 1350, 1698, 1409}}},
      {"closed square from mid-side", StartAt(Polyline({{0, 0}, {40, 0}, {40, 40}, {0, 40}}, 2, true), 70), 1.0f,
       true, {{0, 40, 40, 40}, {0, 40, 0, 0}, {0, 0, 40, 0}, {40, 0, 40, 40}}, false},
      {"diamond", Polyline({{20, 0}, {40, 21}, {20, 42}, {0, 21}}, 1.5f, true), 1.0f, true,
       {{20, 0, 40, 21}, {40, 21, 20, 42}, {20, 42, 0, 21}, {0, 21, 20, 0}}, false},
      {"thin bar from mid-side", StartAt(Polyline({{0, 0}, {113, 113}, {107, 119}, {-6, 6}}, 2, true), 40), 1.0f,
       true, {{0, 0, 113, 113}, {107, 119, -6, 6}}, false},
      {"thin bar from a corner", Polyline({{0, 0}, {113, 113}, {107, 119}, {-6, 6}}, 2, true), 1.0f, true,
       {{0, 0, 113, 113}, {107, 119, -6, 6}}, false},
      // Runs back along itself 4 px away: the ends meet, the slopes agree,
      // but the second run does not carry on from the first.
      {"hairpin 4 px wide", Polyline({{0, 0}, {60, 0}, {60, 4}, {0, 4}}, 2, false), 1.0f, false,
       {{0, 0, 60, 0}, {60, 4, 0, 4}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<LineSegment> got;
    ExtractLineSegments(c.points.xs.data(), c.points.ys.data(), c.points.last(), c.maxResidual, 0.15f, c.closed, got);
    ASSERT_EQ(got.size(), c.want.size());
    for (const Want& w : c.want) {
      // Segments of a closed list may come in any order and either way round.
      const auto match = std::find_if(got.begin(), got.end(), [&](const LineSegment& s) {
        const bool same = std::hypot(s.x0 - w.x0, s.y0 - w.y0) < 2.5 && std::hypot(s.x1 - w.x1, s.y1 - w.y1) < 2.5;
        const bool turned = std::hypot(s.x0 - w.x1, s.y0 - w.y1) < 2.5 && std::hypot(s.x1 - w.x0, s.y1 - w.y0) < 2.5;
        return same || turned;
      });
      EXPECT_NE(match, got.end()) << "no segment " << w.x0 << "," << w.y0 << " - " << w.x1 << "," << w.y1;
    }
    for (const LineSegment& s : got) {
      EXPECT_NEAR(s.length, std::hypot(s.x1 - s.x0, s.y1 - s.y0), 1e-3);
      ASSERT_GE(s.first, 0);
      ASSERT_LE(s.last, c.points.last());
      if (c.checkFit) ExpectFit(c.points, s);
    }
  }
}

// Where a closed list starts is arbitrary: a square whose list starts from
// 0 to 12 points before any of its corners still gives its four sides.
TEST(LineSegments, ClosedSquareWhereverItsListStarts) {
  const Pts square = Polyline({{0, 0}, {40, 0}, {40, 40}, {0, 40}}, 2, true);  // 20 points a side
  const Want sides[] = {{0, 0, 40, 0}, {40, 0, 40, 40}, {40, 40, 0, 40}, {0, 40, 0, 0}};
  for (int corner = 0; corner < 4; ++corner) {
    for (int before = 0; before <= 12; ++before) {
      SCOPED_TRACE(testing::Message() << before << " points before corner " << corner);
      const Pts p = StartAt(square, (corner * 20 - before + 80) % 80);
      std::vector<LineSegment> got;
      ExtractLineSegments(p.xs.data(), p.ys.data(), p.last(), 1.0f, 0.15f, true, got);
      ASSERT_EQ(got.size(), 4u);
      for (const Want& w : sides) {
        // Ends within a point of the corners, either way round.
        const auto match = std::count_if(got.begin(), got.end(), [&](const LineSegment& s) {
          const bool same = std::hypot(s.x0 - w.x0, s.y0 - w.y0) < 2.5 && std::hypot(s.x1 - w.x1, s.y1 - w.y1) < 2.5;
          const bool turned = std::hypot(s.x0 - w.x1, s.y0 - w.y1) < 2.5 && std::hypot(s.x1 - w.x0, s.y1 - w.y0) < 2.5;
          return same || turned;
        });
        EXPECT_EQ(match, 1) << "side " << w.x0 << "," << w.y0 << " - " << w.x1 << "," << w.y1;
      }
    }
  }
}

// A straight chain cut by one stray point: the two sides join when they run
// the same way, also across forms at 45 degrees; a corner never joins.
TEST(LineSegments, JoinAcrossFormsAtFortyFiveDegrees) {
  Pts p;
  for (int i = 0; i < 24; ++i) p.add(100.0f + i, std::round(100.0f + 1.04f * i));  // y = a x + b, a > 1
  p.add(125, 120);                                                                  // stray point
  for (int i = 0; i < 24; ++i) p.add(127.0f + i, std::round(126.0f + 0.98f * i));  // x = a y + b
  std::vector<LineSegment> got;
  ExtractLineSegments(p.xs.data(), p.ys.data(), p.last(), 1.0f, 0.15f, false, got);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NEAR(got[0].x0, 100, 0.01);
  EXPECT_NEAR(got[0].x1, 150, 0.01);
  ExpectFit(p, got[0]);
}

TEST(LineSegments, DirectionRule) {
  const auto seg = [](float a, uint8_t o) {
    LineSegment s;
    s.a = a, s.orientation = o;
    return s;
  };
  struct Case {
    const char* name;
    LineSegment s1, s2;
    bool same;
  } cases[] = {
      {"same form, slopes 0.07 apart", seg(0.5f, 1), seg(0.57f, 1), true},
      {"same form, slopes 0.08 apart", seg(0.5f, 1), seg(0.58f, 1), false},
      {"45 degrees, both forms", seg(0.98f, 1), seg(0.97f, 0), true},
      {"45 degrees, both forms, negative", seg(-0.98f, 0), seg(-0.99f, 1), true},
      {"diamond corner", seg(0.99f, 1), seg(-0.98f, 0), false},
      {"across forms, sum 1.9", seg(0.95f, 1), seg(0.95f, 0), false},
      {"across forms, flat and steep", seg(0.0f, 1), seg(0.0f, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SameDirection(c.s1, c.s2, 0.15f), c.same);
    EXPECT_EQ(SameDirection(c.s2, c.s1, 0.15f), c.same);
  }
}

}  // namespace
