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

#include "frame/row_kernel.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The colour bytes of a 32-bit pixel as one vector: every lane runs the same
// operations in the same order as a single channel would, so the bytes come
// out as the per-channel loop gives them.
typedef float F4 __attribute__((vector_size(16)));
typedef int I4 __attribute__((vector_size(16)));

inline F4 Load4(const uint8_t* p) {
#ifdef __SSE2__
  int32_t word;
  std::memcpy(&word, p, 4);
  const __m128i zero = _mm_setzero_si128();
  const __m128i lanes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
  return reinterpret_cast<F4>(_mm_cvtepi32_ps(lanes));
#else
  return F4{static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]), static_cast<float>(p[3])};
#endif
}

// ToByte on the B, G, R lanes; the alpha byte is left alone.
inline void Store3(F4 v, uint8_t* d) {
  const F4 zero{}, top{255.f, 255.f, 255.f, 255.f};
  v = v > zero ? v : zero;
  v = v >= top ? top : v;
  const I4 i = __builtin_convertvector(v, I4);
  d[0] = static_cast<uint8_t>(i[0]), d[1] = static_cast<uint8_t>(i[1]), d[2] = static_cast<uint8_t>(i[2]);
}

void Nearest(const Plane& p) {
  std::vector<int> cols(p.tw);
  for (int x = 0; x < p.tw; ++x) cols[x] = std::min(p.sw - 1, static_cast<int>(static_cast<float>(x) * p.sx));
#pragma omp parallel for schedule(dynamic, 8)
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

// The three-weight rule's weights of one target pixel.
struct LinearWeights {
  float w10, w00, w01, w11, den;
  LinearWeights(float fx, float gx, float fy, float gy)
      : w10(gx * fy + fx * fy + gx * gy),
        w00(gx * fy + fx * gy + gx * gy),
        w01(fx + gx * gy),
        w11(fx + gx * fy),
        den(3.f * (fx + gx * fy + gx * gy)) {}
};

VISION_ROW_KERNEL void LinearRow4(const uint8_t* s0, const uint8_t* s1, uint8_t* d, const LinearTap* taps, int tw,
                                  float fy, float gy) {
  // The weights of four target pixels at once, lane by lane as one would.
  const F4 vfy{fy, fy, fy, fy}, vgy{gy, gy, gy, gy};
  int x = 0;
  for (; x + 4 <= tw; x += 4) {
    const LinearTap* t = taps + x;
    const F4 fx{t[0].f, t[1].f, t[2].f, t[3].f}, gx{t[0].g, t[1].g, t[2].g, t[3].g};
    const F4 w10 = gx * vfy + fx * vfy + gx * vgy;
    const F4 w00 = gx * vfy + fx * vgy + gx * vgy;
    const F4 w01 = fx + gx * vgy;
    const F4 w11 = fx + gx * vfy;
    const F4 den = 3.f * (fx + gx * vfy + gx * vgy);
    for (int j = 0; j < 4; ++j) {
      const F4 v = (Load4(s1 + t[j].c * 4) * w10[j] + Load4(s0 + t[j].c * 4) * w00[j] +
                    Load4(s0 + t[j].c1 * 4) * w01[j] + Load4(s1 + t[j].c1 * 4) * w11[j]) /
                   den[j];
      Store3(v, d + 4 * (x + j));
    }
  }
  for (; x < tw; ++x) {
    const LinearTap& t = taps[x];
    const LinearWeights w(t.f, t.g, fy, gy);
    const F4 v = (Load4(s1 + t.c * 4) * w.w10 + Load4(s0 + t.c * 4) * w.w00 + Load4(s0 + t.c1 * 4) * w.w01 +
                  Load4(s1 + t.c1 * 4) * w.w11) /
                 w.den;
    Store3(v, d + 4 * x);
  }
}

template <int N>
void Linear(const Plane& p) {
  std::vector<LinearTap> cols(p.tw);
  for (int x = 0; x < p.tw; ++x) cols[x] = LinearAt(x, p.sx, p.sw);
  constexpr int kChannels = N == 1 ? 1 : 3;  // the alpha byte is not written
  const LinearTap* taps = cols.data();
  const int tw = p.tw;
#pragma omp parallel for schedule(dynamic, 8)
  for (int y = 0; y < p.td; ++y) {
    const LinearTap ry = LinearAt(y, p.sy, p.sd);
    const uint8_t* s0 = p.src + ry.c * p.srcStride;
    const uint8_t* s1 = p.src + ry.c1 * p.srcStride;
    uint8_t* d = p.dst + y * p.dstStride;
    const float fy = ry.f;
    const float gy = ry.g;
    if constexpr (N == 4) {
      LinearRow4(s0, s1, d, taps, tw, fy, gy);
    } else {
      for (int x = 0; x < tw; ++x) {
        const LinearTap& t = taps[x];
        const LinearWeights w(t.f, t.g, fy, gy);
        const int o0 = t.c * N;
        const int o1 = t.c1 * N;
        for (int ch = 0; ch < kChannels; ++ch) {
          const float v = (s1[o0 + ch] * w.w10 + s0[o0 + ch] * w.w00 + s0[o1 + ch] * w.w01 + s1[o1 + ch] * w.w11) / w.den;
          d[x * N + ch] = ToByte(v);
        }
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

VISION_ROW_KERNEL void CubicRow4(const uint8_t* const* rows, const float* wy, uint8_t* d, const CubicTap* taps,
                                 int tw) {
  for (int x = 0; x < tw; ++x) {
    const CubicTap& t = taps[x];
    F4 sum{};
    for (int n = 0; n < 4; ++n) {
      const uint8_t* r = rows[n];
      const F4 line = Load4(r + t.idx[0]) * t.w[0] + Load4(r + t.idx[1]) * t.w[1] + Load4(r + t.idx[2]) * t.w[2] +
                      Load4(r + t.idx[3]) * t.w[3];
      sum += line * wy[n];
    }
    Store3(sum, d + 4 * x);
    d[4 * x + 3] = 255;
  }
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
#pragma omp parallel for schedule(dynamic, 8)
  for (int y = 0; y < p.td; ++y) {
    const CubicTap ry = CubicAt(y, p.sy, p.sd, true);
    std::array<const uint8_t*, 4> rows;
    for (int n = 0; n < 4; ++n) rows[n] = p.src + ry.idx[n] * p.srcStride;
    uint8_t* d = p.dst + y * p.dstStride;
    if constexpr (N == 4) {
      CubicRow4(rows.data(), ry.w.data(), d, taps, tw);
      continue;
    }
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
