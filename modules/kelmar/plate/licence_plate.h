// CMatchLicencePlate: "licence_plate" (method 6), locating number plates and
// reading their characters. The run splits the region's scan lines over one
// worker per processor (the last on the calling thread), takes the plate the
// first accepting worker wrote, completes and outputs the plate image, reads
// its characters and writes them in reading order. Buffers belong to the
// object and are kept between runs.
#pragma once

#include <cstdint>
#include <vector>

#include "catalogue.h"
#include "match.h"
#include "plate/plate_search.h"

namespace kelmar {

class CMatchLicencePlate : public CMatch {
 public:
  CMatchLicencePlate() : CMatch(kLicencePlate) {}
  bool Run(const frame::RunArgs& args) override;

  // Workers per run; 0 takes the machine's processor count.
  void setProcessorCount(int n) { processorOverride_ = n; }

 private:
  // The band runs of the starts firstStart + 20 k, each block's checked by
  // its worker; false when the workers could not be started.
  bool SearchFromStarts(const std::vector<plate::PlateSearchBlock>& blocks, int firstStart);
  bool Finish(const frame::RunArgs& args, bool show, int level);

  int processorOverride_ = 0;
  plate::PlateSearch search_;
  std::vector<plate::WorkerBuffers> buffers_;
  std::vector<int32_t> scores_;
};

}  // namespace kelmar
