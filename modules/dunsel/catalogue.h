// The catalogue of dunsel: three one-dimensional barcode readers and a Data
// Matrix reader, all in the category "Barcodes".
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace dunsel {

enum MethodIndex { kEan13 = 0, kCode128 = 1, kCode39 = 2, kDataMatrix = 3, kMethodCount = 4 };

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace dunsel
