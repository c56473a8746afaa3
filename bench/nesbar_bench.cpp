// The GPU grey-value pattern matcher through its exported interface: a
// 64 x 64 pattern in a 640 x 480 frame at one angle and scale, and over a
// whole turn in steps of 5 degrees, beside OpenCV's matchTemplate
// (TM_CCOEFF_NORMED) once and over 72 turned patterns, and the binary method
// on the same frame, with OpenCV's
// default threads (llvmpipe renders on all cores too).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "module_run.h"
#include "smoke_run.h"
#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kW = 640, kH = 480, kP = 64;

// A smooth texture: broad blobs on a gentle wave.
double Texture(double x, double y) {
  return 128 + 60 * std::sin(x * 0.11) * std::cos(y * 0.07) + 40 * std::sin((x + 2 * y) * 0.05);
}

talvix::FrameBuffer Frame() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kW, kH, 8);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(Texture(x, y), 0.0, 255.0));
  return f;
}

talvix::FrameBuffer Pattern() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kP, kP, 8);
  for (int y = 0; y < kP; ++y)
    for (int x = 0; x < kP; ++x)
      f.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(Texture(x + 300, y + 200), 0.0, 255.0));
  return f;
}

void Gpu(benchmark::State& state, double endRotation, const char* id = "gpu_pattern") {
  if (!talvix::GlAvailable()) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  module_test::MethodRun run("nesbar", id);
  run.ctx.setFrame(u"input frame", Frame());
  run.ctx.setFrame(u"pattern", Pattern());
  // The smoke run turns the pattern a few steps only.
  run.ctx.setNumbers(u"end rotation", {bench::SmokeRun() ? std::min(endRotation, 10.0) : endRotation});
  run.ctx.setNumbers(u"rotation step", {5});
  run.ctx.setFlags(u"draw outputs into the picture", {false});
  run();  // the set-up and the pattern
  for (auto _ : state) {
    if (!run().ok) state.SkipWithError("run failed");
  }
  const auto n = run.ctx.numbers(u"number of found patterns");
  state.counters["found"] = n.empty() ? 0 : n[0];
}

void BM_GpuPatternOneAngle(benchmark::State& state) { Gpu(state, 0); }
void BM_GpuPatternWholeTurn(benchmark::State& state) { Gpu(state, 360); }
BENCHMARK(BM_GpuPatternOneAngle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GpuPatternWholeTurn)->Unit(benchmark::kMillisecond);
// The binary method on the same frame and pattern (sampling step 5).
void BM_GpuBinaryPatternOneAngle(benchmark::State& state) { Gpu(state, 0, "gpu_pattern_binary"); }
void BM_GpuBinaryPatternWholeTurn(benchmark::State& state) { Gpu(state, 360, "gpu_pattern_binary"); }
BENCHMARK(BM_GpuBinaryPatternOneAngle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GpuBinaryPatternWholeTurn)->Unit(benchmark::kMillisecond);

#ifdef VISION_HAVE_OPENCV
void Peer(benchmark::State& state, int turns) {
  talvix::FrameBuffer f = Frame(), p = Pattern();
  cv::Mat frame(kH, kW, CV_8UC1, f.row(0), f.stride()), pattern(kP, kP, CV_8UC1, p.row(0), p.stride());
  std::vector<cv::Mat> turned;
  for (int i = 0; i < turns; ++i) {
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(kP / 2.0f, kP / 2.0f), i * 5.0, 1.0), t;
    cv::warpAffine(pattern, t, m, pattern.size());
    turned.push_back(t);
  }
  cv::Mat result;
  for (auto _ : state) {
    for (const cv::Mat& t : turned) {
      cv::matchTemplate(frame, t, result, cv::TM_CCOEFF_NORMED);
      benchmark::DoNotOptimize(result.data);
    }
  }
}
void BM_MatchTemplateOneAngle(benchmark::State& state) { Peer(state, 1); }
void BM_MatchTemplateWholeTurn(benchmark::State& state) { Peer(state, 72); }
BENCHMARK(BM_MatchTemplateOneAngle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchTemplateWholeTurn)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
