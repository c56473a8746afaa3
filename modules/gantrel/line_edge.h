// Straight edges in a rectangular region from edge points on parallel scan
// lines: a least-squares fit (methods 7 to 10) or a vote over angle and
// distance (methods 11 and 12).
#pragma once

#include <cstdint>
#include <vector>

#include "line_samples.h"
#include "measure.h"

namespace gantrel {

// One edge point: pixel (or swapped) coordinates, its scan line and its
// ordinal on that line.
struct EdgePoint {
  int32_t x, y, line, ordinal;
};

// How the edge points of a run are found.
struct EdgeFinder {
  bool byThreshold;
  int level;
  int length;  // minimum length of object, or maximum length of transient
  bool negative;
  bool allTransitions;
  bool swap;  // store (y, x)
  bool draw;  // a circle at every point (drawing role 4)
};

class CLine : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

 protected:
  // Edge points on `lines` scan lines across the region (null: the frame).
  void FindEdgePoints(const RunArgs& a, const Frame* frame, const TRectangularRegion* region, int lines,
                      const EdgeFinder& f);

  LineSamples samples_;
  std::vector<EdgePoint> points_;
};

class CBestLine : public CLine {
 public:
  using CLine::CLine;
  bool Run(const RunArgs& args) override;

 private:
  std::vector<float> sin_, cos_;
  float tableStep_ = 0.5f;
  int tableH_ = 0;  // hundredths step the tables were built for; 0: none
  std::vector<int32_t> votes_;
};

}  // namespace gantrel
