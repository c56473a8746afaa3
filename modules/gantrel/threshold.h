// Two-valued frames: at a given level (18), at a level chosen from the
// histogram (19 by a share of dark pixels, 20 by the between-class variance,
// 21 by the flank of a one-peaked histogram) and against the local mean (22).
#pragma once

#include <cstdint>
#include <vector>

#include "measure.h"

namespace gantrel {

// The axis-parallel box around a region, clamped to the frame.
struct CropBox {
  int left = 0, right = -1, top = 0, bottom = -1;
  bool empty() const { return left > right || top > bottom; }
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};
CropBox CropBoxOf(const TRectangularRegion& r, int width, int depth);

// Level rules on a 256-bin histogram; -1 and false for "unsuitable".
int RateLevel(const unsigned* h, float rate);
int BetweenClassLevel(const unsigned* h);
bool FlankLevel(const unsigned* h, int* level);

class CThreshold : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

 private:
  std::vector<uint8_t> workA_, workB_;  // box-mean passes and crop copies
  // The local rule of 8-bit frames for the level and sensitivity it was made at.
  std::vector<uint8_t> table_;
  int tableLevel_ = 0;
  float tableSensitivity_ = 0;
};

}  // namespace gantrel
