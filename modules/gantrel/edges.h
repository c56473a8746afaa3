// Edges along the lines (method 3) or rings (method 4) of an array input.
#pragma once

#include <vector>

#include "line_samples.h"
#include "measure.h"

namespace gantrel {

class CEdges : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

 private:
  LineSamples samples_;
  std::vector<int> smoothed_;
};

}  // namespace gantrel
