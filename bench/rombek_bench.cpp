// Region statistics on a 1920 x 1080 8-bit frame, whole and in a region
// turned by 30 degrees, beside a bare region scan with an empty callback
// (the floor every method stands on) and, when found, OpenCV's counterparts.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

const TRectangularRegion kTurned{960, 540, 1200, 700, 30};

// Grey texture with a dark turned bar, so that every method has pixels to take.
talvix::FrameBuffer& Picture() {
  static talvix::FrameBuffer f = [] {
    talvix::FrameBuffer b = talvix::FrameBuffer::make(1920, 1080, 8);
    const double c = std::cos(0.5), s = std::sin(0.5);
    for (int y = 0; y < 1080; ++y) {
      for (int x = 0; x < 1920; ++x) {
        const double dx = x - 950, dy = y - 530;
        const bool bar = std::fabs(dx * c + dy * s) < 400 && std::fabs(-dx * s + dy * c) < 60;
        *b.pixel(x, y) = static_cast<uint8_t>(bar ? 30 : 120 + ((x * 7 + y * 13) % 97));
      }
    }
    return b;
  }();
  return f;
}

bool Empty(void*, int, int, unsigned) { return true; }

// Argument: 0 the whole frame, 1 the turned region.
void BM_BareRegionScan(benchmark::State& state) {
  const TRectangularRegion* region = state.range(0) ? &kTurned : nullptr;
  for (auto _ : state) ScanRectangularRegion(Picture().frame(), region, 1, nullptr, Empty);
}
BENCHMARK(BM_BareRegionScan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

talvix::Module& Rombek() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("rombek");
  return *m;
}

// Arguments: method index, region (0 whole, 1 turned). Nothing is drawn.
void BM_Rombek(benchmark::State& state) {
  talvix::Module& m = Rombek();
  const int method = static_cast<int>(state.range(0));
  talvix::RunContext ctx(m, method);
  ctx.setFrame(u"Input frame", Picture());
  if (state.range(1)) ctx.setRegions(u"Region", {kTurned});
  ctx.setFlags(u"Show results", {false});
  const intptr_t handle = m.create(method);
  ctx.run(handle);  // the object's buffers are made on the first run and kept
  for (auto _ : state) {
    if (!ctx.run(handle).ok) state.SkipWithError("run failed");
  }
  m.destroy(handle);
  state.SetLabel(talvix::ToUtf8(m.catalogue().methods[method].id));
}
BENCHMARK(BM_Rombek)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMillisecond);

#ifdef VISION_HAVE_OPENCV
cv::Mat PictureMat() {
  talvix::FrameBuffer& f = Picture();
  return cv::Mat(f.depth(), f.width(), CV_8UC1, f.row(0), f.stride());
}

cv::Mat TurnedMask() {
  cv::Mat mask = cv::Mat::zeros(1080, 1920, CV_8UC1);
  cv::Point2f corners[4];
  cv::RotatedRect({960, 540}, {1200, 700}, 30).points(corners);
  cv::Point pts[4];
  for (int i = 0; i < 4; ++i) pts[i] = corners[i];
  cv::fillConvexPoly(mask, pts, 4, 255);
  return mask;
}

void BM_OpenCvMeanStdDevMinMax(benchmark::State& state) {
  const cv::Mat img = PictureMat();
  const cv::Mat mask = state.range(0) ? TurnedMask() : cv::Mat();
  cv::setNumThreads(1);
  for (auto _ : state) {
    cv::Scalar mean, dev;
    double lo = 0, hi = 0;
    cv::meanStdDev(img, mean, dev, mask);
    cv::minMaxLoc(img, &lo, &hi, nullptr, nullptr, mask);
    benchmark::DoNotOptimize(lo + hi + mean[0] + dev[0]);
  }
}
BENCHMARK(BM_OpenCvMeanStdDevMinMax)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenCvCalcHist(benchmark::State& state) {
  const cv::Mat img = PictureMat();
  const cv::Mat mask = state.range(0) ? TurnedMask() : cv::Mat();
  cv::setNumThreads(1);
  const int channels[] = {0}, bins[] = {256};
  const float range[] = {0, 256};
  const float* ranges[] = {range};
  for (auto _ : state) {
    cv::Mat hist;
    cv::calcHist(&img, 1, channels, mask, hist, 1, bins, ranges);
    benchmark::DoNotOptimize(hist.data);
  }
}
BENCHMARK(BM_OpenCvCalcHist)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenCvFindNonZeroBoundingRect(benchmark::State& state) {
  const cv::Mat img = PictureMat();
  const cv::Mat mask = state.range(0) ? TurnedMask() : cv::Mat();
  cv::setNumThreads(1);
  for (auto _ : state) {
    cv::Mat below, points;
    cv::compare(img, 127, below, cv::CMP_LT);
    if (!mask.empty()) cv::bitwise_and(below, mask, below);
    cv::findNonZero(below, points);
    benchmark::DoNotOptimize(cv::boundingRect(points));
  }
}
BENCHMARK(BM_OpenCvFindNonZeroBoundingRect)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
