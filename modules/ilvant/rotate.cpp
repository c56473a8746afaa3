// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunRotate(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunTranslate(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
