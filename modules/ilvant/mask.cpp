// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunPasteMask(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunMasking(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
