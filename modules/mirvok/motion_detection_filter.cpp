#include "motion.h"
#include "params.h"

namespace mirvok {

bool CGPUMotionDetectionFilter::ReadParameters(const RunArgs& a) {
  if (!ReadBackgroundInputs(a)) return false;
  TColor c{};
  if (ColorOf(a, 7, &c, true)) {
    color_[0] = static_cast<float>(c.R), color_[1] = static_cast<float>(c.G), color_[2] = static_cast<float>(c.B);
  } else {
    color_[0] = color_[1] = color_[2] = 1;
  }
  binary_ = FlagOr(a, 8, false, true);
  copyOutside_ = FlagOr(a, 9, true, true);
  drawOutputs_ = FlagOr(a, 10, false, true);
  return true;
}

bool CGPUMotionDetectionFilter::InitGL(int errLen, char16_t* errBuf) {
  // The base builds the white program; Setup does not build it again.
  return CGPUCommonFilter::InitGL(errLen, errBuf) && Setup(width_, height_, bpp_, errLen, errBuf);
}

bool CGPUMotionDetectionFilter::Setup(int width, int height, int bpp, int errLen, char16_t* errBuf) {
  SetSize(width, height, bpp);
  if (!BuildFilterProgram("MotionDetectionUpdateBackground", &updateProgram_, errLen, errBuf) ||
      !BuildFilterProgram("MotionDetectionFilterFinalPicture", &filterProgram_, errLen, errBuf)) {
    return false;
  }
  SetProgramTexture(updateProgram_, "TexChan0", 0);
  SetProgramTexture(updateProgram_, "TexChan3", 3);
  ratioLocation_ = glGetUniformLocation(updateProgram_, "BackgroundMixRatio");
  texChan0_ = glGetUniformLocation(filterProgram_, "TexChan0");
  SetProgramTexture(filterProgram_, "TexChan1", 1);
  SetProgramTexture(filterProgram_, "TexChan3", 3);
  thresholdLocation_ = glGetUniformLocation(filterProgram_, "Threshold");
  colorLocation_ = glGetUniformLocation(filterProgram_, "Color");
  binaryLocation_ = glGetUniformLocation(filterProgram_, "Binary");
  return true;
}

void CGPUMotionDetectionFilter::CreateSizedObjects() {
  glDeleteTextures(2, backgrounds_);
  backgrounds_[0] = CreateMidGreyBackground(GL_TEXTURE3);
  backgrounds_[1] = toolkit_.CreateRgbaFloatTexture(GL_TEXTURE3, width_, height_, nullptr);
  current_ = 0;
  toolkit_.CreateRenderTarget(width_, height_);
  targetWidth_ = width_;
  targetHeight_ = height_;
}

// Without a mask frame every pixel is allowed: a white texel, clamped over the frame.
void CGPUMotionDetectionFilter::UploadMask() {
  mask_.Upload(toolkit_, GL_TEXTURE1);
  if (mask_.inUse() || whiteMask_) return;
  const uint8_t white[4] = {255, 255, 255, 255};
  whiteMask_ = toolkit_.CreateFrameTexture(GL_TEXTURE1, 1, 1, 32, white);
}

void CGPUMotionDetectionFilter::CreateObjects(const uint8_t* pixels) {
  CGPUCommonFilter::CreateObjects(pixels);
  UploadMask();
  external_.Upload(toolkit_, GL_TEXTURE3);
  CreateSizedObjects();
}

void CGPUMotionDetectionFilter::RefillObjects(const uint8_t* pixels) {
  CGPUCommonFilter::RefillObjects(pixels);
  UploadMask();
  external_.Upload(toolkit_, GL_TEXTURE3);
  if (width_ != targetWidth_ || height_ != targetHeight_) CreateSizedObjects();
}

void CGPUMotionDetectionFilter::Draw(const TRectangularRegion* region) {
  auto bind = [](GLenum unit, GLuint texture) {
    glActiveTexture(unit);
    glBindTexture(GL_TEXTURE_RECTANGLE_ARB, texture);
  };
  // 1. The update draws into the other background texture: inside the region
  // the mix, outside it the background as it was. Then the two swap.
  if (UpdatesBackground()) {
    const GLuint from = backgrounds_[current_], to = backgrounds_[1 - current_];
    toolkit_.BindFramebufferTexture(to);
    toolkit_.StencilRegion(region, width_, height_);
    glUseProgram(updateProgram_);
    glUniform1f(ratioLocation_, ratio_);
    bind(GL_TEXTURE3, from);
    BindSource();
    gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
    if (region) {
      OutsideRegionOnly();
      glUseProgram(toolkit_.copyProgram);
      glUniform1i(toolkit_.texChan0Location, 0);
      bind(GL_TEXTURE0, from);
      gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
    }
    gpu::EndRender();
    current_ = 1 - current_;
  }
  // 2. The final picture into the host's framebuffer.
  glUseProgram(filterProgram_);
  glUniform1i(texChan0_, 0);
  glUniform1f(thresholdLocation_, threshold_);
  glUniform3fv(colorLocation_, 1, color_);
  glUniform1i(binaryLocation_, binary_ ? 1 : 0);
  BindSource();
  bind(GL_TEXTURE1, mask_.inUse() ? mask_.texture() : whiteMask_);
  bind(GL_TEXTURE3, ExternalInUse() ? external_.texture() : backgrounds_[current_]);
  gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
  // 3. Outside the region: the source, or the colour.
  if (region) {
    OutsideRegionOnly();
    if (copyOutside_) {
      glUseProgram(toolkit_.copyProgram);
      glUniform1i(toolkit_.texChan0Location, 0);
      BindSource();
      gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
    } else {
      glUseProgram(toolkit_.colorProgram);
      glUniform3fv(toolkit_.colorLocation, 1, color_);
      gpu::DrawQuadPlain();
    }
  }
}

void CGPUMotionDetectionFilter::ReleaseExtra() {
  glDeleteTextures(2, backgrounds_);
  backgrounds_[0] = backgrounds_[1] = 0;
  if (whiteMask_) glDeleteTextures(1, &whiteMask_);
  whiteMask_ = 0;
  mask_.Release();
  external_.Release();
  if (updateProgram_) glDeleteProgram(updateProgram_);
  updateProgram_ = 0;
}

}  // namespace mirvok
