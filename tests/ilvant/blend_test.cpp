// blend_frame and blend_frame_alpha through the module's exported interface:
// every depth pairing, unrotated and rotated, against a per-pixel reference.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "ilvant_run.h"

using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

constexpr std::u16string_view kNo24Bit = u"error: Frame format not supported (24 bit/pix)";

struct Placement {
  double ox, oy, angle;  // offset in pixels, coordinate-system angle in degrees
};

// Expected output pixel (x, y), from the rules written per pixel: the blend
// column is x - trunc(ox), the row trunc(y - oy) (a real test for the alpha
// variant); with a rotation, the mapped position in 1/256 pixel with a
// bilinear sample. weight < 0 selects the alpha variant.
std::array<int, 4> Expected(const FrameBuffer& in, const FrameBuffer& blend, int x, int y, const Placement& p,
                            int weight) {
  const int n = in.bpp() / 8;
  std::array<int, 4> base{};
  for (int c = 0; c < n; ++c) base[c] = in.pixel(x, y)[c];
  const bool byAlpha = weight < 0;
  if (weight == 0) return base;
  const int bb = blend.bpp() / 8;
  const float rad = static_cast<float>(p.angle * 0.017453292519943295);
  const float cs = std::cos(rad);
  const float sn = std::sin(rad);

  // Sample s[c] for B, G, R, plus the grey for an 8-bit output, and the alpha that weighs it.
  std::array<int, 3> s{};
  int grey = 0;
  int alpha = 0;
  bool wholePixel = false;
  const auto px = [&](int bx, int by) { return blend.pixel(bx, by); };
  if (sn == 0.0f) {
    const int bx = x - static_cast<int>(std::trunc(p.ox));
    const double r = y - p.oy;
    if (byAlpha && !(r >= 0 && r < blend.depth())) return base;
    const int by = static_cast<int>(std::trunc(r));
    if (bx < 0 || bx >= blend.width() || by < 0 || by >= blend.depth()) return base;
    const uint8_t* q = px(bx, by);
    for (int c = 0; c < 3; ++c) s[c] = q[bb == 1 ? 0 : c];
    grey = bb == 1 ? q[0] : (q[0] + q[1] + q[2]) / 3;
    alpha = bb == 4 ? q[3] : 0;
    wholePixel = !byAlpha && weight == 256 && bb == 4;
  } else {
    const double dx = 256.0 * x - 256.0 * p.ox;
    const double dy = 256.0 * y - 256.0 * p.oy;
    const double u = dx * cs + dy * sn;
    const double v = dy * cs - dx * sn;
    if (!(u >= 256 && u < 256.0 * (blend.width() - 1) && v >= 256 && v < 256.0 * (blend.depth() - 1))) return base;
    const int iu = static_cast<int>(u), iv = static_cast<int>(v);
    const int ix = iu / 256, fx = iu % 256, iy = iv / 256, fy = iv % 256;
    const int w[4] = {(256 - fy) * (256 - fx), (256 - fy) * fx, (256 - fx) * fy, 0};
    const int w11 = 65536 - w[0] - w[1] - w[2];
    const uint8_t* q[4] = {px(ix, iy), px(ix + 1, iy), px(ix, iy + 1), px(ix + 1, iy + 1)};
    const int weights[4] = {w[0], w[1], w[2], w11};
    for (int c = 0; c < 3; ++c) {
      int sum = 0;
      for (int k = 0; k < 4; ++k) sum += q[k][bb == 1 ? 0 : c] * weights[k];
      s[c] = sum >> 16;
    }
    if (bb == 1) {
      grey = s[0];
    } else {
      int sum = 0;
      for (int k = 0; k < 4; ++k) sum += (q[k][0] + q[k][1] + q[k][2]) * weights[k] / 3;
      grey = sum >> 16;
    }
    alpha = bb == 4 ? q[0][3] : 0;
  }
  const auto mix = [&](int c, int sv) {
    return byAlpha ? (sv * alpha + c * (255 - alpha)) / 255 : (c * (256 - weight) + sv * weight) >> 8;
  };
  std::array<int, 4> out = base;
  if (n == 1) {
    out[0] = mix(base[0], grey);
  } else if (wholePixel) {
    const uint8_t* q = px(x - static_cast<int>(std::trunc(p.ox)), static_cast<int>(std::trunc(y - p.oy)));
    for (int c = 0; c < 4; ++c) out[c] = q[c];
  } else {
    for (int c = 0; c < 3; ++c) out[c] = mix(base[c], s[c]);
    out[3] = 255;
  }
  return out;
}

void ExpectBlend(const FrameBuffer& in, const FrameBuffer& blend, const FrameBuffer& out, const Placement& p,
                 int weight) {
  ASSERT_EQ(out.bpp(), in.bpp());
  ASSERT_EQ(out.width(), in.width());
  ASSERT_EQ(out.depth(), in.depth());
  for (int y = 0; y < in.depth(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      const auto want = Expected(in, blend, x, y, p, weight);
      for (int c = 0; c < in.bpp() / 8; ++c) ASSERT_EQ(out.pixel(x, y)[c], want[c]) << x << "," << y << " ch " << c;
    }
  }
}

const Placement kPlacements[] = {
    {0, 0, 0},   {3, 2, 0},   {-3, 0, 0},      {2.5, 0.5, 0}, {-0.5, -0.5, 0},
    {20, 11, 0}, {-30, 0, 0}, {4.3, -2.7, 30}, {15, 3, 180},  {-2.25, 9.5, 287.5},
};

TEST(BlendFrame, DepthsWeightsAndPlacementsAgainstReference) {
  for (int inBpp : {8, 24, 32}) {
    for (int blendBpp : {8, 24, 32}) {
      const FrameBuffer in = Pattern(23, 13, inBpp, 1);
      const FrameBuffer blend = Pattern(9, 7, blendBpp, 2);
      for (std::optional<double> weight :
           {std::optional<double>(), std::optional<double>(0.0), std::optional<double>(0.5), std::optional<double>(0.7),
            std::optional<double>(1.0)}) {
        for (const Placement& p : kPlacements) {
          SCOPED_TRACE(std::to_string(inBpp) + "/" + std::to_string(blendBpp) + " weight " +
                       (weight ? std::to_string(*weight) : "absent") + " at " + std::to_string(p.ox) + "," +
                       std::to_string(p.oy) + " angle " + std::to_string(p.angle));
          MethodRun run("blend_frame");
          run.ctx.setFrame(u"Input frame", in);
          run.ctx.setFrame(u"Blend frame", blend);
          if (weight) run.ctx.setNumbers(u"Alpha channel", {*weight});
          run.ctx.setPoints(u"Offset", {{p.ox, p.oy}});
          run.ctx.inspection().setCoordinateSystem({0, 0, p.angle});
          const auto r = run();
          if (inBpp == 24 || blendBpp == 24) {
            // No 24-bit pixel body: refused rather than a plain copy reported as a blend.
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.error, kNo24Bit);
            continue;
          }
          ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
          ExpectBlend(in, blend, run.out(), p, weight ? static_cast<int>(*weight * 256) : 256);
          EXPECT_TRUE(run.ctx.warnings().empty());
        }
      }
    }
  }
}

TEST(BlendFrameAlpha, DepthsAndPlacementsAgainstReference) {
  for (int inBpp : {8, 24, 32}) {
    const FrameBuffer in = Pattern(23, 13, inBpp, 3);
    FrameBuffer blend = Pattern(9, 7, 32, 4);
    // The extreme weights besides the hashed ones.
    blend.pixel(0, 0)[3] = 0;
    blend.pixel(1, 0)[3] = 255;
    blend.pixel(2, 0)[3] = 128;
    for (const Placement& p : kPlacements) {
      SCOPED_TRACE(std::to_string(inBpp) + " at " + std::to_string(p.ox) + "," + std::to_string(p.oy) + " angle " +
                   std::to_string(p.angle));
      MethodRun run("blend_frame_alpha");
      run.ctx.setFrame(u"Input frame", in);
      run.ctx.setFrame(u"Blend frame", blend);
      run.ctx.setPoints(u"Offset", {{p.ox, p.oy}});
      run.ctx.inspection().setCoordinateSystem({0, 0, p.angle});
      const auto r = run();
      if (inBpp == 24) {
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, kNo24Bit);
        continue;
      }
      ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
      ExpectBlend(in, blend, run.out(), p, -1);
    }
  }
}

TEST(BlendFrame, PlacementExamples) {
  const FrameBuffer in = Pattern(20, 12, 32, 5);
  const FrameBuffer blend = Pattern(6, 4, 32, 6);
  {
    MethodRun run("blend_frame");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setFrame(u"Blend frame", blend);
    run.ctx.setNumbers(u"Alpha channel", {1.0});
    run.ctx.setPoints(u"Offset", {{10, 5}});
    ASSERT_TRUE(run().ok);
    // The whole blend pixel lands there, alpha included.
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(10, 5)[c], blend.pixel(0, 0)[c]);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(15, 8)[c], blend.pixel(5, 3)[c]);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(9, 5)[c], in.pixel(9, 5)[c]);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(16, 5)[c], in.pixel(16, 5)[c]);
  }
  {
    MethodRun run("blend_frame");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setFrame(u"Blend frame", blend);
    run.ctx.setPoints(u"Offset", {{-3, 0}});
    ASSERT_TRUE(run().ok);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(0, 0)[c], blend.pixel(3, 0)[c]);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(2, 3)[c], blend.pixel(5, 3)[c]);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(run.out().pixel(3, 0)[c], in.pixel(3, 0)[c]);
  }
  // Row offset 0.5: blend_frame truncates -0.5 to row 0, the alpha variant
  // tests the real difference and leaves output row 0 alone.
  for (const char* id : {"blend_frame", "blend_frame_alpha"}) {
    MethodRun run(id);
    run.ctx.setFrame(u"Input frame", in);
    FrameBuffer opaque = blend;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) opaque.pixel(x, y)[3] = 255;
    run.ctx.setFrame(u"Blend frame", opaque);
    run.ctx.setPoints(u"Offset", {{0, 0.5}});
    ASSERT_TRUE(run().ok);
    const bool alphaVariant = std::string(id) == "blend_frame_alpha";
    EXPECT_EQ(run.out().pixel(1, 0)[0], alphaVariant ? in.pixel(1, 0)[0] : opaque.pixel(1, 0)[0]) << id;
    EXPECT_EQ(run.out().pixel(1, 1)[0], opaque.pixel(1, 0)[0]) << id;
  }
}

// The mapping turns the right way: over a linear ramp the rotated sample is
// the ramp at the mapped position, less the truncations. The footprint
// straddles the 64-pixel tiles in which the output is walked.
TEST(BlendFrame, RotationFollowsTheCoordinateSystem) {
  FrameBuffer ramp = FrameBuffer::make(40, 30, 8);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) ramp.pixel(x, y)[0] = static_cast<uint8_t>(3 * x + 2 * y);
  const FrameBuffer in = FrameBuffer::make(150, 140, 8, 0);
  const double ox = 60, oy = 55;
  for (double angle : {30.0, 90.0, 200.0, 333.0}) {
    SCOPED_TRACE(angle);
    MethodRun run("blend_frame");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setFrame(u"Blend frame", ramp);
    run.ctx.setPoints(u"Offset", {{ox, oy}});
    run.ctx.inspection().setCoordinateSystem({0, 0, angle});
    ASSERT_TRUE(run().ok);
    ExpectBlend(in, ramp, run.out(), {ox, oy, angle}, 256);
    const double a = angle * M_PI / 180;
    int covered = 0;
    for (int y = 0; y < 140; ++y) {
      for (int x = 0; x < 150; ++x) {
        const double u = (x - ox) * std::cos(a) + (y - oy) * std::sin(a);
        const double v = (y - oy) * std::cos(a) - (x - ox) * std::sin(a);
        if (u < 1.01 || u > 37.99 || v < 1.01 || v > 27.99) continue;  // clear of the acceptance edges
        ++covered;
        EXPECT_NEAR(run.out().pixel(x, y)[0], 3 * u + 2 * v - 1, 1.5) << x << "," << y;
      }
    }
    EXPECT_GT(covered, 900);
  }
}

// A blend frame wider than 2^23 pixels puts the mapped position in 1/256
// pixel past the int range; the sample must still come from the right place.
TEST(BlendFrame, RotatedPositionPastIntRange) {
  constexpr int kWide = (1 << 23) + 100;
  FrameBuffer blend = FrameBuffer::make(kWide, 3, 8, 200);
  for (int y = 1; y < 3; ++y)
    for (int x = 8388630; x < 8388660; ++x) blend.pixel(x, y)[0] = 100;  // the footprint, apart from the rest
  const FrameBuffer in = FrameBuffer::make(4, 3, 8, 0);
  MethodRun run("blend_frame");
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setFrame(u"Blend frame", blend);
  // u = 256 (x + 8388640) > 2^31; a turn of 1e-6 degrees still takes the rotated path.
  run.ctx.setPoints(u"Offset", {{-8388640.0, -1.0}});
  run.ctx.inspection().setCoordinateSystem({0, 0, 1e-6});
  ASSERT_TRUE(run().ok);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(run.out().pixel(x, y)[0], y == 1 ? 100 : 0) << x << "," << y;
}

TEST(BlendFrame, WeightCorrectionsAndOddInputs) {
  const FrameBuffer in = Pattern(11, 5, 8, 7);
  const FrameBuffer blend = Pattern(5, 3, 8, 8);
  struct Case {
    double weight;
    int used;
    std::u16string warning;
  };
  const Case cases[] = {
      {1.5, 256,
       u"Not acceptable value of the parameter Alpha channel (1.500000). It will be used new value 1.000000."},
      {-0.5, 0,
       u"Not acceptable value of the parameter Alpha channel (-0.500000). It will be used new value 0.000000."},
      {-1e300, 0, u"Not acceptable value of the parameter Alpha channel (-inf). It will be used new value 0.000000."},
      {NAN, 0, u""},  // NaN counts as 0: the copy, without a warning
  };
  for (const Case& tc : cases) {
    MethodRun run("blend_frame");
    run.ctx.setFrame(u"Input frame", in);
    run.ctx.setFrame(u"Blend frame", blend);
    run.ctx.setNumbers(u"Alpha channel", {tc.weight});
    run.ctx.setPoints(u"Offset", {{1, 1}});
    ASSERT_TRUE(run().ok);
    ExpectBlend(in, blend, run.out(), {1, 1, 0}, tc.used);
    EXPECT_EQ(run.ctx.warnings(),
              tc.warning.empty() ? std::vector<std::u16string>{} : std::vector<std::u16string>{tc.warning});
  }
  // An offset array is read at element 0, with the array warning.
  MethodRun arr("blend_frame_alpha");
  arr.ctx.setFrame(u"Input frame", in);
  arr.ctx.setFrame(u"Blend frame", Pattern(5, 3, 32, 9));
  arr.ctx.setPoints(u"Offset", {{2, 1}, {0, 0}});
  ASSERT_TRUE(arr().ok);
  ExpectBlend(in, Pattern(5, 3, 32, 9), arr.out(), {2, 1, 0}, -1);
  EXPECT_EQ(arr.ctx.warnings(),
            std::vector<std::u16string>{u"Only the first element of the array would be evaluated in "
                                        u"the input data object Offset"});
  // Offsets far outside any frame, and not numbers at all, leave the copy.
  for (TPoint far : {TPoint{1e300, 0}, TPoint{-1e300, -1e300}, TPoint{0, 4e9}, TPoint{NAN, 1e20}}) {
    for (double angle : {0.0, 45.0}) {
      for (const char* id : {"blend_frame", "blend_frame_alpha"}) {
        MethodRun run(id);
        run.ctx.setFrame(u"Input frame", in);
        run.ctx.setFrame(u"Blend frame", Pattern(5, 3, 32, 9));
        run.ctx.setPoints(u"Offset", {far});
        run.ctx.inspection().setCoordinateSystem({0, 0, angle});
        ASSERT_TRUE(run().ok);
        EXPECT_EQ(run.out().bytes(), in.bytes()) << id << " " << far.x << "," << far.y << " angle " << angle;
      }
    }
  }
}

TEST(BlendFrame, FailureTexts) {
  struct Case {
    const char* id;
    bool input, blend;
    int blendBpp;
    bool output;
    std::u16string text;
  };
  const Case cases[] = {
      {"blend_frame", false, true, 8, true, u"error: Cannot get input frame Input frame"},
      {"blend_frame", true, false, 8, true, u"error: Cannot get input frame Blend frame"},
      {"blend_frame_alpha", true, false, 32, true, u"error: Cannot get input frame Blend frame"},
      {"blend_frame_alpha", true, true, 8, true, u"error: Blend frame must be 32 bit/pix"},
      {"blend_frame_alpha", true, true, 24, true, u"error: Blend frame must be 32 bit/pix"},
      {"blend_frame", true, true, 24, true, u"error: Frame format not supported (24 bit/pix)"},
      {"blend_frame", true, true, 32, false, u"error: Cannot get output frame"},
  };
  for (const Case& tc : cases) {
    MethodRun run(tc.id);
    if (tc.input) run.ctx.setFrame(u"Input frame", Pattern(4, 4, 32, 1));
    if (tc.blend) run.ctx.setFrame(u"Blend frame", Pattern(2, 2, tc.blendBpp, 1));
    if (!tc.output) run.ctx.setUnnamed(u"Output frame");
    const auto r = run();
    EXPECT_FALSE(r.ok) << tc.id;
    EXPECT_EQ(r.error, tc.text) << tc.id;
  }
}

}  // namespace
