// The weighted centroid of the pixels on one side of a level (method 2) and
// the fill of the spots around given points (method 25).
#pragma once

#include <cstdint>
#include <vector>

#include "measure.h"

namespace gantrel {

class CCentroid : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;
};

class CFillSpot : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

 private:
  // Column scan-line fill from one seed; false when the stack ran full.
  bool FillSpotFromSeed(int x, int y);
  bool InSpot(int x, int y) const;
  void Fill(int x, int y);

  static constexpr int kStackSize = 65536;
  struct StackEntry {
    int16_t x, y;
  };

  Frame* frame_ = nullptr;
  int width_ = 0, depth_ = 0, bpp_ = 0;
  int level_ = 127;
  bool negative_ = false;
  int64_t filled_ = 0;
  FrameRows output_, overlay_;
  uint8_t fill_[4] = {};  // B, G, R, A
  uint8_t greyFill_ = 0;
  uint8_t mark_[4] = {};  // B, G, R, A
  std::vector<uint8_t> visited_;
  std::vector<StackEntry> stack_;
};

// A level input with the shared corrections: absent 127; x 255 truncated;
// 256 or more and below 0 are warned and held.
int WarnedLevel(const RunArgs& a, int input);

// The point's user coordinates as "[x, y]" 20 pixels above it.
void DrawCoordinates(const RunArgs& a, double px, double py, TColor color);

// The colour's channels x 255, truncated, as bytes B, G, R, A.
void ColorBytes(const TColor& c, uint8_t out[4]);

}  // namespace gantrel
