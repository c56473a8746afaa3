// The catalogue of mirvok: five GPU full-frame filters and two motion
// detectors.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace mirvok {

inline constexpr int kMethodCount = 7;

enum MethodIndex {
  kHslFilter = 0,
  kDenoiseFilter = 1,
  kGrayscaleFilter = 2,
  kShockSharpen = 3,
  kShockMorphologic = 4,
  kMotionDetection = 5,
  kMotionDetectionFilter = 6,
};

extern const frame::Catalogue kCatalogue;

// Colour inputs have no property string of their own: their property buffer
// is left as the host passed it.
bool PropertiesLeftAlone(int methodIndex, int paramIndex);

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace mirvok
