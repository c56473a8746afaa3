// The GPU barcode method against zxing-cpp on the same frames: 640 x 480 and
// 1920 x 1080, one to five EAN-13 and Code 128 symbols at random angles, some
// blurred, all with noise. Counters: read_rate (correct texts over the codes
// present) and time_per_frame; the OpenGL passes run on Mesa's CPU rasteriser
// (set LP_NUM_THREADS to the same count as the peer's threads).
#if defined(VISION_HAVE_ZINT)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "barcode_render.h"
#include "talvix/host.hpp"

#if defined(VISION_HAVE_ZXING)
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#endif

namespace {

struct Scene {
  talvix::FrameBuffer frame;
  std::vector<std::string> texts;  // digits only for EAN-13
};

std::string Digits(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c != ' ') out += c;
  }
  return out;
}

const std::vector<Scene>& Scenes(int width, int depth) {
  static std::vector<Scene> small, large;
  std::vector<Scene>& scenes = width < 1000 ? small : large;
  if (!scenes.empty()) return scenes;
  std::mt19937 rng(width);
  const int columns = width < 1000 ? 2 : 3, rows = 2, slots = columns * rows;
  for (int i = 0; i < 8; ++i) {
    Scene s;
    s.frame = talvix::FrameBuffer::make(width, depth, 8, 255);
    const int count = 1 + static_cast<int>(rng() % std::min(slots, 5));
    for (int k = 0; k < count; ++k) {
      dunsel_test::Render r;
      r.width = width, r.depth = depth;
      r.module = (width < 1000 ? 1.8 : 3.0) + (rng() % 3) * 0.3;
      r.angle = std::uniform_real_distribution<double>(-180, 180)(rng);
      r.height = width < 1000 ? 50 : 110;
      r.blur = (i % 2) ? 0.6 : 0;
      r.noise = 5;
      r.seed = rng();
      r.cx = (k % columns + 0.5) * width / columns;
      r.cy = (k / columns + 0.5) * depth / rows;
      std::string input, text;
      if (rng() % 2) {
        for (int d = 0; d < 12; ++d) input += char('0' + rng() % 10);
        int sum = 0;
        for (int p = 0; p < 12; ++p) sum += (input[p] - '0') * (p % 2 ? 3 : 1);
        text = input + char('0' + (10 - sum % 10) % 10);
      } else {
        for (int d = 0; d < 8; ++d) input += char('A' + rng() % 26);
        text = input;
      }
      const int symbology = text.size() == 13 && std::all_of(text.begin(), text.end(), ::isdigit) ? BARCODE_EANX
                                                                                                  : BARCODE_CODE128;
      talvix::FrameBuffer f = dunsel_test::RenderRow(dunsel_test::ZintRow(symbology, input), r);
      for (int y = 0; y < depth; ++y) {
        uint8_t* out = s.frame.row(y);
        const uint8_t* in = f.row(y);
        for (int x = 0; x < width; ++x) out[x] = std::min(out[x], in[x]);
      }
      s.texts.push_back(text);
    }
    scenes.push_back(std::move(s));
  }
  return scenes;
}

int64_t Matches(std::vector<std::string> want, const std::vector<std::string>& got) {
  int64_t n = 0;
  for (const std::string& g : got) {
    auto it = std::find(want.begin(), want.end(), g);
    if (it != want.end()) want.erase(it), ++n;
  }
  return n;
}

void Report(benchmark::State& state, int64_t reads, int64_t codes, size_t frames) {
  state.counters["read_rate"] = static_cast<double>(reads) / static_cast<double>(codes);
  state.counters["time_per_frame"] = benchmark::Counter(
      static_cast<double>(frames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Barcodes_Hoskin(benchmark::State& state) {
  std::string error;
  static std::unique_ptr<talvix::Module> module = talvix::Module::load("hoskin", &error);
  if (!module) {
    state.SkipWithError(("cannot load hoskin: " + error).c_str());
    return;
  }
  const auto& scenes = Scenes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const intptr_t handle = module->create(0);
  talvix::RunContext ctx(*module, 0);
  ctx.setFrame(u"input frame", scenes[0].frame);
  ctx.run(handle);  // the set-up, outside the timing
  int64_t reads = 0, codes = 0;
  for (auto _ : state) {
    for (const Scene& s : scenes) {
      ctx.setFrame(u"input frame", s.frame);
      const talvix::RunResult r = ctx.run(handle);
      std::vector<std::string> got;
      for (const std::u16string& t : ctx.strings(u"Result string")) {
        if (!t.empty()) got.push_back(Digits(talvix::ToUtf8(t)));
      }
      reads += r.ok ? Matches(s.texts, got) : 0;
      codes += static_cast<int64_t>(s.texts.size());
    }
  }
  module->destroy(handle);
  Report(state, reads, codes, scenes.size());
}
BENCHMARK(BM_Barcodes_Hoskin)->Args({640, 480})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);

#if defined(VISION_HAVE_ZXING)
void BM_Barcodes_Zxing(benchmark::State& state) {
  const auto& scenes = Scenes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::EAN13 | ZXing::BarcodeFormat::Code128);
  hints.setTryDownscale(false);  // its downscaled pass trips an assertion of the library on these frames
  int64_t reads = 0, codes = 0;
  for (auto _ : state) {
    for (const Scene& s : scenes) {
      const talvix::FrameBuffer& f = s.frame;
      const ZXing::ImageView view(f.row(0), f.width(), f.depth(), ZXing::ImageFormat::Lum, f.stride());
      std::vector<std::string> got;
      for (const ZXing::Result& r : ZXing::ReadBarcodes(view, hints)) got.push_back(r.text());
      reads += Matches(s.texts, got);
      codes += static_cast<int64_t>(s.texts.size());
    }
  }
  Report(state, reads, codes, scenes.size());
}
BENCHMARK(BM_Barcodes_Zxing)->Args({640, 480})->Args({1920, 1080})->UseRealTime()->Unit(benchmark::kMillisecond);
#endif

}  // namespace

#endif  // VISION_HAVE_ZINT
