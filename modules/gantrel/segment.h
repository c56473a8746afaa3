// Segments between borders along parallel scan lines (method 0) and the
// colour profile along a line (method 23).
#pragma once

#include <vector>

#include "measure.h"

namespace gantrel {

class CSegment : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

  // The state machine of one sample of the current scan line.
  void Track(double x, double y, unsigned value);

 private:
  void StartLine();

  int thresholdLevel_ = 127;
  bool negative_ = false;
  int minSegmentLength_ = 1, minBorderLength_ = 1;
  int borderRun_ = 0, freeRun_ = 0;
  bool inBorderRun_ = false, borderFound_ = false, onBorder_ = false, inSegment_ = false;
  int lineSegmentCount_ = 0;
  bool segmentClosed_ = true, sawSamples_ = false;
  std::vector<TLine> lineSegments_;  // of the current scan line
  TPoint segmentStart_{}, segmentEndCandidate_{}, previousPosition_{};
  std::vector<TLine> segments_;
  std::vector<double> segmentLengths_;
};

class CLineProfile : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

  void Collect(unsigned value);

 private:
  int bitsPerPixel_ = 8;
  std::vector<float> red_, green_, blue_;
};

}  // namespace gantrel
