// The C boundary of mirvok: one object per method instance, created by
// InitMethod and destroyed by DoneMethod2 after its GPU objects are released.
#include <memory>
#include <new>

#include "catalogue.h"
#include "filters.h"
#include "frame/catalogue_exports.h"
#include "frame/module_frame.h"
#include "frame/run_boundary.h"
#include "gpu/programs.h"
#include "module_api.h"
#include "motion.h"

namespace mirvok {
namespace {

std::unique_ptr<CGPUCommonFilter> Create(int methodIndex) {
  switch (methodIndex) {
    case kHslFilter:
      return std::make_unique<CGPUHSLFilter>(methodIndex);
    case kDenoiseFilter:
      return std::make_unique<CGPUDenoiseFilter>(methodIndex);
    case kGrayscaleFilter:
      return std::make_unique<CGPUGrayscaleFilter>(methodIndex);
    case kShockSharpen:
    case kShockMorphologic:
      return std::make_unique<CGPUShockFilter>(methodIndex);
    case kMotionDetection:
      return std::make_unique<CGPUMotionDetection>(methodIndex);
    case kMotionDetectionFilter:
      return std::make_unique<CGPUMotionDetectionFilter>(methodIndex);
    default:
      return nullptr;
  }
}

CGPUCommonFilter* Object(intptr_t handle) { return reinterpret_cast<CGPUCommonFilter*>(handle); }

}  // namespace
}  // namespace mirvok

using mirvok::kCatalogue;

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

VISION_SORT_EXPORT(kCatalogue)

MODULE_API bool EnumerateMethodInputs(int methodIndex, int paramIndex, int* type, int propLen, char16_t* propBuf,
                                      int nameLen, char16_t* nameBuf) {
  // A colour input's property buffer stays as the host passed it.
  if (mirvok::PropertiesLeftAlone(methodIndex, paramIndex)) {
    char16_t scratch[1];
    return kCatalogue.EnumerateMethodInputs(methodIndex, paramIndex, type, 0, scratch, nameLen, nameBuf);
  }
  return kCatalogue.EnumerateMethodInputs(methodIndex, paramIndex, type, propLen, propBuf, nameLen, nameBuf);
}

MODULE_API bool EnumerateMethodOutputs(int methodIndex, int paramIndex, int* type, int nameLen, char16_t* nameBuf) {
  return kCatalogue.EnumerateMethodOutputs(methodIndex, paramIndex, type, nameLen, nameBuf);
}

MODULE_API intptr_t InitMethod(int methodIndex) {
  try {
    return reinterpret_cast<intptr_t>(mirvok::Create(methodIndex).release());
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

MODULE_API bool RunMethod(intptr_t handle, void* hostContext, intptr_t inputList, const void* inputNames,
                          intptr_t outputList, const void* outputNames, int errLen, char16_t* errBuf) {
  const frame::RunArgs args{hostContext, inputList, inputNames, outputList, outputNames, errLen, errBuf};
  if (!handle) return false;
  return frame::RunGuarded(args, [&] { return mirvok::Object(handle)->Run(args); });
}

MODULE_API void DoneMethod2(intptr_t handle, void* hostContext) {
  frame::DeleteAfter(mirvok::Object(handle), [&](auto& o) { o.ReleaseGL(hostContext); });
}

MODULE_API const ModuleResourceTable* TalvixModuleResources(void) { return &mirvok::Resources(); }

}  // extern "C"
