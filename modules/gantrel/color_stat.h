// Colour statistics of regions (method 27) and the comparison of a frame
// with a colour-coded mask (method 24).
#pragma once

#include <cstdint>

#include "measure.h"

namespace gantrel {

class CColorStat : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;

  // Scan callback: one pixel into the sums, minima and maxima.
  static bool CollectColorStatistics(void* user, int x, int y, unsigned value);

 private:
  int bpp_ = 0;
  // Per channel R, G, B, A; 64-bit sums, so that no region size overflows them.
  unsigned min_[4] = {}, max_[4] = {};
  int64_t sum_[4] = {};
  int64_t count_ = 0;
};

class CMaskCompare : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override;
};

}  // namespace gantrel
