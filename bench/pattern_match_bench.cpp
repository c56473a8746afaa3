// pattern_match_monochrome: a 64 x 64 pattern in a 1920 x 1080 8-bit frame,
// warm runs with "Allowed rotation" 0 and 180 (the model build, first run of
// an instance, reported apart as build_ms), beside one OpenCV matchTemplate
// (TM_CCOEFF_NORMED) of the same pattern on the same frame with the same
// number of threads.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <chrono>
#include <memory>
#include <string>

#include "talvix/host.hpp"
#include "tests/kelmar/pattern_scene.h"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 1920, kDepth = 1080, kSide = 64;

talvix::Module* Kelmar() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("kelmar");
  return m.get();
}

struct Frames {
  talvix::FrameBuffer pattern, frame;
};

const Frames& Scene() {
  static const Frames f = [] {
    Frames s{kelmar_test::FromTextures(kSide, kSide, 8, {kelmar_test::Texture(kSide, kSide, 6, 3)}),
             kelmar_test::FromTextures(kWidth, kDepth, 8, {kelmar_test::Texture(kWidth, kDepth, 9, 5)})};
    kelmar_test::Paste(s.frame, s.pattern, 700, 400, 0);
    kelmar_test::Paste(s.frame, s.pattern, 1300, 800, 35);
    return s;
  }();
  return f;
}

void BM_PatternMatch(benchmark::State& state) {
  talvix::Module* m = Kelmar();
  if (!m) {
    state.SkipWithError("kelmar module not found");
    return;
  }
  const intptr_t handle = m->create(0);
  talvix::RunContext ctx(*m, 0);
  ctx.setFrame(u"Input frame", Scene().frame);
  ctx.setFrame(u"Pattern frame", Scene().pattern);
  ctx.setNumbers(u"Allowed rotation", {static_cast<double>(state.range(0))});
  ctx.setNumbers(u"Maximum number of pattern occurancies", {5});
  ctx.setFlags(u"Show results", {false});
  const auto t0 = std::chrono::steady_clock::now();
  const talvix::RunResult first = ctx.run(handle);
  const double buildMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  if (!first.ok) {
    state.SkipWithError(("run failed: " + talvix::ToUtf8(first.error)).c_str());
    m->destroy(handle);
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ctx.run(handle).ok);
  state.counters["build_ms"] = buildMs;
  state.counters["found"] = ctx.numbers(u"Number of found patterns").at(0);
  state.counters["threads"] = omp_get_max_threads();
  m->destroy(handle);
}
BENCHMARK(BM_PatternMatch)->Arg(0)->Arg(180)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
void BM_PatternMatchPeerMatchTemplate(benchmark::State& state) {
  const Frames& s = Scene();
  cv::Mat frame(kDepth, kWidth, CV_8UC1), pattern(kSide, kSide, CV_8UC1), result;
  for (int y = 0; y < kDepth; ++y) std::copy_n(s.frame.row(y), kWidth, frame.ptr(y));
  for (int y = 0; y < kSide; ++y) std::copy_n(s.pattern.row(y), kSide, pattern.ptr(y));
  cv::setNumThreads(omp_get_max_threads());
  for (auto _ : state) {
    cv::matchTemplate(frame, pattern, result, cv::TM_CCOEFF_NORMED);
    benchmark::DoNotOptimize(result.data);
  }
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_PatternMatchPeerMatchTemplate)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
