// At most one edge point per scan line across a region: by threshold
// (method 5) or by gradient (method 6).
#pragma once

#include "line_samples.h"
#include "measure.h"

namespace gantrel {

class CProfile : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

 private:
  LineSamples samples_;
};

// The level input of the profile and radial searches: absent gives
// absentLevel; else the fraction is held to 0..1 and written back.
int StoredLevel(const RunArgs& a, int input, int absentLevel);

}  // namespace gantrel
