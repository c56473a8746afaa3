// The catalogue of kestan: nine GPU keypoint methods in one category.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace kestan {

enum Method {
  kKeypoint,
  kFeatureSave,
  kFeatureSaveData,
  kFeatureMatch,
  kFeatureMatchData,
  kMultipleFeatureMatch,
  kMultipleFeatureMatchData,
  kKeypointMatch,
  kKeypointMatchData,
  kMethodCount
};

extern const frame::Catalogue kCatalogue;

// The icons the catalogue names, as the module's resource table.
const ModuleResourceTable& Resources();

}  // namespace kestan
