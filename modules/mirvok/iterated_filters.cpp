#include <algorithm>

#include "filters.h"
#include "params.h"

namespace mirvok {

// ---- Iterated drawing ---------------------------------------------------------

void CIteratedFilter::ReadIterations(const RunArgs& a) {
  WarnArray(a, 1);
  iterations_ = IntInRange(a, 2, 5, 1, 100, true);
}

GLuint CIteratedFilter::CreateSourceTexture(GLenum unit, int width, int height, int bpp, const uint8_t* pixels) {
  const GLuint texture = toolkit_.CreateFrameTexture(unit, width, height, bpp, pixels);
  glGenFramebuffersEXT(1, &fbo_);
  CreatePassTextures();
  return texture;
}

void CIteratedFilter::CreateObjects(const uint8_t* pixels) {
  sourceTexture_ = CreateSourceTexture(GL_TEXTURE0, width_, height_, bpp_, pixels);
}

// Passes never sample the texture they draw into: they alternate between two.
void CIteratedFilter::CreatePassTextures() {
  glDeleteTextures(2, passTextures_);
  for (GLuint& t : passTextures_) t = toolkit_.CreateRgbaFloatTexture(GL_TEXTURE0, width_, height_, nullptr);
  passWidth_ = width_;
  passHeight_ = height_;
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, passTextures_[0],
                            0);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT1_EXT, GL_TEXTURE_RECTANGLE_ARB, passTextures_[1],
                            0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sourceTexture_);
}

void CIteratedFilter::Draw(const TRectangularRegion*) {
  if (iterations_ > 1 && (passWidth_ != width_ || passHeight_ != height_)) CreatePassTextures();
  GLuint input = sourceTexture_;
  for (int i = 0; i < iterations_; ++i) {
    const bool last = i == iterations_ - 1;
    if (last) {
      glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
      glDrawBuffer(GL_BACK);
    } else {
      glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
      glDrawBuffer(i % 2 == 0 ? GL_COLOR_ATTACHMENT0_EXT : GL_COLOR_ATTACHMENT1_EXT);
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, input);
    gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
    input = passTextures_[i % 2];
  }
}

void CIteratedFilter::ReleaseExtra() {
  if (fbo_) glDeleteFramebuffersEXT(1, &fbo_);
  fbo_ = 0;
  glDeleteTextures(2, passTextures_);
  passTextures_[0] = passTextures_[1] = 0;
}

// ---- Noise reduction ----------------------------------------------------------

bool CGPUDenoiseFilter::ReadParameters(const RunArgs& a) {
  ReadIterations(a);
  copyRegion_ = FlagOr(a, 3, true, true);
  drawOutputs_ = FlagOr(a, 4, false, true);
  return true;
}

bool CGPUDenoiseFilter::InitGL(int errLen, char16_t* errBuf) {
  if (!CGPUCommonFilter::InitGL(errLen, errBuf) ||
      !BuildFilterProgram("Denoise_filter", &filterProgram_, errLen, errBuf)) {
    return false;
  }
  static constexpr const char* kNames[4] = {"Step_mul_2", "Step_mul_Step", "Step_mul_Step_mul_4",
                                            "Step_mul_Step_div_6"};
  for (int i = 0; i < 4; ++i) locations_[i] = glGetUniformLocation(filterProgram_, kNames[i]);
  texChan0_ = glGetUniformLocation(filterProgram_, "TexChan0");
  return true;
}

void CGPUDenoiseFilter::SetUniforms() {
  const float step = 1.0f / static_cast<float>(std::max({width_, height_, 1}));
  glUniform1f(locations_[0], 2 * step);
  glUniform1f(locations_[1], step * step);
  glUniform1f(locations_[2], 4 * step * step);
  glUniform1f(locations_[3], step * step / 6);
}

// ---- Shock filters ------------------------------------------------------------

bool CGPUShockFilter::ReadParameters(const RunArgs& a) {
  ReadIterations(a);
  intensity_ = RealInRange(a, 3, 0.5, 0, 1, true);
  copyRegion_ = FlagOr(a, 4, true, true);
  drawOutputs_ = FlagOr(a, 5, false, true);
  return true;
}

bool CGPUShockFilter::InitGL(int errLen, char16_t* errBuf) {
  const char* file = methodIndex_ == 3 ? "Shock_sharpen_filter" : "Shock_morphologic_filter";
  if (!CGPUCommonFilter::InitGL(errLen, errBuf) || !BuildFilterProgram(file, &filterProgram_, errLen, errBuf)) {
    return false;
  }
  intensityLocation_ = glGetUniformLocation(filterProgram_, "Intensity");
  texChan0_ = glGetUniformLocation(filterProgram_, "TexChan0");
  return true;
}

void CGPUShockFilter::SetUniforms() { glUniform1f(intensityLocation_, intensity_); }

}  // namespace mirvok
