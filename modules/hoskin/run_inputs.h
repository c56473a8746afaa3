// Inputs both methods read the same way.
#pragma once

#include <cstdint>

#include "frame/run_args.h"
#include "talvix.h"

namespace hoskin {

// v truncated towards zero, saturated to the int32 range (NaN gives 0).
int32_t Truncated(double v);
// Element of a number input; false when it cannot be named or fetched.
bool Number(const frame::RunArgs& a, const frame::ParamName& n, int element, double* out);
// The region input, null (the whole frame) when there is none.
TRectangularRegion* ScannedRegion(const frame::RunArgs& a, int input);
// A drawing option truncated to an integer and bounded to 0..highest with a
// warning; 0 when absent.
int32_t DrawOption(const frame::RunArgs& a, int input, int highest);
// The "draw outputs" flag, set when absent.
uint8_t DrawFlag(const frame::RunArgs& a, int input);

}  // namespace hoskin
