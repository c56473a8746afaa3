// Cost per pixel of the host's line and region scans with a trivial callback
// on a 1920 x 1080 frame.
#include <benchmark/benchmark.h>

#include "talvix/host.hpp"

namespace {

struct Sink {
  uint64_t sum = 0;
  static bool Cb(void* user, int, int, unsigned v) {
    static_cast<Sink*>(user)->sum += v;
    return true;
  }
};

talvix::FrameBuffer& Frame1080(int bpp) {
  static talvix::FrameBuffer f8 = talvix::FrameBuffer::make(1920, 1080, 8, 77);
  static talvix::FrameBuffer f32 = talvix::FrameBuffer::make(1920, 1080, 32, 77);
  return bpp == 8 ? f8 : f32;
}

// Seconds per visited pixel (shown with an SI prefix, e.g. "2.5n").
void PerPixel(benchmark::State& state, uint64_t pixels) {
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * pixels));
  state.counters["time_per_px"] = benchmark::Counter(
      static_cast<double>(pixels), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Arguments: bpp, slope (0 horizontal, 1 shallow, 2 steep).
void BM_ScanLine(benchmark::State& state) {
  talvix::FrameBuffer& f = Frame1080(static_cast<int>(state.range(0)));
  const TLine lines[] = {{0, 540, 1919, 540}, {0, 100, 1919, 900}, {300, 0, 700, 1079}};
  TLine line = lines[state.range(1)];
  Sink sink;
  uint64_t pixels = 0;
  for (auto _ : state) {
    uint64_t before = sink.sum;
    ScanLine(f.frame(), nullptr, &line, 1, &sink, Sink::Cb);
    pixels = (sink.sum - before) / 77;
    benchmark::DoNotOptimize(sink.sum);
  }
  PerPixel(state, pixels);
}
BENCHMARK(BM_ScanLine)->ArgsProduct({{8, 32}, {0, 1, 2}});

// Arguments: bpp, region (0 none, 1 turned by 30 degrees, 2 axis-aligned).
void BM_ScanRectangularRegion(benchmark::State& state) {
  talvix::FrameBuffer& f = Frame1080(static_cast<int>(state.range(0)));
  const TRectangularRegion regions[] = {{}, {960, 540, 1200, 700, 30}, {960, 540, 1200, 700, 0}};
  const TRectangularRegion* region = state.range(1) == 0 ? nullptr : &regions[state.range(1)];
  Sink sink;
  uint64_t pixels = 0;
  for (auto _ : state) {
    uint64_t before = sink.sum;
    ScanRectangularRegion(f.frame(), region, 1, &sink, Sink::Cb);
    pixels = (sink.sum - before) / 77;
    benchmark::DoNotOptimize(sink.sum);
  }
  PerPixel(state, pixels);
}
BENCHMARK(BM_ScanRectangularRegion)->ArgsProduct({{8, 32}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

}  // namespace
