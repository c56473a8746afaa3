// Line detection by contour on a full-HD frame of turned polygons, through
// the module's exported interface, beside OpenCV's line segment detector on
// the same frame in the same run, both on one thread. For every drawn side
// the nearest found segment is taken; matched sides and the mean end-point
// error are reported beside the times.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
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

constexpr int kWidth = 1920, kDepth = 1080, kPolygons = 40;

struct Side {
  double x0, y0, x1, y1;
};

struct Polygon {
  std::vector<double> xs, ys;
  double cx, cy, r;
};

// Turned triangles, squares and pentagons placed without overlap.
const std::vector<Polygon>& Polygons() {
  static const std::vector<Polygon> out = [] {
    std::vector<Polygon> ps;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(0, 1);
    while (static_cast<int>(ps.size()) < kPolygons) {
      Polygon p;
      p.r = 40 + 50 * unit(rng);
      p.cx = p.r + 6 + unit(rng) * (kWidth - 2 * p.r - 12);
      p.cy = p.r + 6 + unit(rng) * (kDepth - 2 * p.r - 12);
      if (std::any_of(ps.begin(), ps.end(), [&](const Polygon& q) { return std::hypot(q.cx - p.cx, q.cy - p.cy) < q.r + p.r + 8; }))
        continue;
      const int n = 3 + static_cast<int>(ps.size() % 3);
      const double turn = unit(rng) * 2 * std::numbers::pi;
      for (int k = 0; k < n; ++k) {
        p.xs.push_back(p.cx + p.r * std::cos(turn + 2 * std::numbers::pi * k / n));
        p.ys.push_back(p.cy + p.r * std::sin(turn + 2 * std::numbers::pi * k / n));
      }
      ps.push_back(p);
    }
    return ps;
  }();
  return out;
}

std::vector<Side> Sides() {
  std::vector<Side> out;
  for (const Polygon& p : Polygons())
    for (size_t k = 0; k < p.xs.size(); ++k) {
      const size_t m = (k + 1) % p.xs.size();
      out.push_back({p.xs[k], p.ys[k], p.xs[m], p.ys[m]});
    }
  return out;
}

bool Inside(const Polygon& p, double x, double y) {
  bool in = false;
  for (size_t i = 0, j = p.xs.size() - 1; i < p.xs.size(); j = i++) {
    if ((p.ys[i] > y) != (p.ys[j] > y) && x < (p.xs[j] - p.xs[i]) * (y - p.ys[i]) / (p.ys[j] - p.ys[i]) + p.xs[i])
      in = !in;
  }
  return in;
}

// Light polygons on a dark ground, 4x4 supersampled.
const talvix::FrameBuffer& PolygonFrame() {
  static const talvix::FrameBuffer frame = [] {
    talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, 8, 40);
    for (const Polygon& p : Polygons()) {
      for (int y = static_cast<int>(p.cy - p.r) - 1; y <= static_cast<int>(p.cy + p.r) + 1; ++y)
        for (int x = static_cast<int>(p.cx - p.r) - 1; x <= static_cast<int>(p.cx + p.r) + 1; ++x) {
          int hits = 0;
          for (int sy = 0; sy < 4; ++sy)
            for (int sx = 0; sx < 4; ++sx) hits += Inside(p, x + (sx + 0.5) / 4 - 0.5, y + (sy + 0.5) / 4 - 0.5);
          f.pixel(x, y)[0] = static_cast<uint8_t>((210 * hits + 40 * (16 - hits)) / 16);
        }
    }
    return f;
  }();
  return frame;
}

// Each drawn side against the found segment whose ends lie nearest its ends
// (either way round); matched when both ends are within 6 px.
void Score(benchmark::State& state, const std::vector<Side>& found) {
  int matched = 0;
  double error = 0;
  for (const Side& t : Sides()) {
    double best = 1e9;
    for (const Side& s : found) {
      const double same = std::max(std::hypot(s.x0 - t.x0, s.y0 - t.y0), std::hypot(s.x1 - t.x1, s.y1 - t.y1));
      const double turned = std::max(std::hypot(s.x0 - t.x1, s.y0 - t.y1), std::hypot(s.x1 - t.x0, s.y1 - t.y0));
      best = std::min({best, same, turned});
    }
    if (best < 6) ++matched, error += best;
  }
  state.counters["sides"] = static_cast<double>(Sides().size());
  state.counters["found"] = static_cast<double>(found.size());
  state.counters["matched"] = matched;
  state.counters["end_err_px"] = matched ? error / matched : 0;
}

void BM_ForvikLinesByContour(benchmark::State& state) {
  talvix::Module* m = ForvikModule(state);
  if (!m) return;
  omp_set_num_threads(1);
  const int index = m->findMethod(std::string("line_detection_by_contour"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", PolygonFrame());
  ctx.setNumbers(u"Number Of Horizontal Scanlines", {kDepth / 32.0});
  ctx.setNumbers(u"Number Of Vertical Scanlines", {kWidth / 32.0});
  ctx.setFlags(u"Show results", {false});
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
  }
  m->destroy(handle);
  std::vector<Side> found;
  for (const TLine& l : ctx.lines(u"Result lines")) found.push_back({l.x0, l.y0, l.x1, l.y1});
  Score(state, found);
  omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_ForvikLinesByContour)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
void BM_OpenCVLineSegmentDetector(benchmark::State& state) {
  cv::setNumThreads(1);
  const talvix::FrameBuffer& f = PolygonFrame();
  const cv::Mat grey(kDepth, kWidth, CV_8UC1, const_cast<uint8_t*>(f.row(0)), static_cast<size_t>(f.stride()));
  cv::Ptr<cv::LineSegmentDetector> lsd = cv::createLineSegmentDetector();
  std::vector<cv::Vec4f> lines;
  for (auto _ : state) {
    lsd->detect(grey, lines);
    benchmark::DoNotOptimize(lines.data());
  }
  std::vector<Side> found;
  for (const cv::Vec4f& l : lines) found.push_back({l[0], l[1], l[2], l[3]});
  Score(state, found);
  cv::setNumThreads(-1);
}
BENCHMARK(BM_OpenCVLineSegmentDetector)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
