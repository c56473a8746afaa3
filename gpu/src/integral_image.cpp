#include <emmintrin.h>

#include <array>
#include <cstring>

#include "gpu/feature.h"

namespace gpu {
namespace {

// Luminance of an 8-bit value, computed in double and rounded to float.
const std::array<float, 256>& GreyLuminance() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (int v = 0; v < 256; ++v) t[v] = static_cast<float>(v * 0.001307189 * 3);
    return t;
  }();
  return table;
}

inline float ColourLuminance(const uint8_t* p) {
  return static_cast<float>(p[2] * 0.001172549 + p[1] * 0.00230196 + p[0] * 0.000447058);
}

// Each row's running sums, N rows together: every row keeps its own chain of
// float adds in column order, and the N chains interleave.
template <int N, class Lum>
void RunningSums(int width, int r0, const uint8_t* pixels, size_t stride, int bytesPerPixel, float* out, Lum lum) {
  const uint8_t* src[N];
  float* dst[N];
  for (int k = 0; k < N; ++k) {
    src[k] = pixels + static_cast<size_t>(r0 + k) * stride;
    dst[k] = out + static_cast<size_t>(r0 + k) * width;
  }
  float s[N] = {};
  for (int x = 0; x < width; ++x) {
    for (int k = 0; k < N; ++k) {
      s[k] += lum(src[k] + x * bytesPerPixel);
      dst[k][x] = s[k];
    }
  }
}

// The running sums of 8-bit rows, 4 rows by 4 columns at a time: the
// luminances are computed as the scalar path does (in double, then rounded
// to float), turned so that one vector holds a column of the 4 rows, and
// added column after column, so each row's chain of adds keeps its order.
// Two groups of rows interleave to hide the adds' latency.
inline __m128 GreyLuminance4(const uint8_t* p) {
  uint32_t bytes;
  std::memcpy(&bytes, p, 4);
  const __m128i zero = _mm_setzero_si128();
  const __m128i d = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bytes)), zero), zero);
  const __m128d c = _mm_set1_pd(0.001307189), three = _mm_set1_pd(3.0);
  const __m128d lo = _mm_mul_pd(_mm_mul_pd(_mm_cvtepi32_pd(d), c), three);
  const __m128d hi = _mm_mul_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(d, 0xEE)), c), three);
  return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
}

struct GreyGroup {
  const uint8_t* src[4];
  float* dst[4];
  __m128 s = _mm_setzero_ps();

  void Step(int x) {
    __m128 r0 = GreyLuminance4(src[0] + x), r1 = GreyLuminance4(src[1] + x);
    __m128 r2 = GreyLuminance4(src[2] + x), r3 = GreyLuminance4(src[3] + x);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);  // now column j of the 4 rows
    r0 = s = _mm_add_ps(s, r0);
    r1 = s = _mm_add_ps(s, r1);
    r2 = s = _mm_add_ps(s, r2);
    r3 = s = _mm_add_ps(s, r3);
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);  // back to rows
    _mm_storeu_ps(dst[0] + x, r0);
    _mm_storeu_ps(dst[1] + x, r1);
    _mm_storeu_ps(dst[2] + x, r2);
    _mm_storeu_ps(dst[3] + x, r3);
  }
  void Tail(int x, int width, const std::array<float, 256>& t) {
    alignas(16) float sums[4];
    _mm_store_ps(sums, s);
    for (int k = 0; k < 4; ++k) {
      for (int c = x; c < width; ++c) dst[k][c] = sums[k] += t[src[k][c]];
    }
  }
};

void GreyRunningSums8(int width, int r0, const uint8_t* pixels, size_t stride, float* out,
                      const std::array<float, 256>& t) {
  GreyGroup a, b;
  for (int k = 0; k < 4; ++k) {
    a.src[k] = pixels + static_cast<size_t>(r0 + k) * stride;
    b.src[k] = pixels + static_cast<size_t>(r0 + 4 + k) * stride;
    a.dst[k] = out + static_cast<size_t>(r0 + k) * width;
    b.dst[k] = out + static_cast<size_t>(r0 + 4 + k) * width;
  }
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    a.Step(x);
    b.Step(x);
  }
  a.Tail(x, width, t);
  b.Tail(x, width, t);
}

// Adds the entries of the row above: entry = running sum + entry above, the
// same single add per entry whatever the order of columns.
void AddRowAbove(int width, const float* above, float* row) {
  typedef float V4 __attribute__((vector_size(16)));
  int x = 0;
  for (; x + 4 <= width; x += 4) {
    V4 a, b;
    std::memcpy(&a, row + x, sizeof a);
    std::memcpy(&b, above + x, sizeof b);
    a = a + b;
    std::memcpy(row + x, &a, sizeof a);
  }
  for (; x < width; ++x) row[x] = row[x] + above[x];
}

template <class Lum>
void AllRows(int width, int height, const uint8_t* pixels, size_t stride, int bytesPerPixel, float* out, Lum lum,
             const std::array<float, 256>* grey = nullptr) {
  constexpr int kBlock = 8;
  int r = 0;
  for (; r + kBlock <= height; r += kBlock) {
    if (grey) {
      GreyRunningSums8(width, r, pixels, stride, out, *grey);
    } else {
      RunningSums<kBlock>(width, r, pixels, stride, bytesPerPixel, out, lum);
    }
    for (int k = r == 0 ? 1 : r; k < r + kBlock; ++k) {
      AddRowAbove(width, out + static_cast<size_t>(k - 1) * width, out + static_cast<size_t>(k) * width);
    }
  }
  for (; r < height; ++r) {
    RunningSums<1>(width, r, pixels, stride, bytesPerPixel, out, lum);
    if (r > 0) AddRowAbove(width, out + static_cast<size_t>(r - 1) * width, out + static_cast<size_t>(r) * width);
  }
}

}  // namespace

bool ComputeIntegralImage(int width, int height, int bpp, const uint8_t* pixels, size_t stride, float* out) {
  if (width < 1 || height < 1 || !pixels || !out) return false;
  if (bpp == 8) {
    const std::array<float, 256>& t = GreyLuminance();
    AllRows(width, height, pixels, stride, 1, out, [&t](const uint8_t* p) { return t[*p]; }, &t);
    return true;
  }
  if (bpp == 24 || bpp == 32) {
    AllRows(width, height, pixels, stride, bpp / 8, out, ColourLuminance);
    return true;
  }
  return false;
}

}  // namespace gpu
