// Construction, storage and the two detections of CBorderDetection: contrast
// peaks along the scan lines or arcs, then a trace from every peak, twice.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "border/border_detection.h"
#include "border_frame.h"
#include "frame/scan_span.h"
#include "frame/turns.h"

namespace {

const BorderEndPoint kNoEndPoint = {-1.0f, -1.0f, -1, -1};

// A zeroed array of capacity elements holding the old contents; null when
// memory runs out (no exception may reach the host's scans).
std::shared_ptr<int[]> Grown(const int* raw, int oldCapacity, int capacity) {
  std::shared_ptr<int[]> grown(new (std::nothrow) int[capacity](), std::default_delete<int[]>());
  if (grown && raw && oldCapacity > 0) std::copy(raw, raw + oldCapacity, grown.get());
  return grown;
}

// The parts of a scan arc that can meet the frame (at most two, written to
// parts): none when its circle misses the frame or holds the whole frame
// inside it, the whole arc when the circle is of the frame's size, and
// otherwise the arc cut to the directions in which the frame lies. A ring far
// past the frame is so walked only where it can meet the frame, not round its
// whole length.
int ArcPartsInFrame(const TRing& arc, int w, int d, TRing parts[2]) {
  constexpr double kMargin = 2.0;  // pixels, for the snapping of samples
  const double r = arc.r1;
  if (!std::isfinite(arc.cx) || !std::isfinite(arc.cy) || !std::isfinite(r) || !std::isfinite(arc.a1) ||
      !std::isfinite(arc.a2)) {
    parts[0] = arc;  // the host's scan refuses these itself
    return 1;
  }
  const double x0 = -0.5 - kMargin, y0 = -0.5 - kMargin, x1 = w - 0.5 + kMargin, y1 = d - 0.5 + kMargin;
  const double nearX = std::max({x0 - arc.cx, 0.0, arc.cx - x1}), nearY = std::max({y0 - arc.cy, 0.0, arc.cy - y1});
  const double farX = std::max(std::abs(arc.cx - x0), std::abs(arc.cx - x1));
  const double farY = std::max(std::abs(arc.cy - y0), std::abs(arc.cy - y1));
  if (r < std::hypot(nearX, nearY) || r > std::hypot(farX, farY)) return 0;
  // A circle this small is walked whole in about the time of the frame.
  if (r <= 2.0 * (static_cast<double>(w) + d)) {
    parts[0] = arc;
    return 1;
  }
  // The centre lies well outside the frame, which it sees within half a turn.
  const double corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  const double base = std::atan2(corners[0][1] - arc.cy, corners[0][0] - arc.cx) * 57.29577951308232;
  double lo = 0, hi = 0;
  for (const auto& c : corners) {
    const double a = std::atan2(c[1] - arc.cy, c[0] - arc.cx) * 57.29577951308232;
    const double off = std::remainder(a - base, 360.0);
    lo = std::min(lo, off);
    hi = std::max(hi, off);
  }
  double sweep = frame::FullTurn(arc.a2 - arc.a1);
  if (sweep == 0 || std::abs(arc.a2 - arc.a1) >= 360.0) sweep = 360.0;  // a full turn, as the host's scan takes it
  const double start = frame::FullTurn(base + lo - arc.a1);
  const double width = hi - lo;
  int n = 0;
  const auto add = [&](double from, double to) {
    to = std::min(to, sweep);
    if (to > from) parts[n++] = TRing{arc.cx, arc.cy, r, r, arc.a1 + from, arc.a1 + to};
  };
  add(start, start + width);
  if (start + width > 360.0) add(0.0, start + width - 360.0);
  return n;
}

}  // namespace

// Everything one detection call works with.
struct CBorderDetection::Detection {
  const Frame* source;
  Frame* mark;
  const TRectangularRegion* rect;
  const TRingRegion* ring;
  bool useRing;
  double s, c;
  int threshold;
  int maxObjects;
  void* owner;
  PixelCallback callback;
  int* endCount;
  int* lengths;
  bool* valid;
  bool* open;
  int label;  // last label used, -1 before the first

  bool InRegion(int x, int y) const {
    const TPoint p{static_cast<double>(x), static_cast<double>(y)};
    return useRing ? PixelInRingRegion(source, ring, p) : PixelInRectangularRegion(source, rect, p, s, c);
  }
};

// One visit of a peak: where the trace starts and how it ended.
struct CBorderDetection::Visit {
  int startX, startY;
  int label;
  int endX, endY;
  bool leftRegion;
};

CBorderDetection::CBorderDetection() { std::fill(std::begin(endPoints), std::end(endPoints), kNoEndPoint); }

CBorderDetection::~CBorderDetection() = default;

CBorderDetection& CBorderDetection::operator=(const CBorderDetection& other) {
  if (this == &other) return *this;
  sampleX = other.sampleX;
  sampleY = other.sampleY;
  sampleContrast = other.sampleContrast;
  sampleCapacity = other.sampleCapacity;
  edgeX = other.edgeX;
  edgeY = other.edgeY;
  edgeCapacity = other.edgeCapacity;
  objectCount = other.objectCount;
  objectRecords = other.objectRecords;
  recordCapacity = other.recordCapacity;
  std::copy(std::begin(other.endPoints), std::end(other.endPoints), std::begin(endPoints));
  markedMinX = other.markedMinX;
  markedMinY = other.markedMinY;
  markedMaxX = other.markedMaxX;
  markedMaxY = other.markedMaxY;
  sampleXStore_ = other.sampleXStore_;
  sampleYStore_ = other.sampleYStore_;
  sampleContrastStore_ = other.sampleContrastStore_;
  edgeXStore_ = other.edgeXStore_;
  edgeYStore_ = other.edgeYStore_;
  return *this;
}

bool CBorderDetection::GrowSamples(int capacity) {
  if (capacity <= sampleCapacity) return true;
  auto xs = Grown(sampleX, sampleCapacity, capacity);
  auto ys = Grown(sampleY, sampleCapacity, capacity);
  auto cs = Grown(sampleContrast, sampleCapacity, capacity);
  if (!xs || !ys || !cs) return false;
  sampleXStore_ = std::move(xs);
  sampleYStore_ = std::move(ys);
  sampleContrastStore_ = std::move(cs);
  sampleX = sampleXStore_.get();
  sampleY = sampleYStore_.get();
  sampleContrast = sampleContrastStore_.get();
  sampleCapacity = capacity;
  return true;
}

bool CBorderDetection::GrowEdges(int capacity) {
  if (capacity <= edgeCapacity) return true;
  auto xs = Grown(edgeX, edgeCapacity, capacity);
  auto ys = Grown(edgeY, edgeCapacity, capacity);
  if (!xs || !ys) return false;
  edgeXStore_ = std::move(xs);
  edgeYStore_ = std::move(ys);
  edgeX = edgeXStore_.get();
  edgeY = edgeYStore_.get();
  edgeCapacity = capacity;
  return true;
}

void CBorderDetection::CreateObjectRecords() {
  if (objectRecords) return;
  objectRecords = static_cast<BorderObjectRecord**>(std::calloc(1, sizeof(BorderObjectRecord*)));
  recordCapacity = 0;
}

void CBorderDetection::ReleaseObjectRecords() {
  if (!objectRecords) return;
  for (int i = 0; i < recordCapacity; ++i) delete objectRecords[i];
  std::free(objectRecords);
  objectRecords = nullptr;
  recordCapacity = 0;
}

void CBorderDetection::StartRecord(const Frame* source, int label) {
  if (!objectRecords) return;
  while (label >= recordCapacity) {
    // Out of memory: the labels beyond the capacity get no record.
    const int grown = recordCapacity + 16;
    auto* array = static_cast<BorderObjectRecord**>(std::realloc(objectRecords, grown * sizeof(BorderObjectRecord*)));
    if (!array) return;
    objectRecords = array;
    for (int i = recordCapacity; i < grown; ++i) {
      objectRecords[i] = new (std::nothrow) BorderObjectRecord{};
      if (!objectRecords[i]) {
        recordCapacity = i;
        return;
      }
    }
    recordCapacity = grown;
  }
  BorderObjectRecord& r = *objectRecords[label];
  r = BorderObjectRecord{};
  r.label = label;
  r.minX = border::FrameWidth(source);
  r.minY = border::FrameHeight(source);
}

void CBorderDetection::UpdateRecord(const Frame* source, int label, int x, int y) {
  if (!objectRecords || label >= recordCapacity) return;
  BorderObjectRecord& r = *objectRecords[label];
  int grey = 0;
  GetPixelValue(source, x, y, &grey);
  r.sumX += x;
  r.sumY += y;
  r.sumGrey += grey;
  if (y <= r.minY) {
    r.minY = y;
    r.xAtMinY = x;
  }
  if (y >= r.maxY) {
    r.maxY = y;
    r.xAtMaxY = x;
  }
  if (x <= r.minX) {
    r.minX = x;
    r.yAtMinX = y;
  }
  if (x >= r.maxX) {
    r.maxX = x;
    r.yAtMaxX = y;
  }
}

void CBorderDetection::AppendEndPoint(Detection& d, int x, int y, int label) {
  if (x == -1 || *d.endCount >= kMaxEndPoints - 1) return;
  ++*d.endCount;
  endPoints[*d.endCount] = {static_cast<float>(x), static_cast<float>(y), label, -1};
}

void CBorderDetection::MarkPixel(Detection& d, int x, int y, int label) {
  AddPixelValue(d.mark, x, y, static_cast<unsigned>(label));
  if (!border::InFrame(d.mark, x, y)) return;
  if (markedMaxX < markedMinX) {
    markedMinX = markedMaxX = x;
    markedMinY = markedMaxY = y;
    return;
  }
  markedMinX = std::min(markedMinX, x);
  markedMaxX = std::max(markedMaxX, x);
  markedMinY = std::min(markedMinY, y);
  markedMaxY = std::max(markedMaxY, y);
}

// Follows a border from the visit's start pixel. Answers the steps made.
int CBorderDetection::Trace(Detection& d, Visit& v) {
  int x = v.startX, y = v.startY;
  int prevX = -1, prevY = -1, prev2X = -1, prev2Y = -1;
  int direction = -1, steps = 0;
  bool closed = false, collided = false;
  int other = -1, endX = -1, endY = -1;
  int contrasts[8], xs[8], ys[8];
  v.leftRegion = false;

  for (;;) {
    MarkPixel(d, x, y, v.label);
    if (!d.InRegion(x, y)) {
      v.leftRegion = true;
      break;
    }
    std::fill(std::begin(contrasts), std::end(contrasts), 0);
    std::fill(std::begin(xs), std::end(xs), 0);
    std::fill(std::begin(ys), std::end(ys), 0);
    closed = false;
    if (!CheckSurroundedPixels(d.source, d.mark, x, y, d.threshold, prevX, prevY, prev2X, prev2Y, v.label, contrasts,
                               xs, ys, &closed, v.startX, v.startY, steps, &collided, &other, &endX, &endY)) {
      break;
    }
    if (!CheckThePossiblePixels(d.source, d.mark, &direction, d.threshold, x, y, prevX, prevY, steps, v.startX,
                                v.startY, &closed, &endX, &endY, contrasts, xs, ys)) {
      break;
    }
    UpdateRecord(d.source, v.label, x, y);
    if (prevX == -1 && prevY == -1) {
      prev2X = x;
      prev2Y = y;
    } else {
      prev2X = prevX;
      prev2Y = prevY;
    }
    prevX = x;
    prevY = y;
    ++steps;
    x = xs[direction];
    y = ys[direction];
  }

  if (closed) {
    v.endX = endX;
    v.endY = endY;
  } else {
    v.endX = x;
    v.endY = y;
  }
  MarkPixel(d, v.endX, v.endY, v.label);
  AppendEndPoint(d, v.endX, v.endY, v.label);

  const int L = v.label;
  if (d.lengths[L] == 0) {
    const bool closes = std::abs(v.endX - v.startX) <= 1 && std::abs(v.endY - v.startY) <= 1 && steps >= 4;
    d.open[L] = !closes;
  } else {
    d.open[L] = d.open[L] && steps >= 11;
  }
  d.lengths[L] += steps;

  const int w = border::FrameWidth(d.source), h = border::FrameHeight(d.source);
  if (v.leftRegion || v.endX == 1 || v.endX == w - 2 || v.endY == 1 || v.endY == h - 2) d.valid[L] = false;
  if (collided) {
    // A mark that is no label of this detection counts as an object that is not valid.
    const bool known = other >= 0 && other <= d.label;
    if (!known || !d.valid[other] || d.lengths[L] <= d.lengths[other]) {
      d.valid[L] = false;
    } else {
      d.valid[L] = true;
      d.valid[other] = false;
    }
  }
  return steps;
}

void CBorderDetection::VisitPeaks(Detection& d, int peaks) {
  for (int p = 0; p < peaks; ++p) {
    Visit first{edgeX[p], edgeY[p], -1, -1, -1, false};
    int count = 0;
    const bool freePeak = CheckNeighbourPixels(d.mark, first.startX, first.startY, &count);
    if (!freePeak || d.label >= d.maxObjects) continue;  // no trace, so no end points for this peak

    first.label = ++d.label;
    d.valid[first.label] = true;
    StartRecord(d.source, first.label);
    Trace(d, first);

    if (d.open[first.label]) {
      Visit second{first.startX, first.startY, first.label, -1, -1, false};
      Trace(d, second);
    } else {
      // Keeps the pair of end points of this label together.
      AppendEndPoint(d, first.endX, first.endY, first.label);
    }
  }
}

void CBorderDetection::BeginDetection(Detection& d) {
  if (d.maxObjects < 0 || d.maxObjects > kMaxLabel) d.maxObjects = kMaxLabel;
  std::fill(d.lengths, d.lengths + kLabelSlots, 0);
  std::fill(std::begin(endPoints), std::end(endPoints), kNoEndPoint);
  *d.endCount = -1;
  d.label = -1;
  markedMinX = markedMinY = 0;
  markedMaxX = markedMaxY = -1;
  const int width = border::FrameWidth(d.source);
  if (width > 0) {
    GrowSamples(width);
    GrowEdges(width);
  }
}

// The samples of one scan line: the peak of every run of non-zero contrast
// that a zero sample ends becomes an edge; then every edge is visited.
void CBorderDetection::ProcessScanLine(Detection& d, const BorderScanRecord& record) {
  int peaks = 0, best = 0, bestAt = -1;
  const int last = std::min(record.index, sampleCapacity - 1);
  for (int k = 0; k <= last; ++k) {
    if (sampleContrast[k] != 0) {
      if (bestAt < 0 || sampleContrast[k] > best) {
        best = sampleContrast[k];
        bestAt = k;
      }
      continue;
    }
    if (bestAt < 0) continue;
    if (peaks >= edgeCapacity && !GrowEdges(edgeCapacity + 256)) break;
    edgeX[peaks] = sampleX[bestAt];
    edgeY[peaks] = sampleY[bestAt];
    ++peaks;
    bestAt = -1;
  }
  VisitPeaks(d, peaks);
}

void CBorderDetection::DetectBorderInRectRegion(const Frame* source, Frame* mark, const TRectangularRegion* region,
                                                void* owner, void* /*spare*/, int threshold, int horizontalLines,
                                                int verticalLines, int maxObjects, bool /*spareFlag*/,
                                                PixelCallback callback, int* endCount, int lengths[256], bool valid[],
                                                bool open[]) {
  Detection d{source,     mark,  region,   nullptr,  false,   0.0,   0.0,  threshold,
              maxObjects, owner, callback, endCount, lengths, valid, open, -1};
  if (region) {
    const double a = region->angle * 0.017453292519943295;
    d.s = std::sin(a);
    d.c = std::cos(a);
  }
  BeginDetection(d);
  if (source && mark && callback) {
    const struct {
      int count;
      double angle;
    } passes[2] = {{horizontalLines, 0.0}, {verticalLines, 90.0}};
    for (const auto& pass : passes) {
      // Only the lines that can reach the frame, so that a huge region or
      // line count costs no more than the frame.
      const frame::ScanSpan span = frame::ScanSpanInFrame(source, region, pass.count, pass.angle != 0.0);
      for (int i = span.first; i <= span.last; ++i) {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        if (!GetScanRectangularRegionLine(source, region, span.count, i, pass.angle, &x0, &y0, &x1, &y1)) continue;
        const TLine line{static_cast<double>(x0), static_cast<double>(y0), static_cast<double>(x1),
                         static_cast<double>(y1)};
        BorderScanRecord record{threshold, -1, source, owner};
        ScanLine(source, nullptr, &line, 1, &record, callback);
        ProcessScanLine(d, record);
      }
    }
  }
  objectCount = d.label + 1;
}

void CBorderDetection::DetectBorderInRingRegion(const Frame* source, Frame* mark, const TRingRegion* ring, void* owner,
                                                void* /*spare*/, int threshold, int arcs, int maxObjects,
                                                bool /*spareFlag*/, PixelCallback callback, int* endCount,
                                                int lengths[256], bool valid[], bool open[]) {
  Detection d{source,     mark,  nullptr,  ring,     true,    0.0,   0.0,  threshold,
              maxObjects, owner, callback, endCount, lengths, valid, open, -1};
  BeginDetection(d);
  if (source && mark && callback) {
    for (int i = 0; i < arcs; ++i) {
      TRing arc{};
      if (!GetScanRingRegionArc(source, ring, arcs, i, &arc)) continue;
      TRing parts[2];
      const int n = ArcPartsInFrame(arc, border::FrameWidth(source), border::FrameHeight(source), parts);
      for (int k = 0; k < n; ++k) {
        BorderScanRecord record{threshold, -1, source, owner};
        ScanRing(source, &parts[k], 1, &record, 1, callback);
        ProcessScanLine(d, record);
      }
    }
  }
  objectCount = d.label + 1;
}
