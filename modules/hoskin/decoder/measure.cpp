// One scan line's measurement: the grey profile along the segment, its
// alternating extrema and the signed element widths between the threshold
// crossings.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "decoder/decoder.h"
#include "gpu/feature.h"

namespace hoskin {

namespace {

inline int Luma(const uint8_t* bgr) { return (150 * bgr[1] + 77 * bgr[2] + 29 * bgr[0]) >> 8; }

// The grey of a pixel inside the frame.
inline int PixelGrey(const uint8_t* pixels, int bpp, ptrdiff_t stride, int x, int y) {
  const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
  switch (bpp) {
    case 8:
      return row[x];
    case 24:
      return Luma(row + static_cast<ptrdiff_t>(x) * 3);
    default:
      return Luma(row + static_cast<ptrdiff_t>(x) * 4);
  }
}

}  // namespace

uint8_t SampleGrey(int mode, const gpu::CFeature* integral, const uint8_t* pixels, int width, int height, int bpp,
                   ptrdiff_t stride, double x, double y) {
  if (!pixels || (bpp != 8 && bpp != 24 && bpp != 32)) return 0;
  if (!(x > -1.0 && y > -1.0 && x < width && y < height)) return 0;  // also NaN
  const int ix = static_cast<int>(x), iy = static_cast<int>(y);
  if (mode == 1 && ix >= 2 && ix <= width - 2 && iy >= 1 && iy <= height - 2) {
    const double sum = PixelGrey(pixels, bpp, stride, ix, iy) + 0.5 * PixelGrey(pixels, bpp, stride, ix - 1, iy) +
                       0.5 * PixelGrey(pixels, bpp, stride, ix + 1, iy) +
                       0.5 * PixelGrey(pixels, bpp, stride, ix, iy - 1) +
                       0.5 * PixelGrey(pixels, bpp, stride, ix, iy + 1);
    return static_cast<uint8_t>(sum / 3);
  }
  if (mode == 2 && integral && integral->integral) {
    const int iw = integral->width, ih = integral->height;
    // The box reaches two rows and columns back: y >= 2 as well as x >= 2.
    if (ix >= 2 && ix <= iw - 2 && iy >= 2 && iy <= ih - 2) {
      const float* s = integral->integral.get();
      const auto at = [&](int cx, int cy) { return s[static_cast<ptrdiff_t>(cy) * iw + cx]; };
      const float box = at(ix + 1, iy + 1) - at(ix - 2, iy + 1) - at(ix + 1, iy - 2) + at(ix - 2, iy - 2);
      const float v = box / 9.0f * 255.0f;
      return static_cast<uint8_t>(std::clamp(v, 0.0f, 255.0f));
    }
  }
  return static_cast<uint8_t>(PixelGrey(pixels, bpp, stride, ix, iy));
}

void CBarcodeDecoder::ClearHistogram(Histogram* h) { std::memset(h, 0, sizeof(*h)); }

int CBarcodeDecoder::ComputeHistogram(int start, int count, Histogram* h) const {
  ClearHistogram(h);
  h->minimum = 255;
  const int length = static_cast<int>(profile.size());
  const int end = std::min(start + count, length);
  long sum = 0;
  for (int i = std::max(start, 0); i < end && count >= 1; ++i) {
    const int v = profile[i];
    ++h->counts[v];
    ++h->count;
    sum += v;
    h->minimum = std::min(h->minimum, v);
    h->maximum = std::max(h->maximum, v);
  }
  if (h->count > 0) h->mean = static_cast<int>((2 * sum + h->count) / (2L * h->count));
  h->mid = (h->minimum + h->maximum) / 2;
  return h->mid;
}

void CBarcodeDecoder::AllocEdgeArrays() {
  const size_t n = profile.size();
  extrema.assign(n, 0);
  thresholds.assign(n, 0);
  widths.assign(n, 0.0f);
}

uint8_t CBarcodeDecoder::SampleAt(int mode, double x, double y) {
  const uint8_t v =
      SampleGrey(mode, integralSource, frame.pixels, frame.width, frame.height, frame.bpp, frame.stride, x, y);
  profile.push_back(v);
  return v;
}

void CBarcodeDecoder::SampleSegment(int mode) {
  ClearHistogram(&histogram);
  profile.clear();
  const Segment s = segmentInUse;
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
  if (mode == 2) {
    // One pixel at a time along the major axis, with an integer error term.
    int x = static_cast<int>(s.x0), y = static_cast<int>(s.y0);
    const int x1 = static_cast<int>(s.x1), y1 = static_cast<int>(s.y1);
    const int ax = std::abs(x1 - x), ay = std::abs(y1 - y), sx = x1 >= x ? 1 : -1, sy = y1 >= y ? 1 : -1;
    int err = ax - ay;
    for (;;) {
      SampleAt(2, x, y);
      if (x == x1 && y == y1) break;
      const int e2 = 2 * err;
      if (e2 > -ay) err -= ay, x += sx;
      if (e2 < ax) err += ax, y += sy;
    }
  } else if (static_cast<int>(s.x0) == static_cast<int>(s.x1)) {
    const double n = std::fabs(dy), sy = dy >= 0 ? 1 : -1;
    for (double k = 0; k <= n; k += 1) SampleAt(0, s.x0, s.y0 + sy * k);
  } else if (static_cast<int>(s.y0) == static_cast<int>(s.y1)) {
    const double n = std::fabs(dx), sx = dx >= 0 ? 1 : -1;
    for (double k = 0; k <= n; k += 1) SampleAt(0, s.x0 + sx * k, s.y0);
  } else {
    const double length = std::hypot(dx, dy);
    for (double k = 0; k <= length; k += 1) SampleAt(1, s.x0 + dx * k / length, s.y0 + dy * k / length);
  }
  AllocEdgeArrays();
  ComputeHistogram(0, static_cast<int>(profile.size()), &histogram);
}

namespace {

bool AppendGreySample(void* user, int, int, unsigned value) {
  auto* d = static_cast<CBarcodeDecoder*>(user);
  const uint8_t b = value & 0xff, g = (value >> 8) & 0xff, r = (value >> 16) & 0xff;
  d->profile.push_back(static_cast<uint8_t>((150 * g + 77 * r + 29 * b) >> 8));
  return true;
}

}  // namespace

void CBarcodeDecoder::SampleLine() {
  profile.clear();
  const TLine line{segmentInUse.x0, segmentInUse.y0, segmentInUse.x1, segmentInUse.y1};
  if (frame.frame) ScanLine(frame.frame, nullptr, &line, 0, this, AppendGreySample);
  AllocEdgeArrays();
  ComputeHistogram(0, static_cast<int>(profile.size()), &histogram);
}

void CBarcodeDecoder::CentrePlateaus() {
  const int n = static_cast<int>(profile.size());
  for (int k = 0; k < edgeCount; ++k) {
    const int first = extrema[k];
    int last = first;
    while (last + 1 < n && profile[last + 1] == profile[first]) ++last;
    extrema[k] = (first + last) / 2;
  }
}

void CBarcodeDecoder::FindExtrema() {
  edgeCount = 0;
  const int n = static_cast<int>(profile.size());
  if (n == 0) return;
  Histogram h;
  ComputeHistogram(0, n / 5, &h);
  int threshold = (h.maximum - h.minimum) * 2 / 3 / 8;
  bool lookForMax = profile[0] > (h.minimum + h.maximum) / 2;
  int extreme = profile[0], at = 0;
  for (int i = 1; i < n; ++i) {
    const int v = profile[i];
    if (lookForMax ? v > extreme : v < extreme) {
      extreme = v;
      at = i;
      continue;
    }
    if (std::abs(v - extreme) <= threshold) continue;
    extrema[edgeCount++] = at;
    lookForMax = !lookForMax;
    extreme = v;
    at = i;
    if (edgeCount % 2 == 1 && edgeCount >= 7) {
      int hi = 0, lo = 255;
      for (int k = edgeCount - 7; k < edgeCount; ++k) {
        hi = std::max(hi, static_cast<int>(profile[extrema[k]]));
        lo = std::min(lo, static_cast<int>(profile[extrema[k]]));
      }
      threshold = (hi - lo) / 12;
    }
  }
  if (at < n - 1) extrema[edgeCount++] = at;
  CentrePlateaus();
}

void CBarcodeDecoder::SubpixelCrossing(int k, int from, int to, int threshold) {
  int i = from;
  const bool rising = profile[from] <= threshold;
  while (i < to && (rising ? profile[i] < threshold : profile[i] > threshold)) ++i;
  double crossing = i;
  if (profile[i] != threshold && i > from) {
    const double previous = profile[i - 1], value = profile[i];
    // Equal neighbours only where the walk ended at `to` without a crossing.
    if (previous != value) crossing = (i - 1) + std::fabs(previous - threshold) / std::fabs(previous - value);
  }
  widths[k] = static_cast<float>(crossing + 0.5);
}

void CBarcodeDecoder::MeasureWidths() {
  const int e = edgeCount;
  if (e < 2) return;
  Histogram h;
  for (int k = 1; k < e; ++k) {
    ComputeHistogram(extrema[k - 1], extrema[k] - extrema[k - 1] + 1, &h);
    thresholds[k] = static_cast<uint8_t>((h.mean + h.mid) / 2);
    SubpixelCrossing(k, extrema[k - 1], extrema[k], thresholds[k]);
  }
  // Position k becomes the crossing after extremum k, the last one the end
  // of the profile; then each becomes its distance from the one before.
  for (int k = 0; k < e - 1; ++k) widths[k] = widths[k + 1];
  widths[e - 1] = static_cast<float>(profile.size());
  for (int k = e - 1; k >= 1; --k) widths[k] -= widths[k - 1];

  // Spaces negative. The element at the first extremum in the second half
  // decides the phase; its neighbour stays inside the extrema.
  const int half = static_cast<int>(profile.size());
  int m = 0;
  while (m < e && 2 * extrema[m] < half) ++m;
  if (m >= e) m = e - 1;
  bool mLight;
  if (m + 1 < e) {
    mLight = profile[extrema[m]] >= profile[extrema[m + 1]];
  } else {
    mLight = profile[extrema[m]] >= profile[extrema[m - 1]];
  }
  for (int k = 0; k < e; ++k) {
    const bool light = ((k - m) % 2 == 0) == mLight;
    if (light) widths[k] = -widths[k];
  }
}

bool CBarcodeDecoder::MeasureLine() {
  SampleSegment(1);
  if (profile.size() < 24) return false;
  FindExtrema();
  if (edgeCount < 24) return false;
  meanElementWidth = static_cast<double>(extrema[edgeCount - 2] - extrema[1]) / (edgeCount - 2);
  MeasureWidths();
  float sum = 0, smallest = widths[0] < 0 ? -widths[0] : widths[0], largest = smallest;
  for (int k = 0; k < edgeCount; ++k) {
    const float w = std::fabs(widths[k]);
    sum += w;
    smallest = std::min(smallest, w);
    largest = std::max(largest, w);
  }
  trimmedWidth = 5 * (sum - smallest - largest) / (edgeCount - 2);
  return true;
}

}  // namespace hoskin
