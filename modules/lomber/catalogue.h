// The catalogue of lomber: eight colour methods served by one step class.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace lomber {

inline constexpr int kMethodCount = 8;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace lomber
