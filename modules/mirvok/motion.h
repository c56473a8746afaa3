// The two motion detectors: each frame against a background that the GPU
// keeps between runs (or an external one), inside the activity region.
#pragma once

#include <vector>

#include "common_filter.h"
#include "stamped_frame.h"

namespace mirvok {

// What both detectors read and keep: the mask and external background frames,
// the background choice and mix ratio, the threshold.
class CMotionBase : public CGPUCommonFilter {
 public:
  using CGPUCommonFilter::CGPUCommonFilter;

 protected:
  // Inputs 2 to 6: mask, external background, dynamic background, ratio,
  // threshold. False (with its text) when a named frame cannot be had.
  bool ReadBackgroundInputs(const RunArgs& a);
  // The external background replaces the running one when it is given and
  // the dynamic background is off.
  bool ExternalInUse() const { return external_.inUse() && !useDynamic_; }
  bool UpdatesBackground() const { return !external_.inUse() || useDynamic_; }
  // A running background of the frame size, every texel (0.5, 0.5, 0.5, 1).
  GLuint CreateMidGreyBackground(GLenum unit);
  void SetProgramTexture(GLuint program, const char* name, int unit) const;

  StampedFrame mask_, external_;
  bool useDynamic_ = false;
  float ratio_ = 0.1f;
  float threshold_ = 0.5f;
  bool copyOutside_ = true;
  GLuint updateProgram_ = 0;
  GLint ratioLocation_ = -1;
};

class CGPUMotionDetection : public CMotionBase {
 public:
  using CMotionBase::CMotionBase;
  bool InitGL(int errLen, char16_t* errBuf) override;
  void Draw(const TRectangularRegion* region) override;
  void ReleaseExtra() override;
  // An empty colour target of the frame size with a framebuffer of its own.
  GLuint CreateMotionTarget(GLenum unit, int width, int height);

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 5; }
  bool ReadParameters(const RunArgs& a) override;
  void CreateObjects(const uint8_t* pixels) override;
  void RefillObjects(const uint8_t* pixels) override;
  void AfterBracket(const RunArgs& a) override;

 private:
  void CreateSizedObjects();
  void ReleaseSizedObjects();

  GLuint fbo_ = 0;
  GLuint motionTarget_ = 0;
  GLuint background_ = 0;
  int targetWidth_ = 0, targetHeight_ = 0;
  GLuint saltProgram_ = 0, finalProgram_ = 0;
  GLint motionThreshold_ = -1, isMask_ = -1, saltThreshold_ = -1, kernelLocation_ = -1, intensityLocation_ = -1;
  static constexpr float kHighlightKernel[9] = {0, 1, 0, 0, -2, 1, 0, 0, 0};
  float intensity_ = 1.0f;
  bool motionDetected_ = false;
  std::vector<uint8_t> readBack_;
};

class CGPUMotionDetectionFilter : public CMotionBase {
 public:
  using CMotionBase::CMotionBase;
  bool InitGL(int errLen, char16_t* errBuf) override;
  void Draw(const TRectangularRegion* region) override;
  void ReleaseExtra() override;
  // The running backgrounds, the render target and the two programs.
  bool Setup(int width, int height, int bpp, int errLen, char16_t* errBuf);

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 6; }
  bool ReadParameters(const RunArgs& a) override;
  void CreateObjects(const uint8_t* pixels) override;
  void RefillObjects(const uint8_t* pixels) override;

 private:
  void CreateSizedObjects();
  void UploadMask();

  // The running background and the one the next update draws into.
  GLuint backgrounds_[2] = {0, 0};
  int current_ = 0;
  int targetWidth_ = 0, targetHeight_ = 0;
  GLuint whiteMask_ = 0;
  GLint thresholdLocation_ = -1, colorLocation_ = -1, binaryLocation_ = -1;
  float color_[3] = {1, 1, 1};
  bool binary_ = false;
};

}  // namespace mirvok
