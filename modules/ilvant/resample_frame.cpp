// ResampleFrame: nearest neighbour, the three-weight "bilinear" rule and the
// cubic B-spline, all in single precision. Per-column positions and weights
// are computed once per call; rows are split over the processors.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "resample.h"

namespace ilvant {
namespace {

struct Plane {
  const uint8_t* src;
  uint8_t* dst;
  ptrdiff_t srcStride;
  ptrdiff_t dstStride;
  int sw, sd, tw, td;
  int bytes;  // 1 or 4
  float sx, sy;
};

inline uint8_t ToByte(float v) {
  // Truncation as stated; clamped first because the border weights of the
  // three-weight rule extrapolate and the value can leave 0..255.
  if (!(v > 0.f)) return 0;
  return v >= 255.f ? 255 : static_cast<uint8_t>(v);
}

void Nearest(const Plane& p) {
  std::vector<int> cols(p.tw);
  for (int x = 0; x < p.tw; ++x) cols[x] = std::min(p.sw - 1, static_cast<int>(static_cast<float>(x) * p.sx));
#pragma omp parallel for schedule(static)
  for (int y = 0; y < p.td; ++y) {
    const int r = std::min(p.sd - 1, static_cast<int>(static_cast<float>(y) * p.sy));
    const uint8_t* s = p.src + r * p.srcStride;
    uint8_t* d = p.dst + y * p.dstStride;
    if (p.bytes == 1) {
      for (int x = 0; x < p.tw; ++x) d[x] = s[cols[x]];
    } else {
      for (int x = 0; x < p.tw; ++x) std::memcpy(d + 4 * x, s + 4 * cols[x], 4);
    }
  }
}

// Position u = x * scale - 0.51: c = trunc(u) (toward zero, so the fraction
// is negative near 0), c1 = c + 1, both clamped to the frame.
struct LinearTap {
  int c, c1;
  float f, g;
};

LinearTap LinearAt(int x, float scale, int n) {
  const float u = static_cast<float>(x) * scale - 0.51f;
  const int c = static_cast<int>(u);
  LinearTap t;
  t.f = u - static_cast<float>(c);
  t.g = 1.f - t.f;
  t.c = std::clamp(c, 0, n - 1);
  t.c1 = std::clamp(c + 1, 0, n - 1);
  return t;
}

template <int N>
void Linear(const Plane& p) {
  std::vector<LinearTap> cols(p.tw);
  for (int x = 0; x < p.tw; ++x) cols[x] = LinearAt(x, p.sx, p.sw);
  constexpr int kChannels = N == 1 ? 1 : 3;  // the alpha byte is not written
  const LinearTap* taps = cols.data();
  const int tw = p.tw;
#pragma omp parallel for schedule(static)
  for (int y = 0; y < p.td; ++y) {
    const LinearTap ry = LinearAt(y, p.sy, p.sd);
    const uint8_t* s0 = p.src + ry.c * p.srcStride;
    const uint8_t* s1 = p.src + ry.c1 * p.srcStride;
    uint8_t* d = p.dst + y * p.dstStride;
    const float fy = ry.f;
    const float gy = ry.g;
    for (int x = 0; x < tw; ++x) {
      const LinearTap& t = taps[x];
      const float fx = t.f;
      const float gx = t.g;
      const float w10 = gx * fy + fx * fy + gx * gy;
      const float w00 = gx * fy + fx * gy + gx * gy;
      const float w01 = fx + gx * gy;
      const float w11 = fx + gx * fy;
      const float den = 3.f * (fx + gx * fy + gx * gy);
      const int o0 = t.c * N;
      const int o1 = t.c1 * N;
      for (int ch = 0; ch < kChannels; ++ch) {
        const float v = (s1[o0 + ch] * w10 + s0[o0 + ch] * w00 + s0[o1 + ch] * w01 + s1[o1 + ch] * w11) / den;
        d[x * N + ch] = ToByte(v);
      }
    }
  }
}

float Pos(float t) { return t > 0.f ? t : 0.f; }
float Cube(float t) { return t * t * t; }

// Cubic B-spline kernel.
float Spline(float t) {
  return (Cube(Pos(t + 2.f)) - 4.f * Cube(Pos(t + 1.f)) + 6.f * Cube(Pos(t)) - 4.f * Cube(Pos(t - 1.f))) / 6.f;
}

// The four taps m = -1..2 around floor(x * scale - 0.5), indices clamped.
// Columns weigh R(m - dx), rows R(dy - n).
struct CubicTap {
  std::array<int, 4> idx;
  std::array<float, 4> w;
};

CubicTap CubicAt(int x, float scale, int n, bool rows) {
  const float u = static_cast<float>(x) * scale - 0.5f;
  const float fc = std::floor(u);
  const int c = static_cast<int>(fc);
  const float frac = u - fc;
  CubicTap t;
  for (int m = -1; m <= 2; ++m) {
    t.idx[m + 1] = std::clamp(c + m, 0, n - 1);
    t.w[m + 1] = rows ? Spline(frac - static_cast<float>(m)) : Spline(static_cast<float>(m) - frac);
  }
  return t;
}

template <int N>
void Cubic(const Plane& p) {
  std::vector<CubicTap> cols(p.tw);
  for (int x = 0; x < p.tw; ++x) {
    cols[x] = CubicAt(x, p.sx, p.sw, false);
    for (int& i : cols[x].idx) i *= N;  // byte offsets within a row
  }
  constexpr int kChannels = N == 1 ? 1 : 3;
  const CubicTap* taps = cols.data();
  const int tw = p.tw;
#pragma omp parallel for schedule(static)
  for (int y = 0; y < p.td; ++y) {
    const CubicTap ry = CubicAt(y, p.sy, p.sd, true);
    std::array<const uint8_t*, 4> rows;
    for (int n = 0; n < 4; ++n) rows[n] = p.src + ry.idx[n] * p.srcStride;
    uint8_t* d = p.dst + y * p.dstStride;
    for (int x = 0; x < tw; ++x) {
      const CubicTap& t = taps[x];
      float sum[kChannels] = {};
      for (int n = 0; n < 4; ++n) {
        const uint8_t* r = rows[n];
        for (int ch = 0; ch < kChannels; ++ch) {
          const float line = r[t.idx[0] + ch] * t.w[0] + r[t.idx[1] + ch] * t.w[1] + r[t.idx[2] + ch] * t.w[2] +
                             r[t.idx[3] + ch] * t.w[3];
          sum[ch] += line * ry.w[n];
        }
      }
      for (int ch = 0; ch < kChannels; ++ch) d[x * N + ch] = ToByte(sum[ch]);
      if constexpr (N == 4) d[x * 4 + 3] = 255;
    }
  }
}

}  // namespace

void ResampleFrame(int sw, int sd, int bpp, int tw, int td, const uint8_t* src, uint8_t* dst, int mode) {
  if (bpp != 8 && bpp != 32) return;
  if (sw <= 0 || sd <= 0 || tw <= 0 || td <= 0 || !src || !dst) return;
  Plane p{src,
          dst,
          static_cast<ptrdiff_t>((static_cast<int64_t>(sw) * bpp + 31) / 32 * 4),
          static_cast<ptrdiff_t>((static_cast<int64_t>(tw) * bpp + 31) / 32 * 4),
          sw,
          sd,
          tw,
          td,
          bpp / 8,
          static_cast<float>(sw) / static_cast<float>(tw),
          static_cast<float>(sd) / static_cast<float>(td)};
  switch (mode) {
    case kNearest:
      return Nearest(p);
    case kBicubic:
      return p.bytes == 1 ? Cubic<1>(p) : Cubic<4>(p);
    default:
      return p.bytes == 1 ? Linear<1>(p) : Linear<4>(p);
  }
}

}  // namespace ilvant
