// The catalogue of quisto: eleven geometric methods on points and lines.
#pragma once

#include "frame/catalogue.h"
#include "talvix_types.h"

namespace quisto {

inline constexpr int kMethodCount = 11;
inline constexpr int kMidpoint = 0;
inline constexpr int kLength = 1;
inline constexpr int kDistance = 2;
inline constexpr int kDistanceLine = 3;
inline constexpr int kLinesIntersection = 4;
inline constexpr int kAngleLines = 5;
inline constexpr int kAggregatePoints = 6;
inline constexpr int kAddPoint = 7;
inline constexpr int kFitLine = 8;
inline constexpr int kFitCircle = 9;
inline constexpr int kMassCenter = 10;

extern const frame::Catalogue kCatalogue;

const ModuleResourceTable& Resources();

}  // namespace quisto
