// The catalogue of velkon: the largest inscribed and the smallest enclosing
// circle of the object of a frame.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace velkon {

enum MethodIndex { kIncircle = 0, kOutcircle = 1 };

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace velkon
