// The C boundary of gantrel. Every method is an object: the instance handle
// is its address, created by InitMethod and deleted by DoneMethod.
#include <iterator>
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "color_stat.h"
#include "defects.h"
#include "edges.h"
#include "line_edge.h"
#include "measure.h"
#include "objects.h"
#include "module_api.h"
#include "profile.h"
#include "radial.h"
#include "segment.h"
#include "spot.h"
#include "threshold.h"

namespace gantrel {
namespace {

using Factory = CMeasure* (*)(int index);

template <class C>
CMeasure* Make(int index) {
  return new (std::nothrow) C(index);
}

// The class of each method index.
constexpr Factory kClasses[] = {
    Make<CSegment>,  // 0 segments between borders
    Make<CDefects>,  // 1 edge defects
    Make<CCentroid>, // 2 centroid
    Make<CEdges>,    // 3
    Make<CEdges>,    // 4
    Make<CProfile>,  // 5
    Make<CProfile>,  // 6
    Make<CLine>,     // 7 straight edge
    Make<CLine>,     // 8
    Make<CLine>,     // 9
    Make<CLine>,     // 10
    Make<CBestLine>, // 11 best line
    Make<CBestLine>, // 12
    Make<CRadial>,   // 13
    Make<CRadial>,   // 14
    Make<CSpotCentroid>,// 15 objects
    Make<CSpotCentroid>,// 16
    Make<CSpotCentroid>,// 17
    Make<CThreshold>,// 18 thresholds
    Make<CThreshold>,// 19
    Make<CThreshold>,// 20
    Make<CThreshold>,// 21
    Make<CThreshold>,// 22
    Make<CLineProfile>,// 23 line profile
    Make<CMaskCompare>,// 24 mask comparison
    Make<CFillSpot>, // 25 spot fill
    Make<CSpotCentroid>,// 26 gap filling
    Make<CColorStat>,// 27 colour statistics
};
static_assert(std::size(kClasses) == kMethodCount);

constexpr intptr_t kNoInstance = -1;

}  // namespace
}  // namespace gantrel

using gantrel::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)
VISION_SORT_EXPORT(kCatalogue)
VISION_SORT_WITH_PROPERTIES_EXPORT(kCatalogue)

// A new method object; -1 for an index past the last method, null when the
// memory cannot be had.
MODULE_API intptr_t InitMethod(int methodIndex) {
  if (static_cast<unsigned>(methodIndex) >= std::size(gantrel::kClasses)) return gantrel::kNoInstance;
  return reinterpret_cast<intptr_t>(gantrel::kClasses[methodIndex](methodIndex));
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // -1 and null name no instance: false without a text.
  if (handle == gantrel::kNoInstance || handle == 0) return false;
  const gantrel::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return reinterpret_cast<gantrel::CMeasure*>(handle)->Run(args); });
}

MODULE_API void DoneMethod(intptr_t handle) {
  if (handle == gantrel::kNoInstance || handle == 0) return;
  delete reinterpret_cast<gantrel::CMeasure*>(handle);
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &gantrel::Resources(); }

}  // extern "C"
