// The C boundary of selvor. Instances are stateless: the handle is the
// method index.
#include <iterator>
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "run.h"
#include "frame/run_boundary.h"
#include "module_api.h"

namespace selvor {
namespace {

constexpr RunFn kRunFunctions[] = {
    RunDrawPoint,  RunDrawLine,   RunDrawRectangle, RunDrawCircle,   RunDrawRing,     RunDrawCoordinateSystem,
    RunDrawString, RunDrawNumber, RunDrawFlag,      RunDrawColor,    RunDrawColorBox, RunDrawToFrame,
};
static_assert(std::size(kRunFunctions) == kMethodCount);

}  // namespace
}  // namespace selvor

using selvor::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) { return methodIndex; }

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // An index past the last method does nothing and answers true.
  if (static_cast<uintptr_t>(handle) >= std::size(selvor::kRunFunctions)) return true;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return selvor::kRunFunctions[handle](args); });
}

MODULE_API void DoneMethod(intptr_t) {}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &selvor::Resources(); }

}  // extern "C"
