// histogram_equalization: grey levels (8-bit) or lightness (32-bit) spread by
// the cumulative histogram of the frame.
#include <omp.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frame/hsl.h"
#include "frame/image_stats.h"
#include "frame_access.h"

namespace ilvant {

namespace {


// Integer counters: a float counter would stop counting at 2^24.
using Histogram = std::array<uint32_t, 256>;

// The lightness level of a colour pixel: trunc(lightness x 255 + 0.5).
inline int LightnessLevel(double l) { return static_cast<int>(l * 255.0 + 0.5); }

inline uint8_t UnitByte(double v) {
  const int x = static_cast<int>(v * 255.0);
  return static_cast<uint8_t>(x < 0 ? 0 : x > 255 ? 255 : x);
}

// Counts every pixel once, each thread into its own histogram over a static
// share of the rows; the shares are added afterwards.
template <typename Level>
Histogram Count(const FrameRows& src, Level level) {
  std::vector<Histogram> partial(omp_get_max_threads(), Histogram{});
#pragma omp parallel num_threads(static_cast <int>(partial.size()))
  {
    Histogram& h = partial[omp_get_thread_num()];
#pragma omp for schedule(dynamic, 8)
    for (int y = 0; y < src.depth; ++y) {
      const uint8_t* s = src.row(y);
      for (int x = 0; x < src.width; ++x) ++h[level(s, x)];
    }
  }
  Histogram total{};
  for (const Histogram& h : partial) {
    for (int i = 0; i < 256; ++i) total[i] += h[i];
  }
  return total;
}

// Cumulative share of the pixels at or below each level, in single precision.
std::array<float, 256> Cumulative(const Histogram& h, int64_t pixels) {
  std::array<float, 256> c{};
  const float n = static_cast<float>(pixels);
  c[0] = static_cast<float>(h[0]) / n;
  for (int i = 1; i < 256; ++i) c[i] = c[i - 1] + static_cast<float>(h[i]) / n;
  return c;
}

// Grey levels counted into four interleaved histograms per thread.
Histogram CountGrey(const FrameRows& src) {
  std::vector<std::array<Histogram, 4>> partial(omp_get_max_threads());
#pragma omp parallel num_threads(static_cast <int>(partial.size()))
  {
    std::array<Histogram, 4>& h = partial[omp_get_thread_num()];
    for (Histogram& sub : h) sub.fill(0);
#pragma omp for schedule(dynamic, 8)
    for (int y = 0; y < src.depth; ++y) frame::CountRow8(src.row(y), src.width, h);
  }
  Histogram total{};
  for (const auto& h : partial)
    for (const Histogram& sub : h)
      for (int i = 0; i < 256; ++i) total[i] += sub[i];
  return total;
}

void EqualizeGrey(const FrameRows& src, const FrameRows& dst) {
  const auto c = Cumulative(CountGrey(src), static_cast<int64_t>(src.width) * src.depth);
  std::array<uint8_t, 256> lut;
  for (int i = 0; i < 256; ++i) lut[i] = static_cast<uint8_t>(std::min(static_cast<int>(c[i] * 255.0f), 255));
  ForRows(src.depth, src.width, [&](int y) {
    const uint8_t* s = src.row(y);
    uint8_t* d = dst.row(y);
    for (int x = 0; x < src.width; ++x) d[x] = lut[s[x]];
  });
}

void EqualizeColor(const FrameRows& src, const FrameRows& dst) {
  const auto level = [](const uint8_t* s, int x) {
    const uint8_t* p = s + 4 * x;
    double h, sat, l;
    frame::RgbToHsl(p[2], p[1], p[0], &h, &sat, &l);
    return LightnessLevel(l);
  };
  const auto c = Cumulative(Count(src, level), static_cast<int64_t>(src.width) * src.depth);
  ForRows(src.depth, src.width, [&](int y) {
    const uint8_t* s = src.row(y);
    uint8_t* d = dst.row(y);
    for (int x = 0; x < src.width; ++x, s += 4, d += 4) {
      double h, sat, l, r, g, b;
      frame::RgbToHsl(s[2], s[1], s[0], &h, &sat, &l);
      frame::HslToRgb(h, sat, c[LightnessLevel(l)], &r, &g, &b);
      d[0] = UnitByte(b), d[1] = UnitByte(g), d[2] = UnitByte(r), d[3] = s[3];
    }
  });
}

}  // namespace

bool RunHistogramEqualization(const RunArgs& a) {
  Frame* in = nullptr;
  if (!InputFrame(a, 0, &in)) return FailInput(a, u"Input frame");
  const FrameRows src(in);
  if (src.width == 0 || src.depth == 0) return a.fail(kZeroDimension);
  Frame* out = nullptr;
  if (!OutputFrame(a, 0, src.width, src.depth, src.bpp, &out)) return a.fail(kNoOutputFrame);
  if (src.bpp == 8) {
    EqualizeGrey(src, FrameRows(out));
  } else if (src.bpp == 32) {
    EqualizeColor(src, FrameRows(out));
  } else {
    return a.fail(kNo24Bit);
  }
  return true;
}

}  // namespace ilvant
