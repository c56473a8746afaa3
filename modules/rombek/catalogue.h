// The catalogue of rombek: four statistics of the pixels of a region.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace rombek {

inline constexpr int kMethodCount = 4;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace rombek
