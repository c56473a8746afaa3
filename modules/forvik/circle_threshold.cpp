// Circle detection by threshold: 72 rays from each seed of a scan-line grid
// to the first pixel past the threshold, and a circle fitted to the ray ends.
#include <omp.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>

#include "circle_drawing.h"
#include "contour/pratt_fit.h"
#include "frame/input_params.h"
#include "frame/scan_span.h"
#include "run_io.h"
#include "shapes_main.h"

namespace forvik {

namespace {

constexpr int kRays = 72;
constexpr double kPi = 3.14159265358979323846;

struct Inputs {
  const TRectangularRegion* region = nullptr;
  int hLines = 0;
  int vLines = 0;
  int threshold = 127;
  float tolerance = 1.2f;
  bool colour = false;
  bool show = true;
};

Inputs ReadInputs(const RunArgs& a, const Frame* f) {
  Inputs in;
  in.region = RegionAt(a, 1);
  in.hLines = in.region ? frame::TruncateToInt(in.region->height * 0.03125) : GetFrameDepth(f) / 32;
  in.vLines = in.region ? frame::TruncateToInt(in.region->width * 0.03125) : GetFrameWidth(f) / 32;
  if (const double* n = NumberAt(a, 2); n && frame::TruncateToInt(*n) >= 1) in.hLines = frame::TruncateToInt(*n);
  if (const double* n = NumberAt(a, 3); n && frame::TruncateToInt(*n) >= 1) in.vLines = frame::TruncateToInt(*n);
  if (const double* t = NumberAt(a, 4)) in.threshold = frame::TruncateToInt(*t * 255.0);
  if (const double* q = NumberAt(a, 5)) {
    if (*q < 0 || *q > 1) {
      const ParamName name = InputName(a, 5);
      frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(*q), 0.8f);
    } else {
      in.tolerance = static_cast<float>((1 - *q) * 5 + 0.2);
    }
  }
  in.colour = FlagAt(a, 6, false);
  in.show = FlagAt(a, 7, true);
  return in;
}

// The far end of the ray from (x, y) at angle theta, on the frame border.
TLine Ray(int x, int y, float theta, int width, int depth) {
  const double t = theta, tn = std::tan(t);
  TLine l{static_cast<double>(x), static_cast<double>(y), 0, 0};
  if (t > kPi / 4 && t < 3 * kPi / 4) {
    l.y1 = depth, l.x1 = x + ((depth - 1) - y) / tn;
  } else if (t >= 3 * kPi / 4 && t <= 5 * kPi / 4) {
    l.x1 = 0, l.y1 = y - x * tn;
  } else if (t > 5 * kPi / 4 && t <= 7 * kPi / 4) {
    l.y1 = 0, l.x1 = x - y / tn;
  } else {
    l.x1 = width, l.y1 = y + ((width - 1) - x) * tn;
  }
  return l;
}

// Whether (x, y) lies inside or on one of the circles.
bool Covers(const std::vector<CircleCandidate>& circles, int x, int y) {
  for (const CircleCandidate& c : circles) {
    if ((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= c.radius * c.radius) return true;
  }
  return false;
}

}  // namespace

// One seed: its 72 ray ends into this thread's slice, the bounding box test,
// and the fit. The candidate list holds circles of earlier seeds only, so a
// seed inside one would be dropped when settled and need not be fitted; it
// is read when the lock is free, and a seed not tested so is fitted anyway.
void CCircleDetectionByThreshold::Seed(const Frame* f, const TRectangularRegion* region, int vLines, int hLines,
                                       int index, int thread, float tolerance, SeedOutcome* out) {
  int x = 0, y = 0;
  unsigned value = 0;
  if (!GetScanPoints(f, region, vLines, hLines, index, 1, 0, &x, &y, &value)) return;
  out->x = x, out->y = y;
  // A dark object (rays seek the first pixel above) needs a seed below.
  const int v = static_cast<int>(value);
  if (objectBright ? !(v < threshold) : !(v > threshold)) return;
  const int width = GetFrameWidth(f), depth = GetFrameDepth(f);
  if (x < 0 || x >= width || y < 0 || y >= depth) return;
  {
    const std::unique_lock<std::mutex> hold(lock, std::try_to_lock);
    if (hold.owns_lock() && Covers(candidates, x, y)) return;
  }

  float* xs = &rayX[static_cast<size_t>(thread) * kRays];
  float* ys = &rayY[static_cast<size_t>(thread) * kRays];
  const size_t t = static_cast<size_t>(thread);
  IndexedCrossing record{thread, this};
  int minX = 0, maxX = 0, minY = 0, maxY = 0;
  const float step = static_cast<float>(5 * kPi / 180);
  float theta = 0;
  for (int k = 0; k < kRays; ++k, theta += step) {
    const TLine ray = Ray(x, y, theta, width, depth);
    threadFoundX[t] = -1;
    threadFoundY[t] = -1;
    ScanLine(f, nullptr, &ray, 1, &record, FindFirstCrossingIndexed);
    const int fx = threadFoundX[t], fy = threadFoundY[t];
    if (fx == -1 && fy == -1) return;
    if (std::abs(fx - x) < 2 && std::abs(fy - y) < 2) return;
    xs[k] = static_cast<float>(fx);
    ys[k] = static_cast<float>(fy);
    if (k == 0) {
      minX = maxX = fx, minY = maxY = fy;
    } else {
      minX = std::min(minX, fx), maxX = std::max(maxX, fx);
      minY = std::min(minY, fy), maxY = std::max(maxY, fy);
    }
  }
  const double spanX = maxX - minX, spanY = maxY - minY;
  if (!(std::fabs(1 - std::fabs(spanY / spanX)) < 0.7 && std::fabs(1 - std::fabs(spanX / spanY)) < 0.7)) return;
  out->fitted = FitThresholdCircle(xs, ys, kRays - 1, tolerance, &out->circle);
}

// Under the lock, in seed order: a fitted seed inside or on a circle of an
// earlier seed is dropped, as when the seeds are taken one by one.
void CCircleDetectionByThreshold::Settle(const SeedOutcome& o) {
  if (o.fitted && !Covers(candidates, o.x, o.y)) candidates.push_back(o.circle);
}

bool CCircleDetectionByThreshold::Run(const RunArgs& a) {
  Frame* f = InputFrameAt(a, 0);
  if (!f) return a.fail(kNoSourceFrame);
  const Inputs in = ReadInputs(a, f);
  threshold = in.threshold;
  objectBright = !in.colour;

  // Per-thread storage follows the team that runs the loop, which may be
  // larger than the processor count.
  const int team = std::max(omp_get_max_threads(), 1);
  const size_t slots = static_cast<size_t>(team);
  if (threadFoundX.size() < slots) {
    threadFoundX.resize(slots);
    threadFoundY.resize(slots);
    rayX.resize(slots * kRays);
    rayY.resize(slots * kRays);
  }
  candidates.clear();
  candidates.reserve(16);

  // Only the grid points near the frame are seeds; a point whose index the
  // host cannot number (a grid past the int range) is none.
  const frame::ScanSpan rows = frame::ScanSpanInFrame(f, in.region, in.hLines);
  const frame::ScanSpan cols = frame::ScanSpanInFrame(f, in.region, in.vLines, true);
  const int64_t rowCount = rows.last - rows.first + 1, colCount = cols.last - cols.first + 1;
  const int64_t seeds = rowCount > 0 && colCount > 0 ? rowCount * colCount : 0;
  // Seeds are fitted in parallel and settled in seed order, so that every
  // team answers as one thread does. A thread that finds the lock free
  // settles the seeds done so far, so that later seeds inside their circles
  // are not fitted; what is left settles after the loop. Nobody waits for
  // the lock. Outcomes are held for one block of seeds at a time.
  constexpr int64_t kBlock = 4096;
  const size_t slotCount = static_cast<size_t>(std::min(seeds, kBlock));
  std::vector<SeedOutcome> outcomes(slotCount);
  std::vector<std::atomic<bool>> done(slotCount);
  bool outOfMemory = false;
  for (int64_t b0 = 0; b0 < seeds && !outOfMemory; b0 += kBlock) {
    const int64_t b1 = std::min(seeds, b0 + kBlock);
    std::fill(outcomes.begin(), outcomes.end(), SeedOutcome{});
    for (std::atomic<bool>& d : done) d.store(false, std::memory_order_relaxed);
    int64_t next = b0;  // the first seed not settled, under the lock
    const auto settleReady = [&] {
      for (; next < b1 && done[static_cast<size_t>(next - b0)].load(std::memory_order_acquire); ++next)
        Settle(outcomes[static_cast<size_t>(next - b0)]);
    };
#pragma omp parallel for schedule(dynamic, 4) num_threads(team)
    for (int64_t k = b0; k < b1; ++k) {
      const size_t slot = static_cast<size_t>(k - b0);
      const int64_t index = (rows.first + k / colCount) * int64_t{cols.count} + cols.first + k % colCount;
      try {
        if (index <= INT_MAX)
          Seed(f, in.region, cols.count, rows.count, static_cast<int>(index), omp_get_thread_num(), in.tolerance,
               &outcomes[slot]);
        done[slot].store(true, std::memory_order_release);
        if (const std::unique_lock<std::mutex> hold(lock, std::try_to_lock); hold.owns_lock()) settleReady();
      } catch (const std::bad_alloc&) {
#pragma omp atomic write
        outOfMemory = true;
      }
    }
    if (!outOfMemory) settleReady();
  }
  if (outOfMemory) throw std::bad_alloc();
  if (candidates.empty()) return a.fail(u"There are no detected circles");
  const int last = candidates.size() == 1 ? 0 : MergeDuplicateCircles(candidates, static_cast<int>(candidates.size()) - 1, false);

  std::vector<const CircleCandidate*> found;
  for (int i = 0; i <= last; ++i) {
    if (candidates[static_cast<size_t>(i)].score >= 0) found.push_back(&candidates[static_cast<size_t>(i)]);
  }
  const int count = static_cast<int>(found.size());
  SetOutputMaxIndex(a, 1, count - 1);
  for (int i = 0; i < count; ++i) {
    const CircleCandidate& c = *found[static_cast<size_t>(i)];
    if (TRing* r = OutputElement<TRing>(a, 1, i, GetRing)) *r = {c.x, c.y, c.radius, c.radius, 0, 0};
  }
  SetOutputMaxIndex(a, 2, count - 1);
  for (int i = 0; i < count; ++i) {
    if (double* q = OutputElement<double>(a, 2, i, GetNumber)) *q = found[static_cast<size_t>(i)]->quality;
  }
  WriteNumber(a, 0, count);

  if (in.show) {
    const CircleMarks marks(a.ctx, f, endMarkRadius);
    for (const CircleCandidate* c : found) marks.Circle(c->x, c->y, c->radius);
  }
  return true;
}

}  // namespace forvik
