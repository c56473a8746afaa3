// The catalogue of yorvin: one method, the two-dimensional FFT.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace yorvin {

extern const frame::Catalogue kCatalogue;
const ModuleResourceTable& Resources();

}  // namespace yorvin
