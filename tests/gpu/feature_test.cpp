// The keypoint pipeline: its integral image, its set-up on a size change,
// which target each mode reads back (instrumented passes), and the pass
// shaders on drawn blobs.
#include "gpu/feature.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "gl_test_util.h"
#include "gpu/programs.h"
#include "gpu/result_elem.h"

namespace {

using talvix::FrameBuffer;

// The integral in double precision, each luminance taken as the pipeline
// rounds it.
std::vector<double> Reference(const FrameBuffer& f) {
  const int w = f.width(), h = f.depth();
  std::vector<double> out(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    double s = 0;
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = f.pixel(x, y);
      s += f.bpp() == 8 ? static_cast<float>(p[0] * 0.001307189 * 3)
                        : static_cast<float>(p[2] * 0.001172549 + p[1] * 0.00230196 + p[0] * 0.000447058);
      out[static_cast<size_t>(y) * w + x] = s + (y ? out[static_cast<size_t>(y - 1) * w + x] : 0.0);
    }
  }
  return out;
}

FrameBuffer Noise(int w, int h, int bpp, unsigned seed) {
  FrameBuffer f = FrameBuffer::make(w, h, bpp);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w * bpp / 8; ++x) f.row(y)[x] = static_cast<uint8_t>(rng());
  }
  return f;
}

TEST(IntegralImage, AgainstADoubleIntegral) {
  struct Case {
    int w, h, bpp;
  };
  for (const Case& c : {Case{1, 1, 8}, Case{7, 5, 8}, Case{333, 101, 8}, Case{5, 9, 24}, Case{211, 77, 24},
                        Case{123, 61, 32}, Case{640, 3, 8}}) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + "x" + std::to_string(c.bpp));
    FrameBuffer f = Noise(c.w, c.h, c.bpp, c.w * 31 + c.bpp);
    std::vector<float> got(static_cast<size_t>(c.w) * c.h, -1.0f);
    ASSERT_TRUE(gpu::ComputeIntegralImage(c.w, c.h, c.bpp, f.row(0), f.stride(), got.data()));
    std::vector<double> ref = Reference(f);
    double worst = 0;
    for (size_t i = 0; i < ref.size(); ++i) worst = std::max(worst, std::abs(got[i] - ref[i]) / std::max(ref[i], 1e-6));
    EXPECT_LT(worst, 2e-5);
  }
  // All 255: entry (x, y) is about (x + 1)(y + 1); all 0: zeros.
  FrameBuffer white = FrameBuffer::make(50, 40, 8, 255);
  std::vector<float> got(50 * 40);
  gpu::ComputeIntegralImage(50, 40, 8, white.row(0), white.stride(), got.data());
  for (int y = 0; y < 40; y += 13) {
    for (int x = 0; x < 50; x += 7) EXPECT_NEAR(got[y * 50 + x], (x + 1.0) * (y + 1.0), 1e-3 * (x + 1) * (y + 1));
  }
  FrameBuffer black = FrameBuffer::make(9, 4, 8, 0);
  gpu::ComputeIntegralImage(9, 4, 8, black.row(0), black.stride(), got.data());
  EXPECT_EQ(*std::max_element(got.begin(), got.begin() + 36), 0.0f);
  EXPECT_FALSE(gpu::ComputeIntegralImage(9, 4, 16, black.row(0), black.stride(), got.data()));
}

// Passes that write known values: Keypoint (1, 11) with NaN, -1 and 0 in
// columns 0, 1 and 2; Maximum copies its input and adds 1 to a non-zero
// first channel (so 2); Orientation 3 and OrientationSegment 4 where the
// Maximum output is non-zero.
const char* const kKeypointProbe =
    "uniform float OriginalX;\n"
    "void main() {\n"
    "  float x = floor(gl_FragCoord.x);\n"
    "  float zero = OriginalX - OriginalX;\n"
    "  float r = x == 0.0 ? zero / zero : x == 1.0 ? -1.0 : x == 2.0 ? 0.0 : 1.0;\n"
    "  gl_FragColor = vec4(r, 11.0, 0.0, 1.0);\n"
    "}\n";
const char* const kMaximumProbe =
    "#extension GL_ARB_texture_rectangle : enable\n"
    "uniform sampler2DRect TexChan1;\n"
    "void main() {\n"
    "  vec4 k = texture2DRect(TexChan1, gl_FragCoord.xy);\n"
    "  gl_FragColor = vec4(k.r == 1.0 ? 2.0 : k.r, 22.0, 0.0, 1.0);\n"
    "}\n";
const char* const kNothing = "void main() { discard; }\n";

std::string OrientationProbe(int value) {
  return "#extension GL_ARB_texture_rectangle : enable\n"
         "uniform sampler2DRect TexChan2;\n"
         "uniform float Gaussian[7];\n"
         "void main() {\n"
         "  vec4 m = texture2DRect(TexChan2, gl_FragCoord.xy);\n"
         "  gl_FragColor = vec4(m.r == 2.0 ? " + std::to_string(value) + ".0 + Gaussian[6] - Gaussian[6] : m.r, " +
         std::to_string(value * 11) + ".0, 0.5, 1.0);\n"
         "}\n";
}

class ProbeFeature : public gpu::CFeature {
 public:
  bool BuildShaders(int errLen, char16_t* errBuf) override {
    if (!toolkit.BuildWhiteProgram(errLen, errBuf)) return false;
    bool ok = gpu::BuildProgram(gpu::kPassthroughVertexShader, kKeypointProbe, &keypointProgram) &&
              gpu::BuildProgram(gpu::kPassthroughVertexShader, kMaximumProbe, &maximumProgram) &&
              gpu::BuildProgram(gpu::kPassthroughVertexShader, OrientationProbe(3).c_str(), &orientationProgram) &&
              gpu::BuildProgram(gpu::kPassthroughVertexShader, OrientationProbe(4).c_str(), &orientationSegmentProgram);
    uniforms[kKeypointOriginalX] = glGetUniformLocation(keypointProgram, "OriginalX");
    uniforms[kMaximumTexChan1] = glGetUniformLocation(maximumProgram, "TexChan1");
    uniforms[kOrientationTexChan2] = glGetUniformLocation(orientationProgram, "TexChan2");
    uniforms[kOrientationGaussian] = glGetUniformLocation(orientationProgram, "Gaussian");
    uniforms[kSegmentTexChan2] = glGetUniformLocation(orientationSegmentProgram, "TexChan2");
    uniforms[kSegmentGaussian] = glGetUniformLocation(orientationSegmentProgram, "Gaussian");
    return ok;
  }
};

struct Summary {
  size_t count = 0, nan = 0, negative = 0;
  std::set<float> firstChannels, seconds;
};

Summary Summarise(const gpu::CList& results) {
  Summary s;
  for (const gpu::CListElem* e = results.head; e; e = e->next) {
    const auto& k = static_cast<const gpu::CResultListElem*>(e)->key;
    ++s.count;
    if (std::isnan(k.response)) {
      ++s.nan;
    } else {
      if (k.response < 0) ++s.negative;
      s.firstChannels.insert(k.response);
    }
    s.seconds.insert(k.scale);
  }
  return s;
}

TEST(Feature, ModesReadTheirTargetsAndKeepNanAndNegative) {
  REQUIRE_GL();
  const int W = 12, H = 8;
  FrameBuffer f = Noise(W, H, 8, 3);
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  ProbeFeature feature;
  char16_t err[256] = {};
  ASSERT_TRUE(feature.Setup(W, H, 8, 255, err)) << gl_test::Text(err);
  const float params[8] = {};
  struct Case {
    int mode;
    float value, second;
  };
  for (const Case& c : {Case{0, 2, 22}, Case{1, 3, 33}, Case{2, 4, 44}}) {
    SCOPED_TRACE(c.mode);
    feature.UploadIntegralImage(W, H, 8, f.row(0), params, c.mode);
    feature.Render(nullptr);
    Summary s = Summarise(feature.results);
    // Column 2 (exactly 0) is no point; NaN (column 0) and -1 (column 1) are.
    EXPECT_EQ(s.count, static_cast<size_t>((W - 1) * H));
    EXPECT_EQ(s.nan, static_cast<size_t>(H));
    EXPECT_EQ(s.negative, static_cast<size_t>(H));
    EXPECT_EQ(s.firstChannels, (std::set<float>{-1.0f, c.value}));
    EXPECT_EQ(s.seconds, (std::set<float>{c.second}));
    EXPECT_EQ(feature.ReadResults(), static_cast<unsigned>(W * H));
  }
  feature.Release();
}

TEST(Feature, OnlyARegionClearsTheTargets) {
  REQUIRE_GL();
  const int W = 16, H = 10;
  FrameBuffer f = Noise(W, H, 8, 5);
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  ProbeFeature feature;
  char16_t err[256] = {};
  ASSERT_TRUE(feature.Setup(W, H, 8, 255, err));
  const float params[8] = {};
  feature.UploadIntegralImage(W, H, 8, f.row(0), params, 0);
  feature.Render(nullptr);
  ASSERT_EQ(Summarise(feature.results).count, static_cast<size_t>((W - 1) * H));
  // Passes that draw nothing: without a region the last run's values stay.
  GLuint maximum = feature.maximumProgram;
  feature.maximumProgram = 0;
  ASSERT_TRUE(gpu::BuildProgram(gpu::kPassthroughVertexShader, kNothing, &feature.maximumProgram));
  feature.Render(nullptr);
  EXPECT_EQ(Summarise(feature.results).count, static_cast<size_t>((W - 1) * H));
  const TRectangularRegion left{4, 5, 8, 10, 0};  // columns 0..7
  feature.Render(&left);
  EXPECT_EQ(Summarise(feature.results).count, 0u);
  // The real copy again, inside the region only.
  glDeleteProgram(feature.maximumProgram);
  feature.maximumProgram = maximum;
  feature.Render(&left);
  int outside = 0;
  for (const gpu::CListElem* e = feature.results.head; e; e = e->next) {
    outside += static_cast<const gpu::CResultListElem*>(e)->key.x >= 8;
  }
  EXPECT_EQ(Summarise(feature.results).count, static_cast<size_t>(7 * H));
  EXPECT_EQ(outside, 0);
  feature.Release();
}

TEST(Feature, SizeChangeRecreatesTheObjects) {
  REQUIRE_GL();
  FrameBuffer small = Noise(20, 10, 8, 1), large = Noise(37, 21, 32, 2);
  gl_test::Lent lent(large.frame());
  ASSERT_TRUE(lent.ok());
  ProbeFeature feature;
  char16_t err[256] = {};
  ASSERT_TRUE(feature.Setup(20, 10, 8, 255, err));
  const float params[8] = {};
  feature.UploadIntegralImage(20, 10, 8, small.row(0), params, 0);
  EXPECT_EQ(feature.readCount, 200);
  feature.UploadIntegralImage(37, 21, 32, large.row(0), params, 0);
  EXPECT_EQ(feature.width, 37);
  EXPECT_EQ(feature.height, 21);
  EXPECT_EQ(feature.readCount, 37 * 21);
  for (GLuint t : {feature.targetA, feature.targetB, feature.integralTexture, feature.frameTexture}) {
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, t);
    glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_RECTANGLE_ARB, 0, GL_TEXTURE_HEIGHT, &h);
    EXPECT_EQ(w, 37);
    EXPECT_EQ(h, 21);
  }
  // The uploaded integral image is the frame's.
  std::vector<float> tex(37 * 21);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, feature.integralTexture);
  glGetTexImage(GL_TEXTURE_RECTANGLE_ARB, 0, GL_RED, GL_FLOAT, tex.data());
  std::vector<double> ref = Reference(large);
  EXPECT_NEAR(tex.back(), ref.back(), ref.back() * 1e-5);
  EXPECT_NEAR(tex[37 * 3 + 5], ref[37 * 3 + 5], 1e-4);
  // A size below 1 allocates and uploads nothing.
  feature.UploadIntegralImage(0, 5, 8, small.row(0), params, 0);
  EXPECT_EQ(feature.width, 37);
  feature.Release();
  EXPECT_EQ(feature.integral, nullptr);
  EXPECT_EQ(feature.targetA, 0u);
}

// Bright Gaussian blobs on black, in memory rows.
void Blob(FrameBuffer& f, double cx, double cy, double sigma, double amplitude) {
  for (int y = 0; y < f.depth(); ++y) {
    for (int x = 0; x < f.width(); ++x) {
      const double d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      const double v = f.pixel(x, y)[0] + amplitude * std::exp(-d2 / (2 * sigma * sigma));
      f.pixel(x, y)[0] = static_cast<uint8_t>(std::min(255.0, v));
    }
  }
}

// The strongest result within `radius` of (cx, cy).
const gpu::KeypointRecord* Strongest(const gpu::CList& results, double cx, double cy, double radius) {
  const gpu::KeypointRecord* best = nullptr;
  for (const gpu::CListElem* e = results.head; e; e = e->next) {
    const auto& k = static_cast<const gpu::CResultListElem*>(e)->key;
    if (std::hypot(k.x - cx, k.y - cy) > radius) continue;
    if (!best || k.response > best->response) best = &k;
  }
  return best;
}

class RealShaders : public testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_GL();
    // The encoded pass shaders lie beside the modules.
    module = dlopen((talvix::DefaultModuleDirectory() + "/ilvant.so").c_str(), RTLD_LAZY);
    ASSERT_NE(module, nullptr) << dlerror();
    gpu::SetShaderModule(module, nullptr);
  }
  void TearDown() override {
    gpu::SetShaderModule(nullptr, nullptr);
    if (module) dlclose(module);
  }
  void* module = nullptr;
};

TEST_F(RealShaders, BlobCentresAndGrowingScales) {
  const int W = 256, H = 160;
  FrameBuffer f = FrameBuffer::make(W, H, 8, 0);
  struct B {
    double x, y, sigma;
  };
  const B blobs[] = {{40, 40, 2.0}, {110, 70, 3.6}, {190, 80, 6.8}};
  for (const B& b : blobs) Blob(f, b.x, b.y, b.sigma, 220);
  gl_test::Lent lent(f.frame());
  ASSERT_TRUE(lent.ok());
  gpu::CFeature feature;
  char16_t err[256] = {};
  ASSERT_TRUE(gpu::CheckGpuCapabilities(255, err));
  ASSERT_TRUE(feature.Setup(W, H, 8, 255, err)) << gl_test::Text(err);
  const float thresholds[8] = {0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f};
  feature.UploadIntegralImage(W, H, 8, f.row(0), thresholds, 0);
  feature.Render(nullptr);
  float lastScale = 0;
  for (const B& b : blobs) {
    SCOPED_TRACE(b.sigma);
    const gpu::KeypointRecord* k = Strongest(feature.results, b.x, b.y, 3 * b.sigma);
    ASSERT_NE(k, nullptr);
    EXPECT_LE(std::hypot(k->x - b.x, k->y - b.y), 1.0);
    EXPECT_GT(k->scale, lastScale);
    EXPECT_EQ(k->orientation, 0.0f) << "mode 0";
    lastScale = k->scale;
  }
  for (const gpu::CListElem* e = feature.results.head; e; e = e->next) {
    const float s = static_cast<const gpu::CResultListElem*>(e)->key.scale;
    EXPECT_TRUE(s == 9 || s == 15 || s == 21 || s == 27 || s == 39 || s == 51 || s == 75 || s == 99) << s;
  }
  feature.Release();
}

TEST_F(RealShaders, OrientationTurnsWithThePattern) {
  const int W = 96, H = 96;
  const double cx = 48, cy = 48;
  gpu::CFeature feature;
  char16_t err[256] = {};
  const float thresholds[8] = {0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f, 0.01f};
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    double first = 0;
    for (int turn = 0; turn < 4; ++turn) {
      const double a = turn * M_PI / 2 + 0.3;
      FrameBuffer f = FrameBuffer::make(W, H, 8, 0);
      Blob(f, cx, cy, 3.5, 160);
      Blob(f, cx + 4 * std::cos(a), cy + 4 * std::sin(a), 1.5, 90);
      gl_test::Lent lent(f.frame());
      ASSERT_TRUE(lent.ok());
      if (turn == 0 && mode == 1) {
        ASSERT_TRUE(feature.Setup(W, H, 8, 255, err)) << gl_test::Text(err);
      }
      feature.UploadIntegralImage(W, H, 8, f.row(0), thresholds, mode);
      feature.Render(nullptr);
      const gpu::KeypointRecord* k = Strongest(feature.results, cx, cy, 6);
      ASSERT_NE(k, nullptr);
      if (turn == 0) first = k->orientation;
      const double diff = std::remainder(k->orientation - first - turn * M_PI / 2, 2 * M_PI);
      EXPECT_LT(std::abs(diff), 0.3) << "turn " << turn << ": " << k->orientation << " from " << first;
    }
  }
  gl_test::Lent lent(nullptr);
  feature.Release();
}

}  // namespace
