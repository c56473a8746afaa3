// ilvant's hot paths beside a peer doing the same job on the same 1920 x 1080
// frame in the same run, at the same thread count (OpenMP for the module,
// OpenCV's own pool for OpenCV). Each benchmark reports both medians and
// their ratio (module / peer).
#include <benchmark/benchmark.h>
#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kW = 1920, kD = 1080;

talvix::Module* Ilvant() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("ilvant");
  return m.get();
}

talvix::FrameBuffer Noise(int bpp) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kW, kD, bpp);
  std::mt19937 rng(7);
  for (int y = 0; y < kD; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < f.stride(); ++x) row[x] = static_cast<uint8_t>(rng() >> 3);
  }
  return f;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

double Millis(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Alternates the module's run and the peer's each iteration; state.range(0)
// is the thread count of both.
void Compare(benchmark::State& state, const char* id, int bpp,
             const std::function<void(talvix::RunContext&)>& setup, const std::function<void()>& peer) {
  talvix::Module* m = Ilvant();
  if (!m) return state.SkipWithError("ilvant module not found");
  const int threads = static_cast<int>(state.range(0));
  const int before = omp_get_max_threads();
  omp_set_num_threads(threads);
#ifdef VISION_HAVE_OPENCV
  cv::setNumThreads(threads);
#endif
  const int index = m->findMethod(std::string(id));
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", Noise(bpp));
  setup(ctx);
  const intptr_t handle = m->create(index);
  // Warm-up: first-call set-up of either side stays out of the figures.
  ctx.run(handle);
  peer();
  std::vector<double> ours, theirs;
  for (auto _ : state) {
    bool ok = true;
    ours.push_back(Millis([&] { ok = ctx.run(handle).ok; }));
    if (!ok) {
      state.SkipWithError("run failed");
      break;
    }
    theirs.push_back(Millis(peer));
  }
  m->destroy(handle);
  omp_set_num_threads(before);
  state.counters["module_ms"] = Median(ours);
  state.counters["peer_ms"] = Median(theirs);
  state.counters["ratio"] = Median(theirs) > 0 ? Median(ours) / Median(theirs) : 0.0;
}

// The same pixels for the peers: 4 or 1 channels of the noise frame.
struct PeerFrames {
  std::vector<uint8_t> colour = Bytes(32), grey = Bytes(8), out = std::vector<uint8_t>(size_t(kW) * kD * 4 * 3);
  static std::vector<uint8_t> Bytes(int bpp) {
    const talvix::FrameBuffer f = Noise(bpp);
    std::vector<uint8_t> v(size_t(kW) * kD * (bpp / 8));
    for (int y = 0; y < kD; ++y) std::memcpy(&v[size_t(y) * kW * (bpp / 8)], f.row(y), size_t(kW) * (bpp / 8));
    return v;
  }
};
PeerFrames& Peer() {
  static PeerFrames p;
  return p;
}

void BM_Inverse_vs_memcpy(benchmark::State& state) {
  Compare(state, "inverse", 32, [](talvix::RunContext&) {},
          [] { std::memcpy(Peer().out.data(), Peer().colour.data(), Peer().colour.size()); });
}

#ifdef VISION_HAVE_OPENCV
cv::Mat Colour() { return cv::Mat(kD, kW, CV_8UC4, Peer().colour.data()); }
cv::Mat Grey() { return cv::Mat(kD, kW, CV_8UC1, Peer().grey.data()); }

void BM_ColorToMonochrome_vs_cvtColor(benchmark::State& state) {
  cv::Mat dst;
  Compare(state, "color_to_monochrome", 32, [](talvix::RunContext&) {},
          [&] { cv::cvtColor(Colour(), dst, cv::COLOR_BGRA2GRAY); });
}

void BM_SplitRGB_vs_split(benchmark::State& state) {
  std::vector<cv::Mat> planes;
  Compare(state, "split_RGB", 32, [](talvix::RunContext&) {}, [&] { cv::split(Colour(), planes); });
}

void BM_Resize_vs_resize(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(1));
  cv::Mat dst;
  Compare(
      state, "resize", 32,
      [&](talvix::RunContext& c) {
        c.setNumbers(u"New width", {1280});
        c.setNumbers(u"New depth", {720});
        c.setNumbers(u"Type of interpolation", {double(mode)});
      },
      [&] { cv::resize(Colour(), dst, cv::Size(1280, 720), 0, 0, mode == 2 ? cv::INTER_CUBIC : cv::INTER_LINEAR); });
}

void BM_Rotate_vs_warpAffine(benchmark::State& state) {
  cv::Mat dst;
  const cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(kW / 2.f, kD / 2.f), 30, 1.0);
  Compare(
      state, "rotate", 32,
      [](talvix::RunContext& c) {
        c.setNumbers(u"Angle", {30});
        c.setFlags(u"Crop", {true});
      },
      [&] { cv::warpAffine(Colour(), dst, turn, cv::Size(kW, kD), cv::INTER_LINEAR); });
}

void BM_Equalize_vs_equalizeHist(benchmark::State& state) {
  cv::Mat dst;
  Compare(state, "histogram_equalization", 8, [](talvix::RunContext&) {},
          [&] { cv::equalizeHist(Grey(), dst); });
}

BENCHMARK(BM_ColorToMonochrome_vs_cvtColor)->ArgName("threads")->Arg(1)->Arg(8)->UseRealTime();
BENCHMARK(BM_SplitRGB_vs_split)->ArgName("threads")->Arg(1)->Arg(8)->UseRealTime();
BENCHMARK(BM_Resize_vs_resize)->ArgNames({"threads", "mode"})->Args({1, 1})->Args({8, 1})->Args({1, 2})->Args({8, 2})->UseRealTime();
BENCHMARK(BM_Rotate_vs_warpAffine)->ArgName("threads")->Arg(1)->Arg(8)->UseRealTime();
BENCHMARK(BM_Equalize_vs_equalizeHist)->ArgName("threads")->Arg(1)->Arg(8)->UseRealTime();
#endif

// The host's share of a run: a 1 x 1 frame, where the pixel work is nothing.
void BM_OnePixelRun(benchmark::State& state, const char* id) {
  talvix::Module* m = Ilvant();
  if (!m) return state.SkipWithError("ilvant module not found");
  const int index = m->findMethod(std::string(id));
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", talvix::FrameBuffer::make(1, 1, 32, 9));
  const intptr_t handle = m->create(index);
  for (auto _ : state) benchmark::DoNotOptimize(ctx.run(handle).ok);
  m->destroy(handle);
}
BENCHMARK_CAPTURE(BM_OnePixelRun, inverse, "inverse")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_OnePixelRun, split_RGB, "split_RGB")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_OnePixelRun, resize, "resize")->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_Inverse_vs_memcpy)->ArgName("threads")->Arg(1)->Arg(8)->UseRealTime();

}  // namespace
