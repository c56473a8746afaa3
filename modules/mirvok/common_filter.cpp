#include "common_filter.h"

#include <algorithm>
#include <iterator>

#include "frame/module_frame.h"
#include "gpu/programs.h"

namespace mirvok {
namespace {

size_t StoredLength(const char16_t* text, size_t capacity) {
  size_t n = 0;
  while (n < capacity && text[n]) ++n;
  return n;
}

}  // namespace

bool BuildFilterProgram(const char* fragmentFile, GLuint* program, int errLen, char16_t* errBuf) {
  if (gpu::BuildProgramFromFiles("Vertex", fragmentFile, program, true)) return true;
  gpu::CopyError(u"Error during shader building", errLen, errBuf);
  return false;
}

bool CGPUCommonFilter::InitGL(int errLen, char16_t* errBuf) {
  return toolkit_.CheckGpuCapabilitiesAndDefaultProgram(errLen, errBuf) &&
         toolkit_.BuildCopyProgram(errLen, errBuf) && toolkit_.BuildColorProgram(errLen, errBuf);
}

void CGPUCommonFilter::SetSize(int width, int height, int bpp) {
  width_ = width;
  height_ = height;
  bpp_ = bpp;
}

void CGPUCommonFilter::Draw(const TRectangularRegion*) { gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_); }

void CGPUCommonFilter::BindSource() const {
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, sourceTexture_);
}

void CGPUCommonFilter::OutsideRegionOnly() {
  glEnable(GL_STENCIL_TEST);
  glStencilMask(0);
  glStencilFunc(GL_NOTEQUAL, 1, 1);
}

void CGPUCommonFilter::Render(const TRectangularRegion* region) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (region) {
    glStencilMask(~0u);
    glEnable(GL_STENCIL_TEST);
    glClearStencil(0);
    glClear(GL_STENCIL_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glStencilFunc(GL_ALWAYS, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glUseProgram(toolkit_.whiteProgram);
    gpu::DrawRegionQuad(*region, width_, height_);
    glUseProgram(0);
    glLoadIdentity();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    DrawOutputs();
  } else {
    glDisable(GL_STENCIL_TEST);
  }
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  if (region && copyRegion_) {
    OutsideRegionOnly();
    glUseProgram(toolkit_.copyProgram);
    glUniform1i(toolkit_.texChan0Location, 0);
    BindSource();
    gpu::DrawScreenQuad(GL_TEXTURE0, width_, height_);
  }
  glStencilMask(0);
  glStencilFunc(GL_EQUAL, 1, 1);
  glUseProgram(filterProgram_);
  BindSource();
  glUniform1i(texChan0_, 0);
  SetUniforms();
  Draw(region);
  glUseProgram(0);
  glStencilMask(~0u);
  glDisable(GL_STENCIL_TEST);
}

void CGPUCommonFilter::DrawOutputs() {
  if (!drawOutputs_ || !hasRegion_) return;
  DrawRectangle(hostContext_, region_.cx, region_.cy, region_.width, region_.height, region_.angle,
                GetDrawThickness(hostContext_, 2), GetDrawColor(hostContext_, 2));
}

void CGPUCommonFilter::CreateObjects(const uint8_t* pixels) {
  sourceTexture_ = toolkit_.CreateFrameTexture(GL_TEXTURE0, width_, height_, bpp_, pixels);
}

void CGPUCommonFilter::RefillObjects(const uint8_t* pixels) {
  toolkit_.UpdateFrameTexture(sourceTexture_, GL_TEXTURE0, width_, height_, bpp_, pixels);
}

void CGPUCommonFilter::ReleaseGL(void* hostContext) {
  gpu::ReleaseInBracket(hostContext, state_, [this] {
    toolkit_.Release();
    glActiveTexture(GL_TEXTURE0);
    if (sourceTexture_) glDeleteTextures(1, &sourceTexture_);
    sourceTexture_ = 0;
    glDisable(GL_TEXTURE_RECTANGLE_ARB);
    if (filterProgram_) glDeleteProgram(filterProgram_);
    filterProgram_ = 0;
    ReleaseExtra();
  });
}

bool CGPUCommonFilter::Run(const RunArgs& a) {
  if (!Serves(methodIndex_)) return a.fail(u"internal error - request with wrong method id");
  if (!state_.usable) {
    return a.fail(std::u16string_view(state_.setupText, StoredLength(state_.setupText, 255)));
  }
  hostContext_ = a.ctx;
  frame::FrameRows src;
  if (!frame::InputRows(a, 0, &src)) return a.fail(u"Cannot get source frame");

  const frame::ParamName regionName = frame::InputName(a, 1);
  TRectangularRegion* region = nullptr;
  hasRegion_ = regionName.ok && GetRectangularRegion(a.ctx, 63, regionName.c_str(), 0, &region) && region;
  if (hasRegion_) region_ = *region;
  const TRectangularRegion* activity = hasRegion_ ? &region_ : nullptr;
  if (!ReadParameters(a)) return false;

  Frame* out = nullptr;
  if (!frame::OutputFrame(a, 0, src.width, src.depth, 32, &out)) return a.fail(u"Unknown target frame");

  gpu::Bracket bracket(a.ctx, src.frame, out, a.errLen, a.errBuf);
  bracket.Lend();
  bracket.Send(u"*_IRE");
  if (bracket.glUsable()) {
    if (state_.firstRun) {
      // A partial set-up leaves objects behind for the release.
      state_.objectsExist = true;
      std::fill(std::begin(state_.setupText), std::end(state_.setupText), 0);
      SetSize(src.width, src.depth, src.bpp);
      if (!InitGL(255, state_.setupText)) {
        state_.usable = false;
        state_.setupText[255] = 0;
        gpu::CopyError(std::u16string_view(state_.setupText, StoredLength(state_.setupText, 255)), a.errLen,
                       a.errBuf);
        // The host's context is still lent: give it back.
        bracket.Send(u"*_URC");
        AfterBracket(a);
        return false;
      }
      CreateObjects(src.data);
    } else {
      SetSize(src.width, src.depth, src.bpp);
      RefillObjects(src.data);
    }
    Render(activity);
    state_.firstRun = false;
  }
  bracket.Send(u"*_POF");
  bracket.Send(u"*_FRE");
  bracket.Send(u"*_URC");
  AfterBracket(a);
  return bracket.ok();
}

}  // namespace mirvok
