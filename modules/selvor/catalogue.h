// The catalogue of selvor: twelve drawing methods, no outputs.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace selvor {

inline constexpr int kMethodCount = 12;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace selvor
