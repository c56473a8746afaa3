#include "box_mean.h"

#include <omp.h>

#include <algorithm>
#include <array>

#include "frame/row_kernel.h"

namespace gantrel {

namespace {

constexpr long kParallelPixels = 32768;
constexpr int kMaxCount = 127;  // 2r + 1 for r up to 63

// n / d for 1 <= d <= 128 and n < 2^15 (a sum of at most d bytes), as a
// multiply and shift: with k = 15 + ceil(log2 d) and m = ceil(2^k / d), the
// error of n * m / 2^k against n / d stays below 2^15 * d / (d * 2^k) <= 1 / d,
// so the truncation is the same; n * m stays below 2^31.
struct Divisor {
  uint32_t m = 1;
  int k = 0;
  uint32_t operator()(uint32_t n) const { return n * m >> k; }
};

const std::array<Divisor, kMaxCount + 1>& Divisors() {
  static const std::array<Divisor, kMaxCount + 1> table = [] {
    std::array<Divisor, kMaxCount + 1> t{};
    for (uint32_t d = 1; d <= kMaxCount; ++d) {
      int l = 0;
      while ((1u << l) < d) ++l;
      t[d].k = 15 + l;
      t[d].m = ((1u << t[d].k) + d - 1) / d;
    }
    return t;
  }();
  return table;
}

// The row pass of one channel: o[i * step] is the truncated mean of the
// values of s (every step-th byte) within r of i. prefix holds length + 1.
VISION_ROW_KERNEL
void RowMean(const uint8_t* s, uint8_t* o, int length, int step, int r, uint32_t* prefix, const Divisor* div) {
  prefix[0] = 0;
  for (int i = 0; i < length; ++i) prefix[i + 1] = prefix[i] + s[static_cast<ptrdiff_t>(i) * step];
  const auto edge = [&](int i) {
    const int lo = std::max(i - r, 0), hi = std::min(i + r, length - 1);
    o[static_cast<ptrdiff_t>(i) * step] = static_cast<uint8_t>(div[hi - lo + 1](prefix[hi + 1] - prefix[lo]));
  };
  // Full windows from r to length - 1 - r.
  const int first = std::min(r, length), last = length - 1 - r;
  for (int i = 0; i < first; ++i) edge(i);
  const Divisor full = div[2 * r + 1];
  if (step == 1) {
    for (int i = first; i <= last; ++i) o[i] = static_cast<uint8_t>(full(prefix[i + r + 1] - prefix[i - r]));
  } else {
    for (int i = first; i <= last; ++i) {
      o[static_cast<ptrdiff_t>(i) * step] = static_cast<uint8_t>(full(prefix[i + r + 1] - prefix[i - r]));
    }
  }
  for (int i = std::max(first, last + 1); i < length; ++i) edge(i);
}

VISION_ROW_KERNEL
void AddRow(uint16_t* sum, const uint8_t* row, int n) {
  for (int j = 0; j < n; ++j) sum[j] = static_cast<uint16_t>(sum[j] + row[j]);
}

VISION_ROW_KERNEL
void SubtractRow(uint16_t* sum, const uint8_t* row, int n) {
  for (int j = 0; j < n; ++j) sum[j] = static_cast<uint16_t>(sum[j] - row[j]);
}

VISION_ROW_KERNEL
void DivideRow(const uint16_t* sum, uint8_t* out, int n, Divisor div) {
  for (int j = 0; j < n; ++j) out[j] = static_cast<uint8_t>(div(sum[j]));
}

// Column strips of the column pass: a multiple of 64 bytes (whole pixels of
// every depth), about one per thread.
constexpr int kMaxStrip = 1024;

}  // namespace

Plane MakePlane(std::vector<uint8_t>& store, int w, int d, int bpp) {
  const ptrdiff_t stride = (static_cast<ptrdiff_t>(w) * bpp + 31) / 32 * 4;
  store.resize(static_cast<size_t>(stride) * d);
  return {store.data(), w, d, bpp, stride};
}

void BoxMean(const Plane& src, const Plane& dst, int r, std::vector<uint8_t>& rowStore) {
  const int w = src.width, d = src.depth, bytes = src.bpp / 8, channels = bytes == 4 ? 3 : 1;
  const Divisor* div = Divisors().data();
  const Plane rows = MakePlane(rowStore, w, d, src.bpp);
  const bool parallel = static_cast<long>(w) * d >= kParallelPixels;

#pragma omp parallel if (parallel)
  {
    std::vector<uint32_t> prefix(static_cast<size_t>(w) + 1);
#pragma omp for schedule(static)
    for (int y = 0; y < d; ++y) {
      const uint8_t* s = src.row(y);
      uint8_t* o = rows.row(y);
      for (int c = 0; c < channels; ++c) RowMean(s + c, o + c, w, bytes, std::min(r, w), prefix.data(), div);
      if (bytes == 4) {
        for (int x = 0; x < w; ++x) o[4 * x + 3] = s[4 * x + 3];
      }
    }
  }

  // Column pass over strips of bytes: running column sums, one row in and
  // one out per output row. Sums of at most 127 bytes fit 16 bits.
  const int rowBytes = w * bytes;
  const int threads = parallel ? omp_get_max_threads() : 1;
  const int strip = std::clamp((rowBytes / threads + 63) / 64 * 64, 64, kMaxStrip);
  const int strips = (rowBytes + strip - 1) / strip;
  const int rv = std::min(r, d);
#pragma omp parallel for schedule(static) if (parallel)
  for (int k = 0; k < strips; ++k) {
    const int x0 = k * strip, n = std::min(strip, rowBytes - x0);
    uint16_t sum[kMaxStrip] = {};
    int lo = 0, hi = -1;  // the rows [lo, hi] summed so far
    for (int y = 0; y < d; ++y) {
      const int want0 = std::max(y - rv, 0), want1 = std::min(y + rv, d - 1);
      while (hi < want1) AddRow(sum, rows.row(++hi) + x0, n);
      while (lo < want0) SubtractRow(sum, rows.row(lo++) + x0, n);
      uint8_t* out = dst.row(y) + x0;
      DivideRow(sum, out, n, div[hi - lo + 1]);
      if (bytes == 4) {
        const uint8_t* alpha = rows.row(y) + x0;
        for (int j = 3; j < n; j += 4) out[j] = alpha[j];
      }
    }
  }
}

}  // namespace gantrel
