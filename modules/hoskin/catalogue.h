// The catalogue of hoskin: one offered method, "gpu_barcode"; a second,
// unlisted method (index 1) answers the parameter enumerators too.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace hoskin {

enum MethodIndex : int { kBarcodeMethod = 0, kPatternMethod = 1 };

// The offered methods (index 0 only): method enumerators.
extern const frame::Catalogue kCatalogue;
// Both methods: categories, inputs and outputs.
extern const frame::Catalogue kParameters;

// Icons in the order Init fetches and Done gives them back: 1001, 1002, 1003, 1000.
inline constexpr int kIconNumbers[4] = {1001, 1002, 1003, 1000};
extern HostIcon gIcons[4];

const ModuleResourceTable& Resources();

}  // namespace hoskin
