#include "incircle.h"

#include <cmath>

#include "frame/input_params.h"
#include "gpu/programs.h"

namespace velkon {
namespace {

using frame::RunArgs;

constexpr std::u16string_view kNoEnclosingCircle =
    u"error: No enclosing circle was found: no pixel reaches the threshold, or every circle exceeds the size limit";

// Input i as a magnitude capped at `most` (with the correction warning),
// `absent` when missing; then the array warning.
float Magnitude(const RunArgs& a, int i, float absent, float most) {
  const frame::ParamName name = frame::InputName(a, i);
  double* p = nullptr;
  float v = absent;
  if (name.ok && GetNumber(a.ctx, 63, name.c_str(), 0, &p) && p) {
    const double m = std::fabs(*p);
    v = static_cast<float>(m);
    if (m > most) {
      frame::WarnRealParameterCorrected(a.ctx, 63, name.c_str(), static_cast<float>(m), most);
      v = most;
    } else if (std::isnan(m)) {
      v = absent;
    }
  }
  if (name.ok) frame::WarnArrayInput(a.ctx, 63, name.c_str());
  return v;
}

double* Output(const RunArgs& a, int i) {
  const frame::ParamName name = frame::OutputName(a, i);
  double* p = nullptr;
  return name.ok && GetNumber(a.ctx, 63, name.c_str(), 0, &p) ? p : nullptr;
}

}  // namespace

CirclePick PickCircle(const float* radii, int width, int height, bool largest) {
  CirclePick best{0, 0, largest ? 0.f : 1e38f};
  for (int y = 0; y < height; ++y) {
    const float* row = radii + static_cast<size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      const float v = row[x];
      if (v == 0.f) continue;
      if (largest ? v > best.r : v < best.r) best = {static_cast<float>(x), static_cast<float>(y), v};
    }
  }
  return best;
}

bool CGPUIncircle::SetUp(const Frame* source, int errLen, char16_t* errBuf) {
  if (!toolkit_.CheckGpuCapabilitiesAndDefaultProgram(errLen, errBuf)) return false;
  if (!gpu::BuildProgramFromFiles("incircle", methodIndex_ == 0 ? "incircle" : "outcircle", &program_, true)) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  texChan0_ = glGetUniformLocation(program_, "TexChan0");
  threshold_ = glGetUniformLocation(program_, "Threshold");
  originalX_ = glGetUniformLocation(program_, "OriginalX");
  originalY_ = glGetUniformLocation(program_, "OriginalY");
  limit_ = glGetUniformLocation(program_, "Limit");
  width_ = GetFrameWidth(source);
  height_ = GetFrameDepth(source);
  bpp_ = GetFrameBPP(source);
  sourceTexture_ = toolkit_.CreateFrameTexture(GL_TEXTURE0, width_, height_, bpp_, GetFrameDataAddr(const_cast<Frame*>(source)));
  Resize(width_, height_);
  return true;
}

void CGPUIncircle::Resize(int width, int height) {
  if (radiusTexture_ && width == targetWidth_ && height == targetHeight_) return;
  if (radiusTexture_) glDeleteTextures(1, &radiusTexture_);
  radiusTexture_ = toolkit_.CreateLuminanceFloatTexture(GL_TEXTURE1, width, height, nullptr);
  toolkit_.CreateRenderTarget(width, height);
  targetWidth_ = width;
  targetHeight_ = height;
}

void CGPUIncircle::Render(const TRectangularRegion* region) {
  toolkit_.BindFramebufferTexture(radiusTexture_);
  // Outside the region the target would keep the last run's radii.
  glDisable(GL_STENCIL_TEST);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  toolkit_.StencilRegion(region, width_, height_);
  glUseProgram(program_);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sourceTexture_);
  glUniform1i(texChan0_, 0);
  glUniform1f(threshold_, threshold);
  glUniform1f(originalX_, static_cast<float>(width_));
  glUniform1f(originalY_, static_cast<float>(height_));
  glUniform1f(limit_, sizeLimit);
  gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
  readBack_.resize(static_cast<size_t>(width_) * height_);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width_, height_, GL_RED, GL_FLOAT, readBack_.data());
  const CirclePick pick = PickCircle(readBack_.data(), width_, height_, methodIndex_ == 0);
  centreX = pick.x, centreY = pick.y, radius = pick.r;
  gpu::EndRender();
}

bool CGPUIncircle::Run(const RunArgs& a) {
  if (!state_.usable) {
    size_t n = 0;
    while (n < 255 && state_.setupText[n]) ++n;
    return a.fail(std::u16string_view(state_.setupText, n));
  }
  Frame* source = nullptr;
  if (!frame::InputFrame(a, 0, &source) || !source) return a.fail(u"Cannot get source frame");

  TRectangularRegion region{};
  const bool hasRegion = frame::RegionOf(a, 1, &region, true);
  threshold = Magnitude(a, 2, 0.5f, 1.f);
  sizeLimit = Magnitude(a, 3, 0.f, 4096.f);
  const bool draw = frame::FlagOr(a, 4, true, true);

  const bool ok = gpu::RunInBracket(
      a.ctx, source, source, a.errLen, a.errBuf, state_,
      [&](int len, char16_t* buf) { return SetUp(source, len, buf); },
      [&](int, char16_t*) {
        width_ = GetFrameWidth(source);
        height_ = GetFrameDepth(source);
        bpp_ = GetFrameBPP(source);
        toolkit_.UpdateFrameTexture(sourceTexture_, GL_TEXTURE0, width_, height_, bpp_, GetFrameDataAddr(source));
        Resize(width_, height_);
        Render(hasRegion ? &region : nullptr);
        return true;
      });
  if (!state_.usable) return false;

  // The enclosing pick starts at 1e38: still there, no pixel held a circle.
  const bool noEnclosingCircle = methodIndex_ == 1 && radius >= 1e38f;
  if (noEnclosingCircle) centreX = centreY = radius = 0;
  const double values[3] = {centreX, centreY, radius < 0 ? 0.0 : radius};
  for (int i = 0; i < 3; ++i) {
    if (double* p = Output(a, i)) *p = values[i];
  }
  if (draw && radius > 0) {
    const TColor colour = GetDrawColor(a.ctx, 1);
    const double thick = GetDrawThickness(a.ctx, 1), r = radius;
    DrawCircle(a.ctx, centreX, centreY, r, thick, colour);
    DrawLine(a.ctx, centreX - 0.1 * r, centreY, centreX + 0.1 * r, centreY, thick, colour);
    DrawLine(a.ctx, centreX, centreY - 0.1 * r, centreX, centreY + 0.1 * r, thick, colour);
  }
  for (int i = 0; i < 3; ++i) {
    const frame::ParamName name = frame::OutputName(a, i);
    if (name.ok) SetObjectMaxIndex(a.ctx, 63, name.c_str(), 0);
  }
  if (ok && noEnclosingCircle) return a.fail(kNoEnclosingCircle);
  return ok;
}

void CGPUIncircle::Release(void* hostContext) {
  gpu::ReleaseInBracket(hostContext, state_, [this] {
    toolkit_.Release();
    for (GLenum unit : {GL_TEXTURE0, GL_TEXTURE1}) {
      glActiveTexture(unit);
      glDisable(GL_TEXTURE_RECTANGLE_ARB);
    }
    if (program_) glDeleteProgram(program_);
    for (GLuint* t : {&sourceTexture_, &radiusTexture_}) {
      if (*t) glDeleteTextures(1, t);
      *t = 0;
    }
    program_ = 0;
    readBack_ = {};
    targetWidth_ = targetHeight_ = 0;
  });
}

}  // namespace velkon
