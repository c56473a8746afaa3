#include "latin/latin_ocr.h"

namespace kelmar {

bool CMatchLatinOCR::Run(const frame::RunArgs& args) { return args.fail(kNotImplemented); }

}  // namespace kelmar
