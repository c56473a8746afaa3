// The C boundary of quisto. Handles are mixed: the method index for the
// stateless methods, a CFit object for the two fits. Live fit objects are
// registered so that any other handle is refused, never dereferenced.
#include <iterator>
#include <mutex>
#include <new>
#include <unordered_set>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "fit.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "run.h"

namespace quisto {
namespace {

constexpr RunFn kStateless[] = {
    RunMidpoint,         RunLength,          RunDistance,    RunDistanceLine, RunLinesIntersection, RunAngleLines,
    RunAggregatePoints,  RunAddPoint,        nullptr,        nullptr,         RunMassCenter,
};
static_assert(std::size(kStateless) == kMethodCount);

bool IsStateless(intptr_t handle) {
  return handle >= 0 && handle < kMethodCount && kStateless[handle] != nullptr;
}

std::mutex g_fitsMutex;
std::unordered_set<CFit*> g_fits;

CFit* LiveFit(intptr_t handle) {
  CFit* fit = reinterpret_cast<CFit*>(handle);
  std::lock_guard lock(g_fitsMutex);
  return g_fits.contains(fit) ? fit : nullptr;
}

}  // namespace
}  // namespace quisto

using quisto::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

// The index itself for the stateless methods, a new fit object for the fits;
// -1 when the object cannot be made (0 would be midpoint's handle).
MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex != quisto::kFitLine && methodIndex != quisto::kFitCircle) return methodIndex;
  quisto::CFit* fit = new (std::nothrow) quisto::CFit(methodIndex);
  if (!fit) return -1;
  try {
    std::lock_guard lock(quisto::g_fitsMutex);
    quisto::g_fits.insert(fit);
  } catch (...) {
    delete fit;
    return -1;
  }
  return reinterpret_cast<intptr_t>(fit);
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] {
    if (quisto::IsStateless(handle)) return quisto::kStateless[handle](args);
    quisto::CFit* fit = quisto::LiveFit(handle);
    if (!fit) return false;  // neither a method index nor a live fit object
    return fit->Run(args);
  });
}

MODULE_API void DoneMethod(intptr_t handle) {
  if (quisto::IsStateless(handle)) return;
  quisto::CFit* fit = reinterpret_cast<quisto::CFit*>(handle);
  {
    std::lock_guard lock(quisto::g_fitsMutex);
    if (quisto::g_fits.erase(fit) == 0) return;
  }
  delete fit;
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &quisto::Resources(); }

}  // extern "C"
