// The Latin reader on one rendered line of 40 characters (48 px): the whole
// read through the exported interface, the segmentation alone, and one
// empty-callback region scan over the same region (the least any
// segmentation driven by the host's scan can cost).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "latin/latin_ocr.h"
#include "talvix/host.hpp"
#include "tests/kelmar/text_render.h"

namespace {

talvix::Module* Kelmar() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("kelmar");
  return m.get();
}

constexpr int kLetters = 40;

const talvix::FrameBuffer& Line() {
  static const talvix::FrameBuffer f = [] {
    kelmar_test::TextLayout t;
    t.lines = {"Zlutoucky kun 0123 ABCDEFGH pisnicky 4567"};
    t.size = 48;
    t.x = 12;
    t.y = 62;
    return kelmar_test::RenderText(1160, 90, t);
  }();
  return f;
}

TRectangularRegion LineRegion() { return {580, 45, 1150, 84, 0}; }

void BM_LatinReadLine(benchmark::State& state) {
  talvix::Module* m = Kelmar();
  if (!m) return state.SkipWithError("kelmar module not found");
  const intptr_t handle = m->create(2);
  talvix::RunContext ctx(*m, 2);
  ctx.setFrame(u"Input frame", Line());
  ctx.setRegions(u"Region", {LineRegion()});
  ctx.setNumbers(u"Threshold", {0.5});
  ctx.setFlags(u"Show results", {false});
  for (auto _ : state) benchmark::DoNotOptimize(ctx.run(handle));
  m->destroy(handle);
  state.counters["us_per_char"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kLetters * 1e-6,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LatinReadLine)->Unit(benchmark::kMicrosecond);

void BM_LatinSegmentLine(benchmark::State& state) {
  kelmar::CMatchLatinOCR reader;
  const TRectangularRegion region = LineRegion();
  for (auto _ : state) {
    reader.SetScene(Line().frame(), &region, 127, false);
    benchmark::DoNotOptimize(reader.SegmentLetters());
  }
  state.counters["us_per_char"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kLetters * 1e-6,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LatinSegmentLine)->Unit(benchmark::kMicrosecond);

bool Visit(void*, int, int, unsigned) { return true; }

void BM_LatinRegionScanPass(benchmark::State& state) {
  const TRectangularRegion region = LineRegion();
  for (auto _ : state) ScanRectangularRegion(Line().frame(), &region, 1, nullptr, Visit);
}
BENCHMARK(BM_LatinRegionScanPass)->Unit(benchmark::kMicrosecond);

}  // namespace
