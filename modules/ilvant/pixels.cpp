// Placeholder until this family is built.
#include "run.h"

namespace ilvant {

bool RunGetPixel(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunPutPixel(const RunArgs& a) { return a.fail(kNotImplemented); }
bool RunPutRegion(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace ilvant
