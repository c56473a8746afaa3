// Plane helpers of the scan lines, as tables of cases.
#include <gtest/gtest.h>

#include <cmath>

#include "decoder/decoder.h"
#include "decoder/geometry.h"

namespace {

using hoskin::Point;
using hoskin::Quad;
using hoskin::Segment;

Quad Square(double x0, double y0, double x1, double y1) {
  Quad q;
  q.p[0] = {x0, y0};
  q.p[1] = {x1, y0};
  q.p[2] = {x1, y1};
  q.p[3] = {x0, y1};
  q.Close();
  return q;
}

TEST(Geometry, SegmentsIntersect) {
  struct Case {
    Segment a, b;
    bool cross;
  };
  const Case cases[] = {
      {{0, 0, 2, 2}, {0, 2, 2, 0}, true},
      {{0, 0, 1, 1}, {1, 1, 2, 0}, true},    // touching at an end
      {{0, 0, 2, 0}, {0, 1, 2, 1}, false},   // parallel
      {{0, 0, 2, 0}, {1, 0, 3, 0}, false},   // collinear overlap counts as parallel
      {{0, 0, 1, 1}, {2, 0, 3, -1}, false},  // lines cross outside the segments
  };
  for (const Case& c : cases) EXPECT_EQ(hoskin::SegmentsIntersect(c.a, c.b), c.cross) << c.b.x0 << "," << c.b.y0;
}

TEST(Geometry, PointInQuadAndOverlap) {
  const Quad sq = Square(0, 0, 4, 4);
  Quad diamond;
  diamond.p[0] = {2, -1};
  diamond.p[1] = {5, 2};
  diamond.p[2] = {2, 5};
  diamond.p[3] = {-1, 2};
  diamond.Close();
  EXPECT_TRUE(hoskin::PointInQuad(sq, 2, 2));
  EXPECT_FALSE(hoskin::PointInQuad(sq, 5, 2));
  EXPECT_FALSE(hoskin::PointInQuad(sq, -0.5f, 2));
  EXPECT_TRUE(hoskin::PointInQuad(diamond, 2, 2));
  EXPECT_FALSE(hoskin::PointInQuad(diamond, 4.5f, 4.5f));

  EXPECT_TRUE(hoskin::QuadsOverlap(sq, Square(1, 1, 2, 2)));    // inside
  EXPECT_TRUE(hoskin::QuadsOverlap(Square(1, 1, 2, 2), sq));    // around
  EXPECT_TRUE(hoskin::QuadsOverlap(sq, Square(-1, 1, 5, 2)));   // a band across, no corner inside
  EXPECT_FALSE(hoskin::QuadsOverlap(sq, Square(5, 5, 6, 6)));
  EXPECT_TRUE(hoskin::QuadEdgesCross(sq, {2, 2, 6, 2}));
  EXPECT_FALSE(hoskin::QuadEdgesCross(sq, {1, 1, 3, 3}));
}

TEST(Geometry, LineQuadIntersectionsOrderedFromTheFirstPoint) {
  const Quad sq = Square(0, 0, 4, 4);
  Point a, b;
  ASSERT_TRUE(hoskin::LineQuadIntersections(sq, {10, 1}, {9, 1}, &a, &b));
  EXPECT_DOUBLE_EQ(a.x, 4);
  EXPECT_DOUBLE_EQ(b.x, 0);
  ASSERT_TRUE(hoskin::LineQuadIntersections(sq, {-3, 1}, {-2, 1}, &a, &b));
  EXPECT_DOUBLE_EQ(a.x, 0);
  EXPECT_DOUBLE_EQ(b.x, 4);
  EXPECT_FALSE(hoskin::LineQuadIntersections(sq, {-3, 6}, {-2, 6}, &a, &b));
}

TEST(Geometry, ProjectQuadCutsTheStretchBetweenTwoPoints) {
  // Corners 0 and 3 on x = 0, edge 0-1 along x: fractions are x / 10, clamped.
  const Quad q = Square(0, 0, 10, 4);
  Quad out;
  hoskin::ProjectQuad(q, {2, 1}, {7, 3}, &out);
  EXPECT_DOUBLE_EQ(out.p[0].x, 2);
  EXPECT_DOUBLE_EQ(out.p[1].x, 7);
  EXPECT_DOUBLE_EQ(out.p[2].x, 7);
  EXPECT_DOUBLE_EQ(out.p[2].y, 4);
  EXPECT_DOUBLE_EQ(out.p[3].x, 2);
  hoskin::ProjectQuad(q, {-5, 1}, {15, 1}, &out);
  EXPECT_DOUBLE_EQ(out.p[0].x, 5);  // 5 outside the edge 0-3: distances are unsigned
  EXPECT_DOUBLE_EQ(out.p[1].x, 10);
  Quad flat = Square(0, 0, 0, 4);  // no extent across: nothing to divide by
  hoskin::ProjectQuad(flat, {2, 1}, {7, 3}, &out);
  EXPECT_TRUE(std::isfinite(out.p[1].x));
}

TEST(Geometry, ScanTiltSteps) {
  // Corners 0 (0,0) and 2 (10,4); the segment from (0,1) to (10,1): d = 1,
  // half length 5, a = atan2(1, 5) / 2.
  const Quad q = Square(0, 0, 10, 4);
  const double a = std::atan2(1.0, 5.0) * 180 / M_PI / 2;
  const double want[] = {0, 0, a, -a, 2 * a, -2 * a, 3 * a, -3 * a, 0};
  for (int attempt = 0; attempt < 9; ++attempt) {
    EXPECT_NEAR(hoskin::ScanTilt(q, 0, 1, 10, 1, attempt), want[attempt], 1e-12) << attempt;
  }
}

TEST(Geometry, TiltScanLineKeepsTheEndsOnTheSides) {
  const Quad q = Square(0, 0, 10, 10);
  Segment s{0, 5, 10, 5};
  hoskin::TiltScanLine(q, 0, {5, 5}, &s);
  EXPECT_DOUBLE_EQ(s.y0, 5);
  hoskin::TiltScanLine(q, 45, {5, 5}, &s);
  EXPECT_NEAR(s.x0, 0, 1e-9);
  EXPECT_NEAR(s.y0, 0, 1e-9);
  EXPECT_NEAR(s.x1, 10, 1e-9);
  EXPECT_NEAR(s.y1, 10, 1e-9);
}

TEST(Geometry, ClipSegmentToTheInsetFrame) {
  struct Case {
    Segment s, want;
  };
  const Case cases[] = {
      {{2, 2, 5, 5}, {2, 2, 5, 5}},        // inside: unchanged
      {{-4, 3, 12, 3}, {1, 3, 8, 3}},      // across: cut to x = 1 .. 8
      {{12, 3, -4, 3}, {8, 3, 1, 3}},      // the other way round
      {{-4, 20, 12, 20}, {-4, 20, 12, 20}},  // wholly outside: used unchanged
  };
  Quad inset = Square(1, 1, 8, 8);
  for (const Case& c : cases) {
    for (bool reversedWinding : {false, true}) {
      Quad poly = inset;
      if (reversedWinding) std::swap(poly.p[1], poly.p[3]);
      Segment s = c.s;
      hoskin::ClipSegment(poly, &s);
      EXPECT_NEAR(s.x0, c.want.x0, 1e-9) << c.s.x0 << " winding " << reversedWinding;
      EXPECT_NEAR(s.x1, c.want.x1, 1e-9) << c.s.x0 << " winding " << reversedWinding;
      EXPECT_NEAR(s.y1, c.want.y1, 1e-9);
    }
  }
}

TEST(Geometry, RegionCornersAndScanGeometry) {
  const Quad r = hoskin::RegionCorners(10, 20, 8, 4, 90);
  EXPECT_NEAR(r.p[0].x, 12, 1e-9);  // (-4, -2) turned a quarter: (2, -4)
  EXPECT_NEAR(r.p[0].y, 16, 1e-9);
  EXPECT_NEAR(r.p[4].x, r.p[0].x, 0);

  // Bars along y: the corners step along the bars (u) from 0 to 3 and
  // across them (n) from 0 to 1.
  hoskin::CRegionListElem region;
  region.dx = 0, region.dy = 1, region.cx = 50, region.cy = 40, region.halfLength = 10, region.halfWidth = 30;
  hoskin::CBarcodeDecoder d;
  d.SetScanGeometry(region);
  const Quad& g = d.regionGeometry;
  EXPECT_DOUBLE_EQ(g.p[0].x, 20);
  EXPECT_DOUBLE_EQ(g.p[0].y, 30);
  EXPECT_DOUBLE_EQ(g.p[1].x, 80);
  EXPECT_DOUBLE_EQ(g.p[3].y, 50);
  EXPECT_DOUBLE_EQ(d.regionQuad.p[2].x, g.p[2].x);
}

}  // namespace
