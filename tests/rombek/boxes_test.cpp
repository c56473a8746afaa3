// Bounding boxes of thresholded pixels, against oracles computed here.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "module_run.h"

namespace {

using module_test::CallsOf;
using module_test::MethodRun;
using talvix::FrameBuffer;
using talvix::ToUtf8;

constexpr double kPi = 3.14159265358979323846;

// A grey frame of `background` with a bar of `value`: length x width, centred
// at (cx, cy), turned by `degrees` (memory coordinates).
FrameBuffer Bar(int w, int h, double cx, double cy, double length, double width, double degrees, uint8_t value = 20,
                uint8_t background = 200) {
  FrameBuffer f = FrameBuffer::make(w, h, 8, background);
  const double a = degrees * kPi / 180, c = std::cos(a), s = std::sin(a);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double dx = x - cx, dy = y - cy;
      if (std::fabs(dx * c + dy * s) <= length / 2 && std::fabs(-dx * s + dy * c) <= width / 2) *f.pixel(x, y) = value;
    }
  }
  return f;
}

struct Pixels {
  std::vector<std::pair<int, int>> at;
};
Pixels Selected(const FrameBuffer& f, uint8_t below) {
  Pixels p;
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x)
      if (*f.pixel(x, y) < below) p.at.push_back({x, y});
  return p;
}

TRectangle RunBox(const std::string& id, const FrameBuffer& f, talvix::RunResult* res = nullptr,
                  std::vector<double> level = {}, bool negative = false) {
  MethodRun run("rombek", id);
  run.ctx.setFrame(u"Input frame", f);
  if (!level.empty()) run.ctx.setNumbers(u"Threshold level", level);
  run.ctx.setFlags(u"Negative", {negative});
  run.ctx.setFlags(u"Show results", {false});
  const auto r = run();
  if (res) *res = r;
  const auto boxes = run.ctx.rectangles(u"Bounding box");
  return r.ok && !boxes.empty() ? boxes[0] : TRectangle{};
}

TEST(AxesAlignedBox, SizeIsMaxMinusMin) {
  struct Case {
    const char* name;
    FrameBuffer f;
  };
  const Case cases[] = {
      {"block", Bar(80, 60, 30.5, 20.5, 21, 11, 0)},
      {"turned_bar", Bar(120, 100, 60, 50, 60, 8, 30)},
      {"single_pixel", Bar(40, 40, 10, 7, 0.5, 0.5, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Pixels p = Selected(c.f, 127);
    int x0 = 1 << 30, x1 = -1, y0 = 1 << 30, y1 = -1;
    for (auto [x, y] : p.at) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    talvix::RunResult r;
    const TRectangle b = RunBox("axes_aligned_bounding_rectangle", c.f, &r);
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    EXPECT_EQ(b.width, x1 - x0);
    EXPECT_EQ(b.height, y1 - y0);
    EXPECT_EQ(b.cx, x0 + (x1 - x0) / 2.0);
    EXPECT_EQ(b.cy, y0 + (y1 - y0) / 2.0);
    EXPECT_EQ(b.angle, 0);
  }
}

// Every selected pixel lies in the box (to rounding).
void ExpectInside(const TRectangle& b, const Pixels& p) {
  const double a = b.angle * kPi / 180, c = std::cos(a), s = std::sin(a);
  for (auto [x, y] : p.at) {
    const double dx = x - b.cx, dy = y - b.cy;
    ASSERT_LE(std::fabs(dx * c + dy * s), b.width / 2 + 2e-3) << x << "," << y;
    ASSERT_LE(std::fabs(-dx * s + dy * c), b.height / 2 + 2e-3) << x << "," << y;
  }
}

TEST(OrientedBox, BarsAtAngles) {
  for (double deg : {0.0, 17.0, 30.0, 45.0, 90.0, -20.0}) {
    SCOPED_TRACE(deg);
    const FrameBuffer f = Bar(200, 160, 97.3, 81.6, 120, 14, deg);
    talvix::RunResult r;
    const TRectangle b = RunBox("covariance_oriented_bounding_rectangle", f, &r);
    ASSERT_TRUE(r.ok) << ToUtf8(r.error);
    EXPECT_NEAR(b.angle, deg, 0.5);
    EXPECT_GT(b.width, b.height);  // the longer side first
    EXPECT_NEAR(b.width, 120, 2.5);
    EXPECT_NEAR(b.height, 14, 2.5);
    EXPECT_NEAR(b.cx, 97.3, 1);
    EXPECT_NEAR(b.cy, 81.6, 1);
    ExpectInside(b, Selected(f, 127));
  }
}

TEST(OrientedBox, OnePixelGivesABoxOfSizeZero) {
  talvix::RunResult r;
  const TRectangle b = RunBox("covariance_oriented_bounding_rectangle", Bar(40, 40, 10, 7, 0.5, 0.5, 0), &r);
  ASSERT_TRUE(r.ok) << ToUtf8(r.error);
  EXPECT_EQ(b.width, 0);
  EXPECT_EQ(b.height, 0);
  EXPECT_NEAR(b.cx, 10, 1e-4);
  EXPECT_NEAR(b.cy, 7, 1e-4);
}

// Only the pixels of a turned region count: a second bar outside it is left out.
TEST(OrientedBox, TurnedRegion) {
  FrameBuffer f = Bar(240, 200, 90, 90, 100, 10, 30);
  const FrameBuffer other = Bar(240, 200, 200, 30, 30, 30, 0);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 240; ++x) *f.pixel(x, y) = std::min(*f.pixel(x, y), *other.pixel(x, y));
  for (const std::string id : {"covariance_oriented_bounding_rectangle", "axes_aligned_bounding_rectangle"}) {
    SCOPED_TRACE(id);
    MethodRun run("rombek", id);
    run.ctx.setFrame(u"Input frame", f);
    run.ctx.setRegions(u"Region", {{90, 90, 130, 40, 30}});
    ASSERT_TRUE(run().ok);
    const TRectangle b = run.ctx.rectangles(u"Bounding box").at(0);
    if (id[0] == 'c') {
      EXPECT_NEAR(b.angle, 30, 0.5);
      EXPECT_NEAR(b.width, 100, 2.5);
    } else {
      EXPECT_LT(b.cx + b.width / 2, 150);  // the other bar starts at 185
    }
  }
}

TEST(OrientedBox, NegativeSelectsTheBrightPixels) {
  const FrameBuffer f = Bar(160, 120, 80, 60, 90, 12, -20, 230, 40);
  talvix::RunResult r;
  const TRectangle b = RunBox("covariance_oriented_bounding_rectangle", f, &r, {}, true);
  ASSERT_TRUE(r.ok) << ToUtf8(r.error);
  EXPECT_NEAR(b.angle, -20, 0.5);
  EXPECT_NEAR(b.width, 90, 2.5);
}

TEST(Threshold, EdgesAndCorrections) {
  // 126 counts below the threshold trunc(0.5 x 255) = 127, 127 does not.
  const FrameBuffer f = Bar(60, 50, 20, 20, 11, 7, 0, 126, 127);
  talvix::RunResult r;
  const TRectangle b = RunBox("axes_aligned_bounding_rectangle", f, &r, {0.5});
  ASSERT_TRUE(r.ok) << ToUtf8(r.error);
  EXPECT_EQ(b.width, 10);
  EXPECT_EQ(b.height, 6);

  MethodRun high("rombek", "axes_aligned_bounding_rectangle");
  high.ctx.setFrame(u"Input frame", Bar(60, 50, 20, 20, 11, 7, 0, 254, 255));
  high.ctx.setNumbers(u"Threshold level", {1.5});
  ASSERT_TRUE(high().ok);
  EXPECT_EQ(high.ctx.rectangles(u"Bounding box").at(0).width, 10);
  ASSERT_EQ(high.ctx.warnings().size(), 1u);
  EXPECT_EQ(high.ctx.warnings()[0],
            u"Not acceptable value of the parameter Threshold level (1.500000). It will be used new value 1.000000.");

  MethodRun low("rombek", "covariance_oriented_bounding_rectangle");
  low.ctx.setFrame(u"Input frame", f);
  low.ctx.setNumbers(u"Threshold level", {-0.2});
  const auto lr = low();
  EXPECT_FALSE(lr.ok);
  EXPECT_EQ(lr.error, u"Pixels undefined");
  ASSERT_EQ(low.ctx.warnings().size(), 1u);
  EXPECT_EQ(low.ctx.warnings()[0],
            u"Not acceptable value of the parameter Threshold level (-0.200000). It will be used new value 0.000000.");
}

TEST(Boxes, NoFrame) {
  MethodRun run("rombek", "axes_aligned_bounding_rectangle");
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"Cannot get source frame");
}

TEST(Boxes, DrawingRecord) {
  MethodRun run("rombek", "covariance_oriented_bounding_rectangle");
  run.ctx.setFrame(u"Input frame", Bar(100, 80, 50, 40, 40, 10, 0));
  ASSERT_TRUE(run().ok);
  std::vector<std::string> kinds;
  for (const auto& c : run.ctx.drawList()) kinds.push_back(c.fn);
  EXPECT_EQ(kinds, (std::vector<std::string>{"DrawPolygon4", "DrawDimension", "DrawDimension", "DrawArrow",
                                             "DrawRectangle"}));
  const auto dims = CallsOf(run.ctx.drawList(), "DrawDimension");
  EXPECT_EQ(dims[0].text, u"40.00");
  EXPECT_EQ(dims[1].text, u"10.00");
  const std::vector<double> region = CallsOf(run.ctx.drawList(), "DrawRectangle")[0].args;
  EXPECT_EQ(std::vector<double>(region.begin(), region.begin() + 5), (std::vector<double>{50, 40, 100, 80, 0}));
}

// The object is reset between runs: a second, smaller bar gives its own box.
TEST(Boxes, RunsAgainFromScratch) {
  for (const std::string id : {"covariance_oriented_bounding_rectangle", "axes_aligned_bounding_rectangle"}) {
    MethodRun run("rombek", id);
    run.ctx.setFrame(u"Input frame", Bar(100, 80, 50, 40, 60, 10, 0));
    ASSERT_TRUE(run().ok);
    run.ctx.setFrame(u"Input frame", Bar(100, 80, 30, 40, 20, 4, 0));
    run.ctx.setRegions(u"Region", {{40, 40, 60, 60, 0}});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.rectangles(u"Bounding box").at(0).width, 20) << id;
  }
}

}  // namespace

namespace {

// A region far past the frame needs no more room than the frame: the box is
// that of the whole frame's pixels. A NaN region is refused by the scan.
TEST(Boxes, RegionsFarPastTheFrame) {
  const FrameBuffer f = Bar(120, 90, 60, 45, 60, 8, 20);
  struct Case {
    TRectangularRegion region;
    bool sameAsFrame;
  };
  const Case cases[] = {
      {{60, 45, 1e12, 1e12, 0}, true},
      {{60, 45, 3e9, 3e9, 45}, true},
      {{60, 45, 1e300, 1e300, 0}, true},
      {{60, 45, std::nan(""), 90, 0}, false},
  };
  for (const std::string id : {"covariance_oriented_bounding_rectangle", "axes_aligned_bounding_rectangle"}) {
    const TRectangle whole = RunBox(id, f);
    for (const Case& c : cases) {
      SCOPED_TRACE(id + " " + std::to_string(c.region.width));
      MethodRun run("rombek", id);
      run.ctx.setFrame(u"Input frame", f);
      run.ctx.setRegions(u"Region", {c.region});
      run.ctx.setFlags(u"Show results", {false});
      const talvix::RunResult r = run();
      if (c.sameAsFrame) {
        ASSERT_TRUE(r.ok) << ToUtf8(r.error);
        const TRectangle b = run.ctx.rectangles(u"Bounding box").at(0);
        EXPECT_EQ(b.cx, whole.cx);
        EXPECT_EQ(b.cy, whole.cy);
        EXPECT_EQ(b.width, whole.width);
        EXPECT_EQ(b.height, whole.height);
        EXPECT_EQ(b.angle, whole.angle);
      } else {
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
      }
    }
  }
}

}  // namespace
