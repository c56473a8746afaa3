// The catalogue of oskvel: particle classification in a rectangular or a
// ring region.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace oskvel {

inline constexpr int kMethodCount = 2;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace oskvel
