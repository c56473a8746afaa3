#include "frame/image_stats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

#include "talvix.h"

namespace frame {

namespace {

constexpr int kBins = 256;
constexpr int kUniformWindow = 15;  // adjacent grey values that make a region uniform
constexpr int kInkGap = 48;         // grey values between a plain ground and ink clear of it
constexpr int kLeastInk = 20;       // pixels: fewer are specks, not ink

// Truncation toward zero; values beyond the int range saturate instead of
// being undefined.
int TruncToInt(float v) {
  if (v >= 2147483648.0f) return std::numeric_limits<int>::max();
  if (v < -2147483648.0f) return std::numeric_limits<int>::min();
  if (std::isnan(v)) return 0;
  return static_cast<int>(v);
}

const int32_t* RowStart(const int32_t* matrix, int rowLength, int row) {
  return matrix + static_cast<ptrdiff_t>(row) * rowLength;
}

// sqrt in double precision, rounded to single.
float RootOf(float v) { return static_cast<float>(std::sqrt(static_cast<double>(v))); }

// The histogram of a region, and its pairs of neighbouring pixels delivered
// one after the other, counted by the brighter and by the darker of the two.
struct RegionTally {
  std::array<uint32_t, kBins> bins{};
  std::array<uint32_t, kBins> pairsByBrighter{};
  std::array<uint32_t, kBins> pairsByDarker{};
  int64_t lastX = 0, lastY = 0;
  unsigned lastValue = 0;
  bool haveLast = false;
};

bool CountRegionPixel(void* user, int x, int y, unsigned value) {
  RegionTally* t = static_cast<RegionTally*>(user);
  if (value >= kBins) {
    t->haveLast = false;
    return true;
  }
  ++t->bins[value];
  const int64_t dx = x - t->lastX, dy = y - t->lastY;
  if (t->haveLast && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
    ++t->pairsByBrighter[std::max(value, t->lastValue)];
    ++t->pairsByDarker[std::min(value, t->lastValue)];
  }
  t->lastX = x;
  t->lastY = y;
  t->lastValue = value;
  t->haveLast = true;
  return true;
}

// Whether pixels well clear of the window of kUniformWindow values at `start`
// make a group of their own on one side: ink on a plain ground, which may
// cover far less than 2 % of a region. Scattered noise does not count: it is
// rarely next to another such pixel, where the pixels of a stroke are.
bool ClearInkBeside(const RegionTally& t, int start, uint64_t total) {
  const uint64_t least = std::max<uint64_t>(kLeastInk, total / 10000);
  const auto group = [least](uint64_t ink, uint64_t pairs) { return ink >= least && 4 * pairs >= ink; };
  uint64_t ink = 0, pairs = 0;
  for (int v = 0; v < start - kInkGap; ++v) {
    ink += t.bins[v];
    pairs += t.pairsByBrighter[v];
  }
  if (group(ink, pairs)) return true;
  ink = pairs = 0;
  for (int v = start + kUniformWindow + kInkGap; v < kBins; ++v) {
    ink += t.bins[v];
    pairs += t.pairsByDarker[v];
  }
  return group(ink, pairs);
}

}  // namespace

bool CountHistogramBin(void* histogram, int, int, unsigned value) {
  if (value < kBins) ++static_cast<uint32_t*>(histogram)[value];
  return true;
}

int AutoThreshold(const Frame* frame, const TRectangularRegion* region) {
  RegionTally tally;
  ScanRectangularRegion(frame, region, 1, &tally, CountRegionPixel);
  const std::array<uint32_t, kBins>& bins = tally.bins;

  uint64_t total = 0;
  for (uint32_t b : bins) total += b;
  if (total == 0) return 0;  // empty region: 0 / 0 below
  const uint64_t limit = static_cast<uint64_t>(static_cast<double>(total) * 0.98);

  // The fullest window of adjacent values: above the limit the region is
  // uniform, unless clear ink stands apart from it.
  uint64_t window = 0, fullest = 0;
  int fullestStart = 0;
  for (int i = 0; i < kUniformWindow; ++i) window += bins[i];
  for (int s = 0;; ++s) {
    if (window > fullest) {
      fullest = window;
      fullestStart = s;
    }
    if (s + kUniformWindow >= kBins) break;
    window += bins[s + kUniformWindow];
    window -= bins[s];
  }
  if (fullest > limit && !ClearInkBeside(tally, fullestStart, total)) return 0;

  std::array<float, kBins> p;
  const float ftotal = static_cast<float>(total);
  float muT = 0.0f;
  for (int i = 0; i < kBins; ++i) {
    p[i] = static_cast<float>(bins[i]) / ftotal;
    muT += static_cast<float>(i) * p[i];
  }

  float omega = p[0], mu = 0.0f, bestVariance = 0.0f;
  int best = 0;
  for (int k = 1; k < kBins; ++k) {
    omega += p[k];
    mu += static_cast<float>(k) * p[k];
    if (omega == 0.0f || omega == 1.0f) continue;
    const float d = omega * muT - mu;
    const float variance = d * d / ((1.0f - omega) * omega);
    if (variance > bestVariance) {
      bestVariance = variance;
      best = k;
    }
  }
  return best;
}

unsigned GetPixelIntensity(const Frame* frame, int x, int y) {
  if (!frame) return 0;
  const int w = GetFrameWidth(frame), h = GetFrameDepth(frame), bpp = GetFrameBPP(frame);
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(w) || static_cast<unsigned>(y) >= static_cast<unsigned>(h))
    return 0;
  const uint8_t* data = GetFrameDataAddr(const_cast<Frame*>(frame));
  if (bpp == 8) return data[static_cast<ptrdiff_t>(y) * ((w + 3) & ~3) + x];
  if (bpp == 32) {
    const uint8_t* p = data + static_cast<ptrdiff_t>(y) * 4 * w + 4 * static_cast<ptrdiff_t>(x);
    return (p[0] + p[1] + p[2]) / 3u;
  }
  return 0;
}

uint32_t RowSum(const int32_t* matrix, int rowLength, int row) {
  if (rowLength <= 0) return 0;
  const int32_t* e = RowStart(matrix, rowLength, row);
  uint32_t sum = 0;
  for (int i = 0; i < rowLength; ++i) sum += static_cast<uint32_t>(e[i]);
  return sum;
}

float RowMean(const int32_t* matrix, int rowLength, int row) {
  if (rowLength <= 0) return 0.0f;
  const double sum = RowSum(matrix, rowLength, row);
  return static_cast<float>(sum) / static_cast<float>(rowLength);
}

float RowStdDev(const int32_t* matrix, int rowLength, int row, int* mean) {
  if (rowLength <= 0) return 0.0f;
  const int m = TruncToInt(RowMean(matrix, rowLength, row));
  *mean = m;
  const int32_t* e = RowStart(matrix, rowLength, row);
  uint32_t s = 0;  // 32-bit wrap-around, done unsigned
  for (int i = 0; i < rowLength; ++i) {
    const uint32_t d = static_cast<uint32_t>(e[i]) - static_cast<uint32_t>(m);
    s += d * d;
  }
  return RootOf(static_cast<float>(static_cast<int32_t>(s)) / static_cast<float>(rowLength - 1));
}

float ColorRowStdDev(const int32_t* matrix, int rowLength, int row, int channel, int* mean) {
  return RowStdDev(matrix, rowLength, 3 * row + channel, mean);
}

float RowMeanAndStdDev(const int32_t* matrix, int rowLength, int row, float* mean) {
  if (rowLength <= 0) return 0.0f;
  const float m = RowMean(matrix, rowLength, row);
  *mean = m;
  const int32_t* e = RowStart(matrix, rowLength, row);
  int acc = 0;
  for (int i = 0; i < rowLength; ++i) {
    const float d = static_cast<float>(e[i]) - m;
    acc = TruncToInt(d * d + static_cast<float>(acc));
  }
  return RootOf(static_cast<float>(acc) / static_cast<float>(rowLength - 1));
}

int FindLastInRow(const int32_t* matrix, int rowLength, int row, int value, int* count) {
  *count = 0;
  if (rowLength <= 0) return -1;
  const int32_t* e = RowStart(matrix, rowLength, row);
  int last = -1;
  for (int i = 0; i < rowLength; ++i) {
    if (e[i] == value) {
      last = i;
      ++*count;
    }
  }
  return last;
}

}  // namespace frame
