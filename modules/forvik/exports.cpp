// The C boundary of forvik. An instance is a method object; no exception
// crosses into the host.
#include <cstdint>
#include <iterator>
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "shapes_main.h"

using forvik::kCatalogue;

namespace {

constexpr intptr_t kNoInstance = -1;

using Factory = forvik::CShapesMain* (*)();

template <class T, auto... kArgs>
forvik::CShapesMain* Make() {
  return new (std::nothrow) T(kArgs...);
}

// One factory per method index; the calipers differ in their inner flag.
constexpr Factory kFactories[] = {
    Make<forvik::CGeometricMatching>,          // 0
    Make<forvik::CLineDetectionByContour>,     // 1
    Make<forvik::CCircleDetectionByContour>,   // 2
    Make<forvik::CRingDetectionByContour>,     // 3
    Make<forvik::CCaliper, true>,              // 4 inner
    Make<forvik::CCaliper, false>,             // 5 outer
    Make<forvik::CLineDetectionByThreshold>,   // 6
    Make<forvik::CCircleDetectionByThreshold>, // 7
};
static_assert(std::size(kFactories) == forvik::kMethodCount);

}  // namespace

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

// -1 for an index outside the catalogue (compared as unsigned), null when the
// object cannot be allocated.
MODULE_API intptr_t InitMethod(int methodIndex) {
  const unsigned index = static_cast<unsigned>(methodIndex);
  if (index >= static_cast<unsigned>(forvik::kMethodCount)) return kNoInstance;
  return reinterpret_cast<intptr_t>(kFactories[index]());
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // Neither -1 nor the null of a failed allocation is an instance.
  if (handle == kNoInstance || handle == 0) return false;
  const forvik::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return reinterpret_cast<forvik::CShapesMain*>(handle)->Run(args); });
}

MODULE_API void DoneMethod(intptr_t handle) {
  if (handle == kNoInstance || handle == 0) return;
  delete reinterpret_cast<forvik::CShapesMain*>(handle);
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &forvik::Resources(); }

}  // extern "C"
