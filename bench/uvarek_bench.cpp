// One-dimensional transforms: the FFT of 1024 and 4096 samples beside FFTW's
// single-threaded float complex transform of the same length (when found);
// the FFT run over 1, 10 and 100 lines of a 1024-wide region beside bare host
// scans of the same lines; DCT and DFT of 1000 samples.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "talvix/host.hpp"

#if defined(VISION_HAVE_FFTW) && defined(VISION_HAVE_FFTWF)
#include <fftw3.h>
#endif

namespace {

talvix::FrameBuffer Picture(int width, int rows) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(width, rows, 8);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < width; ++x) *f.pixel(x, y) = static_cast<uint8_t>(128 + 100 * std::sin(x * 0.37 + y * 0.11));
  return f;
}

talvix::Module& Uvarek() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("uvarek");
  return *m;
}

// Arguments: method index, samples per line, lines, spectra written (1) or
// left unconnected (0). Nothing is drawn.
void BM_Uvarek(benchmark::State& state) {
  talvix::Module& m = Uvarek();
  const int method = static_cast<int>(state.range(0));
  const int width = static_cast<int>(state.range(1)), lines = static_cast<int>(state.range(2));
  talvix::RunContext ctx(m, method);
  ctx.setFrame(u"Input frame", Picture(width, std::max(lines, 1)));
  ctx.setNumbers(u"Number of scanlines", {double(lines)});
  ctx.setNumbers(u"Spectrum begin", {0});
  ctx.setNumbers(u"Spectrum end", {double(width)});
  ctx.setFlags(u"Show results", {false});
  if (state.range(3) == 0) {
    ctx.setUnnamed(u"Amplitude spectrum");
    if (method != 0) ctx.setUnnamed(u"Phase spectrum");
  }
  const intptr_t handle = m.create(method);
  ctx.run(handle);  // buffers and twiddles are made on the first run and kept
  for (auto _ : state) {
    if (!ctx.run(handle).ok) state.SkipWithError("run failed");
  }
  m.destroy(handle);
}
BENCHMARK(BM_Uvarek)
    ->Args({2, 1024, 1, 0})
    ->Args({2, 4096, 1, 0})
    ->Args({2, 1024, 1, 1})
    ->Args({2, 1024, 10, 0})
    ->Args({2, 1024, 100, 0})
    ->Args({0, 1000, 1, 0})
    ->Args({1, 1000, 1, 0})
    ->Unit(benchmark::kMicrosecond);

bool Empty(void*, int, int, unsigned) { return true; }

// The host scans of the same lines with an empty callback: the floor of the
// run over many lines.
void BM_BareLineScans(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), lines = static_cast<int>(state.range(1));
  const talvix::FrameBuffer f = Picture(width, lines);
  for (auto _ : state) {
    for (int i = 0; i < lines; ++i) {
      int x0, y0, x1, y1;
      if (!GetScanRectangularRegionLine(f.frame(), nullptr, lines, i, 0.0, &x0, &y0, &x1, &y1)) continue;
      const TLine line{double(x0), double(y0), double(x1), double(y1)};
      ScanLine(f.frame(), nullptr, &line, 1, nullptr, Empty);
    }
  }
}
BENCHMARK(BM_BareLineScans)->Args({1024, 1})->Args({1024, 10})->Args({1024, 100})->Unit(benchmark::kMicrosecond);

#if defined(VISION_HAVE_FFTW) && defined(VISION_HAVE_FFTWF)
// FFTW's float complex transform, planned with FFTW_MEASURE outside the timing.
void BM_FftwComplexFloat(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  fftwf_complex* in = fftwf_alloc_complex(n);
  fftwf_complex* out = fftwf_alloc_complex(n);
  fftwf_plan plan = fftwf_plan_dft_1d(n, in, out, FFTW_BACKWARD, FFTW_MEASURE);
  for (int i = 0; i < n; ++i) in[i][0] = static_cast<float>(std::sin(i * 0.37)), in[i][1] = 0;
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out[0][0]);
  }
  fftwf_destroy_plan(plan);
  fftwf_free(in);
  fftwf_free(out);
}
BENCHMARK(BM_FftwComplexFloat)->Arg(1024)->Arg(4096)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
