// The C boundary of jorvel. An instance is a filter object; its handle is the
// object's address.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "filters.h"
#include "module_api.h"

namespace jorvel {
namespace {

using Factory = std::unique_ptr<CFilter> (*)(int);

constexpr Factory kFactories[kMethodCount] = {
    MakeConvolutionFilter,  // 0 blur
    MakeConvolutionFilter,  // 1 gaussian
    MakeConvolutionFilter,  // 2 laplacian_high_boost_1
    MakeConvolutionFilter,  // 3 laplacian_high_boost_2
    MakeConvolutionFilter,  // 4 laplacian_high_boost_3
    MakeConvolutionFilter,  // 5 mean
    MakeRankFilter,         // 6 median
    MakeRankFilter,         // 7 minimum
    MakeRankFilter,         // 8 maximum
    MakeRankFilter,         // 9 extreme
    MakeSkeletonFilter,     // 10 skeletonization
    MakeEdgeFilter,         // 11 edge
    MakeMorphologyFilter,   // 12 dilation
    MakeMorphologyFilter,   // 13 erosion
    MakeMorphologyFilter,   // 14 opening
    MakeMorphologyFilter,   // 15 closing
    MakeConvolutionFilter,  // 16 kernel_3x3
    MakeConvolutionFilter,  // 17 kernel_5x5
    MakeConvolutionFilter,  // 18 kernel
    MakeFlatFieldFilter,    // 19 flat_field
};

}  // namespace

std::unique_ptr<CFilter> MakeFilter(int method) {
  if (static_cast<unsigned>(method) >= static_cast<unsigned>(kMethodCount)) return nullptr;
  return kFactories[method](method);
}

}  // namespace jorvel

using jorvel::kCatalogue;

namespace {

// Handles that name no object: -1 for an unknown index, 0 for a failed creation.
bool NoObject(intptr_t handle) { return handle == -1 || handle == 0; }

}  // namespace

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (static_cast<unsigned>(methodIndex) >= static_cast<unsigned>(jorvel::kMethodCount)) return -1;
  try {
    return reinterpret_cast<intptr_t>(jorvel::MakeFilter(methodIndex).release());
  } catch (...) {
    return 0;
  }
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  if (NoObject(handle)) return false;
  const jorvel::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return reinterpret_cast<jorvel::CFilter*>(handle)->Run(args); });
}

MODULE_API void DoneMethod(intptr_t handle) {
  if (!NoObject(handle)) delete reinterpret_cast<jorvel::CFilter*>(handle);
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &jorvel::Resources(); }

}  // extern "C"
