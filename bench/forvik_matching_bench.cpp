// Geometric matching on a full-HD scene holding four turned and scaled
// copies of a 240 x 180 pattern among clutter, through the module's exported
// interface: the search with the model built, and the model build on its
// own. Beside it, on the same frames in the same run and single-threaded, one
// untilted normalised cross-correlation of the pattern over the scene. The
// pose errors of the found copies are reported beside the times.
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

constexpr int kWidth = 1920, kDepth = 1080, kPw = 240, kPd = 180;
constexpr double kPoly[][2] = {{30, 27}, {200, 40}, {212, 148}, {116, 155}, {36, 112}};
constexpr double kHole[] = {104, 83, 24};

struct Pose {
  double x, y, deg, scale;
};
const Pose kPoses[] = {{330.4, 290.7, 25, 0.8}, {960.2, 300.5, 140, 1.25}, {1550.6, 330.1, 260, 1.0},
                       {900.3, 800.8, 330, 1.1}};

bool InShape(double x, double y) {
  bool in = false;
  for (int i = 0, j = 4; i < 5; j = i++) {
    if ((kPoly[i][1] > y) != (kPoly[j][1] > y) &&
        x < (kPoly[j][0] - kPoly[i][0]) * (y - kPoly[i][1]) / (kPoly[j][1] - kPoly[i][1]) + kPoly[i][0])
      in = !in;
  }
  return in && std::hypot(x - kHole[0], y - kHole[1]) > kHole[2];
}

// Light shapes on a dark ground (4x4 supersampled near edges is costly at
// this size: 2x2 here), plus clutter discs and bars away from the copies.
talvix::FrameBuffer Render(int w, int d, const std::vector<Pose>& poses, bool clutter) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, 8, 40);
  std::vector<std::array<double, 4>> discs, bars;
  if (clutter) {
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> ux(0, w), uy(0, d), ur(10, 40);
    while (discs.size() + bars.size() < 40) {
      const double x = ux(rng), y = uy(rng), r = ur(rng);
      if (std::any_of(poses.begin(), poses.end(), [&](const Pose& p) { return std::hypot(p.x - x, p.y - y) < 200 * p.scale + r; }))
        continue;
      if (discs.size() <= bars.size()) discs.push_back({x, y, r, 0});
      else bars.push_back({x, y, r, r / 3});
    }
  }
  for (int y = 0; y < d; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < w; ++x) {
      int hits = 0;
      for (int s = 0; s < 4; ++s) {
        const double px = x + (s % 2 + 0.5) / 2 - 0.5, py = y + (s / 2 + 0.5) / 2 - 0.5;
        bool in = false;
        for (const Pose& p : poses) {
          const double dx = px - p.x, dy = py - p.y;
          if (std::abs(dx) > 160 * p.scale || std::abs(dy) > 160 * p.scale) continue;
          const double t = p.deg * std::numbers::pi / 180;
          in = InShape((dx * std::cos(t) + dy * std::sin(t)) / p.scale + kPw / 2.0,
                       (-dx * std::sin(t) + dy * std::cos(t)) / p.scale + kPd / 2.0);
          if (in) break;
        }
        for (const auto& c : discs) in = in || std::hypot(px - c[0], py - c[1]) < c[2];
        for (const auto& b : bars) in = in || (std::abs(px - b[0]) < b[2] && std::abs(py - b[1]) < b[3]);
        hits += in;
      }
      row[x] = static_cast<uint8_t>((210 * hits + 40 * (4 - hits)) / 4);
    }
  }
  return f;
}

const talvix::FrameBuffer& PatternFrame() {
  static const talvix::FrameBuffer f = Render(kPw, kPd, {{kPw / 2.0, kPd / 2.0, 0, 1}}, false);
  return f;
}
const talvix::FrameBuffer& SceneFrame() {
  static const talvix::FrameBuffer f = Render(kWidth, kDepth, {std::begin(kPoses), std::end(kPoses)}, true);
  return f;
}

void Prepare(talvix::RunContext& ctx) {
  ctx.setFrame(u"Input frame", SceneFrame());
  ctx.setFrame(u"Pattern frame", PatternFrame());
  ctx.setNumbers(u"Horizontal template scanline number", {12});
  ctx.setNumbers(u"Vertical template scanline number", {12});
  ctx.setNumbers(u"Horizontal camera scanline number", {kDepth / 16.0});
  ctx.setNumbers(u"Vertical camera scanline number", {kWidth / 16.0});
  ctx.setNumbers(u"Image quality", {0.9});
  ctx.setNumbers(u"Upper scaling limit [0-]", {1.3});
  ctx.setNumbers(u"Lower scaling limit [0-]", {0.75});
  ctx.setNumbers(u"Maximum number of pattern occurancies", {4});
  ctx.setFlags(u"Show results", {false});
}

// Found copies: centre within 5 px of a drawn one; mean centre, angle and
// scale errors over them.
void Score(benchmark::State& state, const std::vector<TRectangle>& found) {
  int matched = 0;
  double centre = 0, angle = 0, scale = 0;
  for (const Pose& p : kPoses) {
    for (const TRectangle& r : found) {
      if (std::hypot(r.cx - p.x, r.cy - p.y) >= 5) continue;
      ++matched;
      centre += std::hypot(r.cx - p.x, r.cy - p.y);
      double turn = std::fmod(r.angle - p.deg + 720, 360);
      angle += std::abs(turn > 180 ? turn - 360 : turn);
      scale += std::abs(r.width / kPw - p.scale) / p.scale;
      break;
    }
  }
  state.counters["copies"] = 4;
  state.counters["found"] = static_cast<double>(found.size());
  state.counters["matched"] = matched;
  state.counters["centre_err_px"] = matched ? centre / matched : 0;
  state.counters["angle_err_deg"] = matched ? angle / matched : 0;
  state.counters["scale_err_pct"] = matched ? 100 * scale / matched : 0;
}

// The search with the model already built (the pattern's stamp unchanged).
void BM_ForvikGeometricSearch(benchmark::State& state) {
  talvix::Module* m = ForvikModule(state);
  if (!m) return;
  omp_set_num_threads(1);
  const int index = m->findMethod(std::string("geometric_matching"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  Prepare(ctx);
  if (const talvix::RunResult r = ctx.run(handle); !r.ok) state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
  for (auto _ : state) ctx.run(handle);
  m->destroy(handle);
  Score(state, ctx.rectangles(u"Result rectangles"));
  omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_ForvikGeometricSearch)->Unit(benchmark::kMillisecond)->UseRealTime();

// The model build alone: a pattern the size of the scene would search too,
// so each run gets a fresh pattern stamp and a tiny scene holding nothing.
void BM_ForvikGeometricModelBuild(benchmark::State& state) {
  talvix::Module* m = ForvikModule(state);
  if (!m) return;
  omp_set_num_threads(1);
  const int index = m->findMethod(std::string("geometric_matching"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  Prepare(ctx);
  ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(kPw, kPd, 8, 40));
  for (auto _ : state) {
    ctx.touch(u"Pattern frame");
    ctx.run(handle);  // ends at "No tracable contour on source frame" after the build
  }
  m->destroy(handle);
  omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_ForvikGeometricModelBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
void BM_OpenCVMatchTemplateOneAngle(benchmark::State& state) {
  cv::setNumThreads(1);
  const talvix::FrameBuffer& s = SceneFrame();
  const talvix::FrameBuffer& p = PatternFrame();
  const cv::Mat scene(kDepth, kWidth, CV_8UC1, const_cast<uint8_t*>(s.row(0)), static_cast<size_t>(s.stride()));
  const cv::Mat pattern(kPd, kPw, CV_8UC1, const_cast<uint8_t*>(p.row(0)), static_cast<size_t>(p.stride()));
  cv::Mat result;
  for (auto _ : state) {
    cv::matchTemplate(scene, pattern, result, cv::TM_CCOEFF_NORMED);
    benchmark::DoNotOptimize(result.data);
  }
  cv::setNumThreads(-1);
}
BENCHMARK(BM_OpenCVMatchTemplateOneAngle)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
