// Connected objects by threshold (method 15), colour (16) and texture (17),
// and the filling of small gaps (26): seeds from the host's region scan, a
// column scan-line fill on a fixed stack, border modes, centroids, sizes and
// the character of each object's distribution.
#pragma once

#include <cstdint>
#include <vector>

#include "measure.h"

namespace gantrel {

class CSpotCentroid : public CMeasure {
 public:
  explicit CSpotCentroid(int index);
  bool Run(const RunArgs& args) override;

  // The seed step of one pixel the region scan visits.
  void Seed(int x, int y, unsigned value);

  struct ObjectRecord {
    double cx, cy;
    int32_t count;
    double character;
    double minX, maxX, minY, maxY;
  };

  // The pixel tests of the growth; defined with the growth.
  struct ThresholdTest;
  struct ColorTest;
  struct TextureTest;

 private:
  enum Kind { kByThreshold, kByColor, kByTexture };
  static constexpr int kStackSize = 65536;
  struct StackEntry {
    int32_t x, y;
  };

  bool ReadInputs(const RunArgs& a);
  bool ReadColorInputs(const RunArgs& a);
  void PrepareOutputFrame();
  template <class Test>
  void Grow(int x, int y, const Test& test);
  bool InClip(int x, int y) const;
  bool TouchesRegionEdge(int x, int y) const;
  void FinishObject();
  void WriteOutputs(const RunArgs& a);

  Kind kind_;
  bool gaps_;  // method 26
  Frame* input_ = nullptr;
  int width_ = 0, depth_ = 0, bpp_ = 0;
  FrameRows in_, overlay_, output_;
  int level_ = 127;
  float deviation_ = 5.0f;
  bool negative_ = false;
  bool show_ = true;
  int drawingLevel_ = 1;
  int borderMode_ = 1;  // kept from run to run
  bool touchesBorder_ = false;
  bool tooComplicated_ = false;
  std::vector<uint32_t> labels_;  // 32-bit: a pass may grow more than 65,535 seeds
  std::vector<StackEntry> stack_;

  // The current pass.
  const TRectangularRegion* region_ = nullptr;
  float sine_ = 0.0f, cosine_ = 1.0f;
  bool clipToRegion_ = false;

  // The object being grown.
  uint32_t label_ = 0;
  int32_t pixels_ = 0;
  int32_t minPixels_ = 100, maxPixels_ = 100;
  double weightedX_ = 0, weightedY_ = 0, plainX_ = 0, plainY_ = 0;
  double weightSum_ = 0;  // double: a float loses whole units past 2^24
  int32_t minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;

  // Colour inputs.
  double hueTolerance_ = 10, greyTolerance_ = 0, greyTarget_ = 0;
  double brightnessTolerance_ = 1, saturationTolerance_ = 1;
  double lightnessRange_[2] = {}, saturationRange_[2] = {}, hueRange1_[2] = {}, hueRange2_[2] = {};
  bool greyMode_ = false;
  uint8_t objectColor_[4] = {}, backgroundColor_[4] = {}, drawColor_[4] = {};  // B, G, R, A
  bool objectColorGiven_ = false, backgroundColorGiven_ = false;
  bool paintOverlay_ = false;

  std::vector<ObjectRecord> records_;
};

}  // namespace gantrel
