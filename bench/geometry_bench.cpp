// ilvant geometry through the module interface: resize in its three modes
// (1920 x 1080 to 1280 x 720 and back) and rotate, in time per output pixel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "talvix/host.hpp"

namespace {

talvix::Module& Ilvant() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("ilvant");
  return *m;
}

talvix::FrameBuffer Gradient(int w, int d, int bpp) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, d, bpp);
  const int n = bpp / 8;
  for (int y = 0; y < d; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < n; ++c) f.pixel(x, y)[c] = static_cast<uint8_t>((x * (c + 1) + y * 3 + ((x * y) >> 5)) & 255);
  return f;
}

// Runs the prepared context until the benchmark stops; reports time per
// output pixel.
void RunMethod(benchmark::State& state, talvix::RunContext& ctx, int index, int64_t outputPixels) {
  const intptr_t handle = Ilvant().create(index);
  for (auto _ : state) {
    const talvix::RunResult r = ctx.run(handle);
    if (!r.ok) {
      state.SkipWithError(talvix::ToUtf8(r.error).c_str());
      return;
    }
  }
  state.counters["per_px"] = benchmark::Counter(
      static_cast<double>(outputPixels), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Args: source width, source depth, target width, target depth, mode, bpp.
void BM_Resize(benchmark::State& state) {
  const int sw = static_cast<int>(state.range(0));
  const int sd = static_cast<int>(state.range(1));
  const int tw = static_cast<int>(state.range(2));
  const int td = static_cast<int>(state.range(3));
  const int index = Ilvant().findMethod(std::string("resize"));
  talvix::RunContext ctx(Ilvant(), index);
  ctx.setFrame(u"Input frame", Gradient(sw, sd, static_cast<int>(state.range(5))));
  ctx.setNumbers(u"New width", {static_cast<double>(tw)});
  ctx.setNumbers(u"New depth", {static_cast<double>(td)});
  ctx.setNumbers(u"Type of interpolation", {static_cast<double>(state.range(4))});
  RunMethod(state, ctx, index, static_cast<int64_t>(tw) * td);
}

// Args: angle in degrees, Crop, bpp.
void BM_Rotate(benchmark::State& state) {
  const int index = Ilvant().findMethod(std::string("rotate"));
  talvix::RunContext ctx(Ilvant(), index);
  ctx.setFrame(u"Input frame", Gradient(1920, 1080, static_cast<int>(state.range(2))));
  ctx.setNumbers(u"Angle", {static_cast<double>(state.range(0))});
  ctx.setFlags(u"Crop", {state.range(1) != 0});
  // Crop false grows the frame; count the pixels the run writes.
  const talvix::RunResult first = ctx.run(Ilvant().create(index));
  const talvix::FrameBuffer* out = ctx.frame(u"Output frame");
  if (!first.ok || !out) {
    state.SkipWithError("rotate failed");
    return;
  }
  RunMethod(state, ctx, index, static_cast<int64_t>(out->width()) * out->depth());
}

void ResizeArgs(benchmark::internal::Benchmark* b) {
  b->ArgNames({"sw", "sd", "tw", "td", "mode", "bpp"});
  for (int bpp : {8, 32})
    for (int mode : {0, 1, 2}) {
      b->Args({1920, 1080, 1280, 720, mode, bpp});
      b->Args({1280, 720, 1920, 1080, mode, bpp});
    }
}

BENCHMARK(BM_Resize)->Apply(ResizeArgs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate)
    ->ArgNames({"deg", "crop", "bpp"})
    ->Args({30, 1, 8})
    ->Args({30, 0, 8})
    ->Args({30, 1, 32})
    ->Args({30, 0, 32})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
