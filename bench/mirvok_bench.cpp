// The GPU filters' whole runs (upload, passes, read-back at "*_POF") on 640 x
// 480 and 1280 x 720 colour frames through the exports, beside the same
// bracket drawing only the copy program (the floor: upload and read-back on a
// CPU rasteriser), and OpenCV's nearest counterparts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "gpu/bracket.h"
#include "gpu/gl_toolkit.h"
#include "gpu/programs.h"
#include "talvix/host.hpp"

#ifdef VISION_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

talvix::FrameBuffer Scene(int w, int h) {
  talvix::FrameBuffer f = talvix::FrameBuffer::make(w, h, 32);
  std::mt19937 rng(5);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = f.row(y);
    for (int x = 0; x < 4 * w; ++x) row[x] = static_cast<uint8_t>((x / 9 + y / 7) * 13 + rng() % 40);
  }
  return f;
}

talvix::Module* Mirvok() {
  static std::unique_ptr<talvix::Module> m = talvix::Module::load("mirvok");
  return m.get();
}

void Size(benchmark::State& state) {
  state.SetLabel(std::to_string(state.range(0)) + "x" + std::to_string(state.range(1)));
}

void RunFilter(benchmark::State& state, const char* id, int iterations,
               const std::function<void(talvix::RunContext&)>& setup = {}) {
  talvix::Module* m = Mirvok();
  if (!m || !talvix::GlAvailable()) {
    state.SkipWithError("mirvok or OpenGL unavailable");
    return;
  }
  const int index = m->findMethod(std::string(id));
  const intptr_t handle = m->create(index);
  {
    talvix::RunContext ctx(*m, index);
    ctx.setFrame(u"input frame", Scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    if (iterations > 0) ctx.setNumbers(u"number of iterations", {static_cast<double>(iterations)});
    if (setup) setup(ctx);
    ctx.run(handle);  // the set-up run (programs, textures) is not timed
    for (auto _ : state) {
      if (const talvix::RunResult r = ctx.run(handle); !r.ok) {
        state.SkipWithError(("run failed: " + talvix::ToUtf8(r.error)).c_str());
        break;
      }
    }
  }
  m->destroy(handle);
  Size(state);
}

void BM_Mirvok_HSL(benchmark::State& s) { RunFilter(s, "gpu_HSL_filter", 0); }
void BM_Mirvok_Grayscale(benchmark::State& s) { RunFilter(s, "gpu_grayscale_filter", 0); }
void BM_Mirvok_Denoise1(benchmark::State& s) { RunFilter(s, "gpu_denoise_filter", 1); }
void BM_Mirvok_Denoise5(benchmark::State& s) { RunFilter(s, "gpu_denoise_filter", 5); }
void BM_Mirvok_ShockSharpen1(benchmark::State& s) { RunFilter(s, "gpu_shock_sharpness_filter", 1); }
void BM_Mirvok_ShockMorphologic1(benchmark::State& s) { RunFilter(s, "gpu_shock_morphologic_filter", 1); }

// The motion detectors on a running background, without mask or external background.
void NoMaskNoBackground(talvix::RunContext& ctx) {
  ctx.setUnnamed(u"mask frame");
  ctx.setUnnamed(u"external background frame");
  ctx.setNumbers(u"threshold", {0.1});
}
void BM_Mirvok_MotionDetection(benchmark::State& s) { RunFilter(s, "gpu_motion_detection", 0, NoMaskNoBackground); }
void BM_Mirvok_MotionDetectionFilter(benchmark::State& s) {
  RunFilter(s, "gpu_motion_detection_filter", 0, NoMaskNoBackground);
}

// The same bracket with only the copy program: lend, upload, draw, read back.
void BM_Mirvok_CopyOnlyBracket(benchmark::State& state) {
  if (!talvix::GlAvailable()) {
    state.SkipWithError("OpenGL unavailable");
    return;
  }
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  talvix::FrameBuffer in = Scene(w, h), out = talvix::FrameBuffer::make(w, h, 32);
  talvix::RunContext ctx({}, {});
  gpu::ServiceBlock block;
  std::memset(&block, 0, sizeof block);
  block.input = in.frame();
  block.output = out.frame();
  auto send = [&](const char16_t* name) { return CameraCallback(ctx.hostContext(), 4, name, sizeof block, &block); };
  gpu::CGLToolkit toolkit;
  GLuint texture = 0;
  char16_t err[256];
  // The set-up, as a filter's first run, is not timed.
  send(u"*_LRC");
  send(u"*_IRE");
  glewInit();
  toolkit.BuildCopyProgram(255, err);
  texture = toolkit.CreateFrameTexture(GL_TEXTURE0, w, h, 32, in.row(0));
  send(u"*_URC");
  for (auto _ : state) {
    send(u"*_LRC");
    send(u"*_IRE");
    toolkit.UpdateFrameTexture(texture, GL_TEXTURE0, w, h, 32, in.row(0));
    glUseProgram(toolkit.copyProgram);
    glUniform1i(toolkit.texChan0Location, 0);
    gpu::DrawScreenQuad(GL_TEXTURE0, w, h);
    glUseProgram(0);
    send(u"*_POF");
    send(u"*_FRE");
    send(u"*_URC");
  }
  send(u"*_LRC");
  glDeleteTextures(1, &texture);
  toolkit.Release();
  send(u"*_URC");
  Size(state);
}

#define MIRVOK_SIZES ->Args({640, 480})->Args({1280, 720})->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_Mirvok_CopyOnlyBracket) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_HSL) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_Grayscale) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_Denoise1) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_Denoise5) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_ShockSharpen1) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_ShockMorphologic1) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_MotionDetection) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_MotionDetectionFilter) MIRVOK_SIZES;

#ifdef VISION_HAVE_OPENCV
cv::Mat SceneMat(benchmark::State& state, talvix::FrameBuffer& f) {
  f = Scene(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  return cv::Mat(f.depth(), f.width(), CV_8UC4, f.row(0), f.stride());
}

void BM_Mirvok_OpenCV_HslInRange(benchmark::State& state) {
  talvix::FrameBuffer f;
  const cv::Mat src = SceneMat(state, f);
  cv::Mat bgr, hls, mask;
  for (auto _ : state) {
    cv::cvtColor(src, bgr, cv::COLOR_BGRA2BGR);
    cv::cvtColor(bgr, hls, cv::COLOR_BGR2HLS);
    cv::inRange(hls, cv::Scalar(0, 0, 0), cv::Scalar(10, 255, 255), mask);
    benchmark::DoNotOptimize(mask.data);
  }
  Size(state);
}

void BM_Mirvok_OpenCV_AdaptiveThreshold(benchmark::State& state) {
  talvix::FrameBuffer f;
  const cv::Mat src = SceneMat(state, f);
  cv::Mat grey, out;
  for (auto _ : state) {
    cv::cvtColor(src, grey, cv::COLOR_BGRA2GRAY);
    cv::adaptiveThreshold(grey, out, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 15, 13);
    benchmark::DoNotOptimize(out.data);
  }
  Size(state);
}

void BM_Mirvok_OpenCV_Median(benchmark::State& state) {
  talvix::FrameBuffer f;
  const cv::Mat src = SceneMat(state, f);
  cv::Mat bgr, out;
  for (auto _ : state) {
    cv::cvtColor(src, bgr, cv::COLOR_BGRA2BGR);
    cv::medianBlur(bgr, out, 3);
    benchmark::DoNotOptimize(out.data);
  }
  Size(state);
}

// Running background, difference, threshold and a median against salt and pepper.
void BM_Mirvok_OpenCV_Motion(benchmark::State& state) {
  talvix::FrameBuffer f;
  const cv::Mat src = SceneMat(state, f);
  cv::Mat bgr, frame, background, diff, mask, clean;
  cv::cvtColor(src, bgr, cv::COLOR_BGRA2BGR);
  bgr.convertTo(background, CV_32FC3);
  for (auto _ : state) {
    cv::cvtColor(src, bgr, cv::COLOR_BGRA2BGR);
    bgr.convertTo(frame, CV_32FC3);
    cv::accumulateWeighted(frame, background, 0.1);
    cv::absdiff(frame, background, diff);
    cv::threshold(diff, mask, 25, 255, cv::THRESH_BINARY);
    mask.convertTo(clean, CV_8UC3);
    cv::medianBlur(clean, clean, 3);
    benchmark::DoNotOptimize(clean.data);
  }
  Size(state);
}

BENCHMARK(BM_Mirvok_OpenCV_Motion) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_OpenCV_HslInRange) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_OpenCV_AdaptiveThreshold) MIRVOK_SIZES;
BENCHMARK(BM_Mirvok_OpenCV_Median) MIRVOK_SIZES;
#endif

}  // namespace
