// The C boundary of uvarek: one CDFT1 per instance.
#include <new>

#include "catalogue.h"
#include "frame/catalogue_exports.h"
#include "dft1.h"
#include "frame/run_boundary.h"
#include "module_api.h"

using uvarek::kCatalogue;

extern "C" {

VISION_CATALOGUE_EXPORTS(kCatalogue)

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex < 0 || methodIndex >= uvarek::kMethodCount) return 0;
  return reinterpret_cast<intptr_t>(new (std::nothrow) uvarek::CDFT1(methodIndex));
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  auto* o = reinterpret_cast<uvarek::CDFT1*>(handle);
  if (!o) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return o->Run(args); }, {u"Not enough memory", u"Unexpected failure"});
}

MODULE_API void DoneMethod(intptr_t handle) {
  auto* o = reinterpret_cast<uvarek::CDFT1*>(handle);
  if (!o) return;
  o->Release();
  delete o;
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &uvarek::Resources(); }

}  // extern "C"
