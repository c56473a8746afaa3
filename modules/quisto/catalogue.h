// The catalogue of quisto: eleven geometric methods on points and lines.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace quisto {

inline constexpr int kMethodCount = 11;
inline constexpr int kFitLine = 8;
inline constexpr int kFitCircle = 9;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace quisto
