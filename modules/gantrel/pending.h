// The object of a method whose measurement is not available in this build.
#pragma once

#include "measure.h"

namespace gantrel {

class CPending : public CMeasure {
 public:
  using CMeasure::CMeasure;
  bool Run(const RunArgs& args) override { return args.fail(kNotImplemented); }
};

}  // namespace gantrel
