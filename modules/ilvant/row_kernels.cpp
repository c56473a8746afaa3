#include "row_kernels.h"

#include "frame/row_kernel.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace ilvant::rows {

namespace {

template <int N>
inline void LumaOf(const uint8_t* __restrict s, uint8_t* __restrict d, int width) {
  for (int x = 0; x < width; ++x) {
    const uint8_t* p = s + N * x;
    d[x] = static_cast<uint8_t>((77u * p[2] + 150u * p[1] + 29u * p[0]) >> 8);
  }
}

template <int N>
inline void AverageOf(const uint8_t* __restrict s, uint8_t* __restrict d, int width) {
  for (int x = 0; x < width; ++x) {
    const uint8_t* p = s + N * x;
    d[x] = static_cast<uint8_t>((p[2] + p[1] + static_cast<unsigned>(p[0])) / 3u);
  }
}

template <int N>
inline void SplitOf(const uint8_t* __restrict s, uint8_t* __restrict r, uint8_t* __restrict g,
                    uint8_t* __restrict b, int width) {
  for (int x = 0; x < width; ++x) {
    const uint8_t* p = s + N * x;
    r[x] = p[2], g[x] = p[1], b[x] = p[0];
  }
}

VISION_ROW_KERNEL void Luma3(const uint8_t* s, uint8_t* d, int w) { LumaOf<3>(s, d, w); }
VISION_ROW_KERNEL void Luma4(const uint8_t* s, uint8_t* d, int w) { LumaOf<4>(s, d, w); }
VISION_ROW_KERNEL void Average3(const uint8_t* s, uint8_t* d, int w) { AverageOf<3>(s, d, w); }
VISION_ROW_KERNEL void Average4(const uint8_t* s, uint8_t* d, int w) { AverageOf<4>(s, d, w); }
VISION_ROW_KERNEL void Split3(const uint8_t* s, uint8_t* r, uint8_t* g, uint8_t* b, int w) { SplitOf<3>(s, r, g, b, w); }
#ifdef __SSE2__
// Byte k of every 32-bit lane of four vectors (16 pixels), as 16 bytes.
inline __m128i Channel(const __m128i* q, int shift) {
  const __m128i low = _mm_set1_epi32(255);
  const __m128i c0 = _mm_and_si128(_mm_srli_epi32(q[0], shift), low);
  const __m128i c1 = _mm_and_si128(_mm_srli_epi32(q[1], shift), low);
  const __m128i c2 = _mm_and_si128(_mm_srli_epi32(q[2], shift), low);
  const __m128i c3 = _mm_and_si128(_mm_srli_epi32(q[3], shift), low);
  return _mm_packus_epi16(_mm_packs_epi32(c0, c1), _mm_packs_epi32(c2, c3));
}

inline void Load16(const uint8_t* s, __m128i* q) {
  for (int k = 0; k < 4; ++k) q[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * k));
}
#endif

VISION_ROW_KERNEL void Split4(const uint8_t* s, uint8_t* r, uint8_t* g, uint8_t* b, int w) {
  int x = 0;
#ifdef __SSE2__
  for (; x + 16 <= w; x += 16) {
    __m128i q[4];
    Load16(s + 4 * x, q);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b + x), Channel(q, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(g + x), Channel(q, 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(r + x), Channel(q, 16));
  }
#endif
  SplitOf<4>(s + 4 * x, r + x, g + x, b + x, w - x);
}

}  // namespace

void Luma(const uint8_t* s, int bytes, uint8_t* d, int width) { bytes == 4 ? Luma4(s, d, width) : Luma3(s, d, width); }

void Average(const uint8_t* s, int bytes, uint8_t* d, int width) {
  bytes == 4 ? Average4(s, d, width) : Average3(s, d, width);
}

void SplitRgb(const uint8_t* s, int bytes, uint8_t* r, uint8_t* g, uint8_t* b, int width) {
  bytes == 4 ? Split4(s, r, g, b, width) : Split3(s, r, g, b, width);
}

VISION_ROW_KERNEL void Alpha(const uint8_t* __restrict s, uint8_t* __restrict a, int width) {
  int x = 0;
#ifdef __SSE2__
  for (; x + 16 <= width; x += 16) {
    __m128i q[4];
    Load16(s + 4 * x, q);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a + x), Channel(q, 24));
  }
#endif
  for (; x < width; ++x) a[x] = s[4 * x + 3];
}

}  // namespace ilvant::rows
