// Edge points along the spokes of a ring region: by threshold (method 13) or
// by gradient (method 14), with the missing spokes optionally filled in.
#pragma once

#include <cstdint>
#include <vector>

#include "line_samples.h"
#include "measure.h"

namespace gantrel {

class CRadial : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

  struct Point {
    int32_t x, y, spoke, transition;
  };

 private:
  LineSamples samples_;
  std::vector<Point> points_;
  std::vector<uint8_t> foundOnSpoke_;
};

}  // namespace gantrel
