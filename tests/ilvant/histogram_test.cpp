// histogram_equalization through the module's exported interface.
#include <gtest/gtest.h>

#include "ilvant_color_rig.h"

namespace {

using color_rig::Bgra;
using color_rig::Colour;
using color_rig::FrameBuffer;
using color_rig::Grey;
using color_rig::MethodRun;
using color_rig::Px;
using color_rig::Quad;

FrameBuffer Equalize(const FrameBuffer& in) {
  MethodRun run("histogram_equalization");
  run.ctx.setFrame(u"Input frame", in);
  const auto r = run();
  EXPECT_TRUE(r.ok) << talvix::ToUtf8(r.error);
  const FrameBuffer* out = run.ctx.frame(u"Output frame");
  return out ? *out : FrameBuffer();
}

TEST(HistogramEqualization, ConstantFrameBecomesWhite) {
  const FrameBuffer out = Equalize(Grey(7, 5, [](int, int) { return 100; }));
  ASSERT_EQ(out.bpp(), 8);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(out.pixel(x, y)[0], 255);
}

TEST(HistogramEqualization, TwoLevels) {
  // A quarter at 10, the rest at 20: 10 maps to trunc(0.25 x 255), 20 to 255.
  const FrameBuffer out = Equalize(Grey(4, 5, [](int x, int) { return x == 0 ? 10 : 20; }));
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(out.pixel(0, y)[0], 63);
    for (int x = 1; x < 4; ++x) EXPECT_EQ(out.pixel(x, y)[0], 255);
  }
}

TEST(HistogramEqualization, RampSpreadsOverTheRange) {
  // Each level once: level v maps to floor((v + 1) x 255 / 256).
  const FrameBuffer out = Equalize(Grey(16, 16, [](int x, int y) { return 16 * y + x; }));
  for (int v = 0; v < 256; ++v) EXPECT_EQ(out.pixel(v % 16, v / 16)[0], (v + 1) * 255 / 256) << v;
}

TEST(HistogramEqualization, ColourFrameEqualisesLightness) {
  // Half dark red (lightness level 64), half blue (level 128): dark red goes to
  // lightness 0.5, i.e. pure red; blue goes to lightness 1, white. Alpha is kept.
  const FrameBuffer out = Equalize(Colour(4, 3, 32, [](int x, int y) {
    return x < 2 ? Bgra{0, 0, 128, uint8_t(y)} : Bgra{255, 0, 0, uint8_t(100 + y)};
  }));
  ASSERT_EQ(out.bpp(), 32);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const uint8_t* p = out.pixel(x, y);
      if (x < 2) {
        EXPECT_EQ(Px(p), (Quad{0, 0, 255, y}));
      } else {
        EXPECT_EQ(Px(p), (Quad{255, 255, 255, 100 + y}));
      }
    }
  }
  // Grey pixels as 32-bit follow the grey mapping.
  const FrameBuffer grey = Equalize(Colour(2, 2, 32, [](int x, int) {
    const uint8_t v = x ? 200 : 50;
    return Bgra{v, v, v, 255};
  }));
  EXPECT_EQ(grey.pixel(0, 1)[0], 127);
  EXPECT_EQ(grey.pixel(1, 1)[2], 255);
}

TEST(HistogramEqualization, CountsPastSinglePrecision) {
  // More than 2^24 pixels of one level in one thread: every pixel must count,
  // so that the top level still reaches 1 and maps to 255.
  const int side = 4100;
  FrameBuffer in = FrameBuffer::make(side, side, 8, 10);
  for (int x = 0; x < 1000; ++x) in.pixel(x, 0)[0] = 20;
  const int before = omp_get_max_threads();
  omp_set_num_threads(1);
  const FrameBuffer out = Equalize(in);
  omp_set_num_threads(before);
  ASSERT_FALSE(out.empty());
  EXPECT_EQ(out.pixel(0, 0)[0], 255);
  EXPECT_EQ(out.pixel(side - 1, side - 1)[0], 254);
}

// A 24-bit frame has no equalisation: the run says so instead of answering
// true over an output it never wrote.
TEST(HistogramEqualization, TwentyFourBitIsRefused) {
  MethodRun run("histogram_equalization");
  run.ctx.setFrame(u"Input frame", color_rig::Pattern(5, 3, 24, 12));
  const auto r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Frame format not supported (24 bit/pix)");
}

TEST(HistogramEqualization, MissingInputFrameNamesIt) {
  MethodRun none("histogram_equalization");
  auto r = none();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input frame Input frame");
  // The composite text is cut to the error buffer.
  r = none.ctx.run(none.index, 9);
  EXPECT_EQ(r.error, u"error: Can");
}

TEST(HistogramEqualization, SameBytesWithOneAndEightThreads) {
  for (int bpp : {8, 32}) {
    const FrameBuffer in = color_rig::Pattern(ilvant_test::kSplitWidth, ilvant_test::kSplitDepth, bpp, 13 + bpp);
    ilvant_test::ExpectThreadsAgree("histogram_equalization",
                                    [&](talvix::RunContext& ctx) { ctx.setFrame(u"Input frame", in); });
  }
}

}  // namespace
