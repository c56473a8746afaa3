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
#include <opencv2/calib3d.hpp>
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

namespace {

// Finding a saved object in a shifted 640 x 480 picture: the whole run of
// "gpu_feature_match_data" beside SIFT on both pictures' worth of work that a
// match needs per frame (detectAndCompute of the frame, brute-force matching
// with the saved descriptors, a similarity fitted with RANSAC).
talvix::FrameBuffer Shifted(const talvix::FrameBuffer& f, int dx, int dy) {
  talvix::FrameBuffer g = talvix::FrameBuffer::make(f.width(), f.depth(), 8, 128);
  for (int y = 0; y < f.depth(); ++y)
    for (int x = 0; x < f.width(); ++x) {
      const int sx = x - dx, sy = y - dy;
      if (sx >= 0 && sy >= 0 && sx < f.width() && sy < f.depth()) g.pixel(x, y)[0] = f.pixel(sx, sy)[0];
    }
  return g;
}

void BM_GpuFeatureMatch(benchmark::State& state) {
  if (!talvix::GlAvailable()) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  const talvix::FrameBuffer scene = Scene(640, 480);
  std::vector<uint8_t> saved;
  {
    module_test::MethodRun save("kestan", "gpu_feature_save_data");
    save.ctx.setFrame(u"input frame", scene);
    save.ctx.setNumbers(u"features threshold", {0.05});
    save();
    saved = save.ctx.data(u"data object with found features");
  }
  module_test::MethodRun run("kestan", "gpu_feature_match_data");
  run.ctx.setFrame(u"input frame", Shifted(scene, 7, 5));
  run.ctx.setData(u"data object with descriptors", saved);
  run.ctx.setNumbers(u"number of passes of outcome statistical filtration", {3});
  run.ctx.setFlags(u"draw outputs into the picture", {false});
  run();
  for (auto _ : state) {
    if (!run().ok) state.SkipWithError("run failed");
  }
  const auto m = run.ctx.numbers(u"number of found matches");
  state.counters["matches"] = m.empty() ? 0 : m[0];
}
BENCHMARK(BM_GpuFeatureMatch)->Unit(benchmark::kMillisecond);

#ifdef VISION_HAVE_OPENCV_FEATURES
void BM_SiftMatchAndPose(benchmark::State& state) {
  const talvix::FrameBuffer scene = Scene(640, 480), shifted = Shifted(scene, 7, 5);
  cv::Mat a(480, 640, CV_8UC1, const_cast<uint8_t*>(scene.row(0)), scene.stride());
  cv::Mat b(480, 640, CV_8UC1, const_cast<uint8_t*>(shifted.row(0)), shifted.stride());
  cv::Ptr<cv::SIFT> sift = cv::SIFT::create();
  std::vector<cv::KeyPoint> ka, kb;
  cv::Mat da, db;
  sift->detectAndCompute(a, cv::noArray(), ka, da);
  cv::BFMatcher matcher(cv::NORM_L2, true);
  size_t inliers = 0;
  for (auto _ : state) {
    sift->detectAndCompute(b, cv::noArray(), kb, db);
    std::vector<cv::DMatch> matches;
    matcher.match(da, db, matches);
    std::vector<cv::Point2f> pa, pb;
    for (const cv::DMatch& m : matches) {
      pa.push_back(ka[m.queryIdx].pt);
      pb.push_back(kb[m.trainIdx].pt);
    }
    std::vector<uchar> mask;
    cv::Mat pose = cv::estimateAffinePartial2D(pa, pb, mask);
    benchmark::DoNotOptimize(pose.data);
    inliers = static_cast<size_t>(std::count(mask.begin(), mask.end(), 1));
  }
  state.counters["matches"] = static_cast<double>(inliers);
}
BENCHMARK(BM_SiftMatchAndPose)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
