// The element reader both runs use for their array inputs.
#pragma once

#include "frame/run_args.h"

namespace hoskin {

// Element of a number input; false when it cannot be named or fetched.
bool Number(const frame::RunArgs& a, const frame::ParamName& n, int element, double* out);

}  // namespace hoskin
