// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunSimpleThreshold(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunInverse(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunAddConst(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunMultConst(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunAddFrame(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunSubFrame(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
