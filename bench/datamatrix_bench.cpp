// The Data Matrix reader against zxing-cpp and libdmtx on the same frames:
// 1280 x 960 frames with clutter (blocks, bars and lines) holding one zint
// symbol of 24 x 24 or 64 x 64 modules at 4 to 6 px per module, upright or
// in quarter turns with a tilt of up to 5 degrees, lightly noised; and
// frames of clutter alone. Counters: read_rate (the share of symbol frames
// whose text came out right; for the empty frames the share of frames with
// no text) and time per frame. The peers see the same picture, rows stored
// top-down as they expect.
#if defined(VISION_HAVE_ZINT)
#include <benchmark/benchmark.h>
#include <omp.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "datamatrix_render.h"
#include "talvix/host.hpp"

#if defined(VISION_HAVE_ZXING)
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#endif
#if defined(VISION_HAVE_DMTX)
#include <dmtx.h>
#endif

namespace {

struct Sample {
  talvix::FrameBuffer frame;   // rows bottom-up, as the host stores them
  std::vector<uint8_t> topDown;  // the same picture for the peers
  std::string text;              // empty: no symbol
};

// Blocks, bars and lines anywhere outside the keep-out box.
void Clutter(std::vector<double>& pic, int w, int d, std::mt19937& rng, double kx0, double ky0, double kx1,
             double ky1) {
  std::uniform_real_distribution<double> u(0, 1);
  for (int k = 0; k < 60; ++k) {
    const int bw = 4 + static_cast<int>(u(rng) * 60), bh = 4 + static_cast<int>(u(rng) * 60);
    const int x0 = static_cast<int>(u(rng) * (w - bw)), y0 = static_cast<int>(u(rng) * (d - bh));
    if (x0 + bw > kx0 && x0 < kx1 && y0 + bh > ky0 && y0 < ky1) continue;
    const double grey = 30 + u(rng) * 120;
    const bool bars = k % 3 == 0;
    for (int y = y0; y < y0 + bh; ++y)
      for (int x = x0; x < x0 + bw; ++x)
        if (!bars || (x / 3) % 2 == 0) pic[static_cast<size_t>(y) * w + x] = grey;
  }
  for (int k = 0; k < 30; ++k) {
    const double x = u(rng) * w, y = u(rng) * d, a = u(rng) * M_PI, len = 20 + u(rng) * 200;
    for (double t = 0; t < len; t += 0.5) {
      const int px = static_cast<int>(x + t * std::cos(a)), py = static_cast<int>(y + t * std::sin(a));
      if (px < 0 || py < 0 || px >= w || py >= d) break;
      if (px > kx0 && px < kx1 && py > ky0 && py < ky1) break;
      pic[static_cast<size_t>(py) * w + px] = 60;
    }
  }
}

Sample MakeSample(int version, int i, std::mt19937& rng) {
  dunsel_test::DmRender frame;
  frame.width = 1280;
  frame.depth = 960;
  frame.noise = 4;
  frame.seed = static_cast<uint32_t>(i + 1);
  std::uniform_real_distribution<double> u(-1, 1);
  Sample s;
  dunsel_test::DmMatrix m;
  dunsel_test::DmRender at = frame;
  double half = 0;
  if (version > 0) {
    s.text = "Lot " + std::to_string(100000 + rng() % 900000) + " / part " + std::to_string(rng() % 1000);
    m = dunsel_test::ZintDataMatrix(s.text, dunsel_test::DmOptions{.size = version});
    at.module = 4 + i % 3;
    at.angle = 90 * (i % 4) + 5 * u(rng);
    half = std::hypot(m.cols, m.rows) * at.module / 2 + 3 * at.module;
    at.cx = 640 + u(rng) * (600 - half);
    at.cy = 480 + u(rng) * (440 - half);
  }
  std::vector<double> pic =
      version > 0 ? dunsel_test::DrawPicture({{&m, at}}, frame) : dunsel_test::DrawPicture({}, frame);
  Clutter(pic, frame.width, frame.depth, rng, at.cx - half, at.cy - half, at.cx + half, at.cy + half);
  s.frame = dunsel_test::StorePicture(pic, frame);
  s.topDown.resize(static_cast<size_t>(frame.width) * frame.depth);
  for (int y = 0; y < frame.depth; ++y)
    std::memcpy(&s.topDown[static_cast<size_t>(y) * frame.width], s.frame.pixel(0, frame.depth - 1 - y),
                static_cast<size_t>(frame.width));
  return s;
}

// Frames of one kind: 0 clutter alone, else the zint version (8: 24 x 24,
// 16: 64 x 64).
const std::vector<Sample>& FramesOf(int version) {
  static std::vector<Sample> kinds[17];
  std::vector<Sample>& frames = kinds[version];
  if (frames.empty()) {
    std::mt19937 rng(11 + version);
    for (int i = 0; i < (version ? 8 : 4); ++i) frames.push_back(MakeSample(version, i, rng));
  }
  return frames;
}

void Report(benchmark::State& state, int64_t reads, size_t frames) {
  state.counters["read_rate"] = static_cast<double>(reads) / static_cast<double>(state.iterations() * frames);
  state.counters["time_per_frame"] = benchmark::Counter(
      static_cast<double>(frames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Arguments: frame kind, OpenMP threads.
void BM_DataMatrix_Dunsel(benchmark::State& state) {
  const int threadsBefore = omp_get_max_threads();
  omp_set_num_threads(static_cast<int>(state.range(1)));
  std::string error;
  static std::unique_ptr<talvix::Module> module = talvix::Module::load("dunsel", &error);
  if (!module) {
    state.SkipWithError(("cannot load dunsel: " + error).c_str());
    return;
  }
  const int index = module->findMethod("datamatrix");
  const intptr_t handle = module->create(index);
  const auto& frames = FramesOf(static_cast<int>(state.range(0)));
  // One context per frame, so that no frame is copied in the timed loop.
  std::vector<std::unique_ptr<talvix::RunContext>> contexts;
  for (const Sample& s : frames) {
    contexts.push_back(std::make_unique<talvix::RunContext>(*module, index));
    contexts.back()->setFlags(u"Show results", {false});
    contexts.back()->setFrame(u"Input frame", s.frame);
  }
  int64_t reads = 0;
  for (auto _ : state) {
    for (size_t k = 0; k < frames.size(); ++k) {
      talvix::RunContext& ctx = *contexts[k];
      const talvix::RunResult r = ctx.run(handle);
      const auto out = ctx.strings(u"Result string");
      const std::string text = r.ok && !out.empty() ? talvix::ToUtf8(out[0]) : "";
      reads += text == frames[k].text;
    }
  }
  module->destroy(handle);
  omp_set_num_threads(threadsBefore);
  Report(state, reads, frames.size());
}
BENCHMARK(BM_DataMatrix_Dunsel)
    ->Args({8, 1})->Args({8, 2})->Args({16, 1})->Args({16, 2})->Args({0, 1})->Args({0, 2})
    ->Unit(benchmark::kMillisecond);

#if defined(VISION_HAVE_ZXING)
void BM_DataMatrix_Zxing(benchmark::State& state) {
  const auto& frames = FramesOf(static_cast<int>(state.range(0)));
  ZXing::DecodeHints hints;
  hints.setFormats(ZXing::BarcodeFormat::DataMatrix);
  int64_t reads = 0;
  for (auto _ : state) {
    for (const Sample& s : frames) {
      const ZXing::ImageView view(s.topDown.data(), s.frame.width(), s.frame.depth(), ZXing::ImageFormat::Lum);
      const ZXing::Result r = ZXing::ReadBarcode(view, hints);
      reads += (r.isValid() ? r.text() : std::string()) == s.text;
    }
  }
  Report(state, reads, frames.size());
}
BENCHMARK(BM_DataMatrix_Zxing)->Arg(8)->Arg(16)->Arg(0)->Unit(benchmark::kMillisecond);
#endif

#if defined(VISION_HAVE_DMTX)
// As a one-symbol command-line read: regions in turn until one decodes, no
// time limit.
void BM_DataMatrix_Dmtx(benchmark::State& state) {
  const auto& frames = FramesOf(static_cast<int>(state.range(0)));
  int64_t reads = 0;
  for (auto _ : state) {
    for (const Sample& s : frames) {
      std::vector<uint8_t> pixels = s.topDown;
      DmtxImage* img = dmtxImageCreate(pixels.data(), s.frame.width(), s.frame.depth(), DmtxPack8bppK);
      dmtxImageSetProp(img, DmtxPropImageFlip, DmtxFlipNone);
      DmtxDecode* dec = dmtxDecodeCreate(img, 1);
      std::string text;
      while (DmtxRegion* reg = dmtxRegionFindNext(dec, nullptr)) {
        DmtxMessage* msg = dmtxDecodeMatrixRegion(dec, reg, DmtxUndefined);
        dmtxRegionDestroy(&reg);
        if (msg) {
          text.assign(reinterpret_cast<const char*>(msg->output), msg->outputIdx);
          dmtxMessageDestroy(&msg);
          break;
        }
      }
      dmtxDecodeDestroy(&dec);
      dmtxImageDestroy(&img);
      reads += text == s.text;
    }
  }
  Report(state, reads, frames.size());
}
BENCHMARK(BM_DataMatrix_Dmtx)->Arg(8)->Arg(16)->Arg(0)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
#endif
