// The four full-frame filter classes: colour filtration in HSL space, local
// thresholding into grey levels, and the iterated noise reduction and shock
// filters.
#pragma once

#include "common_filter.h"

namespace mirvok {

class CGPUHSLFilter : public CGPUCommonFilter {
 public:
  using CGPUCommonFilter::CGPUCommonFilter;
  bool InitGL(int errLen, char16_t* errBuf) override;
  void SetUniforms() override;

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 0; }
  bool ReadParameters(const RunArgs& a) override;

 private:
  enum { kColor, kForeground, kBackground, kTolerance, kMinL, kMaxL, kMinS, kMaxS, kLocations };
  GLint locations_[kLocations] = {-1, -1, -1, -1, -1, -1, -1, -1};
  float hue_ = 0, saturation_ = 0.5f, lightness_ = 0.5f;
  float foreground_[3] = {-1, 0, 0};
  float background_[3] = {-1, 1, 1};
  float tolerance_ = 5, minLightness_ = 0, maxLightness_ = 1, minSaturation_ = 0, maxSaturation_ = 1;
};

class CGPUGrayscaleFilter : public CGPUCommonFilter {
 public:
  using CGPUCommonFilter::CGPUCommonFilter;
  bool InitGL(int errLen, char16_t* errBuf) override;
  void SetUniforms() override;

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 2; }
  bool ReadParameters(const RunArgs& a) override;

 private:
  enum { kRed, kGreen, kBlue, kLevels, kThreshold, kArea, kSensitivity, kNegative, kLocations };
  GLint locations_[kLocations] = {-1, -1, -1, -1, -1, -1, -1, -1};
  float red_ = 0, green_ = 0, blue_ = 0;
  int levels_ = 1;
  float threshold_ = 0.5f;
  int area_ = 15;
  float sensitivity_ = 0.05f;
  bool negative_ = false;
};

// A filter drawn a number of times, each pass reading the previous one's
// result: the passes but the last alternate between two float textures of a
// framebuffer of the class's own, the last draws into the host's framebuffer.
class CIteratedFilter : public CGPUCommonFilter {
 public:
  using CGPUCommonFilter::CGPUCommonFilter;
  void Draw(const TRectangularRegion* region) override;
  void ReleaseExtra() override;
  // The source texture and the framebuffer with its two pass textures.
  GLuint CreateSourceTexture(GLenum unit, int width, int height, int bpp, const uint8_t* pixels);

 protected:
  void CreateObjects(const uint8_t* pixels) override;
  // Reads the iteration count of input 2 (1..100, default 5).
  void ReadIterations(const RunArgs& a);
  int iterations_ = 5;

 private:
  void CreatePassTextures();
  GLuint fbo_ = 0;
  GLuint passTextures_[2] = {0, 0};
  int passWidth_ = 0, passHeight_ = 0;
};

class CGPUDenoiseFilter : public CIteratedFilter {
 public:
  using CIteratedFilter::CIteratedFilter;
  bool InitGL(int errLen, char16_t* errBuf) override;
  void SetUniforms() override;

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 1; }
  bool ReadParameters(const RunArgs& a) override;

 private:
  GLint locations_[4] = {-1, -1, -1, -1};
};

class CGPUShockFilter : public CIteratedFilter {
 public:
  using CIteratedFilter::CIteratedFilter;
  bool InitGL(int errLen, char16_t* errBuf) override;
  void SetUniforms() override;

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 3 || methodIndex == 4; }
  bool ReadParameters(const RunArgs& a) override;

 private:
  GLint intensityLocation_ = -1;
  float intensity_ = 0.5f;
};

}  // namespace mirvok
