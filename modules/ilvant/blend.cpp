// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunBlendFrame(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunBlendFrameAlpha(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
