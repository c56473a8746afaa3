// The catalogue of jorvel: twenty full-frame image filters.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace jorvel {

inline constexpr int kMethodCount = 20;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace jorvel
