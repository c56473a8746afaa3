// The C boundary of yorvin: one FFT object per instance.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/programs.h"
#include "gpu_fft.h"
#include "module_api.h"

using yorvin::kCatalogue;

extern "C" {

MODULE_API bool Init(void) {
  gpu::SetShaderModule(frame::ModuleHandle(), "");
  return kCatalogue.Init();
}

MODULE_API void Done(void) { kCatalogue.Done(); }

VISION_CATALOGUE_ENUMERATORS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex != 0) return 0;
  return reinterpret_cast<intptr_t>(new (std::nothrow) yorvin::CGPUFFT());
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  if (!handle) return false;
  return frame::RunGuarded(args, [&] { return reinterpret_cast<yorvin::CGPUFFT*>(handle)->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  frame::DeleteAfter(reinterpret_cast<yorvin::CGPUFFT*>(handle), [&](auto& o) { o.Release(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &yorvin::Resources(); }

}  // extern "C"
