#include "frame/image_stats.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <climits>
#include <limits>
#include <vector>

#include "talvix.h"

namespace frame {

namespace {

constexpr int kBins = 256;
constexpr int kUniformWindow = 15;  // adjacent grey values that make a region uniform
constexpr int kInkGap = 48;         // grey values between a plain ground and ink clear of it
constexpr int kLeastInk = 20;       // pixels: fewer are specks, not ink
constexpr int kStrokeLength = 10;   // pixels: a group this long is no speck
constexpr int kJoinGap = 2;         // pixels of ground between ink of one group: letters of a word

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

// A pixel well clear of the ground, by row then column.
struct InkPoint {
  int y, x;
  bool operator<(const InkPoint& o) const { return y != o.y ? y < o.y : x < o.x; }
  bool operator==(const InkPoint& o) const { return y == o.y && x == o.x; }
};

// Second scan of a plain-looking region: where its pixels below `darkEnd` and
// from `lightFrom` on lie.
struct InkCollect {
  int darkEnd, lightFrom;
  std::vector<InkPoint> dark, light;
};

bool CollectInkPixel(void* user, int x, int y, unsigned value) {
  InkCollect* c = static_cast<InkCollect*>(user);
  if (value < static_cast<unsigned>(c->darkEnd)) c->dark.push_back({y, x});
  if (value >= static_cast<unsigned>(c->lightFrom) && value < kBins) c->light.push_back({y, x});
  return true;
}

int Root(std::vector<int>& parent, int i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

// Whether the points form strokes: at least `least` of them, and at least
// half, in groups that are no speck. Points at most kJoinGap pixels apart
// join a group, so that the small letters of a word make one; a group is a
// stroke when it is kStrokeLength long, or drawn out or hollow as a letter
// is. A dust speck of radius 3 spans 7 pixels and fills some 3/4 of its box,
// and specks lie apart from one another.
bool FormsStrokes(std::vector<InkPoint>& points, uint64_t least) {
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  const int n = static_cast<int>(points.size());
  if (static_cast<uint64_t>(n) < least) return false;
  std::vector<int> parent(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) parent[i] = i;
  const auto join = [&parent](int a, int b) { parent[Root(parent, a)] = Root(parent, b); };
  for (int i = 0; i < n; ++i) {
    const InkPoint p = points[i];
    for (int j = i - 1; j >= 0 && points[j].y == p.y && points[j].x >= p.x - kJoinGap - 1; --j) join(i, j);
    for (int dy = 1; dy <= kJoinGap + 1; ++dy) {
      const InkPoint from{p.y - dy, p.x - kJoinGap - 1};
      for (int j = static_cast<int>(std::lower_bound(points.begin(), points.begin() + i, from) - points.begin());
           j < i && points[j].y == from.y && points[j].x <= p.x + kJoinGap + 1; ++j)
        join(i, j);
    }
  }
  struct Box {
    int x0 = INT_MAX, x1 = INT_MIN, y0 = INT_MAX, y1 = INT_MIN;
    int count = 0;
  };
  std::vector<Box> boxes(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    Box& b = boxes[Root(parent, i)];
    b.x0 = std::min(b.x0, points[i].x), b.x1 = std::max(b.x1, points[i].x);
    b.y0 = std::min(b.y0, points[i].y), b.y1 = std::max(b.y1, points[i].y);
    ++b.count;
  }
  uint64_t strokes = 0;
  for (const Box& b : boxes) {
    if (b.count == 0) continue;
    const int w = b.x1 - b.x0 + 1, h = b.y1 - b.y0 + 1;
    const int longer = std::max(w, h), shorter = std::min(w, h);
    const bool stroke = longer >= kStrokeLength ||
                        (longer >= 5 && (longer >= 2 * shorter || 2 * int64_t{b.count} < int64_t{w} * h));
    if (stroke) strokes += static_cast<uint64_t>(b.count);
  }
  return strokes >= least && 2 * strokes >= static_cast<uint64_t>(n);
}

// Whether pixels well clear of the window of kUniformWindow values at `start`
// make strokes of their own on one side: ink on a plain ground, which may
// cover far less than 2 % of a region. Scattered noise and a few specks of
// dust do not count.
bool ClearInkBeside(const Frame* frame, const TRectangularRegion* region, const std::array<uint32_t, kBins>& bins,
                    int start, uint64_t total) {
  const uint64_t least = std::max<uint64_t>(kLeastInk, total / 10000);
  InkCollect c{std::max(start - kInkGap, 0), std::min(start + kUniformWindow + kInkGap, kBins), {}, {}};
  uint64_t dark = 0, light = 0;
  for (int v = 0; v < c.darkEnd; ++v) dark += bins[v];
  for (int v = c.lightFrom; v < kBins; ++v) light += bins[v];
  if (dark < least) c.darkEnd = 0;
  if (light < least) c.lightFrom = kBins;
  if (c.darkEnd == 0 && c.lightFrom == kBins) return false;
  c.dark.reserve(c.darkEnd > 0 ? dark : 0);
  c.light.reserve(c.lightFrom < kBins ? light : 0);
  ScanRectangularRegion(frame, region, 1, &c, CollectInkPixel);
  return FormsStrokes(c.dark, least) || FormsStrokes(c.light, least);
}

}  // namespace

bool CountHistogramBin(void* histogram, int, int, unsigned value) {
  if (value < kBins) ++static_cast<uint32_t*>(histogram)[value];
  return true;
}

int AutoThreshold(const Frame* frame, const TRectangularRegion* region) {
  std::array<uint32_t, kBins> bins{};
  ScanRectangularRegion(frame, region, 1, bins.data(), CountHistogramBin);

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
  if (fullest > limit && !ClearInkBeside(frame, region, bins, fullestStart, total)) return 0;

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
