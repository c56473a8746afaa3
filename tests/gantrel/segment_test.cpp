// Segments between borders on drawn stripes, and the colour profile along a
// line with its drawn curves.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::DrawCount;
using gantrel_test::MethodRun;
using gantrel_test::Utf8;

// Bright ground (200) with dark columns (30) at the given [from, to) spans.
talvix::FrameBuffer Stripes(const std::vector<std::pair<int, int>>& dark, int width = 100, int depth = 40) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, depth, 8, 200);
  for (int y = 0; y < depth; ++y)
    for (const auto& [from, to] : dark)
      for (int x = from; x < to; ++x) *f.pixel(x, y) = 30;
  return f;
}

const std::vector<std::pair<int, int>> kBars = {{10, 14}, {40, 44}, {70, 74}};

TEST(Segment, SegmentsAcrossStripes) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> dark;
    bool negative;
    double minSegment, minBorder;
    std::vector<std::pair<int, int>> expected;  // x of each segment's ends
  } cases[] = {
      {"free runs between dark bars; the run after the last bar stays open", kBars, false, 1, 1, {{14, 39}, {44, 69}}},
      {"Negative: the bars are the segments", kBars, true, 1, 1, {{10, 13}, {40, 43}, {70, 73}}},
      {"bars shorter than the minimum segment", kBars, true, 5, 1, {}},
      {"minimum border 1: a lone dark column cannot start the first border but later splits a segment",
       {{5, 6}, {10, 14}, {25, 26}, {40, 44}, {70, 74}}, false, 1, 1, {{14, 24}, {26, 39}, {44, 69}}},
      {"minimum border 2: the lone column inside a segment is no border",
       {{5, 6}, {10, 14}, {25, 26}, {40, 44}, {70, 74}}, false, 1, 2, {{14, 39}, {44, 69}}},
      {"a border shorter than the minimum does not close the segment", kBars, false, 1, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MethodRun run("get_segment_borders");
    run.ctx.setFrame(u"Input frame", Stripes(c.dark));
    run.ctx.setNumbers(u"Number of horizontal scan lines", {4});
    run.ctx.setNumbers(u"Minimum length of segment", {c.minSegment});
    run.ctx.setNumbers(u"Minimum lenght of border", {c.minBorder});
    run.ctx.setFlags(u"Negative", {c.negative});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    EXPECT_EQ(run.ctx.numbers(u"Number of segments"), std::vector<double>{double(c.expected.size())});
    const auto segments = run.ctx.lines(u"Segments");
    const auto lengths = run.ctx.numbers(u"Segment lengths");
    ASSERT_EQ(segments.size(), c.expected.size());
    ASSERT_EQ(lengths.size(), c.expected.size());
    for (size_t k = 0; k < segments.size(); ++k) {
      EXPECT_EQ(segments[k].x0, c.expected[k].first);
      EXPECT_EQ(segments[k].x1, c.expected[k].second);
      EXPECT_EQ(segments[k].y0, segments[k].y1);
      EXPECT_NEAR(segments[k].y0, 20, 1) << "mean of the four lines";
      EXPECT_DOUBLE_EQ(lengths[k], c.expected[k].second - c.expected[k].first);
    }
    EXPECT_TRUE(run.ctx.warnings().empty());
  }
}

TEST(Segment, LineCountsAndFailures) {
  {
    SCOPED_TRACE("lines with differing counts");
    talvix::FrameBuffer f = Stripes(kBars);
    for (int y = 20; y < 40; ++y)
      for (int x = 55; x < 60; ++x) *f.pixel(x, y) = 30;
    MethodRun run("get_segment_borders");
    run.ctx.setFrame(u"Input frame", std::move(f));
    run.ctx.setNumbers(u"Number of horizontal scan lines", {4});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "error: Input frame does not have suitable characteristics");
  }
  {
    SCOPED_TRACE("50 lines in a region 10 pixels high");
    MethodRun run("get_segment_borders");
    run.ctx.setFrame(u"Input frame", Stripes(kBars));
    run.ctx.setRegions(u"Region", {{50, 20, 100, 10, 0}});
    run.ctx.setNumbers(u"Number of horizontal scan lines", {50});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    ASSERT_EQ(run.ctx.warnings().size(), 1u);
    EXPECT_EQ(Utf8(run.ctx.warnings()[0]),
              "Not acceptable value of the parameter Number of horizontal scan lines (50). It will be used new value 10.");
    EXPECT_EQ(DrawCount(run.ctx, "DrawLine"), 10 + 2) << "ten scan lines, two segments";
  }
  {
    SCOPED_TRACE("no lines asked: one, warned");
    MethodRun run("get_segment_borders");
    run.ctx.setFrame(u"Input frame", Stripes(kBars));
    run.ctx.setNumbers(u"Number of horizontal scan lines", {0});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.warnings().size(), 1u);
    EXPECT_EQ(run.ctx.lines(u"Segments").size(), 2u);
  }
  {
    SCOPED_TRACE("a region outside the frame");
    MethodRun run("get_segment_borders");
    run.ctx.setFrame(u"Input frame", Stripes(kBars));
    run.ctx.setRegions(u"Region", {{500, 500, 40, 20, 0}});
    run.ctx.setNumbers(u"Number of horizontal scan lines", {5});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Number of segments"), std::vector<double>{-1});
    EXPECT_TRUE(run.ctx.lines(u"Segments").empty());
    EXPECT_TRUE(run.ctx.numbers(u"Segment lengths").empty());
  }
  {
    SCOPED_TRACE("a second run with fewer lines on the same object");
    MethodRun run("get_segment_borders");
    run.ctx.setFrame(u"Input frame", Stripes(kBars));
    run.ctx.setNumbers(u"Number of horizontal scan lines", {20});
    ASSERT_TRUE(run().ok);
    run.ctx.setNumbers(u"Number of horizontal scan lines", {2});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.lines(u"Segments").size(), 2u);
  }
  MethodRun noFrame("get_segment_borders");
  EXPECT_EQ(Utf8(noFrame().error), "error: Cannot get input frame");
}

// A frame whose pixel at column x is colour(x), on every row.
talvix::FrameBuffer Gradient(int bpp, int width = 52) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, 6, bpp);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = f.pixel(x, y);
      if (bpp == 8) {
        p[0] = static_cast<uint8_t>(5 * x);
      } else {
        p[0] = 128;                               // B
        p[1] = static_cast<uint8_t>(255 - 5 * x);  // G
        p[2] = static_cast<uint8_t>(5 * x);        // R
        p[3] = 255;
      }
    }
  return f;
}

TEST(LineProfile, ProfilesOfGradients) {
  for (int bpp : {8, 32}) {
    SCOPED_TRACE(bpp);
    MethodRun run("line_profile");
    run.ctx.setFrame(u"Input frame", Gradient(bpp));
    run.ctx.setLines(u"Line", {{0, 2, 51, 2}});
    run.ctx.setFlags(u"Show results", {false});
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << Utf8(r.error);
    EXPECT_EQ(run.ctx.numbers(u"Number of points"), std::vector<double>{52});
    const auto red = run.ctx.numbers(u"Red profile");
    const auto green = run.ctx.numbers(u"Green profile");
    const auto blue = run.ctx.numbers(u"Blue profile");
    ASSERT_EQ(red.size(), 52u);
    ASSERT_EQ(green.size(), 52u);
    ASSERT_EQ(blue.size(), 52u);
    for (int i = 0; i < 52; ++i) {
      EXPECT_NEAR(red[i], 5 * i / 255.0, 1e-6);
      EXPECT_NEAR(green[i], bpp == 8 ? 5 * i / 255.0 : (255 - 5 * i) / 255.0, 1e-6);
      EXPECT_NEAR(blue[i], bpp == 8 ? 5 * i / 255.0 : 128 / 255.0, 1e-6);
    }
    EXPECT_TRUE(run.ctx.drawList().empty());
  }
}

TEST(LineProfile, DrawnCurvesTurnWithTheRegion) {
  for (double angle : {0.0, 90.0, 30.0}) {
    SCOPED_TRACE(angle);
    MethodRun run("line_profile");
    run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(60, 20, 8, 51));  // every entry 0.2
    run.ctx.setLines(u"Line", {{0, 5, 50, 5}});
    run.ctx.setRegions(u"Drawing region", {{100, 100, 100, 40, angle}});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(DrawCount(run.ctx, "DrawArrow"), 1);
    EXPECT_EQ(DrawCount(run.ctx, "DrawRectangle"), 1);
    int curves[3] = {};
    const double rad = angle * M_PI / 180.0;
    for (const talvix::DrawCall& c : run.ctx.drawList()) {
      if (c.fn != "DrawLine") continue;
      const int channel = c.color.R == 1 ? 0 : c.color.G == 0.8 ? 1 : 2;
      ++curves[channel];
      EXPECT_EQ(c.color.A, 0.65);
      // A flat profile: every piece is one step along the region's own x axis.
      const double dx = c.args[2] - c.args[0], dy = c.args[3] - c.args[1];
      EXPECT_NEAR(dx, 2 * std::cos(rad), 1e-4);
      EXPECT_NEAR(dy, 2 * std::sin(rad), 1e-4);
    }
    for (int n : curves) EXPECT_EQ(n, 50) << "51 samples, 50 pieces per curve";
  }
}

TEST(LineProfile, EdgesAndFailures) {
  {
    SCOPED_TRACE("one sample: no curve");
    MethodRun run("line_profile");
    run.ctx.setFrame(u"Input frame", Gradient(8));
    run.ctx.setLines(u"Line", {{3, 3, 3, 3}});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Red profile").size(), 1u);
    EXPECT_EQ(DrawCount(run.ctx, "DrawLine"), 0);
  }
  {
    SCOPED_TRACE("24-bit frame: false with the depth's text, nothing written");
    MethodRun run("line_profile");
    run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(20, 20, 24));
    run.ctx.setLines(u"Line", {{0, 3, 10, 3}});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "error: Input frame must have 8 or 32 bits per pixel");
    EXPECT_TRUE(run.ctx.numbers(u"Red profile").empty());
    EXPECT_TRUE(run.ctx.drawList().empty());
  }
  {
    SCOPED_TRACE("no line");
    MethodRun run("line_profile");
    run.ctx.setFrame(u"Input frame", Gradient(8));
    EXPECT_EQ(Utf8(run().error), "error: Cannot get input line");
  }
}

}  // namespace
