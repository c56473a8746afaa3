// get_pixel, put_pixel, put_region, line_pixel_count and region_pixel_count
// through the module's exported interface.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ilvant_run.h"
#include "talvix/host.hpp"

using ilvant_test::Grey;
using ilvant_test::MethodRun;
using talvix::FrameBuffer;

namespace {

TEST(GetPixel, ReadsEachDepthAsFractions) {
  MethodRun run("get_pixel");
  FrameBuffer f = FrameBuffer::make(3, 2, 32);
  uint8_t* p = f.pixel(2, 1);
  p[0] = 51, p[1] = 102, p[2] = 255, p[3] = 0;
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setPoints(u"Input point", {{2.9, 1.2}, {-0.5, 0}});
  auto r = run();
  ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  auto colors = run.ctx.colors(u"Output color");
  ASSERT_EQ(colors.size(), 2u);
  EXPECT_FLOAT_EQ(colors[0].R, 1.0f);
  EXPECT_FLOAT_EQ(colors[0].G, 0.4f);
  EXPECT_FLOAT_EQ(colors[0].B, 0.2f);
  EXPECT_FLOAT_EQ(colors[0].A, 0.0f);
  // x = -0.5 truncates to column 0: a default opaque black pixel.
  EXPECT_FLOAT_EQ(colors[1].A, 1.0f);

  MethodRun grey("get_pixel");
  grey.ctx.setFrame(u"Input frame", Grey(5, 5, [](int, int) { return 51; }));
  grey.ctx.setPoints(u"Input point", {{4, 4}});
  ASSERT_TRUE(grey().ok);
  auto c = grey.ctx.colors(u"Output color");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_NEAR(c[0].R, 0.2, 1e-6);
  EXPECT_NEAR(c[0].G, 0.2, 1e-6);
  EXPECT_NEAR(c[0].B, 0.2, 1e-6);
  EXPECT_EQ(c[0].A, 1.0);
}

TEST(GetPixel, PointOutsideTheFrameFails) {
  for (TPoint p : {TPoint{5, 0}, TPoint{0, 5}, TPoint{-1, 0}, TPoint{1e300, 0}}) {
    MethodRun run("get_pixel");
    run.ctx.setFrame(u"Input frame", Grey(5, 5, [](int, int) { return 0; }));
    run.ctx.setPoints(u"Input point", {p});
    auto r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, u"error: Cannot get input point");
  }
  MethodRun empty("get_pixel");
  empty.ctx.setFrame(u"Input frame", Grey(5, 5, [](int, int) { return 0; }));
  empty.ctx.setEmpty(u"Input point");
  ASSERT_TRUE(empty().ok);
  EXPECT_EQ(empty.ctx.maxIndex(u"Output color"), -1);
}

TEST(PutPixel, PaintsEachPointAndKeepsTheRest) {
  MethodRun run("put_pixel");
  FrameBuffer in = FrameBuffer::make(4, 3, 32, 7);
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setPoints(u"Input point", {{0, 0}, {3.7, 2.2}});
  run.ctx.setColors(u"Input color", {{1, 0, 0, 1}, {0, 0.5, 1, 0.2}});
  ASSERT_TRUE(run().ok);
  const FrameBuffer* out = run.ctx.frame(u"Output frame");
  ASSERT_NE(out, nullptr);
  const uint8_t* a = out->pixel(0, 0);
  EXPECT_EQ((std::vector<int>{a[0], a[1], a[2], a[3]}), (std::vector<int>{0, 0, 255, 255}));
  const uint8_t* b = out->pixel(3, 2);
  EXPECT_EQ((std::vector<int>{b[0], b[1], b[2], b[3]}), (std::vector<int>{255, 127, 0, 51}));
  EXPECT_EQ(out->pixel(1, 1)[0], 7);
}

TEST(PutPixel, GreyFrameGetsTheMeanOfTheColour) {
  MethodRun run("put_pixel");
  run.ctx.setFrame(u"Input frame", Grey(3, 3, [](int, int) { return 9; }));
  run.ctx.setPoints(u"Input point", {{1, 1}});
  run.ctx.setColors(u"Input color", {{1, 1, 0, 1}});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.frame(u"Output frame")->pixel(1, 1)[0], 170);
}

// Components outside 0..1 (and NaN) are held to 0..1 instead of wrapping the byte.
TEST(PutPixel, ComponentsOutsideTheUnitRangeAreClamped) {
  const TColor wild{1.5, -0.5, std::nan(""), 2.0};
  MethodRun colour("put_pixel");
  colour.ctx.setFrame(u"Input frame", FrameBuffer::make(2, 2, 32, 7));
  colour.ctx.setPoints(u"Input point", {{1, 1}});
  colour.ctx.setColors(u"Input color", {wild});
  ASSERT_TRUE(colour().ok);
  const uint8_t* p = colour.ctx.frame(u"Output frame")->pixel(1, 1);
  EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{0, 0, 255, 255}));

  MethodRun grey("put_pixel");
  grey.ctx.setFrame(u"Input frame", Grey(2, 2, [](int, int) { return 9; }));
  grey.ctx.setPoints(u"Input point", {{1, 1}});
  grey.ctx.setColors(u"Input color", {wild});
  ASSERT_TRUE(grey().ok);
  EXPECT_EQ(grey.ctx.frame(u"Output frame")->pixel(1, 1)[0], 85);  // (1 + 0 + 0) x 255 / 3
}

TEST(PutPixel, UnequalArraysFailAndLeaveACopy) {
  MethodRun run("put_pixel");
  FrameBuffer in = Grey(5, 4, [](int x, int y) { return x * 10 + y; });
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setPoints(u"Input point", {{0, 0}, {1, 1}, {2, 2}});
  run.ctx.setColors(u"Input color", {{1, 1, 1, 1}, {1, 1, 1, 1}});
  auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: There must be the same number of defined colors and indexes");
  EXPECT_EQ(run.ctx.frame(u"Output frame")->bytes(), in.bytes());
}

TEST(PutRegion, FillsExactlyTheRegionsPixels) {
  MethodRun run("put_region");
  run.ctx.setFrame(u"Input frame", Grey(10, 8, [](int, int) { return 0; }));
  // Columns 2..5, rows 1..3.
  run.ctx.setRegions(u"Input region", {{4, 2.5, 4, 3, 0}});
  run.ctx.setColors(u"Input color", {{1, 1, 1, 1}});
  ASSERT_TRUE(run().ok);
  const FrameBuffer* out = run.ctx.frame(u"Output frame");
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x <= 5 && y >= 1 && y <= 3;
      EXPECT_EQ(out->pixel(x, y)[0], inside ? 255 : 0) << x << "," << y;
    }
}

// Each depth gets the colour's bytes (B, G, R, A; B, G, R; the grey) at the
// painted pixels, a 24-bit frame included; every other pixel stays a copy.
TEST(PutPixelAndRegion, PaintEveryDepth) {
  const TColor colour{1.0, 0.5, 0.2, 0.4};
  const std::vector<int> bytes32 = {51, 127, 255, 102};  // trunc(B, G, R, A x 255)
  const int grey = static_cast<int>((1.0 + 0.5 + 0.2) * 255.0 / 3.0);
  for (const char* id : {"put_pixel", "put_region"}) {
    for (int bpp : {8, 24, 32}) {
      SCOPED_TRACE(std::string(id) + " " + std::to_string(bpp));
      MethodRun run(id);
      const FrameBuffer in = FrameBuffer::make(7, 5, bpp, 9);
      run.ctx.setFrame(u"Input frame", in);
      if (std::string(id) == "put_pixel") {
        run.ctx.setPoints(u"Input point", {{3.5, 2.9}});
      } else {
        run.ctx.setRegions(u"Input region", {{3.5, 2.5, 1, 1, 0}});  // the one pixel (3, 2)
      }
      run.ctx.setColors(u"Input color", {colour});
      const auto r = run();
      ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
      const FrameBuffer& out = *run.ctx.frame(u"Output frame");
      for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
          for (int c = 0; c < bpp / 8; ++c) {
            const int want = x == 3 && y == 2 ? (bpp == 8 ? grey : bytes32[c]) : in.pixel(x, y)[c];
            ASSERT_EQ(out.pixel(x, y)[c], want) << x << "," << y << " ch " << c;
          }
        }
      }
    }
  }
}

TEST(LinePixelCount, CountsLightAndDarkWithRatios) {
  MethodRun run("line_pixel_count");
  // Row 2: columns 0..3 dark (126), 4..9 light (127) at threshold 0.5 -> 127.
  run.ctx.setFrame(u"Input frame", Grey(10, 5, [](int x, int) { return x < 4 ? 126 : 127; }));
  // The third line lies outside the frame: nothing counted, ratios 0.
  run.ctx.setLines(u"Input line", {{0, 2, 9, 2}, {0, 0, 0, 4}, {-9, -9, -2, -2}});
  run.ctx.setNumbers(u"Threshold", {0.5});
  run.ctx.setFlags(u"Show results", {false});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.numbers(u"Number of light pixels"), (std::vector<double>{6, 0, 0}));
  EXPECT_EQ(run.ctx.numbers(u"Number of dark pixels"), (std::vector<double>{4, 5, 0}));
  EXPECT_EQ(run.ctx.numbers(u"Ratio of light pixels"), (std::vector<double>{0.6, 0, 0}));
  EXPECT_EQ(run.ctx.numbers(u"Ratio of dark pixels"), (std::vector<double>{0.4, 1, 0}));
  EXPECT_TRUE(run.ctx.overlay().empty());
  EXPECT_TRUE(run.ctx.warnings().empty());
}

TEST(LinePixelCount, ThresholdCorrectionsWarnAndOverlayIsPainted) {
  MethodRun run("line_pixel_count");
  run.ctx.setFrame(u"Input frame", Grey(4, 2, [](int x, int) { return x * 80; }));
  run.ctx.setLines(u"Input line", {{0, 1, 3, 1}});
  run.ctx.setNumbers(u"Threshold", {1.5, 0.1});
  ASSERT_TRUE(run().ok);
  ASSERT_EQ(run.ctx.warnings().size(), 2u);
  EXPECT_EQ(run.ctx.warnings()[0],
            u"Only the first element of the array would be evaluated in the input data object Threshold");
  EXPECT_EQ(run.ctx.warnings()[1],
            u"Not acceptable value of the parameter Threshold (1.500000). It will be used new value 1.000000.");
  // Threshold 255: every pixel is dark and painted in the dark colour.
  EXPECT_EQ(run.ctx.numbers(u"Number of dark pixels"), (std::vector<double>{4}));
  const FrameBuffer& overlay = run.ctx.overlay();
  ASSERT_FALSE(overlay.empty());
  const TColor dark = run.ctx.inspection().drawColor(8);
  EXPECT_EQ(overlay.pixel(2, 1)[0], static_cast<int>(dark.B * 255));
  EXPECT_EQ(overlay.pixel(2, 1)[3], static_cast<int>(dark.A * 255));
  EXPECT_EQ(overlay.pixel(2, 0)[3], 0);  // not on the line
}

// The correction looks at t = trunc(v x 255): a value just outside 0..1 whose
// t is still 0 or 255 is taken without a warning.
TEST(LinePixelCount, ThresholdIsCorrectedOnlyWhenTruncatedLevelIsOutOfRange) {
  const std::u16string prefix = u"Not acceptable value of the parameter Threshold (";
  struct Case {
    double v;
    double light;            // of the pixels 0, 1, 254, 255
    std::u16string warning;  // empty: none
  };
  const Case cases[] = {
      {-0.003, 4, u""},                                                          // -0.765 -> 0
      {-0.004, 4, prefix + u"-0.004000). It will be used new value 0.000000."},  // -1.02 -> -1
      {1.003, 1, u""},                                                           // 255.765 -> 255
      {1.004, 1, prefix + u"1.004000). It will be used new value 1.000000."},    // 256.02 -> 256
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "v " << c.v);
    MethodRun run("line_pixel_count");
    run.ctx.setFrame(u"Input frame", Grey(4, 1, [](int x, int) { return x < 2 ? x : 252 + x; }));
    run.ctx.setLines(u"Input line", {{0, 0, 3, 0}});
    run.ctx.setNumbers(u"Threshold", {c.v});
    run.ctx.setFlags(u"Show results", {false});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Number of light pixels"), (std::vector<double>{c.light}));
    if (c.warning.empty()) {
      EXPECT_TRUE(run.ctx.warnings().empty());
    } else {
      ASSERT_EQ(run.ctx.warnings().size(), 1u);
      EXPECT_EQ(run.ctx.warnings()[0], c.warning);
    }
  }
}

TEST(LinePixelCount, TransparentDrawColourIsNotPainted) {
  MethodRun run("line_pixel_count");
  run.ctx.inspection().setDrawColor(7, {1, 1, 1, 0});
  run.ctx.setFrame(u"Input frame", Grey(4, 2, [](int, int) { return 200; }));
  run.ctx.setLines(u"Input line", {{0, 0, 3, 0}});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.numbers(u"Number of light pixels"), (std::vector<double>{4}));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(run.ctx.overlay().pixel(x, 0)[3], 0);
}

TEST(LinePixelCount, MissingLineInputFails) {
  MethodRun run("line_pixel_count");
  run.ctx.setFrame(u"Input frame", Grey(4, 2, [](int, int) { return 200; }));
  run.ctx.setUnnamed(u"Input line");
  auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input lineInput line");
}

TEST(RegionPixelCount, PairsRegionsWithThresholds) {
  // Column x holds 20 x; regions are single columns 1, 5 and 9.
  const auto frame = Grey(12, 3, [](int x, int) { return 20 * x; });
  const std::vector<TRectangularRegion> regions = {{1, 1, 1, 3, 0}, {5, 1, 1, 3, 0}, {9, 1, 1, 3, 0}};
  struct Case {
    std::vector<double> thresholds;
    std::vector<double> light;
    size_t warnings;
  };
  const Case cases[] = {
      {{0.39}, {0, 3, 3}, 0},       // one threshold (99) serves all three
      {{0.05, 0.5}, {3, 0, 3}, 1},  // third region falls back to 127
      {{0.05, 0.5, 0.8}, {3, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    MethodRun run("region_pixel_count");
    run.ctx.setFrame(u"Input frame", frame);
    run.ctx.setRegions(u"Input region", regions);
    run.ctx.setNumbers(u"Threshold", c.thresholds);
    run.ctx.setFlags(u"Show results", {false});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Number of light pixels"), c.light) << c.thresholds.size();
    EXPECT_EQ(run.ctx.warnings().size(), c.warnings);
    if (c.warnings) {
      EXPECT_EQ(run.ctx.warnings()[0],
                u"Two input arrays (Input region and Threshold) have different number of elements.");
    }
  }
}

TEST(RegionPixelCount, UnnamedRegionCountsTheWholeFrame) {
  MethodRun run("region_pixel_count");
  run.ctx.setFrame(u"Input frame", Grey(7, 3, [](int x, int) { return x < 2 ? 0 : 255; }));
  run.ctx.setUnnamed(u"Input region");
  run.ctx.setFlags(u"Show results", {false});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.ctx.numbers(u"Number of light pixels"), (std::vector<double>{15}));
  EXPECT_EQ(run.ctx.numbers(u"Number of dark pixels"), (std::vector<double>{6}));
}

}  // namespace
