// The C boundary of oskvel. An instance is a CQualifierMain owned by the
// host's handle from InitMethod to DoneMethod.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/run_boundary.h"
#include "module_api.h"
#include "qualifier.h"

using oskvel::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

// -1 past the last method, null when the object cannot be made.
MODULE_API intptr_t InitMethod(int methodIndex) {
  if (static_cast<unsigned>(methodIndex) >= static_cast<unsigned>(oskvel::kMethodCount)) return -1;
  return reinterpret_cast<intptr_t>(new (std::nothrow) oskvel::CQualifierMain(methodIndex == 0));
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  // No object: nothing to run and nothing to say (a null handle is a failed creation).
  if (handle == -1 || handle == 0) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return reinterpret_cast<oskvel::CQualifierMain*>(handle)->Run(args); });
}

MODULE_API void DoneMethod(intptr_t handle) {
  if (handle != -1 && handle != 0) delete reinterpret_cast<oskvel::CQualifierMain*>(handle);
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &oskvel::Resources(); }

}  // extern "C"
