// Minimum, maximum and extreme over the clipped square window, in two passes:
// along each row into a plane the filter keeps between runs, then down the
// columns straight into the output rows. Both passes take every offset of
// the window as one vector operation across the row.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <omp.h>
#include <vector>

#include "frame/row_kernel.h"
#include "frame/run_args.h"
#include "rank.h"

namespace jorvel {

namespace {

enum class Rank { kMinimum, kMaximum, kExtreme };

bool Parallel(int depth, int width) { return static_cast<long>(depth) * width >= frame::kParallelPixels; }

// in * (1 - i) + o * i in single precision, truncated, into o.
VISION_ROW_KERNEL void BlendInto(uint8_t* __restrict o, const uint8_t* __restrict in, size_t n, float i) {
  const float keep = 1.0f - i;
  for (size_t x = 0; x < n; ++x) {
    o[x] = static_cast<uint8_t>(
        static_cast<int>(static_cast<float>(in[x]) * keep + static_cast<float>(o[x]) * i));
  }
}

// The blend of a whole row; i = 1 leaves the choice and i = 0 gives the
// input, exactly as the arithmetic would.
void Blend(uint8_t* o, const uint8_t* in, size_t n, float i) {
  if (i == 1.0f) return;
  if (i == 0.0f) {
    std::memcpy(o, in, n);
    return;
  }
  BlendInto(o, in, n, i);
}

// ---- 8 bits ---------------------------------------------------------------

template <bool kMax>
inline uint8_t Pick(uint8_t a, uint8_t b) {
  return kMax ? std::max(a, b) : std::min(a, b);
}

// o[x] = min (or max) of four rows, and of o with four rows: taking four
// rows per pass keeps o's loads and stores few. Rows may repeat.
template <bool kMax>
VISION_ROW_KERNEL void Start4(uint8_t* __restrict o, const uint8_t* a, const uint8_t* b, const uint8_t* c,
                              const uint8_t* d, size_t n) {
  for (size_t x = 0; x < n; ++x) o[x] = Pick<kMax>(Pick<kMax>(a[x], b[x]), Pick<kMax>(c[x], d[x]));
}

template <bool kMax>
VISION_ROW_KERNEL void Fold4(uint8_t* __restrict o, const uint8_t* a, const uint8_t* b, const uint8_t* c,
                             const uint8_t* d, size_t n) {
  for (size_t x = 0; x < n; ++x) o[x] = Pick<kMax>(o[x], Pick<kMax>(Pick<kMax>(a[x], b[x]), Pick<kMax>(c[x], d[x])));
}

// o = min (or max) of the `count` rows row(0), row(1), ...; the last row
// stands in for missing ones, which changes nothing.
template <bool kMax, class Row>
void Fold(uint8_t* o, int count, size_t n, const Row& row) {
  auto at = [&](int k) { return row(std::min(k, count - 1)); };
  Start4<kMax>(o, at(0), at(1), at(2), at(3), n);
  for (int k = 4; k < count; k += 4) Fold4<kMax>(o, at(k), at(k + 1), at(k + 2), at(k + 3), n);
}

// o holds the minimum and becomes the value farther from the input (a tie
// takes the maximum).
VISION_ROW_KERNEL void FartherInto(uint8_t* __restrict o, const uint8_t* __restrict hi, const uint8_t* __restrict in,
                                   size_t n) {
  for (size_t x = 0; x < n; ++x) {
    const int v = in[x], l = o[x], h = hi[x];
    o[x] = static_cast<uint8_t>(v - l > h - v ? l : h);
  }
}

// Row pass: a row padded by r on each side with a value that never wins.
template <bool kMax>
void GreyRow(uint8_t* o, uint8_t* padded, const uint8_t* p, size_t w, int r) {
  const uint8_t pad = kMax ? 0 : 255;
  std::memset(padded, pad, static_cast<size_t>(r));
  std::memcpy(padded + r, p, w);
  std::memset(padded + r + w, pad, static_cast<size_t>(r));
  Fold<kMax>(o, 2 * r + 1, w, [&](int k) { return padded + k; });
}

// Rows of output a thread takes at a time; each band keys 2r rows more
// than it writes.
int Band(int span) { return std::max(32, 4 * span); }

// How a choice splits the frame: bands of output rows, and per thread a ring
// of the window's rows for the darkest and one for the brightest choice.
struct BandPlan {
  BandPlan(int depth, int width, int r, Rank rank)
      : w(static_cast<size_t>(width)),
        wantLo(rank != Rank::kMaximum),
        wantHi(rank != Rank::kMinimum),
        span(2 * r + 1),
        ring(static_cast<size_t>(span) * w),
        parallel(Parallel(depth, width)),
        band(Band(span)),
        bands((depth + band - 1) / band) {}

  // Sizes the rings of every thread and answers where they start.
  template <class T>
  T* ThreadRings(std::vector<T>& rings) const {
    const int threads = parallel ? omp_get_max_threads() : 1;
    rings.resize(2 * ring * static_cast<size_t>(threads));
    return rings.data();
  }

  // Inside the parallel region: the calling thread's darkest-choice ring; its
  // brightest-choice ring follows it.
  template <class T>
  T* OwnRing(T* rings) const {
    return rings + 2 * ring * static_cast<size_t>(omp_get_thread_num());
  }

  // Inside the parallel region: the bands are shared out among the threads.
  // Within a band, pass(row) runs once for each row, before the first output
  // row whose window reaches it; then out(y, y0, y1) makes output row y from
  // the window's rows y0 .. y1.
  template <class Pass, class Out>
  void ForBands(int depth, int r, Pass&& pass, Out&& out) const {
#pragma omp for schedule(dynamic, 1)
    for (int b = 0; b < bands; ++b) {
      const int yb = b * band, ye = std::min(depth, yb + band);
      int next = std::max(0, yb - r);
      for (int y = yb; y < ye; ++y) {
        const int y0 = std::max(0, y - r), y1 = std::min(depth - 1, y + r);
        for (; next <= y1; ++next) pass(next);
        out(y, y0, y1);
      }
    }
  }

  size_t w;
  bool wantLo, wantHi;
  int span;
  size_t ring;
  bool parallel;
  int band, bands;
};

// Each thread takes bands of output rows and keeps the row pass of the
// window's rows in a ring, so that a row is passed once per band and is
// still in cache when the columns read it.
void GreyChoose(const frame::FrameRows& src, const frame::FrameRows& dst, int depth, int width, int r, float i,
                Rank rank, RankPlanes& planes) {
  const BandPlan plan(depth, width, r, rank);
  const size_t w = plan.w, ring = plan.ring;
  const bool wantLo = plan.wantLo, wantHi = plan.wantHi;
  const int span = plan.span;
  uint8_t* const rings = plan.ThreadRings(planes.rings8);
#pragma omp parallel if (plan.parallel)
  {
    uint8_t* ringLo = plan.OwnRing(rings);
    uint8_t* ringHi = ringLo + ring;
    std::vector<uint8_t> padded(w + 2 * static_cast<size_t>(r)), far(w);
    const auto pass = [&](int row) {
      const size_t slot = static_cast<size_t>(row % span) * w;
      if (wantLo) GreyRow<false>(ringLo + slot, padded.data(), src.row(row), w, r);
      if (wantHi) GreyRow<true>(ringHi + slot, padded.data(), src.row(row), w, r);
    };
    const auto out = [&](int y, int y0, int y1) {
      auto rowOf = [&](const uint8_t* ringBase) {
        return [&, ringBase](int k) { return ringBase + static_cast<size_t>((y0 + k) % span) * w; };
      };
      const int count = y1 - y0 + 1;
      const uint8_t* p = src.row(y);
      uint8_t* o = dst.row(y);
      if (rank == Rank::kMinimum) Fold<false>(o, count, w, rowOf(ringLo));
      if (rank == Rank::kMaximum) Fold<true>(o, count, w, rowOf(ringHi));
      if (rank == Rank::kExtreme) {
        Fold<false>(o, count, w, rowOf(ringLo));
        Fold<true>(far.data(), count, w, rowOf(ringHi));
        FartherInto(o, far.data(), p, w);
      }
      Blend(o, p, w, i);
    };
    plan.ForBands(depth, r, pass, out);
  }
}

// ---- colour ---------------------------------------------------------------

// Pixels are chosen whole by B + G + R, the first in raster order winning
// ties. A key holds the sum (flipped to 765 - sum for the brightest, so that
// the smallest key always wins) above the pixel's offset within the window,
// so that among equal sums the earlier offset wins. The row pass keys by
// column offset; the column pass keeps the sum, keys by row offset and finds
// the column again in the row plane.
constexpr int kOffsetBits = 5;  // offsets 0 .. 2r, r at most 15
constexpr uint16_t kOffsets = (1u << kOffsetBits) - 1;
constexpr uint16_t kNever = 0xFFFF;  // above every key

template <int N>
VISION_ROW_KERNEL void SumKeys(uint16_t* __restrict lo, uint16_t* __restrict hi, const uint8_t* __restrict p,
                               size_t n) {
  for (size_t x = 0; x < n; ++x) {
    const int s = p[x * N] + p[x * N + 1] + p[x * N + 2];
    lo[x] = static_cast<uint16_t>(s << kOffsetBits);
    hi[x] = static_cast<uint16_t>((765 - s) << kOffsetBits);
  }
}

// o[x] = min over four rows j of ((s_j[x] & keep) | tag_j), and the same
// with o taking part; rows may repeat.
VISION_ROW_KERNEL void KeysStart4(uint16_t* __restrict o, const uint16_t* a, const uint16_t* b, const uint16_t* c,
                                  const uint16_t* d, const uint16_t* tags, uint16_t keep, size_t n) {
  const uint16_t ta = tags[0], tb = tags[1], tc = tags[2], td = tags[3];
  for (size_t x = 0; x < n; ++x) {
    const uint16_t ab = std::min<uint16_t>((a[x] & keep) | ta, (b[x] & keep) | tb);
    const uint16_t cd = std::min<uint16_t>((c[x] & keep) | tc, (d[x] & keep) | td);
    o[x] = std::min(ab, cd);
  }
}

VISION_ROW_KERNEL void KeysFold4(uint16_t* __restrict o, const uint16_t* a, const uint16_t* b, const uint16_t* c,
                                 const uint16_t* d, const uint16_t* tags, uint16_t keep, size_t n) {
  const uint16_t ta = tags[0], tb = tags[1], tc = tags[2], td = tags[3];
  for (size_t x = 0; x < n; ++x) {
    const uint16_t ab = std::min<uint16_t>((a[x] & keep) | ta, (b[x] & keep) | tb);
    const uint16_t cd = std::min<uint16_t>((c[x] & keep) | tc, (d[x] & keep) | td);
    o[x] = std::min(o[x], std::min(ab, cd));
  }
}

constexpr int kMaxSpan = 2 * 15 + 1;

// o[x] = min over k < count of ((rows[k][x] & keep) | (tag + k)), four rows
// per pass; the last row stands in for missing ones, which changes nothing.
void FoldKeys(uint16_t* o, const uint16_t* const* rows, int count, int tag, uint16_t keep, size_t n) {
  for (int k = 0; k < count; k += 4) {
    const uint16_t* four[4];
    uint16_t tags[4];
    for (int j = 0; j < 4; ++j) {
      const int kk = std::min(k + j, count - 1);
      four[j] = rows[kk];
      tags[j] = static_cast<uint16_t>(tag + kk);
    }
    if (k == 0) {
      KeysStart4(o, four[0], four[1], four[2], four[3], tags, keep, n);
    } else {
      KeysFold4(o, four[0], four[1], four[2], four[3], tags, keep, n);
    }
  }
}

// Row keys: o[x] = min over k < span of (s[x + k] | k).
void RowKeys(uint16_t* o, const uint16_t* s, size_t n, int span) {
  const uint16_t* rows[kMaxSpan];
  for (int k = 0; k < span; ++k) rows[k] = s + k;
  FoldKeys(o, rows, span, 0, 0xFFFF, n);
}

// Four-byte pixels read whole from the byte rows.
using Pixel32 = uint32_t __attribute__((may_alias));

// The window's rows inside the frame: the first pixel row and the row keys
// of each row, the first being row `first` of the full window.
struct WindowRows {
  const uint8_t* pixels;
  ptrdiff_t stride;
  const uint16_t* const* lo;
  const uint16_t* const* hi;
  size_t width;
  int first;
};

// The chosen pixels of one output row.
template <int N, Rank R>
VISION_ROW_KERNEL void ChosenRow(uint8_t* __restrict o, const uint8_t* __restrict p, const uint16_t* __restrict cl,
                                 const uint16_t* __restrict ch, const WindowRows& win, int r) {
  const uint8_t* base = win.pixels;
  const ptrdiff_t stride = win.stride;
  const size_t w = win.width;
  static_assert(std::endian::native == std::endian::little, "the fourth byte is the top one");
  for (size_t x = 0; x < w; ++x) {
    bool low = R == Rank::kMinimum;
    if constexpr (R == Rank::kExtreme) {
      const int s = p[x * N] + p[x * N + 1] + p[x * N + 2];
      const int dark = cl[x] >> kOffsetBits, bright = 765 - (ch[x] >> kOffsetBits);
      low = s - dark > bright - s;
    }
    const ptrdiff_t row = static_cast<int>((low ? cl[x] : ch[x]) & kOffsets) - win.first;
    const uint16_t rowKey = (low ? win.lo : win.hi)[row][x];
    const ptrdiff_t column = static_cast<ptrdiff_t>(x) + (rowKey & kOffsets) - r;
    if constexpr (N == 4) {
      const uint32_t v = reinterpret_cast<const Pixel32*>(base)[row * (stride / 4) + column];
      reinterpret_cast<Pixel32*>(o)[x] = (v & 0x00FFFFFFu) | 0x01000000u;
    } else {
      const uint8_t* c = base + row * stride + column * N;
      o[x * N] = c[0];
      o[x * N + 1] = c[1];
      o[x * N + 2] = c[2];
    }
  }
}

template <int N>
void ChosenRow(Rank rank, uint8_t* o, const uint8_t* p, const uint16_t* cl, const uint16_t* ch,
               const WindowRows& win, int r) {
  if (rank == Rank::kMinimum) ChosenRow<N, Rank::kMinimum>(o, p, cl, ch, win, r);
  if (rank == Rank::kMaximum) ChosenRow<N, Rank::kMaximum>(o, p, cl, ch, win, r);
  if (rank == Rank::kExtreme) ChosenRow<N, Rank::kExtreme>(o, p, cl, ch, win, r);
}

// Each thread takes bands of output rows and keeps the row keys of the
// window's rows in a ring, so that a row is keyed once per band and its
// keys and pixels are still in cache when the columns read them.
void ColourChoose(const frame::FrameRows& src, const frame::FrameRows& dst, int depth, int width, int r, float i,
                  Rank rank, RankPlanes& planes) {
  const int n = src.bpp / 8;
  const BandPlan plan(depth, width, r, rank);
  const size_t w = plan.w, ring = plan.ring;
  const bool wantLo = plan.wantLo, wantHi = plan.wantHi;
  const int span = plan.span;
  uint16_t* const rings = plan.ThreadRings(planes.rings);
  const size_t padded = w + 2 * static_cast<size_t>(r);
#pragma omp parallel if (plan.parallel)
  {
    uint16_t* ringLo = plan.OwnRing(rings);
    uint16_t* ringHi = ringLo + ring;
    std::vector<uint16_t> keysLo(padded, kNever), keysHi(padded, kNever);
    std::vector<uint16_t> columnLo(w), columnHi(w);
    const uint16_t* rowsLo[kMaxSpan];
    const uint16_t* rowsHi[kMaxSpan];
    const auto pass = [&](int row) {
      if (n == 3) SumKeys<3>(keysLo.data() + r, keysHi.data() + r, src.row(row), w);
      if (n == 4) SumKeys<4>(keysLo.data() + r, keysHi.data() + r, src.row(row), w);
      const size_t slot = static_cast<size_t>(row % span) * w;
      if (wantLo) RowKeys(ringLo + slot, keysLo.data(), w, span);
      if (wantHi) RowKeys(ringHi + slot, keysHi.data(), w, span);
    };
    const auto out = [&](int y, int y0, int y1) {
      const int count = y1 - y0 + 1;
      for (int k = 0; k < count; ++k) {
        const size_t slot = static_cast<size_t>((y0 + k) % span) * w;
        rowsLo[k] = ringLo + slot;
        rowsHi[k] = ringHi + slot;
      }
      const uint16_t keep = static_cast<uint16_t>(~kOffsets);
      if (wantLo) FoldKeys(columnLo.data(), rowsLo, count, y0 - y + r, keep, w);
      if (wantHi) FoldKeys(columnHi.data(), rowsHi, count, y0 - y + r, keep, w);
      const uint8_t* p = src.row(y);
      uint8_t* o = dst.row(y);
      const WindowRows win{src.row(y0), src.stride, rowsLo, rowsHi, w, y0 - y + r};
      if (n == 3) ChosenRow<3>(rank, o, p, columnLo.data(), columnHi.data(), win, r);
      if (n == 4) ChosenRow<4>(rank, o, p, columnLo.data(), columnHi.data(), win, r);
      if (i != 1.0f) {
        Blend(o, p, w * n, i);
        if (n == 4) {
          for (size_t x = 0; x < w; ++x) o[x * 4 + 3] = 1;
        }
      }
    };
    plan.ForBands(depth, r, pass, out);
  }
}

void RankChoose(Frame* in, Frame* out, int depth, int width, int r, float i, Rank rank, RankPlanes& planes) {
  const int bpp = GetFrameBPP(in);
  if ((bpp != 8 && bpp != 24 && bpp != 32) || depth <= 0 || width <= 0) return;
  const frame::FrameRows src(in), dst(out);
  if (bpp == 8) {
    GreyChoose(src, dst, depth, width, r, i, rank, planes);
  } else {
    ColourChoose(src, dst, depth, width, r, i, rank, planes);
  }
}

}  // namespace

void RankMinimum(Frame* in, Frame* out, int depth, int width, int r, float i, RankPlanes& planes) {
  RankChoose(in, out, depth, width, r, i, Rank::kMinimum, planes);
}
void RankMaximum(Frame* in, Frame* out, int depth, int width, int r, float i, RankPlanes& planes) {
  RankChoose(in, out, depth, width, r, i, Rank::kMaximum, planes);
}
void RankExtreme(Frame* in, Frame* out, int depth, int width, int r, float i, RankPlanes& planes) {
  RankChoose(in, out, depth, width, r, i, Rank::kExtreme, planes);
}

}  // namespace jorvel
