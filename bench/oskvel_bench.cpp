// The particle classifier on full-HD 8-bit frames holding 10, 50 and 200
// particles, driven through the module's exported interface, beside OpenCV
// tracing the same frame and matching each contour against the same five
// classes in the same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 1920, kDepth = 1080;
constexpr int kCell = 31;                 // a shape's square cell
constexpr int kCols = 20, kRows = 10;     // grid of places for up to 200 particles
constexpr int kShapes = 5;

talvix::Module* Oskvel() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("oskvel");
  return m.get();
}

// Disc, square, triangle, bar and cross inside a 31 x 31 cell.
bool Inside(int shape, int x, int y) {
  switch (shape) {
    case 0:
      return (x - 15) * (x - 15) + (y - 15) * (y - 15) <= 13 * 13;
    case 1:
      return x >= 3 && x <= 26 && y >= 3 && y <= 26;
    case 2:
      return y >= 2 && y <= 28 && std::abs(2 * (x - 15)) <= (y - 2);
    case 3:
      return x >= 1 && x <= 29 && y >= 10 && y <= 20;
    default:
      return (x >= 10 && x <= 20 && y >= 2 && y <= 28) || (y >= 10 && y <= 20 && x >= 2 && x <= 28);
  }
}

void Draw(talvix::FrameBuffer& f, int shape, int cx, int cy) {
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x)
      if (Inside(shape, x, y)) *f.pixel(cx + x, cy + y) = 220;
}

// Bright shapes (220) on a dark ground (30): one of each class.
talvix::FrameBuffer PatternFrame() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kShapes * 60 + 20, 80, 8, 30);
  for (int s = 0; s < kShapes; ++s) Draw(f, s, 20 + 60 * s, 20);
  return f;
}

// n particles spread over the grid, shapes in turn.
talvix::FrameBuffer SceneFrame(int n) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, 8, 30);
  const int cw = kWidth / kCols, cd = kDepth / kRows;
  for (int i = 0; i < n; ++i) {
    const int place = i * (kCols * kRows) / n;
    Draw(f, i % kShapes, (place % kCols) * cw + (cw - kCell) / 2, (place / kCols) * cd + (cd - kCell) / 2);
  }
  return f;
}

// The pattern keeps its stamp between runs, so its classes are built once and
// each timed run detects, measures and classifies the frame's particles.
void BM_OskvelClassify(benchmark::State& state) {
  talvix::Module* m = Oskvel();
  if (!m) {
    state.SkipWithError("oskvel module not found");
    return;
  }
  const int n = int(state.range(0));
  const int index = m->findMethod(std::string("classifier_in_rectangular_region"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", SceneFrame(n));
  ctx.setFrame(u"Pattern frame", PatternFrame());
  // A line every third pixel: each particle is crossed by about ten.
  ctx.setNumbers(u"Horizontal template scanline number", {27});
  ctx.setNumbers(u"Vertical template scanline number", {107});
  ctx.setNumbers(u"Horizontal camera scanline number", {360});
  ctx.setNumbers(u"Vertical camera scanline number", {640});
  ctx.setNumbers(u"Maximal number of found patterns", {1e9});
  ctx.setFlags(u"Object color", {true});
  double found = 0;
  for (auto _ : state) {
    const talvix::RunResult r = ctx.run(handle);
    if (!r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
    const std::vector<double> count = ctx.numbers(u"Result number");
    found = count.empty() ? 0 : count[0];
  }
  m->destroy(handle);
  state.counters["found"] = found;
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OskvelClassify)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
cv::Mat View(const talvix::FrameBuffer& f) {
  return cv::Mat(f.depth(), f.width(), CV_8UC1, const_cast<uint8_t*>(f.row(0)), size_t(f.stride()));
}

// Threshold, outer contours, moments of each, and the nearest of the five
// class contours by Hu-moment matching.
void BM_OpenCVContoursMatchShapes(benchmark::State& state) {
  cv::setNumThreads(1);
  const int n = int(state.range(0));
  const talvix::FrameBuffer scene = SceneFrame(n), pattern = PatternFrame();
  cv::Mat bin;
  std::vector<std::vector<cv::Point>> classes, contours;
  cv::threshold(View(pattern), bin, 125, 255, cv::THRESH_BINARY);
  cv::findContours(bin, classes, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
  if (int(classes.size()) != kShapes) {
    state.SkipWithError("pattern contours not found");
    return;
  }
  double found = 0;
  for (auto _ : state) {
    cv::threshold(View(scene), bin, 125, 255, cv::THRESH_BINARY);
    cv::findContours(bin, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    found = 0;
    for (const auto& c : contours) {
      const cv::Moments mo = cv::moments(c);
      benchmark::DoNotOptimize(mo.m00);
      double best = 1e300;
      int cls = -1;
      for (int k = 0; k < kShapes; ++k) {
        const double d = cv::matchShapes(c, classes[k], cv::CONTOURS_MATCH_I1, 0);
        if (d < best) best = d, cls = k;
      }
      found += cls >= 0;
    }
  }
  state.counters["found"] = found;
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_OpenCVContoursMatchShapes)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
