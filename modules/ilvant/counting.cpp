// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunLinePixelCount(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunRegionPixelCount(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
