// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunColorToMonochrome(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunColorToMonochromeAvg(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunMonochromeToColor(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunSplitRGB(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunCombineRGB(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunSplitHSL(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunCombineHSL(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
