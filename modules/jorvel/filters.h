// The filter classes, one per method, and the factory InitMethod uses.
#pragma once

#include <memory>

#include "filter.h"

namespace jorvel {

// A new filter object for method index (0..19), null for any other index.
std::unique_ptr<CFilter> MakeFilter(int method);

// Per family (convolution_filters.cpp, edge.cpp, morphology_filters.cpp,
// skeleton_filter.cpp, rank_filters.cpp, flat_field.cpp).
std::unique_ptr<CFilter> MakeConvolutionFilter(int method);
std::unique_ptr<CFilter> MakeEdgeFilter(int method);
std::unique_ptr<CFilter> MakeMorphologyFilter(int method);
std::unique_ptr<CFilter> MakeSkeletonFilter(int method);
std::unique_ptr<CFilter> MakeRankFilter(int method);
std::unique_ptr<CFilter> MakeFlatFieldFilter(int method);

}  // namespace jorvel
