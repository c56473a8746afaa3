// The catalogue of tarnis: one GPU filter, Haar gradient pictures.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace tarnis {

inline constexpr int kMethodCount = 1;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace tarnis
