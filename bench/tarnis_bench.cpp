// The Haar gradient picture of a 1280 x 720 colour frame (integral on the CPU,
// upload, the gradient pass, read-back at "*_POF") through the exports,
// beside OpenCV's integral image with the same box differences on the CPU.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 1280, kHeight = 720;

talvix::FrameBuffer Scene() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kHeight, 32);
  std::mt19937 rng(5);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < 4 * kWidth; ++x) row[x] = static_cast<uint8_t>((x / 9 + y / 7) * 13 + rng() % 40);
  }
  return f;
}

void Haar(benchmark::State& state, int mode) {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("tarnis");
  if (!m || !talvix::GlAvailable()) {
    state.SkipWithError("tarnis or OpenGL unavailable");
    return;
  }
  const int index = m->findMethod("gpu_haar");
  const intptr_t handle = m->create(index);
  {
    talvix::RunContext ctx(*m, index);
    ctx.setFrame(u"input frame", Scene());
    ctx.setNumbers(u"filter mode", {static_cast<double>(mode)});
    ctx.run(handle);  // the set-up run is not timed
    for (auto _ : state) {
      if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
        state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
        break;
      }
    }
  }
  m->destroy(handle);
}

void BM_Tarnis_AnglePi(benchmark::State& s) { Haar(s, 0); }
void BM_Tarnis_GradientXY(benchmark::State& s) { Haar(s, 4); }
BENCHMARK(BM_Tarnis_AnglePi)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tarnis_GradientXY)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
// Grey, cv::integral, then per pixel the two Haar boxes of half side 2 and
// the angle over pi as an 8-bit picture.
void BM_Tarnis_OpenCvIntegralBoxes(benchmark::State& state) {
  const talvix::FrameBuffer f = Scene();
  const cv::Mat bgra(kHeight, kWidth, CV_8UC4, const_cast<uint8_t*>(f.row(0)));
  cv::Mat grey, sum, out(kHeight, kWidth, CV_8UC1);
  const int r = 2;
  const double area = r * (2.0 * r + 1) * 255;
  for (auto _ : state) {
    cv::cvtColor(bgra, grey, cv::COLOR_BGRA2GRAY);
    cv::integral(grey, sum, CV_32S);
    auto box = [&](int x0, int y0, int x1, int y1) {
      x0 = std::max(x0, 0);
      y0 = std::max(y0, 0);
      x1 = std::min(x1 + 1, kWidth);
      y1 = std::min(y1 + 1, kHeight);
      if (x1 <= x0 || y1 <= y0) return 0;
      return sum.at<int>(y1, x1) - sum.at<int>(y0, x1) - sum.at<int>(y1, x0) + sum.at<int>(y0, x0);
    };
    cv::parallel_for_(cv::Range(0, kHeight), [&](const cv::Range& rows) {
      for (int y = rows.start; y < rows.end; ++y) {
        uint8_t* o = out.ptr<uint8_t>(y);
        for (int x = 0; x < kWidth; ++x) {
          const double dx = (box(x + 1, y - r, x + r, y + r) - box(x - r, y - r, x - 1, y + r)) / area;
          const double dy = (box(x - r, y + 1, x + r, y + r) - box(x - r, y - r, x + r, y - 1)) / area;
          double a = std::atan2(dy, dx);
          if (a < 0) a += M_PI;
          o[x] = static_cast<uint8_t>(std::lround(a / M_PI * 255));
        }
      }
    });
    benchmark::DoNotOptimize(out.data);
  }
}
BENCHMARK(BM_Tarnis_OpenCvIntegralBoxes)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
