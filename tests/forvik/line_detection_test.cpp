// Line detection by contour and by threshold on drawn frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "forvik_run.h"

namespace {

using forvik_test::Calls;
using forvik_test::Grey;
using forvik_test::MethodRun;
using talvix::FrameBuffer;

struct Found {
  talvix::RunResult result;
  std::vector<TLine> lines;
  std::vector<double> count;
};

Found Collect(MethodRun& run) {
  Found out;
  out.result = run();
  out.lines = run.ctx.lines(u"Result lines");
  out.count = run.ctx.numbers(u"Number of results");
  return out;
}

// A light rectangle (w x h, centre c, turned by `deg`) on a dark ground,
// 4x4 supersampled; its corners in order round the rectangle.
struct Rect {
  double cx, cy, w, h, deg;
  std::array<TPoint, 4> corners() const {
    const double c = std::cos(deg * std::numbers::pi / 180), s = std::sin(deg * std::numbers::pi / 180);
    std::array<TPoint, 4> out;
    const double us[] = {-w / 2, w / 2, w / 2, -w / 2}, vs[] = {-h / 2, -h / 2, h / 2, h / 2};
    for (int k = 0; k < 4; ++k) out[k] = {cx + us[k] * c - vs[k] * s, cy + us[k] * s + vs[k] * c};
    return out;
  }
  // Soft edges, as a blurred picture has: the grey ramps over `ramp` px
  // across the edge.
  FrameBuffer drawSoft(int fw, int fd, double ramp) const {
    const double c = std::cos(deg * std::numbers::pi / 180), s = std::sin(deg * std::numbers::pi / 180);
    return Grey(fw, fd, [&](int x, int y) {
      const double u = std::abs((x - cx) * c + (y - cy) * s) - w / 2,
                   v = std::abs(-(x - cx) * s + (y - cy) * c) - h / 2;
      const double outside = u > 0 || v > 0 ? std::hypot(std::max(u, 0.0), std::max(v, 0.0)) : std::max(u, v);
      return 40 + 170 * std::clamp(0.5 - outside / ramp, 0.0, 1.0);
    });
  }
  FrameBuffer draw(int fw, int fd) const {
    const double c = std::cos(deg * std::numbers::pi / 180), s = std::sin(deg * std::numbers::pi / 180);
    return Grey(fw, fd, [&](int x, int y) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
          const double px = x + (sx + 0.5) / 4 - 0.5 - cx, py = y + (sy + 0.5) / 4 - 0.5 - cy;
          const double u = px * c + py * s, v = -px * s + py * c;
          hits += std::abs(u) <= w / 2 && std::abs(v) <= h / 2 ? 1 : 0;
        }
      return (210 * hits + 40 * (16 - hits)) / 16;
    });
  }
};

double DistanceToLine(TPoint p, TPoint a, TPoint b) {
  return std::abs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
}

// How many found lines run along each side of the rectangle.
std::array<int, 4> SidesHit(const Rect& r, const std::vector<TLine>& lines) {
  const auto c = r.corners();
  std::array<int, 4> hits{};
  for (const TLine& l : lines) {
    for (int k = 0; k < 4; ++k) {
      const TPoint a = c[k], b = c[(k + 1) % 4];
      // Border pixels lie up to a pixel inside the drawn edge, and an end
      // may run one point (two pixels) round a corner.
      if (DistanceToLine({l.x0, l.y0}, a, b) < 3 && DistanceToLine({l.x1, l.y1}, a, b) < 3 &&
          std::hypot(l.x1 - l.x0, l.y1 - l.y0) > 0.7 * std::hypot(b.x - a.x, b.y - a.y))
        ++hits[k];
    }
  }
  return hits;
}

TEST(LineByContour, RectanglesGiveFourSegmentsOnTheirSides) {
  const Rect rects[] = {{100.3, 80.6, 120, 70, 0}, {100.3, 80.6, 110, 70, 30}, {100.3, 80.6, 90, 60, -50}};
  for (const Rect& r : rects) {
    SCOPED_TRACE(testing::Message() << "turned " << r.deg);
    MethodRun run("line_detection_by_contour");
    run.ctx.setFrame(u"Input frame", r.draw(200, 160));
    const Found found = Collect(run);
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    ASSERT_EQ(found.lines.size(), 4u);
    EXPECT_EQ(found.count, std::vector<double>{4});
    EXPECT_EQ(SidesHit(r, found.lines), (std::array<int, 4>{1, 1, 1, 1}));
    EXPECT_EQ(Calls(run.ctx, "DrawLine").size(), 4u);
    const auto ends = Calls(run.ctx, "DrawCircle");
    ASSERT_EQ(ends.size(), 8u);
    for (const auto& e : ends) EXPECT_EQ(e.args[2], 2);
  }
}

// The outline's point list starts where the first scan line meets the
// rectangle's left side: moving the rectangle down a pixel at a time puts
// that start from 0 to 12 points (every second pixel) from a corner.
TEST(LineByContour, RectangleGivesFourSidesWhereverItsOutlineStarts) {
  for (const int lines : {4, 8, 13}) {
    for (int shift = 0; shift <= 24; ++shift) {
      SCOPED_TRACE(testing::Message() << lines << " scan lines, moved down " << shift);
      const Rect r{100.3, 60.5 + shift, 110, 60, 0};
      MethodRun run("line_detection_by_contour");
      run.ctx.setFrame(u"Input frame", r.draw(200, 160));
      run.ctx.setNumbers(u"Number Of Horizontal Scanlines", {double(lines)});
      run.ctx.setNumbers(u"Number Of Vertical Scanlines", {double(lines)});
      const Found found = Collect(run);
      ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
      EXPECT_EQ(found.lines.size(), 4u);
      EXPECT_EQ(SidesHit(r, found.lines), (std::array<int, 4>{1, 1, 1, 1}));
    }
  }
}

// Whether a found line runs along the side a-b: both ends within `px` of the
// side's line and its direction within `deg` of the side's.
bool Along(const TLine& l, TPoint a, TPoint b, double px, double deg) {
  const double turn =
      std::remainder(std::atan2(l.y1 - l.y0, l.x1 - l.x0) - std::atan2(b.y - a.y, b.x - a.x), std::numbers::pi);
  return DistanceToLine({l.x0, l.y0}, a, b) <= px && DistanceToLine({l.x1, l.y1}, a, b) <= px &&
         std::abs(turn) * 180 / std::numbers::pi <= deg;
}

// A bar 8 to 14 px wide: the ends of its long sides lie within a few pixels
// of each other across the bar, and the sides have the same slope, but they
// are two lines, not one across the bar or a stub where its outline starts.
TEST(LineByContour, ThinBarGivesItsTwoLongSides) {
  const Rect bars[] = {{160.2, 120.4, 150, 8, 0},   {158.7, 121.1, 170, 8, 48},  {161.3, 119.6, 190, 9, 21},
                       {160.5, 120.5, 160, 9, 57},  {160.4, 120.7, 155, 10, 24}, {160.1, 118.8, 200, 11, 138},
                       {160.6, 120.9, 175, 12, 90}, {159.8, 120.3, 180, 14, 33}};
  for (const Rect& bar : bars) {
    SCOPED_TRACE(testing::Message() << bar.w << " x " << bar.h << " turned " << bar.deg);
    MethodRun run("line_detection_by_contour");
    run.ctx.setFrame(u"Input frame", bar.draw(320, 240));
    run.ctx.setNumbers(u"Number Of Horizontal Scanlines", {15});
    run.ctx.setNumbers(u"Number Of Vertical Scanlines", {20});
    const Found found = Collect(run);
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    const auto c = bar.corners();
    for (const int k : {0, 2}) {
      SCOPED_TRACE(testing::Message() << "long side " << k);
      const auto hits = std::count_if(found.lines.begin(), found.lines.end(), [&](const TLine& l) {
        return Along(l, c[k], c[k + 1], 1, 1) && std::hypot(l.x1 - l.x0, l.y1 - l.y0) > 0.7 * bar.w;
      });
      EXPECT_EQ(hits, 1);
    }
    // Only the short ends may add lines, and those are short.
    for (const TLine& l : found.lines) {
      if (Along(l, c[0], c[1], 1, 1) || Along(l, c[2], c[3], 1, 1)) continue;
      EXPECT_LT(std::hypot(l.x1 - l.x0, l.y1 - l.y0), bar.h + 4)
          << l.x0 << ", " << l.y0 << " - " << l.x1 << ", " << l.y1;
    }
  }
}

// The ends of each reported line lie on the edge it follows, not at border
// pixels up to a pixel inside it or a point round a corner.
TEST(LineDetection, EndsLieOnTheEdgeTheyFollow) {
  const Rect rects[] = {{100.3, 80.6, 120, 70, 0}, {100.3, 80.6, 110, 70, 30}, {100.3, 80.6, 90, 60, -50},
                        {98.8, 81.2, 100, 64, 12}, {101.6, 79.4, 104, 70, 71}, {99.4, 80.0, 120, 50, 45},
                        {99.4, 80.8, 110, 59, 66}};
  for (const char* method : {"line_detection_by_contour", "line_detection_by_threshold"}) {
    for (const Rect& r : rects) {
      for (const double ramp : {0.0, 3.0}) {
        SCOPED_TRACE(testing::Message() << method << ", turned " << r.deg << ", edge ramp " << ramp);
        MethodRun run(method);
        run.ctx.setFrame(u"Input frame", ramp > 0 ? r.drawSoft(200, 160, ramp) : r.draw(200, 160));
        const Found found = Collect(run);
        ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
        const auto c = r.corners();
        for (const TLine& l : found.lines) {
          bool along = false;
          for (int k = 0; k < 4; ++k) along = along || Along(l, c[k], c[(k + 1) % 4], 1, 1);
          EXPECT_TRUE(along) << l.x0 << ", " << l.y0 << " - " << l.x1 << ", " << l.y1;
        }
      }
    }
  }
}

TEST(LineByContour, BlankFrameAndCorrectedQuality) {
  MethodRun run("line_detection_by_contour");
  run.ctx.setFrame(u"Input frame", FrameBuffer::make(120, 100, 8, 90));
  run.ctx.setNumbers(u"Line quality", {1.5});
  const Found found = Collect(run);
  EXPECT_FALSE(found.result.ok);
  EXPECT_EQ(found.result.error, u"There are no detected line segments");
  EXPECT_TRUE(found.count.empty());
  EXPECT_EQ(run.ctx.warnings(),
            std::vector<std::u16string>{
                u"Not acceptable value of the parameter Line quality (1.500000). It will be used new value 0.820000."});
}

// Dark left of the edge x = 100 + (y - 120) tan(deg), light right of it (or
// the other way round).
FrameBuffer Edge(double deg, bool darkLeft) {
  const double t = std::tan(deg * std::numbers::pi / 180);
  return Grey(200, 240, [=](int x, int y) {
    const bool left = x < 100 + (y - 120) * t;
    return left == darkLeft ? 40 : 210;
  });
}

TEST(LineByThreshold, EdgesAtKnownAngles) {
  for (const double deg : {0.0, 10.0, -25.0}) {
    for (const bool darkLeft : {true, false}) {
      SCOPED_TRACE(testing::Message() << deg << " degrees, " << (darkLeft ? "dark" : "light") << " left");
      MethodRun run("line_detection_by_threshold");
      run.ctx.setFrame(u"Input frame", Edge(deg, darkLeft));
      const Found found = Collect(run);
      ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
      ASSERT_EQ(found.lines.size(), 1u);
      const TLine& l = found.lines[0];
      EXPECT_NEAR((l.x1 - l.x0) / (l.y1 - l.y0), std::tan(deg * std::numbers::pi / 180), 0.02);
      // 60 lines 4 px apart from row 2: the chain spans the frame.
      EXPECT_LT(std::min(l.y0, l.y1), 4);
      EXPECT_GT(std::max(l.y0, l.y1), 235);
      for (const TPoint p : {TPoint{l.x0, l.y0}, TPoint{l.x1, l.y1}})
        EXPECT_NEAR(p.x, 100 + (p.y - 120) * std::tan(deg * std::numbers::pi / 180), 1.0);
    }
  }
}

TEST(LineByThreshold, FailuresAndCorrectedQuality) {
  // A light band only 16 rows high: 4 scan lines meet it.
  const FrameBuffer band = Grey(200, 240, [](int x, int y) { return y >= 100 && y < 116 && x > 80 ? 210 : 40; });
  struct Case {
    const char* name;
    FrameBuffer frame;
  } cases[] = {{"edge met by 4 scan lines", band},
               {"blank", FrameBuffer::make(200, 240, 8, 40)},
               {"frame 3 rows high", FrameBuffer::make(200, 3, 8, 40)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MethodRun run("line_detection_by_threshold");
    run.ctx.setFrame(u"Input frame", c.frame);
    const Found found = Collect(run);
    EXPECT_FALSE(found.result.ok);
    EXPECT_EQ(found.result.error, u"There are no detected line segments");
    EXPECT_TRUE(found.count.empty());
  }
  MethodRun run("line_detection_by_threshold");
  run.ctx.setFrame(u"Input frame", Edge(10, true));
  run.ctx.setNumbers(u"Line quality", {-0.5});
  EXPECT_TRUE(Collect(run).result.ok);
  EXPECT_EQ(run.ctx.warnings(),
            std::vector<std::u16string>{
                u"Not acceptable value of the parameter Line quality (-0.500000). It will be used new value 0.500000."});
}

TEST(LineByThreshold, DrawingLevels) {
  for (const int level : {1, 2}) {
    SCOPED_TRACE(testing::Message() << "level " << level);
    talvix::Inspection inspection;
    inspection.setDrawingLevel(level);
    inspection.setDrawColor(4, TColor{1, 2, 3, 255});
    MethodRun run("line_detection_by_threshold", &inspection);
    run.ctx.setFrame(u"Input frame", Edge(10, true));
    run.ctx.setNumbers(u"Number of horizontal scanlines", {30});
    const Found found = Collect(run);
    ASSERT_TRUE(found.result.ok) << talvix::ToUtf8(found.result.error);
    ASSERT_EQ(found.lines.size(), 1u);
    const auto circles = Calls(run.ctx, "DrawCircle");
    ASSERT_EQ(circles.size(), level == 2 ? 30u + 2 : 2u);
    const size_t foundPixels = level == 2 ? 30 : 0;
    for (size_t k = 0; k < foundPixels; ++k) EXPECT_EQ(circles[k].color.R, 1);
    // The drawn segment lies on the fitted line: its ends differ from the
    // found pixels by less than a pixel across the edge.
    const auto lines = Calls(run.ctx, "DrawLine");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].args[1], found.lines[0].y0);
    EXPECT_NEAR(lines[0].args[0], found.lines[0].x0, 1.0);
  }
}

}  // namespace
