// The keypoint pipeline on a 1920 x 1080 frame: the 8-bit integral image alone
// beside OpenCV's float integral (one thread each), and UploadIntegralImage
// plus Render on the host's OpenGL context (llvmpipe renders on the CPU).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "gpu/feature.h"
#include "gpu/programs.h"
#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kW = 1920, kH = 1080;

talvix::FrameBuffer Scene(int bpp) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kW, kH, bpp);
  std::mt19937 rng(11);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < f.stride(); ++x) f.row(y)[x] = static_cast<uint8_t>((x / 7 + y / 5) * 9 + rng() % 32);
  }
  return f;
}

void PerPixel(benchmark::State& state) {
  state.counters["ns_per_px"] = benchmark::Counter(static_cast<double>(kW) * kH,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_IntegralImage8(benchmark::State& state) {
  talvix::FrameBuffer f = Scene(8);
  std::vector<float> out(static_cast<size_t>(kW) * kH);
  for (auto _ : state) {
    gpu::ComputeIntegralImage(kW, kH, 8, f.row(0), f.stride(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  PerPixel(state);
}
BENCHMARK(BM_IntegralImage8)->Unit(benchmark::kMillisecond);

#ifdef VISION_HAVE_OPENCV
void BM_IntegralImage8_OpenCV(benchmark::State& state) {
  talvix::FrameBuffer f = Scene(8);
  cv::Mat src(kH, kW, CV_8UC1, f.row(0), f.stride());
  cv::Mat sum;
  const int threads = cv::getNumThreads();
  cv::setNumThreads(1);
  for (auto _ : state) {
    cv::integral(src, sum, CV_32F);
    benchmark::DoNotOptimize(sum.data);
  }
  cv::setNumThreads(threads);
  PerPixel(state);
}
BENCHMARK(BM_IntegralImage8_OpenCV)->Unit(benchmark::kMillisecond);
#endif

// The context lent for the rest of the process, the pipeline set up once.
struct Pipeline {
  talvix::RunContext ctx{{}, {}};
  talvix::FrameBuffer frame = Scene(8);
  gpu::CFeature feature;
  void* module = nullptr;
  bool ok = false;

  Pipeline() {
    module = dlopen((talvix::DefaultModuleDirectory() + "/ilvant.so").c_str(), RTLD_LAZY);
    if (!module) return;
    gpu::SetShaderModule(module, nullptr);
    std::vector<uint8_t> block(288, 0);
    Frame* f = frame.frame();
    std::memcpy(block.data() + 256, &f, sizeof f);
    if (!CameraCallback(ctx.hostContext(), 4, u"*_LRC", 288, block.data())) return;
    CameraCallback(ctx.hostContext(), 4, u"*_IRE", 288, block.data());
    char16_t err[256] = {};
    ok = gpu::CheckGpuCapabilities(255, err) && feature.Setup(kW, kH, 8, 255, err);
  }
};

Pipeline* ThePipeline() {
  static std::unique_ptr<Pipeline> p = std::make_unique<Pipeline>();
  return p->ok ? p.get() : nullptr;
}

void BM_FeatureUploadAndRender(benchmark::State& state) {
  Pipeline* p = ThePipeline();
  if (!p) return state.SkipWithError("no OpenGL context or pass shaders");
  const float thresholds[8] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  const int mode = static_cast<int>(state.range(0));
  for (auto _ : state) {
    p->feature.UploadIntegralImage(kW, kH, 8, p->frame.row(0), thresholds, mode);
    p->feature.Render(nullptr);
    benchmark::DoNotOptimize(p->feature.results.count);
  }
  state.counters["points"] = p->feature.results.count;
  PerPixel(state);
}
BENCHMARK(BM_FeatureUploadAndRender)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
