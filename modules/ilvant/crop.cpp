// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunCrop(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
