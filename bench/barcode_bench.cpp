// The one-dimensional barcode readers against zxing-cpp on the same frames
// (EAN-13, Code 128, Code 39 without check character): zint symbols in 640 x 480 frames at 2 to 4 px per module, turned
// up to 8 degrees, some blurred, all with a little noise. Counters: read_rate (the share of frames whose text came out
// right) and time per frame.
#if defined(VISION_HAVE_ZINT)
#include <benchmark/benchmark.h>
#include <omp.h>

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

struct Sample {
  talvix::FrameBuffer frame;
  std::string text;
};

std::string EanText(const std::string& body) {
  int sum = 0;
  for (int p = 0; p < 12; ++p) sum += (body[p] - '0') * (p % 2 ? 3 : 1);
  return body + char('0' + (10 - sum % 10) % 10);
}

// 24 frames of one symbology; `make` gives the encoder's input and the
// text a reader should return for frame i.
template <class Make>
std::vector<Sample> Frames(int symbology, Make make) {
  std::vector<Sample> out;
  std::mt19937 rng(7);
  for (int i = 0; i < 24; ++i) {
    const auto [input, expected] = make(rng);
    dunsel_test::Render r;
    r.width = 640;
    r.depth = 480;
    r.module = 2.0 + (i % 3);
    r.angle = std::uniform_real_distribution<double>(-8, 8)(rng);
    r.blur = i % 2;
    r.noise = 3;
    r.height = 140;
    r.cx = 320 + std::uniform_real_distribution<double>(-20, 20)(rng);
    r.cy = 240 + std::uniform_real_distribution<double>(-80, 80)(rng);
    r.seed = static_cast<uint32_t>(i + 1);
    out.push_back({dunsel_test::RenderRow(dunsel_test::ZintRow(symbology, input), r), expected});
  }
  return out;
}

const std::vector<Sample>& EanFrames() {
  static const std::vector<Sample> frames = Frames(BARCODE_EANX, [](std::mt19937& rng) {
    std::string body;
    for (int d = 0; d < 12; ++d) body += char('0' + rng() % 10);
    return std::pair(body, EanText(body));
  });
  return frames;
}

const std::vector<Sample>& Code128Frames() {
  static const std::vector<Sample> frames = Frames(BARCODE_CODE128, [](std::mt19937& rng) {
    std::string text;
    for (int d = 0; d < 10; ++d) text += char('A' + rng() % 26);
    text += std::to_string(rng() % 1000000);
    return std::pair(text, text);
  });
  return frames;
}

const std::vector<Sample>& Code39Frames() {
  static const std::vector<Sample> frames = Frames(BARCODE_CODE39, [](std::mt19937& rng) {
    std::string text;
    for (int d = 0; d < 8; ++d) text += char('A' + rng() % 26);
    return std::pair(text, text);
  });
  return frames;
}

const std::vector<Sample>& FramesOf(int symbology) {
  return symbology == BARCODE_EANX ? EanFrames() : symbology == BARCODE_CODE128 ? Code128Frames() : Code39Frames();
}

void Report(benchmark::State& state, int64_t reads, size_t frames) {
  state.counters["read_rate"] = static_cast<double>(reads) / static_cast<double>(state.iterations() * frames);
  state.counters["time_per_frame"] = benchmark::Counter(
      static_cast<double>(frames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Arguments: scan lines over the frame (at 0 degrees), OpenMP threads.
void ReadDunsel(benchmark::State& state, const char* method, int symbology) {
  const int threadsBefore = omp_get_max_threads();
  omp_set_num_threads(static_cast<int>(state.range(1)));
  std::string error;
  static std::unique_ptr<talvix::Module> module = talvix::Module::load("dunsel", &error);
  if (!module) {
    state.SkipWithError(("cannot load dunsel: " + error).c_str());
    return;
  }
  const int index = module->findMethod(method);
  const intptr_t handle = module->create(index);
  talvix::RunContext ctx(*module, index);
  ctx.setNumbers(u"Scanline number", {double(state.range(0))});
  ctx.setNumbers(u"Scanline angles", {0.0});
  if (symbology == BARCODE_CODE39) ctx.setFlags(u"Checksum mode ( true - yes, false - no )", {false});
  ctx.setFlags(u"Show results", {false});
  const auto& frames = FramesOf(symbology);
  int64_t reads = 0;
  for (auto _ : state) {
    for (const Sample& s : frames) {
      ctx.setFrame(u"Input frame", s.frame);
      const talvix::RunResult r = ctx.run(handle);
      const auto out = ctx.strings(u"Result string");
      reads += r.ok && !out.empty() && talvix::ToUtf8(out[0]) == s.text;
    }
  }
  module->destroy(handle);
  omp_set_num_threads(threadsBefore);
  Report(state, reads, frames.size());
}
void BM_Ean13_Dunsel(benchmark::State& state) { ReadDunsel(state, "barcode_EAN13", BARCODE_EANX); }
void BM_Code128_Dunsel(benchmark::State& state) { ReadDunsel(state, "barcode_Code128", BARCODE_CODE128); }
void BM_Code39_Dunsel(benchmark::State& state) { ReadDunsel(state, "barcode_Code39", BARCODE_CODE39); }
BENCHMARK(BM_Ean13_Dunsel)->Args({10, 1})->Args({20, 1})->Args({20, 4})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Code128_Dunsel)->Args({10, 1})->Args({20, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Code39_Dunsel)->Args({10, 1})->Args({20, 1})->Unit(benchmark::kMillisecond);

#if defined(VISION_HAVE_ZXING)
void ReadZxing(benchmark::State& state, int symbology, ZXing::BarcodeFormat format) {
  const auto& frames = FramesOf(symbology);
  ZXing::DecodeHints hints;
  hints.setFormats(format);
  int64_t reads = 0;
  for (auto _ : state) {
    for (const Sample& s : frames) {
      const talvix::FrameBuffer& f = s.frame;
      const ZXing::ImageView view(f.pixel(0, 0), f.width(), f.depth(), ZXing::ImageFormat::Lum,
                                  static_cast<int>(f.pixel(0, 1) - f.pixel(0, 0)));
      const ZXing::Result r = ZXing::ReadBarcode(view, hints);
      reads += r.isValid() && r.text() == s.text;
    }
  }
  Report(state, reads, frames.size());
}
void BM_Ean13_Zxing(benchmark::State& state) { ReadZxing(state, BARCODE_EANX, ZXing::BarcodeFormat::EAN13); }
void BM_Code128_Zxing(benchmark::State& state) { ReadZxing(state, BARCODE_CODE128, ZXing::BarcodeFormat::Code128); }
void BM_Code39_Zxing(benchmark::State& state) { ReadZxing(state, BARCODE_CODE39, ZXing::BarcodeFormat::Code39); }
BENCHMARK(BM_Ean13_Zxing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Code128_Zxing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Code39_Zxing)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
#endif
