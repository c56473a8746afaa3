// velkon's inscribed and enclosing circles through the exports (upload,
// render, read-back and pick) on square frames with one disc, beside OpenCV's
// distanceTransform with minMaxLoc and, from the object's contour,
// minEnclosingCircle, in the same run. llvmpipe renders on the CPU; the
// enclosing-circle program visits every pixel for every pixel.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/imgproc.hpp>
#endif

namespace {

talvix::Module* Velkon() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("velkon");
  return m.get();
}

talvix::FrameBuffer Disc(int n) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(n, n, 8, 0);
  const int c = n / 2, r = n / 3;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if ((x - c) * (x - c) + (y - c) * (y - c) <= r * r) *f.pixel(x, y) = 255;
  return f;
}

void BM_Velkon(benchmark::State& state, const char* id) {
  talvix::Module* m = Velkon();
  if (!m) return state.SkipWithError("velkon module not found");
  const int n = static_cast<int>(state.range(0));
  const int index = m->findMethod(std::string(id));
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"input frame", Disc(n));
  ctx.setFlags(u"draw outputs into the picture", {false});
  const intptr_t handle = m->create(index);
  for (auto _ : state) {
    if (!ctx.run(handle).ok) {
      state.SkipWithError("run failed");
      break;
    }
  }
  m->destroy(handle);
}

BENCHMARK_CAPTURE(BM_Velkon, incircle, "gpu_incircle")->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Velkon, outcircle, "gpu_outcircle")->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);

#ifdef VISION_HAVE_OPENCV
void BM_Velkon_OpenCV(benchmark::State& state, bool incircle) {
  const int n = static_cast<int>(state.range(0));
  const talvix::FrameBuffer f = Disc(n);
  cv::Mat img(n, n, CV_8U);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) img.at<uint8_t>(y, x) = *f.pixel(x, y);
  cv::Mat dist;
  for (auto _ : state) {
    if (incircle) {
      cv::distanceTransform(img, dist, cv::DIST_L2, cv::DIST_MASK_PRECISE);
      double hi = 0;
      cv::Point at;
      cv::minMaxLoc(dist, nullptr, &hi, nullptr, &at);
      benchmark::DoNotOptimize(hi);
    } else {
      std::vector<std::vector<cv::Point>> contours;
      cv::findContours(img, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
      cv::Point2f centre;
      float radius = 0;
      if (!contours.empty()) cv::minEnclosingCircle(contours[0], centre, radius);
      benchmark::DoNotOptimize(radius);
    }
  }
}
BENCHMARK_CAPTURE(BM_Velkon_OpenCV, distanceTransform, true)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Velkon_OpenCV, minEnclosingCircle, false)->Arg(64)->Arg(128)->Arg(256)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
