// The catalogue of pranel: fourteen constructors of host data objects.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace pranel {

inline constexpr int kMethodCount = 14;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace pranel
