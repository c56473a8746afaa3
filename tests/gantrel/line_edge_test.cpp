// Straight edges by fitted lines and by voting, on drawn bands: the angle of
// the drawn edge, the fit of the reported points, the fitting rules, the
// angle window, outlier removal and the voting rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::MethodRun;
using gantrel_test::Utf8;

constexpr int kSize = 200;
constexpr double kCentre = 100;
constexpr double kPi = 3.14159265358979323846;

// An 8-bit frame, bright, with dark bands: pixel centres within halfWidth of
// the line through (cx, cy) at angle (degrees, memory rows) where keep holds.
struct Band {
  double angle, cx, cy, halfWidth;
  std::function<bool(int, int)> keep = [](int, int) { return true; };
};

talvix::FrameBuffer Bands(const std::vector<Band>& bands) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kSize, kSize, 8, 220);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      for (const Band& b : bands) {
        const double t = b.angle * kPi / 180;
        const double d = -(x - b.cx) * std::sin(t) + (y - b.cy) * std::cos(t);
        if (std::fabs(d) <= b.halfWidth && b.keep(x, y)) *f.pixel(x, y) = 30;
      }
  return f;
}

TRectangularRegion Region(double angle) { return {kCentre, kCentre, 120, 120, angle}; }

// Least squares of the second coordinate on the first.
struct Fit {
  double a, b;
};
Fit LeastSquares(const std::vector<TPoint>& pts, bool swap) {
  double m = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const TPoint& p : pts) {
    const double x = swap ? p.y : p.x, y = swap ? p.x : p.y;
    m += 1, sx += x, sy += y, sxx += x * x, sxy += x * y;
  }
  const double a = (m * sxy - sy * sx) / (m * sxx - sx * sx);
  return {a, sy / m - a * sx / m};
}

double AngleDiff(double a, double b) {
  double d = std::fmod(std::fabs(a - b), 180.0);
  return std::min(d, 180 - d);
}

struct AngleCase {
  double edge, region;
};
// Pairs where the scan lines cross the edge at 44 degrees or more.
const AngleCase kAngles[] = {{-80, 0},  {-80, 200}, {-45, 30}, {-45, 90}, {0, 90},  {0, 300}, {10, 90}, {10, 300},
                             {44, 0},   {44, 300},  {46, 0},   {46, 90},  {89, 0},  {89, 200}, {89, 30}};

TEST(LineEdge, AngleOfDrawnEdges) {
  const char* methods[] = {"straight_edge_detection_by_threshold", "straight_edge_detection_by_contour",
                           "line_edge_detection_by_threshold",     "line_edge_detection_by_contour",
                           "best_line_edge_detection_by_threshold", "best_line_edge_detection_by_contour"};
  for (const AngleCase& c : kAngles) {
    for (bool negative : {false, true}) {
      const talvix::FrameBuffer frame = Bands({{c.edge, kCentre, kCentre, 10}});
      for (const char* id : methods) {
        SCOPED_TRACE(testing::Message() << id << " edge " << c.edge << " region " << c.region << " negative "
                                        << negative);
        MethodRun run(id);
        run.ctx.setFrame(u"Input frame", frame);
        run.ctx.setRegions(u"Region", {Region(c.region)});
        run.ctx.setNumbers(u"Number of horizontal scan lines", {24});
        run.ctx.setNumbers(u"Allowed angle deviation", {90});
        run.ctx.setFlags(u"Negative", {negative});
        const talvix::RunResult r = run();
        ASSERT_TRUE(r.ok) << Utf8(r.error);
        const auto angle = run.ctx.numbers(u"Angle of detected edge");
        ASSERT_EQ(angle.size(), 1u);
        EXPECT_LE(AngleDiff(angle[0], c.edge), 0.5) << angle[0];
        const auto edge = run.ctx.lines(u"Detected edge");
        ASSERT_EQ(edge.size(), 1u);
        if (run.index == 9 || run.index == 10) {
          // The edge line lies on the least-squares fit of the used points.
          const double a = std::fmod(c.region + 360, 360);
          const bool swap = a < 45 || (a > 135 && a < 225) || a > 315;
          const auto used = run.ctx.points(u"Used points");
          ASSERT_EQ(run.ctx.numbers(u"Number of used points"), std::vector<double>{double(used.size())});
          ASSERT_GE(used.size(), 2u);
          const Fit f = LeastSquares(used, swap);
          for (TPoint p : {TPoint{edge[0].x0, edge[0].y0}, TPoint{edge[0].x1, edge[0].y1}}) {
            const double u = swap ? p.y : p.x, v = swap ? p.x : p.y;
            EXPECT_NEAR(v, f.a * u + f.b, 1e-6);
          }
          const auto dist = run.ctx.numbers(u"Distance of used points from edge");
          ASSERT_EQ(dist.size(), used.size());
          for (size_t k = 0; k < used.size(); ++k) {
            const double u = swap ? used[k].y : used[k].x, v = swap ? used[k].x : used[k].y;
            EXPECT_NEAR(dist[k], std::fabs(f.a * u - v + f.b) / std::sqrt(f.a * f.a + 1), 1e-6);
          }
        }
      }
    }
  }
}

// Band Q before band P on the vertical scan lines of a region at 90 degrees,
// over the left half only: the left lines meet both, the right lines P only.
// Q is tilted by 6 degrees so that every mix of the two shows in the angle.
struct RuleCase {
  int method;
  const char* expectation;
  double angle;  // of the fitted line; NAN: the "more points" failure
};

TEST(LineEdge, FittingRulesOnTwoEdges) {
  const std::vector<Band> twoEdges = {{0, kCentre, 130, 5},
                                      {6, kCentre, 70, 5, [](int x, int) { return x < kCentre; }}};
  const RuleCase cases[] = {
      {0, "first transition only: one point per line, all fitted (Q left, P right)", NAN},
      {3, "all points of both edges", NAN},
      {2, "the last point of every line: P", 0},
      {4, "lines with one point only: P on the right", 0},
      {1, "selection: P on the right, then the P candidate of each left line", 0},
  };
  double firstTransitionAngle = 0, allPointsAngle = 0;
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.expectation);
    MethodRun run("straight_edge_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Bands(twoEdges));
    run.ctx.setRegions(u"Region", {{kCentre, kCentre, 180, 180, 90}});
    run.ctx.setNumbers(u"Number of horizontal scan lines", {30});
    run.ctx.setNumbers(u"Allowed angle deviation", {90});
    run.ctx.setNumbers(u"Method", {double(c.method)});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    const double angle = run.ctx.numbers(u"Angle of detected edge")[0];
    if (std::isnan(c.angle)) {
      (c.method == 0 ? firstTransitionAngle : allPointsAngle) = angle;
      continue;
    }
    EXPECT_NEAR(angle, c.angle, 0.3);
    const TLine e = run.ctx.lines(u"Detected edge")[0];
    EXPECT_NEAR((e.y0 + e.y1) / 2, 125, 1.5) << "on P's near side";
  }
  // Fitting Q with P tilts the line; all points of both edges sit on a
  // line between the two.
  EXPECT_GT(std::fabs(firstTransitionAngle), 5);
  EXPECT_GT(std::fabs(allPointsAngle), 0.3);
  EXPECT_GT(std::fabs(firstTransitionAngle - allPointsAngle), 1);
}

// With two points on every line the unique and selection rules have no
// single points to start from.
TEST(LineEdge, MorePointsInEveryScanLine) {
  const talvix::FrameBuffer frame = Bands({{0, kCentre, 130, 5}, {0, kCentre, 70, 5}});
  const std::string text = "error: There are more points in every scan line - it is impossible to select the correct edge";
  for (const char* id : {"straight_edge_detection_by_threshold", "line_edge_detection_by_threshold"}) {
    for (int method : {1, 4}) {
      MethodRun run(id);
      if (run.index == 9 && method == 4) continue;
      SCOPED_TRACE(testing::Message() << id << " method " << method);
      run.ctx.setFrame(u"Input frame", frame);
      run.ctx.setRegions(u"Region", {{kCentre, kCentre, 180, 180, 90}});
      run.ctx.setNumbers(u"Allowed angle deviation", {90});
      run.ctx.setNumbers(u"Method", {double(method)});
      const talvix::RunResult r = run();
      EXPECT_FALSE(r.ok);
      EXPECT_EQ(Utf8(r.error), text);
    }
  }
  // Selection on the line methods uses one candidate per line: with one
  // edge complete and the other over half the lines, every used point is on
  // the complete edge.
  MethodRun run("line_edge_detection_by_threshold");
  run.ctx.setFrame(u"Input frame",
                   Bands({{0, kCentre, 130, 5}, {0, kCentre, 70, 5, [](int x, int) { return x < kCentre; }}}));
  run.ctx.setRegions(u"Region", {{kCentre, kCentre, 180, 180, 90}});
  run.ctx.setNumbers(u"Number of horizontal scan lines", {30});
  run.ctx.setNumbers(u"Method", {1});
  run.ctx.setNumbers(u"Maximum distance of point from edge", {50});
  ASSERT_TRUE(run().ok);
  const auto used = run.ctx.points(u"Used points");
  EXPECT_EQ(used.size(), 30u) << "one point per line";
  for (const TPoint& p : used) EXPECT_NEAR(p.y, 125, 0.6);
}

TEST(LineEdge, AngleWindow) {
  // An edge at 80 degrees.
  const talvix::FrameBuffer frame = Bands({{80, kCentre, kCentre, 10}});
  struct Case {
    double expected, deviation;
    const char* error;  // nullptr: found
  } cases[] = {
      {0, 90, nullptr},
      {0, 45, "Cannot find the edge within specified angle range"},
      {-60, 45, nullptr},  // wraps below -90: [-90, -15] and [75, 90]
      {-65, 30, "Cannot find the edge within specified angle range"},  // [-90, -35] and [85, 90]
      {60, 25, nullptr},
      {70, 30, nullptr},   // wraps above 90: [-90, -80] and [40, 90]
      {260, 20, nullptr},  // 260 is 80
      {170, 20, "Cannot find the edge within specified angle range"},  // -10
      {0, -1, "Cannot find the edge with specified input parametres"},
      {0, 100, "Cannot find the edge with specified input parametres"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.expected << " +- " << c.deviation);
    MethodRun run("straight_edge_detection_by_contour");
    run.ctx.setFrame(u"Input frame", frame);
    run.ctx.setRegions(u"Region", {Region(0)});
    run.ctx.setNumbers(u"Expected angle of edge", {c.expected});
    run.ctx.setNumbers(u"Allowed angle deviation", {c.deviation});
    const talvix::RunResult r = run();
    EXPECT_EQ(r.ok, c.error == nullptr) << Utf8(r.error);
    if (c.error) {
      EXPECT_EQ(Utf8(r.error), c.error);
    }
  }
}

// A dark blob ahead of the edge on one scan line gives one far point: the
// passes remove it, the minimum count then decides.
TEST(LineEdge, OutlierRemovalAndMinimumCount) {
  // The blob sits on scan line 7 of 16.
  const TRectangularRegion region{kCentre, kCentre, 180, 180, 90};
  talvix::FrameBuffer probe = talvix::FrameBuffer::make(kSize, kSize, 8);
  int x0, y0, x1, y1;
  ASSERT_TRUE(GetScanRectangularRegionLine(probe.frame(), &region, 16, 7, 0, &x0, &y0, &x1, &y1));
  ASSERT_EQ(x0, x1);
  const int blobX = x0;
  const talvix::FrameBuffer frame =
      Bands({{0, kCentre, 130, 5}, {0, 100, 60, 3, [blobX](int x, int) { return std::abs(x - blobX) <= 1; }}});
  struct Case {
    double maxDistance, passes, minCount;
    bool ok;
    size_t used;
  } cases[] = {
      {5, 1, 2, true, 15},     // the blob's point removed
      {1000, 3, 2, true, 16},  // nothing far enough
      {5, 1, 16, false, 0},    // 15 left, 16 wanted
      {0, 20, 2, true, 0},     // passes stop at two points or at a pass without a removal
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.maxDistance << " " << c.passes << " " << c.minCount);
    MethodRun run("line_edge_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", frame);
    run.ctx.setRegions(u"Region", {region});
    run.ctx.setNumbers(u"Maximum distance of point from edge", {c.maxDistance});
    run.ctx.setNumbers(u"Pass count", {c.passes});
    run.ctx.setNumbers(u"Minimum count of used points", {c.minCount});
    const talvix::RunResult r = run();
    ASSERT_EQ(r.ok, c.ok) << Utf8(r.error);
    if (!c.ok) {
      EXPECT_EQ(Utf8(r.error), "Cannot find the edge with specified input parametres");
      continue;
    }
    const auto used = run.ctx.points(u"Used points");
    if (c.used) {
      EXPECT_EQ(used.size(), c.used);
    }
    EXPECT_GE(used.size(), 2u);
    if (c.used == 15) {
      for (const TPoint& p : used) EXPECT_NEAR(p.y, 125, 0.6);
      EXPECT_NEAR(run.ctx.numbers(u"Angle of detected edge")[0], 0, 0.01);
      EXPECT_EQ(run.ctx.numbers(u"Number of used points"), std::vector<double>{15});
    }
  }
}

// Two vertical edges at x = 60 and x = 140 vote for the same distance from
// the centre: the lowest bin, then the lowest column wins (the normal at
// -180 degrees, so the edge at 140). A longer edge wins outright.
TEST(BestLine, Voting) {
  const auto run = [](const std::vector<Band>& bands) {
    auto m = std::make_unique<MethodRun>("best_line_edge_detection_by_threshold");
    m->ctx.setFrame(u"Input frame", Bands(bands));
    m->ctx.setNumbers(u"Number of horizontal scan lines", {20});
    m->ctx.setNumbers(u"Method", {1});
    const talvix::RunResult r = (*m)();
    EXPECT_TRUE(r.ok) << Utf8(r.error);
    return m;
  };
  const auto tie = run({{90, 64.5, kCentre, 4.6}, {90, 144.5, kCentre, 4.6}});
  const TLine t = tie->ctx.lines(u"Detected edge")[0];
  EXPECT_NEAR(t.x0, 140, 1.0);
  EXPECT_NEAR(t.x1, 140, 1.0);
  EXPECT_NEAR(std::fabs(tie->ctx.numbers(u"Angle of detected edge")[0]), 90, 0.5);
  EXPECT_EQ(tie->ctx.points(u"Detected points").size(), 40u);

  const auto longer = run({{90, 64.5, kCentre, 4.6}, {90, 144.5, kCentre, 4.6, [](int, int y) { return y < 100; }}});
  EXPECT_NEAR(longer->ctx.lines(u"Detected edge")[0].x0, 60, 1.0);
  const auto dist = longer->ctx.numbers(u"Distance of points from edge");
  int near = 0;
  for (double d : dist) near += d < 1.0 ? 1 : 0;
  EXPECT_EQ(near, 20) << "the 20 points of the winning edge";
}

TEST(BestLine, StepErrorAndTableRebuild) {
  MethodRun tooCoarse("best_line_edge_detection_by_contour");
  tooCoarse.ctx.setFrame(u"Input frame", Bands({{30, kCentre, kCentre, 10}}));
  tooCoarse.ctx.setNumbers(u"Search angle step", {10});
  tooCoarse.ctx.setNumbers(u"Allowed angle deviation", {2});
  EXPECT_EQ(Utf8(tooCoarse().error), "error: Search angle step is greater than allowed angle deviation");

  // One object, successive steps: each run votes with its own tables.
  MethodRun run("best_line_edge_detection_by_contour");
  run.ctx.setFrame(u"Input frame", Bands({{30, kCentre, kCentre, 10}}));
  run.ctx.setRegions(u"Region", {Region(90)});
  run.ctx.setNumbers(u"Number of horizontal scan lines", {40});
  for (double step : {0.5, 0.3, 1.0, 0.01, 0.5}) {
    SCOPED_TRACE(step);
    run.ctx.setNumbers(u"Search angle step", {step});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    EXPECT_LE(AngleDiff(run.ctx.numbers(u"Angle of detected edge")[0], 30), 0.5 + step / 2);
  }
}

// A region turned by billions of degrees, or by an infinite angle, votes
// without overflow; its lines lie as those of the region turned by the
// angle's remainder, and find the same edge.
TEST(BestLine, RegionsTurnedFarPastATurn) {
  const auto run = [](double angle) {
    MethodRun m("best_line_edge_detection_by_threshold");
    m.ctx.setFrame(u"Input frame", Bands({{30, kCentre, kCentre, 10}}));
    m.ctx.setRegions(u"Region", {Region(angle)});
    m.ctx.setNumbers(u"Number of horizontal scan lines", {40});
    const talvix::RunResult r = m();
    return std::pair{r.ok ? m.ctx.numbers(u"Angle of detected edge") : std::vector<double>{}, Utf8(r.error)};
  };
  for (const auto& [far, near] : {std::pair{1e9, 280.0}, std::pair{-1e9, 80.0}, std::pair{360.0 * 5965232 + 90, 90.0}}) {
    SCOPED_TRACE(far);
    const auto got = run(far), want = run(near);
    ASSERT_EQ(got.second, want.second);
    ASSERT_EQ(got.first.size(), 1u);
    EXPECT_LE(AngleDiff(got.first[0], want.first[0]), 0.5);
  }
  // No direction at all: an answer or a refusal, without overflow.
  for (double angle : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
    const auto got = run(angle);
    EXPECT_TRUE(got.first.size() == 1u || !got.second.empty()) << angle;
  }
}

TEST(LineEdge, NoTransitionAndMissingFrame) {
  for (const char* id : {"straight_edge_detection_by_threshold", "line_edge_detection_by_contour",
                         "best_line_edge_detection_by_threshold"}) {
    MethodRun flat(id);
    flat.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(50, 50, 8, 200));
    EXPECT_EQ(Utf8(flat().error), "Cannot find the edge with specified input parametres") << id;
    MethodRun none(id);
    EXPECT_EQ(Utf8(none().error), "error: Cannot get input frame") << id;
  }
  // The threshold is held to 0..1 in the input's storage.
  MethodRun run("straight_edge_detection_by_threshold");
  run.ctx.setFrame(u"Input frame", Bands({{60, kCentre, kCentre, 10}}));
  run.ctx.setNumbers(u"Threshold", {1.7});
  run();
  EXPECT_EQ(run.ctx.numbers(u"Threshold"), std::vector<double>{1.0});
}

}  // namespace
