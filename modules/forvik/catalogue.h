// The catalogue of forvik: shape detection, calipers and geometric matching.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace forvik {

inline constexpr int kMethodCount = 8;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace forvik
