#include "ocr/dir_text.h"

namespace kelmar {

bool CMatchDirText::Run(const frame::RunArgs& args) { return args.fail(kNotImplemented); }

}  // namespace kelmar
