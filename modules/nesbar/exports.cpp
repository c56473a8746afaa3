// The C boundary of nesbar: each instance is a matcher object.
#include <new>

#include "catalogue.h"
#include "frame/module_frame.h"
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
MODULE_API bool EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,
                                           int* categoryId, HostIcon* icon) {
  return kCatalogue.EnumerateMethodsCategories(methodIndex, path, level, nameLen, nameBuf, categoryId, icon);
}
MODULE_API bool EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf, HostIcon* icon,
                                 bool* gpuFlag) {
  return kCatalogue.EnumerateMethods(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag);
}
MODULE_API bool EnumerateMethodsSort(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                     HostIcon* icon, bool* gpuFlag, int* sortKey) {
  return kCatalogue.EnumerateMethodsSort(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag, sortKey);
}
MODULE_API bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                      int nameLen, char16_t* nameBuf) {
  return kCatalogue.EnumerateMethodInputs(methodIndex, paramIndex, type, propLen, propBuf, nameLen, nameBuf);
}
MODULE_API bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) {
  return kCatalogue.EnumerateMethodOutputs(methodIndex, paramIndex, type, nameLen, nameBuf);
}

MODULE_API intptr_t InitMethod(int methodIndex) {
  if (methodIndex < 0 || methodIndex >= nesbar::kMethodCount) return 0;
  return reinterpret_cast<intptr_t>(new (std::nothrow) nesbar::CGPUMatch(methodIndex));
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  auto* m = reinterpret_cast<nesbar::CGPUMatch*>(handle);
  if (!m) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  try {
    return m->Run(args);
  } catch (const std::bad_alloc&) {
    return args.fail(u"error: Not enough memory");
  } catch (...) {
    return args.fail(u"error: Unexpected failure");
  }
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  auto* m = reinterpret_cast<nesbar::CGPUMatch*>(handle);
  if (!m) return;
  try {
    m->ReleaseGL(hostContext);
  } catch (...) {
  }
  delete m;
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &nesbar::Resources(); }

}  // extern "C"
