#include "gpu/feature.h"

#include <algorithm>
#include <new>

#include "gpu/bracket.h"
#include "gpu/programs.h"
#include "gpu/result_elem.h"

namespace gpu {

const float kGaussianWeights[7] = {1.0f, 0.923116f, 0.726149f, 0.486752f, 0.278037f, 0.135335f, 0.056134f};

namespace {

constexpr char16_t kShaderBuildError[] = u"Error during shader building";

void DeleteTexture(GLuint* t) {
  if (*t) glDeleteTextures(1, t);
  *t = 0;
}

void DeleteProgram(GLuint* p) {
  if (*p) glDeleteProgram(*p);
  *p = 0;
}

}  // namespace

CFeature::CFeature() { std::fill(std::begin(uniforms), std::end(uniforms), -1); }

CFeature::~CFeature() { results.DeleteAll(); }

void CFeature::Release() {
  toolkit.Release();
  results.DeleteAll();
  readBuffer.reset();
  readCount = 0;
  for (std::vector<uint8_t>& b : extraBuffers) std::vector<uint8_t>().swap(b);
  integral.reset();
  for (GLuint* t : {&integralTexture, &targetA, &targetB, &frameTexture, &extraTextures[0], &extraTextures[1]}) {
    DeleteTexture(t);
  }
  for (GLuint& f : extraFramebuffers) {
    if (f) glDeleteFramebuffersEXT(1, &f);
    f = 0;
  }
  for (GLuint* p : {&keypointProgram, &maximumProgram, &orientationProgram, &orientationSegmentProgram,
                    &extraPrograms[0], &extraPrograms[1]}) {
    DeleteProgram(p);
  }
}

void CFeature::Resize(int w, int h, int) {
  width = w;
  height = h;
  if (w < 1 || h < 1) return;
  DeleteTexture(&targetA);
  DeleteTexture(&targetB);
  targetA = toolkit.CreateRgbaFloatTexture(GL_TEXTURE2, w, h, nullptr);
  targetB = toolkit.CreateRgbaFloatTexture(GL_TEXTURE2, w, h, nullptr);
  toolkit.CreateRenderTarget(w, h);
  integral.reset(new float[static_cast<size_t>(w) * h]());
  DeleteTexture(&integralTexture);
  integralTexture = toolkit.CreateLuminanceFloatTexture(GL_TEXTURE2, w, h, nullptr);
  DeleteTexture(&frameTexture);
  frameTexture = toolkit.CreateFrameTexture(GL_TEXTURE0, w, h, 32, nullptr);
}

bool CFeature::BuildShaders(int errLen, char16_t* errBuf) {
  if (!toolkit.BuildWhiteProgram(errLen, errBuf)) return false;
  struct Pass {
    const char* fragment;
    GLuint* program;
    std::initializer_list<std::pair<const char*, Uniform>> locations;
  };
  const Pass passes[] = {
      {"Keypoint",
       &keypointProgram,
       {{"TexChan1", kKeypointTexChan1},
        {"Threshold", kKeypointThreshold},
        {"OriginalX", kKeypointOriginalX},
        {"OriginalY", kKeypointOriginalY}}},
      {"Maximum", &maximumProgram, {{"TexChan1", kMaximumTexChan1}}},
      {"Orientation",
       &orientationProgram,
       {{"TexChan1", kOrientationTexChan1}, {"TexChan2", kOrientationTexChan2}, {"Gaussian", kOrientationGaussian}}},
      {"OrientationSegment",
       &orientationSegmentProgram,
       {{"TexChan1", kSegmentTexChan1}, {"TexChan2", kSegmentTexChan2}, {"Gaussian", kSegmentGaussian}}},
  };
  for (const Pass& p : passes) {
    // A program built before (an earlier frame size) is replaced and deleted.
    if (!BuildProgramFromFiles("FTransform", p.fragment, p.program, true)) {
      CopyError(kShaderBuildError, errLen, errBuf);
      return false;
    }
    glUseProgram(*p.program);
    for (const auto& [name, slot] : p.locations) uniforms[slot] = glGetUniformLocation(*p.program, name);
  }
  glUseProgram(0);
  return true;
}

bool CFeature::Setup(int w, int h, int bpp, int errLen, char16_t* errBuf) {
  Resize(w, h, bpp);
  setupResult = BuildShaders(errLen, errBuf);
  return setupResult;
}

void CFeature::UploadIntegralImage(int w, int h, int bpp, const uint8_t* pixels, const float p[8], int m) {
  std::copy_n(p, 8, params);
  mode = m;
  if (w < 1 || h < 1 || !pixels) return;
  if (w != width || h != height || !integral) Resize(w, h, bpp);
  const int pixelsCount = w * h;
  if (readCount != pixelsCount || !readBuffer) {
    readBuffer.reset(new float[static_cast<size_t>(pixelsCount) * 4]);
    readCount = pixelsCount;
  }
  const uint8_t* rows = pixels;
  size_t stride = static_cast<size_t>((w * bpp + 31) / 32) * 4;
  if (bpp == 8 && toolkit.RepackRows(w, h, pixels)) {
    rows = toolkit.repack();
    stride = static_cast<size_t>(w);
  }
  ComputeIntegralImage(w, h, bpp, rows, stride, integral.get());
  toolkit.UpdateFloatTexture(integralTexture, GL_TEXTURE1, w, h, integral.get());
}

void CFeature::Render(const TRectangularRegion* region) {
  toolkit.BindFramebufferTexture(targetA);
  toolkit.StencilRegion(region, width, height);

  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, integralTexture);
  glUseProgram(keypointProgram);
  glUniform1i(uniforms[kKeypointTexChan1], 1);
  glUniform1fv(uniforms[kKeypointThreshold], 8, params);
  glUniform1f(uniforms[kKeypointOriginalX], static_cast<float>(width));
  glUniform1f(uniforms[kKeypointOriginalY], static_cast<float>(height));
  DrawScreenQuad(GL_TEXTURE1, width, height);

  AttachColorTarget(targetB);
  if (region) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, targetA);
  glUseProgram(maximumProgram);
  glUniform1i(uniforms[kMaximumTexChan1], 1);
  DrawScreenQuad(GL_TEXTURE1, width, height);

  if (mode != 0) {
    AttachColorTarget(targetA);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, integralTexture);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, targetB);
    const bool dominant = mode == 1;
    glUseProgram(dominant ? orientationProgram : orientationSegmentProgram);
    glUniform1i(uniforms[dominant ? kOrientationTexChan1 : kSegmentTexChan1], 1);
    glUniform1i(uniforms[dominant ? kOrientationTexChan2 : kSegmentTexChan2], 2);
    glUniform1fv(uniforms[dominant ? kOrientationGaussian : kSegmentGaussian], 7, kGaussianWeights);
    DrawScreenQuad(GL_TEXTURE2, width, height);
  }
  ReadResults();
  EndRender();
}

unsigned CFeature::ReadResults() {
  const int w = width, h = height;
  if (w < 1 || h < 1 || !readBuffer || readCount < w * h) return 0;
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_FLOAT, readBuffer.get());
  results.DeleteAll();
  const float* px = readBuffer.get();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, px += 4) {
      if (px[0] == 0.0f) continue;  // a NaN is kept
      auto* e = new (std::nothrow) CResultListElem(static_cast<float>(x), static_cast<float>(y), px);
      if (!e) return static_cast<unsigned>(w) * static_cast<unsigned>(h);  // out of memory: the points so far
      results.Append(e);
    }
  }
  return static_cast<unsigned>(w) * static_cast<unsigned>(h);
}

}  // namespace gpu
