// The C boundary of velkon: one object per method instance, created by
// InitMethod and destroyed by DoneMethod2 after its GPU objects are released.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/programs.h"
#include "incircle.h"
#include "module_api.h"

using velkon::kCatalogue;

extern "C" {

MODULE_API bool Init(void) {
  gpu::SetShaderModule(frame::ModuleHandle(), "");
  return kCatalogue.Init();
}

MODULE_API void Done(void) { kCatalogue.Done(); }

VISION_CATALOGUE_ENUMERATORS(kCatalogue)

VISION_SORT_EXPORT(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex != velkon::kIncircle && methodIndex != velkon::kOutcircle) return 0;
  return reinterpret_cast<intptr_t>(new (std::nothrow) velkon::CGPUIncircle(methodIndex));
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  if (!handle) return false;
  return frame::RunGuarded(args, [&] { return reinterpret_cast<velkon::CGPUIncircle*>(handle)->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  frame::DeleteAfter(reinterpret_cast<velkon::CGPUIncircle*>(handle), [&](auto& o) { o.Release(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &velkon::Resources(); }

}  // extern "C"
