// Edge defects (method 1): the border of an object is traced pixel by pixel,
// its direction followed over a sliding window, and the stretches where it
// turns by more than a damage threshold are reported.
#pragma once

#include <cstdint>
#include <vector>

#include "border/border_detection.h"
#include "measure.h"

namespace gantrel {

class CDefects : public CMeasure, public CBorderDetection {
 public:
  explicit CDefects(int index) : CMeasure(index) {}
  bool Run(const RunArgs& args) override;

  // Signed turn from one direction to the next, in degrees, within -180..180.
  static float Turn(float from, float to);

 private:
  bool EnsureMarkFrame(int width, int depth);
  // The border's direction in degrees over the window of n trace pixels
  // ending at pixel i (i >= n).
  float Direction(int i, int n) const;

  int frameWidth_ = 0, frameDepth_ = 0;
  std::vector<uint64_t> markStore_;  // the mark frame, header included
  std::vector<int> traceX_, traceY_;
  std::vector<float> directions_, turns_;
  std::vector<TLine> defects_;
};

}  // namespace gantrel
