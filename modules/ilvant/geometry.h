// Helpers shared by the geometric methods: reading scalar inputs by position,
// safe truncations and the 8-bit-fraction bilinear sample of rotate and
// translate.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "frame_access.h"

namespace ilvant::geometry {

// Single precision, saturated so that the conversion of a huge double stays
// defined; NaN gives 0.
inline float ToFloat(double v) {
  constexpr double kMax = 3.4e38;
  if (std::isnan(v)) return 0.f;
  return static_cast<float>(v < -kMax ? -kMax : (v > kMax ? kMax : v));
}

// One axis of a bilinear sample in 1/256 pixel: the two source indices and
// their weights (summing to 256 inside, less on a partly covered border,
// 0 outside the source).
struct Tap {
  int i0 = 0;
  int i1 = 0;
  int w0 = 0;
  int w1 = 0;
};

// Position p (1/256 pixel) on an axis of n pixels; a neighbour past the last
// pixel is replaced by the pixel itself. Positions outside [0, 256n) give a
// zero tap.
inline Tap AxisTap(int64_t p, int n) {
  Tap t;
  if (p < 0 || p >= 256 * static_cast<int64_t>(n)) return t;
  t.i0 = static_cast<int>(p >> 8);
  t.i1 = t.i0 + 1 < n ? t.i0 + 1 : t.i0;
  t.w1 = static_cast<int>(p & 255);
  t.w0 = 256 - t.w1;
  return t;
}

#ifdef __SSE2__
// The four bytes of a pixel as four floats.
inline __m128 Lanes(const uint8_t* p) {
  int32_t word;
  std::memcpy(&word, p, 4);
  const __m128i zero = _mm_setzero_si128();
  return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero));
}
#endif

// Writes one target pixel of N bytes (1 or 4) from the taps: 0 when either
// axis is outside; else the bilinear grey or B, G, R (weights in 1/65536, sum
// shifted right by 16) with the alpha of the source pixel (i0, i0).
template <int N>
inline void SamplePixel(const FrameRows& src, const Tap& tx, const Tap& ty, uint8_t* dst) {
  if ((tx.w0 | tx.w1) == 0 || (ty.w0 | ty.w1) == 0) {
    std::memset(dst, 0, N);
    return;
  }
  const uint8_t* r0 = src.row(ty.i0);
  const uint8_t* r1 = src.row(ty.i1);
  const uint8_t* p00 = r0 + tx.i0 * N;
  const uint8_t* p01 = r0 + tx.i1 * N;
  const uint8_t* p10 = r1 + tx.i0 * N;
  const uint8_t* p11 = r1 + tx.i1 * N;
  const int w00 = tx.w0 * ty.w0;
  const int w01 = tx.w1 * ty.w0;
  const int w10 = tx.w0 * ty.w1;
  const int w11 = tx.w1 * ty.w1;
#ifdef __SSE2__
  if constexpr (N == 4) {
    // The four channels at once in single precision: every product and
    // partial sum is an integer below 2^24, so the sum is exact and the
    // bytes equal the integer rule's.
    const __m128 sum = _mm_add_ps(
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(Lanes(p00), _mm_set1_ps(static_cast<float>(w00))),
                              _mm_mul_ps(Lanes(p01), _mm_set1_ps(static_cast<float>(w01)))),
                   _mm_mul_ps(Lanes(p10), _mm_set1_ps(static_cast<float>(w10)))),
        _mm_mul_ps(Lanes(p11), _mm_set1_ps(static_cast<float>(w11))));
    const __m128i bytes = _mm_srli_epi32(_mm_cvttps_epi32(sum), 16);
    const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(bytes, bytes), bytes);
    uint32_t word = static_cast<uint32_t>(_mm_cvtsi128_si32(packed)), alpha;
    std::memcpy(&alpha, p00, 4);
    word = (word & 0x00FFFFFFu) | (alpha & 0xFF000000u);
    std::memcpy(dst, &word, 4);
    return;
  }
#endif
  constexpr int kColours = N == 1 ? 1 : 3;
  for (int ch = 0; ch < kColours; ++ch) {
    dst[ch] = static_cast<uint8_t>((p00[ch] * w00 + p01[ch] * w01 + p10[ch] * w10 + p11[ch] * w11) >> 16);
  }
  if constexpr (N == 4) dst[3] = p00[3];
}

}  // namespace ilvant::geometry
