// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunRotate90Right(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunRotate90Left(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunRotate180(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunFlipHorizontal(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunFlipVertical(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
