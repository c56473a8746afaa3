// The catalogue of kelmar: pattern matching, character recognition against a
// trained pattern, Latin and number-plate reading, and text direction.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace kelmar {

// Method indexes, in catalogue order.
enum MethodIndex : int {
  kPatternMatchMonochrome = 0,
  kPatternMatchColor = 1,
  kLatinOcr = 2,
  kPatternOcr = 3,
  kSimpleOcr = 4,
  kTextAngle = 5,
  kLicencePlate = 6,
};

inline constexpr int kMethodCount = 7;

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace kelmar
