// One full-frame float pass on the host's OpenGL context (llvmpipe renders on
// the CPU): upload of a 1920 x 1080 float image, a small arithmetic shader
// into an RGBA float target, read-back, each apart and together, beside a
// single-threaded CPU loop making the same floats. Run with
// OMP_WAIT_POLICY=passive: spinning OpenMP workers of earlier cases starve
// llvmpipe's threads.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "gpu/gl_toolkit.h"
#include "gpu/programs.h"
#include "talvix/host.hpp"

namespace {

constexpr int kW = 1920, kH = 1080;

const char* const kArithmetic =
    "#extension GL_ARB_texture_rectangle : enable\n"
    "uniform sampler2DRect TexChan0;\n"
    "void main()\n"
    "{\n"
    "  float v = texture2DRect(TexChan0, gl_TexCoord[0].st).r;\n"
    "  gl_FragColor = vec4(v * 2.0 + 1.0, v * v, v * 0.5 - 0.25, 1.0 - v);\n"
    "}\n";

// The context lent for the rest of the process, with the pass's objects.
struct Pass {
  talvix::RunContext ctx{{}, {}};
  talvix::FrameBuffer frame = talvix::FrameBuffer::make(kW, kH, 32);
  gpu::CGLToolkit toolkit;
  GLuint program = 0, source = 0, target = 0;
  std::vector<float> input, output;
  bool ok = false;

  Pass() : input(static_cast<size_t>(kW) * kH), output(static_cast<size_t>(kW) * kH * 4) {
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(i % 977) / 977.0f;
    std::vector<uint8_t> block(288, 0);
    Frame* f = frame.frame();
    std::memcpy(block.data() + 256, &f, sizeof f);
    if (!CameraCallback(ctx.hostContext(), 4, u"*_LRC", 288, block.data())) return;
    CameraCallback(ctx.hostContext(), 4, u"*_IRE", 288, block.data());
    char16_t err[256] = {};
    if (!gpu::CheckGpuCapabilities(255, err)) return;
    if (!gpu::BuildProgram(gpu::kPassthroughVertexShader, kArithmetic, &program)) return;
    toolkit.CreateRenderTarget(kW, kH);
    source = toolkit.CreateLuminanceFloatTexture(GL_TEXTURE0, kW, kH, input.data());
    target = toolkit.CreateRgbaFloatTexture(GL_TEXTURE1, kW, kH, nullptr);
    ok = true;
  }
  void Upload() { toolkit.UpdateFloatTexture(source, GL_TEXTURE0, kW, kH, input.data()); }
  void Draw() {
    toolkit.BindFramebufferTexture(target);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, source);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "TexChan0"), 0);
    gpu::DrawScreenQuad(GL_TEXTURE0, kW, kH);
  }
  void ReadBack() {
    glReadPixels(0, 0, kW, kH, GL_RGBA, GL_FLOAT, output.data());
    gpu::EndRender();
  }
};

Pass* ThePass() {
  static std::unique_ptr<Pass> p = std::make_unique<Pass>();
  return p->ok ? p.get() : nullptr;
}

void PerPixel(benchmark::State& state) {
  state.counters["ns_per_px"] = benchmark::Counter(static_cast<double>(kW) * kH,
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_GlFloatUpload(benchmark::State& state) {
  Pass* p = ThePass();
  if (!p) return state.SkipWithError("no OpenGL context");
  for (auto _ : state) {
    p->Upload();
    glFinish();
  }
  PerPixel(state);
}

void BM_GlFloatPass(benchmark::State& state) {
  Pass* p = ThePass();
  if (!p) return state.SkipWithError("no OpenGL context");
  for (auto _ : state) {
    p->Draw();
    glFinish();
  }
  gpu::EndRender();
  PerPixel(state);
}

void BM_GlFloatReadBack(benchmark::State& state) {
  Pass* p = ThePass();
  if (!p) return state.SkipWithError("no OpenGL context");
  p->Draw();
  glFinish();
  for (auto _ : state) {
    glReadPixels(0, 0, kW, kH, GL_RGBA, GL_FLOAT, p->output.data());
    benchmark::DoNotOptimize(p->output.data());
  }
  gpu::EndRender();
  PerPixel(state);
}

void BM_GlFloatUploadPassReadBack(benchmark::State& state) {
  Pass* p = ThePass();
  if (!p) return state.SkipWithError("no OpenGL context");
  for (auto _ : state) {
    p->Upload();
    p->Draw();
    p->ReadBack();
    benchmark::DoNotOptimize(p->output.data());
  }
  PerPixel(state);
}

// The same floats on one CPU thread.
void BM_CpuFloatPass(benchmark::State& state) {
  std::vector<float> input(static_cast<size_t>(kW) * kH), output(input.size() * 4);
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<float>(i % 977) / 977.0f;
  for (auto _ : state) {
    const float* in = input.data();
    float* out = output.data();
    for (size_t i = 0; i < input.size(); ++i) {
      const float v = in[i];
      out[4 * i] = v * 2.0f + 1.0f;
      out[4 * i + 1] = v * v;
      out[4 * i + 2] = v * 0.5f - 0.25f;
      out[4 * i + 3] = 1.0f - v;
    }
    benchmark::DoNotOptimize(output.data());
  }
  PerPixel(state);
}

BENCHMARK(BM_GlFloatUpload)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GlFloatPass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GlFloatReadBack)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GlFloatUploadPassReadBack)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpuFloatPass)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
