// The filters read their parameters by input position with the shared
// readers: defaults for missing inputs, range corrections reported as
// warnings, and the array warning.
#pragma once

#include "frame/input_params.h"

namespace mirvok {

using frame::ColorOf;
using frame::FlagOr;
using frame::IntInRange;
using frame::NumberOr;
using frame::RealInRange;
using frame::RunArgs;
using frame::WarnArray;

}  // namespace mirvok
