// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunDownsample(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunOversample(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunResize(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
