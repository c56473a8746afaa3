// The SIMD row loops against plain per-pixel references of the same
// arithmetic, byte for byte: random frames of odd widths, every depth the
// method takes, one and eight threads (the frames are large enough to be
// split over the threads).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "frame/hsl.h"
#include "ilvant_run.h"

namespace {

using talvix::FrameBuffer;

constexpr int kW = 1001, kD = 37;  // odd width, more pixels than one thread takes
static_assert(static_cast<long>(kW) * kD >= ilvant::kParallelPixels);

FrameBuffer Plane(int w, int d) { return FrameBuffer::make(w, d, 8); }

struct Expected {
  std::u16string output;
  FrameBuffer frame;
};

// Runs `id` on `in` at 1 and 8 threads and compares the pixel bytes of each
// named output frame with its reference (row padding is not written).
void ExpectOutputs(const std::string& id, const FrameBuffer& in, const std::vector<Expected>& expected,
                   const std::function<void(talvix::RunContext&)>& extra = {}) {
  const int before = omp_get_max_threads();
  for (int threads : {1, 8}) {
    SCOPED_TRACE(testing::Message() << id << ", " << in.bpp() << " bpp, " << threads << " threads");
    omp_set_num_threads(threads);
    ilvant_test::MethodRun run(id);
    run.ctx.setFrame(u"Input frame", in);
    if (extra) extra(run.ctx);
    const talvix::RunResult r = run();
    ASSERT_TRUE(r.ok) << talvix::ToUtf8(r.error);
    for (const Expected& e : expected) {
      const FrameBuffer* got = run.ctx.frame(e.output);
      ASSERT_NE(got, nullptr) << talvix::ToUtf8(e.output);
      ASSERT_EQ(got->width(), e.frame.width());
      ASSERT_EQ(got->depth(), e.frame.depth());
      const int rowBytes = e.frame.width() * (e.frame.bpp() / 8);
      for (int y = 0; y < e.frame.depth(); ++y)
        ASSERT_TRUE(std::equal(got->row(y), got->row(y) + rowBytes, e.frame.row(y)))
            << talvix::ToUtf8(e.output) << " row " << y;
    }
  }
  omp_set_num_threads(before);
}

TEST(FastPaths, GreyConversionsAndSplits) {
  for (int bpp : {24, 32}) {
    const FrameBuffer in = ilvant_test::Pattern(kW, kD, bpp, 11u + bpp);
    const int n = bpp / 8;
    FrameBuffer luma = Plane(kW, kD), avg = Plane(kW, kD);
    std::array<FrameBuffer, 4> rgb{Plane(kW, kD), Plane(kW, kD), Plane(kW, kD), Plane(kW, kD)};
    std::array<FrameBuffer, 4> hsl{Plane(kW, kD), Plane(kW, kD), Plane(kW, kD), Plane(kW, kD)};
    for (int y = 0; y < kD; ++y) {
      for (int x = 0; x < kW; ++x) {
        const uint8_t* p = in.row(y) + n * x;
        const unsigned b = p[0], g = p[1], r = p[2];
        luma.pixel(x, y)[0] = static_cast<uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
        avg.pixel(x, y)[0] = static_cast<uint8_t>((r + g + b) / 3);
        rgb[0].pixel(x, y)[0] = static_cast<uint8_t>(r);
        rgb[1].pixel(x, y)[0] = static_cast<uint8_t>(g);
        rgb[2].pixel(x, y)[0] = static_cast<uint8_t>(b);
        rgb[3].pixel(x, y)[0] = n == 4 ? p[3] : 255;
        double h, s, l;
        frame::RgbToHsl(r, g, b, &h, &s, &l);
        hsl[0].pixel(x, y)[0] = static_cast<uint8_t>(static_cast<int>(h * 0.70833));
        hsl[1].pixel(x, y)[0] = static_cast<uint8_t>(static_cast<int>(s * 255.0));
        hsl[2].pixel(x, y)[0] = static_cast<uint8_t>(static_cast<int>(l * 255.0));
        hsl[3].pixel(x, y)[0] = rgb[3].pixel(x, y)[0];
      }
    }
    ExpectOutputs("color_to_monochrome", in, {{u"Output frame", luma}});
    ExpectOutputs("color_to_monochrome_avg", in, {{u"Output frame", avg}});
    ExpectOutputs("split_RGB", in,
                  {{u"Output red frame", rgb[0]},
                   {u"Output green frame", rgb[1]},
                   {u"Output blue frame", rgb[2]},
                   {u"Output mask frame", rgb[3]}});
    ExpectOutputs("split_HSL", in,
                  {{u"Output hue frame", hsl[0]},
                   {u"Output saturation frame", hsl[1]},
                   {u"Output lightness frame", hsl[2]},
                   {u"Output mask frame", hsl[3]}});
  }
}

// The resampling rules as plain per-pixel code: the three-weight "bilinear"
// rule and the cubic B-spline, in single precision, truncated and clamped.
uint8_t ToByte(float v) { return !(v > 0.f) ? 0 : v >= 255.f ? 255 : static_cast<uint8_t>(v); }

FrameBuffer ReferenceBilinear(const FrameBuffer& in, int tw, int td) {
  const int n = in.bpp() / 8, sw = in.width(), sd = in.depth();
  FrameBuffer out = FrameBuffer::make(tw, td, in.bpp(), 0, false);
  const float sx = float(sw) / float(tw), sy = float(sd) / float(td);
  for (int y = 0; y < td; ++y) {
    const float v = float(y) * sy - 0.51f;
    const int cy = int(v);
    const float fy = v - float(cy), gy = 1.f - fy;
    const int r0 = std::clamp(cy, 0, sd - 1), r1 = std::clamp(cy + 1, 0, sd - 1);
    for (int x = 0; x < tw; ++x) {
      const float u = float(x) * sx - 0.51f;
      const int cx = int(u);
      const float fx = u - float(cx), gx = 1.f - fx;
      const int c0 = std::clamp(cx, 0, sw - 1), c1 = std::clamp(cx + 1, 0, sw - 1);
      const float w10 = gx * fy + fx * fy + gx * gy, w00 = gx * fy + fx * gy + gx * gy, w01 = fx + gx * gy,
                  w11 = fx + gx * fy, den = 3.f * (fx + gx * fy + gx * gy);
      for (int ch = 0; ch < (n == 1 ? 1 : 3); ++ch) {
        const float val = (in.pixel(c0, r1)[ch] * w10 + in.pixel(c0, r0)[ch] * w00 + in.pixel(c1, r0)[ch] * w01 +
                           in.pixel(c1, r1)[ch] * w11) /
                          den;
        out.pixel(x, y)[ch] = ToByte(val);
      }
    }
  }
  return out;
}

float Spline(float t) {
  const auto p3 = [](float v) { return v > 0.f ? v * v * v : 0.f; };
  return (p3(t + 2.f) - 4.f * p3(t + 1.f) + 6.f * p3(t) - 4.f * p3(t - 1.f)) / 6.f;
}

FrameBuffer ReferenceBicubic(const FrameBuffer& in, int tw, int td) {
  const int n = in.bpp() / 8, sw = in.width(), sd = in.depth();
  FrameBuffer out = FrameBuffer::make(tw, td, in.bpp(), 0, false);
  const float sx = float(sw) / float(tw), sy = float(sd) / float(td);
  for (int y = 0; y < td; ++y) {
    const float v = float(y) * sy - 0.5f;
    const float fvy = std::floor(v);
    const int cy = int(fvy);
    const float dy = v - fvy;
    for (int x = 0; x < tw; ++x) {
      const float u = float(x) * sx - 0.5f;
      const float fux = std::floor(u);
      const int cx = int(fux);
      const float dx = u - fux;
      float sum[3] = {};
      for (int m = -1; m <= 2; ++m) {
        const int row = std::clamp(cy + m, 0, sd - 1);
        for (int ch = 0; ch < (n == 1 ? 1 : 3); ++ch) {
          float line = 0.f;
          for (int k = -1; k <= 2; ++k) {
            const float term = in.pixel(std::clamp(cx + k, 0, sw - 1), row)[ch] * Spline(float(k) - dx);
            line = k == -1 ? term : line + term;
          }
          sum[ch] += line * Spline(dy - float(m));
        }
      }
      for (int ch = 0; ch < (n == 1 ? 1 : 3); ++ch) out.pixel(x, y)[ch] = ToByte(sum[ch]);
      if (n == 4) out.pixel(x, y)[3] = 255;
    }
  }
  return out;
}

TEST(FastPaths, ResizeBilinearAndBicubic) {
  struct Size {
    int w, d;
  };
  // Shrinking and growing, with odd widths both ways.
  const Size sizes[][2] = {{{kW, kD}, {613, 29}}, {{333, 101}, {701, 47}}};
  for (int bpp : {8, 32}) {
    for (const auto& s : sizes) {
      const FrameBuffer in = ilvant_test::Pattern(s[0].w, s[0].d, bpp, 5u + bpp);
      for (int mode : {1, 2}) {
        const FrameBuffer expected =
            mode == 1 ? ReferenceBilinear(in, s[1].w, s[1].d) : ReferenceBicubic(in, s[1].w, s[1].d);
        // The bilinear rule leaves the alpha byte of a new frame as it was (0).
        ExpectOutputs("resize", in, {{u"Output frame", expected}}, [&](talvix::RunContext& c) {
          c.setNumbers(u"New width", {double(s[1].w)});
          c.setNumbers(u"New depth", {double(s[1].d)});
          c.setNumbers(u"Type of interpolation", {double(mode)});
        });
      }
    }
  }
}

// Grey equalisation: the cumulative share of each level in single precision,
// times 255, truncated.
TEST(FastPaths, GreyEqualisation) {
  const FrameBuffer in = ilvant_test::Pattern(kW, kD, 8, 3u);
  std::array<uint64_t, 256> h{};
  for (int y = 0; y < kD; ++y)
    for (int x = 0; x < kW; ++x) ++h[in.pixel(x, y)[0]];
  std::array<uint8_t, 256> lut{};
  float c = 0.f;
  for (int i = 0; i < 256; ++i) {
    c = i == 0 ? float(h[0]) / float(kW * kD) : c + float(h[i]) / float(kW * kD);
    lut[i] = static_cast<uint8_t>(std::min(static_cast<int>(c * 255.0f), 255));
  }
  FrameBuffer expected = Plane(kW, kD);
  for (int y = 0; y < kD; ++y)
    for (int x = 0; x < kW; ++x) expected.pixel(x, y)[0] = lut[in.pixel(x, y)[0]];
  ExpectOutputs("histogram_equalization", in, {{u"Output frame", expected}});
}

}  // namespace
