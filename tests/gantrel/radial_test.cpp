// Radial edge points of drawn discs and rings, the fill of missing spokes and
// the failures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "cpu_time.h"
#include "gantrel_run.h"

namespace {

using gantrel_test::DrawCount;
using gantrel_test::MethodRun;
using gantrel_test::Utf8;

constexpr double kCx = 50, kCy = 50, kRadius = 20;

talvix::FrameBuffer Disc(uint8_t inside, uint8_t outside) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(100, 100, 8, outside);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      if (std::hypot(x - kCx, y - kCy) <= kRadius) *f.pixel(x, y) = inside;
  return f;
}

void SetRing(MethodRun& run, double r1 = 5, double r2 = 45) {
  run.ctx.setRingRegions(u"Ring", {{kCx, kCy, r1, r2, 0, 0}});
}

TEST(Radial, PointsOnDrawnDiscs) {
  struct Case {
    const char* method;
    uint8_t inside, outside;
    bool negative;
  } cases[] = {
      {"radial_edge_detection_by_threshold", 220, 30, false},
      {"radial_edge_detection_by_threshold", 30, 220, true},
      {"radial_edge_detection_by_contour", 220, 30, false},
      {"radial_edge_detection_by_contour", 30, 220, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.method << " negative " << c.negative);
    MethodRun run(c.method);
    run.ctx.setFrame(u"Input frame", Disc(c.inside, c.outside));
    SetRing(run);
    run.ctx.setFlags(u"Negative", {c.negative});
    run.ctx.inspection().setDrawingLevel(2);
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    const auto points = run.ctx.points(u"Detected points");
    ASSERT_EQ(points.size(), 16u);
    for (const TPoint& p : points) {
      const double d = std::hypot(p.x - kCx, p.y - kCy);
      EXPECT_GE(d, kRadius - 1.5);
      EXPECT_LE(d, kRadius + 1.5);
    }
    EXPECT_EQ(run.ctx.numbers(u"Number of points"), std::vector<double>{16});
    EXPECT_EQ(run.ctx.flags(u"Indication of finding a point at scanline"), std::vector<bool>(16, true));
    EXPECT_EQ(DrawCount(run.ctx, "DrawCircle"), 16);
  }
}

// A bright disc with a bright ring around it: "Method" 1 finds both
// transitions of every spoke. Spoke 4 (straight down the +y axis) is blanked
// by a bright strip; its record sits at position 8 of the list, so the fill
// must use the record's own spoke.
TEST(Radial, MissingSpokeIsFilledOnItsOwnSpoke) {
  for (int method : {0, 1}) {
    SCOPED_TRACE(method);
    talvix::FrameBuffer f = Disc(220, 30);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) {
        const double d = std::hypot(x - kCx, y - kCy);
        if ((d >= 30 && d <= 33) || (x >= 48 && x <= 52 && y >= 50)) *f.pixel(x, y) = 220;
      }
    MethodRun run("radial_edge_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", f);
    SetRing(run);
    run.ctx.setNumbers(u"Method", {double(method)});
    run.ctx.setFlags(u"Calculate missing edges", {true});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    const auto points = run.ctx.points(u"Detected points");
    const int perSpoke = method == 0 ? 1 : 2;
    ASSERT_EQ(points.size(), size_t(15 * perSpoke + 1));
    const size_t filled = 4 * perSpoke;
    const TPoint a = points[filled - 1], b = points[filled + 1];  // the neighbouring records
    const TPoint m = points[filled];
    EXPECT_NEAR(m.x, kCx, 1.0) << "on spoke 4";
    // Where the line through a and b crosses x = 50.
    const double expectedY = a.y + (b.y - a.y) * (kCx - a.x) / (b.x - a.x);
    EXPECT_NEAR(m.y, expectedY, 1.5);
    std::vector<bool> found(16, true);
    found[4] = false;
    EXPECT_EQ(run.ctx.flags(u"Indication of finding a point at scanline"), found);
  }
}

// Spokes crossing the disc's two sides give transitions 0 and 1 per spoke:
// the threshold search goes on past the object after a point.
TEST(Radial, AllTransitionsOnTwoRings) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(100, 100, 8, 30);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const double d = std::hypot(x - kCx, y - kCy);
      if (d < 15 || (d >= 25 && d < 30)) *f.pixel(x, y) = 220;
    }
  MethodRun run("radial_edge_detection_by_contour");
  run.ctx.setFrame(u"Input frame", f);
  SetRing(run, 5, 45);
  run.ctx.setNumbers(u"Method", {5});  // treated as 0
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.points(u"Detected points").size(), 16u);
  run.ctx.setNumbers(u"Method", {1});
  ASSERT_TRUE(run().ok);
  const auto points = run.ctx.points(u"Detected points");
  ASSERT_EQ(points.size(), 32u);
  for (size_t k = 0; k < points.size(); ++k) {
    const double d = std::hypot(points[k].x - kCx, points[k].y - kCy);
    EXPECT_NEAR(d, k % 2 == 0 ? 15 : 30, 1.6) << k;
  }
  EXPECT_EQ(DrawCount(run.ctx, "DrawCircle"), 0) << "drawing level 1 draws nothing";
}

TEST(Radial, Failures) {
  // Only spoke 0 runs along a bright strip into the dark: one point.
  talvix::FrameBuffer strip = talvix::FrameBuffer::make(100, 100, 8, 30);
  for (int y = 48; y <= 52; ++y)
    for (int x = 50; x <= 80; ++x) *strip.pixel(x, y) = 220;
  for (bool fill : {false, true}) {
    MethodRun run("radial_edge_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", strip);
    SetRing(run, 10, 45);
    run.ctx.setFlags(u"Calculate missing edges", {fill});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "Cannot find the edge with specified input parametres");
  }
  for (double spokes : {0.0, -3.0}) {
    MethodRun run("radial_edge_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", Disc(220, 30));
    SetRing(run);
    run.ctx.setNumbers(u"Number of scan lines", {spokes});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "Cannot find the edge with specified input parametres");
  }
  MethodRun noFrame("radial_edge_detection_by_contour");
  EXPECT_EQ(Utf8(noFrame().error), "error: Cannot get input frame");
}

// The threshold is held to 0..1 in the input's storage, silently.
TEST(Radial, StoredThreshold) {
  MethodRun run("radial_edge_detection_by_threshold");
  run.ctx.setFrame(u"Input frame", Disc(220, 30));
  SetRing(run);
  run.ctx.setNumbers(u"Threshold", {-0.4});
  run();
  EXPECT_EQ(run.ctx.numbers(u"Threshold"), std::vector<double>{0.0});
  EXPECT_TRUE(run.ctx.warnings().empty());
}

}  // namespace

namespace {

// A ring far larger than the frame, as a caller lays it round a part that
// may sit anywhere: every spoke asked for gets its flag, silently, up to the
// bound of 262144 spokes; an absurd count is held there, with a warning, and
// answers promptly.
TEST(Radial, EverySpokeAskedForHasItsFlag) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(320, 240, 8, 30);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      if (std::hypot(x - 160, y - 120) <= 60) *f.pixel(x, y) = 220;
  constexpr int kMost = 1 << 18;
  struct Case {
    double asked;
    int spokes;
    const char* warning;  // null: none
  } cases[] = {
      {100000, 100000, nullptr},  // first: the time of one spoke
      {16, 16, nullptr},
      {3000, 3000, nullptr},
      {1120, 1120, nullptr},  // one per pixel round the frame's outline
      {3e9, kMost,
       "Not acceptable value of the parameter Number of scan lines (3000000000.000000). It will be used new value "
       "262144.000000."},
      {kMost + 1.0, kMost,
       "Not acceptable value of the parameter Number of scan lines (262145). It will be used new value 262144."},
  };
  for (const char* method : {"radial_edge_detection_by_threshold", "radial_edge_detection_by_contour"}) {
    double perSpoke = 0;
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << method << " " << c.asked);
      MethodRun run(method);
      run.ctx.setFrame(u"Input frame", f);
      run.ctx.setRingRegions(u"Ring", {{160, 120, 0, 1000, 0, 0}});
      run.ctx.setNumbers(u"Number of scan lines", {c.asked});
      talvix::RunResult r;
      const double seconds = test_cost::CpuSecondsOf([&] { r = run(); });
      // No more time than the spokes laid take: an absurd count lays no more.
      if (perSpoke > 0) {
        EXPECT_LT(seconds, 10 * perSpoke * c.spokes + 2.0);
      } else {
        perSpoke = seconds / c.spokes;
      }
      ASSERT_TRUE(r.ok) << Utf8(r.error);
      const std::vector<bool> flags = run.ctx.flags(u"Indication of finding a point at scanline");
      EXPECT_EQ(flags, std::vector<bool>(static_cast<size_t>(c.spokes), true));
      const auto points = run.ctx.points(u"Detected points");
      ASSERT_EQ(points.size(), static_cast<size_t>(c.spokes));
      for (size_t k = 0; k < points.size(); k += 97) EXPECT_NEAR(std::hypot(points[k].x - 160, points[k].y - 120), 60, 2);
      const auto warnings = run.ctx.warnings();
      if (c.warning) {
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(Utf8(warnings[0]), c.warning);
      } else {
        EXPECT_TRUE(warnings.empty());
      }
    }
  }
}

}  // namespace
