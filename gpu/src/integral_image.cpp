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
void AllRows(int width, int height, const uint8_t* pixels, size_t stride, int bytesPerPixel, float* out, Lum lum) {
  constexpr int kBlock = 8;
  int r = 0;
  for (; r + kBlock <= height; r += kBlock) {
    RunningSums<kBlock>(width, r, pixels, stride, bytesPerPixel, out, lum);
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
    AllRows(width, height, pixels, stride, 1, out, [&t](const uint8_t* p) { return t[*p]; });
    return true;
  }
  if (bpp == 24 || bpp == 32) {
    AllRows(width, height, pixels, stride, bpp / 8, out, ColourLuminance);
    return true;
  }
  return false;
}

}  // namespace gpu
