// The two motion detectors: each frame against a background the GPU keeps
// between runs.
#pragma once

#include "common_filter.h"

namespace mirvok {

class CGPUMotionDetection : public CGPUCommonFilter {
 public:
  using CGPUCommonFilter::CGPUCommonFilter;
  bool Run(const RunArgs& a) override { return a.fail(u"error: Method not implemented"); }

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 5; }
  bool ReadParameters(const RunArgs&) override { return false; }
};

class CGPUMotionDetectionFilter : public CGPUCommonFilter {
 public:
  using CGPUCommonFilter::CGPUCommonFilter;
  bool Run(const RunArgs& a) override { return a.fail(u"error: Method not implemented"); }

 protected:
  bool Serves(int methodIndex) const override { return methodIndex == 6; }
  bool ReadParameters(const RunArgs&) override { return false; }
};

}  // namespace mirvok
