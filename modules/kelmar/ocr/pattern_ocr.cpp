#include "ocr/pattern_ocr.h"

namespace kelmar {

bool CMatchOCR::Run(const frame::RunArgs& args) { return args.fail(kNotImplemented); }

}  // namespace kelmar
