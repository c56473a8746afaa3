// Colour statistics, mask comparison, the weighted centroid and the spot
// fill on drawn frames.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <vector>

#include "gantrel_run.h"

namespace {

using gantrel_test::DrawCount;
using gantrel_test::MethodRun;
using gantrel_test::Utf8;

talvix::FrameBuffer Colour(int w, int d, uint8_t b, uint8_t g, uint8_t r, uint8_t alpha) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, 32);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = f.pixel(x, y);
      p[0] = b, p[1] = g, p[2] = r, p[3] = alpha;
    }
  return f;
}

void ExpectColor(const TColor& c, double r, double g, double b, double a) {
  EXPECT_NEAR(c.R, r, 1e-12);
  EXPECT_NEAR(c.G, g, 1e-12);
  EXPECT_NEAR(c.B, b, 1e-12);
  EXPECT_NEAR(c.A, a, 1e-12);
}

TEST(ColorStatistics, KnownColours) {
  // Left half opaque (R 200, G 100, B 50), right half a transparent other colour.
  talvix::FrameBuffer f = Colour(20, 10, 50, 100, 200, 128);
  for (int y = 0; y < 10; ++y)
    for (int x = 10; x < 20; ++x) {
      uint8_t* p = f.pixel(x, y);
      p[0] = p[1] = p[2] = 255, p[3] = 127;
    }
  MethodRun run("get_color_statistics");
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setRegions(u"Region", {{10, 5, 20, 10, 0}, {2, 2, 3, 3, 0}});
  ASSERT_TRUE(run().ok);
  for (const auto& name : {u"Minimal values of color channels", u"Maximal values of color channels",
                           u"Average values of color channels"}) {
    const auto c = run.ctx.colors(name);
    ASSERT_EQ(c.size(), 2u);
    for (const TColor& e : c) ExpectColor(e, 200 / 255.0, 100 / 255.0, 50 / 255.0, 128 / 255.0);
  }

  // 8 bits: R = G = B, A = 1.
  talvix::FrameBuffer g = talvix::FrameBuffer::make(4, 1, 8);
  const uint8_t values[] = {10, 20, 30, 100};
  for (int x = 0; x < 4; ++x) *g.pixel(x, 0) = values[x];
  MethodRun grey("get_color_statistics");
  grey.ctx.setFrame(u"Input frame", g);
  ASSERT_TRUE(grey().ok);
  ExpectColor(grey.ctx.colors(u"Minimal values of color channels")[0], 10 / 255.0, 10 / 255.0, 10 / 255.0, 1);
  ExpectColor(grey.ctx.colors(u"Maximal values of color channels")[0], 100 / 255.0, 100 / 255.0, 100 / 255.0, 1);
  ExpectColor(grey.ctx.colors(u"Average values of color channels")[0], 40 / 255.0, 40 / 255.0, 40 / 255.0, 1);
}

TEST(ColorStatistics, EmptyOutsideAndUnreadable) {
  MethodRun empty("get_color_statistics");
  empty.ctx.setFrame(u"Input frame", Colour(8, 8, 1, 2, 3, 255));
  empty.ctx.setEmpty(u"Region");
  ASSERT_TRUE(empty().ok);
  EXPECT_TRUE(empty.ctx.colors(u"Average values of color channels").empty());

  const std::string noPixels =
      "error: No pixels were analyzed. Region is defined out of frame or all the pixels inside have alpha channel "
      "less than 127";
  MethodRun outside("get_color_statistics");
  outside.ctx.setFrame(u"Input frame", Colour(8, 8, 1, 2, 3, 255));
  outside.ctx.setRegions(u"Region", {{4, 4, 2, 2, 0}, {100, 100, 5, 5, 0}});
  const talvix::RunResult r = outside();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Utf8(r.error), noPixels);
  ExpectColor(outside.ctx.colors(u"Minimal values of color channels")[0], 3 / 255.0, 2 / 255.0, 1 / 255.0, 1);

  // 24 bits: read as opaque colour pixels, region by region.
  talvix::FrameBuffer wide = talvix::FrameBuffer::make(8, 8, 24);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = wide.pixel(x, y);
      p[0] = static_cast<uint8_t>(10 * x), p[1] = 100, p[2] = static_cast<uint8_t>(200 + y);
    }
  MethodRun deep("get_color_statistics");
  deep.ctx.setFrame(u"Input frame", wide);
  deep.ctx.setRegions(u"Region", {{4, 4, 8, 8, 0}, {1, 1, 2, 2, 0}});
  ASSERT_TRUE(deep().ok);
  const auto lo = deep.ctx.colors(u"Minimal values of color channels");
  const auto hi = deep.ctx.colors(u"Maximal values of color channels");
  const auto mean = deep.ctx.colors(u"Average values of color channels");
  ASSERT_EQ(mean.size(), 2u);
  ExpectColor(lo[0], 200 / 255.0, 100 / 255.0, 0, 1);
  ExpectColor(hi[0], 207 / 255.0, 100 / 255.0, 70 / 255.0, 1);
  ExpectColor(mean[0], 203.5 / 255.0, 100 / 255.0, 35 / 255.0, 1);
  ExpectColor(mean[1], 200.5 / 255.0, 100 / 255.0, 5 / 255.0, 1);
  MethodRun wideOutside("get_color_statistics");
  wideOutside.ctx.setFrame(u"Input frame", wide);
  wideOutside.ctx.setRegions(u"Region", {{100, 100, 5, 5, 0}});
  EXPECT_EQ(Utf8(wideOutside().error), noPixels);
}

// The expected counts and output of a mask comparison, pixel by pixel.
struct MaskReference {
  long excess = 0, missing = 0;
  std::vector<uint8_t> out;  // B, G, R, A per pixel
};

MaskReference CompareReference(const talvix::FrameBuffer& in, const talvix::FrameBuffer& mask, int level,
                               bool negative) {
  const int w = in.width(), d = in.depth();
  const auto object = [&](int x, int y) {
    const uint8_t* p = in.pixel(x, y);
    const bool dark = in.bpp() == 8 ? p[0] < level : p[0] + p[1] + p[2] < 3 * level;
    return dark != negative;
  };
  MaskReference ref;
  ref.out.assign(static_cast<size_t>(w) * d * 4, 0);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) {
      int n = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (x + dx >= 0 && y + dy >= 0 && x + dx < w && y + dy < d) n += object(x + dx, y + dy);
      const bool isObject = object(x, y) && n >= 4;
      const uint8_t g = mask.pixel(x, y)[1], r = mask.pixel(x, y)[2];
      uint8_t* o = &ref.out[(static_cast<size_t>(y) * w + x) * 4];
      o[3] = 255;
      if (r >= 128 && g <= 126 && isObject) {
        ++ref.excess;
        o[2] = 255;
      } else if (r <= 126 && g >= 128 && !isObject) {
        ++ref.missing;
        o[1] = 255;
      }
    }
  return ref;
}

TEST(MaskCompare, AgainstAReference) {
  // The taller frame is split into blocks of rows (the rows across a block
  // border see each other) and over threads.
  for (const auto& [w, d] : {std::pair{37, 23}, std::pair{211, 171}}) {
    for (int bpp : {8, 32}) {
      for (bool negative : {false, true}) {
        SCOPED_TRACE(testing::Message() << w << "x" << d << ", " << bpp << " bits, negative " << negative);
        talvix::FrameBuffer in = talvix::FrameBuffer::make(w, d, bpp, 200);
        talvix::FrameBuffer mask = talvix::FrameBuffer::make(w, d, 32, 0);
        for (int y = 0; y < d; ++y)
          for (int x = 0; x < w; ++x) {
            // A block and a lone pixel; on the taller frame scattered pixels too.
            const bool dark = (x > 5 && x < 20 && y > 3 && y < 15) || (x == 30 && y == 10) ||
                              (d > 100 && y > 20 && (x * x + 3 * y * y + x * y) % 7 < 3);
            for (int c = 0; c < bpp / 8 && c < 3; ++c) in.pixel(x, y)[c] = dark ? 40 : 200;
            const uint8_t levels[] = {0, 126, 127, 128, 255};
            uint8_t* m = mask.pixel(x, y);
            m[1] = levels[(x * 7 + y) % 5];
            m[2] = levels[(x + y * 3) % 5];
          }
        MethodRun run("mask_compare");
        run.ctx.setFrame(u"Input frame", in);
        run.ctx.setFrame(u"Input mask", mask);
        run.ctx.setNumbers(u"Threshold", {0.5});
        run.ctx.setFlags(u"Negative", {negative});
        ASSERT_TRUE(run().ok);
        const MaskReference ref = CompareReference(in, mask, 127, negative);
        EXPECT_EQ(run.ctx.numbers(u"Number of excess pixels"), std::vector<double>{double(ref.excess)});
        EXPECT_EQ(run.ctx.numbers(u"Number of missing pixels"), std::vector<double>{double(ref.missing)});
        const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
        ASSERT_NE(out, nullptr);
        for (int y = 0; y < d; ++y)
          for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
              ASSERT_EQ(out->pixel(x, y)[c], ref.out[(static_cast<size_t>(y) * w + x) * 4 + c]) << x << "," << y;
        EXPECT_GT(ref.excess + ref.missing, 0);
      }
    }
  }
}

TEST(MaskCompare, ThresholdWarningsAndFailures) {
  struct Case {
    double threshold;
    size_t warnings;
  } cases[] = {{1, 0}, {1.01, 1}, {-0.1, 1}, {0.5, 0}};
  for (const Case& c : cases) {
    MethodRun run("mask_compare");
    run.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(5, 5, 8, 100));
    run.ctx.setFrame(u"Input mask", talvix::FrameBuffer::make(5, 5, 32, 0));
    run.ctx.setNumbers(u"Threshold", {c.threshold});
    EXPECT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.warnings().size(), c.warnings) << c.threshold;
  }
  MethodRun size("mask_compare");
  size.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(5, 5, 8));
  size.ctx.setFrame(u"Input mask", talvix::FrameBuffer::make(5, 6, 32));
  EXPECT_EQ(Utf8(size().error), "error: Input image and mask image must be of the same size");
  EXPECT_TRUE(size.ctx.outputFrameNames().empty());
  MethodRun depth("mask_compare");
  depth.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(5, 5, 8));
  depth.ctx.setFrame(u"Input mask", talvix::FrameBuffer::make(5, 5, 8));
  EXPECT_EQ(Utf8(depth().error), "error: Mask must have 32-bit color depth (32 bits per pixel)");
  MethodRun noMask("mask_compare");
  noMask.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(5, 5, 8));
  EXPECT_EQ(Utf8(noMask().error), "error: Cannot get input frame");
}

TEST(MaskCompare, ThreadsAgree) {
  talvix::FrameBuffer in = talvix::FrameBuffer::make(300, 200, 8), mask = talvix::FrameBuffer::make(300, 200, 32);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      *in.pixel(x, y) = static_cast<uint8_t>((x * 31 + y * 17) % 251);
      mask.pixel(x, y)[1] = static_cast<uint8_t>(x * 5);
      mask.pixel(x, y)[2] = static_cast<uint8_t>(y * 3);
    }
  std::vector<std::vector<uint8_t>> outputs;
  std::vector<std::vector<double>> counts;
  const int before = omp_get_max_threads();
  for (int threads : {1, 8}) {
    omp_set_num_threads(threads);
    MethodRun run("mask_compare");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setFrame(u"Input mask", mask);
    ASSERT_TRUE(run().ok);
    outputs.push_back(run.ctx.frame(u"Output frame")->bytes());
    outputs.push_back(run.ctx.overlay().bytes());
    counts.push_back({run.ctx.numbers(u"Number of excess pixels")[0], run.ctx.numbers(u"Number of missing pixels")[0]});
  }
  omp_set_num_threads(before);
  EXPECT_EQ(outputs[0], outputs[2]);
  EXPECT_EQ(outputs[1], outputs[3]);
  EXPECT_EQ(counts[0], counts[1]);
}

TEST(Centroid, WeightsAndSides) {
  // Level 127 (0.5): a pixel at 117 weighs 10, one at 126 weighs 1.
  talvix::FrameBuffer f = talvix::FrameBuffer::make(20, 10, 8, 200);
  *f.pixel(2, 3) = 117;
  *f.pixel(13, 8) = 126;
  MethodRun run("centroid");
  run.ctx.setFrame(u"Input frame", f);
  run.ctx.setNumbers(u"Threshold", {0.5});
  ASSERT_TRUE(run().ok);
  const TPoint c = run.ctx.points(u"Centroid")[0];
  EXPECT_DOUBLE_EQ(c.x, (10 * 2 + 13) / 11.0);
  EXPECT_DOUBLE_EQ(c.y, (10 * 3 + 8) / 11.0);
  EXPECT_EQ(DrawCount(run.ctx, "DrawCircle"), 1);

  // Every pixel at the level: nothing counted, or counted with weight 0.
  for (bool negative : {false, true}) {
    MethodRun flat("centroid");
    flat.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(6, 6, 8, 127));
    flat.ctx.setNumbers(u"Threshold", {0.5});
    flat.ctx.setFlags(u"Negative", {negative});
    const talvix::RunResult r = flat();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Utf8(r.error), "Object not found");
  }
  // Negative counts the bright side, the level itself with weight 0.
  talvix::FrameBuffer g = talvix::FrameBuffer::make(10, 1, 8, 0);
  *g.pixel(1, 0) = 127;
  *g.pixel(4, 0) = 137;
  *g.pixel(8, 0) = 132;
  MethodRun negative("centroid");
  negative.ctx.setFrame(u"Input frame", g);
  negative.ctx.setFlags(u"Negative", {true});
  ASSERT_TRUE(negative().ok);
  EXPECT_DOUBLE_EQ(negative.ctx.points(u"Centroid")[0].x, (10 * 4 + 5 * 8) / 15.0);
}

TEST(FillSpot, SeedsAndSpots) {
  // Two dark spots: a disc and a bar along row 0.
  talvix::FrameBuffer f = talvix::FrameBuffer::make(40, 30, 8, 200);
  int discArea = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      if ((x - 25) * (x - 25) + (y - 15) * (y - 15) <= 36) *f.pixel(x, y) = 20, ++discArea;
  for (int x = 2; x < 12; ++x) *f.pixel(x, 0) = *f.pixel(x, 1) = 20;
  struct Case {
    const char* what;
    std::vector<TPoint> seeds;
    int filled;
  } cases[] = {
      {"inside the disc", {{25, 15}}, discArea},
      {"two seeds in one spot", {{25, 15}, {27, 16}}, discArea},
      {"a seed just above the disc fills it from below", {{25, 8}}, discArea},
      {"a seed outside with no spot below", {{35, 3}}, 0},
      {"the bar on row 0", {{5, 1}}, 20},
      {"both spots", {{5, 0}, {25, 15}}, 20 + discArea},
      {"outside the frame", {{-3, 5}, {40, 5}}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MethodRun run("fill_spot_threshold");
    run.ctx.setFrame(u"Input frame", f);
    run.ctx.setPoints(u"Point", c.seeds);
    run.ctx.setColors(u"Filling color", {{1.0, 0.5, 0.2, 1.0}});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.ctx.numbers(u"Size of object"), std::vector<double>{double(c.filled)});
    const talvix::FrameBuffer* out = run.ctx.frame(u"Output frame");
    ASSERT_NE(out, nullptr);
    int grey = 0, changed = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        grey += *out->pixel(x, y) == (255 + 127 + 51) / 3;
        changed += *out->pixel(x, y) != *f.pixel(x, y);
      }
    EXPECT_EQ(grey, c.filled) << "filled with the mean of the colour";
    EXPECT_EQ(changed, c.filled);
  }
  MethodRun wide("fill_spot_threshold");
  wide.ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(8, 8, 24));
  wide.ctx.setPoints(u"Point", {{1, 1}});
  wide.ctx.setColors(u"Filling color", {{1, 1, 1, 1}});
  const talvix::RunResult r = wide();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(Utf8(r.error).rfind("error: ", 0), 0u);
  MethodRun noColor("fill_spot_threshold");
  noColor.ctx.setFrame(u"Input frame", f);
  EXPECT_EQ(Utf8(noColor().error), "error: Cannot get input color");
}

}  // namespace
