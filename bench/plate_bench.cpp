// The licence plate reader on 640 x 480 scenes, a cluttered one without a
// plate and one with a seven-character plate, with one worker and with one
// per processor, beside one empty-callback region scan over the frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "modules/kelmar/plate/licence_plate.h"
#include "talvix/host.hpp"
#include "tests/kelmar/plate_scene.h"

namespace {

talvix::Module* Kelmar() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("kelmar");
  return m.get();
}

const talvix::FrameBuffer& Clutter() {
  static const talvix::FrameBuffer f = kelmar_test::PlateClutter(8);
  return f;
}

// The method object driven as RunMethod drives it, with its worker count set.
void RunPlate(benchmark::State& state, const talvix::FrameBuffer& scene, int workers) {
  talvix::Module* m = Kelmar();
  if (!m) return state.SkipWithError("kelmar module not found");
  talvix::RunContext ctx(*m, 6);
  ctx.setFrame(u"Input frame", scene);
  ctx.setUnnamed(u"Region");
  ctx.setFlags(u"Show results", {false});
  kelmar::CMatchLicencePlate method;
  method.setProcessorCount(workers);
  std::vector<char16_t> err(256);
  for (auto _ : state) {
    ctx.beginRun();
    const auto in = ctx.inputList(), out = ctx.outputList();
    benchmark::DoNotOptimize(
        method.Run(frame::RunArgs{ctx.hostContext(), in.list, in.names, out.list, out.names, 255, err.data()}));
  }
}

void BM_PlateClutterOneWorker(benchmark::State& state) { RunPlate(state, Clutter(), 1); }
BENCHMARK(BM_PlateClutterOneWorker)->Unit(benchmark::kMicrosecond);

constexpr int kPlateCharacters = 7;

const talvix::FrameBuffer& Scene() {
  static const talvix::FrameBuffer f = [] {
    kelmar_test::PlateScene scene;
    scene.text = u"BN52Z81";
    scene.angle = -3;
    return kelmar_test::DrawPlateScene(scene).frame;
  }();
  return f;
}

void PerCharacter(benchmark::State& state) {
  state.counters["us_per_char"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kPlateCharacters * 1e-6,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_PlateSceneOneWorker(benchmark::State& state) {
  RunPlate(state, Scene(), 1);
  PerCharacter(state);
}
BENCHMARK(BM_PlateSceneOneWorker)->Unit(benchmark::kMicrosecond);

void BM_PlateSceneAllWorkers(benchmark::State& state) {
  RunPlate(state, Scene(), 0);
  PerCharacter(state);
}
BENCHMARK(BM_PlateSceneAllWorkers)->Unit(benchmark::kMicrosecond)->UseRealTime();

bool Visit(void*, int, int, unsigned) { return true; }

void BM_PlateFrameScanPass(benchmark::State& state) {
  for (auto _ : state) ScanRectangularRegion(Scene().frame(), nullptr, 1, nullptr, Visit);
}
BENCHMARK(BM_PlateFrameScanPass)->Unit(benchmark::kMicrosecond);

}  // namespace
