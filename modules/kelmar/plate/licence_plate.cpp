#include "plate/licence_plate.h"

namespace kelmar {

bool CMatchLicencePlate::Run(const frame::RunArgs& args) { return args.fail(kNotImplemented); }

}  // namespace kelmar
