#include "pattern/pattern_match.h"

namespace kelmar {

bool CPatternMatch::Run(const frame::RunArgs& args) { return args.fail(kNotImplemented); }

}  // namespace kelmar
