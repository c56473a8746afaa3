// The GPU feature module through its exported interface: keypoints alone and
// keypoints with descriptors (the descriptor passes' draws and read-backs are
// the difference), beside OpenCV's SIFT detectAndCompute on the same frames
// with its default threads (llvmpipe renders on all cores too).
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "module_run.h"
#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV_FEATURES
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#endif

namespace {

// Grey 128 with a few hundred Gaussian blobs of random size and contrast.
talvix::FrameBuffer Scene(int w, int h) {
  std::vector<double> v(static_cast<size_t>(w) * h, 128.0);
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> ux(0, w), uy(0, h), us(2, 6), uc(-90, 90);
  const int blobs = w * h / 1500;
  for (int b = 0; b < blobs; ++b) {
    const double cx = ux(rng), cy = uy(rng), s = us(rng), c = uc(rng);
    const int r = static_cast<int>(3 * s) + 1;
    for (int y = std::max(0, int(cy) - r); y < std::min(h, int(cy) + r); ++y)
      for (int x = std::max(0, int(cx) - r); x < std::min(w, int(cx) + r); ++x)
        v[static_cast<size_t>(y) * w + x] += c * std::exp(-((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (2 * s * s));
  }
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f.pixel(x, y)[0] = static_cast<uint8_t>(std::clamp(v[size_t(y) * w + x], 0.0, 255.0));
  return f;
}

void Run(benchmark::State& state, const char* id) {
  if (!talvix::GlAvailable()) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  module_test::MethodRun run("kestan", id);
  run.ctx.setFrame(u"input frame", Scene(w, h));
  run.ctx.setNumbers(u"features threshold", {0.05});
  run.ctx.setFlags(u"draw outputs into the picture", {false});
  run();  // the set-up
  double points = 0;
  for (auto _ : state) {
    if (!run().ok) state.SkipWithError("run failed");
  }
  const auto n = run.ctx.numbers(run.index == 0 ? u"number of found points" : u"number of found features");
  points = n.empty() ? 0 : n[0];
  state.counters["keypoints"] = points;
}

void BM_GpuKeypoints(benchmark::State& state) { Run(state, "gpu_keypoint"); }
void BM_GpuKeypointsAndDescriptors(benchmark::State& state) { Run(state, "gpu_feature_save_data"); }
BENCHMARK(BM_GpuKeypoints)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GpuKeypointsAndDescriptors)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond);

#ifdef VISION_HAVE_OPENCV_FEATURES
void BM_SiftDetectAndCompute(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  talvix::FrameBuffer f = Scene(w, h);
  cv::Mat img(h, w, CV_8UC1, f.row(0), f.stride());
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create();
  std::vector<cv::KeyPoint> keypoints;
  cv::Mat descriptors;
  for (auto _ : state) {
    sift->detectAndCompute(img, cv::noArray(), keypoints, descriptors);
    benchmark::DoNotOptimize(descriptors.data);
  }
  state.counters["keypoints"] = static_cast<double>(keypoints.size());
}
BENCHMARK(BM_SiftDetectAndCompute)->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond);
#endif

}  // namespace
