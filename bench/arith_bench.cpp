// The per-pixel arithmetic, blend and mask methods driven through the module's
// exported interface (host overhead included), beside a plain memcpy of the
// same frame, in ns per pixel. Frames: full HD at 32 bits and 4096 x 4096 at 8.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "talvix/host.hpp"
#include "test_frames.h"

namespace {

struct Size {
  const char* name;
  int width, depth, bpp;
};

const Size kSizes[] = {{"1920x1080x32", 1920, 1080, 32}, {"4096x4096x8", 4096, 4096, 8}};

talvix::Module* Ilvant() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("ilvant");
  return m.get();
}

using test_frames::Pattern;

void PerPixel(benchmark::State& state, const Size& s) {
  state.counters["ns_per_px"] =
      benchmark::Counter(static_cast<double>(s.width) * s.depth,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

using Setup = std::function<void(talvix::RunContext&, const Size&)>;

struct Case {
  const char* label;
  const char* id;
  Setup setup;
};

void RunCase(benchmark::State& state, const Case& c, const Size& s) {
  talvix::Module* m = Ilvant();
  if (!m) {
    state.SkipWithError("ilvant module not found");
    return;
  }
  const int index = m->findMethod(std::string(c.id));
  talvix::RunContext ctx(*m, index);
  ctx.setFrame(u"Input frame", Pattern(s.width, s.depth, s.bpp, 1));
  c.setup(ctx, s);
  if (!ctx.run(index).ok) {
    state.SkipWithError("run failed");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(ctx.run(index).ok);
  }
  PerPixel(state, s);
}

void Memcpy(benchmark::State& state, const Size& s) {
  const talvix::FrameBuffer in = Pattern(s.width, s.depth, s.bpp, 1);
  std::vector<uint8_t> out(in.bytes().size());
  for (auto _ : state) {
    std::memcpy(out.data(), in.bytes().data(), out.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  PerPixel(state, s);
}

Setup Number(const char16_t* name, double v) {
  return [=](talvix::RunContext& c, const Size&) { c.setNumbers(name, {v}); };
}

Setup SecondFrame(const char16_t* name, int bpp) {
  return [=](talvix::RunContext& c, const Size& s) { c.setFrame(name, Pattern(s.width, s.depth, bpp ? bpp : s.bpp, 2)); };
}

// A blend frame a quarter of the input's area, placed inside it.
Setup Blend(double angle, double weight) {
  return [=](talvix::RunContext& c, const Size& s) {
    c.setFrame(u"Blend frame", Pattern(s.width / 2, s.depth / 2, 32, 3));
    c.setPoints(u"Offset", {{s.width / 4.0 + 0.5, s.depth / 4.0 + 0.5}});
    if (weight >= 0) c.setNumbers(u"Alpha channel", {weight});
    c.inspection().setCoordinateSystem({0, 0, angle});
  };
}

Setup Both(Setup a, Setup b) {
  return [=](talvix::RunContext& c, const Size& s) {
    a(c, s);
    b(c, s);
  };
}

const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"simple_threshold", "simple_threshold", Number(u"Threshold", 0.5)},
      {"inverse", "inverse", [](talvix::RunContext&, const Size&) {}},
      {"add_const", "add_const", Number(u"Add value", 0.2)},
      {"mult_const", "mult_const", Number(u"Multiplier", 1.3)},
      {"add_frame", "add_frame", SecondFrame(u"Added frame", 0)},
      {"sub_frame_grey_operand", "sub_frame", SecondFrame(u"Substract frame", 8)},
      {"masking", "masking",
       Both(SecondFrame(u"Mask frame", 8),
            [](talvix::RunContext& c, const Size&) {
              c.setColors(u"Background color", {{0.1, 0.2, 0.3, 1.0}});
            })},
      {"blend_frame", "blend_frame", Blend(0, 0.6)},
      {"blend_frame_rotated", "blend_frame", Blend(30, 0.6)},
      {"blend_frame_alpha", "blend_frame_alpha", Blend(0, -1)},
      {"blend_frame_alpha_rotated", "blend_frame_alpha", Blend(30, -1)},
  };
  return cases;
}

// paste_mask needs a 32-bit input: full HD only.
const Case kPasteMask{"paste_mask", "paste_mask", SecondFrame(u"Mask frame", 8)};

bool Register() {
  for (const Size& s : kSizes) {
    const std::string suffix = std::string("/") + s.name;
    benchmark::RegisterBenchmark(("Arith/memcpy" + suffix).c_str(), Memcpy, s)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (const Case& c : Cases()) {
      benchmark::RegisterBenchmark((std::string("Arith/") + c.label + suffix).c_str(), RunCase, c, s)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
    if (s.bpp == 32) {
      benchmark::RegisterBenchmark(("Arith/paste_mask" + suffix).c_str(), RunCase, kPasteMask, s)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  return true;
}

const bool kRegistered = Register();

}  // namespace
