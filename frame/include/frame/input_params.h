// Inputs read by position: element 0, a default when the input is missing,
// range corrections reported as warnings, and (when asked) the warning that
// only element 0 is used.
#pragma once

#include <string_view>

#include "frame/catalogue.h"
#include "frame/run_args.h"
#include "talvix.h"

namespace frame {

// The position of the input listed as `name`; -1 when there is none.
int InputPosition(std::span<const InputEntry> inputs, std::u16string_view name);

// The name of the input that a method's catalogue entries list as `name`,
// fetched by that input's position; not ok when the method has no such input.
ParamName InputNamed(const RunArgs& a, std::span<const InputEntry> inputs, std::u16string_view name);

// A double truncated toward zero and saturated to the int range; NaN is 0.
// Every host number that becomes an int goes through here.
int TruncateToInt(double v);

// Warns (when asked) that only element 0 of input i is used.
void WarnArray(const RunArgs& a, int i);
// Input i as a number; the default when missing or not a number. No range.
double NumberOr(const RunArgs& a, int i, double fallback, bool warnArray);
// Input i as a real in [lo, hi]; out-of-range values become the nearer bound
// and are reported with the real correction warning.
float RealInRange(const RunArgs& a, int i, double fallback, double lo, double hi, bool warnArray);
// Input i truncated toward zero into [lo, hi], reported with the integer
// correction warning.
int IntInRange(const RunArgs& a, int i, int fallback, int lo, int hi, bool warnArray);
bool FlagOr(const RunArgs& a, int i, bool fallback, bool warnArray);
// The colour of input i; false (and *out untouched) when missing.
bool ColorOf(const RunArgs& a, int i, TColor* out, bool warnArray);
// The region of input i; false (and *out untouched) when missing.
bool RegionOf(const RunArgs& a, int i, TRectangularRegion* out, bool warnArray);

}  // namespace frame
