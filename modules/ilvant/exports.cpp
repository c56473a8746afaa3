// The C boundary of ilvant. Instances are stateless: the handle is the
// method index, and a run is dispatched through a constant table.
#include <iterator>
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "run.h"

namespace ilvant {
namespace {

constexpr RunFn kRunFunctions[] = {
    RunSimpleThreshold,        // 0
    RunColorToMonochrome,      // 1
    RunColorToMonochromeAvg,   // 2
    RunMonochromeToColor,      // 3
    RunCopyFrame,              // 4
    RunSplitRGB,               // 5
    RunCombineRGB,             // 6
    RunSplitHSL,               // 7
    RunCombineHSL,             // 8
    RunRotate90Right,          // 9
    RunRotate90Left,           // 10
    RunRotate180,              // 11
    RunRotate,                 // 12
    RunTranslate,              // 13
    RunCrop,                   // 14
    RunFlipHorizontal,         // 15
    RunFlipVertical,           // 16
    RunDownsample,             // 17
    RunOversample,             // 18
    RunResize,                 // 19
    RunInverse,                // 20
    RunAddConst,               // 21
    RunMultConst,              // 22
    RunAddFrame,               // 23
    RunSubFrame,               // 24
    RunPasteMask,              // 25
    RunBlendFrame,             // 26
    RunBlendFrameAlpha,        // 27
    RunLinePixelCount,         // 28
    RunRegionPixelCount,       // 29
    RunFalseColor,             // 30
    RunMasking,                // 31
    RunGetPixel,               // 32
    RunPutPixel,               // 33
    RunPutRegion,              // 34
    RunHistogramEqualization,  // 35
};
static_assert(std::size(kRunFunctions) == kMethodCount);

}  // namespace
}  // namespace ilvant

using ilvant::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)
VISION_SORT_WITH_PROPERTIES_EXPORT(kCatalogue)

// The instance is the index itself, unchecked.
MODULE_API intptr_t InitMethod(int methodIndex) { return methodIndex; }

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // A handle past the last method names no method: nothing runs and, as for
  // an invalid instance of any module, the answer is false without a text.
  if (static_cast<uintptr_t>(handle) >= std::size(ilvant::kRunFunctions)) return false;
  const ilvant::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return ilvant::kRunFunctions[handle](args); });
}

MODULE_API void DoneMethod(intptr_t) {}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &ilvant::Resources(); }

}  // extern "C"
