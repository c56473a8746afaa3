// Circle detection by contour and by threshold on a full-HD grey frame of
// dark discs, driven through the module's exported interface, beside OpenCV's
// gradient Hough transform on the same frame in the same run, on one thread
// and (threshold method and Hough) on all threads. The found
// discs and the mean centre error against the drawn centres are reported as
// counters beside the times.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "forvik_module.h"
#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 1920, kDepth = 1080, kDiscs = 30;
constexpr int kMinRadius = 15, kMaxRadius = 90;

struct Circle {
  double x, y, r;
};

// Discs placed at random without overlap (a gap of 6 px), sub-pixel centres.
const std::vector<Circle>& Truth() {
  static const std::vector<Circle> discs = [] {
    std::vector<Circle> out;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> radius(kMinRadius, kMaxRadius), unit(0, 1);
    while (static_cast<int>(out.size()) < kDiscs) {
      const double r = radius(rng);
      const double x = r + 4 + unit(rng) * (kWidth - 2 * r - 8), y = r + 4 + unit(rng) * (kDepth - 2 * r - 8);
      const bool clear = std::none_of(out.begin(), out.end(), [&](const Circle& c) {
        return std::hypot(c.x - x, c.y - y) < c.r + r + 6;
      });
      if (clear) out.push_back({x, y, r});
    }
    return out;
  }();
  return discs;
}

// Dark anti-aliased discs (4x4 supersampling) on a light ground, with light
// Gaussian noise.
const talvix::FrameBuffer& DiscsFrame() {
  static const talvix::FrameBuffer frame = [] {
    constexpr int kInside = 50, kOutside = 200;
    talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, 8, kOutside);
    std::vector<float> level(static_cast<size_t>(kWidth) * kDepth, kOutside);
    for (const Circle& c : Truth()) {
      const int x0 = static_cast<int>(c.x - c.r) - 1, x1 = static_cast<int>(c.x + c.r) + 2;
      const int y0 = static_cast<int>(c.y - c.r) - 1, y1 = static_cast<int>(c.y + c.r) + 2;
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          int hits = 0;
          for (int sy = 0; sy < 4; ++sy)
            for (int sx = 0; sx < 4; ++sx)
              hits += std::hypot(x + (sx + 0.5) / 4 - 0.5 - c.x, y + (sy + 0.5) / 4 - 0.5 - c.y) <= c.r ? 1 : 0;
          if (hits) level[static_cast<size_t>(y) * kWidth + x] = (kInside * hits + kOutside * (16 - hits)) / 16.0f;
        }
    }
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(0, 3);
    for (int y = 0; y < kDepth; ++y) {
      uint8_t* row = f.row(y);
      for (int x = 0; x < kWidth; ++x)
        row[x] = static_cast<uint8_t>(std::clamp(level[static_cast<size_t>(y) * kWidth + x] + noise(rng), 0.0f, 255.0f));
    }
    return f;
  }();
  return frame;
}

// Each drawn disc matched to the nearest found circle within half its radius
// and 20% of its size: how many were found, and the mean centre error.
void Score(benchmark::State& state, const std::vector<Circle>& found) {
  int hit = 0;
  double error = 0;
  for (const Circle& t : Truth()) {
    double best = t.r / 2;
    bool matched = false;
    for (const Circle& c : found) {
      const double d = std::hypot(c.x - t.x, c.y - t.y);
      if (d < best && std::abs(c.r - t.r) < 0.2 * t.r) best = d, matched = true;
    }
    if (matched) ++hit, error += best;
  }
  state.counters["found"] = static_cast<double>(found.size());
  state.counters["matched"] = hit;
  state.counters["centre_err_px"] = hit ? error / hit : 0;
}

void BM_ForvikCirclesByContour(benchmark::State& state) {
  talvix::Module* m = ForvikModule(state);
  if (!m) return;
  omp_set_num_threads(1);
  const int index = m->findMethod(std::string("circle_detection_by_contour"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", DiscsFrame());
  // Scan lines 10 px apart, so that every disc down to the smallest is crossed.
  ctx.setNumbers(u"Scanline number", {kDepth / 10.0});
  ctx.setFlags(u"Arcs [true - all arcs; false - only circles]", {false});
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
  }
  m->destroy(handle);
  std::vector<Circle> found;
  for (const TRing& r : ctx.rings(u"Result circles")) found.push_back({r.cx, r.cy, r.r1});
  Score(state, found);
  omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_ForvikCirclesByContour)->Unit(benchmark::kMillisecond)->UseRealTime();

// Circle detection by threshold with the default grid (one seed per 32 px
// each way), dark discs so the colour flag stays off; the argument is the
// team size.
void BM_ForvikCirclesByThreshold(benchmark::State& state) {
  talvix::Module* m = ForvikModule(state);
  if (!m) return;
  omp_set_num_threads(static_cast<int>(state.range(0)));
  const int index = m->findMethod(std::string("circle_detection_by_threshold"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", DiscsFrame());
  ctx.setNumbers(u"Threshold level", {0.5});
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
  }
  m->destroy(handle);
  std::vector<Circle> found;
  for (const TRing& r : ctx.rings(u"Circles")) found.push_back({r.cx, r.cy, r.r1});
  Score(state, found);
  omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_ForvikCirclesByThreshold)->Arg(1)->Arg(omp_get_num_procs())->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
// The argument is the thread count, as for the threshold method.
void BM_OpenCVHoughCircles(benchmark::State& state) {
  cv::setNumThreads(static_cast<int>(state.range(0)));
  const talvix::FrameBuffer& f = DiscsFrame();
  const cv::Mat grey(kDepth, kWidth, CV_8UC1, const_cast<uint8_t*>(f.row(0)), static_cast<size_t>(f.stride()));
  std::vector<cv::Vec3f> circles;
  for (auto _ : state) {
    cv::HoughCircles(grey, circles, cv::HOUGH_GRADIENT, 1, 2 * kMinRadius, 100, 30, kMinRadius, kMaxRadius);
    benchmark::DoNotOptimize(circles.data());
  }
  std::vector<Circle> found;
  for (const cv::Vec3f& c : circles) found.push_back({c[0], c[1], c[2]});
  Score(state, found);
  cv::setNumThreads(-1);
}
BENCHMARK(BM_OpenCVHoughCircles)->Arg(1)->Arg(omp_get_num_procs())->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
