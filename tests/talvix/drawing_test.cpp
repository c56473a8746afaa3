// Drawing roles and the recorded drawing list, run coordinate transforms.
#include <gtest/gtest.h>

#include <cmath>

#include "talvix/host.hpp"

using talvix::RunContext;

namespace {

bool Same(TColor a, TColor b) { return a.R == b.R && a.G == b.G && a.B == b.B && a.A == b.A; }

TEST(DrawRoles, DefaultsOverridesAndUnknownRoles) {
  RunContext ctx({}, {});
  void* c = ctx.hostContext();
  struct Case {
    int role;
    TColor color;
    double thickness;
  };
  const Case defaults[] = {
      {0, {0, 0.5, 1, 1}, 1}, {1, {0, 1, 0, 1}, 2},   {2, {1, 1, 0, 1}, 1},  {3, {1, 1, 1, 1}, 1},
      {4, {1, 0, 1, 1}, 1},   {7, {1, 0.5, 0, 1}, 1}, {8, {0, 0, 1, 1}, 1},  {9, {0.5, 0.5, 0.5, 1}, 1},
      {10, {1, 0, 0, 1}, 1},  {5, {0, 1, 0, 1}, 2},   {-3, {0, 1, 0, 1}, 2}, {99, {0, 1, 0, 1}, 2},
  };
  for (const Case& k : defaults) {
    EXPECT_TRUE(Same(GetDrawColor(c, k.role), k.color)) << k.role;
    EXPECT_EQ(GetDrawThickness(c, k.role), k.thickness) << k.role;
  }
  ctx.inspection().setDrawColor(1, {0.25, 0.25, 0.25, 1});
  ctx.inspection().setDrawThickness(2, 5);
  EXPECT_TRUE(Same(GetDrawColor(c, 1), {0.25, 0.25, 0.25, 1}));
  EXPECT_TRUE(Same(GetDrawColor(c, 6), {0.25, 0.25, 0.25, 1})) << "unknown roles follow role 1";
  EXPECT_EQ(GetDrawThickness(c, 2), 5);
  EXPECT_EQ(GetDrawingLevel(c), 1);
  const int levels[][2] = {{0, 0}, {2, 2}, {-5, 0}, {7, 2}};
  for (const auto& l : levels) {
    ctx.inspection().setDrawingLevel(l[0]);
    EXPECT_EQ(GetDrawingLevel(c), l[1]) << l[0];
  }
}

TEST(DrawingList, EveryCallRecordedWithItsArguments) {
  RunContext ctx({}, {});
  void* c = ctx.hostContext();
  const TColor k{1, 0, 0, 1}, u{0, 0, 1, 1};
  DrawLine(c, 1, 2, 3, 4, 2, k);
  DrawArrow(c, 5, 6, 7, 8, 1, k);
  DrawCircle(c, 10, 11, 3, 1, k);
  DrawRing(c, 1, 2, 3, 4, 5, 6, 7, k);
  DrawRectangle(c, 1, 2, 3, 4, 30, 1, k);
  DrawBoxFill(c, 1, 2, 3, 4, k);
  DrawPolygon4(c, 0, 0, 1, 0, 1, 1, 0, 1, 2, k);
  DrawString(c, 50, u"A", 3, 4, 0, 90, k);
  DrawDirection(c, 0, 0, 5, 5, -1, u"ignored", 0, 1, k);
  DrawDirectionUnderpainted(c, 0, 0, 5, 5, 2, u"label", 0, 1, k, u);
  DrawDimension(c, 0, 0, 9, 0, 128, u"9 px", 0, 1, k);
  const std::vector<talvix::DrawCall>& list = ctx.drawList();
  struct Expected {
    const char* fn;
    std::vector<double> args;
    std::u16string text;
  };
  const Expected expected[] = {
      {"DrawLine", {1, 2, 3, 4, 2}, u""},
      {"DrawArrow", {5, 6, 7, 8, 1}, u""},
      {"DrawCircle", {10, 11, 3, 1}, u""},
      {"DrawRing", {1, 2, 3, 4, 5, 6, 7}, u""},
      {"DrawRectangle", {1, 2, 3, 4, 30, 1}, u""},
      {"DrawBoxFill", {1, 2, 3, 4}, u""},
      {"DrawPolygon4", {0, 0, 1, 0, 1, 1, 0, 1, 2}, u""},
      {"DrawString", {50, 3, 4, 0, 90}, u"A"},
      {"DrawDirection", {0, 0, 5, 5, -1, 0, 1}, u""},
      {"DrawDirectionUnderpainted", {0, 0, 5, 5, 2, 0, 1}, u"lab"},
      {"DrawDimension", {0, 0, 9, 0, 128, 0, 1}, u"9 px"},
  };
  ASSERT_EQ(list.size(), std::size(expected));
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].fn, expected[i].fn);
    EXPECT_EQ(list[i].args, expected[i].args) << expected[i].fn;
    EXPECT_EQ(list[i].text, expected[i].text) << expected[i].fn;
    EXPECT_TRUE(Same(list[i].color, k));
  }
  EXPECT_TRUE(Same(list[9].under, u));
  DisposeDrawingList(c);
  EXPECT_TRUE(ctx.drawList().empty());
}

TEST(DrawingList, SharedByTheRunsOfOneInspection) {
  talvix::Inspection inspection;
  RunContext a({}, {}, &inspection), b({}, {}, &inspection);
  DrawCircle(a.hostContext(), 1, 1, 1, 1, {});
  b.beginRun();
  DrawCircle(b.hostContext(), 2, 2, 2, 1, {});
  EXPECT_EQ(b.drawList().size(), 2u);
  DrawDrawingList(b.hostContext(), nullptr);  // no frame: nothing to do
}

TEST(Transforms, RoundTripAndNormalisedAngles) {
  RunContext ctx({}, {});
  void* c = ctx.hostContext();
  double x = 0, y = 0, a = 0;
  TransformPoint(c, 3, 4, &x, &y);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(y, 4);
  ctx.inspection().setCoordinateSystem({10, 20, 90});
  TransformPoint(c, 1, 0, &x, &y);
  EXPECT_NEAR(x, 10, 1e-12);
  EXPECT_NEAR(y, 21, 1e-12);
  const double points[][2] = {{0, 0}, {3, -7}, {-12.5, 4.25}};
  for (double cs : {0.0, 30.0, -135.0, 400.0}) {
    ctx.inspection().setCoordinateSystem({-5, 7, cs});
    for (const auto& p : points) {
      double fx, fy, bx, by;
      TransformPoint(c, p[0], p[1], &fx, &fy);
      InvTransformPoint(c, fx, fy, &bx, &by);
      EXPECT_NEAR(bx, p[0], 1e-9);
      EXPECT_NEAR(by, p[1], 1e-9);
    }
  }
  struct Angle {
    double cs, in, forward, back;
  };
  const Angle angles[] = {{90, 0, 90, 270}, {90, 300, 30, 210}, {-30, 10, 340, 40}, {0, 360, 0, 0}, {0, -0.0, 0, 0}};
  for (const Angle& k : angles) {
    ctx.inspection().setCoordinateSystem({0, 0, k.cs});
    TransformAngle(c, k.in, &a);
    EXPECT_NEAR(a, k.forward, 1e-12) << k.cs << " " << k.in;
    EXPECT_FALSE(std::signbit(a));
    InvTransformAngle(c, k.in, &a);
    EXPECT_NEAR(a, k.back, 1e-12) << k.cs << " " << k.in;
  }
}

}  // namespace
