// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunFalseColor(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
