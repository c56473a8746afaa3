// color_to_monochrome and split_RGB on a full-HD 32-bit frame, driven through
// the module's exported interface (host overhead included), in ns per pixel.
#include <benchmark/benchmark.h>
#include <omp.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "talvix/host.hpp"

namespace {

constexpr int kWidth = 1920, kDepth = 1080;

talvix::Module* Ilvant() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("ilvant");
  return m.get();
}

talvix::FrameBuffer NoiseFrame() {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(kWidth, kDepth, 32);
  std::mt19937 rng(1);
  for (int y = 0; y < kDepth; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < 4 * kWidth; ++x) row[x] = static_cast<uint8_t>(rng());
  }
  return f;
}

void RunMethod(benchmark::State& state, const char* id) {
  talvix::Module* m = Ilvant();
  if (!m) {
    state.SkipWithError("ilvant module not found");
    return;
  }
  const int index = m->findMethod(std::string(id));
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", NoiseFrame());
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (const talvix::RunResult r = ctx.run(index); !r.ok) {
      state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
      return;
    }
  }
  const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
  const double pixels = static_cast<double>(kWidth) * kDepth;
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pixels));
  state.counters["ns_per_pixel"] = ns / (static_cast<double>(state.iterations()) * pixels);
  // Also keeps the OpenMP runtime linked here, so it outlives the module.
  state.counters["threads"] = omp_get_max_threads();
}

void BM_ColorToMonochrome(benchmark::State& state) { RunMethod(state, "color_to_monochrome"); }
void BM_SplitRGB(benchmark::State& state) { RunMethod(state, "split_RGB"); }

BENCHMARK(BM_ColorToMonochrome)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SplitRGB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
