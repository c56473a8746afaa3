// The colour filters of lomber on a full-HD 32-bit frame, driven through the
// module's exported interface, beside OpenCV doing the same work in the same
// run at the same thread count.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kWidth = 1920, kDepth = 1080;

talvix::Module* Lomber() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("lomber");
  return m.get();
}

talvix::FrameBuffer NoiseFrame() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, 32);
  std::mt19937 rng(1);
  for (int y = 0; y < kDepth; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t v = rng();
      row[4 * x] = static_cast<uint8_t>(v), row[4 * x + 1] = static_cast<uint8_t>(v >> 8);
      row[4 * x + 2] = static_cast<uint8_t>(v >> 16), row[4 * x + 3] = 255;
    }
  }
  return f;
}

void SetUpFilter(talvix::RunContext& ctx, bool hsl) {
  ctx.setFrame(u"InputFrame", NoiseFrame());
  if (hsl) {
    ctx.setColors(u"Color", {TColor{1, 0.5, 0, 1}});
    ctx.setNumbers(u"Color Tolerance", {20});
    ctx.setNumbers(u"Min Lightness", {0.2});
    ctx.setNumbers(u"Max Lightness", {0.8});
  } else {
    ctx.setColors(u"Color", {TColor{0.5, 0.4, 0.3, 1}});
    ctx.setNumbers(u"Method", {2});
    ctx.setNumbers(u"Color Tolerance", {0.2});
  }
  ctx.setColors(u"Foreground Color", {TColor{1, 1, 1, 1}});
  ctx.setColors(u"Background Color", {TColor{0, 0, 0, 1}});
}

void RunFilter(benchmark::State& state, const char* id, bool hsl) {
  talvix::Module* m = Lomber();
  if (!m) {
    state.SkipWithError("lomber module not found");
    return;
  }
  const int index = m->findMethod(std::string(id));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  SetUpFilter(ctx, hsl);
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
  }
  m->destroy(handle);
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = omp_get_max_threads();
}

void BM_LomberFilterHSL(benchmark::State& state) { RunFilter(state, "filter_HSL", true); }
void BM_LomberFilterRGB(benchmark::State& state) { RunFilter(state, "filter_RGB", false); }
BENCHMARK(BM_LomberFilterHSL)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LomberFilterRGB)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
// The same window as filter_HSL: hue 30 +- 20 (OpenCV's float hue is in
// degrees), lightness 0.2..0.8, any saturation.
void BM_OpenCVHlsInRange(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const talvix::FrameBuffer f = NoiseFrame();
  cv::Mat bgra(kDepth, kWidth, CV_8UC4, const_cast<uint8_t*>(f.row(0)));
  cv::Mat bgr, bgrf, hls, mask, out;
  for (auto _ : state) {
    cv::cvtColor(bgra, bgr, cv::COLOR_BGRA2BGR);
    bgr.convertTo(bgrf, CV_32F, 1.0 / 255.0);
    cv::cvtColor(bgrf, hls, cv::COLOR_BGR2HLS);
    cv::inRange(hls, cv::Scalar(10, 0.2, 0), cv::Scalar(50, 0.8, 1), mask);
    out.create(kDepth, kWidth, CV_8UC4);
    out.setTo(cv::Scalar(0, 0, 0, 255));
    out.setTo(cv::Scalar(255, 255, 255, 255), mask);
    benchmark::DoNotOptimize(out.data);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVHlsInRange)->Unit(benchmark::kMillisecond)->UseRealTime();

// filter_RGB mode 2 beside a box in RGB: inRange and two fills.
void BM_OpenCVRgbInRange(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const talvix::FrameBuffer f = NoiseFrame();
  cv::Mat bgra(kDepth, kWidth, CV_8UC4, const_cast<uint8_t*>(f.row(0)));
  cv::Mat mask, out;
  for (auto _ : state) {
    cv::inRange(bgra, cv::Scalar(26, 51, 77, 128), cv::Scalar(126, 151, 177, 255), mask);
    out.create(kDepth, kWidth, CV_8UC4);
    out.setTo(cv::Scalar(0, 0, 0, 255));
    out.setTo(cv::Scalar(255, 255, 255, 255), mask);
    benchmark::DoNotOptimize(out.data);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
  state.counters["threads"] = cv::getNumThreads();
}
BENCHMARK(BM_OpenCVRgbInRange)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// ---- Measurements and matching -------------------------------------------------

// get_average_color over the whole frame beside the floor the host's region
// scan sets (one callback per pixel) and OpenCV's meanStdDev.
void BM_LomberGetAverageColor(benchmark::State& state) {
  talvix::Module* m = Lomber();
  if (!m) {
    state.SkipWithError("lomber module not found");
    return;
  }
  const int index = m->findMethod(std::string("get_average_color"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"InputFrame", NoiseFrame());
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError("run failed");
      break;
    }
  }
  m->destroy(handle);
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
}
BENCHMARK(BM_LomberGetAverageColor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HostRegionScan(benchmark::State& state) {
  const talvix::FrameBuffer f = NoiseFrame();
  for (auto _ : state) {
    uint64_t sum = 0;
    ScanRectangularRegion(f.frame(), nullptr, 5, &sum, [](void* user, int, int, unsigned v) -> bool {
      *static_cast<uint64_t*>(user) += v & 0xFF;
      return true;
    });
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
}
BENCHMARK(BM_HostRegionScan)->Unit(benchmark::kMillisecond)->UseRealTime();

// 50 red rectangles on grey.
talvix::FrameBuffer RectanglesFrame() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, 32, 128);
  for (int k = 0; k < 50; ++k) {
    const int x0 = 40 + (k % 10) * 185, y0 = 40 + (k / 10) * 200;
    for (int y = y0; y < y0 + 80; ++y) {
      for (int x = x0; x < x0 + 120; ++x) {
        uint8_t* p = f.pixel(x, y);
        p[0] = 30, p[1] = 30, p[2] = 200;
      }
    }
  }
  return f;
}

void BM_LomberColorMatchAverage(benchmark::State& state) {
  talvix::Module* m = Lomber();
  if (!m) {
    state.SkipWithError("lomber module not found");
    return;
  }
  const int index = m->findMethod(std::string("color_match_average"));
  const intptr_t handle = m->create(index);
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"InputFrame", RectanglesFrame());
  talvix::FrameBuffer pattern = talvix::FrameBuffer::make(40, 40, 32);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) pattern.pixel(x, y)[0] = 30, pattern.pixel(x, y)[1] = 30, pattern.pixel(x, y)[2] = 200;
  ctx.setFrame(u"Pattern frame", pattern);
  ctx.setNumbers(u"Method", {2});
  ctx.setFlags(u"Show results", {false});
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      break;
    }
  }
  m->destroy(handle);
  state.counters["found"] = ctx.numbers(u"Count").empty() ? 0 : ctx.numbers(u"Count")[0];
}
BENCHMARK(BM_LomberColorMatchAverage)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_OPENCV
void BM_OpenCVMeanStdDev(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const talvix::FrameBuffer f = NoiseFrame();
  cv::Mat bgra(kDepth, kWidth, CV_8UC4, const_cast<uint8_t*>(f.row(0)));
  cv::Scalar mean, dev;
  for (auto _ : state) {
    cv::meanStdDev(bgra, mean, dev);
    benchmark::DoNotOptimize(mean);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kDepth);
}
BENCHMARK(BM_OpenCVMeanStdDev)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenCVInRangeComponents(benchmark::State& state) {
  cv::setNumThreads(omp_get_max_threads());
  const talvix::FrameBuffer f = RectanglesFrame();
  cv::Mat bgra(kDepth, kWidth, CV_8UC4, const_cast<uint8_t*>(f.row(0)));
  cv::Mat mask, labels, stats, centroids;
  for (auto _ : state) {
    cv::inRange(bgra, cv::Scalar(30, 30, 200, 0), cv::Scalar(30, 30, 200, 255), mask);
    const int n = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 4, CV_32S);
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_OpenCVInRangeComponents)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
