// rotate: the copy at 0 degrees, output sizes, the sampling convention at 90
// and 180 degrees with and without Crop, and what lies outside the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ilvant_geometry.h"

using ilvant_geometry::ArrayWarning;
using ilvant_geometry::ExpectThreadsAgree;
using ilvant_test::kCanary;
using ilvant_test::MethodRun;
using ilvant_test::Pattern;
using talvix::FrameBuffer;

namespace {

struct Rotated {
  talvix::RunResult result;
  FrameBuffer out;
};

// crop < 0 leaves "Crop" unset; a null centre leaves "Rotation center" unset.
Rotated Rotate(const FrameBuffer& in, double degrees, int crop, const TPoint* centre = nullptr) {
  MethodRun run("rotate");
  run.ctx.fillNewFrames(kCanary);
  run.ctx.setFrame(u"Input frame", in);
  run.ctx.setNumbers(u"Angle", {degrees});
  if (crop >= 0) run.ctx.setFlags(u"Crop", {crop != 0});
  if (centre) run.ctx.setPoints(u"Rotation center", {*centre});
  Rotated r{run(), {}};
  if (r.result.ok) r.out = run.out();
  return r;
}

// Mean of four pixels with the 8-bit-fraction weights at fractions 128/128.
int Quad(const FrameBuffer& f, int c0, int c1, int r0, int r1, int ch) {
  return (f.pixel(c0, r0)[ch] + f.pixel(c1, r0)[ch] + f.pixel(c0, r1)[ch] + f.pixel(c1, r1)[ch]) * 16384 >> 16;
}

TEST(Rotate, ZeroDegreesCopiesEveryDepth) {
  for (int bpp : {8, 24, 32}) {
    const FrameBuffer in = Pattern(7, 4, bpp, 1);
    for (int crop : {-1, 0, 1}) {
      const Rotated r = Rotate(in, 0, crop);
      ASSERT_TRUE(r.result.ok);
      EXPECT_EQ(r.out.bytes(), in.bytes()) << bpp << " crop " << crop;
    }
  }
}

TEST(Rotate, OutputSizes) {
  struct Case {
    double degrees;
    int w, d;  // Crop false
  };
  const Case cases[] = {{0, 100, 50},   {90, 50, 100}, {180, 100, 50}, {270, 50, 100}, {-90, 50, 100},
                        {45, 106, 106}, {30, 111, 93}, {-30, 111, 93}, {120, 93, 111}, {0.01, 100, 50}};
  const FrameBuffer in = FrameBuffer::make(100, 50, 8, 9);
  for (const Case& c : cases) {
    const Rotated loose = Rotate(in, c.degrees, 0);
    ASSERT_TRUE(loose.result.ok);
    EXPECT_EQ(loose.out.width(), c.w) << c.degrees;
    EXPECT_EQ(loose.out.depth(), c.d) << c.degrees;
    const Rotated cropped = Rotate(in, c.degrees, -1);
    EXPECT_EQ(cropped.out.width(), 100) << c.degrees;
    EXPECT_EQ(cropped.out.depth(), 50) << c.degrees;
  }
}

// The source centre sits on the middle pixel ((w - 1) / 2), the target centre
// on the middle edge (W / 2): at 90 degrees (Crop false) target (x, y) reads
// source column y - 1/2 and row d - 1 - x + 1/2, so row 0 lies outside and
// every other pixel is the mean of a 2 x 2 block.
TEST(Rotate, NinetyDegreesWithoutCrop) {
  for (int bpp : {8, 32}) {
    for (auto [w, d] : {std::pair{5, 3}, std::pair{4, 6}}) {
      const FrameBuffer in = Pattern(w, d, bpp, 3);
      const Rotated r = Rotate(in, 90, 0);
      ASSERT_TRUE(r.result.ok);
      ASSERT_EQ(r.out.width(), d);
      ASSERT_EQ(r.out.depth(), w);
      for (int x = 0; x < d; ++x) {
        for (int ch = 0; ch < bpp / 8; ++ch) EXPECT_EQ(r.out.pixel(x, 0)[ch], 0) << "row 0 is outside";
        for (int y = 1; y < w; ++y) {
          const int r0 = d - 1 - x;
          const int r1 = std::min(d - x, d - 1);
          for (int ch = 0; ch < (bpp == 8 ? 1 : 3); ++ch) {
            ASSERT_EQ(r.out.pixel(x, y)[ch], Quad(in, y - 1, y, r0, r1, ch)) << x << "," << y << " ch " << ch;
          }
          if (bpp == 32) {
            ASSERT_EQ(r.out.pixel(x, y)[3], in.pixel(y - 1, r0)[3]) << "alpha of the source pixel";
          }
        }
      }
      // Crop false ignores a given centre.
      const TPoint centre{0, 0};
      EXPECT_EQ(Rotate(in, 90, 0, &centre).out.bytes(), r.out.bytes());
    }
  }
}

// With Crop and no centre, 180 degrees reads column w - 1 - x + 1/2 and row
// d - 1 - y + 1/2 (a neighbour past the last one is the pixel itself).
TEST(Rotate, HalfTurnWithCropKeepsTheCentreConvention) {
  const FrameBuffer in = Pattern(5, 3, 8, 4);
  const Rotated r = Rotate(in, 180, 1);
  ASSERT_TRUE(r.result.ok);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const int want = Quad(in, 4 - x, std::min(5 - x, 4), 2 - y, std::min(3 - y, 2), 0);
      ASSERT_EQ(r.out.pixel(x, y)[0], want) << x << "," << y;
    }
  }
}

// A given centre serves both frames: about the middle pixel of an odd-sized
// frame the half turn is exact.
TEST(Rotate, HalfTurnAboutTheMiddlePixelIsExact) {
  for (int bpp : {8, 32}) {
    const FrameBuffer in = Pattern(5, 3, bpp, 5);
    const TPoint centre{2, 1};
    const Rotated r = Rotate(in, 180, 1, &centre);
    ASSERT_TRUE(r.result.ok);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        ASSERT_EQ(0, std::memcmp(r.out.pixel(x, y), in.pixel(4 - x, 2 - y), bpp / 8)) << x << "," << y;
  }
}

// Reference for an arbitrary angle: u = scx + dx c + dy s, v = scy - dx s + dy c
// in single precision, truncated to 1/256 pixel; 0 outside; bilinear with
// 8-bit fractions; alpha of the pixel (u >> 8, v >> 8).
FrameBuffer ReferenceTurn(const FrameBuffer& in, double degrees, int tw, int td, const TPoint* centre) {
  const int w = in.width(), d = in.depth(), n = in.bpp() / 8;
  const float a = static_cast<float>(degrees) * 0.017453292519943295f;
  float s = std::sin(a), c = std::cos(a);
  if (std::fabs(s) < 0.001f) s = 0.f;
  if (std::fabs(c) < 0.001f) c = 0.f;
  int scx = (256 * w - 256) / 2, scy = (256 * d - 256) / 2, tcx = 256 * tw / 2, tcy = 256 * td / 2;
  if (centre) {
    scx = tcx = static_cast<int>(centre->x * 256);
    scy = tcy = static_cast<int>(centre->y * 256);
  }
  FrameBuffer out = FrameBuffer::make(tw, td, in.bpp());
  for (int y = 0; y < td; ++y) {
    for (int x = 0; x < tw; ++x) {
      const int dx = 256 * x - tcx, dy = 256 * y - tcy;
      const int u = static_cast<int>(scx + dx * c + dy * s);
      const int v = static_cast<int>(scy - dx * s + dy * c);
      uint8_t* p = out.pixel(x, y);
      if (u < 0 || u >= 256 * w || v < 0 || v >= 256 * d) {
        std::fill(p, p + n, uint8_t{0});
        continue;
      }
      const int c0 = u >> 8, r0 = v >> 8, fx = u & 255, fy = v & 255;
      const int c1 = std::min(c0 + 1, w - 1), r1 = std::min(r0 + 1, d - 1);
      const int w00 = (256 - fx) * (256 - fy), w01 = fx * (256 - fy), w10 = (256 - fx) * fy;
      const int w11 = 65536 - w00 - w01 - w10;
      for (int ch = 0; ch < (n == 1 ? 1 : 3); ++ch) {
        p[ch] = static_cast<uint8_t>((in.pixel(c0, r0)[ch] * w00 + in.pixel(c1, r0)[ch] * w01 +
                                      in.pixel(c0, r1)[ch] * w10 + in.pixel(c1, r1)[ch] * w11) >>
                                     16);
      }
      if (n == 4) p[3] = in.pixel(c0, r0)[3];
    }
  }
  return out;
}

TEST(Rotate, ArbitraryAnglesMatchTheFixedPointReference) {
  struct Case {
    double degrees;
    int crop;
    bool centred;
    int tw, td;  // output size of a 23 x 14 frame
  };
  // Crop false: W = |w cos a| + |d sin a|, D = |d cos a| + |w sin a|, truncated.
  const Case cases[] = {{30, 1, false, 23, 14}, {-47.5, 1, true, 23, 14},  {135, 1, true, 23, 14},
                        {30, 0, false, 26, 23}, {-47.5, 0, false, 25, 26}, {200, 0, false, 26, 21}};
  const TPoint centre{7.3, 4.9};
  for (int bpp : {8, 32}) {
    const FrameBuffer in = Pattern(23, 14, bpp, 3);
    for (const Case& k : cases) {
      const Rotated r = Rotate(in, k.degrees, k.crop, k.centred ? &centre : nullptr);
      ASSERT_TRUE(r.result.ok);
      ASSERT_EQ(r.out.width(), k.tw) << k.degrees;
      ASSERT_EQ(r.out.depth(), k.td) << k.degrees;
      const FrameBuffer want = ReferenceTurn(in, k.degrees, k.tw, k.td, k.centred ? &centre : nullptr);
      for (int y = 0; y < k.td; ++y)
        for (int x = 0; x < k.tw; ++x)
          ASSERT_EQ(0, std::memcmp(r.out.pixel(x, y), want.pixel(x, y), bpp / 8))
              << k.degrees << " crop " << k.crop << " at " << x << "," << y << " bpp " << bpp;
    }
  }
}

TEST(Rotate, OutsideTheSourceIsZeroInEveryByte) {
  const Rotated r = Rotate(FrameBuffer::make(40, 20, 32, 200), 45, 0);
  ASSERT_TRUE(r.result.ok);
  const FrameBuffer& out = r.out;
  for (auto [x, y] : {std::pair{0, 0}, std::pair{out.width() - 1, 0}, std::pair{0, out.depth() - 1}}) {
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(out.pixel(x, y)[ch], 0) << x << "," << y;
  }
  const uint8_t* mid = out.pixel(out.width() / 2, out.depth() / 2);
  EXPECT_EQ(mid[0], 200);
  EXPECT_EQ(mid[3], 255);
}

TEST(Rotate, ArrayAngleWarns) {
  MethodRun run("rotate");
  run.ctx.setFrame(u"Input frame", Pattern(6, 4, 8, 1));
  run.ctx.setNumbers(u"Angle", {0, 30});
  ASSERT_TRUE(run().ok);
  ASSERT_EQ(run.ctx.warnings().size(), 1u);
  EXPECT_EQ(run.ctx.warnings()[0], ArrayWarning(u"Angle"));
}

TEST(Rotate, MissingInputFails) {
  MethodRun run("rotate");
  run.ctx.setNumbers(u"Angle", {30});
  const talvix::RunResult r = run();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, u"error: Cannot get input frame Input frame");
}

TEST(Rotate, OneAndEightThreadsAgree) {
  for (int bpp : {8, 32}) {
    const FrameBuffer in = Pattern(301, 203, bpp, 6);
    for (bool crop : {false, true}) {
      ExpectThreadsAgree("rotate", [&](talvix::RunContext& c) {
        c.setFrame(u"Input frame", in);
        c.setNumbers(u"Angle", {33.3});
        c.setFlags(u"Crop", {crop});
      });
    }
  }
}

}  // namespace
