// The C boundary of tarnis: one object per method instance, created by
// InitMethod and destroyed by DoneMethod2 after its GPU objects are released.
#include <new>

#include "catalogue.h"
#include "detector.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/programs.h"
#include "module_api.h"

using tarnis::kCatalogue;

extern "C" {

MODULE_API bool Init(void) {
  gpu::SetShaderModule(frame::ModuleHandle(), "");
  return kCatalogue.Init();
}

MODULE_API void Done(void) { kCatalogue.Done(); }

VISION_CATALOGUE_ENUMERATORS(kCatalogue)

VISION_SORT_EXPORT(kCatalogue)

// The plain sort enumerator gives 10; this one gives 0.
MODULE_API bool EnumerateMethodsSortWithProperties(int index, int idLen, char16_t* idBuf, int descLen,
                                                   char16_t* descBuf, HostIcon* icon, bool* gpuFlag, int* sortKey,
                                                   int* properties) {
  const bool ok = kCatalogue.EnumerateMethodsSortWithProperties(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag,
                                                                sortKey, properties);
  if (ok && sortKey) *sortKey = 0;
  return ok;
}

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex != 0) return 0;
  return reinterpret_cast<intptr_t>(new (std::nothrow) tarnis::CHaarDetector());
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  auto* d = reinterpret_cast<tarnis::CHaarDetector*>(handle);
  if (!d) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return d->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  frame::DeleteAfter(reinterpret_cast<tarnis::CHaarDetector*>(handle), [&](auto& o) { o.Release(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &tarnis::Resources(); }

}  // extern "C"
