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

namespace {

VISION_ROW_KERNEL void MinInto(uint8_t* __restrict o, const uint8_t* __restrict s, size_t n) {
  for (size_t x = 0; x < n; ++x) o[x] = std::min(o[x], s[x]);
}

VISION_ROW_KERNEL void MaxInto(uint8_t* __restrict o, const uint8_t* __restrict s, size_t n) {
  for (size_t x = 0; x < n; ++x) o[x] = std::max(o[x], s[x]);
}

// in * (1 - i) + chosen * i in single precision, truncated.
inline uint8_t Blend(uint8_t in, uint8_t chosen, float i) {
  return static_cast<uint8_t>(static_cast<float>(in) * (1.0f - i) + static_cast<float>(chosen) * i);
}

// Running choice along one direction for 8-bit frames: the clipped window
// minimum and maximum are separable, first along rows into `lo`/`hi`, then
// along columns.
void GreyMinMax(const frame::FrameRows& src, int depth, int width, int r, std::vector<uint8_t>& lo,
                std::vector<uint8_t>& hi, bool wantLo, bool wantHi) {
  const size_t w = static_cast<size_t>(width);
  std::vector<uint8_t> rowLo(wantLo ? w * depth : 0), rowHi(wantHi ? w * depth : 0);
  frame::ForRows(depth, width, [&](int y) {
    const uint8_t* p = src.row(y);
    uint8_t* a = wantLo ? &rowLo[y * w] : nullptr;
    uint8_t* b = wantHi ? &rowHi[y * w] : nullptr;
    // Columns whose window lies inside the row, tap after tap across them.
    const int x0 = std::min(r, width), x1 = std::max(x0, width - r);
    if (x1 > x0) {
      if (a) std::copy(p, p + (x1 - x0), a + x0);
      if (b) std::copy(p, p + (x1 - x0), b + x0);
      for (int k = 1; k <= 2 * r; ++k) {
        const uint8_t* s = p + k - r;
        if (a) MinInto(a + x0, s + x0, static_cast<size_t>(x1 - x0));
        if (b) MaxInto(b + x0, s + x0, static_cast<size_t>(x1 - x0));
      }
    }
    auto edge = [&](int x) {
      uint8_t lo = 255, hi = 0;
      for (int xx = std::max(0, x - r); xx <= std::min(width - 1, x + r); ++xx) {
        lo = std::min(lo, p[xx]);
        hi = std::max(hi, p[xx]);
      }
      if (a) a[x] = lo;
      if (b) b[x] = hi;
    };
    for (int x = 0; x < (x1 > x0 ? x0 : width); ++x) edge(x);
    if (x1 > x0) {
      for (int x = x1; x < width; ++x) edge(x);
    }
  });
  lo.resize(wantLo ? w * depth : 0);
  hi.resize(wantHi ? w * depth : 0);
  frame::ForRows(depth, width, [&](int y) {
    const int y0 = std::max(0, y - r), y1 = std::min(depth - 1, y + r);
    if (wantLo) {
      uint8_t* o = &lo[y * w];
      std::copy_n(&rowLo[y0 * w], w, o);
      for (int yy = y0 + 1; yy <= y1; ++yy) {
        MinInto(o, &rowLo[yy * w], w);
      }
    }
    if (wantHi) {
      uint8_t* o = &hi[y * w];
      std::copy_n(&rowHi[y0 * w], w, o);
      for (int yy = y0 + 1; yy <= y1; ++yy) {
        MaxInto(o, &rowHi[yy * w], w);
      }
    }
  });
}

// For colour frames, the chosen pixel of each window as a key that orders
// the candidates: for the minimum, smaller sum first, then earlier row, then
// earlier column; the maximum flips sum so that the smallest key still wins.
// Key layout: sum (10 bits) | row (27 bits) | column (27 bits).
constexpr int kPosBits = 27;
inline uint64_t Key(int sum, int y, int x) {
  return (static_cast<uint64_t>(sum) << (2 * kPosBits)) | (static_cast<uint64_t>(y) << kPosBits) |
         static_cast<uint64_t>(x);
}
inline int KeyRow(uint64_t k) { return static_cast<int>((k >> kPosBits) & ((1u << kPosBits) - 1)); }
inline int KeyColumn(uint64_t k) { return static_cast<int>(k & ((1u << kPosBits) - 1)); }

// Keys of the chosen pixel per window: darkest (`brightest` false) or
// brightest. Rows first (the leftmost of a row's best), then columns (the
// first row's), which is the first in raster order over the whole window.
std::vector<uint64_t> ColourChoice(const frame::FrameRows& src, int n, int depth, int width, int r, bool brightest) {
  const size_t w = static_cast<size_t>(width);
  std::vector<uint64_t> rows(w * depth), out(w * depth);
  frame::ForRows(depth, width, [&](int y) {
    const uint8_t* p = src.row(y);
    for (int x = 0; x < width; ++x) {
      const int x0 = std::max(0, x - r), x1 = std::min(width - 1, x + r);
      uint64_t best = UINT64_MAX;
      for (int xx = x0; xx <= x1; ++xx) {
        const int sum = p[xx * n] + p[xx * n + 1] + p[xx * n + 2];
        best = std::min(best, Key(brightest ? 765 - sum : sum, y, xx));
      }
      rows[y * w + x] = best;
    }
  });
  frame::ForRows(depth, width, [&](int y) {
    const int y0 = std::max(0, y - r), y1 = std::min(depth - 1, y + r);
    uint64_t* o = &out[y * w];
    std::copy_n(&rows[y0 * w], w, o);
    for (int yy = y0 + 1; yy <= y1; ++yy) {
      const uint64_t* s = &rows[yy * w];
      for (size_t x = 0; x < w; ++x) o[x] = std::min(o[x], s[x]);
    }
  });
  return out;
}

enum class Rank { kMinimum, kMaximum, kExtreme };

void RankChoose(Frame* in, Frame* out, int depth, int width, int r, float i, Rank rank) {
  const int bpp = GetFrameBPP(in);
  if (!Supported(bpp) || depth <= 0 || width <= 0) return;
  const frame::FrameRows src(in), dst(out);
  const size_t w = static_cast<size_t>(width);
  const bool wantLo = rank != Rank::kMaximum, wantHi = rank != Rank::kMinimum;
  if (bpp == 8) {
    std::vector<uint8_t> lo, hi;
    GreyMinMax(src, depth, width, r, lo, hi, wantLo, wantHi);
    frame::ForRows(depth, width, [&](int y) {
      const uint8_t* p = src.row(y);
      uint8_t* o = dst.row(y);
      for (int x = 0; x < width; ++x) {
        uint8_t e;
        if (rank == Rank::kMinimum) {
          e = lo[y * w + x];
        } else if (rank == Rank::kMaximum) {
          e = hi[y * w + x];
        } else {
          const int v = p[x], l = lo[y * w + x], h = hi[y * w + x];
          e = static_cast<uint8_t>(v - l > h - v ? l : h);
        }
        o[x] = Blend(p[x], e, i);
      }
    });
    return;
  }
  const int n = bpp / 8;
  std::vector<uint64_t> lo, hi;
  if (wantLo) lo = ColourChoice(src, n, depth, width, r, false);
  if (wantHi) hi = ColourChoice(src, n, depth, width, r, true);
  frame::ForRows(depth, width, [&](int y) {
    const uint8_t* p = src.row(y);
    uint8_t* o = dst.row(y);
    for (int x = 0; x < width; ++x) {
      uint64_t key;
      if (rank == Rank::kMinimum) {
        key = lo[y * w + x];
      } else if (rank == Rank::kMaximum) {
        key = hi[y * w + x];
      } else {
        const int s = p[x * n] + p[x * n + 1] + p[x * n + 2];
        const int dark = static_cast<int>(lo[y * w + x] >> (2 * kPosBits));
        const int bright = 765 - static_cast<int>(hi[y * w + x] >> (2 * kPosBits));
        key = s - dark > bright - s ? lo[y * w + x] : hi[y * w + x];
      }
      const uint8_t* c = src.row(KeyRow(key)) + KeyColumn(key) * n;
      for (int ch = 0; ch < 3; ++ch) o[x * n + ch] = Blend(p[x * n + ch], c[ch], i);
      if (n == 4) o[x * 4 + 3] = 1;
    }
  });
}

}  // namespace

void RankMinimum(Frame* in, Frame* out, int depth, int width, int r, float i) {
  RankChoose(in, out, depth, width, r, i, Rank::kMinimum);
}
void RankMaximum(Frame* in, Frame* out, int depth, int width, int r, float i) {
  RankChoose(in, out, depth, width, r, i, Rank::kMaximum);
}
void RankExtreme(Frame* in, Frame* out, int depth, int width, int r, float i) {
  RankChoose(in, out, depth, width, r, i, Rank::kExtreme);
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

inline uint8_t Limited(float q) { return q > 255.0f ? 255 : static_cast<uint8_t>(q); }

}  // namespace

void FlatFieldGrey(const unsigned char* white, ptrdiff_t stride, unsigned char* out, const unsigned char* in, int depth,
                   int width, float mean) {
  frame::ForRows(depth, width, [&](int y) {
    const uint8_t* wr = white + y * stride;
    const uint8_t* ir = in + y * stride;
    uint8_t* o = out + y * stride;
    for (int x = 0; x < width; ++x) {
      const uint8_t v = ir[x], w = wr[x];
      o[x] = v == 0 || w == 0 ? 0 : Limited(static_cast<float>(v) * mean / static_cast<float>(w));
    }
  });
}

void FlatFieldColor(const unsigned char* white, unsigned char* out, const unsigned char* in, int depth, int width,
                    float mean) {
  const ptrdiff_t stride = static_cast<ptrdiff_t>(width) * 4;
  frame::ForRows(depth, width, [&](int y) {
    const uint8_t* wr = white + y * stride;
    const uint8_t* ir = in + y * stride;
    uint8_t* o = out + y * stride;
    for (int x = 0; x < width; ++x) {
      const uint8_t* w = wr + x * 4;
      const uint8_t* p = ir + x * 4;
      const int s = w[0] + w[1] + w[2];
      if (s == 0) {
        std::memcpy(o + x * 4, p, 4);
        continue;
      }
      for (int c = 0; c < 3; ++c) {
        o[x * 4 + c] = Limited(static_cast<float>(3 * p[c]) * mean / static_cast<float>(s));
      }
      o[x * 4 + 3] = p[3];
    }
  });
}

}  // namespace jorvel
