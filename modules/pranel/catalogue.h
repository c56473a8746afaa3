// The catalogue of pranel: fourteen constructors of host data objects.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace pranel {

inline constexpr int kMethodCount = 14;

// Method indices, in catalogue order.
enum Method : int {
  kCoordinateSystem,
  kCoordinateSystem2Points,
  kRectangle,
  kRing,
  kRectangularRegion,
  kRingRegion,
  kPoint,
  kLine,
  kFlag,
  kNotFlag,
  kColor,
  kNumber,
  kString,
  kFrame,
};

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace pranel
