// The C boundary of lomber. An instance is a CIPStep owned by the host's
// handle from InitMethod to DoneMethod.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "step.h"

using lomber::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

// A new step, or null past the last method or when it cannot be allocated.
MODULE_API intptr_t InitMethod(int methodIndex) {
  if (static_cast<unsigned>(methodIndex) >= static_cast<unsigned>(lomber::kMethodCount)) return 0;
  auto* step = new (std::nothrow) lomber::CIPStep;
  if (!step) return 0;
  step->SetType(methodIndex);
  return reinterpret_cast<intptr_t>(step);
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  const lomber::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  if (handle == 0 || handle == -1) return args.fail(u"Error: Step not initialized");
  return frame::RunGuarded(args, [&] { return reinterpret_cast<lomber::CIPStep*>(handle)->Run(args); },
                           {u"Error: Not enough memory", u"Error: Unexpected failure"});
}

MODULE_API void DoneMethod(intptr_t handle) {
  if (handle != 0 && handle != -1) delete reinterpret_cast<lomber::CIPStep*>(handle);
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &lomber::Resources(); }

}  // extern "C"
