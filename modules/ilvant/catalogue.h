// The catalogue of ilvant: 36 stateless frame operations in six categories.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace ilvant {

inline constexpr int kMethodCount = 36;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace ilvant
