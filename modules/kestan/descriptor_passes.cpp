#include "descriptor_passes.h"

#include "gpu/bracket.h"
#include "gpu/gl_toolkit.h"
#include "gpu/programs.h"
#include "gpu/result_elem.h"
#include "record.h"

namespace kestan {

const float kDescriptorWeights[15] = {1.0f,        0.98620075f, 0.94595947f, 0.8824969f,  0.8007374f,
                                      0.7066483f,  0.60653066f, 0.5063298f,  0.41111228f, 0.32465247f,
                                      0.24935221f, 0.18627046f, 0.1353353f,  0.09563695f, 0.06572853f};

namespace {

constexpr int kGroupSize = 10;
constexpr const char* kLocationNames[7] = {"TexChan0", "TexChan1", "PosX", "PosY", "Size", "Angle", "Gaussian"};

}  // namespace

void FeaturePipeline::Release() {
  for (Target& t : targets_) {
    if (t.texture) glDeleteTextures(1, &t.texture);
    if (t.framebuffer) glDeleteFramebuffersEXT(1, &t.framebuffer);
    if (t.program) glDeleteProgram(t.program);
    t = Target{};
  }
  gpu::CFeature::Release();
}

void FeaturePipeline::CreateDescriptorTarget(Pass pass, int w, int h) {
  Target& t = targets_[pass];
  if (t.texture) glDeleteTextures(1, &t.texture);
  t.texture = toolkit.CreateRgbaFloatTexture(GL_TEXTURE2, w, h, nullptr);
  if (t.framebuffer) glDeleteFramebuffersEXT(1, &t.framebuffer);
  glGenFramebuffersEXT(1, &t.framebuffer);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.framebuffer);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, t.texture, 0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  t.width = w;
  t.height = h;
}

bool FeaturePipeline::BuildDescriptorProgram(Pass pass, int errLen, char16_t* errBuf) {
  Target& t = targets_[pass];
  if (!gpu::BuildProgramFromFiles("FTransform", pass == kGroup ? "Descriptor10" : "Descriptor", &t.program, true)) {
    gpu::CopyError(u"Error during shader building", errLen, errBuf);
    return false;
  }
  glUseProgram(t.program);
  for (int i = 0; i < 7; ++i) t.locations[i] = glGetUniformLocation(t.program, kLocationNames[i]);
  glUseProgram(0);
  return true;
}

void FeaturePipeline::SplitKeypointCount(int* groups, int* rest) const {
  *groups = results.count / kGroupSize;
  *rest = results.count % kGroupSize;
}

void FeaturePipeline::UploadDescriptorFrame(int w, int h, int bpp, const uint8_t* pixels) {
  toolkit.UpdateFrameTexture(frameTexture, GL_TEXTURE0, w, h, bpp, pixels);
}

void FeaturePipeline::Begin(Target& t) {
  const size_t floats = static_cast<size_t>(t.width) * t.height * 4;
  if (t.readBack.size() != floats) t.readBack.assign(floats, 0.0f);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, t.framebuffer);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_RECTANGLE_ARB, t.texture, 0);
  glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
  glDisable(GL_BLEND);
  glDisable(GL_STENCIL_TEST);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, frameTexture);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_RECTANGLE_ARB, integralTexture);
  glUseProgram(t.program);
  glUniform1i(t.locations[kTexChan0], 0);
  glUniform1i(t.locations[kTexChan1], 1);
  glUniform1fv(t.locations[kGaussian], 15, kDescriptorWeights);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
}

void FeaturePipeline::End() {
  glUseProgram(0);
  glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  glDrawBuffer(GL_BACK);
}

void FeaturePipeline::DescribeKeypointGroups(int groups) {
  if (groups <= 0) return;
  Target& t = targets_[kGroup];
  Begin(t);
  gpu::CResultListElem* k = nullptr;
  bool more = results.GetFirst(&k);
  for (int g = 0; g < groups && more; ++g) {
    gpu::CResultListElem* members[kGroupSize] = {};
    float x[kGroupSize] = {}, y[kGroupSize] = {}, size[kGroupSize] = {}, angle[kGroupSize] = {};
    for (int i = 0; i < kGroupSize && more; ++i) {
      members[i] = k;
      x[i] = k->key.x;
      y[i] = k->key.y;
      size[i] = k->key.scale;
      angle[i] = k->key.orientation;
      more = results.GetNext(&k);  // leaves the cursor on keypoint 10 x groups
    }
    glUniform1fv(t.locations[kPosX], kGroupSize, x);
    glUniform1fv(t.locations[kPosY], kGroupSize, y);
    glUniform1fv(t.locations[kSize], kGroupSize, size);
    glUniform1fv(t.locations[kAngle], kGroupSize, angle);
    gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
    glReadPixels(0, 0, t.width, t.height, GL_RGBA, GL_FLOAT, t.readBack.data());
    ++groupDraws;
    for (int i = 0; i < kGroupSize; ++i) {
      if (!members[i]) continue;
      float* d = members[i]->key.descriptor;
      for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
          const float* px = &t.readBack[(static_cast<size_t>(row) * t.width + 4 * i + col) * 4];
          for (int c = 0; c < 4; ++c) d[c * 16 + 4 * row + col] = px[c];
        }
      }
    }
  }
  End();
}

void FeaturePipeline::DescribeSingle(gpu::CResultListElem& k) {
  Target& t = targets_[kSingle];
  glUniform1f(t.locations[kPosX], k.key.x);
  glUniform1f(t.locations[kPosY], k.key.y);
  glUniform1f(t.locations[kSize], k.key.scale);
  glUniform1f(t.locations[kAngle], k.key.orientation);
  gpu::DrawScreenQuad(GL_TEXTURE0, width, height);
  glReadPixels(0, 0, t.width, t.height, GL_RGBA, GL_FLOAT, t.readBack.data());
  ++singleDraws;
  for (int i = 0; i < 16; ++i) {
    for (int c = 0; c < 4; ++c) k.key.descriptor[c * 16 + i] = t.readBack[static_cast<size_t>(i) * 4 + c];
  }
}

void FeaturePipeline::DescribeKeypoints() {
  if (results.IsEmpty()) return;
  Begin(targets_[kSingle]);
  gpu::CResultListElem* k = nullptr;
  for (bool more = results.GetFirst(&k); more; more = results.GetNext(&k)) DescribeSingle(*k);
  End();
}

void FeaturePipeline::DescribeRemainingKeypoints(bool continueFlag, int rest) {
  if (rest == 0) return;
  gpu::CResultListElem* k = nullptr;
  bool more = continueFlag ? results.GetCurrent(&k) : results.GetFirst(&k);
  if (!more) return;
  Begin(targets_[kSingle]);
  for (; more; more = results.GetNext(&k)) DescribeSingle(*k);
  End();
}

}  // namespace kestan
