// downsample, oversample and resize with the three resampling modes:
// constants, ramps, hand fixtures, the identity shortcuts and the corrected
// parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ilvant_geometry.h"

using ilvant_geometry::ArrayWarning;
using ilvant_geometry::Constant;
using ilvant_geometry::Corrected;
using ilvant_geometry::ExpectThreadsAgree;
using ilvant_test::kCanary;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

constexpr std::u16string_view kZero = u"error: Cannot process frame with zero dimension";
constexpr std::u16string_view kModeWarning = u"Not existing mode defined for the parameter Type of interpolation";
constexpr const char16_t* kDownX = u"X axis - coefficient of decrease";
constexpr const char16_t* kDownY = u"Y axis - coefficient of decrease";
constexpr const char16_t* kOverX = u"X axis - coefficient of increase";
constexpr const char16_t* kOverY = u"Y axis - coefficient of increase";
constexpr const char16_t* kMode = u"Type of interpolation";

// An 8-bit frame whose columns hold `step` x column.
FrameBuffer Ramp(int w, int d, int step) {
  FrameBuffer f = FrameBuffer::make(w, d, 8);
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(step * x);
  return f;
}

// resize to (tw, td); mode < 0 leaves the mode input unset.
struct Resized {
  talvix::RunResult result;
  FrameBuffer out;
  std::vector<std::u16string> warnings;
};

Resized Resize(const FrameBuffer& in, double tw, double td, double mode) {
  MethodRun run("resize");
  run.ctx.fillNewFrames(kCanary);
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setNumbers(u"New width", {tw});
  run.ctx.setNumbers(u"New depth", {td});
  if (!std::isnan(mode)) run.ctx.setNumbers(kMode, {mode});
  Resized r{run(), {}, run.ctx.warnings()};
  if (r.result.ok) r.out = run.out();
  return r;
}

// ---- downsample ----

TEST(Downsample, BlockMeansDropTheRemainder) {
  struct Case {
    int w, d, bpp, kx, ky;
  };
  for (const Case& c : {Case{10, 10, 8, 3, 3}, Case{10, 10, 32, 3, 3}, Case{9, 7, 32, 2, 3}, Case{9, 7, 8, 4, 1}}) {
    const FrameBuffer in = Pattern(c.w, c.d, c.bpp, 4);
    MethodRun run("downsample");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setNumbers(kDownX, {c.kx + 0.9});  // truncated
    run.ctx.setNumbers(kDownY, {static_cast<double>(c.ky)});
    ASSERT_TRUE(run().ok);
    const FrameBuffer& out = run.out();
    ASSERT_EQ(out.width(), c.w / c.kx);
    ASSERT_EQ(out.depth(), c.d / c.ky);
    const int n = c.bpp / 8;
    for (int y = 0; y < out.depth(); ++y) {
      for (int x = 0; x < out.width(); ++x) {
        for (int ch = 0; ch < n; ++ch) {
          int want = 255;
          if (ch < 3) {
            int sum = 0;
            for (int j = 0; j < c.ky; ++j)
              for (int i = 0; i < c.kx; ++i) sum += in.pixel(c.kx * x + i, c.ky * y + j)[ch];
            want = sum / (c.kx * c.ky);
          }
          ASSERT_EQ(out.pixel(x, y)[ch], want) << x << "," << y << " channel " << ch;
        }
      }
    }
  }
}

TEST(Downsample, FactorsBelowOneBecomeOneSilently) {
  for (double k : {1.0, 0.0, -3.0, std::nan("")}) {
    const FrameBuffer in = Pattern(7, 5, 24, 8);
    MethodRun run("downsample");
    run.ctx.setFrame(u"Input frame", in);
    if (!std::isnan(k)) {
      run.ctx.setNumbers(kDownX, {k});
      run.ctx.setNumbers(kDownY, {k});
    }
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.out().bytes(), in.bytes()) << k;  // a whole copy, header included
    EXPECT_TRUE(run.ctx.warnings().empty());
  }
}

TEST(Downsample, FactorBeyondTheFrameFails) {
  for (double k : {11.0, 1e12}) {
    MethodRun run("downsample");
    run.ctx.setFrame(u"Input frame", Pattern(10, 10, 8, 1));
    run.ctx.setNumbers(kDownX, {k});
    const talvix::RunResult r = run();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, kZero);
  }
}

TEST(Downsample, ArrayFactorWarns) {
  MethodRun run("downsample");
  run.ctx.setFrame(u"Input frame", Pattern(10, 10, 8, 1));
  run.ctx.setNumbers(kDownX, {2, 5});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.out().width(), 5);
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_EQ(run.ctx.warnings()[0], ArrayWarning(kDownX));
}

// ---- oversample ----

TEST(Oversample, NearestRepeatsPixels) {
  for (int bpp : {8, 32}) {
    const FrameBuffer in = Pattern(5, 3, bpp, 2);
    MethodRun run("oversample");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setNumbers(kOverX, {2});
    run.ctx.setNumbers(kOverY, {4});
    run.ctx.setNumbers(kMode, {0});
    ASSERT_TRUE(run().ok);
    const FrameBuffer& out = run.out();
    ASSERT_EQ(out.width(), 10);
    ASSERT_EQ(out.depth(), 12);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 10; ++x)
        ASSERT_EQ(0, std::memcmp(out.pixel(x, y), in.pixel(x / 2, y / 4), bpp / 8)) << x << "," << y;
  }
}

TEST(Oversample, CorrectedFactorWarnsWithTheExactText) {
  MethodRun run("oversample");
  run.ctx.setFrame(u"Input frame", Pattern(5, 3, 8, 2));
  run.ctx.setNumbers(kOverX, {0.7});
  run.ctx.setNumbers(kOverY, {-2});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.out().width(), 5);
  ASSERT_EQ(run.ctx.warnings().size(), 2u);
  EXPECT_EQ(run.ctx.warnings()[0], Corrected(kOverX, 0, 1));
  EXPECT_EQ(run.ctx.warnings()[1], Corrected(kOverY, -2, 1));
}

TEST(Oversample, UnitFactorsCopyEveryDepth) {
  for (int bpp : {8, 24, 32}) {
    const FrameBuffer in = Pattern(7, 3, bpp, 6);
    MethodRun run("oversample");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setNumbers(kMode, {2});
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(run.out().bytes(), in.bytes()) << bpp;
  }
}

TEST(Oversample, TargetBeyondTheIntRangeFails) {
  MethodRun run("oversample");
  run.ctx.setFrame(u"Input frame", Pattern(5, 3, 8, 2));
  run.ctx.setNumbers(kOverX, {1e10});
  const talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get output frame");
}

// ---- resize ----

TEST(Resize, SameSizeCopiesByteForByte) {
  for (int bpp : {8, 24, 32}) {
    const FrameBuffer in = Pattern(9, 4, bpp, 3);
    for (double mode : {0.0, 1.0, 2.0}) {
      const Resized r = Resize(in, 9, 4, mode);
      ASSERT_TRUE(r.result.ok);
      EXPECT_EQ(r.out.bytes(), in.bytes()) << bpp << " mode " << mode;
    }
  }
}

TEST(Resize, ConstantsStayConstantUpToTruncation) {
  struct Size {
    int w, d, tw, td;
  };
  for (const Size& s : {Size{9, 7, 20, 15}, Size{20, 15, 9, 7}, Size{13, 11, 17, 5}, Size{1, 1, 3, 2}}) {
    for (int bpp : {8, 32}) {
      for (int v : {0, 137, 255}) {
        for (int mode : {0, 1, 2}) {
          const Resized r = Resize(Constant(s.w, s.d, bpp, static_cast<uint8_t>(v)), s.tw, s.td, mode);
          ASSERT_TRUE(r.result.ok);
          ASSERT_EQ(r.out.width(), s.tw);
          ASSERT_EQ(r.out.depth(), s.td);
          for (int y = 0; y < s.td; ++y) {
            for (int x = 0; x < s.tw; ++x) {
              const uint8_t* p = r.out.pixel(x, y);
              for (int ch = 0; ch < (bpp == 8 ? 1 : 3); ++ch) {
                ASSERT_LE(p[ch], v) << "mode " << mode << " at " << x << "," << y;
                ASSERT_GE(p[ch], mode == 0 ? v : v - 1) << "mode " << mode << " at " << x << "," << y;
              }
              // Nearest copies the pixel, the spline writes 255, the three-weight rule leaves alpha alone.
              if (bpp == 32) {
                ASSERT_EQ(p[3], mode == 1 ? kCanary : 255) << "mode " << mode;
              }
            }
          }
        }
      }
    }
  }
}

TEST(Resize, NearestPicksTruncatedPositions) {
  const Resized r = Resize(Ramp(16, 4, 16), 6, 4, 0);  // sx = 16 / 6
  ASSERT_TRUE(r.result.ok);
  const int want[] = {0, 2, 5, 8, 10, 13};  // trunc(x * 2.6667)
  for (int x = 0; x < 6; ++x) EXPECT_EQ(r.out.pixel(x, 1)[0], 16 * want[x]) << x;
}

TEST(Resize, ThreeWeightRuleOnAHorizontalRamp) {
  // Width 16 -> 32 (sx = 0.5), rows kept. For a ramp along x the rule gives
  // 16 (c + (1 + fx) / 3) with u = x sx - 0.51, c = trunc(u), fx = u - c.
  const Resized r = Resize(Ramp(16, 4, 16), 32, 8, 1);
  ASSERT_TRUE(r.result.ok);
  EXPECT_EQ(r.out.pixel(0, 3)[0], 2);     // u = -0.51: 16 (0 + 0.49 / 3) = 2.61
  EXPECT_EQ(r.out.pixel(10, 3)[0], 71);   // u = 4.49: 16 (4 + 1.49 / 3) = 71.95
  EXPECT_EQ(r.out.pixel(31, 3)[0], 234);  // u = 14.99: 16 (14 + 1.99 / 3) = 234.61
}

TEST(Resize, ThreeWeightRuleClampsExtrapolatedBorders) {
  // At target (0, 0) of a 2 x 2 -> 4 x 4 resize, u = v = -0.51 and pixel (1, 1)
  // weighs -1.28: the value leaves 0..255 and must be clamped, not wrapped.
  FrameBuffer spot = FrameBuffer::make(2, 2, 8, 0);
  spot.pixel(1, 1)[0] = 255;
  FrameBuffer hole = FrameBuffer::make(2, 2, 8, 255);
  hole.pixel(1, 1)[0] = 0;
  EXPECT_EQ(Resize(spot, 4, 4, 1).out.pixel(0, 0)[0], 0);    // -108.8
  EXPECT_EQ(Resize(hole, 4, 4, 1).out.pixel(0, 0)[0], 255);  // 363.8
}

TEST(Resize, SplineSmoothsRatherThanInterpolates) {
  // A line of 240 at column 4; width doubled so odd target columns sit on
  // source columns: the cubic B-spline gives 2/3 on the line, 1/6 beside it.
  FrameBuffer in = FrameBuffer::make(9, 3, 8, 0);
  for (int y = 0; y < 3; ++y) in.pixel(4, y)[0] = 240;
  const Resized r = Resize(in, 18, 3, 2);
  ASSERT_TRUE(r.result.ok);
  for (int y = 0; y < 3; ++y) {
    EXPECT_NEAR(r.out.pixel(9, y)[0], 159.5, 0.5);
    EXPECT_NEAR(r.out.pixel(7, y)[0], 39.5, 0.5);
    EXPECT_NEAR(r.out.pixel(11, y)[0], 39.5, 0.5);
    EXPECT_EQ(r.out.pixel(5, y)[0], 0);
  }
}

TEST(Resize, SplineReproducesRampsInside) {
  const Resized r = Resize(Ramp(16, 4, 16), 40, 4, 2);  // sx = 0.4
  ASSERT_TRUE(r.result.ok);
  for (int x = 0; x < 40; ++x) {
    const float u = static_cast<float>(x) * 0.4f - 0.5f;
    if (std::floor(u) < 1 || std::floor(u) > 16 - 3) continue;  // clamped near the borders
    EXPECT_NEAR(r.out.pixel(x, 2)[0], 16 * u - 0.5, 0.5 + 1e-3) << x;
  }
}

// Reference of one target channel, in single precision: nearest trunc(x sx);
// the three-weight rule at x sx - 0.51 (c = trunc, c1 = c + 1 clamped, value
// held to 0..255); the B-spline sum over the 4 x 4 taps at x sx - 0.5 with
// clamped indices, truncated.
int ReferenceSample(const FrameBuffer& in, int tw, int td, int x, int y, int mode, int ch) {
  const int w = in.width(), d = in.depth();
  const float sx = static_cast<float>(w) / static_cast<float>(tw);
  const float sy = static_cast<float>(d) / static_cast<float>(td);
  const auto at = [&](int r, int c) { return static_cast<float>(in.pixel(c, r)[ch]); };
  if (mode == 0) return in.pixel(static_cast<int>(x * sx), static_cast<int>(y * sy))[ch];
  if (mode == 1) {
    const float u = x * sx - 0.51f, v = y * sy - 0.51f;
    const int c = static_cast<int>(u), r = static_cast<int>(v);
    const int c1 = std::min(c + 1, w - 1), r1 = std::min(r + 1, d - 1);
    const float fx = u - c, fy = v - r, gx = 1 - fx, gy = 1 - fy;
    const float value = (at(r1, c) * (gx * fy + fx * fy + gx * gy) + at(r, c) * (gx * fy + fx * gy + gx * gy) +
                         at(r, c1) * (fx + gx * gy) + at(r1, c1) * (fx + gx * fy)) /
                        (3 * (fx + gx * fy + gx * gy));
    return std::clamp(static_cast<int>(value), 0, 255);
  }
  const auto cube = [](float t) { return t > 0 ? t * t * t : 0.f; };
  const auto spline = [&](float t) { return (cube(t + 2) - 4 * cube(t + 1) + 6 * cube(t) - 4 * cube(t - 1)) / 6; };
  const float u = x * sx - 0.5f, v = y * sy - 0.5f;
  const int c = static_cast<int>(std::floor(u)), r = static_cast<int>(std::floor(v));
  float sum = 0;
  for (int n = -1; n <= 2; ++n)
    for (int m = -1; m <= 2; ++m)
      sum += at(std::clamp(r + n, 0, d - 1), std::clamp(c + m, 0, w - 1)) * spline(m - (u - c)) * spline((v - r) - n);
  return std::clamp(static_cast<int>(sum), 0, 255);
}

// Unequal scales on both axes, up and down: every target pixel against the
// reference (the spline within 1, its sum order being free).
TEST(Resize, EveryModeMatchesTheReferenceOnBothAxes) {
  struct Size {
    int w, d, tw, td;
  };
  for (const Size& s : {Size{9, 7, 20, 15}, Size{20, 15, 9, 7}, Size{13, 11, 17, 5}, Size{31, 17, 64, 40}}) {
    for (int bpp : {8, 32}) {
      const FrameBuffer in = Pattern(s.w, s.d, bpp, 7);
      for (int mode : {0, 1, 2}) {
        const Resized r = Resize(in, s.tw, s.td, mode);
        ASSERT_TRUE(r.result.ok);
        for (int y = 0; y < s.td; ++y) {
          for (int x = 0; x < s.tw; ++x) {
            for (int ch = 0; ch < (bpp == 8 ? 1 : 3); ++ch) {
              const int want = ReferenceSample(in, s.tw, s.td, x, y, mode, ch);
              ASSERT_NEAR(r.out.pixel(x, y)[ch], want, mode == 2 ? 1 : 0)
                  << s.w << "x" << s.d << " -> " << s.tw << "x" << s.td << " mode " << mode << " at " << x << "," << y
                  << " ch " << ch;
            }
          }
        }
      }
    }
  }
}

TEST(Resize, UnknownModeWarnsUncutAndResizesBilinearly) {
  const FrameBuffer in = Pattern(9, 7, 32, 12);
  const Resized bilinear = Resize(in, 20, 5, 1);
  const Resized absent = Resize(in, 20, 5, std::nan(""));
  EXPECT_TRUE(absent.warnings.empty());
  EXPECT_EQ(absent.out.bytes(), bilinear.out.bytes());
  for (double mode : {5.0, -1.0, 3.0}) {
    const Resized r = Resize(in, 20, 5, mode);
    ASSERT_TRUE(r.result.ok);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0], kModeWarning);  // all 65 characters
    EXPECT_EQ(r.out.bytes(), bilinear.out.bytes());
  }
}

TEST(Resize, SizesBelowOneAreCorrected) {
  const Resized r = Resize(Pattern(9, 7, 8, 1), 0, -4.5, 0);
  ASSERT_TRUE(r.result.ok);
  EXPECT_EQ(r.out.width(), 1);
  EXPECT_EQ(r.out.depth(), 1);
  ASSERT_EQ(r.warnings.size(), 2u);
  EXPECT_EQ(r.warnings[0], Corrected(u"New width", 0, 1));
  EXPECT_EQ(r.warnings[1], Corrected(u"New depth", -4, 1));
}

TEST(Resize, AbsentSizesKeepTheInputSize) {
  const FrameBuffer in = Pattern(9, 7, 8, 1);
  MethodRun run("resize");
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setNumbers(u"New depth", {14});
  ASSERT_TRUE(run().ok);
  EXPECT_EQ(run.out().width(), 9);
  EXPECT_EQ(run.out().depth(), 14);
}

TEST(Resize, HugeSizeFailsWithoutOverflow) {
  const Resized r = Resize(Pattern(9, 7, 8, 1), 1e15, 1e15, 0);
  EXPECT_FALSE(r.result.ok);
  EXPECT_EQ(r.result.error, u"error: Cannot get output frame");
}

TEST(Resample, OneAndEightThreadsAgree) {
  const FrameBuffer in = Pattern(333, 211, 32, 3);
  ExpectThreadsAgree("downsample", [&](talvix::RunContext& c) {
    c.setFrame(u"Input frame", in);
    c.setNumbers(kDownX, {3});
    c.setNumbers(kDownY, {2});
  });
  for (double mode : {0.0, 1.0, 2.0}) {
    ExpectThreadsAgree("resize", [&](talvix::RunContext& c) {
      c.setFrame(u"Input frame", in);
      c.setNumbers(u"New width", {517});
      c.setNumbers(u"New depth", {149});
      c.setNumbers(kMode, {mode});
    });
    ExpectThreadsAgree("oversample", [&](talvix::RunContext& c) {
      c.setFrame(u"Input frame", in);
      c.setNumbers(kOverX, {2});
      c.setNumbers(kOverY, {3});
      c.setNumbers(kMode, {mode});
    });
  }
}

}  // namespace
