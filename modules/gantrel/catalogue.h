// The catalogue of gantrel: 28 measurement methods in four categories, with a
// second place for the colour statistics.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace gantrel {

inline constexpr int kMethodCount = 28;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace gantrel
