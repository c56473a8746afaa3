#include <algorithm>

#include "motion.h"
#include "params.h"

namespace mirvok {

bool CGPUMotionDetection::ReadParameters(const RunArgs& a) {
  motionDetected_ = false;
  if (!ReadBackgroundInputs(a)) return false;
  intensity_ = RealInRange(a, 7, 0.8, 0, 1, true);
  copyOutside_ = FlagOr(a, 8, true, true);
  drawOutputs_ = FlagOr(a, 9, false, true);
  return true;
}

bool CGPUMotionDetection::InitGL(int errLen, char16_t* errBuf) {
  if (!CGPUCommonFilter::InitGL(errLen, errBuf)) return false;
  if (!BuildFilterProgram("MotionDetection", &filterProgram_, errLen, errBuf) ||
      !BuildFilterProgram("MotionDetectionUpdateBackground", &updateProgram_, errLen, errBuf) ||
      !BuildFilterProgram("Salt_and_Pepper_filter", &saltProgram_, errLen, errBuf) ||
      !BuildFilterProgram("MotionDetectionFinalPicture", &finalProgram_, errLen, errBuf)) {
    return false;
  }
  texChan0_ = glGetUniformLocation(filterProgram_, "TexChan0");
  SetProgramTexture(filterProgram_, "TexChan1", 1);
  SetProgramTexture(filterProgram_, "TexChan3", 3);
  motionThreshold_ = glGetUniformLocation(filterProgram_, "Threshold");
  isMask_ = glGetUniformLocation(filterProgram_, "IsMask");
  SetProgramTexture(updateProgram_, "TexChan0", 0);
  SetProgramTexture(updateProgram_, "TexChan3", 3);
  ratioLocation_ = glGetUniformLocation(updateProgram_, "BackgroundMixRatio");
  SetProgramTexture(saltProgram_, "TexChan2", 2);
  saltThreshold_ = glGetUniformLocation(saltProgram_, "Threshold");
  SetProgramTexture(finalProgram_, "TexChan0", 0);
  SetProgramTexture(finalProgram_, "TexChan2", 2);
  kernelLocation_ = glGetUniformLocation(finalProgram_, "HighlightKernel");
  intensityLocation_ = glGetUniformLocation(finalProgram_, "HighlightIntensity");
  return true;
}

GLuint CGPUMotionDetection::CreateMotionTarget(GLenum unit, int width, int height) {
  // Always a colour texture: an 8-bit frame texture (luminance) cannot be drawn into.
  const GLuint texture = toolkit_.CreateFrameTexture(unit, width, height, 32, nullptr);
  glGenFramebuffersEXT(1, &fbo_);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, texture, 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  return texture;
}

void CGPUMotionDetection::CreateSizedObjects() {
  motionTarget_ = CreateMotionTarget(GL_TEXTURE2, width_, height_);
  background_ = CreateMidGreyBackground(GL_TEXTURE3);
  targetWidth_ = width_;
  targetHeight_ = height_;
}

void CGPUMotionDetection::ReleaseSizedObjects() {
  if (fbo_) glDeleteFramebuffersEXT(1, &fbo_);
  fbo_ = 0;
  for (GLuint* t : {&motionTarget_, &background_}) {
    if (*t) glDeleteTextures(1, t);
    *t = 0;
  }
}

void CGPUMotionDetection::CreateObjects(const uint8_t* pixels) {
  CGPUCommonFilter::CreateObjects(pixels);
  mask_.Upload(toolkit_, GL_TEXTURE1);
  external_.Upload(toolkit_, GL_TEXTURE3);
  CreateSizedObjects();
}

void CGPUMotionDetection::RefillObjects(const uint8_t* pixels) {
  CGPUCommonFilter::RefillObjects(pixels);
  mask_.Upload(toolkit_, GL_TEXTURE1);
  external_.Upload(toolkit_, GL_TEXTURE3);
  // A new frame size starts a new background and target of that size.
  if (width_ != targetWidth_ || height_ != targetHeight_) {
    ReleaseSizedObjects();
    CreateSizedObjects();
  }
}

void CGPUMotionDetection::Draw(const TRectangularRegion* region) {
  auto bind = [](GLenum unit, GLuint texture) {
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  };
  // 1. The frame mixed into the running background, inside the region.
  if (UpdatesBackground()) {
    glUseProgram(updateProgram_);
    glUniform1f(ratioLocation_, ratio_);
    bind(GL_TEXTURE3, background_);
    BindSource();
    gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
    bind(GL_TEXTURE3, background_);
    glCopyTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, 0, 0, width_, height_);
  }
  // 2. Moving pixels into the motion target.
  glUseProgram(filterProgram_);
  glUniform1i(texChan0_, 0);
  glUniform1f(motionThreshold_, threshold_);
  glUniform1i(isMask_, mask_.inUse() ? static_cast<GLint>(mask_.texture()) : 0);
  BindSource();
  bind(GL_TEXTURE1, mask_.inUse() ? mask_.texture() : 0);
  bind(GL_TEXTURE3, ExternalInUse() ? external_.texture() : background_);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fbo_);
  glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
  gpu::DrawQuadMultiTex(GL_TEXTURE0, GL_TEXTURE1, width_, height_, mask_.inUse() ? mask_.width() : 0,
                        mask_.inUse() ? mask_.height() : 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glDrawBuffer(GL_BACK);
  // 3. Isolated marks removed, into the host's framebuffer, inside the region
  // only: the rest is cleared so that the read-back sees the region alone.
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  glUseProgram(saltProgram_);
  glUniform1f(saltThreshold_, 0.8f);
  bind(GL_TEXTURE2, motionTarget_);
  gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
  // 4. Read back: any red byte marks motion; the cleaned marks go back into
  // the motion target for the final picture.
  readBack_.resize(static_cast<size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, readBack_.data());
  for (size_t i = 2; i < readBack_.size() && !motionDetected_; i += 4) motionDetected_ = readBack_[i] != 0;
  bind(GL_TEXTURE2, motionTarget_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage2D(GL_TEXTURE_RECTANGLE_ARB, 0, 0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, readBack_.data());
  // 5. The final picture.
  glUseProgram(finalProgram_);
  glUniform1fv(kernelLocation_, 9, kHighlightKernel);
  glUniform1f(intensityLocation_, intensity_);
  BindSource();
  gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
  // 6. The source outside the region.
  if (region && copyOutside_) {
    OutsideRegionOnly();
    glUseProgram(toolkit_.copyProgram);
    glUniform1i(toolkit_.texChan0Location, 0);
    BindSource();
    gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
  }
}

void CGPUMotionDetection::AfterBracket(const RunArgs& a) {
  const frame::ParamName name = frame::OutputName(a, 1);
  bool* flag = nullptr;
  if (name.ok && GetFlag(a.ctx, 63, name.c_str(), 0, &flag) && flag) *flag = motionDetected_;
}

void CGPUMotionDetection::ReleaseExtra() {
  ReleaseSizedObjects();
  mask_.Release();
  external_.Release();
  for (GLuint* p : {&updateProgram_, &saltProgram_, &finalProgram_}) {
    if (*p) glDeleteProgram(*p);
    *p = 0;
  }
  readBack_ = {};
}

}  // namespace mirvok
