// Methods that this build does not offer yet answer false with a text.
#include "shapes_main.h"

namespace forvik {

bool CGeometricMatching::Run(const RunArgs& a) { return a.fail(kNotImplemented); }

}  // namespace forvik
