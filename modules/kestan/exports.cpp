// The C boundary of kestan: each instance is a detector object.
#include <new>

#include "catalogue.h"
#include "detector.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/bracket.h"
#include "gpu/programs.h"
#include "module_api.h"

using kestan::kCatalogue;

extern "C" {

MODULE_API bool Init(void) {
  gpu::SetShaderModule(frame::ModuleHandle(), "");
  return kCatalogue.Init();
}
MODULE_API void Done(void) { kCatalogue.Done(); }

VISION_CATALOGUE_ENUMERATORS(kCatalogue)
VISION_SORT_EXPORT(kCatalogue)

// The sort key here is the method index; the plain sort enumerator gives 10.
MODULE_API bool EnumerateMethodsSortWithProperties(int index, int idLen, char16_t* idBuf, int descLen,
                                                   char16_t* descBuf, HostIcon* icon, bool* gpuFlag, int* sortKey,
                                                   int* properties) {
  const bool ok = kCatalogue.EnumerateMethodsSortWithProperties(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag,
                                                                sortKey, properties);
  if (ok && sortKey) *sortKey = index;
  return ok;
}

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex < 0 || methodIndex >= kestan::kMethodCount) return 0;
  kestan::CFeatureDetector* d = nullptr;
  if (methodIndex == kestan::kMultipleFeatureMatch || methodIndex == kestan::kMultipleFeatureMatchData) {
    d = new (std::nothrow) kestan::CMultipleFeatureDetector(methodIndex);
  } else {
    d = new (std::nothrow) kestan::CFeatureDetector(methodIndex);
  }
  return reinterpret_cast<intptr_t>(d);
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  auto* d = reinterpret_cast<kestan::CFeatureDetector*>(handle);
  if (!d) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return d->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  auto* d = reinterpret_cast<kestan::CFeatureDetector*>(handle);
  if (!d) return;
  if (d->method != kestan::kKeypoint) {
    gpu::Bracket b(hostContext);
    b.block().first = 4;
    b.block().second = 4;
    b.Send(u"!_DUP");
    b.block().first = 40;
    b.Send(u"!_DUP");
  }
  frame::DeleteAfter(d, [&](auto& o) { o.Release(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &kestan::Resources(); }

}  // extern "C"
