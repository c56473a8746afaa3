// crop: bounds rounded by + 0.5 and cut to the frame, the copied pixels, and
// the failure texts.
#include <gtest/gtest.h>

#include <cstring>

#include "ilvant_geometry.h"

using ilvant_geometry::ArrayWarning;
using ilvant_geometry::ExpectThreadsAgree;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

constexpr std::u16string_view kZero = u"error: Cannot process frame with zero dimension";

struct Bounds {
  TRectangularRegion region;
  int x0, y0, x1, y1;
};

// A 20 x 10 frame. hw = trunc(width) / 2, x0 = trunc(cx - hw + 0.5),
// x1 = trunc(cx + hw + 0.5), both cut to the frame.
const Bounds kBounds[] = {
    {{10, 5, 4, 2, 0}, 8, 4, 12, 6},       {{10.6, 5.2, 4.9, 2.99, 0}, 9, 4, 13, 6},  // sizes truncated before halving
    {{10, 5, 5, 3, 0}, 8, 4, 13, 7},                                       // odd sizes: half-pixel bounds round up
    {{9.4, 4.4, 5, 3, 0}, 7, 3, 12, 6},    {{1, 1, 6, 6, 0}, 0, 0, 4, 4},  // cut at the low edges
    {{18.5, 8.5, 6, 6, 0}, 16, 6, 20, 10},                                 // cut at the high edges
    {{10, 5, 100, 100, 0}, 0, 0, 20, 10},                                  // larger than the frame
    {{10, 5, 4, 2, 33}, 8, 4, 12, 6},                                      // the angle is not used
    {{10, 5, 1e300, 4, 0}, 0, 3, 20, 7},  // a huge width saturates instead of overflowing
};

TEST(Crop, BoundsAndPixels) {
  for (int bpp : {8, 24, 32}) {
    const FrameBuffer in = Pattern(20, 10, bpp, 9);
    for (const Bounds& b : kBounds) {
      MethodRun run("crop");
      run.ctx.setFrame(u"Input frame", in);
      run.ctx.setRegions(u"Region", {b.region});
      const talvix::RunResult r = run();
      ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
      const FrameBuffer& out = run.out();
      ASSERT_EQ(out.bpp(), bpp);
      ASSERT_EQ(out.width(), b.x1 - b.x0) << "region cx " << b.region.cx;
      ASSERT_EQ(out.depth(), b.y1 - b.y0) << "region cy " << b.region.cy;
      for (int y = 0; y < out.depth(); ++y) {
        ASSERT_EQ(0, std::memcmp(out.row(y), in.pixel(b.x0, b.y0 + y), out.width() * bpp / 8)) << "row " << y;
      }
      EXPECT_TRUE(run.ctx.warnings().empty());
    }
  }
}

TEST(Crop, EmptyBoxesFail) {
  const TRectangularRegion regions[] = {
      {10, 5, 0.9, 4, 0},   // width truncates to 0
      {10, 5, 4, 0.5, 0},   // height truncates to 0
      {40, 5, 4, 4, 0},     // right of the frame
      {-5, 5, 4, 4, 0},     // left of the frame
      {10, 5, -4, 4, 0},    // negative width: x1 below x0
      {1e300, 5, 4, 4, 0},  // far outside, without overflow
  };
  for (const TRectangularRegion& region : regions) {
    MethodRun run("crop");
    run.ctx.setFrame(u"Input frame", Pattern(20, 10, 8, 1));
    run.ctx.setRegions(u"Region", {region});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok) << region.cx << " " << region.width;
    EXPECT_EQ(r.error, kZero);
  }
}

TEST(Crop, MissingRegionFails) {
  MethodRun run("crop");
  run.ctx.setFrame(u"Input frame", Pattern(20, 10, 8, 1));
  const talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input parameterInput region");
  EXPECT_EQ(run.ctx.frame(u"Output frame"), nullptr);
}

TEST(Crop, MissingInputFails) {
  MethodRun run("crop");
  run.ctx.setRegions(u"Region", {{10, 5, 4, 2, 0}});
  const talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input frame Input frame");
}

TEST(Crop, ArrayRegionWarnsAndUsesTheFirst) {
  MethodRun run("crop");
  run.ctx.setFrame(u"Input frame", Pattern(20, 10, 8, 1));
  run.ctx.setRegions(u"Region", {{10, 5, 4, 2, 0}, {10, 5, 8, 8, 0}});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.out().width(), 4);
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_EQ(run.ctx.warnings()[0], ArrayWarning(u"Region"));
}

TEST(Crop, OneAndEightThreadsAgree) {
  const FrameBuffer in = Pattern(401, 303, 24, 2);
  ExpectThreadsAgree("crop", [&](talvix::RunContext& c) {
    c.setFrame(u"Input frame", in);
    c.setRegions(u"Region", {{200, 150, 301, 201, 0}});
  });
}

}  // namespace
