// The C boundary of hoskin. Instances are method objects: the handle is the
// object's address, null when there is none. No exception leaves these
// functions.
#include <new>

#include "catalogue.h"
#include "detectors.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/programs.h"
#include "module_api.h"

using hoskin::kCatalogue;
using hoskin::kParameters;

namespace {

hoskin::CDetector* Instance(intptr_t handle) { return reinterpret_cast<hoskin::CDetector*>(handle); }

bool KnownMethod(const hoskin::CDetector* d) { return d && (d->methodIndex == 0 || d->methodIndex == 1); }

}  // namespace

extern "C" {

MODULE_API bool Init(void) {
  gpu::SetShaderModule(frame::ModuleHandle(), "");
  frame::LoadHostLibrary();
  void* module = frame::ModuleHandle();
  for (int i = 0; i < 4; ++i) hoskin::gIcons[i] = GetResourceIconAddress(module, hoskin::kIconNumbers[i]);
  return true;
}

MODULE_API void Done(void) {
  for (HostIcon& icon : hoskin::gIcons) DoneIcon(&icon);
}

MODULE_API bool EnumerateMethodsCategories(int methodIndex, int path, int level, int nameLen, char16_t* nameBuf,
                                           int* categoryId, HostIcon* icon) {
  return kParameters.EnumerateMethodsCategories(methodIndex, path, level, nameLen, nameBuf, categoryId, icon);
}

MODULE_API bool EnumerateMethods(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                 HostIcon* icon, bool* gpuFlag) {
  return kCatalogue.EnumerateMethods(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag);
}

MODULE_API bool EnumerateMethodsSort(int index, int idLen, char16_t* idBuf, int descLen, char16_t* descBuf,
                                     HostIcon* icon, bool* gpuFlag, int* sortKey) {
  *sortKey = 10;
  return kCatalogue.EnumerateMethods(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag);
}

MODULE_API bool EnumerateMethodsSortWithProperties(int index, int idLen, char16_t* idBuf, int descLen,
                                                   char16_t* descBuf, HostIcon* icon, bool* gpuFlag, int* sortKey,
                                                   int* properties) {
  return kCatalogue.EnumerateMethodsSortWithProperties(index, idLen, idBuf, descLen, descBuf, icon, gpuFlag, sortKey,
                                                       properties);
}

MODULE_API bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                      int nameLen, char16_t* nameBuf) {
  return kParameters.EnumerateMethodInputs(methodIndex, paramIndex, type, propLen, propBuf, nameLen, nameBuf);
}

MODULE_API bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) {
  return kParameters.EnumerateMethodOutputs(methodIndex, paramIndex, type, nameLen, nameBuf);
}

MODULE_API intptr_t InitMethod(int methodIndex) {
  try {
    if (methodIndex == hoskin::kBarcodeMethod) return reinterpret_cast<intptr_t>(new hoskin::CBarcodeDetector());
    if (methodIndex == hoskin::kPatternMethod) return reinterpret_cast<intptr_t>(new hoskin::CDatamatrixDetector());
  } catch (...) {
  }
  return 0;
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  hoskin::CDetector* object = Instance(handle);
  if (!KnownMethod(object)) return false;
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  return frame::RunGuarded(args, [&] { return object->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  hoskin::CDetector* object = Instance(handle);
  if (!KnownMethod(object)) return;
  frame::DeleteAfter(object, [&](hoskin::CDetector& d) { d.ReleaseGpu(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &hoskin::Resources(); }

}  // extern "C"
