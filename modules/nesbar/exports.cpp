// The C boundary of nesbar: each instance is a matcher object.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/programs.h"
#include "match.h"
#include "module_api.h"

using nesbar::kCatalogue;

extern "C" {

MODULE_API bool Init(void) {
  gpu::SetShaderModule(frame::ModuleHandle(), "");
  return kCatalogue.Init();
}
MODULE_API void Done(void) { kCatalogue.Done(); }

VISION_CATALOGUE_ENUMERATORS(kCatalogue)
VISION_SORT_EXPORT(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex < 0 || methodIndex >= nesbar::kMethodCount) return 0;
  return reinterpret_cast<intptr_t>(new (std::nothrow) nesbar::CGPUMatch(methodIndex));
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  auto* m = reinterpret_cast<nesbar::CGPUMatch*>(handle);
  if (!m) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return m->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  frame::DeleteAfter(reinterpret_cast<nesbar::CGPUMatch*>(handle), [&](auto& o) { o.ReleaseGL(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &nesbar::Resources(); }

}  // extern "C"
