// The GPU FFT's whole run (upload at "*_PT0", both transforms, display,
// read-back at "*_POF") through the exports at N = 512 and 1024, beside FFTW's
// single-precision 2-D transforms of the three channels (plans made outside
// the timing) with as many threads as the rasteriser uses.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "talvix/host.hpp"

#ifdef VISION_HAVE_FFTWF
#include <fftw3.h>
#endif

namespace {

talvix::FrameBuffer Scene(int n) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(n, n, 32);
  std::mt19937 rng(9);
  for (int y = 0; y < n; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < 4 * n; ++x) row[x] = static_cast<uint8_t>((x / 5 + y / 3) * 7 + rng() % 30);
  }
  return f;
}

// llvmpipe's rasteriser threads: LP_NUM_THREADS, else one per processor.
int RasteriserThreads() {
  if (const char* t = std::getenv("LP_NUM_THREADS")) return std::max(1, std::atoi(t));
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void BM_Yorvin_Fft(benchmark::State& state) {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("yorvin");
  if (!m || !talvix::GlAvailable()) {
    state.SkipWithError("yorvin or OpenGL unavailable");
    return;
  }
  const int n = static_cast<int>(state.range(0));
  const intptr_t handle = m->create(0);
  {
    talvix::RunContext ctx(*m, 0);
    ctx.setFrame(u"input frame", Scene(n));
    ctx.run(handle);  // the set-up run is not timed
    for (auto _ : state) {
      if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
        state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
        break;
      }
    }
  }
  m->destroy(handle);
  state.counters["threads"] = RasteriserThreads();
}
BENCHMARK(BM_Yorvin_Fft)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef VISION_HAVE_FFTWF
void BM_Yorvin_Fftw(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const int threads = RasteriserThreads();
#ifdef VISION_HAVE_FFTWF_THREADS
  static const bool ready = fftwf_init_threads() != 0;
  if (ready) fftwf_plan_with_nthreads(threads);
#endif
  const size_t count = static_cast<size_t>(n) * n;
  fftwf_complex* in[3];
  fftwf_complex* out[3];
  fftwf_plan plans[3];
  for (int c = 0; c < 3; ++c) {
    in[c] = fftwf_alloc_complex(count);
    out[c] = fftwf_alloc_complex(count);
    plans[c] = fftwf_plan_dft_2d(n, n, in[c], out[c], FFTW_FORWARD, FFTW_MEASURE);
  }
  const talvix::FrameBuffer f = Scene(n);
  for (auto _ : state) {
    // The channels as the GPU run takes them from the frame, then the transforms.
    for (int y = 0; y < n; ++y) {
      const uint8_t* row = f.row(y);
      for (int x = 0; x < n; ++x) {
        const size_t i = static_cast<size_t>(y) * n + x;
        for (int c = 0; c < 3; ++c) {
          in[c][i][0] = row[4 * x + 2 - c] / 255.0f;
          in[c][i][1] = 0;
        }
      }
    }
    for (int c = 0; c < 3; ++c) fftwf_execute(plans[c]);
    benchmark::DoNotOptimize(out[2][0][0]);
  }
  for (int c = 0; c < 3; ++c) {
    fftwf_destroy_plan(plans[c]);
    fftwf_free(in[c]);
    fftwf_free(out[c]);
  }
  state.counters["threads"] = threads;
}
BENCHMARK(BM_Yorvin_Fftw)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace
