// The C boundary of pranel. Instances are stateless: the handle is the
// method index.
#include <iterator>
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "element_run.h"
#include "frame/run_boundary.h"
#include "module_api.h"

namespace pranel {
namespace {

constexpr RunFn kRunFunctions[] = {
    RunCoordinateSystem, RunCoordinateSystem2Points, RunRectangle, RunRing,  RunRectangularRegion,
    RunRingRegion,       RunPoint,                   RunLine,      RunFlag,  RunNotFlag,
    RunColor,            RunNumber,                  RunString,    RunFrame,
};
static_assert(std::size(kRunFunctions) == kMethodCount);

}  // namespace
}  // namespace pranel

using pranel::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) { return methodIndex; }

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // An index past the last method does nothing and answers true.
  if (static_cast<uintptr_t>(handle) >= std::size(pranel::kRunFunctions)) return true;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return pranel::kRunFunctions[handle](args); });
}

MODULE_API void DoneMethod(intptr_t) {}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &pranel::Resources(); }

}  // extern "C"
