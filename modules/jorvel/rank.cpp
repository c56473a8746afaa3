#include "rank.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "frame/row_kernel.h"
#include "frame/run_args.h"

namespace jorvel {

namespace {

bool Supported(int bpp) { return bpp == 8 || bpp == 24 || bpp == 32; }

// 256 counts with 16 coarse sums, so that a selection walks at most 32 bins.
struct Histogram {
  uint16_t coarse[16];
  uint16_t fine[256];
  void Clear() {
    std::memset(coarse, 0, sizeof coarse);
    std::memset(fine, 0, sizeof fine);
  }
  void Add(uint8_t v) {
    ++coarse[v >> 4];
    ++fine[v];
  }
  void Remove(uint8_t v) {
    --coarse[v >> 4];
    --fine[v];
  }
  // The smallest value whose cumulative count reaches h (h >= 1).
  uint8_t Select(int h) const {
    int c = 0, sum = 0;
    while (sum + coarse[c] < h) sum += coarse[c++];
    int v = c << 4;
    while (sum + fine[v] < h) sum += fine[v++];
    return static_cast<uint8_t>(v);
  }
};

// The 4th smallest of the full 3 x 3 windows of one inner row: a, b and c
// are rows y - 1, y and y + 1 at the window's left column; n bytes per
// pixel, `count` pixels. A sorting network, so that the row runs without
// branches.
template <int N>
VISION_ROW_KERNEL void FourthOfNine(uint8_t* __restrict out, const uint8_t* __restrict a, const uint8_t* __restrict b,
                                    const uint8_t* __restrict c, size_t count) {
  for (size_t i = 0; i < count * N; ++i) {
    uint8_t v[9] = {a[i], a[i + N], a[i + 2 * N], b[i], b[i + N], b[i + 2 * N], c[i], c[i + N], c[i + 2 * N]};
#define JORVEL_SWAP(p, q)                      \
  {                                            \
    const uint8_t lo = std::min(v[p], v[q]);   \
    v[q] = std::max(v[p], v[q]);               \
    v[p] = lo;                                 \
  }
    JORVEL_SWAP(0, 3) JORVEL_SWAP(1, 7) JORVEL_SWAP(2, 5) JORVEL_SWAP(4, 8) JORVEL_SWAP(0, 7) JORVEL_SWAP(2, 4)
    JORVEL_SWAP(3, 8) JORVEL_SWAP(5, 6) JORVEL_SWAP(0, 2) JORVEL_SWAP(1, 3) JORVEL_SWAP(4, 5) JORVEL_SWAP(7, 8)
    JORVEL_SWAP(1, 4) JORVEL_SWAP(3, 6) JORVEL_SWAP(5, 7) JORVEL_SWAP(0, 1) JORVEL_SWAP(2, 4) JORVEL_SWAP(3, 5)
    JORVEL_SWAP(6, 8) JORVEL_SWAP(2, 3) JORVEL_SWAP(4, 5) JORVEL_SWAP(6, 7) JORVEL_SWAP(1, 2) JORVEL_SWAP(3, 4)
    JORVEL_SWAP(5, 6)
#undef JORVEL_SWAP
    out[i + N] = v[3];
  }
}

void FourthOfNineRow(int n, uint8_t* out, const uint8_t* a, const uint8_t* b, const uint8_t* c, size_t count) {
  if (n == 1) FourthOfNine<1>(out, a, b, c, count);
  if (n == 3) FourthOfNine<3>(out, a, b, c, count);
  if (n == 4) FourthOfNine<4>(out, a, b, c, count);
}

}  // namespace

void RankMedian(Frame* in, Frame* out, int depth, int width, int r) {
  const int bpp = GetFrameBPP(in);
  if (!Supported(bpp) || depth <= 0 || width <= 0) return;
  const frame::FrameRows src(in), dst(out);
  const int n = bpp / 8, channels = n == 1 ? 1 : 3;
#pragma omp parallel if (static_cast <long>(depth) * width >= frame::kParallelPixels)
  {
    Histogram hist[3];
#pragma omp for schedule(static)
    for (int y = 0; y < depth; ++y) {
      const int y0 = std::max(0, y - r), y1 = std::min(depth - 1, y + r);
      const int rows = y1 - y0 + 1;
      uint8_t* o = dst.row(y);
      const uint8_t* i = src.row(y);
      auto column = [&](int x, bool add) {
        for (int yy = y0; yy <= y1; ++yy) {
          const uint8_t* p = src.row(yy) + x * n;
          for (int c = 0; c < channels; ++c) add ? hist[c].Add(p[c]) : hist[c].Remove(p[c]);
        }
      };
      // The pixel x from the histograms holding its window.
      auto select = [&](int x) {
        const int count = rows * (std::min(width - 1, x + r) - std::max(0, x - r) + 1);
        const int h = count / 2;
        for (int c = 0; c < channels; ++c) o[x * n + c] = h >= 1 ? hist[c].Select(h) : 255;
        if (n == 4) o[x * 4 + 3] = i[x * 4 + 3];
      };
      for (int c = 0; c < channels; ++c) hist[c].Clear();
      if (r == 1 && y > 0 && y < depth - 1 && width >= 3) {
        // Full windows by the network; the two outer columns by histograms.
        FourthOfNineRow(n, o, src.row(y - 1), i, src.row(y + 1), static_cast<size_t>(width - 2));
        if (n == 4) {
          for (int x = 1; x < width - 1; ++x) o[x * 4 + 3] = i[x * 4 + 3];
        }
        column(0, true);
        column(1, true);
        select(0);
        for (int c = 0; c < channels; ++c) hist[c].Clear();
        column(width - 2, true);
        column(width - 1, true);
        select(width - 1);
        continue;
      }
      for (int x = 0; x < std::min(r, width); ++x) column(x, true);
      for (int x = 0; x < width; ++x) {
        if (x > r) column(x - r - 1, false);
        if (x < width - r) column(x + r, true);
        select(x);
      }
    }
  }
}

float WhiteMean(Frame* white, int depth, int width) {
  const int bpp = GetFrameBPP(white);
  if ((bpp != 8 && bpp != 32) || depth <= 0 || width <= 0) return 0.0f;
  const frame::FrameRows src(white);
  // Summed exactly: a single-precision sum drops units past 2^24.
  uint64_t sum = 0;
  for (int y = 0; y < depth; ++y) {
    const uint8_t* p = src.row(y);
    if (bpp == 8) {
      for (int x = 0; x < width; ++x) sum += p[x];
    } else {
      for (int x = 0; x < width; ++x) sum += p[x * 4] + p[x * 4 + 1] + p[x * 4 + 2];
    }
  }
  const float pixels = static_cast<float>(static_cast<int64_t>(width) * depth);
  const float total = static_cast<float>(sum);
  return bpp == 8 ? total / pixels : total / 3.0f / pixels;
}

namespace {

// v * mean / w, truncated and limited to 255; 0 where v or w is 0. The
// division runs on every lane (by 1 where w is 0) and q is limited before it
// is converted, so that the row vectorises.
VISION_ROW_KERNEL void FlatFieldRow(uint8_t* __restrict o, const uint8_t* __restrict in,
                                    const uint8_t* __restrict white, size_t n, float mean) {
  for (size_t x = 0; x < n; ++x) {
    const uint8_t v = in[x], w = white[x];
    const float q = static_cast<float>(v) * mean / static_cast<float>(w + (w == 0));
    const int t = static_cast<int>(std::min(q, 255.0f));
    o[x] = static_cast<uint8_t>(t * ((v != 0) & (w != 0)));
  }
}

// Each colour byte times 3 * mean / (B + G + R of white), or the input pixel
// where that sum is 0; the fourth byte copied.
VISION_ROW_KERNEL void FlatFieldColorRow(uint8_t* __restrict o, const uint8_t* __restrict in,
                                         const uint8_t* __restrict white, size_t n, float mean) {
  for (size_t x = 0; x < n; ++x) {
    const uint8_t* w = white + x * 4;
    const uint8_t* p = in + x * 4;
    const int s = w[0] + w[1] + w[2];
    const float d = static_cast<float>(s + (s == 0));
    const int black = -(s == 0);  // all ones where the input is kept
    for (int c = 0; c < 3; ++c) {
      const float q = static_cast<float>(3 * p[c]) * mean / d;
      const int t = static_cast<int>(std::min(q, 255.0f));
      o[x * 4 + c] = static_cast<uint8_t>((p[c] & black) | (t & ~black));
    }
    o[x * 4 + 3] = p[3];
  }
}

}  // namespace

void FlatFieldGrey(const unsigned char* white, ptrdiff_t stride, unsigned char* out, const unsigned char* in, int depth,
                   int width, float mean) {
  frame::ForRows(depth, width, [&](int y) {
    FlatFieldRow(out + y * stride, in + y * stride, white + y * stride, static_cast<size_t>(width), mean);
  });
}

void FlatFieldColor(const unsigned char* white, unsigned char* out, const unsigned char* in, int depth, int width,
                    float mean) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(width) * 4;
  frame::ForRows(depth, width, [&](int y) {
    FlatFieldColorRow(out + y * stride, in + y * stride, white + y * stride, static_cast<size_t>(width), mean);
  });
}

}  // namespace jorvel
